// Triggers on the embedded engine: what CREATE TRIGGER keeps for the dictionary, row
// triggers with :NEW and :OLD (a BEFORE trigger changing :NEW, AFTER triggers logging,
// WHEN conditions, UPDATE OF columns), statement triggers, triggers firing on DML inside
// PL/SQL, a failing trigger undoing its statement, the constraint a changed row breaks,
// ENABLE/DISABLE/COMPILE and DROP.
#include "catalog_rows.h"
#include "oci_session.h"

namespace {

class Triggers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "reads the embedded engine's catalog tables";
    home = test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect("scott", "tiger", "triggers"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create table emp (id number, name varchar2(20) not null, sal number(8,2), upd varchar2(10))"),
              OCI_SUCCESS);
    ASSERT_EQ(s.exec("create table audit_log (what varchar2(60))"), OCI_SUCCESS);
  }

  std::vector<std::string> catalog_rows(const std::string& sql) { return catalog_file_rows(home, "triggers", sql); }

  std::string home;
  OciSession s;
};

TEST_F(Triggers, CreateKeepsWhatTheDictionaryShows) {
  ASSERT_EQ(s.exec("CREATE OR REPLACE TRIGGER emp_biu\n"
                   "BEFORE INSERT OR UPDATE OF sal ON emp\n"
                   "FOR EACH ROW\n"
                   "WHEN (new.sal > 0)\n"
                   "BEGIN :new.upd := 'set'; END;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(catalog_rows("select trigger_name, trigger_type, triggering_event, table_owner, base_object_type,"
                         " table_name, referencing_names, when_clause, status, action_type, trigger_body"
                         " from vantro_plsql_triggers"),
            std::vector<std::string>{"EMP_BIU|BEFORE EACH ROW|INSERT OR UPDATE|SCOTT|TABLE|EMP|"
                                     "REFERENCING NEW AS NEW OLD AS OLD|new.sal > 0|ENABLED|PL/SQL     |"
                                     "BEGIN :new.upd := 'set'; END;"});
  EXPECT_EQ(catalog_rows("select description from vantro_plsql_triggers"),
            std::vector<std::string>{"emp_biu\nBEFORE INSERT OR UPDATE OF sal ON emp\nFOR EACH ROW\n"});
  EXPECT_EQ(catalog_rows("select type, status from vantro_plsql_objects where name = 'EMP_BIU'"),
            std::vector<std::string>{"TRIGGER|VALID"});
  EXPECT_EQ(catalog_rows("select text from vantro_plsql_source where name = 'EMP_BIU' and line = 1"),
            std::vector<std::string>{"TRIGGER emp_biu\n"});
  EXPECT_EQ(s.exec("create trigger emp_biu before delete on emp begin null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04081: trigger 'EMP_BIU' already exists\n");
  EXPECT_EQ(s.exec("create trigger t1 before delete on nowhere begin null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 942);
  EXPECT_EQ(s.exec("create trigger t2 before delete on emp when (old.sal > 0) begin null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04077: WHEN clause cannot be used with table level triggers\n");
  EXPECT_EQ(s.exec("create trigger t3 after insert on emp for each row begin :new.sal := 1; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04084: cannot change NEW values for this trigger type\n");
  EXPECT_EQ(s.exec("create trigger t4 before insert on emp for each row begin :old.sal := 1; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 4085);
  EXPECT_EQ(s.exec("create trigger t5 before insert on emp begin :new.sal := 1; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04082: NEW or OLD references not allowed in table level triggers\n");
  EXPECT_EQ(s.exec("create trigger t6 before insert on emp for each row begin\n  :new.salary := 1;\nend;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select line, position, text from vantro_plsql_errors where name = 'T6'"),
            std::vector<std::string>{"2|3|PLS-00049: bad bind variable 'NEW.SALARY'"});
  EXPECT_EQ(s.exec("insert into emp (id, name) values (1, 'x')"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04098: trigger 'SCOTT.T6' is invalid and failed re-validation\n");
}

TEST_F(Triggers, RowTriggersSeeAndChangeTheRow) {
  ASSERT_EQ(s.exec("create trigger emp_bi before insert or update on emp for each row\n"
                   "begin\n"
                   "  :new.name := upper(:new.name);\n"
                   "  if inserting then\n"
                   "    :new.upd := 'ins';\n"
                   "  elsif updating then\n"
                   "    :new.upd := 'upd ' || :old.sal;\n"
                   "  end if;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create trigger emp_ai after insert or update or delete on emp for each row\n"
                   "begin\n"
                   "  insert into audit_log values (case when deleting then 'del ' || :old.name\n"
                   "    else :new.name || ' ' || :new.upd end);\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create trigger emp_big after update of sal on emp for each row when (new.sal > 1000)\n"
                   "begin\n"
                   "  insert into audit_log values ('big ' || :new.sal);\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  OciStatement ins(s, "insert into emp (id, name, sal) values (1, 'ann', 500)");
  ASSERT_EQ(ins.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(ins.attr_ub4(OCI_ATTR_ROW_COUNT), 1u);
  ASSERT_EQ(s.exec("insert into emp (id, name, sal) values (2, 'bob', 900)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select id, name, sal, upd from emp order by id"),
            (std::vector<std::string>{"1|ANN|500|ins", "2|BOB|900|ins"}));
  OciStatement up(s, "update emp set sal = sal * 2");
  ASSERT_EQ(up.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(up.attr_ub4(OCI_ATTR_ROW_COUNT), 2u);
  EXPECT_EQ(s.rows("select id, sal, upd from emp order by id"),
            (std::vector<std::string>{"1|1000|upd 500", "2|1800|upd 900"}));
  ASSERT_EQ(s.exec("update emp set name = 'carl' where id = 1"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("delete from emp where id = 2"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select what from audit_log"),
            (std::vector<std::string>{"ANN ins", "BOB ins", "ANN upd 500", "BOB upd 900", "big 1800",
                                      "CARL upd 1000", "del BOB"}));
  // A NOT NULL column filled by the trigger is accepted: constraints see the final row.
  ASSERT_EQ(s.exec("create or replace trigger emp_bi before insert on emp for each row\n"
                   "begin\n  :new.name := nvl(:new.name, 'nobody');\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into emp (id) values (3)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select name from emp where id = 3"), "nobody");
}

TEST_F(Triggers, StatementTriggersAndTriggersOnDmlInsideBlocks) {
  ASSERT_EQ(s.exec("create trigger emp_bs before insert or delete on emp\n"
                   "begin\n  insert into audit_log values (case when inserting then 'before insert'"
                   " else 'before delete' end);\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create trigger emp_as after delete on emp\n"
                   "declare\n  n number;\nbegin\n  select count(*) into n from emp;\n"
                   "  insert into audit_log values ('after delete ' || n);\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("begin\n  for i in 1 .. 3 loop\n    insert into emp (id, name) values (i, 'e' || i);\n"
                   "  end loop;\n  delete from emp where id < 3;\n  :n := sql%rowcount;\nend;"),
            OCI_ERROR)
      << "the :n placeholder is not bound";
  OciStatement st(s, "begin\n  for i in 1 .. 3 loop\n    insert into emp (id, name) values (i, 'e' || i);\n"
                     "  end loop;\n  delete from emp where id < 3;\n  :n := sql%rowcount;\nend;");
  char n[8] = "";
  OCIBind* b = nullptr;
  s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":n"), -1, n, sizeof n, SQLT_STR,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_STREQ(n, "2");
  EXPECT_EQ(s.rows("select what from audit_log"),
            (std::vector<std::string>{"before insert", "before insert", "before insert", "before delete",
                                      "after delete 1"}));
  // A statement trigger on UPDATE OF fires for updates that set one of its columns.
  ASSERT_EQ(s.exec("delete from audit_log"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create trigger emp_sal after update of sal, upd on emp\n"
                   "begin\n  insert into audit_log values ('sal or upd set');\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("update emp set name = 'x' where sal is null"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select count(*) from audit_log"), "0");
  ASSERT_EQ(s.exec("update emp e set e.name = 'y', e.upd = (select 'z' from dual where 1 = 0)"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("update emp set sal = 1 where 1 = 0"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select what from audit_log"), (std::vector<std::string>{"sal or upd set", "sal or upd set"}));
}

TEST_F(Triggers, AFailingTriggerUndoesItsStatement) {
  ASSERT_EQ(s.exec("insert into emp (id, name, sal) values (1, 'ann', 100)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create trigger emp_check before update on emp for each row\n"
                   "begin\n"
                   "  if :new.sal > 1000 then\n"
                   "    raise_application_error(-20001, 'salary too high');\n"
                   "  end if;\n"
                   "  insert into audit_log values ('checked ' || :new.sal);\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into emp (id, name, sal) values (2, 'bob', 600)"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("update emp set sal = sal * 2"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20001: salary too high\nORA-06512: at \"SCOTT.EMP_CHECK\", line 3\n"
            "ORA-04088: error during execution of trigger 'SCOTT.EMP_CHECK'\n");
  EXPECT_EQ(s.rows("select id, sal from emp order by id"), (std::vector<std::string>{"1|100", "2|600"}));
  EXPECT_EQ(s.value("select count(*) from audit_log"), "0");
  EXPECT_EQ(s.exec("begin\n  update emp set sal = 5000 where id = 1;\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20001: salary too high\nORA-06512: at \"SCOTT.EMP_CHECK\", line 3\n"
            "ORA-04088: error during execution of trigger 'SCOTT.EMP_CHECK'\nORA-06512: at line 2\n");
  EXPECT_EQ(s.exec("alter trigger emp_check disable"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(catalog_rows("select status from vantro_plsql_triggers"), std::vector<std::string>{"DISABLED"});
  ASSERT_EQ(s.exec("update emp set sal = 5000 where id = 1"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("alter trigger emp_check enable"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("update emp set sal = 5001 where id = 1"), OCI_ERROR);
  EXPECT_EQ(s.exec("alter trigger emp_check compile"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("drop trigger emp_check"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("drop trigger emp_check"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04080: trigger 'EMP_CHECK' does not exist\n");
  ASSERT_EQ(s.exec("update emp set sal = 5001 where id = 1"), OCI_SUCCESS) << s.error_text();
  // Dropping the table drops its triggers.
  ASSERT_EQ(s.exec("create trigger emp_t before insert on emp begin null; end;"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("drop table emp"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(catalog_rows("select count(*) from vantro_plsql_triggers"), std::vector<std::string>{"0"});
  EXPECT_EQ(catalog_rows("select count(*) from vantro_plsql_objects where type = 'TRIGGER'"),
            std::vector<std::string>{"0"});
}

TEST_F(Triggers, WideTablesAndNestedTriggers) {
  // Row triggers pass each old and new value to the firing function: wider tables are
  // refused rather than fired with values missing.
  std::string wide = "create table wide (c1 number";
  for (int k = 2; k <= 61; ++k) wide += ", c" + std::to_string(k) + " number";
  ASSERT_EQ(s.exec(wide + ")"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("create trigger wide_bi before insert on wide for each row begin null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-03001: unimplemented feature: row triggers on tables of more than 60 columns\n");
  EXPECT_EQ(s.exec("create trigger wide_bs before insert on wide begin null; end;"), OCI_SUCCESS) << s.error_text();
  // A trigger's DML fires the triggers of the table it changes, and their errors come
  // back through both.
  ASSERT_EQ(s.exec("create trigger audit_bi before insert on audit_log for each row\n"
                   "begin\n  if :new.what like 'bad%' then\n"
                   "    raise_application_error(-20002, 'bad audit');\n  end if;\n"
                   "  :new.what := :new.what || '!';\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create trigger emp_ai after insert on emp for each row\n"
                   "begin\n  insert into audit_log values (:new.name);\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into emp (id, name) values (1, 'ok')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select what from audit_log"), std::vector<std::string>{"ok!"});
  EXPECT_EQ(s.exec("insert into emp (id, name) values (2, 'bad')"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20002: bad audit\nORA-06512: at \"SCOTT.AUDIT_BI\", line 3\n"
            "ORA-04088: error during execution of trigger 'SCOTT.AUDIT_BI'\n"
            "ORA-06512: at \"SCOTT.EMP_AI\", line 2\n"
            "ORA-04088: error during execution of trigger 'SCOTT.EMP_AI'\n");
  EXPECT_EQ(s.rows("select id from emp"), std::vector<std::string>{"1"});
}

TEST_F(Triggers, ReturningGivesTheValuesABeforeTriggerSet) {
  ASSERT_EQ(s.exec("create sequence emp_seq start with 7"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("create trigger emp_id before insert on emp for each row\n"
                   "begin\n  if :new.id is null then\n    :new.id := emp_seq.nextval;\n  end if;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  OciStatement st(s, "insert into emp (name) values ('ann') returning id, name into :id, :name");
  char id[16] = "", name[16] = "";
  OCIBind* b1 = nullptr;
  OCIBind* b2 = nullptr;
  s.oci->OCIBindByName(st.stmt, &b1, s.err, reinterpret_cast<const OraText*>(":id"), -1, id, sizeof id, SQLT_STR,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  s.oci->OCIBindByName(st.stmt, &b2, s.err, reinterpret_cast<const OraText*>(":name"), -1, name, sizeof name,
                       SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_STREQ(id, "7");
  EXPECT_STREQ(name, "ann");
  EXPECT_EQ(st.attr_ub4(OCI_ATTR_ROW_COUNT), 1u);
  EXPECT_EQ(s.rows("select id, name from emp"), std::vector<std::string>{"7|ann"});
}

TEST_F(Triggers, UpdatingNamesTheColumnsTheUpdateSets) {
  ASSERT_EQ(s.exec("insert into emp (id, name, sal) values (1, 'ann', 10)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create trigger emp_cols before update on emp for each row\n"
                   "begin\n  if updating('SAL') then\n    :new.upd := 'sal';\n"
                   "  elsif updating('name') then\n    :new.upd := 'name';\n  end if;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("update emp set sal = 5"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select upd from emp"), "sal");
  ASSERT_EQ(s.exec("begin update emp set name = 'bob'; end;"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select upd from emp"), "name");
}

TEST_F(Triggers, ARowTriggerMayNotReadItsOwnTable) {
  ASSERT_EQ(s.exec("insert into emp (id, name, sal) values (1, 'ann', 10)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create trigger emp_count after insert or update on emp for each row\n"
                   "declare\n  n number;\nbegin\n  select count(*) into n from emp;\n"
                   "  insert into audit_log values ('rows ' || n);\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  // A single-row INSERT ... VALUES may read the table; other statements may not.
  ASSERT_EQ(s.exec("insert into emp (id, name) values (2, 'bob')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select what from audit_log"), std::vector<std::string>{"rows 2"});
  EXPECT_EQ(s.exec("update emp set sal = 1"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-04091: table SCOTT.EMP is mutating, trigger/function may not see it\n"
            "ORA-06512: at \"SCOTT.EMP_COUNT\", line 4\n"
            "ORA-04088: error during execution of trigger 'SCOTT.EMP_COUNT'\n");
  EXPECT_EQ(s.exec("insert into emp (id, name) select 3, 'cy' from dual"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 4091);
  EXPECT_EQ(s.rows("select id from emp order by id"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(Triggers, AFailingStatementTriggerUndoesTheWholeStatement) {
  ASSERT_EQ(s.exec("create trigger emp_log before insert on emp\n"
                   "begin\n  insert into audit_log values ('before');\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create trigger emp_limit after insert on emp\n"
                   "declare\n  n number;\nbegin\n  select count(*) into n from emp;\n"
                   "  if n > 1 then\n    raise_application_error(-20003, 'one employee only');\n  end if;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into emp (id, name) values (1, 'ann')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("insert into emp (id, name) values (2, 'bob')"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20003: one employee only\nORA-06512: at \"SCOTT.EMP_LIMIT\", line 6\n"
            "ORA-04088: error during execution of trigger 'SCOTT.EMP_LIMIT'\n");
  EXPECT_EQ(s.rows("select id from emp"), std::vector<std::string>{"1"});
  EXPECT_EQ(s.rows("select what from audit_log"), std::vector<std::string>{"before"})
      << "the failed statement's BEFORE trigger row is undone with it";
  // Inside a block that handles the error, only the failed statement is undone.
  ASSERT_EQ(s.exec("begin\n  insert into audit_log values ('block');\n"
                   "  insert into emp (id, name) values (3, 'cy');\n"
                   "exception\n  when others then\n    insert into audit_log values ('handled ' || sqlcode);\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select what from audit_log"),
            (std::vector<std::string>{"before", "block", "handled -20003"}));
  EXPECT_EQ(s.rows("select id from emp"), std::vector<std::string>{"1"});
}

}  // namespace

TEST_F(Triggers, ARowChangedByABeforeTriggerNamesTheConstraintItBreaks) {
  ASSERT_EQ(s.exec("create table dept (id number constraint dept_pk primary key)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into dept values (1)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create table job (id number constraint job_pk primary key, sal number check (sal >= 0),"
                   " dept number references dept, upd varchar2(10))"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create trigger job_bi before insert or update on job for each row\n"
                   "begin :new.upd := 'set'; end;"),
            OCI_SUCCESS)
      << s.error_text();
  std::string check = s.value("select constraint_name from user_constraints where table_name = 'JOB'"
                              " and constraint_type = 'C'");
  std::string fk = s.value("select constraint_name from user_constraints where table_name = 'JOB'"
                           " and constraint_type = 'R'");
  ASSERT_EQ(check.compare(0, 5, "SYS_C"), 0);
  EXPECT_EQ(s.exec("insert into job (id, sal) values (1, -1)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02290: check constraint (SCOTT." + check + ") violated\n");
  EXPECT_EQ(s.exec("insert into job (id, sal, dept) values (1, 1, 9)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02291: integrity constraint (SCOTT." + fk + ") violated - parent key not found\n");
  ASSERT_EQ(s.exec("insert into job (id, sal, dept) values (1, 1, 1)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("insert into job (id, sal) values (1, 2)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00001: unique constraint (SCOTT.JOB_PK) violated\n");
  EXPECT_EQ(s.exec("update job set sal = -5"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02290: check constraint (SCOTT." + check + ") violated\n");
  EXPECT_EQ(s.rows("select id, sal, dept, upd from job"), std::vector<std::string>{"1|1|1|set"});
}

namespace {

// A trigger runs inside the statement that fired it: ending the transaction there
// (COMMIT, ROLLBACK, SAVEPOINT, DDL that would commit) is ORA-04092, the statement is
// undone and what the transaction did before it stays, to be committed afterwards.
TEST_F(Triggers, ATriggerMayNotEndTheTransaction) {
  ASSERT_EQ(s.exec("create or replace trigger emp_tx after insert on emp for each row begin\n"
                   "  if :new.id = 1 then commit; end if;\n"
                   "  if :new.id = 2 then rollback; end if;\n"
                   "  if :new.id = 3 then savepoint inside; end if;\n"
                   "  if :new.id = 4 then execute immediate 'create table made_in_trigger (n number)'; end if;\n"
                   "  if :new.id = 5 then execute immediate 'commit'; end if;\n"
                   "  insert into audit_log values ('row ' || :new.id);\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into emp (id, name) values (10, 'kept')"), OCI_SUCCESS) << s.error_text();
  const char* const kRefused[] = {"COMMIT", "ROLLBACK", "SET SAVEPOINT", "COMMIT", "COMMIT"};
  for (int id = 1; id <= 5; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(s.exec("insert into emp (id, name) values (" + std::to_string(id) + ", 'x')"), OCI_ERROR);
    EXPECT_EQ(s.error_text().substr(0, s.error_text().find('\n')),
              std::string("ORA-04092: cannot ") + kRefused[id - 1] + " in a trigger");
  }
  EXPECT_EQ(s.exec("select * from made_in_trigger"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 942);
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(s.value("select count(*) from emp"), "0") << "nothing was committed by the trigger";
  ASSERT_EQ(s.exec("insert into emp (id, name) values (11, 'kept')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("insert into emp (id, name) values (1, 'x')"), OCI_ERROR);
  ASSERT_EQ(s.exec("commit"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select id from emp"), std::vector<std::string>{"11"});
  EXPECT_EQ(s.rows("select what from audit_log"), std::vector<std::string>{"row 11"});
  // An autonomous trigger commits its own work.
  ASSERT_EQ(s.exec("create or replace trigger emp_tx after insert on emp for each row declare\n"
                   "  pragma autonomous_transaction;\n"
                   "begin insert into audit_log values ('auto ' || :new.id); commit; end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into emp (id, name) values (12, 'undone')"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(s.rows("select what from audit_log order by what"), (std::vector<std::string>{"auto 12", "row 11"}));
}

// Triggers that fire each other nest as recursive SQL: the 51st level is ORA-00036, the
// whole statement is undone and the session goes on.
TEST_F(Triggers, TriggersFiringEachOtherStopAtFiftyLevels) {
  ASSERT_EQ(s.exec("create table ping (n number)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create table pong (n number)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create or replace trigger ping_t after insert on ping for each row begin\n"
                   "  if :new.n < 40 then insert into pong values (:new.n + 1); end if; end;"),
            OCI_SUCCESS);
  ASSERT_EQ(s.exec("create or replace trigger pong_t after insert on pong for each row begin\n"
                   "  insert into ping values (:new.n + 1); end;"),
            OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into ping values (0)"), OCI_SUCCESS) << s.error_text().substr(0, 300);
  EXPECT_EQ(s.value("select count(*) from ping") + "|" + s.value("select count(*) from pong"), "21|20");
  ASSERT_EQ(s.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create or replace trigger ping_t after insert on ping for each row begin\n"
                   "  insert into pong values (:new.n + 1); end;"),
            OCI_SUCCESS);
  EXPECT_EQ(s.exec("insert into ping values (100)"), OCI_ERROR);
  EXPECT_EQ(s.error_text().substr(0, s.error_text().find('\n')),
            "ORA-00036: maximum number of recursive SQL levels (50) exceeded");
  EXPECT_EQ(s.value("select count(*) from ping") + "|" + s.value("select count(*) from pong"), "21|20");
  ASSERT_EQ(s.exec("insert into audit_log values ('after')"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("commit"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select count(*) from audit_log"), "1");
}

}  // namespace

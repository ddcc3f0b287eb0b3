// MERGE through OCI and PL/SQL: matched rows updated (and deleted), unmatched source
// rows inserted, the row count Oracle reports, its errors and the table's row triggers.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class Merge : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table dest (id number primary key, name varchar2(10), qty number(5))");
    run("insert into dest values (1, 'a', 10)");
    run("insert into dest values (2, 'b', 20)");
    run("insert into dest values (3, 'c', 30)");
    run("create table src (id number, name varchar2(10), qty number)");
    run("insert into src values (2, 'B', 200)");
    run("insert into src values (3, 'C', 300)");
    run("insert into src values (4, 'D', 400)");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  // Executes a MERGE and answers its row count, or the error.
  std::string merged(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(1) != OCI_SUCCESS) return s.error_text();
    return std::to_string(st.attr_ub4(OCI_ATTR_ROW_COUNT));
  }
  Rows dest() { return s.rows("select id, name, qty from dest order by id"); }
  OciSession s;
};

TEST_F(Merge, UpdatesMatchedRowsAndInsertsTheOthers) {
  OciStatement type(s, "merge into dest d using src s on (d.id = s.id) when not matched then insert values (1, 'x', 1)");
  EXPECT_EQ(type.attr_ub2(OCI_ATTR_STMT_TYPE), 16);
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id)"
                   " when matched then update set d.name = s.name, qty = s.qty"
                   " when not matched then insert (id, name, qty) values (s.id, s.name, s.qty)"),
            "3");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|B|200", "3|C|300", "4|D|400"}));
  // Again: every source row matches now.
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id)"
                   " when matched then update set qty = d.qty + 1"
                   " when not matched then insert (id) values (s.id)"),
            "3");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|B|201", "3|C|301", "4|D|401"}));
}

TEST_F(Merge, ConditionsOnEachClause) {
  // A subquery source; the UPDATE and INSERT each with a WHERE of their own.
  EXPECT_EQ(merged("merge into dest d using (select id, qty * 2 q from src) s on (d.id = s.id)"
                   " when matched then update set qty = d.qty + s.q where s.q > 500"
                   " when not matched then insert (id, qty) values (s.id, s.q) where s.id > 10"),
            "1");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|b|20", "3|c|630"}));
  // Only WHEN NOT MATCHED, the tables named without aliases.
  EXPECT_EQ(merged("merge into dest using src on (dest.id = src.id) when not matched then insert (id) values (src.id)"),
            "1");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|b|20", "3|c|630", "4|<null>|<null>"}));
}

// The INSERT's columns may name the target by its alias (or its name without one); any
// other qualifier is ORA-00904.
TEST_F(Merge, InsertColumnsQualifiedByTheTarget) {
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id)"
                   " when not matched then insert (d.id, d.qty) values (s.id, s.qty)"),
            "1");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|b|20", "3|c|30", "4|<null>|400"}));
  run("delete from dest where id = 4");
  EXPECT_EQ(merged("merge into dest using src on (dest.id = src.id)"
                   " when not matched then insert (dest.name, id) values (src.name, src.id)"),
            "1");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|b|20", "3|c|30", "4|D|<null>"}));
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id)"
                   " when not matched then insert (d.id, s.qty) values (s.id, s.qty)"),
            "ORA-00904: \"S\".\"QTY\": invalid identifier\n");
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id)"
                   " when not matched then insert (dest.id) values (s.id)"),
            "ORA-00904: \"DEST\".\"ID\": invalid identifier\n");
}

TEST_F(Merge, DeleteWhereReadsTheUpdatedRowsOnly) {
  // Row 3 is deleted after its update; row 4, inserted with a quantity as large, stays.
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id)"
                   " when matched then update set qty = s.qty delete where d.qty >= 300"
                   " when not matched then insert values (s.id, s.name, s.qty)"),
            "3");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|b|200", "4|D|400"}));
}

TEST_F(Merge, Errors) {
  run("insert into src values (2, 'X', 1)");
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id) when matched then update set qty = s.qty"
                   " when not matched then insert (id) values (s.id)"),
            "ORA-30926: unable to get a stable set of rows in the source tables\n");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|b|20", "3|c|30"})) << "a failed MERGE changes nothing";
  // Without WHEN MATCHED a target row may match twice.
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id) when not matched then insert (id) values (s.id)"), "1");
  run("delete from dest where id = 4");
  run("delete from src where name = 'X'");
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id) when matched then update set d.id = s.id"),
            "ORA-38104: Columns referenced in the ON Clause cannot be updated: \"D\".\"ID\"\n");
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id)"), "ORA-00905: missing keyword\n");
  EXPECT_EQ(merged("merge dest d using src s on (d.id = s.id) when not matched then insert (id) values (s.id)"),
            "ORA-00925: missing INTO keyword\n");
  // A value the column cannot hold fails the statement and undoes its UPDATE.
  EXPECT_EQ(merged("merge into dest d using (select id, qty * 1000 q from src) s on (d.id = s.id)"
                   " when matched then update set qty = 1 when not matched then insert (id, qty) values (s.id, s.q)"),
            "ORA-01438: value larger than specified precision allowed for this column\n");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|b|20", "3|c|30"}));
  // An inserted key that is there already.
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id + 100) when not matched then insert (id) values (s.id)")
                .substr(0, 10),
            "ORA-00001:");
}

TEST_F(Merge, RowTriggersAndPlsql) {
  run("create or replace trigger dest_name before insert or update on dest for each row\n"
      "begin :new.name := :new.name || '!'; end;");
  std::string out = server_output_of(s,
                                     "begin merge into dest d using src s on (d.id = s.id)"
                                     " when matched then update set name = s.name"
                                     " when not matched then insert (id, name) values (s.id, s.name);"
                                     " dbms_output.put_line(sql%rowcount); end;");
  EXPECT_EQ(out, "3");
  EXPECT_EQ(dest(), (Rows{"1|a|10", "2|B!|20", "3|C!|30", "4|D!|<null>"}));
  // A PL/SQL variable in the statement, and ORA-30926 raised in the block.
  EXPECT_EQ(server_output_of(s,
                             "declare v number := 5; begin merge into dest d using src s on (d.id = s.id)"
                             " when matched then update set qty = v;"
                             " dbms_output.put_line(sql%rowcount); end;"),
            "3");
  EXPECT_EQ(s.value("select sum(qty) from dest"), "25");
  run("insert into src values (4, 'Y', 1)");
  EXPECT_EQ(server_output_of(s,
                             "begin merge into dest d using src s on (d.id = s.id) when matched then update set qty = 0;"
                             " exception when others then dbms_output.put_line(sqlcode); end;"),
            "-30926");
  // A MERGE that fails in its INSERT leaves nothing of its UPDATE.
  EXPECT_EQ(server_output_of(s,
                             "begin merge into dest d using (select id + 2 id from src where name <> 'Y') s"
                             " on (d.id = s.id) when matched then update set qty = 99"
                             " when not matched then insert (id) values (1);"
                             " exception when others then dbms_output.put_line(sqlcode); end;"),
            "-1");
  EXPECT_EQ(s.value("select count(*) from dest where qty = 99"), "0");
  // A row trigger may not merge into the table its statement changes.
  run("create or replace trigger dest_name after update on dest for each row\n"
      "begin merge into dest d using src s on (d.id = s.id) when matched then update set qty = 1; end;");
  EXPECT_EQ(merged("merge into dest d using src s on (d.id = s.id + 1) when matched then update set qty = 7"),
            "ORA-04091: table " + s.value("select user from dual") +
                ".DEST is mutating, trigger/function may not see it\n"
                "ORA-06512: at \"" + s.value("select user from dual") + ".DEST_NAME\", line 1\n"
                "ORA-04088: error during execution of trigger '" + s.value("select user from dual") +
                ".DEST_NAME'\n");
}

}  // namespace

// Everyday DDL and SQL of install scripts through OCI: RENAME and ALTER TABLE ... RENAME
// TO with what follows the new name and what does not, names qualified by a synonym's
// owner, aggregates inside calls beside ungrouped columns, and UNUSABLE indexes.
#include "oci_session.h"

#include <string>
#include <vector>

namespace {

class RenameDdl : public ::testing::Test {
protected:
  OciSession s;
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void ok(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text(); }
  int code(const std::string& sql) {
    if (s.exec(sql) == OCI_SUCCESS) return 0;
    return s.error_code();
  }
};

TEST_F(RenameDdl, TableKeepsItsRowsKeysAndDictionaryUnderTheNewName) {
  ok("CREATE TABLE dept0 (deptno NUMBER CONSTRAINT dept0_pk PRIMARY KEY, dname VARCHAR2(14))");
  ok("CREATE TABLE emp0 (empno NUMBER, deptno NUMBER CONSTRAINT emp0_fk REFERENCES dept0)");
  ok("CREATE INDEX emp0_i ON emp0 (deptno)");
  ok("COMMENT ON TABLE emp0 IS 'people'");
  ok("CREATE VIEW emp0_v AS SELECT empno FROM emp0");
  ok("CREATE OR REPLACE FUNCTION emp0_count RETURN NUMBER IS n NUMBER; BEGIN SELECT count(*) INTO n FROM emp0;"
     " RETURN n; END;");
  ok("CREATE TRIGGER emp0_t BEFORE INSERT ON emp0 FOR EACH ROW BEGIN :new.empno := :new.empno + 1000; END;");
  ok("INSERT INTO dept0 VALUES (10, 'X')");
  ok("INSERT INTO emp0 VALUES (1, 10)");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT emp0_count FROM dual"), "1");
  const std::string id = s.value("SELECT object_id FROM user_objects WHERE object_name = 'EMP0'");
  ok("RENAME emp0 TO staff");
  EXPECT_EQ(s.value("SELECT empno FROM staff"), "1001");
  EXPECT_EQ(code("SELECT * FROM emp0"), 942);
  EXPECT_EQ(s.value("SELECT object_id FROM user_objects WHERE object_name = 'STAFF'"), id);
  EXPECT_EQ(s.rows("SELECT table_name FROM user_tables WHERE table_name IN ('EMP0', 'STAFF')"),
            (std::vector<std::string>{"STAFF"}));
  EXPECT_EQ(s.rows("SELECT column_name FROM user_tab_columns WHERE table_name = 'STAFF' ORDER BY column_id"),
            (std::vector<std::string>{"EMPNO", "DEPTNO"}));
  EXPECT_EQ(s.value("SELECT table_name FROM user_constraints WHERE constraint_name = 'EMP0_FK'"), "STAFF");
  EXPECT_EQ(s.value("SELECT table_name FROM user_indexes WHERE index_name = 'EMP0_I'"), "STAFF");
  EXPECT_EQ(s.value("SELECT comments FROM user_tab_comments WHERE table_name = 'STAFF'"), "people");
  EXPECT_EQ(s.value("SELECT table_name FROM user_triggers WHERE trigger_name = 'EMP0_T'"), "STAFF");
  // The trigger and the foreign key stay with the table.
  ok("INSERT INTO staff VALUES (2, 10)");
  EXPECT_EQ(s.value("SELECT max(empno) FROM staff"), "1002");
  EXPECT_EQ(code("INSERT INTO staff VALUES (3, 99)"), 2291);
  // What used the old name is invalid, and fails until that name exists again.
  EXPECT_EQ(s.value("SELECT status FROM user_objects WHERE object_name = 'EMP0_V'"), "INVALID");
  EXPECT_EQ(code("SELECT * FROM emp0_v"), 4063);
  EXPECT_NE(code("SELECT emp0_count FROM dual"), 0);  // its query meets ORA-00942
  ok("ALTER TABLE staff RENAME TO emp0");
  EXPECT_EQ(s.value("SELECT count(*) FROM emp0_v"), "2");
  EXPECT_EQ(s.value("SELECT emp0_count FROM dual"), "2");
  ok("COMMIT");

  // Views, sequences and private synonyms.
  ok("CREATE SEQUENCE emp0_seq START WITH 5");
  ok("CREATE SYNONYM emp0_syn FOR emp0");
  ok("RENAME emp0_v TO emp0_view");
  ok("RENAME emp0_seq TO emp0_ids");
  ok("RENAME emp0_syn TO people");
  EXPECT_EQ(s.value("SELECT count(*) FROM emp0_view"), "2");
  EXPECT_EQ(s.value("SELECT emp0_ids.nextval FROM dual"), "5");
  EXPECT_EQ(s.value("SELECT count(*) FROM people"), "2");
  EXPECT_EQ(s.rows("SELECT object_name FROM user_objects WHERE object_type IN ('VIEW', 'SEQUENCE', 'SYNONYM')"
                   " ORDER BY 1"),
            (std::vector<std::string>{"EMP0_IDS", "EMP0_VIEW", "PEOPLE"}));
  EXPECT_EQ(s.value("SELECT text FROM user_views WHERE view_name = 'EMP0_VIEW'"), "SELECT empno FROM emp0");

  // The errors.
  EXPECT_EQ(code("RENAME nothing_here TO x"), 4043);
  EXPECT_EQ(code("RENAME emp0 TO dept0"), 955);
  EXPECT_EQ(code("RENAME emp0 TO people"), 955);
  EXPECT_EQ(code("RENAME emp0 TO emp0_count"), 955);
  EXPECT_EQ(code("RENAME system.emp0 TO x"), 1765);
  EXPECT_EQ(code("RENAME emp0 TO system.x"), 1765);
  EXPECT_EQ(code("ALTER TABLE emp0 RENAME TO system.x"), 14047);
  EXPECT_EQ(code("ALTER TABLE nothing_here RENAME TO x"), 942);
  EXPECT_EQ(code("ALTER TABLE emp0_view RENAME TO x"), 942);
  EXPECT_EQ(code("RENAME emp0 x"), 905);
  EXPECT_EQ(s.value("SELECT count(*) FROM emp0"), "2");
}

TEST_F(RenameDdl, QualifiedSynonymsResolveInTheirOwnersSchema) {
  OciSession dba;
  ASSERT_EQ(dba.connect("system", "manager", "rename"), OCI_SUCCESS) << dba.error_text();
  for (const char* sql : {"create user app identified by app", "grant connect, resource to app",
                          "create user bob identified by bob", "grant connect to bob",
                          "create table app.items (id number, name varchar2(10))",
                          "insert into app.items values (1, 'one')", "create synonym app.syn for app.items",
                          "create synonym app.syn2 for syn_target_missing", "commit"})
    ASSERT_EQ(dba.exec(sql), OCI_SUCCESS) << sql << ": " << dba.error_text();
  EXPECT_EQ(dba.value("select name from app.syn"), "one");
  ASSERT_EQ(dba.exec("insert into app.syn values (2, 'two')"), OCI_SUCCESS) << dba.error_text();
  ASSERT_EQ(dba.exec("update app.syn set name = 'TWO' where id = 2"), OCI_SUCCESS) << dba.error_text();
  ASSERT_EQ(dba.exec("delete from app.syn where id = 1"), OCI_SUCCESS) << dba.error_text();
  EXPECT_EQ(dba.value("select name from app.items"), "TWO");
  EXPECT_EQ(server_output_of(dba, "declare n varchar2(10); begin select name into n from app.syn;"
                                  " dbms_output.put_line(n); end;"),
            "TWO");
  ASSERT_EQ(dba.exec("commit"), OCI_SUCCESS);
  // A public synonym is no one's own: owner.name does not find it.
  ASSERT_EQ(dba.exec("create public synonym pubsyn for app.items"), OCI_SUCCESS) << dba.error_text();
  EXPECT_EQ(dba.exec("select * from app.pubsyn"), OCI_ERROR);
  EXPECT_EQ(dba.error_code(), 942);
  // Grants are those of the final object.
  OciSession bob;
  ASSERT_EQ(bob.connect("bob", "bob", "rename"), OCI_SUCCESS) << bob.error_text();
  EXPECT_EQ(bob.exec("select * from app.syn"), OCI_ERROR);
  EXPECT_EQ(bob.error_code(), 942);
  ASSERT_EQ(dba.exec("grant select on app.items to bob"), OCI_SUCCESS) << dba.error_text();
  EXPECT_EQ(bob.value("select count(*) from app.syn"), "1");
  EXPECT_EQ(bob.exec("delete from app.syn"), OCI_ERROR);
  EXPECT_EQ(bob.error_code(), 1031);
}

TEST_F(RenameDdl, GroupAggregateInsideACallNeedsItsColumnsGrouped) {
  std::string error;
  ASSERT_TRUE(create_emp_table(s, &error)) << error;
  EXPECT_EQ(code("SELECT nvl(ename, max(sal)) FROM emp"), 937);
  EXPECT_EQ(code("SELECT ename || to_char(max(sal)) FROM emp"), 937);
  EXPECT_EQ(code("SELECT substr(ename, 1, count(*)) FROM emp"), 937);
  EXPECT_EQ(code("SELECT deptno, nvl(job, max(ename)) FROM emp GROUP BY deptno"), 979);
  // Grouped columns, constants and columns of an outer query are allowed.
  EXPECT_EQ(s.value("SELECT nvl(to_char(deptno), max(ename)) FROM emp WHERE deptno = 10 GROUP BY deptno"), "10");
  EXPECT_EQ(s.value("SELECT nvl(null, max(sal)) FROM emp"), "5000");
  EXPECT_EQ(s.value("SELECT to_char(max(sal)) || 'x' FROM emp"), "5000x");
  EXPECT_EQ(s.value("SELECT count(*) FROM emp e WHERE sal = (SELECT nvl(e.sal, max(sal)) FROM emp WHERE"
                    " deptno = e.deptno AND sal = e.sal)"),
            "14");
}

TEST_F(RenameDdl, UnusableIndexBlocksDmlOnlyWhenUnique) {
  ok("CREATE TABLE ux (id NUMBER, code VARCHAR2(5))");
  ok("CREATE UNIQUE INDEX ux_code ON ux (code)");
  ok("CREATE INDEX ux_id ON ux (id)");
  ok("INSERT INTO ux VALUES (1, 'a')");
  ok("COMMIT");
  ok("ALTER INDEX ux_id UNUSABLE");
  EXPECT_EQ(s.value("SELECT status FROM user_indexes WHERE index_name = 'UX_ID'"), "UNUSABLE");
  ok("INSERT INTO ux VALUES (2, 'b')");  // a non-unique one is skipped
  EXPECT_EQ(s.value("SELECT count(*) FROM ux WHERE id = 2"), "1");
  ok("ALTER INDEX ux_code UNUSABLE");
  EXPECT_EQ(code("INSERT INTO ux VALUES (3, 'c')"), 1502);
  EXPECT_NE(s.error_text().find("index 'SCOTT.UX_CODE' or partition"), std::string::npos) << s.error_text();
  EXPECT_EQ(code("UPDATE ux SET id = 5"), 1502);
  EXPECT_EQ(code("DELETE FROM ux"), 1502);
  EXPECT_EQ(s.value("SELECT count(*) FROM ux"), "2");  // queries still run
  ok("ALTER INDEX ux_code REBUILD");
  ok("ALTER INDEX ux_id REBUILD");
  EXPECT_EQ(s.rows("SELECT status FROM user_indexes WHERE table_name = 'UX' ORDER BY index_name"),
            (std::vector<std::string>{"VALID", "VALID"}));
  ok("INSERT INTO ux VALUES (3, 'c')");
  EXPECT_EQ(code("INSERT INTO ux VALUES (4, 'c')"), 1);
}

}  // namespace

// Objects created in another user's schema, as an install script run by a DBA does:
// qualified names and ALTER SESSION SET CURRENT_SCHEMA, for users made in this session
// or never logged on, the ANY privileges that allow it, who owns what was created, and
// DDL issued while a transaction is open.
#include "oci_session.h"

#include <filesystem>

namespace {

class Schemas : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
  }
  static void connect(OciSession& session, const std::string& user, const std::string& password) {
    ASSERT_EQ(session.connect(user, password, "schemas"), OCI_SUCCESS) << session.error_text();
  }
  static std::string run(OciSession& session, const std::string& sql) {
    if (session.exec(sql) == OCI_SUCCESS) return "ok";
    return session.error_text().substr(0, 9);  // "ORA-nnnnn"
  }
};

TEST_F(Schemas, DbaCreatesObjectsInAnotherSchema) {
  OciSession dba;
  connect(dba, "system", "manager");
  ASSERT_EQ(run(dba, "create user hr2 identified by hr2"), "ok");
  ASSERT_EQ(run(dba, "grant connect, resource to hr2"), "ok");
  EXPECT_EQ(run(dba, "create table hr2.t1 (id number)"), "ok");
  EXPECT_EQ(run(dba, "create index hr2.t1_i on hr2.t1 (id)"), "ok");
  EXPECT_EQ(run(dba, "create sequence hr2.s1"), "ok");
  // Unqualified names inside a view or unit are its owner's.
  EXPECT_EQ(run(dba, "create view hr2.v1 as select id * 10 as ten from t1"), "ok");
  EXPECT_EQ(run(dba, "create or replace procedure hr2.p1 is begin insert into t1 values (s1.nextval); end;"), "ok");
  EXPECT_EQ(run(dba, "create function hr2.f1 return number is n number; begin select count(*) into n from t1;"
                     " return n; end;"),
            "ok");
  EXPECT_EQ(run(dba, "create package hr2.pk is function two return number; end;"), "ok");
  EXPECT_EQ(run(dba, "create package body hr2.pk is function two return number is begin return 2; end; end;"),
            "ok");
  EXPECT_EQ(run(dba, "create type hr2.pt as object (x number)"), "ok");
  EXPECT_EQ(run(dba, "create synonym hr2.syn1 for hr2.t1"), "ok");
  EXPECT_EQ(run(dba, "create trigger hr2.trg before insert on hr2.t1 for each row"
                     " begin :new.id := :new.id + 100; end;"),
            "ok");
  EXPECT_EQ(run(dba, "begin hr2.p1; end;"), "ok");
  EXPECT_EQ(run(dba, "commit"), "ok");
  EXPECT_EQ(dba.value("select ten from hr2.v1"), "1010");
  EXPECT_EQ(dba.value("select hr2.f1 from dual"), "1");
  EXPECT_EQ(dba.rows("select object_name || ':' || object_type from all_objects where owner = 'HR2'"
                     " order by object_name, object_type"),
            (std::vector<std::string>{"F1:FUNCTION", "P1:PROCEDURE", "PK:PACKAGE", "PT:TYPE", "S1:SEQUENCE",
                                      "T1:TABLE", "V1:VIEW"}));
  EXPECT_EQ(dba.value("select count(*) from dba_objects where owner = 'HR2'"), "7");
  EXPECT_EQ(dba.value("select count(*) from user_objects"), "0");
  // A schema that does not exist, for every kind.
  for (const char* sql : {"create table nobody.t (x number)", "create sequence nobody.s",
                          "create view nobody.v as select 1 x from dual", "create synonym nobody.s for hr2.t1",
                          "create procedure nobody.p is begin null; end;", "create type nobody.t as object (x number)",
                          "create trigger nobody.tr before insert on hr2.t1 begin null; end;"})
    EXPECT_EQ(run(dba, sql), "ORA-01918") << sql;
  // The owner finds them in its own schema when it logs on later.
  OciSession hr2;
  connect(hr2, "hr2", "hr2");
  EXPECT_EQ(hr2.rows("select object_name from user_objects where object_type in ('TABLE', 'VIEW', 'SYNONYM')"
                     " order by 1"),
            (std::vector<std::string>{"SYN1", "T1", "V1"}));
  EXPECT_EQ(run(hr2, "begin p1; end;"), "ok");
  EXPECT_EQ(hr2.rows("select id from syn1 order by id"), (std::vector<std::string>{"101", "102"}));
  EXPECT_EQ(hr2.value("select f1 + pk.two from dual"), "4");
  EXPECT_EQ(run(hr2, "commit"), "ok");
}

TEST_F(Schemas, AnyPrivilegesGovernOtherSchemas) {
  OciSession dba, bob;
  connect(dba, "system", "manager");
  ASSERT_EQ(run(dba, "create user app identified by app"), "ok");  // never logs on
  connect(bob, "bob", "b");
  EXPECT_EQ(run(bob, "create table app.t (x number)"), "ORA-01031");
  EXPECT_EQ(run(bob, "create sequence app.s"), "ORA-01031");
  EXPECT_EQ(run(bob, "create view app.v as select 1 x from dual"), "ORA-01031");
  EXPECT_EQ(run(bob, "create synonym app.syn for dual"), "ORA-01031");
  EXPECT_EQ(run(bob, "create procedure app.p is begin null; end;"), "ORA-01031");
  EXPECT_EQ(run(bob, "create table nobody.t (x number)"), "ORA-01918");
  for (const char* p : {"create any table", "create any sequence", "create any view", "create any synonym",
                        "create any procedure"})
    ASSERT_EQ(run(dba, std::string("grant ") + p + " to bob"), "ok") << p;
  EXPECT_EQ(run(bob, "create table app.t (x number)"), "ok");
  EXPECT_EQ(run(bob, "create sequence app.s"), "ok");
  EXPECT_EQ(run(bob, "create view app.v as select 1 x from dual"), "ok");
  EXPECT_EQ(run(bob, "create synonym app.syn for app.t"), "ok");
  EXPECT_EQ(run(bob, "create procedure app.p is begin null; end;"), "ok");
  EXPECT_EQ(dba.rows("select object_name from all_objects where owner = 'APP' order by 1"),
            (std::vector<std::string>{"P", "S", "T", "V"}));
  ASSERT_EQ(run(dba, "alter session set current_schema = app"), "ok");
  EXPECT_EQ(dba.value("select count(*) from syn"), "0");
  ASSERT_EQ(run(dba, "alter session set current_schema = system"), "ok");
  // Altering and dropping there asks for the ANY privileges of those statements.
  EXPECT_EQ(run(bob, "alter sequence app.s increment by 2"), "ORA-02289");
  EXPECT_EQ(run(bob, "drop synonym app.syn"), "ORA-01031");
  ASSERT_EQ(run(dba, "grant alter any sequence, drop any synonym to bob"), "ok");
  EXPECT_EQ(run(bob, "alter sequence app.s increment by 2"), "ok");
  EXPECT_EQ(run(bob, "drop synonym app.syn"), "ok");
}

TEST_F(Schemas, CurrentSchemaIsWhereUnqualifiedNamesGo) {
  OciSession dba, bob;
  connect(dba, "system", "manager");
  ASSERT_EQ(run(dba, "create user app identified by app"), "ok");
  EXPECT_EQ(run(dba, "alter session set current_schema = app"), "ok");
  EXPECT_EQ(dba.value("select sys_context('USERENV', 'CURRENT_SCHEMA') || ' ' || user from dual"), "APP SYSTEM");
  {
    // The session handle's attribute says the same.
    OraText* name = nullptr;
    ub4 size = 0;
    ASSERT_EQ(dba.oci->OCIAttrGet(dba.ses, OCI_HTYPE_SESSION, &name, &size, OCI_ATTR_CURRENT_SCHEMA, dba.err),
              OCI_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name), size), "APP");
  }
  EXPECT_EQ(run(dba, "create table t (x number)"), "ok");
  EXPECT_EQ(run(dba, "insert into t values (4)"), "ok");
  EXPECT_EQ(run(dba, "create view v as select x + 1 as y from t"), "ok");  // commits the row
  EXPECT_EQ(run(dba, "create sequence sq start with 5"), "ok");
  EXPECT_EQ(run(dba, "create procedure pr is begin insert into t values (sq.nextval); end;"), "ok");
  EXPECT_EQ(run(dba, "begin pr; end;"), "ok");
  EXPECT_EQ(dba.rows("select y from v order by y"), (std::vector<std::string>{"5", "6"}));
  EXPECT_EQ(dba.rows("select object_name from all_objects where owner = 'APP' order by 1"),
            (std::vector<std::string>{"PR", "SQ", "T", "V"}));
  EXPECT_EQ(run(dba, "alter session set current_schema = nobody"), "ORA-01435");
  EXPECT_EQ(run(dba, "alter session set current_schema = public"), "ORA-01435");
  EXPECT_EQ(dba.value("select count(*) from t"), "2");
  EXPECT_EQ(run(dba, "commit"), "ok");
  // Inside a transaction, for a schema not yet reached: the next DDL commits and creates there.
  ASSERT_EQ(run(dba, "create user app3 identified by app3"), "ok");
  EXPECT_EQ(run(dba, "insert into app.t values (9)"), "ok");
  EXPECT_EQ(run(dba, "alter session set current_schema = app3"), "ok");
  EXPECT_EQ(run(dba, "create table t3 (x number)"), "ok");
  EXPECT_EQ(run(dba, "rollback"), "ok");
  EXPECT_EQ(dba.value("select count(*) from app.t where x = 9"), "1");
  EXPECT_EQ(dba.value("select owner from all_tables where table_name = 'T3'"), "APP3");
  // Privileges stay the session user's.
  connect(bob, "bob", "b");
  EXPECT_EQ(run(bob, "alter session set current_schema = app"), "ok");
  EXPECT_EQ(run(bob, "create table t2 (x number)"), "ORA-01031");
  EXPECT_EQ(run(bob, "select x from t"), "ORA-00942");
  EXPECT_EQ(run(dba, "grant select on app.t to bob"), "ok");
  EXPECT_EQ(bob.value("select count(*) from t"), "3");
}

TEST_F(Schemas, DdlInsideAnOpenTransactionCommitsAndReachesTheSchema) {
  OciSession dba;
  connect(dba, "system", "manager");
  ASSERT_EQ(run(dba, "create table log (x number)"), "ok");
  ASSERT_EQ(run(dba, "create user hr4 identified by hr4"), "ok");
  ASSERT_EQ(run(dba, "create user hr5 identified by hr5"), "ok");
  EXPECT_EQ(run(dba, "insert into log values (1)"), "ok");
  EXPECT_EQ(run(dba, "create view hr4.v as select 1 x from dual"), "ok");
  EXPECT_EQ(run(dba, "insert into log values (2)"), "ok");
  EXPECT_EQ(run(dba, "begin insert into log values (3); execute immediate 'create table hr5.t (x number)'; end;"),
            "ok");
  EXPECT_EQ(run(dba, "rollback"), "ok");
  EXPECT_EQ(dba.rows("select x from log order by x"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(dba.value("select x from hr4.v"), "1");
  EXPECT_EQ(dba.value("select count(*) from hr5.t"), "0");
}

}  // namespace

// Privileges enforced across schemas, through OCI with sessions of different users of one
// database: object privileges granted directly, through roles and PUBLIC, the ANY
// privileges, synonyms, stored units running with their owner's privileges, the ALL_
// views, and the system privileges a logon and each CREATE need.
#include "oci_session.h"

#include <algorithm>
#include <filesystem>

namespace {

class ObjectPrivileges : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
  }
  static void connect(OciSession& session, const std::string& user, const std::string& password) {
    ASSERT_EQ(session.connect(user, password, "privs"), OCI_SUCCESS) << session.error_text();
  }
  static std::string run(OciSession& session, const std::string& sql) {
    if (session.exec(sql) == OCI_SUCCESS) return "ok";
    return session.error_text().substr(0, 9);  // "ORA-nnnnn"
  }
  static std::string logon(const std::string& user, const std::string& password) {
    OciSession s;
    if (s.connect(user, password, "privs") == OCI_SUCCESS) return "ok";
    return s.error_text().substr(0, 9);
  }
};

TEST_F(ObjectPrivileges, GrantsOpenTablesAndViewsOfAnotherSchema) {
  OciSession sys, alice, bob;
  connect(sys, "sys", "syspw");
  connect(alice, "alice", "a");
  connect(bob, "bob", "b");
  ASSERT_EQ(run(alice, "create table t (x number)"), "ok");
  ASSERT_EQ(run(alice, "insert into t values (1)"), "ok");
  ASSERT_EQ(run(alice, "create table secret (s varchar2(10))"), "ok");
  ASSERT_EQ(run(alice, "insert into secret values ('hidden')"), "ok");
  ASSERT_EQ(run(alice, "commit"), "ok");
  ASSERT_EQ(run(alice, "create view v as select x * 10 as y from t"), "ok");
  ASSERT_EQ(run(alice, "create sequence sq"), "ok");
  EXPECT_EQ(run(bob, "select alice.sq.nextval from dual"), "ORA-02289");
  EXPECT_EQ(run(bob, "drop sequence alice.sq"), "ORA-02289");
  EXPECT_EQ(run(alice, "grant select on sq to bob"), "ok");
  EXPECT_EQ(bob.value("select alice.sq.nextval from dual"), "1");
  EXPECT_EQ(run(bob, "drop sequence alice.sq"), "ORA-01031");
  // No privilege at all: the table does not exist for bob.
  EXPECT_EQ(run(bob, "select x from alice.t"), "ORA-00942");
  EXPECT_EQ(run(bob, "create synonym at for alice.t"), "ok");
  EXPECT_EQ(run(bob, "select x from at"), "ORA-00942");
  EXPECT_EQ(run(alice, "grant select on t to bob"), "ok");
  EXPECT_EQ(bob.value("select count(*) from alice.t"), "1");
  EXPECT_EQ(bob.value("select x from at"), "1");
  // Reaching one table leaves the rest of the schema hidden.
  EXPECT_EQ(run(bob, "select s from alice.secret"), "ORA-00942");
  EXPECT_EQ(run(bob, "drop table alice.t"), "ORA-01031");
  EXPECT_EQ(run(bob, "select y from alice.v"), "ORA-00942");
  // Some privilege, not the one needed.
  EXPECT_EQ(run(bob, "insert into alice.t values (2)"), "ORA-01031");
  EXPECT_EQ(run(bob, "update at set x = 3"), "ORA-01031");
  EXPECT_EQ(run(bob, "delete from alice.t"), "ORA-01031");
  EXPECT_EQ(run(alice, "grant insert, update, delete on t to bob"), "ok");
  EXPECT_EQ(run(bob, "insert into alice.t values (2)"), "ok");
  EXPECT_EQ(run(bob, "insert into at values (5)"), "ok");
  EXPECT_EQ(run(bob, "delete from at where x = 5"), "ok");
  EXPECT_EQ(run(bob, "update at set x = 3 where x = 2"), "ok");
  EXPECT_EQ(run(bob, "commit"), "ok");
  EXPECT_EQ(alice.value("select sum(x) from t"), "4");
  EXPECT_EQ(run(bob, "delete from alice.t where x = 3"), "ok");
  EXPECT_EQ(run(bob, "commit"), "ok");
  // A revoke counts from the next statement on.
  EXPECT_EQ(run(alice, "revoke select on t from bob"), "ok");
  EXPECT_EQ(run(bob, "select x from alice.t"), "ORA-01031");
  EXPECT_EQ(run(alice, "revoke all on t from bob"), "ok");
  EXPECT_EQ(run(bob, "select x from alice.t"), "ORA-00942");
  // Through PUBLIC and a PUBLIC synonym; a view reads its owner's tables.
  EXPECT_EQ(run(alice, "grant select on v to public"), "ok");
  EXPECT_EQ(run(alice, "create public synonym pv for alice.v"), "ok");
  EXPECT_EQ(bob.value("select y from pv"), "10");
  EXPECT_EQ(run(bob, "select x from alice.t"), "ORA-00942");
  // Through a role granted to a role.
  EXPECT_EQ(run(sys, "create role reader"), "ok");
  EXPECT_EQ(run(sys, "create role team"), "ok");
  EXPECT_EQ(run(alice, "grant select on t to reader"), "ok");
  EXPECT_EQ(run(sys, "grant reader to team"), "ok");
  EXPECT_EQ(run(sys, "grant team to bob"), "ok");
  EXPECT_EQ(bob.value("select count(*) from alice.t"), "1");
  EXPECT_EQ(run(sys, "revoke team from bob"), "ok");
  EXPECT_EQ(run(bob, "select x from alice.t"), "ORA-00942");
  // The ANY privileges reach every schema, each for its own use.
  EXPECT_EQ(run(sys, "grant select any table to bob"), "ok");
  EXPECT_EQ(bob.value("select s from alice.secret"), "hidden");
  EXPECT_EQ(run(bob, "insert into alice.secret values ('x')"), "ORA-01031");
  EXPECT_EQ(run(sys, "revoke select any table from bob"), "ok");
  EXPECT_EQ(run(bob, "select s from alice.secret"), "ORA-00942");
}

TEST_F(ObjectPrivileges, AllViewsListWhatTheUserMayReach) {
  OciSession alice, bob;
  connect(alice, "alice", "a");
  connect(bob, "bob", "b");
  ASSERT_EQ(run(alice, "create table t (x number, y varchar2(5))"), "ok");
  ASSERT_EQ(run(alice, "create table hidden (z number)"), "ok");
  ASSERT_EQ(run(alice, "create view v as select x from t"), "ok");
  ASSERT_EQ(run(bob, "create table mine (m number)"), "ok");
  EXPECT_EQ(bob.value("select count(*) from all_objects where owner = 'ALICE'"), "0");
  EXPECT_EQ(run(alice, "grant select on t to bob"), "ok");
  EXPECT_EQ(run(alice, "grant select on v to bob"), "ok");
  EXPECT_EQ(bob.rows("select owner || '.' || table_name from all_tables where owner in ('ALICE', 'BOB')"
                     " order by 1"),
            (std::vector<std::string>{"ALICE.T", "BOB.MINE"}));
  EXPECT_EQ(bob.rows("select column_name || ':' || data_type from all_tab_columns where owner = 'ALICE'"
                     " and table_name = 'T' order by column_id"),
            (std::vector<std::string>{"X:NUMBER", "Y:VARCHAR2"}));
  EXPECT_EQ(bob.value("select count(*) from all_tab_columns where table_name = 'HIDDEN'"), "0");
  EXPECT_EQ(bob.rows("select object_name || ':' || object_type from all_objects where owner = 'ALICE'"
                     " order by 1"),
            (std::vector<std::string>{"T:TABLE", "V:VIEW"}));
  EXPECT_EQ(bob.rows("select owner || '.' || view_name from all_views where owner = 'ALICE'"),
            (std::vector<std::string>{"ALICE.V"}));
  EXPECT_EQ(bob.value("select count(*) from user_views"), "0");
}

TEST_F(ObjectPrivileges, StoredUnitsRunWithTheirOwnersDirectPrivileges) {
  OciSession sys, alice, bob, carol;
  connect(sys, "sys", "syspw");
  connect(alice, "alice", "a");
  connect(bob, "bob", "b");
  connect(carol, "carol", "c");
  ASSERT_EQ(run(alice, "create table t (x number)"), "ok");
  ASSERT_EQ(run(alice, "insert into t values (7)"), "ok");
  ASSERT_EQ(run(alice, "commit"), "ok");
  ASSERT_EQ(run(sys, "create role reader"), "ok");
  ASSERT_EQ(run(alice, "grant select on t to reader"), "ok");
  ASSERT_EQ(run(sys, "grant reader to bob"), "ok");
  // The role serves bob's own statements and anonymous blocks, not his stored units.
  EXPECT_EQ(bob.value("select x from alice.t"), "7");
  EXPECT_EQ(run(bob, "declare n number; begin select x into n from alice.t; end;"), "ok");
  EXPECT_EQ(bob.exec("create or replace function peek return number is n number;"
                     " begin select x into n from alice.t; return n; end;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(bob.value("select status from user_objects where object_name = 'PEEK'"), "INVALID");
  EXPECT_EQ(run(alice, "grant select on t to bob"), "ok");
  EXPECT_EQ(run(bob, "alter function peek compile"), "ok");
  EXPECT_EQ(bob.value("select peek from dual"), "7");
  // Carol reaches the table only through bob's function, once granted EXECUTE on it.
  EXPECT_EQ(run(carol, "select bob.peek from dual"), "ORA-00904");
  EXPECT_EQ(run(bob, "grant execute on peek to carol"), "ok");
  EXPECT_EQ(carol.value("select bob.peek from dual"), "7");
  EXPECT_EQ(run(carol, "select x from alice.t"), "ORA-00942");
  // ... and bob's own tables the same way.
  ASSERT_EQ(run(bob, "create table mine (m number)"), "ok");
  ASSERT_EQ(run(bob, "insert into mine values (3)"), "ok");
  ASSERT_EQ(run(bob, "commit"), "ok");
  ASSERT_EQ(run(bob, "create or replace function total return number is n number;"
                     " begin select sum(m) into n from mine; return n; end;"),
            "ok");
  EXPECT_EQ(run(bob, "grant execute on total to carol"), "ok");
  EXPECT_EQ(carol.value("select bob.total from dual"), "3");
  EXPECT_EQ(run(carol, "select m from bob.mine"), "ORA-00942");
  ASSERT_EQ(run(bob, "create or replace procedure add_row(v number) is begin"
                     " execute immediate 'insert into alice.t values (:1)' using v; end;"),
            "ok");
  EXPECT_EQ(run(bob, "grant execute on add_row to carol"), "ok");
  // Dynamic SQL of the unit runs with bob's privileges, which lack INSERT.
  EXPECT_EQ(run(carol, "begin bob.add_row(8); end;"), "ORA-01031");
  EXPECT_EQ(run(alice, "grant insert on t to bob"), "ok");
  EXPECT_EQ(run(carol, "begin bob.add_row(8); end;"), "ok");
  EXPECT_EQ(run(carol, "commit"), "ok");
  EXPECT_EQ(alice.value("select count(*) from t"), "2");
  // EXECUTE ANY PROCEDURE opens every schema's units.
  ASSERT_EQ(run(alice, "create or replace procedure touch is begin null; end;"), "ok");
  EXPECT_NE(run(carol, "begin alice.touch; end;"), "ok");
  EXPECT_EQ(run(sys, "grant execute any procedure to carol"), "ok");
  EXPECT_EQ(run(carol, "begin alice.touch; end;"), "ok");
}

TEST_F(ObjectPrivileges, SystemPrivilegesGateLogonAndCreation) {
  OciSession sys;
  connect(sys, "sys", "syspw");
  ASSERT_EQ(run(sys, "create user dan identified by d"), "ok");
  EXPECT_EQ(logon("dan", "d"), "ORA-01045");
  EXPECT_EQ(run(sys, "grant create session to dan"), "ok");
  OciSession dan;
  connect(dan, "dan", "d");
  const char* const creates[] = {"create table t (x number)", "create view v as select 1 as one from dual",
                                 "create sequence s", "create procedure p is begin null; end;",
                                 "create synonym d for dual"};
  for (const char* sql : creates) EXPECT_EQ(run(dan, sql), "ORA-01031") << sql;
  EXPECT_EQ(run(sys, "grant resource to dan"), "ok");
  EXPECT_EQ(run(dan, "create table t (x number)"), "ok");
  EXPECT_EQ(run(dan, "create sequence s"), "ok");
  EXPECT_EQ(run(dan, "create procedure p is begin null; end;"), "ok");
  EXPECT_EQ(run(dan, "create view v as select x from t"), "ORA-01031");
  EXPECT_EQ(run(sys, "grant create view to dan"), "ok");
  EXPECT_EQ(run(dan, "create view v as select x from t"), "ok");
  EXPECT_EQ(run(sys, "revoke create session from dan"), "ok");
  EXPECT_EQ(logon("dan", "d"), "ORA-01045");
  // A user made by its first logon holds, recorded, what lets it work in its schema.
  OciSession eve;
  connect(eve, "eve", "e");
  EXPECT_EQ(eve.rows("select granted_role from user_role_privs order by 1"),
            (std::vector<std::string>{"CONNECT", "RESOURCE"}));
  const std::vector<std::string> privs = eve.rows("select privilege from session_privs");
  for (const char* p : {"CREATE SESSION", "CREATE TABLE", "CREATE VIEW", "CREATE SYNONYM", "CREATE PROCEDURE"})
    EXPECT_NE(std::find(privs.begin(), privs.end(), p), privs.end()) << p;
  EXPECT_EQ(run(eve, "create table dan.t2 (x number)"), "ORA-01031");
}

}  // namespace

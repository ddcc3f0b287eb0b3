// Users, roles and privileges through OCI, with several sessions logged on as different
// users of one database: CREATE/ALTER/DROP USER, CREATE/DROP ROLE, GRANT and REVOKE,
// the dictionary views that show them and the errors of each.
#include "oci_session.h"

#include <algorithm>
#include <filesystem>

namespace {

class UsersGrants : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
  }
  static void connect(OciSession& session, const std::string& user, const std::string& password) {
    ASSERT_EQ(session.connect(user, password, "grants"), OCI_SUCCESS) << session.error_text();
  }
  static std::string run(OciSession& session, const std::string& sql) {
    if (session.exec(sql) == OCI_SUCCESS) return "ok";
    std::string text = session.error_text();
    return text.substr(0, 9);  // "ORA-nnnnn"
  }
  static std::string logon(const std::string& user, const std::string& password) {
    OciSession s;
    if (s.connect(user, password, "grants") == OCI_SUCCESS) return "ok";
    return s.error_text().substr(0, 9);
  }
  static bool has(const std::vector<std::string>& rows, const std::string& row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
  }
};

TEST_F(UsersGrants, CreateUserMakesAnAccountThatChecksItsPassword) {
  OciSession sys;
  connect(sys, "sys", "syspw");
  EXPECT_EQ(run(sys, "create user app identified by apw default tablespace users temporary tablespace temp"
                     " quota unlimited on users"),
            "ok");
  // A user made by CREATE USER logs on once granted CREATE SESSION.
  EXPECT_EQ(logon("app", "apw"), "ORA-01045");
  EXPECT_EQ(run(sys, "grant create session to app"), "ok");
  EXPECT_EQ(logon("app", "apw"), "ok");
  EXPECT_EQ(logon("app", "wrong"), "ORA-01017");
  EXPECT_EQ(run(sys, "create user app identified by other"), "ORA-01920");
  EXPECT_EQ(run(sys, "create role approle"), "ok");
  EXPECT_EQ(run(sys, "create user approle identified by x"), "ORA-01920");
  EXPECT_EQ(run(sys, "create role app"), "ORA-01921");
  EXPECT_EQ(run(sys, "create user bad"), "ORA-01938");
  EXPECT_EQ(run(sys, "create user ts identified by p default tablespace data profile default account lock"), "ok");
  EXPECT_EQ(sys.value("select account_status || ',' || default_tablespace || ',' || temporary_tablespace || ',' ||"
                      " profile from dba_users where username = 'TS'"),
            "LOCKED,DATA,TEMP,DEFAULT");
  EXPECT_EQ(sys.value("select account_status from dba_users where username = 'APP'"), "OPEN");
}

TEST_F(UsersGrants, OnlyPrivilegedUsersManageUsers) {
  OciSession sys, scott;
  connect(sys, "sys", "syspw");
  connect(scott, "scott", "tiger");
  EXPECT_EQ(run(scott, "create user app identified by apw"), "ORA-01031");
  EXPECT_EQ(run(sys, "grant create user to scott"), "ok");
  EXPECT_EQ(run(scott, "create user app identified by apw"), "ok");
  EXPECT_EQ(run(scott, "alter user app account lock"), "ORA-01031");
  EXPECT_EQ(run(scott, "drop user app"), "ORA-01031");
  // The DBA role carries every system privilege.
  EXPECT_EQ(run(sys, "revoke create user from scott"), "ok");
  EXPECT_EQ(run(scott, "create user app2 identified by p"), "ORA-01031");
  EXPECT_EQ(run(sys, "grant dba to scott"), "ok");
  EXPECT_EQ(run(scott, "create user app2 identified by p"), "ok");
  EXPECT_EQ(run(scott, "drop user app2"), "ok");
  // Anyone may change their own password, and nothing else of their account.
  EXPECT_EQ(run(sys, "revoke dba from scott"), "ok");
  EXPECT_EQ(run(scott, "alter user scott identified by lion"), "ok");
  EXPECT_EQ(logon("scott", "lion"), "ok");
  EXPECT_EQ(run(scott, "alter user scott account unlock"), "ORA-01031");
}

TEST_F(UsersGrants, AlterUserChangesPasswordsAndLocks) {
  OciSession sys;
  connect(sys, "sys", "syspw");
  ASSERT_EQ(run(sys, "create user app identified by apw"), "ok");
  ASSERT_EQ(run(sys, "grant create session to app"), "ok");
  EXPECT_EQ(run(sys, "alter user app identified by newpw"), "ok");
  EXPECT_EQ(logon("app", "apw"), "ORA-01017");
  EXPECT_EQ(logon("app", "newpw"), "ok");
  EXPECT_EQ(run(sys, "alter user app quota 10m on users"), "ok");
  EXPECT_EQ(run(sys, "alter user app account lock"), "ok");
  EXPECT_EQ(logon("app", "newpw"), "ORA-28000");
  EXPECT_EQ(logon("app", "wrong"), "ORA-01017");
  EXPECT_EQ(sys.value("select account_status || ':' || nvl2(lock_date, 'dated', 'undated') from dba_users"
                      " where username = 'APP'"),
            "LOCKED:dated");
  EXPECT_EQ(run(sys, "alter user app account unlock"), "ok");
  EXPECT_EQ(logon("app", "newpw"), "ok");
  EXPECT_EQ(run(sys, "alter user app password expire"), "ok");
  EXPECT_EQ(sys.value("select account_status from dba_users where username = 'APP'"), "EXPIRED");
  EXPECT_EQ(run(sys, "alter user app identified by third"), "ok");
  EXPECT_EQ(sys.value("select account_status from dba_users where username = 'APP'"), "OPEN");
  EXPECT_EQ(run(sys, "alter user app default tablespace tools temporary tablespace temp2"), "ok");
  EXPECT_EQ(sys.value("select default_tablespace || ',' || temporary_tablespace from dba_users"
                      " where username = 'APP'"),
            "TOOLS,TEMP2");
  EXPECT_EQ(run(sys, "alter user nobody identified by x"), "ORA-01918");
  EXPECT_EQ(run(sys, "alter user app"), "ORA-00922");
}

TEST_F(UsersGrants, DropUserNeedsCascadeForObjectsAndNoSessions) {
  OciSession sys;
  connect(sys, "sys", "syspw");
  ASSERT_EQ(run(sys, "create user app identified by apw"), "ok");
  ASSERT_EQ(run(sys, "create user empty identified by e"), "ok");
  ASSERT_EQ(run(sys, "grant create session, create table to app"), "ok");
  {
    OciSession app;
    connect(app, "app", "apw");
    ASSERT_EQ(run(app, "create table t (x number)"), "ok");
    ASSERT_EQ(run(app, "insert into t values (1)"), "ok");
    ASSERT_EQ(run(app, "commit"), "ok");
    EXPECT_EQ(run(sys, "drop user app cascade"), "ORA-01940");
  }
  EXPECT_EQ(run(sys, "drop user app"), "ORA-01922");
  EXPECT_EQ(sys.error_text(), "ORA-01922: CASCADE must be specified to drop 'APP'\n");
  EXPECT_EQ(run(sys, "grant create session to app"), "ok");
  EXPECT_EQ(run(sys, "drop user app cascade"), "ok");
  EXPECT_EQ(sys.value("select count(*) from dba_users where username = 'APP'"), "0");
  EXPECT_EQ(sys.value("select count(*) from dba_sys_privs where grantee = 'APP'"), "0");
  EXPECT_EQ(sys.value("select count(*) from all_tab_columns where owner = 'APP'"), "0");
  EXPECT_EQ(run(sys, "drop user empty"), "ok");
  EXPECT_EQ(run(sys, "drop user app"), "ORA-01918");
  // A first logon of the name starts afresh: the old schema's table is gone.
  OciSession again;
  connect(again, "app", "another");
  EXPECT_EQ(again.value("select count(*) from user_tables"), "0");
  EXPECT_EQ(run(again, "create table t (x number)"), "ok");
}

TEST_F(UsersGrants, SystemPrivilegesAndRolesShowInTheDictionary) {
  OciSession sys;
  connect(sys, "sys", "syspw");
  ASSERT_EQ(run(sys, "create user app identified by apw"), "ok");
  EXPECT_EQ(run(sys, "grant connect, resource to app"), "ok");
  EXPECT_EQ(run(sys, "grant create session, create table, create view to app"), "ok");
  EXPECT_EQ(run(sys, "grant create any table to app with admin option"), "ok");
  OciSession app;
  connect(app, "app", "apw");
  EXPECT_EQ(app.rows("select username, privilege, admin_option from user_sys_privs order by privilege"),
            (std::vector<std::string>{"APP|CREATE ANY TABLE|YES", "APP|CREATE SESSION|NO", "APP|CREATE TABLE|NO",
                                      "APP|CREATE VIEW|NO"}));
  EXPECT_EQ(app.rows("select granted_role, admin_option from user_role_privs order by 1"),
            (std::vector<std::string>{"CONNECT|NO", "RESOURCE|NO"}));
  EXPECT_EQ(app.rows("select role from session_roles order by 1"),
            (std::vector<std::string>{"CONNECT", "RESOURCE"}));
  const std::vector<std::string> privs = app.rows("select privilege from session_privs");
  EXPECT_TRUE(has(privs, "CREATE SEQUENCE"));  // through RESOURCE
  EXPECT_TRUE(has(privs, "CREATE VIEW"));
  EXPECT_FALSE(has(privs, "CREATE USER"));
  EXPECT_TRUE(has(app.rows("select role || ':' || privilege from role_sys_privs"), "CONNECT:CREATE SESSION"));
  EXPECT_EQ(sys.rows("select grantee, granted_role from dba_role_privs where grantee = 'APP' order by 2"),
            (std::vector<std::string>{"APP|CONNECT", "APP|RESOURCE"}));
  EXPECT_EQ(sys.value("select count(*) from dba_sys_privs where grantee = 'APP'"), "4");
  // With the admin option the grantee passes the privilege on; without it, not.
  ASSERT_EQ(run(sys, "create user other identified by o"), "ok");
  EXPECT_EQ(run(app, "grant create any table to other"), "ok");
  EXPECT_EQ(run(app, "grant create view to other"), "ORA-01031");
  EXPECT_EQ(run(app, "grant connect to other"), "ORA-01031");
  // Revoking: what was granted goes; what was not is an error.
  EXPECT_EQ(run(sys, "revoke create view from app"), "ok");
  EXPECT_EQ(run(sys, "revoke create view from app"), "ORA-01952");
  EXPECT_EQ(run(sys, "revoke dba from app"), "ORA-01951");
  EXPECT_EQ(run(sys, "revoke resource from app"), "ok");
  EXPECT_FALSE(has(app.rows("select privilege from session_privs"), "CREATE SEQUENCE"));
  // A predefined role keeps what was revoked from it across logons.
  EXPECT_EQ(run(sys, "revoke create session from connect"), "ok");
  OciSession later;
  connect(later, "app", "apw");
  EXPECT_EQ(later.value("select count(*) from role_sys_privs where role = 'CONNECT'"), "0");
  EXPECT_EQ(sys.value("select count(*) from dba_sys_privs where grantee = 'DBA' and privilege = 'CREATE USER'"), "1");
  // Names that are no privilege, role or grantee.
  EXPECT_EQ(run(sys, "grant create frobnicator to app"), "ORA-00990");
  EXPECT_EQ(run(sys, "grant nosuchrole to app"), "ORA-01919");
  EXPECT_EQ(run(sys, "grant create session to nobody"), "ORA-01917");
  EXPECT_EQ(run(app, "grant create any table to app"), "ORA-01749");
}

TEST_F(UsersGrants, RolesAreCreatedGrantedAndDropped) {
  OciSession sys;
  connect(sys, "sys", "syspw");
  ASSERT_EQ(run(sys, "create user app identified by apw"), "ok");
  EXPECT_EQ(run(sys, "create role clerk"), "ok");
  EXPECT_EQ(run(sys, "create role clerk"), "ORA-01921");
  EXPECT_EQ(run(sys, "create role senior"), "ok");
  EXPECT_EQ(run(sys, "grant create session, create table to clerk"), "ok");
  EXPECT_EQ(run(sys, "grant clerk to senior"), "ok");
  EXPECT_EQ(run(sys, "grant senior to clerk"), "ORA-01934");
  EXPECT_EQ(run(sys, "grant senior to app"), "ok");
  EXPECT_TRUE(has(sys.rows("select role from dba_roles"), "CLERK"));
  OciSession app;
  connect(app, "app", "apw");
  // Privileges of a role granted to a role reach the user.
  EXPECT_TRUE(has(app.rows("select privilege from session_privs"), "CREATE TABLE"));
  EXPECT_EQ(app.rows("select role from session_roles order by 1"), (std::vector<std::string>{"CLERK", "SENIOR"}));
  EXPECT_EQ(run(app, "drop role clerk"), "ORA-01031");
  EXPECT_EQ(run(sys, "drop role clerk"), "ok");
  EXPECT_EQ(run(sys, "drop role clerk"), "ORA-01919");
  EXPECT_FALSE(has(app.rows("select privilege from session_privs"), "CREATE TABLE"));
  EXPECT_EQ(sys.value("select count(*) from dba_sys_privs where grantee = 'CLERK'"), "0");
}

TEST_F(UsersGrants, ObjectPrivilegesAreRecordedPerGrantor) {
  OciSession sys, demo;
  connect(sys, "sys", "syspw");
  connect(demo, "demo", "demo");
  ASSERT_EQ(run(sys, "create user app identified by apw"), "ok");
  ASSERT_EQ(run(sys, "create user third identified by t"), "ok");
  ASSERT_EQ(run(sys, "grant create session to app, third"), "ok");
  ASSERT_EQ(run(demo, "create table emp (empno number primary key, ename varchar2(10))"), "ok");
  ASSERT_EQ(run(demo, "create sequence emp_seq"), "ok");
  ASSERT_EQ(run(demo, "create view emp_v as select ename from emp"), "ok");
  ASSERT_EQ(run(demo, "create or replace procedure raise_all is begin null; end;"), "ok");
  EXPECT_EQ(run(demo, "grant select, insert on demo.emp to app"), "ok");
  EXPECT_EQ(run(demo, "grant execute on demo.raise_all to app with grant option"), "ok");
  EXPECT_EQ(run(demo, "grant select on emp_seq to app"), "ok");
  EXPECT_EQ(run(demo, "grant all on emp_v to third"), "ok");
  EXPECT_EQ(demo.rows("select grantee, table_name, privilege, grantable from user_tab_privs_made"
                      " order by 1, 2, 3"),
            (std::vector<std::string>{"APP|EMP|INSERT|NO", "APP|EMP|SELECT|NO", "APP|EMP_SEQ|SELECT|NO",
                                      "APP|RAISE_ALL|EXECUTE|YES", "THIRD|EMP_V|DELETE|NO",
                                      "THIRD|EMP_V|INSERT|NO", "THIRD|EMP_V|SELECT|NO",
                                      "THIRD|EMP_V|UPDATE|NO"}));
  OciSession app;
  connect(app, "app", "apw");
  EXPECT_EQ(app.rows("select owner, table_name, grantor, privilege from user_tab_privs_recd"
                     " where table_name = 'EMP' order by privilege"),
            (std::vector<std::string>{"DEMO|EMP|DEMO|INSERT", "DEMO|EMP|DEMO|SELECT"}));
  // Passing on needs the grant option; a grant made that way is the grantee's own.
  EXPECT_EQ(run(app, "grant select on demo.emp to third"), "ORA-01031");
  EXPECT_EQ(run(app, "grant execute on demo.raise_all to third"), "ok");
  EXPECT_EQ(sys.rows("select grantee, grantor from dba_tab_privs where table_name = 'RAISE_ALL' order by 1"),
            (std::vector<std::string>{"APP|DEMO", "THIRD|APP"}));
  EXPECT_EQ(run(app, "revoke execute on demo.raise_all from third"), "ok");
  // Revoking what was not granted, by the revoker or at all.
  EXPECT_EQ(run(demo, "revoke insert on demo.emp from app"), "ok");
  EXPECT_EQ(run(demo, "revoke insert on demo.emp from app"), "ORA-01927");
  EXPECT_EQ(run(app, "revoke select on demo.emp from app"), "ORA-01749");
  EXPECT_EQ(app.rows("select privilege from user_tab_privs where table_name = 'EMP'"),
            (std::vector<std::string>{"SELECT"}));
  // Errors of names and of privileges that do not fit the object.
  EXPECT_EQ(run(demo, "grant select on demo.nothing to app"), "ORA-00942");
  EXPECT_EQ(run(demo, "grant select on emp to nobody"), "ORA-01917");
  EXPECT_EQ(run(demo, "grant frob on emp to app"), "ORA-00990");
  EXPECT_EQ(run(demo, "grant insert on emp_seq to app"), "ORA-02205");
  EXPECT_EQ(run(demo, "grant select on raise_all to app"), "ORA-02225");
  EXPECT_EQ(run(demo, "grant execute on emp to app"), "ORA-02224");
  // Neither owner nor holder of the privilege: no grant.
  OciSession third;
  connect(third, "third", "t");
  EXPECT_EQ(run(third, "grant select on demo.emp to app"), "ORA-01031");
  EXPECT_EQ(run(sys, "grant select on demo.emp to third"), "ok");
  EXPECT_EQ(sys.value("select grantor from dba_tab_privs where grantee = 'THIRD' and table_name = 'EMP'"), "SYS");
}

}  // namespace

namespace {

// A privilege passed on WITH GRANT OPTION goes with the grant it came from: REVOKE takes
// it from every grantee down the chain, while a grantee who holds it by another grant
// with the option keeps what it passed on. Password hashes show only to the privileged.
TEST_F(UsersGrants, RevokeCascadesThroughGrantOptionsAndHashesStayHidden) {
  OciSession sys, owner, mid, last, other;
  connect(sys, "sys", "syspw");
  ASSERT_EQ(run(sys, "create user casc_mid identified by m"), "ok");
  ASSERT_EQ(run(sys, "create user casc_last identified by l"), "ok");
  ASSERT_EQ(run(sys, "create user casc_other identified by o"), "ok");
  ASSERT_EQ(run(sys, "grant create session to casc_mid, casc_last, casc_other"), "ok");
  connect(owner, "casc_owner", "p");
  ASSERT_EQ(run(owner, "create table ledger (n number)"), "ok");
  ASSERT_EQ(run(owner, "insert into ledger values (1)"), "ok");
  ASSERT_EQ(run(owner, "commit"), "ok");
  ASSERT_EQ(run(owner, "grant select on ledger to casc_mid with grant option"), "ok");
  connect(mid, "casc_mid", "m");
  ASSERT_EQ(run(mid, "grant select on casc_owner.ledger to casc_last with grant option"), "ok");
  connect(last, "casc_last", "l");
  ASSERT_EQ(run(last, "grant select on casc_owner.ledger to casc_other"), "ok");
  connect(other, "casc_other", "o");
  EXPECT_EQ(other.value("select count(*) from casc_owner.ledger"), "1") << other.error_text();
  ASSERT_EQ(run(owner, "revoke select on ledger from casc_mid"), "ok");
  EXPECT_EQ(sys.rows("select grantee from dba_tab_privs where table_name = 'LEDGER'"), std::vector<std::string>{});
  for (const char* user : {"casc_mid", "casc_last", "casc_other"}) {
    OciSession again;
    connect(again, user, user == std::string("casc_mid") ? "m" : user == std::string("casc_last") ? "l" : "o");
    EXPECT_EQ(run(again, "select count(*) from casc_owner.ledger"), "ORA-00942") << user;
  }
  // Held twice with the option: revoking one grant leaves what was passed on.
  ASSERT_EQ(run(owner, "grant select on ledger to casc_mid with grant option"), "ok");
  ASSERT_EQ(run(owner, "grant select on ledger to casc_last with grant option"), "ok");
  ASSERT_EQ(run(mid, "grant select on casc_owner.ledger to casc_last with grant option"), "ok");
  ASSERT_EQ(run(last, "grant select on casc_owner.ledger to casc_other"), "ok");
  ASSERT_EQ(run(owner, "revoke select on ledger from casc_mid"), "ok");
  EXPECT_EQ(sys.rows("select grantee || ' from ' || grantor from dba_tab_privs where table_name = 'LEDGER'"
                     " order by 1"),
            (std::vector<std::string>{"CASC_LAST from CASC_OWNER", "CASC_OTHER from CASC_LAST"}));
  // DBA_USERS gives the hash to SYS and DBAs only.
  EXPECT_EQ(owner.value("select count(*) from dba_users where password is not null"), "0");
  EXPECT_EQ(sys.value("select count(*) from dba_users where username = 'CASC_MID' and password is not null"), "1");
}

}  // namespace

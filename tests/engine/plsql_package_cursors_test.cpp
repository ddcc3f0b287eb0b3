// Package cursors used from outside their package (state kept between blocks, parameters,
// a header cursor whose query is in the body, the errors), invoker's against definer's rights
// with two users owning a table of the same name, and the USER_/ALL_PROCEDURES rows.
#include "oci_session.h"

#include <filesystem>

namespace {

class PackageCursors : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
  }
  static void connect(OciSession& session, const std::string& user, const std::string& password) {
    ASSERT_EQ(session.connect(user, password, "pkgcur"), OCI_SUCCESS) << session.error_text();
  }
  static std::string run(OciSession& session, const std::string& sql) {
    if (session.exec(sql) == OCI_SUCCESS) return "ok";
    return session.error_text();
  }
  // Runs a block that sets :out and returns its text, or the error's first code.
  static std::string out_of(OciSession& session, const std::string& block) {
    OciStatement st(session, block);
    char out[512] = "";
    OCIBind* b = nullptr;
    session.oci->OCIBindByName(st.stmt, &b, session.err, reinterpret_cast<const OraText*>(":out"), -1, out,
                               sizeof out, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    if (st.execute(1) != OCI_SUCCESS) return session.error_text();
    return out;
  }
  static void create_package(OciSession& s) {
    ASSERT_EQ(run(s, "create table items (id number, name varchar2(20))"), "ok");
    ASSERT_EQ(run(s, "insert into items select level, 'item' || level from dual connect by level <= 4"), "ok");
    ASSERT_EQ(run(s, "commit"), "ok");
    ASSERT_EQ(run(s, "create or replace package inv is\n"
                     "  cursor all_items is select id, name from items order by id;\n"
                     "  cursor range_of (lo number, hi number default 3) is\n"
                     "    select id from items where id between lo and hi order by id;\n"
                     "  cursor later return items%rowtype;\n"
                     "  function next_name return varchar2;\n"
                     "end;"),
              "ok");
    ASSERT_EQ(run(s, "create or replace package body inv is\n"
                     "  cursor later return items%rowtype is select * from items where id > 2 order by id;\n"
                     "  function next_name return varchar2 is\n"
                     "    r all_items%rowtype;\n"
                     "  begin\n"
                     "    fetch all_items into r;\n"
                     "    return r.name || '#' || all_items%rowcount;\n"
                     "  end;\n"
                     "end;"),
              "ok");
  }
};

TEST_F(PackageCursors, StateStaysOpenBetweenBlocksAndCalls) {
  OciSession s;
  connect(s, "scott", "tiger");
  create_package(s);
  EXPECT_EQ(out_of(s, "begin for r in inv.all_items loop :out := :out || r.name || ' '; end loop; end;"),
            "item1 item2 item3 item4 ");
  // One block opens it, the next fetches, the package's own function goes on from there.
  EXPECT_EQ(out_of(s, "begin open inv.all_items; :out := case when inv.all_items%isopen then 'open' end; end;"),
            "open");
  EXPECT_EQ(out_of(s, "declare r inv.all_items%rowtype; begin fetch inv.all_items into r;"
                      " :out := r.name || ' ' || inv.all_items%rowcount; end;"),
            "item1 1");
  EXPECT_EQ(out_of(s, "begin :out := inv.next_name; end;"), "item2#2");
  EXPECT_EQ(out_of(s, "declare type t is table of inv.all_items%rowtype; rows t;"
                      " begin fetch inv.all_items bulk collect into rows;"
                      " :out := rows.count || ' ' || case when inv.all_items%notfound then 'done' end;"
                      " close inv.all_items; end;"),
            "2 done");
  EXPECT_EQ(out_of(s, "begin :out := case when inv.all_items%isopen then 'open' else 'closed' end; end;"), "closed");
  // Parameters by position, by name and by default; the header cursor whose query is in the body.
  EXPECT_EQ(out_of(s, "begin for r in inv.range_of(2) loop :out := :out || r.id; end loop; end;"), "23");
  EXPECT_EQ(out_of(s, "begin for r in inv.range_of(hi => 4, lo => 3) loop :out := :out || r.id; end loop; end;"),
            "34");
  EXPECT_EQ(out_of(s, "declare r inv.later%rowtype; begin open inv.later; fetch inv.later into r;"
                      " close inv.later; :out := r.id || r.name; end;"),
            "3item3");
  // From a standalone procedure and from another package's body.
  ASSERT_EQ(run(s, "create or replace procedure first_item(n out varchar2) is\n"
                   "begin open inv.all_items; fetch inv.all_items into n, n; close inv.all_items; end;"),
            "ok");
  EXPECT_EQ(out_of(s, "begin first_item(:out); end;"), "item1");
  ASSERT_EQ(run(s, "create or replace package other is function count_items return number; end;"), "ok");
  ASSERT_EQ(run(s, "create or replace package body other is\n"
                   "  function count_items return number is n number := 0;\n"
                   "  begin for r in inv.range_of(1, 4) loop n := n + 1; end loop; return n; end;\n"
                   "end;"),
            "ok");
  EXPECT_EQ(out_of(s, "begin :out := other.count_items; end;"), "4");
  // A packaged function as a range's bound is no cursor.
  ASSERT_EQ(run(s, "create or replace package bounds is function lo(n number) return number; end;"), "ok");
  ASSERT_EQ(run(s, "create or replace package body bounds is\n"
                   "  function lo(n number) return number is begin return n; end;\nend;"),
            "ok");
  EXPECT_EQ(out_of(s, "begin for i in bounds.lo(2) .. 3 loop :out := :out || i; end loop; end;"), "23");
  // A package replaced drops the session's state, its open cursors with it.
  EXPECT_EQ(run(s, "begin open inv.all_items; end;"), "ok");
  EXPECT_EQ(run(s, "create or replace package body inv is\n"
                   "  cursor later return items%rowtype is select * from items order by id;\n"
                   "  function next_name return varchar2 is begin return null; end;\n"
                   "end;"),
            "ok");
  EXPECT_EQ(out_of(s, "begin :out := case when inv.all_items%isopen then 'open' else 'closed' end; end;")
                .substr(0, 9),
            "ORA-04068");
  EXPECT_EQ(out_of(s, "begin :out := case when inv.all_items%isopen then 'open' else 'closed' end; end;"), "closed");
}

TEST_F(PackageCursors, ErrorsOfOpenFetchCloseAndNames) {
  OciSession s;
  connect(s, "scott", "tiger");
  create_package(s);
  EXPECT_EQ(run(s, "begin open inv.all_items; end;"), "ok");
  EXPECT_EQ(run(s, "begin open inv.all_items; end;").substr(0, 49),
            "ORA-06511: PL/SQL: cursor already open\nORA-06512:");
  // A FOR loop over a cursor already open fails the same way, and leaves it open.
  EXPECT_EQ(run(s, "begin for r in inv.all_items loop null; end loop; end;").substr(0, 9), "ORA-06511");
  EXPECT_EQ(run(s, "begin close inv.all_items; end;"), "ok");
  EXPECT_EQ(run(s, "declare n number; m varchar2(20); begin fetch inv.all_items into n, m; end;").substr(0, 9),
            "ORA-01001");
  EXPECT_EQ(run(s, "begin close inv.all_items; end;").substr(0, 9), "ORA-01001");
  EXPECT_EQ(out_of(s, "begin :out := inv.all_items%rowcount; end;").substr(0, 9), "ORA-01001");
  std::string missing = run(s, "begin open inv.nothing; end;");
  EXPECT_NE(missing.find("PLS-00302: component 'NOTHING' must be declared"), std::string::npos) << missing;
  missing = run(s, "begin open nopkg.c; end;");
  EXPECT_NE(missing.find("PLS-00201: identifier 'NOPKG.C' must be declared"), std::string::npos) << missing;
  missing = run(s, "begin for r in nopkg.c loop null; end loop; end;");
  EXPECT_NE(missing.find("PLS-00201"), std::string::npos) << missing;
  missing = run(s, "begin if inv.nothing%isopen then null; end if; end;");
  EXPECT_NE(missing.find("PLS-00302"), std::string::npos) << missing;
  // Too few arguments for a parameter without a default.
  missing = run(s, "begin open inv.range_of; end;");
  EXPECT_NE(missing.find("PLS-00306"), std::string::npos) << missing;
}

TEST_F(PackageCursors, AnotherSchemaNeedsExecute) {
  OciSession alice, bob;
  connect(alice, "alice", "a");
  connect(bob, "bob", "b");
  create_package(alice);
  std::string denied = run(bob, "begin open alice.inv.all_items; end;");
  EXPECT_NE(denied.find("PLS-00201: identifier 'ALICE.INV.ALL_ITEMS' must be declared"), std::string::npos)
      << denied;
  EXPECT_EQ(run(alice, "grant execute on inv to bob"), "ok");
  // Its query runs with the owner's rights: bob reads alice's table through it.
  EXPECT_EQ(out_of(bob, "begin for r in alice.inv.range_of(3, 4) loop :out := :out || r.id; end loop; end;"), "34");
  EXPECT_EQ(out_of(bob, "select count(*) from alice.items").substr(0, 9), "ORA-00942");
  // Bob's session state is his own: alice's open cursor is not his.
  EXPECT_EQ(run(alice, "begin open inv.all_items; end;"), "ok");
  EXPECT_EQ(out_of(bob, "begin :out := case when alice.inv.all_items%isopen then 'open' else 'closed' end; end;"),
            "closed");
}

TEST_F(PackageCursors, InvokerRightsResolveInTheCallersSchema) {
  OciSession alice, bob;
  connect(alice, "alice", "a");
  connect(bob, "bob", "b");
  for (OciSession* s : {&alice, &bob}) {
    ASSERT_EQ(run(*s, "create table t (v varchar2(10))"), "ok");
    ASSERT_EQ(run(*s, s == &alice ? "insert into t values ('alice')" : "insert into t values ('bob')"), "ok");
    ASSERT_EQ(run(*s, "commit"), "ok");
  }
  ASSERT_EQ(run(alice, "create or replace function ir_v return varchar2 authid current_user is\n"
                       "  x varchar2(10);\n"
                       "begin\n"
                       "  select v into x from t;\n"
                       "  execute immediate 'select v from t' into x;\n"
                       "  return x;\n"
                       "end;"),
            "ok");
  ASSERT_EQ(run(alice, "create or replace function dr_v return varchar2 authid definer is\n"
                       "  x varchar2(10);\n"
                       "begin select v into x from t; return x; end;"),
            "ok");
  ASSERT_EQ(run(alice, "create or replace package ir_pkg authid current_user is\n"
                       "  cursor c is select v from t;\n"
                       "  function v return varchar2;\n"
                       "end;"),
            "ok");
  ASSERT_EQ(run(alice, "create or replace package body ir_pkg is\n"
                       "  function v return varchar2 is x varchar2(10); begin select v into x from t; return x; end;\n"
                       "end;"),
            "ok");
  for (const char* unit : {"ir_v", "dr_v", "ir_pkg"}) ASSERT_EQ(run(alice, std::string("grant execute on ") + unit + " to bob"), "ok");
  EXPECT_EQ(out_of(alice, "begin :out := ir_v || ' ' || dr_v || ' ' || ir_pkg.v; end;"), "alice alice alice");
  EXPECT_EQ(out_of(bob, "begin :out := alice.ir_v || ' ' || alice.dr_v || ' ' || alice.ir_pkg.v; end;"),
            "bob alice bob");
  EXPECT_EQ(out_of(bob, "begin for r in alice.ir_pkg.c loop :out := r.v; end loop; end;"), "bob");
  // The owner's own calls still see the owner's table after bob's.
  EXPECT_EQ(out_of(alice, "begin :out := ir_v; end;"), "alice");
  // Called from SQL, the same.
  EXPECT_EQ(bob.value("select alice.ir_v from dual"), "bob");
  // The caller lacks the table: the statement's error at the call, not a wrong row.
  ASSERT_EQ(run(bob, "drop table t"), "ok");
  std::string lacking = out_of(bob, "begin :out := alice.ir_v; end;");
  EXPECT_EQ(lacking.substr(0, 9), "ORA-00942") << lacking;
  EXPECT_EQ(out_of(bob, "begin :out := alice.dr_v; end;"), "alice");
}

// Inside an invoker's-rights unit, names in its SQL resolve in the caller's schema, stored
// functions there included; its PL/SQL calls and %TYPE resolve at compile time in the
// owner's schema, as Oracle resolves every external reference outside SQL statements.
TEST_F(PackageCursors, InvokerRightsSqlFunctionsAndPlsqlCalls) {
  OciSession alice, bob;
  connect(alice, "alice", "a");
  connect(bob, "bob", "b");
  ASSERT_EQ(run(alice, "create table w (v varchar2(5))"), "ok");
  ASSERT_EQ(run(bob, "create table w (v varchar2(20))"), "ok");
  ASSERT_EQ(run(alice, "create or replace function whoami return varchar2 is begin return 'owner'; end;"), "ok");
  ASSERT_EQ(run(bob, "create or replace function whoami return varchar2 is begin return 'invoker'; end;"), "ok");
  ASSERT_EQ(run(alice, "create or replace function ir_names return varchar2 authid current_user is\n"
                       "  t w.v%type;\n"
                       "begin\n"
                       "  t := 'abcdefghij';\n"
                       "  return t;\n"
                       "exception when value_error then return 'w.v%type is the owner''s';\n"
                       "end;"),
            "ok");
  ASSERT_EQ(run(alice, "grant execute on ir_names to bob"), "ok");
  ASSERT_EQ(run(alice, "grant execute on whoami to bob"), "ok");
  EXPECT_EQ(out_of(alice, "begin :out := ir_names; end;"), "w.v%type is the owner's");
  EXPECT_EQ(out_of(bob, "begin :out := alice.ir_names; end;"), "w.v%type is the owner's");
  ASSERT_EQ(run(alice, "create or replace function ir_names return varchar2 authid current_user is\n"
                       "  x varchar2(20);\n"
                       "begin\n"
                       "  select whoami into x from dual;\n"
                       "  return x || ' ' || whoami;\n"
                       "end;"),
            "ok");
  EXPECT_EQ(out_of(alice, "begin :out := ir_names; end;"), "owner owner");
  EXPECT_EQ(out_of(bob, "begin :out := alice.ir_names; end;"), "invoker owner");
}

TEST_F(PackageCursors, ProceduresViews) {
  OciSession alice, bob;
  connect(alice, "alice", "a");
  connect(bob, "bob", "b");
  ASSERT_EQ(run(alice, "create or replace procedure p authid current_user is begin null; end;"), "ok");
  ASSERT_EQ(run(alice, "create or replace function f(x number) return number deterministic is begin return x; end;"),
            "ok");
  ASSERT_EQ(run(alice, "create or replace package pk is\n"
                       "  procedure a;\n"
                       "  procedure a(n number);\n"
                       "  function b return number deterministic;\n"
                       "end;"),
            "ok");
  std::vector<std::string> rows = alice.rows(
      "select object_name || '/' || procedure_name || '/' || subprogram_id || '/' || overload || '/' || object_type"
      " || '/' || deterministic || '/' || authid || '/' || pipelined || '/' || nvl2(object_id, 'id', 'none')"
      " from user_procedures order by object_name, subprogram_id");
  std::vector<std::string> expected = {
      "F//1//FUNCTION/YES/DEFINER/NO/id",    "P//1//PROCEDURE/NO/CURRENT_USER/NO/id", "PK//0//PACKAGE/NO/DEFINER/NO/id",
      "PK/A/1/1/PACKAGE/NO/DEFINER/NO/id",   "PK/A/2/2/PACKAGE/NO/DEFINER/NO/id",     "PK/B/3//PACKAGE/YES/DEFINER/NO/id"};
  EXPECT_EQ(rows, expected);
  // ALL_ shows another schema's units once granted; DBA_ shows them all.
  EXPECT_EQ(bob.value("select count(*) from all_procedures where owner = 'ALICE'"), "0");
  EXPECT_EQ(run(alice, "grant execute on pk to bob"), "ok");
  EXPECT_EQ(bob.value("select count(*) from all_procedures where owner = 'ALICE'"), "4");
  EXPECT_EQ(alice.value("select count(*) from dba_procedures where owner = 'ALICE'"), "6");
  // Dropped units leave no rows.
  EXPECT_EQ(run(alice, "drop package pk"), "ok");
  EXPECT_EQ(alice.value("select count(*) from user_procedures"), "2");
}

}  // namespace

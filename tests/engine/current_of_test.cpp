// UPDATE and DELETE ... WHERE CURRENT OF a PL/SQL cursor declared FOR UPDATE: the row the
// cursor fetched last is the one changed (explicit FETCH, cursor FOR loops, BULK COLLECT,
// FOR UPDATE OF a column of a join), the locking clauses are accepted, and misuse gets
// Oracle's errors: no FOR UPDATE, not a cursor, no row fetched yet, a closed cursor, a fetch
// after COMMIT, and CURRENT OF outside PL/SQL.
#include "oci_session.h"

namespace {

class CurrentOf : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table co (k number, v varchar2(10))");
    for (const char* row : {"1,'a'", "2,'b'", "3,'c'", "4,'d'"})
      run(std::string("insert into co values (") + row + ")");
    run("create table cd (k number, name varchar2(10))");
    run("insert into cd values (1, 'one')");
    run("insert into cd values (3, 'three')");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string error_of(const std::string& sql) {
    s.exec(sql);
    return s.error_text();
  }
  OciSession s;
};

TEST_F(CurrentOf, ChangesTheRowFetchedLast) {
  run("declare cursor c is select k, v from co where k < 4 order by k desc for update nowait;"
      " k number; v varchar2(10);"
      " begin open c; fetch c into k, v; update co set v = v || '!' where current of c;"
      " fetch c into k, v; delete from co where current of c; close c; end;");
  EXPECT_EQ(s.rows("select k || v from co order by k"), (std::vector<std::string>{"1a", "3c!", "4d"}));
  // A cursor FOR loop over a join, taking the rows of co by FOR UPDATE OF one of its columns.
  run("declare cursor c is select co.k, cd.name from cd, co where co.k = cd.k for update of co.v wait 5;"
      " begin for r in c loop update co set v = r.name where current of c; end loop; end;");
  EXPECT_EQ(s.rows("select k || v from co order by k"), (std::vector<std::string>{"1one", "3three", "4d"}));
  run("declare cursor c is select k from co for update of v skip locked;"
      " type tt is table of number; ks tt;"
      " begin open c; fetch c bulk collect into ks limit 2; delete co where current of c; close c; end;");
  EXPECT_EQ(s.rows("select k from co order by k"), (std::vector<std::string>{"1", "4"}));
  // The row was changed by a cursor over a table of another name: nothing of co matches.
  run("declare cursor c is select k from cd for update; k number;"
      " begin open c; fetch c into k; update co set v = 'x' where current of c; close c; end;");
  EXPECT_EQ(s.value("select count(*) from co where v = 'x'"), "0");
}

TEST_F(CurrentOf, MisuseErrors) {
  std::string e = error_of("declare cursor c is select k from co; begin"
                           " for r in c loop update co set v = 'x' where current of c; end loop; end;");
  EXPECT_NE(e.find("PLS-00404: cursor 'C' must be declared with FOR UPDATE to use with CURRENT OF"),
            std::string::npos) << e;
  e = error_of("declare n number; begin delete from co where current of n; end;");
  EXPECT_NE(e.find("PLS-00413: identifier in CURRENT OF clause is not a cursor name"), std::string::npos) << e;
  e = error_of("declare cursor c is select k from co for update;"
               " begin open c; update co set v = 'x' where current of c; end;");
  EXPECT_EQ(e.substr(0, 25), "ORA-01410: invalid ROWID\n") << e;
  e = error_of("declare cursor c is select k from co for update;"
               " begin delete from co where current of c; end;");
  EXPECT_EQ(e.substr(0, 26), "ORA-01001: invalid cursor\n") << e;
  e = error_of("declare cursor c is select k from co for update; k number;"
               " begin open c; fetch c into k; commit; fetch c into k; end;");
  EXPECT_EQ(e.substr(0, 32), "ORA-01002: fetch out of sequence") << e;
  e = error_of("begin for r in (select k from co) loop commit; end loop; end;");
  EXPECT_EQ(e, "") << "a cursor without FOR UPDATE fetches across COMMIT";
  e = error_of("declare cursor c is select k from co for update;"
               " begin for r in c loop update co set v = 'y' where current of c; commit; end loop; end;");
  EXPECT_EQ(e.substr(0, 32), "ORA-01002: fetch out of sequence") << e;
  EXPECT_EQ(s.value("select count(*) from co where v = 'y'"), "1");
  EXPECT_EQ(error_of("select k from co for update wait x"), "ORA-30005: missing or invalid WAIT interval\n");
  EXPECT_EQ(error_of("select k from co for update of nothing"), "ORA-00904: \"NOTHING\": invalid identifier\n");
  EXPECT_EQ(error_of("update co set v = 'x' where current of c"), "ORA-03001: unimplemented feature\n");
  EXPECT_EQ(s.value("select count(*) from co where v = 'x'"), "0");
}

}  // namespace

namespace {

// A cursor declared in a package header, named pkg.c (and owner.pkg.c) in CURRENT OF.
TEST_F(CurrentOf, PackageCursors) {
  run("create or replace package co_pkg is"
      " cursor c is select k, v from co where k >= 3 order by k for update;"
      " cursor plain is select k from co; end;");
  run("declare r co_pkg.c%rowtype; begin open co_pkg.c; fetch co_pkg.c into r;"
      " update co set v = 'first' where current of co_pkg.c; fetch co_pkg.c into r;"
      " delete from co where current of " + s.value("select user from dual") + ".co_pkg.c; close co_pkg.c; end;");
  EXPECT_EQ(s.rows("select k || v from co order by k"), (std::vector<std::string>{"1a", "2b", "3first"}));
  // The package's cursor stays open between calls: a later block changes its current row.
  run("begin open co_pkg.c; end;");
  run("declare r co_pkg.c%rowtype; begin fetch co_pkg.c into r; end;");
  run("begin update co set v = 'later' where current of co_pkg.c; close co_pkg.c; end;");
  EXPECT_EQ(s.value("select v from co where k = 3"), "later");

  EXPECT_NE(error_of("begin update co set v = 'x' where current of co_pkg.plain; end;")
                .find("PLS-00404: cursor 'CO_PKG.PLAIN' must be declared with FOR UPDATE to use with CURRENT OF"),
            std::string::npos);
  EXPECT_NE(error_of("begin update co set v = 'x' where current of co_pkg.nothing; end;")
                .find("PLS-00302: component 'NOTHING' must be declared"),
            std::string::npos);
  EXPECT_NE(error_of("begin update co set v = 'x' where current of no_pkg.c; end;").find("PLS-00413"),
            std::string::npos);
  // Opened, no row fetched yet; and closed.
  EXPECT_NE(error_of("begin open co_pkg.c; update co set v = 'x' where current of co_pkg.c; end;")
                .find("ORA-01410"),
            std::string::npos);
  run("begin close co_pkg.c; end;");
  EXPECT_NE(error_of("begin update co set v = 'x' where current of co_pkg.c; end;").find("ORA-01001"),
            std::string::npos);
  EXPECT_EQ(s.value("select count(*) from co where v = 'x'"), "0");
}

}  // namespace

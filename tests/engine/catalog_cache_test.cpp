// What the engine remembers per connection (kept lookup statements, table columns,
// statement triggers, compiled stored units) and when it forgets: after DDL of the same
// session, of another session of the process and of another process. The first group
// drives the bookkeeping directly on a SQLite file; the others go through OCI.
#include "catalog/catalog_cache.h"
#include "oci_session.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

class CatalogCacheFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path = test_home() + "/cache.db";
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    exec(db, "CREATE TABLE vantro_columns(name TEXT); CREATE TABLE vantro_sequences(n INTEGER)");
    catalog_cache_attach(db);
  }
  void TearDown() override {
    catalog_close(db);
    sqlite3_close(other);
  }
  static void exec(sqlite3* h, const char* sql) {
    ASSERT_EQ(sqlite3_exec(h, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
  }

  std::string path;
  sqlite3* db = nullptr;
  sqlite3* other = nullptr;
};

TEST_F(CatalogCacheFile, LookupStatementsArePreparedOnceAndNestedUsesGetTheirOwn) {
  for (int i = 0; i < 50; ++i) {
    CatalogStatement q(db, "SELECT count(*) FROM vantro_columns WHERE name = ?1");
    q.text(1, "A" + std::to_string(i));
    ASSERT_TRUE(q.row());
    EXPECT_EQ(q.column_int(0), 0);
  }
  EXPECT_EQ(catalog_statements_prepared(db), 1u);
  // The same text while the kept statement is in use: a statement of its own, and the
  // outer one keeps its row.
  exec(db, "INSERT INTO vantro_columns VALUES ('X'), ('Y')");
  CatalogStatement outer(db, "SELECT name FROM vantro_columns ORDER BY name");
  ASSERT_TRUE(outer.row());
  {
    CatalogStatement inner(db, "SELECT name FROM vantro_columns ORDER BY name");
    ASSERT_TRUE(inner.row());
    ASSERT_TRUE(inner.row());
    EXPECT_EQ(inner.column(0), "Y");
  }
  EXPECT_EQ(outer.column(0), "X");
  // A statement that does not prepare answers no rows instead of failing later.
  CatalogStatement bad(db, "SELECT FROM nowhere");
  EXPECT_EQ(bad.get(), nullptr);
  EXPECT_FALSE(bad.text(1, "x").row());
  EXPECT_EQ(bad.column(0), "");
}

TEST_F(CatalogCacheFile, TheGenerationChangesWithEveryCommitToTheCatalog) {
  std::uint64_t g = catalog_generation(db);
  ASSERT_NE(g, 0u);
  EXPECT_EQ(catalog_generation(db), g);
  // Another connection's commit, with and without this one inside a transaction.
  exec(other, "INSERT INTO vantro_columns VALUES ('A')");
  std::uint64_t g2 = catalog_generation(db);
  EXPECT_NE(g2, g);
  exec(db, "BEGIN");
  EXPECT_EQ(catalog_generation(db), g2);
  exec(db, "COMMIT");
  exec(other, "INSERT INTO vantro_columns VALUES ('B')");
  exec(db, "BEGIN");
  std::uint64_t g3 = catalog_generation(db);
  EXPECT_NE(g3, g2);
  exec(db, "COMMIT");
  // This connection's own writes: nothing may be remembered until they end, and the
  // generation is new afterwards, whether they were committed or rolled back.
  exec(db, "BEGIN; INSERT INTO vantro_columns VALUES ('C')");
  EXPECT_EQ(catalog_generation(db), 0u);
  exec(db, "ROLLBACK");
  std::uint64_t g4 = catalog_generation(db);
  EXPECT_NE(g4, 0u);
  EXPECT_NE(g4, g3);
  exec(db, "INSERT INTO vantro_columns VALUES ('D')");
  std::uint64_t g5 = catalog_generation(db);
  EXPECT_NE(g5, g4);
  // Sequence values change with use: they do not stop the remembering.
  exec(db, "BEGIN; INSERT INTO vantro_sequences VALUES (1)");
  EXPECT_EQ(catalog_generation(db), g5);
  exec(db, "COMMIT");
  catalog_cache_invalidate(db);
  EXPECT_NE(catalog_generation(db), g5);
}

TEST_F(CatalogCacheFile, APinHoldsTheGenerationAgainstOtherConnectionsOnly) {
  std::uint64_t g = 0;
  {
    CatalogPin pin(db);
    g = catalog_generation(db);
    exec(other, "INSERT INTO vantro_columns VALUES ('A')");
    EXPECT_EQ(catalog_generation(db), g);
    exec(db, "BEGIN; INSERT INTO vantro_columns VALUES ('B')");
    EXPECT_EQ(catalog_generation(db), 0u);
    exec(db, "COMMIT");
    std::uint64_t own = catalog_generation(db);
    EXPECT_NE(own, g);
    g = own;
  }
  EXPECT_NE(catalog_generation(db), g);
}

TEST_F(CatalogCacheFile, ColumnsAreRememberedForOneGeneration) {
  std::vector<ColumnInfo> cols(1);
  cols[0].name = "EMPNO";
  std::uint64_t g = catalog_generation(db);
  catalog_remember_columns(db, g, "SCOTT.EMP", cols);
  catalog_remember_columns(db, g, "SCOTT.NONE", {});
  std::vector<ColumnInfo> got;
  ASSERT_TRUE(catalog_remembered_columns(db, g, "SCOTT.EMP", &got));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].name, "EMPNO");
  EXPECT_TRUE(catalog_remembered_columns(db, g, "SCOTT.NONE", &got));
  EXPECT_TRUE(got.empty());
  EXPECT_FALSE(catalog_remembered_columns(db, g, "SCOTT.DEPT", &got));
  EXPECT_FALSE(catalog_remembered_columns(db, 0, "SCOTT.EMP", &got));
  exec(other, "INSERT INTO vantro_columns VALUES ('A')");
  EXPECT_FALSE(catalog_remembered_columns(db, catalog_generation(db), "SCOTT.EMP", &got));
}

// Through OCI: two sessions of one database are two connections.
class CatalogCache : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "about the embedded engine's caches";
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(a.connect("scott", "tiger", "cache"), OCI_SUCCESS) << a.error_text();
    ASSERT_EQ(b.connect("scott", "tiger", "cache"), OCI_SUCCESS) << b.error_text();
  }
  OciSession a, b;
};

TEST_F(CatalogCache, ColumnsChangedByAnotherSessionAreSeenAtTheNextStatement) {
  ASSERT_EQ(a.exec("create table t (n number)"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("insert into t values (1)"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("alter table t add (label varchar2(5))"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(a.exec("insert into t values (2, 'two')"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select label from t where n = 2"), "two");
  // The column's length is checked from the new definition too.
  EXPECT_EQ(a.exec("insert into t values (3, 'eleven')"), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 12899);
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("drop table t"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec("insert into t values (4, 'four')"), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 942);
  ASSERT_EQ(b.exec("create table t (day date)"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec("insert into t values (date '2004-03-01')"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.exec("insert into t values (1, 'x')"), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 913);
}

TEST_F(CatalogCache, OwnDdlIsSeenAtOnce) {
  ASSERT_EQ(a.exec("create table t (n number)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("insert into t values (1)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("alter table t add (m number)"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("insert into t values (2, 3)"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("alter table t drop column n"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.exec("insert into t values (2, 3)"), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 913);
  EXPECT_EQ(a.rows("select m from t order by m"), (std::vector<std::string>{"3", "<null>"}));
}

TEST_F(CatalogCache, TriggersMadeByAnotherSessionFire) {
  ASSERT_EQ(a.exec("create table t (n number)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("create table log (what varchar2(20))"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("insert into t values (1)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("create trigger t_stmt after insert on t begin insert into log values ('statement'); end;"),
            OCI_SUCCESS)
      << b.error_text();
  ASSERT_EQ(b.exec("create trigger t_row before insert on t for each row begin insert into log values ('row'); end;"),
            OCI_SUCCESS)
      << b.error_text();
  ASSERT_EQ(a.exec("insert into t values (2)"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.rows("select what from log order by what"), (std::vector<std::string>{"row", "statement"}));
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("alter trigger t_stmt disable"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(b.exec("drop trigger t_row"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(a.exec("insert into t values (3)"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select count(*) from log"), "2");
}

TEST_F(CatalogCache, StoredUnitsAreCompiledAgainWhenTheyOrWhatTheyUseChange) {
  ASSERT_EQ(a.exec("create function f return number is begin return 1; end;"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("create function g return number is begin return f * 10; end;"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select g from dual"), "10");
  // Replaced by the same session within the same second, and by another session.
  ASSERT_EQ(a.exec("create or replace function f return number is begin return 2; end;"), OCI_SUCCESS);
  EXPECT_EQ(a.value("select f from dual"), "2");
  EXPECT_EQ(a.value("select g from dual"), "20");
  ASSERT_EQ(b.exec("create or replace function f return number is begin return 3; end;"), OCI_SUCCESS);
  EXPECT_EQ(a.value("select g from dual"), "30");
  // Called from PL/SQL: a procedure, and a function in a loop.
  ASSERT_EQ(a.exec("create table r (v number)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("create procedure p(x out number) is begin x := g; end;"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("declare v number; w number := 0; begin p(v); for i in 1..20 loop w := w + f; end loop;"
                   " insert into r values (v + w); end;"),
            OCI_SUCCESS)
      << a.error_text();
  EXPECT_EQ(a.value("select v from r"), "90");
  // (The other session's DDL waits for this one's transaction to end.)
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("create or replace procedure p(x out number) is begin x := -g; end;"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("declare w number; begin p(w); update r set v = v + w; end;"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select v from r"), "60");
  // Dropped by the other session: the next call does not find it.
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("drop function f"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec("declare v number; begin v := g; end;"), OCI_ERROR);
  EXPECT_NE(a.error_text().find("PLS-00905: object SCOTT.G is invalid"), std::string::npos) << a.error_text();
}

TEST_F(CatalogCache, ARecursiveFunctionRunsCopiesOfItself) {
  ASSERT_EQ(a.exec("create function fact(n number) return number is begin return 1; end;"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("create or replace function fact(n number) return number is begin if n <= 1 then return 1; end if;"
                   " return n * fact(n - 1); end;"),
            OCI_SUCCESS)
      << a.error_text();
  EXPECT_EQ(a.value("select fact(6) from dual"), "720");
  EXPECT_EQ(a.value("select fact(5) + fact(3) from dual"), "126");
}

TEST_F(CatalogCache, ViewRestrictionsAndUnusableIndexesChangedByAnotherSessionHoldAtTheNextStatement) {
  ASSERT_EQ(a.exec("create table t (n number)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("create unique index t_n on t (n)"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("create view v as select n from t"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("insert into v values (1)"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("create or replace view v as select n from t with read only"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec("insert into v values (2)"), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 42399);
  ASSERT_EQ(b.exec("create or replace view v as select n from t"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec("insert into v values (2)"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("alter index t_n unusable"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec("insert into t values (3)"), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 1502);
  ASSERT_EQ(b.exec("alter index t_n rebuild"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec("insert into t values (3)"), OCI_SUCCESS) << a.error_text();
}

TEST_F(CatalogCache, AnonymousBlocksRunAgainSeeWhatChangedAndMayRunThemselves) {
  ASSERT_EQ(a.exec("create table r (v varchar2(20))"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("create function f return varchar2 is begin return 'one'; end;"), OCI_SUCCESS) << a.error_text();
  const char* block = "begin insert into r values (f || to_char(date '2004-03-01')); end;";
  ASSERT_EQ(a.exec(block), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("create or replace function f return varchar2 is begin return 'two'; end;"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("alter session set nls_date_format = 'YYYY'"), OCI_SUCCESS);
  ASSERT_EQ(a.exec(block), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select max(v) from r where v like 'two%'"), "two2004");
  // The table it writes, dropped and made again with another shape by the other session.
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(b.exec("drop table r"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec(block), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 6550);
  ASSERT_EQ(b.exec("create table r (v varchar2(3))"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.exec(block), OCI_ERROR);
  EXPECT_EQ(a.error_code(), 12899);
  // A block whose text runs again from inside itself, through a procedure.
  ASSERT_EQ(a.exec("create table n (i number)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("create procedure p is c number; begin insert into n values (1); select count(*) into c from n;"
                   " if c < 3 then execute immediate 'begin p; end;'; end if; end;"),
            OCI_SUCCESS)
      << a.error_text();
  ASSERT_EQ(a.exec("begin p; end;"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("begin p; end;"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select count(*) from n"), "4");
}

TEST_F(CatalogCache, AUnitIsCompiledForTheSessionsDateFormat) {
  ASSERT_EQ(a.exec("create function d return varchar2 is begin return to_char(date '2004-03-01'); end;"),
            OCI_SUCCESS)
      << a.error_text();
  std::string before = a.value("select d from dual");
  ASSERT_EQ(a.exec("alter session set nls_date_format = 'YYYY/MM/DD'"), OCI_SUCCESS);
  EXPECT_EQ(a.value("select d from dual"), "2004/03/01");
  EXPECT_NE(before, "2004/03/01");
}

#ifndef _WIN32
// Runs one statement as the same user in a process of its own; true when it succeeded.
bool in_another_process(const std::string& sql) {
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = false;
    {
      OciSession s;
      ok = s.connect("scott", "tiger", "cache") == OCI_SUCCESS && s.exec(sql) == OCI_SUCCESS;
    }
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(CatalogCache, ChangesMadeByAnotherProcessAreSeen) {
  b.disconnect();
  ASSERT_EQ(a.exec("create table t (n number)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("create function f return number is begin return 1; end;"), OCI_SUCCESS);
  EXPECT_EQ(a.value("select f from dual"), "1");
  ASSERT_EQ(a.exec("insert into t values (1)"), OCI_SUCCESS);
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  ASSERT_TRUE(in_another_process("alter table t add (m number)"));
  ASSERT_TRUE(in_another_process("create or replace function f return number is begin return 2; end;"));
  EXPECT_EQ(a.exec("insert into t values (2, 3)"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select f from dual"), "2");
}
#endif

}  // namespace

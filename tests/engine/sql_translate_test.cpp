// Unit tests of the tokenizer, parser and translator against an in-memory catalog:
// error numbers and offsets for bad statements, name folding, statement types and the
// Oracle types given to result columns.
#include "sql/sql_translate.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sql/sql_ast.h"
#include "sql/sql_lexer.h"

namespace {

class FakeCatalog : public CatalogView {
 public:
  std::map<std::string, std::vector<ColumnInfo>> tables;  // "OWNER.TABLE"
  bool table_columns(const std::string& owner, const std::string& table, std::vector<ColumnInfo>* columns) override {
    auto it = tables.find(owner + "." + table);
    if (it == tables.end()) return false;
    *columns = it->second;
    return true;
  }
  bool schema_exists(const std::string& owner) override { return owner == "SCOTT"; }
  bool object_exists(const std::string& owner, const std::string& name) override {
    return tables.count(owner + "." + name) > 0;
  }
  bool index_exists(const std::string&, const std::string&) override { return false; }
  bool constraint_exists(const std::string&, const std::string& name) override { return name == "PK_EMP"; }
  long long next_constraint_number() override { return 7; }
};

ColumnInfo col(const char* name, std::uint16_t code, std::uint32_t size) {
  ColumnInfo c;
  c.name = name;
  c.type.code = code;
  c.type.size = size;
  return c;
}

class Translate : public ::testing::Test {
 protected:
  void SetUp() override {
    catalog.tables["SCOTT.EMP"] = {col("EMPNO", kTypeNumber, 22), col("ENAME", kTypeVarchar2, 10),
                                   col("HIREDATE", kTypeDate, 7), col("JOB", kTypeChar, 9)};
    ctx.schema = "SCOTT";
    ctx.nls_date_format = "DD-MON-RR";
    ctx.catalog = &catalog;
  }
  OraError fails(const std::string& sql) {
    Translation tr;
    OraError err;
    EXPECT_FALSE(sql_translate(sql, ctx, &tr, &err)) << sql << " translated to " << tr.sql;
    return err;
  }
  Translation ok(const std::string& sql) {
    Translation tr;
    OraError err;
    EXPECT_TRUE(sql_translate(sql, ctx, &tr, &err)) << sql << ": ORA-" << err.code << " " << err.message;
    return tr;
  }
  FakeCatalog catalog;
  TranslateContext ctx;
};

TEST(Lexer, TokensKeepTheirOffsetsAndFoldUnquotedNames) {
  std::vector<Token> t;
  OraError err;
  ASSERT_TRUE(sql_tokenize("select \"Ab\", x1$ -- note\n, 'it''s', .5e3, :v1 from /* c */ t", &t, &err));
  ASSERT_EQ(t.size(), 13u);
  EXPECT_EQ(t[1].kind, TokenKind::QuotedWord);
  EXPECT_EQ(t[1].text, "Ab");
  EXPECT_EQ(t[3].text, "X1$");
  EXPECT_EQ(t[3].offset, 13u);
  EXPECT_EQ(t[5].kind, TokenKind::String);
  EXPECT_EQ(t[5].text, "it's");
  EXPECT_EQ(t[7].kind, TokenKind::Number);
  EXPECT_EQ(t[7].text, ".5e3");
  EXPECT_EQ(t[9].kind, TokenKind::Bind);
  EXPECT_EQ(t[9].text, "V1");
  EXPECT_EQ(t.back().kind, TokenKind::End);
  EXPECT_FALSE(sql_tokenize("select 'open", &t, &err));
  EXPECT_EQ(err.code, 1756);
  EXPECT_EQ(err.offset, 7u);
  EXPECT_FALSE(sql_tokenize("select a ? b", &t, &err));
  EXPECT_EQ(err.code, 911);
  EXPECT_EQ(err.offset, 9u);
  EXPECT_FALSE(sql_tokenize("select \"\" from t", &t, &err));
  EXPECT_EQ(err.code, 1741);
}

TEST_F(Translate, SyntaxErrorsPointAtTheOffendingToken) {
  struct Case {
    const char* sql;
    int code;
    std::uint32_t offset;
  } cases[] = {
      {"", 900, 0},
      {"explain everything", 900, 0},
      {"select from emp", 936, 7},
      {"select empno emp", 923, 16},
      {"select empno from emp where", 936, 27},
      {"select empno from emp where empno = = 1", 936, 36},
      {"select empno from emp order empno", 924, 28},
      {"insert emp values (1)", 925, 7},
      {"insert into emp (empno) (1)", 928, 25},
      {"update emp empno = 1", 971, 17},
      {"create view v as select 1 from dual", 901, 7},
      {"create table t (a varchar2)", 906, 26},
      {"create table t (a number(50))", 1727, 25},
      {"create table t (a notatype)", 902, 18},
      {"drop sequence s", 950, 5},
      {"select empno from emp e where e.empno in (1, 2", 907, 46},
      {"select * from emp@remote", 3001, 17},
      {"select empno from emp start with empno = 1", 1788, 22},
      {"select empno from emp connect by prior empno = mgr order siblings", 924, 65},
  };
  for (const Case& c : cases) {
    OraError e = fails(c.sql);
    EXPECT_EQ(e.code, c.code) << c.sql << ": " << e.message;
    EXPECT_EQ(e.offset, c.offset) << c.sql;
  }
}

TEST_F(Translate, NamesResolveAgainstTheCatalog) {
  OraError e = fails("select ename, salary from emp");
  EXPECT_EQ(e.code, 904);
  EXPECT_EQ(e.message, "\"SALARY\": invalid identifier");
  EXPECT_EQ(e.offset, 14u);
  e = fails("select x.ename from emp e");
  EXPECT_EQ(e.message, "\"X\".\"ENAME\": invalid identifier");
  e = fails("select ename from emp a, emp b");
  EXPECT_EQ(e.code, 918);
  e = fails("select nosuchfn(ename) from emp");
  EXPECT_EQ(e.message, "\"NOSUCHFN\": invalid identifier");
  e = fails("insert into emp (empno, empno) values (1, 2)");
  EXPECT_EQ(e.code, 957);
  e = fails("create table emp (a number)");
  EXPECT_EQ(e.code, 955);
  EXPECT_EQ(e.offset, 13u);
  e = fails("create table t (a number, A date)");
  EXPECT_EQ(e.code, 957);
  e = fails("create table t (a number constraint pk_emp primary key)");
  EXPECT_EQ(e.code, 2264);
  e = fails("create table t (a number primary key, b number, primary key (b))");
  EXPECT_EQ(e.code, 2260);
  Translation tr = ok("create table t (a number primary key, b number constraint b_ok check (b > 0), unique (a, b))");
  ASSERT_EQ(tr.catalog_sql.size(), 10u) << "two columns, three constraints, four key columns and the storage row";
  EXPECT_NE(tr.sql.find("CONSTRAINT \"SYS_C005006\" PRIMARY KEY (\"A\")"), std::string::npos) << tr.sql;
  EXPECT_NE(tr.sql.find("CONSTRAINT \"B_OK\" CHECK"), std::string::npos) << tr.sql;
  EXPECT_NE(tr.sql.find("CONSTRAINT \"SYS_C005008\" UNIQUE (\"A\",\"B\")"), std::string::npos) << tr.sql;
  e = fails("select \"ename\" from emp");
  EXPECT_EQ(e.code, 904) << "quoted names are case-sensitive";
  e = fails("alter session set current_schema = nobody_here");
  EXPECT_EQ(e.code, 1435);
  EXPECT_EQ(e.offset, 35u);
  e = fails("select hiredate + hiredate from emp");
  EXPECT_EQ(e.code, 932);
  e = fails("select case when empno = 1 then ename else hiredate end from emp");
  EXPECT_EQ(e.message, "inconsistent datatypes: expected CHAR got DATE");
  EXPECT_EQ(e.offset, 43u);
  ok("select case when empno = 1 then null else hiredate end from emp");
  e = fails("select ename from emp union select empno from emp");
  EXPECT_EQ(e.code, 1790);
  ok("select null from emp union select empno from emp");
  e = fails("select nvl(empno, hiredate) from emp");
  EXPECT_EQ(e.code, 932);
  e = fails("select ename from emp having count(*) > 1");
  EXPECT_EQ(e.code, 937) << "HAVING makes the query a grouped one";
  ok("select count(*) from emp having count(*) > 1");
}

TEST_F(Translate, ResultColumnsCarryOracleTypes) {
  Translation tr = ok("select e.*, ename || job as label, empno / 2, hiredate - 1, hiredate - hiredate, null,"
                      " nvl(ename, 'a much longer default') from emp e");
  ASSERT_EQ(tr.columns.size(), 10u);
  EXPECT_EQ(tr.columns[3].type.code, kTypeChar);
  EXPECT_EQ(tr.columns[4].name, "LABEL");
  EXPECT_EQ(tr.columns[4].type.code, kTypeVarchar2);
  EXPECT_EQ(tr.columns[4].type.size, 19u);
  EXPECT_EQ(tr.columns[5].name, "EMPNO/2");
  EXPECT_EQ(tr.columns[5].type.code, kTypeNumber);
  EXPECT_EQ(tr.columns[6].type.code, kTypeDate);
  EXPECT_EQ(tr.columns[7].type.code, kTypeNumber);
  EXPECT_EQ(tr.columns[8].type.code, kTypeVarchar2);
  EXPECT_EQ(tr.columns[9].type.size, 21u) << "NVL is as wide as its longer argument";
  EXPECT_EQ(tr.kind, StatementKind::Select);
}

TEST_F(Translate, BindsAreNumberedByOccurrence) {
  Translation tr = ok("select ename from emp where ename like upper(:1||'%') or job = :name or ename = :1");
  EXPECT_EQ(tr.bind_names, (std::vector<std::string>{"1", "NAME", "1"}));
}

TEST(StatementType, FromTheFirstWord) {
  EXPECT_EQ(sql_statement_type("  select 1 from dual"), 1);
  EXPECT_EQ(sql_statement_type("(select 1 from dual)"), 1);
  EXPECT_EQ(sql_statement_type("UPDATE t set a=1"), 2);
  EXPECT_EQ(sql_statement_type("delete t"), 3);
  EXPECT_EQ(sql_statement_type("insert into t values (1)"), 4);
  EXPECT_EQ(sql_statement_type("create table t (a number)"), 5);
  EXPECT_EQ(sql_statement_type("drop table t"), 6);
  EXPECT_EQ(sql_statement_type("alter session set x=1"), 7);
  EXPECT_EQ(sql_statement_type("begin null; end;"), 8);
  EXPECT_EQ(sql_statement_type("declare x number; begin null; end;"), 9);
  EXPECT_EQ(sql_statement_type("grant select on t to u"), 0);
  EXPECT_EQ(sql_statement_type("'unterminated"), 0);
}

// The front door's parse names the kind of every statement form, and the heads it does
// not know stay the SQL grammar's to refuse with their usual error and offset.
TEST(StatementKindTest, EveryStatementFormHasItsKind) {
  struct Case {
    const char* sql;
    StatementKind kind;
  };
  const Case cases[] = {
      {"select 1 from dual", StatementKind::Select},
      {"(select 1 from dual)", StatementKind::Select},
      {"insert into t values (1)", StatementKind::Insert},
      {"update t set a = 1", StatementKind::Update},
      {"delete from t", StatementKind::Delete},
      {"create table t (a number) tablespace users", StatementKind::CreateTable},
      {"create table t as select * from dual", StatementKind::CreateTable},
      {"drop table t cascade constraints", StatementKind::DropTable},
      {"truncate table t", StatementKind::TruncateTable},
      {"alter table t add (b number)", StatementKind::AlterTable},
      {"alter table t rename to u", StatementKind::Rename},
      {"rename t to u", StatementKind::Rename},
      {"alter table s.t add constraint c check (a > 0)", StatementKind::AlterTableConstraint},
      {"alter table t add primary key (a)", StatementKind::AlterTableConstraint},
      {"alter table t modify a not null", StatementKind::AlterTableConstraint},
      {"create unique index i on t (a)", StatementKind::CreateIndex},
      {"drop index i", StatementKind::DropIndex},
      {"commit work", StatementKind::Commit},
      {"rollback", StatementKind::Rollback},
      {"rollback to savepoint a", StatementKind::RollbackToSavepoint},
      {"savepoint a", StatementKind::Savepoint},
      {"alter session set nls_date_format = 'YYYY'", StatementKind::AlterSession},
      {"create or replace force view v as select 1 a from dual", StatementKind::CreateView},
      {"create view v as select 1 a from dual", StatementKind::CreateView},
      {"drop view v", StatementKind::DropView},
      {"create sequence q", StatementKind::CreateSequence},
      {"alter sequence q increment by 2", StatementKind::AlterSequence},
      {"drop sequence q", StatementKind::DropSequence},
      {"create or replace public synonym y for t", StatementKind::CreateSynonym},
      {"drop public synonym y", StatementKind::DropSynonym},
      {"comment on column t.a is 'x'", StatementKind::Comment},
      {"create or replace editionable procedure p as begin null; end;", StatementKind::CreateUnit},
      {"create package body k as end;", StatementKind::CreateUnit},
      {"alter function f compile", StatementKind::AlterUnit},
      {"drop type body y", StatementKind::DropUnit},
      {"create or replace trigger g before insert on t begin null; end;", StatementKind::CreateTrigger},
      {"alter trigger g disable", StatementKind::AlterTrigger},
      {"drop trigger g", StatementKind::DropTrigger},
      {"explain plan for select 1 from dual", StatementKind::ExplainPlan},
      {"begin null; end;", StatementKind::PlsqlBlock},
      {"declare x number; begin null; end;", StatementKind::PlsqlBlock},
  };
  for (const Case& c : cases) {
    std::vector<Token> tokens;
    OraError err;
    ASSERT_TRUE(sql_tokenize(c.sql, &tokens, &err)) << c.sql;
    Statement st;
    EXPECT_TRUE(sql_parse_statement(tokens, &st, &err)) << c.sql << ": ORA-" << err.code;
    EXPECT_EQ(static_cast<int>(st.kind), static_cast<int>(c.kind)) << c.sql;
  }

  // Storage clauses are fields of the tree; one the grammar does not know is refused
  // where it starts, never skipped.
  {
    std::vector<Token> tokens;
    OraError err;
    Statement table;
    ASSERT_TRUE(
        sql_tokenize("create table t (a number) tablespace tools pctfree 20 storage (initial 128K maxextents"
                     " unlimited buffer_pool keep) nologging",
                     &tokens, &err));
    ASSERT_TRUE(sql_parse_statement(tokens, &table, &err)) << err.code;
    EXPECT_EQ(table.storage.tablespace, "TOOLS");
    EXPECT_EQ(table.storage.pct_free, 20);
    EXPECT_EQ(table.storage.initial, 131072);
    EXPECT_EQ(table.storage.max_extents, 2147483645);
    EXPECT_EQ(table.storage.buffer_pool, "KEEP");
    EXPECT_EQ(table.storage.logging, "NO");
    Statement index;
    ASSERT_TRUE(sql_tokenize("create bitmap index i on t (a) reverse compute statistics", &tokens, &err));
    ASSERT_TRUE(sql_parse_statement(tokens, &index, &err)) << err.code;
    EXPECT_EQ(index.storage.index_type, "BITMAP/REV");
  }

  struct Refused {
    const char* sql;
    int code;
    std::uint32_t offset;
  };
  const Refused refused[] = {
      {"create or new table t (a number)", 922, 10},
      {"create or replace table t (a number)", 901, 7},
      {"create or replace sequence q", 901, 7},
      {"drop public table t", 950, 5},
      {"create public view v as select 1 a from dual", 901, 7},
      {"grant select on t", 905, 17},
      {"grant select on t to", 987, 20},
      {"create user u identified by", 988, 27},
      {"create user u", 1938, 13},
      {"", 900, 0},
      {"create table t (a number) pctfree x", 933, 26},
      {"create table t (a number) storage (color red)", 933, 26},
      {"create table t (a number) reverse", 933, 26},
      {"create bitmap table t (a number)", 901, 14},
      {"create bitmap unique index i on t (a)", 901, 14},
  };
  for (const Refused& r : refused) {
    std::vector<Token> tokens;
    OraError err;
    ASSERT_TRUE(sql_tokenize(r.sql, &tokens, &err)) << r.sql;
    Statement st;
    EXPECT_FALSE(sql_parse_statement(tokens, &st, &err)) << r.sql;
    EXPECT_EQ(err.code, r.code) << r.sql;
    EXPECT_EQ(err.offset, r.offset) << r.sql;
  }
}

}  // namespace

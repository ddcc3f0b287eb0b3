// Stored procedures and functions on the embedded engine: what CREATE keeps in the
// catalog (source lines, errors with line and position, arguments, status), the
// success-with-info answer for a unit with errors, and calls from blocks with positional,
// named, default and OUT arguments and the error stack of a failing unit. The catalog
// tables are read straight from the database file.
#include "catalog_rows.h"
#include "oci_session.h"

namespace {

class Units : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "reads the embedded engine's catalog tables";
    home = test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect("scott", "tiger", "units"), OCI_SUCCESS) << s.error_text();
  }

  // Rows of a query on the engine's catalog file, columns joined by '|'.
  std::vector<std::string> catalog_rows(const std::string& sql) { return catalog_file_rows(home, "units", sql); }

  std::string home;
  OciSession s;
};

TEST_F(Units, AProcedureWithErrorsIsStoredInvalidWithItsErrorsAndSource) {
  EXPECT_EQ(s.exec("create or replace procedure broken(p number) is\nbegin\n  x := p;\nend;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.error_text(), "ORA-24344: success with compilation error\n");
  EXPECT_EQ(catalog_rows("select sequence, line, position, text, message_number from vantro_plsql_errors"
                         " where name = 'BROKEN' order by sequence"),
            (std::vector<std::string>{"1|3|3|PLS-00201: identifier 'X' must be declared|201",
                                      "2|3|3|PL/SQL: Statement ignored|0"}));
  EXPECT_EQ(catalog_rows("select owner, type, status from vantro_plsql_objects where name = 'BROKEN'"),
            std::vector<std::string>{"SCOTT|PROCEDURE|INVALID"});
  EXPECT_EQ(catalog_rows("select line, text from vantro_plsql_source where name = 'BROKEN' order by line"),
            (std::vector<std::string>{"1|procedure broken(p number) is\n", "2|begin\n", "3|  x := p;\n", "4|end;"}));
  EXPECT_EQ(s.exec("begin\n  broken(1);\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 2, column 3:\nPLS-00905: object SCOTT.BROKEN is invalid\n"
            "ORA-06550: line 2, column 3:\nPL/SQL: Statement ignored\n");
  // Fixing it replaces the errors and makes it valid.
  EXPECT_EQ(s.exec("create or replace procedure broken(p number) is\nbegin\n  null;\nend;"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(catalog_rows("select count(*) from vantro_plsql_errors where name = 'BROKEN'"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(catalog_rows("select status from vantro_plsql_objects where name = 'BROKEN'"),
            std::vector<std::string>{"VALID"});
  EXPECT_EQ(s.exec("create procedure broken is begin null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 955);
  EXPECT_EQ(s.exec("drop procedure broken"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("drop procedure broken"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04043: object BROKEN does not exist\n");
  EXPECT_EQ(s.exec("begin broken(1); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00201: identifier 'BROKEN' must be declared"), std::string::npos);
}

// A unit that does not parse has only its syntax errors: the names before the error are
// not checked, in a stored unit as in an anonymous block.
TEST_F(Units, ASyntaxErrorIsTheOnlyErrorOfItsUnit) {
  EXPECT_EQ(s.exec("create or replace procedure broken is\nbegin\n  x := 1;\n  y := 2\nend;"),
            OCI_SUCCESS_WITH_INFO);
  std::vector<std::string> errors =
      catalog_rows("select line, position, substr(text, 1, 39) from vantro_plsql_errors where name = 'BROKEN'");
  EXPECT_EQ(errors, std::vector<std::string>{"5|1|PLS-00103: Encountered the symbol \"END\""});
  EXPECT_EQ(s.exec("begin\n  x := 1;\n  y := 2\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text().substr(0, 68),
            "ORA-06550: line 4, column 1:\nPLS-00103: Encountered the symbol \"END\"");
  EXPECT_EQ(s.error_text().find("PLS-00201"), std::string::npos) << s.error_text();
  // Without the syntax error the names are checked.
  EXPECT_EQ(s.exec("create or replace procedure broken is\nbegin\n  x := 1;\nend;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select line, position, text from vantro_plsql_errors where name = 'BROKEN' order by sequence"),
            (std::vector<std::string>{"3|3|PLS-00201: identifier 'X' must be declared", "3|3|PL/SQL: Statement ignored"}));
}

TEST_F(Units, AlterCompileRecompilesTheStoredSource) {
  EXPECT_EQ(s.exec("create procedure fill is\nbegin\n  insert into later values (1);\nend;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select line, position, text from vantro_plsql_errors where name = 'FILL' order by sequence"),
            (std::vector<std::string>{"3|15|PL/SQL: ORA-00942: table or view does not exist",
                                      "3|3|PL/SQL: SQL Statement ignored"}));
  ASSERT_EQ(s.exec("create table later (n number)"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("alter procedure fill compile"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(catalog_rows("select status from vantro_plsql_objects where name = 'FILL'"),
            std::vector<std::string>{"VALID"});
  EXPECT_EQ(catalog_rows("select count(*) from vantro_plsql_errors where name = 'FILL'"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(catalog_rows("select text from vantro_plsql_source where name = 'FILL' and line = 1"),
            std::vector<std::string>{"procedure fill is\n"});
  ASSERT_EQ(s.exec("begin fill; fill; end;"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select count(*) from later"), "2");
  EXPECT_EQ(s.exec("alter function fill compile"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 4043);
}

TEST_F(Units, ArgumentsAreRecordedForDescribe) {
  ASSERT_EQ(s.exec("create function area(w in number, h in number default 1) return number is\n"
                   "begin\n  return w * h;\nend area;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create procedure swap(a in out varchar2, b out date, c pls_integer) is begin null; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(catalog_rows("select object_name, coalesce(argument_name, '-'), position, sequence, data_type, in_out,"
                         " defaulted from vantro_plsql_arguments order by object_name, position"),
            (std::vector<std::string>{"AREA|-|0|1|NUMBER|OUT|N", "AREA|W|1|2|NUMBER|IN|N", "AREA|H|2|3|NUMBER|IN|Y",
                                      "SWAP|A|1|1|VARCHAR2|IN/OUT|N", "SWAP|B|2|2|DATE|OUT|N",
                                      "SWAP|C|3|3|BINARY_INTEGER|IN|N"}));
}

TEST_F(Units, FunctionsAreCallableFromSqlAndFromBlocks) {
  ASSERT_EQ(s.exec("create function area(w number, h number default 1) return number is\n"
                   "begin\n  if w < 0 then\n    raise_application_error(-20002, 'negative width');\n  end if;\n"
                   "  return w * h;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create function label(n number) return varchar2 is begin return 'n=' || n; end;"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create function nothing(n number) return number is begin null; end;"), OCI_SUCCESS);
  EXPECT_EQ(s.value("select area(3, 4) + area(2) from dual"), "14");
  EXPECT_EQ(s.value("select label(area(2.5, 2)) from dual"), "n=5");
  ASSERT_EQ(s.exec("create table dims (w number)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into dims values (1)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into dims values (5)"), OCI_SUCCESS);
  EXPECT_EQ(s.rows("select w from dims where area(w, 2) > 4"), std::vector<std::string>{"5"});
  OciStatement st(s, "declare a number; begin a := area(2, 3); :r := label(a); end;");
  char out[16] = "";
  OCIBind* b = nullptr;
  s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":r"), -1, out, sizeof out, SQLT_STR,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_STREQ(out, "n=6");
  EXPECT_EQ(s.exec("declare a number; begin\n  a := area(-1);\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20002: negative width\nORA-06512: at \"SCOTT.AREA\", line 4\nORA-06512: at line 2\n");
  EXPECT_EQ(s.exec("declare a number; begin a := nothing(1); end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 6503);
}

TEST_F(Units, CallsPassArgumentsAndReturnOutValues) {
  ASSERT_EQ(s.exec("create table log (n number, t varchar2(20))"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create or replace procedure add_log(n number, t varchar2 default 'none', total out number,\n"
                   "  counter in out number) is\n"
                   "begin\n"
                   "  insert into log values (n, t);\n"
                   "  select sum(n) into total from log;\n"
                   "  counter := counter + 1;\n"
                   "  if n < 0 then\n"
                   "    raise_application_error(-20001, 'negative');\n"
                   "  end if;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("begin dbms_output.enable; end;"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("declare tot number; c number := 0; begin\n"
                   "  add_log(5, 'five', tot, c);\n"
                   "  add_log(t => 'named', n => 2, counter => c, total => tot);\n"
                   "  add_log(1, total => tot, counter => c);\n"
                   "  :out := tot || '/' || c;\n"
                   "end;"),
            OCI_ERROR)
      << "the :out placeholder is not bound";
  EXPECT_EQ(s.error_code(), 1008);
  OciStatement st(s, "declare tot number; c number := 0; begin\n"
                     "  add_log(5, 'five', tot, c);\n"
                     "  add_log(t => 'named', n => 2, counter => c, total => tot);\n"
                     "  scott.add_log(1, total => tot, counter => c);\n"
                     "  :out := tot || '/' || c;\n"
                     "end;");
  char out[32] = "";
  OCIBind* b = nullptr;
  s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":out"), -1, out, sizeof out, SQLT_STR,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_STREQ(out, "8/3");
  EXPECT_EQ(s.rows("select n, t from log order by n"), (std::vector<std::string>{"1|none", "2|named", "5|five"}));
  EXPECT_EQ(s.exec("declare tot number; c number := 0; begin\n  add_log(-1, 'x', tot, c);\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20001: negative\nORA-06512: at \"SCOTT.ADD_LOG\", line 8\nORA-06512: at line 2\n");
  EXPECT_EQ(s.value("select count(*) from log"), "3") << "the failed call's insert is undone with its block";
  EXPECT_EQ(s.exec("declare tot number; begin add_log(1, 'x', tot); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'ADD_LOG'"),
            std::string::npos)
      << s.error_text();
  EXPECT_EQ(s.exec("declare c number; begin add_log(1, 'x', 5, c); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00363"), std::string::npos) << s.error_text();
}

}  // namespace

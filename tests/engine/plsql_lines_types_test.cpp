// DBMS_OUTPUT.GET_LINES into its collection types, and stored types and type bodies
// (kept with their source and checked for syntax) on the embedded engine.
#include "catalog_rows.h"
#include "oci_session.h"

namespace {

class LinesAndTypes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "reads the embedded engine's catalog tables";
    home = test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect("scott", "tiger", "lines"), OCI_SUCCESS) << s.error_text();
  }

  std::vector<std::string> catalog_rows(const std::string& sql) { return catalog_file_rows(home, "lines", sql); }

  std::string out_of(const std::string& block) {
    OciStatement st(s, block);
    char out[256] = "";
    OCIBind* b = nullptr;
    s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":out"), -1, out, sizeof out,
                         SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    if (st.execute(1) != OCI_SUCCESS) return "error: " + s.error_text();
    return out;
  }

  std::string home;
  OciSession s;
};

TEST_F(LinesAndTypes, GetLinesFillsTheCollectionAndSaysHowMany) {
  ASSERT_EQ(s.exec("begin dbms_output.enable; for i in 1 .. 5 loop dbms_output.put_line('line ' || i); end loop;"
                   " dbms_output.put('partial'); end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(out_of("declare\n  l dbms_output.chararr;\n  n integer := 3;\nbegin\n  dbms_output.get_lines(l, n);\n"
                   "  :out := n || ':';\n  for i in 1 .. n loop\n    :out := :out || l(i) || ';';\n  end loop;\n"
                   "end;"),
            "3:line 1;line 2;line 3;");
  EXPECT_EQ(out_of("declare\n  l dbmsoutput_linesarray;\n  n number := 100;\nbegin\n  dbms_output.get_lines(l, n);\n"
                   "  :out := n || ' ' || l.count || ' ' || l(l.last);\nend;"),
            "2 2 line 5")
      << "the partial line stays behind";
  EXPECT_EQ(out_of("declare l sys.dbmsoutput_linesarray; n number := 5; begin\n"
                   "  dbms_output.get_lines(l, n);\n  :out := n || ' ' || l.count || ' ' || nvl(l.first, 0);\nend;"),
            "0 0 0");
  EXPECT_EQ(out_of("declare l dbmsoutput_linesarray; n number := 5; begin\n  dbms_output.get_lines(l, n);\n"
                   "  :out := l(1);\nend;"),
            "error: ORA-06533: Subscript beyond count\nORA-06512: at line 3\n");
  EXPECT_EQ(out_of("declare l dbms_output.chararr; n number := 5; begin\n  dbms_output.get_lines(l, n);\n"
                   "  :out := l(0);\nend;"),
            "error: ORA-01403: no data found\nORA-06512: at line 3\n");
  EXPECT_EQ(s.exec("declare l dbms_output.chararr; n number; begin dbms_output.get_lines(n, l); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'GET_LINES'"),
            std::string::npos)
      << s.error_text();
}

TEST_F(LinesAndTypes, TypesAreStoredWithTheirSourceAndSyntaxChecked) {
  ASSERT_EQ(s.exec("create type point as object (\n  x number,\n  y number,\n"
                   "  member function norm return number\n)"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace type body point as\n  member function norm return number is\n  begin\n"
                   "    return sqrt(x * x + y * y);\n  end;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create type names as table of varchar2(30)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(catalog_rows("select name, type, status from vantro_plsql_objects order by name, type"),
            (std::vector<std::string>{"NAMES|TYPE|VALID", "POINT|TYPE|VALID", "POINT|TYPE BODY|VALID"}));
  EXPECT_EQ(catalog_rows("select line, text from vantro_plsql_source where name = 'POINT' and type = 'TYPE'"
                         " order by line"),
            (std::vector<std::string>{"1|type point as object (\n", "2|  x number,\n", "3|  y number,\n",
                                      "4|  member function norm return number\n", "5|)"}));
  EXPECT_EQ(s.exec("create type point as object (z number)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 955);
  EXPECT_EQ(s.exec("create type broken as object (x number"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select status from vantro_plsql_objects where name = 'BROKEN'"),
            std::vector<std::string>{"INVALID"});
  EXPECT_EQ(catalog_rows("select line, position, text from vantro_plsql_errors where name = 'BROKEN'"),
            std::vector<std::string>{"1|32|PLS-00103: Encountered the symbol \"end-of-file\" when expecting one of "
                                     "the following:\n\n   )"});
  EXPECT_EQ(s.exec("create type body lonely as member function f return number is begin return 1; end; end;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select text from vantro_plsql_errors where name = 'LONELY'"),
            std::vector<std::string>{"PLS-00304: cannot compile body of 'LONELY' without its package header"});
  EXPECT_EQ(s.exec("drop type point"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(catalog_rows("select count(*) from vantro_plsql_objects where name = 'POINT'"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(s.exec("drop type body names"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04043: object NAMES does not exist\n");
}

TEST_F(LinesAndTypes, CutShortDefinitionsGetErrorsNotCrashes) {
  ASSERT_EQ(s.exec("create table t (n number)"), OCI_SUCCESS);
  for (const char* text :
       {"create package", "create package p", "create package p is", "create package body", "create package body p is",
        "create or replace package p is procedure", "create package q is procedure x(; end;", "create type",
        "create type body", "create type z as", "create type body z is", "create trigger", "create trigger x",
        "create trigger x before", "create trigger x before insert", "create trigger x before insert on",
        "create trigger x before insert on t for", "create trigger x before insert on t when (", "drop trigger",
        "alter trigger x", "alter package", "alter package p compile body extra", "drop package body",
        "create trigger x before insert or update of on t begin null; end;", "begin x.y.z.w; end;",
        "begin dbms_output.get_lines; end;", "declare l dbms_output.chararr; begin :x := l(; end;",
        "drop procedure nothing here", "drop type names cascade"}) {
    sword rc = s.exec(text);
    EXPECT_TRUE(rc == OCI_ERROR || rc == OCI_SUCCESS_WITH_INFO) << text;
    if (rc == OCI_ERROR) {
      EXPECT_EQ(s.error_text().compare(0, 4, "ORA-"), 0) << text << ": " << s.error_text();
    }
  }
}

}  // namespace

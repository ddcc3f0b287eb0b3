// BOOLEAN is a PL/SQL type: SQL takes no condition where a value goes, and a BOOLEAN
// argument goes to BOOLEAN parameters only (PLS-00306 at compile time otherwise), for the
// built-in procedures and for stored and local subprograms alike.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class BooleanValues : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  // The first line of the error a statement gives, "" when it succeeds.
  std::string error_of(const std::string& sql) {
    if (s.exec(sql) == OCI_SUCCESS) return "";
    std::string e = s.error_text();
    return e.substr(0, e.find('\n'));
  }
  // The PLS- line of a block's compile error, "" when it runs.
  std::string pls_of(const std::string& block) {
    if (s.exec(block) == OCI_SUCCESS) return "";
    std::string e = s.error_text();
    std::size_t at = e.find("PLS-");
    return at == std::string::npos ? e : e.substr(at, e.find('\n', at) - at);
  }
  OciSession s;
};

TEST_F(BooleanValues, AConditionIsNoSelectItem) {
  ASSERT_EQ(s.exec("create table t (a number)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(error_of("select 1 > 0 from dual"), "ORA-00923: FROM keyword not found where expected");
  EXPECT_EQ(error_of("select a > 0 from t"), "ORA-00923: FROM keyword not found where expected");
  EXPECT_EQ(error_of("select a, a is null from t"), "ORA-00923: FROM keyword not found where expected");
  EXPECT_EQ(error_of("select a between 1 and 2 x from t"), "ORA-00923: FROM keyword not found where expected");
  EXPECT_EQ(error_of("select (a > 0) from t"), "ORA-00907: missing right parenthesis");
  EXPECT_EQ(error_of("select nvl(a > 0, 1) from t"), "ORA-00907: missing right parenthesis");
  EXPECT_EQ(error_of("select a from t where decode(a, 1 = 1, 1) = 1"), "ORA-00907: missing right parenthesis");
  EXPECT_EQ(s.rows("select count(*) from dual where lnnvl(1 > 2)"), (Rows{"1"}));
  // Conditions inside values are untouched.
  EXPECT_EQ(s.rows("select case when 1 > 0 then 'Y' end, (select count(*) from t where a > 0), -(2) from dual"),
            (Rows{"Y|0|-2"}));
}

TEST_F(BooleanValues, BuiltinProceduresTakeTheirOwnTypes) {
  const std::string wrong = "PLS-00306: wrong number or types of arguments in call to 'PUT_LINE'";
  EXPECT_EQ(pls_of("declare a number := 1; b number := 2; begin dbms_output.put_line(a > b); end;"), wrong);
  EXPECT_EQ(pls_of("declare f boolean := true; begin dbms_output.put_line(f); end;"), wrong);
  EXPECT_EQ(pls_of("begin dbms_output.put_line(true); end;"), wrong);
  EXPECT_EQ(pls_of("begin dbms_output.put_line(1 = 1 or 2 is null); end;"), wrong);
  EXPECT_EQ(pls_of("begin dbms_output.put(not false); end;"), "PLS-00306: wrong number or types of arguments in call to 'PUT'");
  EXPECT_EQ(pls_of("declare n number := 3; begin dbms_output.put_line(n * 2 || 'x'); end;"), "");
  EXPECT_EQ(pls_of("begin dbms_output.put_line(null); dbms_output.put_line(case when 1 > 0 then 'y' end); end;"), "");
  // RAISE_APPLICATION_ERROR's third parameter is the BOOLEAN one.
  EXPECT_EQ(pls_of("begin raise_application_error(-20001, 1 > 0); end;"),
            "PLS-00306: wrong number or types of arguments in call to 'RAISE_APPLICATION_ERROR'");
  EXPECT_EQ(error_of("begin raise_application_error(-20001, 'stop', 1 < 2); end;"), "ORA-20001: stop");
}

TEST_F(BooleanValues, SubprogramParametersTakeTheirOwnTypes) {
  ASSERT_EQ(s.exec("create table log (v varchar2(20))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("create or replace procedure pb(flag boolean, n number) is begin"
                   " insert into log values (case when flag then 'T' else 'F' end || n); end;"),
            OCI_SUCCESS)
      << s.error_text();
  const std::string wrong = "PLS-00306: wrong number or types of arguments in call to 'PB'";
  EXPECT_EQ(pls_of("begin pb(1, 5); end;"), wrong);
  EXPECT_EQ(pls_of("begin pb(true, 1 = 1); end;"), wrong);
  EXPECT_EQ(pls_of("begin pb(n => 2 > 1, flag => true); end;"), wrong);
  EXPECT_EQ(pls_of("declare x number := 1; begin pb(x, 2); end;"), wrong);
  EXPECT_EQ(pls_of("declare x boolean := 3 > 2; begin pb(x, 7); pb(n => 8, flag => not x); pb(null, 9);"
                   " pb(sql%found, 10); end;"),
            "");
  EXPECT_EQ(s.rows("select v from log order by 1"), (Rows{"F10", "F8", "F9", "T7"}));
  // A local procedure, and an overload chosen by the BOOLEAN argument.
  EXPECT_EQ(pls_of("declare procedure p(s varchar2) is begin null; end; begin p(1 > 0); end;"),
            "PLS-00306: wrong number or types of arguments in call to 'P'");
  ASSERT_EQ(s.exec("create or replace package pk is procedure p(b boolean); procedure p(n number); end;"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace package body pk is procedure p(b boolean) is begin insert into log values"
                   " ('bool'); end; procedure p(n number) is begin insert into log values ('num'); end; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(pls_of("begin delete from log; pk.p(1 < 2); pk.p(12); end;"), "");
  EXPECT_EQ(s.rows("select v from log order by 1"), (Rows{"bool", "num"}));
}

}  // namespace

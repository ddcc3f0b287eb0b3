// PL/SQL's messages: SQLERRM(code) with Oracle's texts for error numbers (arguments left
// empty), success, NO_DATA_FOUND's +100, user-defined and unknown codes, SQLERRM alone
// still giving the current error; identifiers over 128 bytes in PL/SQL and in SQL.
#include "oci_session.h"

namespace {

TEST(Sqlerrm, TextsForCodes) {
  test_home();
  ASSERT_NE(test_oci(), nullptr);
  OciSession s;
  ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  std::string block = "begin";
  for (const char* code : {"-1", "0", "100", "1", "5", "-942", "-99999", "-20001", "null"})
    block += std::string(" dbms_output.put_line(nvl(sqlerrm(") + code + "), '<null>'));";
  block += " raise no_data_found; exception when others then dbms_output.put_line(sqlerrm); end;";
  EXPECT_EQ(server_output_of(s, block),
            "ORA-00001: unique constraint (.) violated|ORA-0000: normal, successful completion|"
            "ORA-01403: no data found|User-Defined Exception|-5: non-ORACLE exception|"
            "ORA-00942: table or view does not exist|"
            "ORA-99999: Message 99999 not found;  product=RDBMS; facility=ORA|ORA-20001: |<null>|"
            "ORA-01403: no data found");
}

TEST(PlsqlMessages, IdentifiersOverTheLimit) {
  test_home();
  ASSERT_NE(test_oci(), nullptr);
  OciSession s;
  ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  const std::string longest(128, 'a'), over = longest + "b";
  EXPECT_EQ(s.exec("declare " + longest + " number := 1; begin null; end;"), OCI_SUCCESS) << s.error_text();
  s.exec("declare\n  " + over + " number; begin null; end;");
  EXPECT_EQ(s.error_text(), "ORA-06550: line 2, column 3:\nPLS-00114: identifier '" + std::string(128, 'A') +
                                "B' too long\n");
  s.exec("begin null; end \"" + over + "\";");
  EXPECT_EQ(s.error_text(), "ORA-06550: line 1, column 17:\nPLS-00114: identifier '" + over + "' too long\n");
  s.exec("select 1 " + over + " from dual");
  EXPECT_EQ(s.error_text(), "ORA-00972: identifier is too long\n");
  EXPECT_EQ(s.value("select 1 " + longest + " from dual"), "1");
}

}  // namespace

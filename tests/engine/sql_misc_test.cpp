// Everyday conversions and key errors on the embedded engine: TO_CLOB, TO_NCLOB and
// TO_BLOB; ORA-00001 naming the violated constraint or unique index (SQL and PL/SQL);
// USER_CONSTRAINTS.INDEX_NAME and INDEX_OWNER for the keys' indexes.
#include "oci_session.h"

#include <filesystem>

namespace {

using Rows = std::vector<std::string>;

class SqlMisc : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string fails(const std::string& sql) {
    if (s.exec(sql) == OCI_SUCCESS) return "succeeded";
    std::string e = s.error_text();
    return e.substr(0, e.find('\n'));
  }
  OciSession s;
};

TEST_F(SqlMisc, LobConversionFunctions) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"to_clob('abc')", "abc"},
      {"to_clob(12.5)", "12.5"},
      {"to_clob(null)", "<null>"},
      {"to_nclob('n' || 'x')", "nx"},
      {"rawtohex(to_blob('c3a9'))", "C3A9"},
      {"rawtohex(to_blob(hextoraw('01ff')))", "01FF"},
      {"to_clob(to_blob('C3A941'))", "\xC3\xA9" "A"},
      {"dbms_lob.getlength(to_clob('h\xC3\xA9llo'))", "5"},
      {"dbms_lob.getlength(to_blob('C3A9'))", "2"},
      {"to_blob('xz')", "error: ORA-01465: invalid hex number\n"},
      {"to_clob()", "error: ORA-00909: invalid number of arguments\n"},
      {"to_nclob('a', 'b')", "error: ORA-00909: invalid number of arguments\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(s.value(std::string("select ") + c.first + " from dual"), c.second) << c.first;
  run("create table docs (id number, body clob, img blob)");
  run("insert into docs select 1, to_clob('text ' || 42), to_blob('0A0B0C') from dual");
  EXPECT_EQ(s.rows("select body, dbms_lob.getlength(img), rawtohex(dbms_lob.substr(img, 2, 2)) from docs"),
            (Rows{"text 42|3|0B0C"}));
}

TEST_F(SqlMisc, UniqueViolationsNameTheKeyAndItsIndex) {
  run("create table t (a number primary key, b varchar2(10), c varchar2(10) constraint t_c_uk unique)");
  run("create unique index t_up on t (upper(b))");
  run("create table t2 (x number, y number, constraint t2_y_uk unique (y) disable)");
  run("create unique index t2_x on t2 (x)");
  run("create table t3 (k number constraint t3_k_uk unique deferrable, r number references t)");
  run("insert into t values (1, 'a', 'p')");
  run("insert into t2 values (1, 1)");
  std::string pk = s.value("select constraint_name from user_constraints where table_name = 'T' and constraint_type = 'P'");
  const std::string violated = "ORA-00001: unique constraint (" + s.value("select user from dual") + ".";
  EXPECT_EQ(fails("insert into t values (1, 'b', 'q')"), violated + pk + ") violated");
  EXPECT_EQ(fails("insert into t values (2, 'A', 'r')"), violated + "T_UP) violated");
  EXPECT_EQ(fails("insert into t values (3, 'z', 'p')"), violated + "T_C_UK) violated");
  EXPECT_EQ(fails("insert into t2 values (1, 2)"), violated + "T2_X) violated");
  // The same from PL/SQL: the text then carries the block's line.
  EXPECT_EQ(fails("begin insert into t values (2, 'A', 'r'); end;"), violated + "T_UP) violated");
  EXPECT_EQ(fails("begin\n  update t2 set x = x;\n  insert into t2 values (1, 3);\nend;"), violated + "T2_X) violated");
  EXPECT_EQ(fails("begin insert into t values (1, 'q', 'q'); end;"), violated + pk + ") violated");
  // The enforcing index of each enabled primary and unique key; none for other constraints.
  EXPECT_EQ(s.rows("select table_name, constraint_type, index_name, nvl2(index_owner, 'owner', 'none') from user_constraints"
                   " where table_name like 'T%' order by table_name, constraint_type, constraint_name"),
            (Rows{"T|P|" + pk + "|owner", "T|U|T_C_UK|owner", "T2|U|<null>|none", "T3|R|<null>|none",
                  "T3|U|T3_K_UK|owner"}));
  EXPECT_EQ(s.value("select count(*) from user_constraints c join user_indexes i on i.index_name = c.index_name"
                    " where c.table_name = 'T'"),
            "2");
}

}  // namespace

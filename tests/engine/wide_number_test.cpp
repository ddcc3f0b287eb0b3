// NUMBER values with Oracle's full precision (20 base-100 digits) through OCI: quotients
// and averages keep 39-40 digits, long literals and stored values are exact, columns
// round to their scale and refuse by precision, and wide values compare, group and
// travel through OCINumber binds and defines.
#include "oci_session.h"

#include <cstring>
#include <filesystem>

namespace {

class WideNumber : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  OciSession s;
};

TEST_F(WideNumber, QuotientsAndLiteralsKeepOraclesDigits) {
  const char* cases[][2] = {
      {"1/3", ".3333333333333333333333333333333333333333"},
      {"2/3", ".6666666666666666666666666666666666666667"},
      {"10/3", "3.33333333333333333333333333333333333333"},  // 20 base-100 digits: 03.33 ...
      {"1/7", ".1428571428571428571428571428571428571429"},
      {"-1/3", "-.3333333333333333333333333333333333333333"},
      {"1234567890123456789012345678901234567890", "1234567890123456789012345678901234567890"},
      {"3.14159265358979323846264338327950288419", "3.14159265358979323846264338327950288419"},
      // Digits past NUMBER's precision round half away from zero.
      {"1.23456789012345678901234567890123456789512345", "1.2345678901234567890123456789012345679"},
      {"to_number('12345678901234567890.123456789')", "12345678901234567890.123456789"},
      {"to_char(1/3)", ".3333333333333333333333333333333333333333"},
      {"'x' || 2/3", "x.6666666666666666666666666666666666666667"},
      {"cast(1/3 as varchar2(50))", ".3333333333333333333333333333333333333333"},
      {"1/3 * 3", ".9999999999999999999999999999999999999999"},
      {"9223372036854775807 + 1", "9223372036854775808"},
      {"99999999999999999999 * 99999999999999999999", "9999999999999999999800000000000000000001"},
      {"1e-131", "0"},
      {"1e-130 * 1", "1.0E-130"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c[0]), c[1]) << c[0];
  EXPECT_EQ(v("1e125 * 10"), "error: ORA-01426: numeric overflow\n");
  EXPECT_EQ(v("case when 0.1 + 0.2 = 0.3 then 'yes' else 'no' end"), "yes");
  EXPECT_EQ(v("case when 1/3 = 1/3 then 'yes' else 'no' end"), "yes");
  EXPECT_EQ(v("case when 1/3 = .3333333333333333333333333333333333333333 then 'yes' else 'no' end"), "yes");
}

TEST_F(WideNumber, AggregatesAreExact) {
  std::string error;
  ASSERT_TRUE(create_emp_table(s, &error)) << error;
  EXPECT_EQ(s.value("select avg(sal) from emp"), "2073.214285714285714285714285714285714286");
  ASSERT_EQ(s.exec("create table tiny(x number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into tiny select 0.0001 from dual connect by level <= 10000"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select sum(x) from tiny"), "1");
  EXPECT_EQ(s.value("select case when sum(x) = 1 then 'yes' end from tiny"), "yes");
  EXPECT_EQ(s.value("select sum(1/3) from tiny where rownum <= 3"), ".9999999999999999999999999999999999999999");
}

TEST_F(WideNumber, ColumnsRoundToTheirScaleAndRefuseByPrecision) {
  ASSERT_EQ(s.exec("create table c(p number(5,2), b number(38), i integer, n number, f float(10))"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into c values (123.455, 99999999999999999999, 12345678901234567890123, 1/3, 1/3)"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into c values (-123.455, 1, 1.5, 3.14159265358979323846264338327950288419, 123456)"),
            OCI_SUCCESS)
      << s.error_text();
  auto r = s.rows("select p, b, i, n, f from c order by p");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], "-123.46|1|2|3.14159265358979323846264338327950288419|123500");
  EXPECT_EQ(r[1], "123.46|99999999999999999999|12345678901234567890123|.3333333333333333333333333333333333333333|.3333");
  EXPECT_EQ(s.exec("insert into c (p) values (1000)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1438);
  EXPECT_EQ(s.exec("insert into c (p) values (999.995)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1438);
  EXPECT_EQ(s.exec("insert into c (b) values (1e38)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1438);
  // Values given as text or computed are stored the same way as literals.
  ASSERT_EQ(s.exec("insert into c (p, n) values ('-0.005', '12345678901234567890.5')"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select p || ' ' || n from c where p = -0.01"), "-.01 12345678901234567890.5");
}

TEST_F(WideNumber, WideValuesCompareGroupAndDeduplicate) {
  ASSERT_EQ(s.exec("create table w(k number, g varchar2(5))"), OCI_SUCCESS) << s.error_text();
  const char* inserts[] = {
      "insert into w values (1/3, 'a')",
      "insert into w values (.3333333333333333333333333333333333333333, 'b')",
      "insert into w values (2/3, 'c')",
      "insert into w values (to_number('0.6666666666666666666666666666666666666667'), 'd')",
      "insert into w values (0.5, 'e')",
  };
  for (const char* i : inserts) ASSERT_EQ(s.exec(i), OCI_SUCCESS) << i << "\n" << s.error_text();
  EXPECT_EQ(s.value("select count(distinct k) from w"), "3");
  EXPECT_EQ(s.value("select count(*) from w where k = 1/3"), "2");
  EXPECT_EQ(s.value("select count(*) from w a join w b on a.k = b.k"), "9");
  auto groups = s.rows("select count(*), min(g) from w group by k order by min(g)");
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0], "2|a");
  EXPECT_EQ(groups[1], "2|c");
  EXPECT_EQ(groups[2], "1|e");
  EXPECT_EQ(s.value("select greatest(k, 0.5) || ' ' || least(k, 0.5, 1e-100) from w where g = 'c'"),
            ".6666666666666666666666666666666666666667 1.0E-100");
}

TEST_F(WideNumber, PlsqlHoldsTheExactValue) {
  EXPECT_EQ(server_output_of(s, "declare x number; begin x := 1/3; dbms_output.put_line(x);"
                                " dbms_output.put_line(to_char(x * 3)); end;"),
            ".3333333333333333333333333333333333333333|.9999999999999999999999999999999999999999");
  EXPECT_EQ(server_output_of(s, "declare x number := 12345678901234567890123; y pls_integer := 7;"
                                " begin dbms_output.put_line(x + 1 || ' ' || y / 2); end;"),
            "12345678901234567890124 3.5");
}

// OCINumber: the length byte, then Oracle's bytes.
TEST_F(WideNumber, OciNumberBindsAndDefines) {
  ASSERT_EQ(s.exec("create table o(n number)"), OCI_SUCCESS) << s.error_text();
    // 1.2345678901234567890123456789012345678 (38 digits): exponent 0xC1, then the base-100
    // digits 1, 23, 45 ... 67, 80, each plus one.
  unsigned char num[22] = {21, 0xC1, 2, 24, 46, 68, 90, 2, 24, 46, 68, 90, 2, 24, 46, 68, 90, 2, 24, 46, 68, 81};
  {
    OciStatement ins(s, "insert into o values (:1)");
    OCIBind* b = nullptr;
    ASSERT_EQ(s.oci->OCIBindByPos(ins.stmt, &b, s.err, 1, num, sizeof num, SQLT_VNU, nullptr, nullptr, nullptr, 0,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(ins.execute(1), OCI_SUCCESS) << s.error_text();
  }
  EXPECT_EQ(s.value("select n from o"), "1.2345678901234567890123456789012345678");
  OciStatement st(s, "select n, -n, 1/3 from o");
  unsigned char out[3][22];
  std::memset(out, 0, sizeof out);
  OCIDefine* d[3] = {};
  for (ub4 i = 0; i < 3; ++i)
    ASSERT_EQ(s.oci->OCIDefineByPos(st.stmt, &d[i], s.err, i + 1, out[i], 22, SQLT_VNU, nullptr, nullptr, nullptr,
                                    OCI_DEFAULT),
              OCI_SUCCESS);
  ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(st.fetch(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(std::memcmp(out[0], num, sizeof num), 0);
  // The negative: complemented exponent and digits (twenty of them: no 102 after them).
  EXPECT_EQ(out[1][0], 21);
  EXPECT_EQ(out[1][1], 0x3E);
  EXPECT_EQ(out[1][2], 101 - 1);
  EXPECT_EQ(out[1][21], 101 - 80);
  // 1/3: exponent 0xC0 (100^-1), twenty digits 33.
  EXPECT_EQ(out[2][0], 21);
  EXPECT_EQ(out[2][1], 0xC0);
  EXPECT_EQ(out[2][21], 34);
}

}  // namespace

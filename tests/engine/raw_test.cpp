// RAW functions and ORA_HASH on the embedded engine: HEXTORAW and RAWTOHEX with Oracle's
// implicit conversions, UTL_RAW's casts, lengths, concatenation and byte ranges, and the
// errors Oracle gives for bad hex digits and positions.
#include "oci_session.h"

#include <filesystem>
#include <set>

namespace {

class RawFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  OciSession s;
};

TEST_F(RawFunctions, HexConversionsBothWays) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"hextoraw('0aFf')", "0AFF"},
      {"hextoraw('abc')", "0ABC"},
      {"hextoraw(null)", "<null>"},
      {"rawtohex(hextoraw('7f00'))", "7F00"},
      {"rawtohex('ab')", "AB"},
      {"rawtohex(null)", "<null>"},
      {"length(rawtohex(hextoraw('00ff')))", "4"},
      {"hextoraw('xy')", "error: ORA-01465: invalid hex number\n"},
      {"rawtohex('12g4')", "error: ORA-01465: invalid hex number\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(RawFunctions, UtlRawCastsLengthsConcatAndSubstr) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"utl_raw.cast_to_raw('AB')", "4142"},
      {"utl_raw.cast_to_raw('ä')", "C3A4"},
      {"utl_raw.cast_to_raw(null)", "<null>"},
      {"utl_raw.cast_to_varchar2(hextoraw('4142'))", "AB"},
      {"utl_raw.cast_to_varchar2('C3A4')", "ä"},
      {"utl_raw.length(hextoraw('010203'))", "3"},
      {"utl_raw.length(utl_raw.cast_to_raw('äb'))", "3"},
      {"utl_raw.length(null)", "<null>"},
      {"utl_raw.concat(hextoraw('01'), null, '0203')", "010203"},
      {"utl_raw.concat(null, null)", "<null>"},
      {"utl_raw.substr('0102030405', 2, 3)", "020304"},
      {"utl_raw.substr('0102030405', -2)", "0405"},
      {"utl_raw.substr('0102030405', 5, 1)", "05"},
      {"utl_raw.substr(null, 1)", "<null>"},
      {"utl_raw.substr('0102', 0)", "error: ORA-06502: PL/SQL: numeric or value error\n"},
      {"utl_raw.substr('0102', 3)", "error: ORA-06502: PL/SQL: numeric or value error\n"},
      {"utl_raw.substr('0102', 1, 3)", "error: ORA-06502: PL/SQL: numeric or value error\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(RawFunctions, RawValuesStoreAndReadBack) {
  run("create table blobs (id number, r raw(10))");
  run("insert into blobs values (1, utl_raw.cast_to_raw('hi'))");
  run("insert into blobs values (2, utl_raw.concat(hextoraw('00'), utl_raw.substr('A1B2C3', 2)))");
  EXPECT_EQ(s.rows("select id, rawtohex(r), utl_raw.length(r), utl_raw.cast_to_varchar2(r) from blobs where id = 1"),
            (std::vector<std::string>{"1|6869|2|hi"}));
  EXPECT_EQ(s.value("select r from blobs where id = 2"), "00B2C3");
  EXPECT_EQ(server_output_of(s, "declare h varchar2(20) := rawtohex(utl_raw.cast_to_raw('xy')); begin "
                                "dbms_output.put_line(h || ' ' || utl_raw.length(hextoraw(h))); end;"),
            "7879 2");
}

// ORA_HASH: the same value hashes to the same bucket, always within 0..max_bucket; the
// seed changes the hash.
TEST_F(RawFunctions, OraHashIsDeterministicAndWithinItsBuckets) {
  run("create table words (w varchar2(10), n number)");
  for (int i = 0; i < 40; ++i)
    run("insert into words values ('w" + std::to_string(i) + "', " + std::to_string(i) + ")");
  EXPECT_EQ(s.value("select count(*) from words where ora_hash(w, 3) not between 0 and 3"), "0");
  EXPECT_EQ(s.value("select count(distinct ora_hash(w, 3)) from words"), "4");
  EXPECT_EQ(s.value("select count(*) from words where ora_hash(w) <> ora_hash(w, 4294967295, 0)"), "0");
  EXPECT_EQ(s.value("select count(*) from words where ora_hash(n) <> ora_hash(n + 0.0)"), "0");
  std::string before = v("ora_hash(date '2024-02-29', 1000000)");
  run("alter session set nls_date_format = 'YYYY/MM/DD'");
  EXPECT_EQ(v("ora_hash(date '2024-02-29', 1000000)"), before) << "the value, not its text, is hashed";
  EXPECT_EQ(v("ora_hash('x', 0)"), "0");
  EXPECT_EQ(v("ora_hash(null)"), "<null>");
  std::set<std::string> seeded;
  for (int seed = 0; seed < 5; ++seed) seeded.insert(v("ora_hash('same', 1000000, " + std::to_string(seed) + ")"));
  EXPECT_GT(seeded.size(), 1u);
  EXPECT_EQ(v("ora_hash('x', -1)"), "error: ORA-01428: argument '-1' is out of range\n");
  EXPECT_EQ(v("ora_hash('x', 1, 4294967296)"), "error: ORA-01428: argument '4294967296' is out of range\n");
}

TEST_F(RawFunctions, PlsqlTextOfRawValuesIsHex) {
  run("create table r (b raw(4))");
  run("insert into r values (hextoraw('00FF41'))");
  EXPECT_EQ(server_output_of(s,
                             "declare v varchar2(10) := hextoraw('41'); w varchar2(6); begin"
                             " select b into w from r; dbms_output.put_line(v || ' ' || w);"
                             " dbms_output.put_line(utl_raw.cast_to_raw('AB')); end;"),
            "41 00FF41|4142");
  EXPECT_EQ(server_output_of(s, "declare w varchar2(5); begin select b into w from r; end;"),
            "error: ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
            "ORA-06512: at line 1\n");
}

TEST_F(RawFunctions, StandardHashIsRefused) {
  EXPECT_EQ(s.exec("select standard_hash('abc', 'SHA256') from dual"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 3001);
}

}  // namespace

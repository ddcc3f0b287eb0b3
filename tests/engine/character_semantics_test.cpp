// Text as characters of AL32UTF8 on the embedded engine: the character functions count
// characters (their B forms bytes), the case functions know letters beyond ASCII, and
// Oracle's answers for positions, sets and lengths hold for multibyte text.
#include "oci_session.h"

#include <filesystem>

namespace {

struct Case {
  const char* expr;
  const char* oracle;  // Oracle's answer; "<null>" for NULL
};

class CharacterSemantics : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(s.value(std::string("select ") + c.expr + " from dual"), c.oracle) << c.expr;
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string error_of(const std::string& sql) { return s.exec(sql) == OCI_SUCCESS ? "ok" : s.error_text(); }
  // The first column's describe (data size, char size, char used) and its first value
  // fetched into a buffer of exactly the described size, as a client allocates it.
  struct Described {
    ub2 data_size = 0, char_size = 0;
    ub1 char_used = 0;
    std::string value;
    ub2 rcode = 0;
  };
  Described describe_and_fetch(const std::string& sql) {
    Described d;
    OciStatement st(s, sql);
    EXPECT_EQ(st.execute(0), OCI_SUCCESS) << sql << "\n" << s.error_text();
    void* p = nullptr;
    EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, 1), OCI_SUCCESS);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &d.data_size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &d.char_size, nullptr, OCI_ATTR_CHAR_SIZE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &d.char_used, nullptr, OCI_ATTR_CHAR_USED, s.err);
    std::vector<char> buf(static_cast<std::size_t>(d.data_size) + 1, '\0');
    sb2 ind = 0;
    OCIDefine* def = nullptr;
    s.oci->OCIDefineByPos(st.stmt, &def, s.err, 1, buf.data(), static_cast<sb4>(buf.size()), SQLT_STR, &ind, nullptr,
                          &d.rcode, OCI_DEFAULT);
    EXPECT_EQ(st.fetch(1), OCI_SUCCESS) << sql << "\n" << s.error_text();
    d.value = buf.data();
    return d;
  }
  OciSession s;
};

TEST_F(CharacterSemantics, LengthAndSubstrCountCharactersTheirBFormsBytes) {
  check({
      {"length('héllo')", "5"},
      {"lengthc('€uro')", "4"},
      {"lengthb('héllo')", "6"},
      {"lengthb('')", "<null>"},
      {"substr('héllo', 2, 1)", "é"},
      {"substr('héllo', 0, 2)", "hé"},
      {"substr('€€€', -2)", "€€"},
      {"substr('héllo', -5, 2)", "hé"},
      {"substr('héllo', -6)", "<null>"},
      {"substr('héllo', 6)", "<null>"},
      {"substr('héllo', 2, 0)", "<null>"},
      {"substr('héllo', 2, -1)", "<null>"},
      {"substr('héllo', 2.9, 1.9)", "é"},
      {"substr(null, 1)", "<null>"},
      {"substr('héllo', null)", "<null>"},
      {"substrb('héllo', 1, 3)", "hé"},
      {"substrb('héllo', 4)", "llo"},
      {"substrb('héllo', -3, 2)", "ll"},
  });
}

TEST_F(CharacterSemantics, InstrFindsCharacterPositionsForwardsAndBackwards) {
  check({
      {"instr('héllo', 'l')", "3"},
      {"instrb('héllo', 'l')", "4"},
      {"instr('€a€a', '€', 1, 2)", "3"},
      {"instr('€a€a', '€', 2)", "3"},
      {"instr('€a€a', '€', -1)", "3"},
      {"instr('€a€a', 'a', -1, 2)", "2"},
      {"instr('€a€a', 'a', -3)", "2"},
      {"instr('ééé', 'éé', 1, 2)", "2"},
      {"instr('ééé', 'x')", "0"},
      {"instr('ééé', 'é', 0)", "0"},
      {"instr('ééé', 'é', 4)", "0"},
      {"instr('ééé', null)", "<null>"},
  });
  EXPECT_EQ(s.value("select instr('abc', 'b', 1, 0) from dual"), "error: ORA-01428: argument '0' is out of range\n");
}

TEST_F(CharacterSemantics, PadsAndTrimsWorkInCharacters) {
  check({
      {"lpad('€', 3, 'x')", "xx€"},
      {"lpad('€', 3, '€')", "€€€"},
      {"rpad('é', 4, '€é')", "é€é€"},
      {"lpad('ééé', 2)", "éé"},
      {"rpad('ab', 3, 'ñ')", "abñ"},
      {"lpad('x', 0)", "<null>"},
      {"length(rpad('q', 40000))", "4000"},
      {"lengthb(rpad('€', 2000, '€'))", "3999"},
      {"ltrim('ééaé', 'é')", "aé"},
      {"rtrim('aéxéx', 'éx')", "a"},
      {"ltrim('€€', '€')", "<null>"},
      {"rtrim('aé', 'è')", "aé"},
      {"translate('héllo', 'é', 'e')", "hello"},
      {"translate('abc', 'abc', '€ä')", "€ä"},
      {"translate('ñandú', 'ñú', 'nu')", "nandu"},
      {"replace('€a€', '€', 'e')", "eae"},
  });
}

TEST_F(CharacterSemantics, CaseFunctionsKnowLettersBeyondAscii) {
  check({
      {"upper('héllo wörld')", "HÉLLO WÖRLD"},
      {"lower('ÀÉÎÕÜÇ')", "àéîõüç"},
      {"upper('straße')", "STRAßE"},
      {"upper('ÿ')", "Ÿ"},
      {"upper('łódź')", "ŁÓDŹ"},
      {"lower('ΑΒΓ ΆΈΏ')", "αβγ άέώ"},
      {"upper('привет ёж')", "ПРИВЕТ ЁЖ"},
      {"initcap('élan vital')", "Élan Vital"},
      {"initcap('ΚΑΛΗ ΜΕΡΑ')", "Καλη Μερα"},
      {"initcap('éa-ÉB')", "Éa-Éb"},
      {"upper(null)", "<null>"},
  });
}

TEST_F(CharacterSemantics, AsciiChrAndVsizeUseTheStoredBytes) {
  check({
      {"ascii('€')", "14844588"},
      {"ascii('A€')", "65"},
      {"chr(14844588)", "€"},
      {"chr(50089)", "é"},
      {"chr(65)", "A"},
      {"vsize('héllo')", "6"},
      {"vsize(123)", "3"},
      {"vsize(1000)", "2"},
      {"vsize(-1)", "3"},
      {"vsize(0)", "1"},
      {"vsize(0.5)", "2"},
      {"vsize(12.5)", "3"},
      {"vsize(date '2020-01-01')", "7"},
      {"vsize(null)", "<null>"},
  });
}

// A column's length is in bytes unless declared in characters; Oracle refuses a longer
// value with ORA-12899 in the column's own unit, on INSERT and UPDATE alike.
TEST_F(CharacterSemantics, ColumnLengthsAreCheckedInTheirDeclaredUnit) {
  run("create table t (b varchar2(3), c varchar2(3 char), f char(2 char), n nvarchar2(2))");
  EXPECT_EQ(error_of("insert into t (b) values ('€€€')"),
            "ORA-12899: value too large for column \"SCOTT\".\"T\".\"B\" (actual: 9, maximum: 3)\n");
  run("insert into t (b) values ('abc')");
  run("insert into t (c, f, n) values ('€€€', 'éé', 'ññ')");
  EXPECT_EQ(error_of("insert into t (c) values ('€€€€')"),
            "ORA-12899: value too large for column \"SCOTT\".\"T\".\"C\" (actual: 4, maximum: 3)\n");
  EXPECT_EQ(error_of("update t set b = 'ééé' where b = 'abc'"),
            "ORA-12899: value too large for column \"SCOTT\".\"T\".\"B\" (actual: 6, maximum: 3)\n");
  EXPECT_EQ(error_of("update t set f = 'ééé' where c is not null"),
            "ORA-12899: value too large for column \"SCOTT\".\"T\".\"F\" (actual: 3, maximum: 2)\n");
  EXPECT_EQ(s.rows("select c, n, b from t order by b"), (std::vector<std::string>{"<null>|<null>|abc", "€€€|ññ|<null>"}));
  EXPECT_EQ(s.rows("select column_name, data_length, char_length, char_used from user_tab_columns "
                   "where table_name = 'T' order by column_id"),
            (std::vector<std::string>{"B|3|3|B", "C|12|3|C", "F|8|2|C", "N|4|2|C"}));
}

// Describe gives the most bytes a value can take, so that a fetch buffer of that size
// never cuts one: four bytes a character for CHAR semantics and for character results.
TEST_F(CharacterSemantics, DescribedSizesHoldEveryFetchedValue) {
  run("create table t (c varchar2(3 char), b varchar2(5))");
  run("insert into t values ('€€€', 'abc')");
  Described col = describe_and_fetch("select c from t");
  EXPECT_EQ(col.data_size, 12);
  EXPECT_EQ(col.char_size, 3);
  EXPECT_EQ(col.char_used, 1);
  EXPECT_EQ(col.value, "€€€");
  Described bytes = describe_and_fetch("select b from t");
  EXPECT_EQ(bytes.data_size, 5);
  EXPECT_EQ(bytes.char_used, 0);
  const char* expressions[][2] = {
      {"select lpad('€', 3, '€') from dual", "€€€"},
      {"select rpad(c, 4, 'é') from t", "€€€é"},
      {"select substr(c, 2) from t", "€€"},
      {"select upper(c) || lower(b) from t", "€€€abc"},
      {"select translate(b, 'abc', '€éñ') from t", "€éñ"},
      {"select chr(14844588) from dual", "€"},
      {"select case when b is null then b else c end from t", "€€€"},
      {"select c from t union all select b from t", "€€€"},
  };
  for (const auto& e : expressions) {
    Described d = describe_and_fetch(e[0]);
    EXPECT_EQ(d.value, e[1]) << e[0] << " (data size " << d.data_size << ")";
    EXPECT_EQ(d.rcode, 0) << e[0];
  }
}

}  // namespace

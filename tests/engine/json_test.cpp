// The SQL/JSON conditions and functions on the embedded engine: IS JSON, JSON_EXISTS,
// JSON_VALUE and JSON_QUERY with Oracle's lax path language and its clauses, over
// VARCHAR2, CLOB and BLOB documents, and the errors Oracle gives.
#include "oci_session.h"

#include <filesystem>

namespace {

class Json : public ::testing::Test {
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
  std::string yes(const std::string& cond) { return v("case when " + cond + " then 'Y' else 'N' end"); }
  OciSession s;
};

using Cases = std::vector<std::pair<std::string, std::string>>;

const char* const kDoc = "'{\"a\":1,\"b\":{\"c\":\"x\",\"d\":[10,20,30]},\"e\":[{\"f\":1},{\"f\":2}],\"g\":null,"
                         "\"h\":true,\"k y\":\"q\"}'";

TEST_F(Json, IsJsonIsLaxUnlessStrict) {
  const Cases cases = {
      {"'{\"a\":1}' is json", "Y"},
      {"'[1,2]' is json", "Y"},
      {"'{a:1}' is json", "Y"},
      {"'{a:1}' is json strict", "N"},
      {"'{''a'':''b''}' is json", "Y"},
      {"'{\"a\":1,}' is json", "N"},
      {"'{\"a\":01}' is json", "N"},
      {"'abc' is json", "N"},
      {"'1' is json", "N"},
      {"'{\"a\":1} x' is json", "N"},
      {"'{\"a\":1,\"a\":2}' is json", "Y"},
      {"'{\"a\":1,\"a\":2}' is json with unique keys", "N"},
      {"'{\"a\":1}' is not json", "N"},
      {"'{' is not json", "Y"},
      {"null is json", "N"},
      {"null is not json", "N"},
  };
  for (const auto& c : cases) EXPECT_EQ(yes(c.first), c.second) << c.first;
}

TEST_F(Json, IsJsonInACheckConstraint) {
  run("create table docs (id number, doc varchar2(200) check (doc is json))");
  run("insert into docs values (1, '{\"a\":1}')");
  EXPECT_NE(s.exec("insert into docs values (2, 'not json')"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 2290) << s.error_text();
  run("insert into docs values (3, null)");
  EXPECT_EQ(s.value("select count(*) from docs"), "2");
}

TEST_F(Json, ValueFollowsThePathLanguage) {
  const std::string d = kDoc;
  const Cases cases = {
      {"json_value(" + d + ", '$.a')", "1"},
      {"json_value(" + d + ", '$.b.c')", "x"},
      {"json_value(" + d + ", '$.b.d[1]')", "20"},
      {"json_value(" + d + ", '$.b.d[last]')", "30"},
      {"json_value(" + d + ", '$.b.d[last-2]')", "10"},
      {"json_value(" + d + ", '$.e[1].f')", "2"},
      {"json_value(" + d + ", '$.\"k y\"')", "q"},
      {"json_value(" + d + ", '$.h')", "true"},
      {"json_value(" + d + ", '$.g')", "<null>"},
      {"json_value(" + d + ", '$.zz')", "<null>"},
      {"json_value(" + d + ", '$.a[0]')", "1"},
      {"json_value(" + d + ", '$.b.d')", "<null>"},
      {"json_value(" + d + ", '$.e.f')", "<null>"},
      {"json_value('{\"a\":\"caf\\u00e9\"}', '$.a')", "caf\xc3\xa9"},
      {"json_value('not json', '$.a')", "<null>"},
      {"json_value(null, '$.a')", "<null>"},
      {"json_value(" + d + ", '$.a' returning number) + 1", "2"},
      {"json_value('{\"a\":\"12.5\"}', '$.a' returning number) * 2", "25"},
      {"json_value(" + d + ", '$.b.c' returning number)", "<null>"},
      {"json_value(" + d + ", '$.zz' default 'none' on error)", "none"},
      {"json_value(" + d + ", '$.zz' default 'e' on error default 'm' on empty)", "m"},
      {"json_value(" + d + ", '$.b' default 'e' on error default 'm' on empty)", "e"},
      {"json_value(" + d + ", '$.zz' returning number default 7 on empty)", "7"},
      {"json_value('{\"a\":\"abcdef\"}', '$.a' returning varchar2(3))", "<null>"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(Json, ValueErrorsAsOracleGivesThem) {
  const std::string d = kDoc;
  const Cases cases = {
      {"json_value('{\"a\":', '$.a' error on error)", "error: ORA-40441: JSON syntax error\n"},
      {"json_value(" + d + ", '$.zz' error on error)", "error: ORA-40462: JSON_VALUE evaluated to no value\n"},
      {"json_value(" + d + ", '$.zz' null on error error on empty)",
       "error: ORA-40462: JSON_VALUE evaluated to no value\n"},
      {"json_value(" + d + ", '$.b' error on error)", "error: ORA-40456: JSON_VALUE evaluated to non-scalar value\n"},
      {"json_value(" + d + ", '$.b.d[*]' error on error)",
       "error: ORA-40470: JSON_VALUE evaluated to multiple values\n"},
      {"json_value('{\"a\":\"abcdef\"}', '$.a' returning varchar2(3) error on error)",
       "error: ORA-40478: output value too large (maximum: 3)\n"},
      {"json_value(" + d + ", '$.b.c' returning number error on error)", "error: ORA-01722: invalid number\n"},
      {"json_value(" + d + ", 'a')", "error: ORA-40442: JSON path expression syntax error\n"},
      {"json_value(" + d + ", '$.a[')", "error: ORA-40442: JSON path expression syntax error\n"},
      {"json_value(" + d + ", '$..a')", "error: ORA-40442: JSON path expression syntax error\n"},
      {"json_value(" + d + ", '$' || '.a')", "error: ORA-40454: path expression not a literal\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(Json, QueryWrappersAndErrors) {
  const std::string d = kDoc;
  const Cases cases = {
      {"json_query(" + d + ", '$.b')", "{\"c\":\"x\",\"d\":[10,20,30]}"},
      {"json_query(" + d + ", '$.b.d')", "[10,20,30]"},
      {"json_query(" + d + ", '$.a')", "<null>"},
      {"json_query(" + d + ", '$.a' with wrapper)", "[1]"},
      {"json_query(" + d + ", '$.b.d[0 to 1]' with array wrapper)", "[10,20]"},
      {"json_query(" + d + ", '$.b.d[2,0]' with wrapper)", "[30,10]"},
      {"json_query(" + d + ", '$.e[*].f' with wrapper)", "[1,2]"},
      {"json_query(" + d + ", '$.b.d' with conditional wrapper)", "[10,20,30]"},
      {"json_query(" + d + ", '$.b.d' with unconditional wrapper)", "[[10,20,30]]"},
      {"json_query(" + d + ", '$.b.*' with wrapper)", "[\"x\",[10,20,30]]"},
      {"json_query(" + d + ", '$.zz' empty on error)", "[]"},
      {"json_query(" + d + ", '$.zz' empty object on error)", "{}"},
      {"json_query('{\"s\":\"a\\\"b\\n\"}', '$' )", "{\"s\":\"a\\\"b\\n\"}"},
      {"json_query(" + d + ", '$.a' error on error)",
       "error: ORA-40480: result cannot be returned without array wrapper\n"},
      {"json_query(" + d + ", '$.zz' error on error)", "error: ORA-40462: JSON_VALUE evaluated to no value\n"},
      {"json_query('[1', '$' error on error)", "error: ORA-40441: JSON syntax error\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(Json, ExistsIsACondition) {
  const std::string d = kDoc;
  const Cases cases = {
      {"json_exists(" + d + ", '$.a')", "Y"},
      {"json_exists(" + d + ", '$.g')", "Y"},
      {"json_exists(" + d + ", '$.zz')", "N"},
      {"json_exists(" + d + ", '$.b.d[5]')", "N"},
      {"json_exists(" + d + ", '$.e.f')", "Y"},
      {"not json_exists(" + d + ", '$.zz')", "Y"},
      {"json_exists('oops', '$.a')", "N"},
      {"json_exists('oops', '$.a' true on error)", "Y"},
  };
  for (const auto& c : cases) EXPECT_EQ(yes(c.first), c.second) << c.first;
  EXPECT_EQ(yes("json_exists('oops', '$.a' error on error)"), "error: ORA-40441: JSON syntax error\n");
}

TEST_F(Json, DocumentsInClobAndBlobColumns) {
  run("create table jd (id number, c clob, b blob)");
  run("insert into jd values (1, '{\"n\":\"clob\",\"v\":[1,2]}', utl_raw.cast_to_raw('{\"n\":\"blob\",\"v\":[3]}'))");
  EXPECT_EQ(s.value("select json_value(c, '$.n') || json_value(b, '$.n') from jd"), "clobblob");
  EXPECT_EQ(s.value("select json_query(b, '$.v') from jd"), "[3]");
  EXPECT_EQ(s.value("select count(*) from jd where json_exists(b, '$.v[0]') and c is json and b is json"), "1");
  run("update jd set b = utl_raw.cast_to_raw('{\"n\":')");
  EXPECT_EQ(s.value("select count(*) from jd where b is not json"), "1");
}

TEST_F(Json, UnsupportedClausesAreRefused) {
  EXPECT_EQ(v("json_query('{}', '$' pretty)"), "error: ORA-03001: unimplemented feature\n");
  EXPECT_EQ(v("json_value('{}', '$.a' returning date)"), "error: ORA-03001: unimplemented feature\n");
  EXPECT_EQ(v("json_value('{}', '$.a' default dummy on error)"), "error: ORA-03001: unimplemented feature\n");
}

}  // namespace

// The SQL/JSON generation functions on the embedded engine: JSON_OBJECT, JSON_ARRAY and
// the aggregates JSON_OBJECTAGG and JSON_ARRAYAGG, their ON NULL, FORMAT JSON, RETURNING,
// STRICT and WITH UNIQUE KEYS clauses, and the errors Oracle gives.
#include "oci_session.h"

#include <filesystem>

namespace {

class JsonGen : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void emp() {
    std::string error;
    ASSERT_TRUE(create_emp_table(s, &error)) << error;
  }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  // The first result column's type code and size as describe reports them.
  std::string describe(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(0) != OCI_SUCCESS) return s.error_text();
    void* p = nullptr;
    EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, 1), OCI_SUCCESS);
    ub2 type = 0, size = 0;
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
    return std::to_string(type) + " " + std::to_string(size);
  }
  OciSession s;
};

using Cases = std::vector<std::pair<std::string, std::string>>;

TEST_F(JsonGen, ObjectMembersAndValueTypes) {
  const Cases cases = {
      {"json_object('a' value 1, 'b' value 'x')", "{\"a\":1,\"b\":\"x\"}"},
      {"json_object(key 'a' value 1.5)", "{\"a\":1.5}"},
      {"json_object('a' : 2, 'b' : 'y')", "{\"a\":2,\"b\":\"y\"}"},
      {"json_object('a':3)", "{\"a\":3}"},
      {"json_object('n' value -0.25, 'm' value .5)", "{\"n\":-0.25,\"m\":0.5}"},
      {"json_object('d' value date '2024-03-01')", "{\"d\":\"2024-03-01T00:00:00\"}"},
      {"json_object('q' value 'say \"hi\"' || chr(10))", "{\"q\":\"say \\\"hi\\\"\\n\"}"},
      {"json_object()", "{}"},
      {"json_object('k' value null)", "{\"k\":null}"},
      {"json_object('k' value null absent on null)", "{}"},
      {"json_object('k' value null, 'j' value 1 null on null)", "{\"k\":null,\"j\":1}"},
      {"json_object('t' value to_date('17-12-1980 10:30:05', 'DD-MM-YYYY HH24:MI:SS'))",
       "{\"t\":\"1980-12-17T10:30:05\"}"},
      {"json_object('a' value 1, 'a' value 2)", "{\"a\":1,\"a\":2}"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(JsonGen, JsonValuesAreNotQuoted) {
  const Cases cases = {
      {"json_object('o' value json_object('p' value 1))", "{\"o\":{\"p\":1}}"},
      {"json_object('a' value json_array(1, 2))", "{\"a\":[1,2]}"},
      {"json_object('a' value '[1,2]' format json)", "{\"a\":[1,2]}"},
      {"json_object('a' value '[1,2]')", "{\"a\":\"[1,2]\"}"},
      {"json_object('q' value json_query('{\"x\":[7]}', '$.x'))", "{\"q\":[7]}"},
      {"json_array(json_object('a' value 1), '{}' format json, '{}')", "[{\"a\":1},{},\"{}\"]"},
      {"json_object('a' value '{bad' format json)", "{\"a\":{bad}"},
      {"json_object('a' value '{bad' format json strict)", "error: ORA-40441: JSON syntax error\n"},
      {"json_object('a' value '{\"b\":[true,null,1e3]}' format json strict)", "{\"a\":{\"b\":[true,null,1e3]}}"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(JsonGen, ArraysLeaveOutNullsByDefault) {
  const Cases cases = {
      {"json_array(1, 'a', null, 2.5)", "[1,\"a\",2.5]"},
      {"json_array(1, null null on null)", "[1,null]"},
      {"json_array(null)", "[]"},
      {"json_array()", "[]"},
      {"json_array(json_array(), json_array(1))", "[[],[1]]"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(JsonGen, ReturningSizeAndUniqueKeys) {
  const Cases cases = {
      {"json_object('a' value 'xyz' returning varchar2(11))", "{\"a\":\"xyz\"}"},
      {"json_object('a' value 'xyz' returning varchar2(10))", "error: ORA-40478: output value too large (maximum: 10)\n"},
      {"json_array(rpad('x', 3998, 'x'))", "error: ORA-40478: output value too large (maximum: 4000)\n"},
      {"length(json_array(rpad('x', 3996, 'x')))", "4000"},
      {"length(json_array(rpad('x', 3998, 'x'), rpad('x', 3998, 'x') returning clob))", "8003"},
      {"json_object('a' value 1, 'a' value 2 with unique keys)",
       "error: ORA-40473: duplicate key names in JSON object\n"},
      {"json_object('a' value 1, 'b' value 2 with unique keys)", "{\"a\":1,\"b\":2}"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
  EXPECT_EQ(describe("select json_object('a' value 1) from dual"), "1 4000");
  EXPECT_EQ(describe("select json_array(1 returning varchar2(100)) from dual"), "1 100");
  EXPECT_EQ(describe("select json_arrayagg(1 returning clob) from dual"), "112 4000");
}

TEST_F(JsonGen, ColumnsAsTheirOwnKeys) {
  emp();
  EXPECT_EQ(s.value("select json_object(ename, sal) from emp where empno = 7839"), "{\"ENAME\":\"KING\",\"SAL\":5000}");
  EXPECT_EQ(s.value("select json_object(key ename value comm) from emp where empno = 7839"), "{\"KING\":null}");
}

TEST_F(JsonGen, AggregatesOverGroups) {
  emp();
  EXPECT_EQ(s.value("select json_arrayagg(ename order by empno) from emp where deptno = 10"),
            "[\"CLARK\",\"KING\",\"MILLER\"]");
  EXPECT_EQ(s.value("select json_arrayagg(sal order by sal desc) from emp where deptno = 10"), "[5000,2450,1300]");
  EXPECT_EQ(s.value("select json_arrayagg(comm order by empno) from emp where deptno = 30"), "[300,500,1400,0]");
  EXPECT_EQ(s.value("select json_arrayagg(comm order by empno null on null) from emp where deptno = 10"),
            "[null,null,null]");
  EXPECT_EQ(s.value("select json_arrayagg(ename) from emp where deptno = 99"), "<null>");
  EXPECT_EQ(s.value("select json_objectagg(key ename value sal) from emp where deptno = 10 and sal > 2000"),
            "{\"CLARK\":2450,\"KING\":5000}");
  EXPECT_EQ(s.rows("select deptno, json_arrayagg(json_object('n' value ename) order by ename) from emp "
                   "where deptno in (10, 20) group by deptno order by deptno"),
            (std::vector<std::string>{
                "10|[{\"n\":\"CLARK\"},{\"n\":\"KING\"},{\"n\":\"MILLER\"}]",
                "20|[{\"n\":\"ADAMS\"},{\"n\":\"FORD\"},{\"n\":\"JONES\"},{\"n\":\"SCOTT\"},{\"n\":\"SMITH\"}]"}));
  EXPECT_EQ(s.value("select json_object('d' value deptno, 'n' value count(*)) from emp where deptno = 10 group by deptno"),
            "{\"d\":10,\"n\":3}");
  EXPECT_EQ(s.value("select json_objectagg(job value 1 with unique keys) from emp"),
            "error: ORA-40473: duplicate key names in JSON object\n");
  EXPECT_EQ(s.value("select json_arrayagg(ename) from emp where ename = 'KING'"), "[\"KING\"]");
  EXPECT_EQ(s.rows("select deptno, json_arrayagg(sal order by sal) from emp where deptno = 10 "
                   "group by rollup(deptno) order by deptno"),
            (std::vector<std::string>{"10|[1300,2450,5000]", "<null>|[1300,2450,5000]"}));
  EXPECT_EQ(s.value("select json_arrayagg(ename order by ename returning clob) from emp where deptno = 10"),
            "[\"CLARK\",\"KING\",\"MILLER\"]");
  EXPECT_EQ(server_output_of(s, "declare j varchar2(100); begin j := json_object('a' value 1, 'b' value json_array(2)); "
                                "dbms_output.put_line(j); end;"),
            "{\"a\":1,\"b\":[2]}");
  EXPECT_EQ(s.value("select json_arrayagg(count(*)) from emp group by deptno"),
            "error: ORA-00935: group function is nested\n");
}

TEST_F(JsonGen, SyntaxErrors) {
  EXPECT_EQ(v("json_object('a' 1)"), "error: ORA-00907: missing right parenthesis\n");
  EXPECT_EQ(v("json_object('a' value 1 returning blob)"), "error: ORA-03001: unimplemented feature\n");
  EXPECT_EQ(v("json_array(1 returning varchar2(0))"), "error: ORA-00910: specified length too long for its datatype\n");
  EXPECT_EQ(v("json_array(1, 2 with unique keys)"), "error: ORA-00907: missing right parenthesis\n");
  EXPECT_EQ(v("json_object('a' value 1 format xml)"), "error: ORA-00905: missing keyword\n");
}

}  // namespace

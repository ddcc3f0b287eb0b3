// The SQL/XML generation functions on the embedded engine: XMLELEMENT with XMLATTRIBUTES,
// XMLFOREST, XMLAGG over groups, XMLCONCAT, XMLCOMMENT, XMLCDATA, XMLPI and XMLSERIALIZE,
// their escaping and value formats, and the errors Oracle gives.
#include "oci_session.h"

#include <filesystem>

namespace {

class XmlGen : public ::testing::Test {
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
    OciSession s;
};

using Cases = std::vector<std::pair<std::string, std::string>>;

TEST_F(XmlGen, ElementsAttributesAndContent) {
    const Cases cases = {
        {"xmlelement(\"Emp\", 'x')", "<Emp>x</Emp>"},
        {"xmlelement(name emp, 1.5, -.25)", "<EMP>1.5-.25</EMP>"},
        {"xmlelement(e)", "<E></E>"},
        {"xmlelement(e, null)", "<E></E>"},
        {"xmlelement(e, 'a<b & c>d \"q\"')", "<E>a&lt;b &amp; c&gt;d \"q\"</E>"},
        {"xmlelement(e, xmlattributes('a\"<&' as \"v\", null as n, 2 as \"k\"), 'c')",
         "<E v=\"a&quot;&lt;&amp;\" k=\"2\">c</E>"},
        {"xmlelement(e, xmlelement(f, 'x'), xmlelement(g), 'y')", "<E><F>x</F><G></G>y</E>"},
        {"xmlelement(d, date '2024-03-01')", "<D>2024-03-01</D>"},
        {"xmlelement(d, to_date('17-12-1980 10:30:05', 'DD-MM-YYYY HH24:MI:SS'))", "<D>1980-12-17</D>"},
        {"xmlelement(t, timestamp '2024-03-01 10:20:30.5')", "<T>2024-03-01T10:20:30.500000</T>"},
        {"xmlelement(e, xmlforest(1 as a, null as b, 'x' as \"c\"))", "<E><A>1</A><c>x</c></E>"},
        {"xmlforest(null as a)", "<null>"},
        {"xmlconcat(xmlelement(a), null, xmlelement(b))", "<A></A><B></B>"},
        {"xmlconcat(null, null)", "<null>"},
        {"xmlelement(e, xmlcomment('note'), xmlcdata('<raw>&'))", "<E><!--note--><![CDATA[<raw>&]]></E>"},
        {"xmlpi(name php, '  echo 1')", "<?PHP echo 1?>"},
        {"xmlpi(\"x\")", "<?x?>"},
        {"xmlserialize(content xmlelement(e, 'v'))", "<E>v</E>"},
        {"xmlserialize(document xmlelement(e, 'v') as varchar2(20) no indent)", "<E>v</E>"},
        // INDENT lays elements out a line each; text-only and mixed content stay as written.
        {"xmlserialize(content xmltype('<a x=\"&lt;\">  <b>1</b><c><d/><!--k--></c><m>t<i/>u</m></a>') indent)",
         "<a x=\"&lt;\">\n  <b>1</b>\n  <c>\n    <d/>\n    <!--k-->\n  </c>\n  <m>t<i/>u</m>\n</a>"},
        {"xmlserialize(content xmlconcat(xmlelement(\"p\", xmlelement(\"q\")), xmlelement(\"r\")) indent size = 1)",
         "<p>\n <q/>\n</p>\n<r/>"},
        {"xmlelement(e, xmlserialize(content xmlelement(f) as clob))", "<E>&lt;F&gt;&lt;/F&gt;</E>"},
    };
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

TEST_F(XmlGen, Errors) {
    const Cases cases = {
        {"xmlforest(1, 2 as b)", "error: ORA-19208: parameter 1 of function XMLFOREST must be aliased\n"},
        {"xmlelement(e, xmlattributes(1 as a, 'x'))",
         "error: ORA-19208: parameter 2 of function XMLATTRIBUTES must be aliased\n"},
        {"xmlagg('x')", "error: ORA-00932: inconsistent datatypes: expected - got CHAR\n"},
        {"xmlserialize(content xmlelement(e, 'long') as varchar2(5))",
         "error: ORA-19011: Character string buffer too small\n"},
        {"xmlserialize(content xmltype('<a/>') indent size = x)", "error: ORA-00936: missing expression\n"},
        {"xmlserialize(content xmltype('<a/>') indent size = 99999)", "error: ORA-01426: numeric overflow\n"},
        {"xmlserialize(content xmltype('<a><b>1</b><b>2</b></a>') as varchar2(10) indent)",
         "error: ORA-19011: Character string buffer too small\n"},
        {"xmlelement(e, 'x'", "error: ORA-00907: missing right parenthesis\n"},
        {"xmlelement(, 'x')", "error: ORA-00931: missing identifier\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
    // The error points at the unaliased value.
    OciStatement st(s, "select xmlforest(empno as e, sal + 1) from dual");
    EXPECT_NE(st.execute(0), OCI_SUCCESS);
    EXPECT_EQ(st.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), 29);
}

TEST_F(XmlGen, ColumnsAndAggregates) {
    emp();
    EXPECT_EQ(s.value("select xmlelement(emp, xmlattributes(empno, ename as \"name\"), xmlforest(job, comm)) "
                      "from emp where empno = 7839"),
              "<EMP EMPNO=\"7839\" name=\"KING\"><JOB>PRESIDENT</JOB></EMP>");
    EXPECT_EQ(s.value("select xmlagg(xmlelement(n, ename) order by empno desc) from emp where deptno = 10"),
              "<N>MILLER</N><N>KING</N><N>CLARK</N>");
    EXPECT_EQ(s.value("select xmlelement(d, xmlagg(xmlforest(ename as n) order by sal)) from emp where deptno = 10"),
              "<D><N>MILLER</N><N>CLARK</N><N>KING</N></D>");
    EXPECT_EQ(s.value("select xmlagg(xmlelement(n, ename)) from emp where deptno = 99"), "<null>");
    EXPECT_EQ(s.rows("select deptno, xmlagg(xmlelement(s, sal) order by sal) from emp where deptno in (10, 20) "
                     "group by deptno order by deptno"),
              (std::vector<std::string>{"10|<S>1300</S><S>2450</S><S>5000</S>",
                                        "20|<S>800</S><S>1100</S><S>2975</S><S>3000</S><S>3000</S>"}));
    EXPECT_EQ(s.value("select xmlagg(xmlagg(xmlelement(a, 1))) from emp group by deptno"),
              "error: ORA-00935: group function is nested\n");
}

}  // namespace

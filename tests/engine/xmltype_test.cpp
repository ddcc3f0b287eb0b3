// XMLTYPE values on the embedded engine: the constructor and CREATEXML, XMLTYPE columns
// and PL/SQL variables, the methods, XMLQUERY, XMLEXISTS and XMLCAST, XMLTYPE mixed with
// the generation functions, and XMLTABLE as a lateral join.
#include "oci_session.h"

#include <filesystem>

namespace {

class XmlType : public ::testing::Test {
protected:
    void SetUp() override {
        std::string home = test_home();
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }
    void docs() {
        ASSERT_EQ(s.exec("create table docs (id number, doc xmltype)"), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("insert into docs values (1, xmltype('<r><i id=\"1\">a</i><i id=\"2\">b</i></r>'))"),
                  OCI_SUCCESS)
            << s.error_text();
        ASSERT_EQ(s.exec("insert into docs values (2, '<r><i id=\"7\">z</i></r>')"), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("insert into docs values (3, null)"), OCI_SUCCESS) << s.error_text();
    }
    std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
    OciSession s;
};

using Cases = std::vector<std::pair<std::string, std::string>>;

TEST_F(XmlType, ValuesMethodsAndFunctions) {
    const Cases cases = {
        {"xmltype('<a><b>5</b></a>').getclobval()", "<a><b>5</b></a>"},
        {"xmltype.createxml('<a>x</a>').getstringval()", "<a>x</a>"},
        {"sys.xmltype.createxml('<a>x</a>').extract('/a/text()').getstringval()", "x"},
        {"xmltype('<a><b>5</b></a>').extract('/a/b/text()').getnumberval() + 1", "6"},
        {"xmltype('<a><b>5</b></a>').existsnode('/a/c')", "0"},
        {"xmlcast(xmlquery('/a/b/text()' passing xmltype('<a><b>2.5</b></a>') returning content) as number) * 2", "5"},
        {"xmlcast(xmlquery('/a/b' passing xmltype('<a><b>x</b></a>') returning content) as varchar2(5))", "x"},
        {"xmlcast(xmlquery('/a/b' passing xmltype('<a><b>1</b><b>2</b></a>') returning content) as number)",
         "error: ORA-19279: XPTY0004 - XQuery dynamic type mismatch: expected singleton sequence - got multi-item "
         "sequence\n"},
        {"xmlelement(e, xmlattributes(1 as \"n\"), xmlelement(f, 'x')).getclobval()", "<E n=\"1\"><F>x</F></E>"},
        {"extractvalue(xmlelement(e, xmlelement(f, 'a<b')), '/E/F')", "a<b"},
        {"xmlelement(e, xmltype('<x>1</x>'))", "<E><x>1</x></E>"},
        {"xmlparse(content '<a/><b/>')", "<a/><b/>"},
        {"xmlparse(document '<a/><b/>')",
         "error: ORA-31011: XML parsing failed\nORA-19202: Error occurred in XML processing\nLPX-00245: extra data "
         "after end of document\n"},
        {"xmltype(null)", "error: ORA-19032: Expected XML tag , got no content\n"},
        {"xmltype(42)",
         "error: ORA-31011: XML parsing failed\nORA-19202: Error occurred in XML processing\n"
         "LPX-00210: expected '<' instead of '4'\n"},
        {"extract(xmltype('<a/>'), '/a', 'xmlns=\"u\"')", "<null>"},
        {"xmltype('<a/>').getclobval(1)", "error: ORA-00909: invalid number of arguments\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
    EXPECT_EQ(server_output_of(s,
                               "declare x xmltype := xmltype('<a><b>5</b><b>6</b></a>'); begin "
                               "dbms_output.put_line(x.extract('//b[2]/text()').getnumberval() * 2); "
                               "dbms_output.put_line(extractvalue(x, '/a/b[1]')); end;"),
              "12|5");
}

TEST_F(XmlType, ColumnsAndConditions) {
    docs();
    EXPECT_EQ(s.value("select data_type from user_tab_columns where table_name = 'DOCS' and column_name = 'DOC'"),
              "XMLTYPE");
    EXPECT_EQ(s.rows("select id, d.doc.extract('/r/i[1]/@id').getstringval(), extractvalue(doc, '/r/i[last()]') "
                     "from docs d order by id"),
              (std::vector<std::string>{"1|1|b", "2|7|z", "3|<null>|<null>"}));
    EXPECT_EQ(s.rows("select id from docs where existsnode(doc, '/r/i[@id=\"2\"]') = 1"),
              (std::vector<std::string>{"1"}));
    EXPECT_EQ(s.rows("select id from docs where xmlexists('/r/i[. = \"z\"]' passing doc) order by id"),
              (std::vector<std::string>{"2"}));
    EXPECT_EQ(s.rows("select id from docs where not xmlexists('/r/i' passing doc) order by id"),
              (std::vector<std::string>{"3"}));
    EXPECT_EQ(s.exec("insert into docs values (4, '<r><i>')"), OCI_ERROR);
    EXPECT_EQ(s.error_text(),
              "ORA-31011: XML parsing failed\nORA-19202: Error occurred in XML processing\n"
              "LPX-00007: unexpected end-of-file encountered\n");
    EXPECT_EQ(s.exec("insert into docs values (4, 5)"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 932);
    EXPECT_EQ(s.exec("update docs set doc = xmltype('<r/>') where id = 3"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select d.doc.getclobval() from docs d where id = 3"), "<r/>");
    EXPECT_EQ(s.value("select count(*) from docs where doc is null"), "0");
}

TEST_F(XmlType, XmlTable) {
    docs();
    EXPECT_EQ(s.rows("select d.id, x.n, x.id, x.v from docs d, xmltable('/r/i' passing d.doc columns n for "
                     "ordinality, id number path '@id', v varchar2(5) path '.') x order by d.id, x.n"),
              (std::vector<std::string>{"1|1|1|a", "1|2|2|b", "2|1|7|z"}));
    EXPECT_EQ(s.rows("select x.column_value from xmltable('/a/b' passing xmltype('<a><b>1</b><b/></a>')) x"),
              (std::vector<std::string>{"<b>1</b>", "<b/>"}));
    EXPECT_EQ(s.rows("select e.b, e.c from xmltable('//b' passing xmltype('<a><b c=\"x\">1</b><b>2</b></a>') "
                     "columns b number path 'text()', c xmltype path '@c') e"),
              (std::vector<std::string>{"1|x", "2|<null>"}));
    EXPECT_EQ(s.value("select count(*) from xmltable('/r/i' passing null columns v varchar2(5) path '.')"), "0");
    EXPECT_EQ(s.value("select x.v from xmltable('/a' passing xmltype('<a>toolong</a>') columns v varchar2(3) "
                      "path '.') x"),
              "error: ORA-19011: Character string buffer too small\n");
    EXPECT_EQ(s.value("select x.v from xmltable('/a' passing xmltype('<a>x</a>') columns v number path '.') x"),
              "error: ORA-01722: invalid number\n");
    EXPECT_EQ(s.value("select x.v from xmltable('/a/b' passing xmltype('<a><b><c/><c/></b></a>') columns v "
                      "varchar2(5) path 'c') x"),
              "error: ORA-19279: XPTY0004 - XQuery dynamic type mismatch: expected singleton sequence - got "
              "multi-item sequence\n");
    EXPECT_EQ(s.value("select * from xmltable('/a' passing xmltype('<a/>') columns v number, v number)"),
              "error: ORA-00957: duplicate column name\n");
    EXPECT_EQ(s.value("select * from xmltable('/a' passing xmltype('<a/>') columns v date path '.')"),
              "error: ORA-03001: unimplemented feature: XMLTABLE column type\n");
    EXPECT_EQ(s.value("select * from xmltable('/a[' passing xmltype('<a/>'))"),
              "error: ORA-31013: Invalid XPATH expression\n");
    EXPECT_EQ(s.value("select * from xmltable(path passing xmltype('<a/>'))"),
              "error: ORA-19102: XQuery string literal expected\n");
    EXPECT_EQ(s.rows("select d.id, extractvalue(value(x), '/i/@id'), x.column_value.getstringval() from docs d, "
                     "table(xmlsequence(extract(d.doc, '/r/i'))) x order by 1, 2"),
              (std::vector<std::string>{"1|1|<i id=\"1\">a</i>", "1|2|<i id=\"2\">b</i>", "2|7|<i id=\"7\">z</i>"}));
    EXPECT_EQ(s.value("select xmlsequence(xmltype('<a/>')) from dual"),
              "error: ORA-03001: unimplemented feature: XMLSEQUENCE outside TABLE()\n");
    EXPECT_EQ(s.value("select xmltable('/a' passing null) from dual"),
              "error: ORA-03001: unimplemented feature: XMLTABLE\n");
}

}  // namespace

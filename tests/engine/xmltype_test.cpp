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

// The modifying functions give a changed copy of the value: the nodes of each path are
// replaced, removed, or get children or siblings; XMLROOT puts a declaration in front.
TEST_F(XmlType, ModifyingFunctionsAndXmlRoot) {
    const std::string d = "xmltype('<r><a>1</a><b x=\"1\">2</b></r>')";
    const Cases cases = {
        {"updatexml(" + d + ", '/r/a/text()', 'n&')", "<r><a>n&amp;</a><b x=\"1\">2</b></r>"},
        {"updatexml(" + d + ", '/r/b/@x', 9, '/r/a', xmltype('<c>3</c>'))", "<r><c>3</c><b x=\"9\">2</b></r>"},
        {"updatexml(" + d + ", '/r/b', null)", "<r><a>1</a><b/></r>"},
        {"updatexml(" + d + ", '/r/*', 'v')", "<r><a>v</a><b x=\"1\">v</b></r>"},
        {"updatexml(" + d + ", '/r/none', 'v')", "<r><a>1</a><b x=\"1\">2</b></r>"},
        {"deletexml(" + d + ", '/r/a | //@x')", "<r><b>2</b></r>"},
        {"insertchildxml(" + d + ", '/r', 'a', xmltype('<a>0</a>'))", "<r><a>1</a><a>0</a><b x=\"1\">2</b></r>"},
        {"insertchildxml(" + d + ", '/r/a', '@k', 'v\"')", "<r><a k=\"v&quot;\">1</a><b x=\"1\">2</b></r>"},
        {"appendchildxml(" + d + ", '/r/b', xmltype('<z/>'))", "<r><a>1</a><b x=\"1\">2<z/></b></r>"},
        {"appendchildxml(xmltype('<r><e/></r>'), '/r/e', xmltype('<z/>'))", "<r><e><z/></e></r>"},
        {"insertxmlbefore(" + d + ", '/r/b', xmltype('<y/>'))", "<r><a>1</a><y/><b x=\"1\">2</b></r>"},
        {"insertxmlafter(" + d + ", '/r/a', xmlelement(\"q\", 5))", "<r><a>1</a><q>5</q><b x=\"1\">2</b></r>"},
        {"updatexml(xmltype('<n:r xmlns:n=\"u\"><n:a>1</n:a></n:r>'), '/p:r/p:a/text()', '2', 'xmlns:p=\"u\"')",
         "<n:r xmlns:n=\"u\"><n:a>2</n:a></n:r>"},
        {"extractvalue(deletexml(" + d + ", '/r/a'), '/r/b')", "2"},
        {"updatexml(null, '/r', 'x')", "<null>"},
        {"xmlroot(xmltype('<?xml version=\"1.0\"?><a/>'), version '1.1', standalone yes)",
         "<?xml version=\"1.1\" standalone=\"yes\"?><a/>"},
        {"xmlroot(xmlelement(\"a\"), version no value, standalone no value)", "<?xml version=\"1.0\"?><a></a>"},
        {"xmlroot(xmltype('<a/>'), version '1.0', standalone no).extract('/a')", "<a/>"},
        {"xmlroot(xmltype('<a/>'), standalone yes)", "error: ORA-02000: missing VERSION keyword\n"},
        {"updatexml(" + d + ", '/r/a')", "error: ORA-00909: invalid number of arguments\n"},
        {"deletexml(" + d + ", '/r/a', 'xmlns:p=\"u\"', 'x')", "error: ORA-00909: invalid number of arguments\n"},
        {"appendchildxml(" + d + ", '/r', 'text')", "error: ORA-00932: inconsistent datatypes: expected - got CHAR\n"},
        {"deletexml('<r/>', '/r')", "error: ORA-00932: inconsistent datatypes: expected - got CHAR\n"},
        {"deletexml(" + d + ", '/r[')", "error: ORA-31013: Invalid XPATH expression\n"},
        {"deletexml(" + d + ", '/p:r', 'p=\"u\"')", "error: ORA-31013: Invalid XPATH expression\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
    // A column updated in place keeps the changed document.
    docs();
    ASSERT_EQ(s.exec("update docs set doc = updatexml(doc, '/r/i[@id=\"1\"]/text()', 'A') where id = 1"), OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select extractvalue(doc, '/r/i[1]') from docs where id = 1"), "A");
}

}  // namespace

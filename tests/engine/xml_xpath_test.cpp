// The XML reader and the XPath language through SQL on the embedded engine: entities,
// CDATA, comments and processing instructions, location paths with their axes,
// predicates and functions, and the errors for text that is not XML or paths that are
// not XPath.
#include "oci_session.h"

#include <filesystem>

namespace {

class XmlXPath : public ::testing::Test {
protected:
    void SetUp() override {
        std::string home = test_home();
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }
    std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
    OciSession s;
};

using Cases = std::vector<std::pair<std::string, std::string>>;

const char* const kDoc =
    "xmltype('<?xml version=\"1.0\"?><r xmlns:p=\"urn:p\"><!--c--><i id=\"1\" k=\"a\">x &amp; &lt;y&gt; &#65;&#x42;</i>"
    "<i id=\"2\"><![CDATA[<raw>]]></i><i id=\"3\"><n>7</n><n>5</n></i><p:q>  two   words </p:q><?pi data?></r>')";

TEST_F(XmlXPath, PathsPredicatesAndFunctions) {
    const std::string d = kDoc;
    const Cases cases = {
        {"extractvalue(" + d + ", '/r/i[1]')", "x & <y> AB"},
        {"extractvalue(" + d + ", '/r/i[2]/text()')", "<raw>"},
        {"extractvalue(" + d + ", '/r/i[@id=\"3\"]/n[last()]')", "5"},
        {"extractvalue(" + d + ", '//n[. = 7]/../@id')", "3"},
        {"extractvalue(" + d + ", 'r/i[@id = 1 and @k = \"a\"]/@k')", "a"},
        {"extractvalue(" + d + ", '/r/i[@id=9 or @id=2]/@id')", "2"},
        {"extractvalue(" + d + ", 'count(//i)')", "error: ORA-31013: Invalid XPATH expression\n"},
        {"extract(" + d + ", '/r/i[3]').getclobval()", "<i id=\"3\"><n>7</n><n>5</n></i>"},
        {"extract(" + d + ", '//n')", "<n>7</n><n>5</n>"},
        {"extract(" + d + ", '/r/i[1]/@k')", "a"},
        {"extract(" + d + ", '/r/comment()')", "<!--c-->"},
        {"extract(" + d + ", '/r/processing-instruction()')", "<?pi data?>"},
        {"extract(" + d + ", '/r/i[1]/text()')", "x &amp; &lt;y&gt; AB"},
        {"extract(" + d + ", '/r/nothing')", "<null>"},
        {"extractvalue(" + d + ", '/r/p:q', 'xmlns:p=\"urn:p\"')", "  two   words "},
        {"xmlquery('declare namespace p=\"urn:p\"; normalize-space(/r/p:q)' passing " + d + " returning content)",
         "two words"},
        {"xmlquery('count(//i[n])' passing " + d + " returning content)", "1"},
        {"xmlquery('name(/r/*[4])' passing " + d + " returning content)", "p:q"},
        {"xmlquery('local-name(/r/*[4])' passing " + d + " returning content)", "q"},
        {"xmlquery('sum(//n) div 4' passing " + d + " returning content)", "3"},
        {"xmlquery('number(//i[3]/n[1]) * 1.5' passing " + d + " returning content)", "10.5"},
        {"xmlquery('string(//i[last()]/@id)' passing " + d + " returning content)", "3"},
        {"xmlquery('contains(//i[1], \"&\") and starts-with(//i[1], \"x\")' passing " + d + " returning content)",
         "true"},
        {"existsnode(" + d + ", '/r/i[@id=\"2\"]')", "1"},
        {"existsnode(" + d + ", '/r/i[4]')", "0"},
        {"existsnode(" + d + ", '/r/node()[2][self::i]')", "1"},
        {"existsnode(" + d + ", '//n/following-sibling::n')", "1"},
        {"extractvalue(" + d + ", '//n[2]/preceding-sibling::n[1]')", "7"},
        {"extractvalue(" + d + ", '//n[1]/ancestor::*[last()]/x:*', 'xmlns:x=\"urn:p\"')", "  two   words "},
        {"extract(" + d + ", '//i[1]/@id | //n[2] | //i[1]/@id')", "1<n>5</n>"},
        {"existsnode(" + d + ", '//i[@id = //n]')", "0"},
        {"existsnode(" + d + ", '//i[n = 5]')", "1"},
        {"existsnode(" + d + ", '//i[@id > 2 and not(@k)]')", "1"},
        {"xmlquery('string-length(//i[1])' passing " + d + " returning content)", "10"},
        {"xmlquery('concat(//i[1]/@k, \"-\", -(//n[1]) mod 4)' passing " + d + " returning content)", "a--3"},
        {"xmlquery('count(/r/node())' passing " + d + " returning content)", "6"},
        {"xmlquery('number(\"x\")' passing " + d + " returning content)", "NaN"},
        {"extractvalue(xmltype('<a>&#xE9;&#8364;</a>'), '/a')", "\xC3\xA9\xE2\x82\xAC"},
    };
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
}

// Prefixes in paths stand for the URIs the query maps them to, not for the document's
// prefixes as written; unprefixed names take the default namespace given to the query.
TEST_F(XmlXPath, Namespaces) {
    const std::string d =
        "xmltype('<a:r xmlns:a=\"urn:x\" xmlns:b=\"urn:y\"><a:v b:k=\"1\">one</a:v><v>two</v>"
        "<w xmlns=\"urn:y\"><v>three</v></w></a:r>')";
    const std::string q = "xmltype('<r xmlns=\"urn:x\"><v>1</v><v>2</v></r>')";
    const std::string undeclared = "error: ORA-19228: XPST0008 - undeclared identifier: prefix 'z' local-name 'z:v'\n";
    const std::string invalid = "error: ORA-31013: Invalid XPATH expression\n";
    const Cases cases = {
        {"extractvalue(" + d + ", '/n:r/n:v', 'xmlns:n=\"urn:x\"')", "one"},
        {"extractvalue(" + d + ", '/n:r/v', 'xmlns:n=\"urn:x\"')", "two"},
        {"extractvalue(" + d + ", '/n:r/m:w/m:v', 'xmlns:n=\"urn:x\"  xmlns:m=''urn:y''')", "three"},
        {"extractvalue(" + d + ", '/n:r/n:v/@m:k', 'xmlns:n=\"urn:x\" xmlns:m=\"urn:y\"')", "1"},
        {"extractvalue(" + d + ", '/n:r/n:v/@k', 'xmlns:n=\"urn:x\"')", "<null>"},
        {"existsnode(" + d + ", '/n:r/n:v', 'xmlns:n=\"urn:y\"')", "0"},
        {"extract(" + d + ", '/n:r/*[2]', 'xmlns:n=\"urn:x\"')", "<v>two</v>"},
        {"extract(" + d + ", '/n:r/n:v', 'xmlns:n=\"urn:x\"')",
         "<a:v xmlns:a=\"urn:x\" xmlns:b=\"urn:y\" b:k=\"1\">one</a:v>"},
        {"extract(" + d + ", '/n:r/n:v', 'xmlns:n=\"urn:x\"').extract('/n:v/text()', 'xmlns:n=\"urn:x\"')", "one"},
        {d + ".extract('//m:v', 'xmlns:m=\"urn:y\"').getstringval()", "<v xmlns=\"urn:y\">three</v>"},
        {d + ".existsnode('/x:r', 'xmlns:x=\"urn:x\"')", "1"},
        {"xmlquery('namespace-uri(/*)' passing " + d + " returning content)", "urn:x"},
        {"xmlquery('namespace-uri(//*[local-name()=\"w\"]/*)' passing " + d + " returning content)", "urn:y"},
        {"xmlquery('count(//*[namespace-uri()=\"\"])' passing " + d + " returning content)", "1"},
        {"xmlquery('declare default element namespace \"urn:x\"; sum(/r/v)' passing " + q + " returning content)", "3"},
        {"extract(" + q + ", '/r/v[2]/text()', 'xmlns=\"urn:x\"')", "2"},
        {"extract(" + q + ", '/r/v')", "<null>"},
        {"xmlquery('/r' passing " + q + " returning content)", "<null>"},
        {"extractvalue(" + d + ", '/a:r/a:v')", invalid},
        {"extractvalue(" + d + ", '/a:r/v', 'a=\"urn:x\"')", invalid},
        {"extractvalue(" + d + ", '/a:r/v', 'xmlns:a=\"urn:x')", invalid},
        {"xmlquery('/z:v' passing " + d + " returning content)", undeclared},
        {"case when xmlexists('declare namespace z=\"urn:x\"; /z:r/z:v' passing " + d + ") then 1 else 0 end", "1"},
        {"xmlquery('declare variable $x := 1; /r' passing " + q + " returning content)", invalid},
    };
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
    // XMLNAMESPACES declares the prefixes of the row and column paths of XMLTABLE.
    EXPECT_EQ(s.value("select listagg(t.n || '=' || t.k || '/' || t.w, ',') within group (order by t.n) from xmltable("
                      "xmlnamespaces('urn:x' as \"a\", 'urn:y' as \"b\"), '/a:r/a:v | /a:r/v' passing " +
                      d + " columns n for ordinality, k number path '@b:k', w varchar2(10) path '../b:w/b:v') t"),
              "1=1/three,2=/three");
    EXPECT_EQ(s.value("select count(*) from xmltable(xmlnamespaces(default 'urn:x'), '/r/v' passing " + q + ")"), "2");
    EXPECT_EQ(s.value("select t.v from xmltable(xmlnamespaces('urn:x' as \"a\"), '/a:r' passing " + d +
                      " columns v varchar2(10) path 'z:v') t"),
              undeclared);
}

TEST_F(XmlXPath, MalformedTextAndInvalidPaths) {
    const std::string parse = "error: ORA-31011: XML parsing failed\nORA-19202: Error occurred in XML processing\n";
    const Cases cases = {
        {"xmltype('<a><b></a>')", parse + "LPX-00225: end-element tag \"a\" does not match start-element tag \"b\"\n"},
        {"xmltype('<a>')", parse + "LPX-00007: unexpected end-of-file encountered\n"},
        {"xmltype('<a/><b/>')", parse + "LPX-00245: extra data after end of document\n"},
        {"xmltype('<a>&bogus;</a>')", parse + "LPX-00118: undefined entity \"bogus\"\n"},
        {"xmltype('<a x=1/>')", parse + "LPX-00210: expected '\"' instead of '1'\n"},
        {"xmltype('<a>&#0;</a>')", parse + "LPX-00217: invalid character 0 in a character reference\n"},
        {"xmltype('   ')", parse + "LPX-00229: input source is empty\n"},
        {"extractvalue(xmltype('<a/>'), '/a[')", "error: ORA-31013: Invalid XPATH expression\n"},
        {"extractvalue(xmltype('<a/>'), '$v')", "error: ORA-31013: Invalid XPATH expression\n"},
        {"extractvalue(xmltype('<a/>'), 'upper-case(a)')", "error: ORA-31013: Invalid XPATH expression\n"},
        {"extractvalue(xmltype('<a/>'), 'following::a')", "error: ORA-31013: Invalid XPATH expression\n"},
        {"extractvalue(xmltype('<a><b>1</b><b>2</b></a>'), '/a/b')",
         "error: ORA-19025: EXTRACTVALUE returns value of only one node\n"},
        {"extractvalue(xmltype('<a><b>1</b></a>'), '/a')",
         "error: ORA-19025: EXTRACTVALUE returns value of only one node\n"},
        {"extractvalue('<a/>', '/a')", "error: ORA-00932: inconsistent datatypes: expected - got CHAR\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
    // A document nested far deeper than the limit is refused, not a crash.
    std::string deep(5000 * 3, ' ');
    for (std::size_t i = 0; i < 5000; ++i) deep.replace(i * 3, 3, "<a>");
    EXPECT_EQ(v("existsnode(xmltype(to_clob('" + deep.substr(0, 3900) + "') || to_clob('" + deep.substr(3900, 3900) +
                "') || to_clob('" + deep.substr(7800, 3900) + "') || to_clob('" + deep.substr(11700) + "')), '/a')")
                  .substr(0, 36),
              "error: ORA-31011: XML parsing failed");
}

}  // namespace

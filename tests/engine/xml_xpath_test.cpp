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
        {"extractvalue(" + d + ", '/r/p:q')", "  two   words "},
        {"xmlquery('normalize-space(/r/p:q)' passing " + d + " returning content)", "two words"},
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
        {"extractvalue(" + d + ", '//n[1]/ancestor::*[last()]/p:*')", "  two   words "},
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

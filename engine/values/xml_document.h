// A small XML reader and the tree it builds, for XMLTYPE values and their XPath queries:
// elements, attributes, text, CDATA, comments and processing instructions, the five
// predefined entities and character references. Names are kept as written, and each
// element and attribute also carries the namespace URI its prefix is bound to where it
// stands (an unprefixed attribute has none). Nothing here recurses over the document: the
// nodes live in one vector in document order, so a deep document costs no stack.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class XmlNodeKind { Root, Element, Attribute, Text, Comment, Pi };

struct XmlNode {
    XmlNodeKind kind = XmlNodeKind::Root;
    std::string name;   // Element, Attribute: the qualified name as written; Pi: the target
    std::string value;  // Attribute, Text (CDATA included), Comment, Pi: the text, entities replaced
    // Element, Attribute: the namespace URI of the name (empty for none; kXmlUnboundPrefix
    // and the prefix when the prefix is declared nowhere above it).
    std::string uri;
    bool cdata = false;
    int parent = -1;
    // One past the node's last descendant: the nodes of its subtree (attributes included)
    // are those after it up to end.
    int end = 0;
    std::vector<int> attributes;  // Element: its attribute nodes, as written
    std::vector<int> children;    // Root, Element: the other nodes under it, in order
};

// nodes[0] is the root; the others follow in document order, each element's attributes
// right after it.
struct XmlDocument {
    std::vector<XmlNode> nodes;
};

// Marks the uri of a name whose prefix has no declaration in scope, so that it matches no
// namespace given to a query.
constexpr char kXmlUnboundPrefix = '\x01';

// The URI that prefix (empty: the default namespace) is bound to at element i (which
// may be the root), or nullptr when it is not declared there. The prefix xml is bound
// everywhere.
const std::string* xml_namespace_at(const XmlDocument& doc, int i, const std::string& prefix);

// The most elements one inside another that a document may have.
constexpr std::size_t kXmlMaxDepth = 4096;

// Reads text into doc. document: exactly one element at the top (an XMLTYPE document);
// otherwise any content (a fragment such as EXTRACT returns). False with the parser's
// detail ("LPX-nnnnn: ...") in *error when the text is not well formed.
bool xml_parse(const std::string& text, bool document, XmlDocument* doc, std::string* error);

// The XPath string value of node i: an element's or the root's text descendants one after
// the other, the value of any other node.
std::string xml_string_value(const XmlDocument& doc, int i);

// Node i written as XML (an attribute as its value's text, escaped; the root as its
// content). Empty elements are written <name/>. An element written apart from its
// document carries the declarations of the prefixes its subtree uses that were declared
// above it.
std::string xml_serialize(const XmlDocument& doc, int i);
// Appends a text (escaped, or as CDATA), comment or processing-instruction node as XML;
// other nodes add nothing.
void xml_write_leaf(const XmlNode& n, std::string* out);

// The document's content written with each element on a line of its own, indented by
// `indent` spaces per level. An element holding only text stays on one line, and one
// holding text and elements is written as it is; blank text between elements is dropped.
std::string xml_serialize_indented(const XmlDocument& doc, int indent);

// The part of a qualified name after its prefix, and the prefix (empty for none).
std::string xml_local_name(const std::string& qualified);
std::string xml_prefix(const std::string& qualified);

// XPath 1.0 over an XmlDocument: location paths (absolute and relative, //, the axes
// child, descendant, descendant-or-self, self, parent, attribute, ancestor,
// ancestor-or-self, following-sibling and preceding-sibling, with their abbreviations),
// name tests (QName, *, prefix:*; a prefix stands for the namespace URI it is mapped to,
// and an unprefixed name for the default element namespace), the node tests text(), node(),
// comment() and processing-instruction(), predicates, unions, comparisons, arithmetic,
// and and or, and the core functions last, position, count, name, local-name, string,
// number, boolean, not, true, false, concat, contains, starts-with, string-length,
// normalize-space, sum and namespace-uri. Variables and the other functions are refused as invalid.
#pragma once

#include "values/xml_document.h"

#include <string>
#include <vector>

struct XPathValue {
    enum class Kind { Nodes, String, Number, Boolean } kind = Kind::Nodes;
    std::vector<int> nodes;  // Nodes: indexes into the document, in document order
    std::string string;
    double number = 0;
    bool boolean = false;
};

// The namespaces a query's prefixes stand for. default_uri applies to unprefixed element
// names; the prefix xml is always mapped.
struct XPathNamespaces {
    std::vector<std::pair<std::string, std::string>> prefixes;  // prefix, URI
    std::string default_uri;
};

// Reads the mappings of EXTRACT's namespace argument: xmlns:prefix="uri" and xmlns="uri"
// separated by blanks (either quote). False when the text has another form.
bool xpath_namespace_mappings(const std::string& text, XPathNamespaces* out);

// Reads the XQuery prolog at the start of query (declare namespace p = "uri"; and declare
// default element namespace "uri";) into *out and leaves the expression after it in *rest.
// False for a declaration of another form.
bool xquery_prolog(const std::string& query, XPathNamespaces* out, std::string* rest);

// Why an expression was not evaluated.
struct XPathFailure {
    std::string prefix, name;  // a name whose prefix no namespace is given for
};

// The longest expression accepted, and how deep parentheses and predicates may nest.
constexpr std::size_t kXPathMaxLength = 4000;
constexpr int kXPathMaxDepth = 64;

// True when path is an expression of the language above (its prefixes are not resolved).
bool xpath_valid(const std::string& path);

// Evaluates path with node `context` of doc as the context node (position and size 1).
// False when path is not a valid expression, or uses a prefix ns does not map (then with
// the prefix and name in *failure, when given).
bool xpath_evaluate(const std::string& path, const XmlDocument& doc, int context, XPathValue* out,
                    const XPathNamespaces& ns = {}, XPathFailure* failure = nullptr);

// XPath's string() and number() of a value.
std::string xpath_string(const XmlDocument& doc, const XPathValue& v);
double xpath_number_of_text(const std::string& s);
std::string xpath_number_text(double d);

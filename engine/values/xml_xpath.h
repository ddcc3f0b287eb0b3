// XPath 1.0 over an XmlDocument: location paths (absolute and relative, //, the axes
// child, descendant, descendant-or-self, self, parent, attribute, ancestor,
// ancestor-or-self, following-sibling and preceding-sibling, with their abbreviations),
// name tests (qualified names as written, *, prefix:*), the node tests text(), node(),
// comment() and processing-instruction(), predicates, unions, comparisons, arithmetic,
// and and or, and the core functions last, position, count, name, local-name, string,
// number, boolean, not, true, false, concat, contains, starts-with, string-length,
// normalize-space and sum. Variables and the other functions are refused as invalid.
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

// The longest expression accepted, and how deep parentheses and predicates may nest.
constexpr std::size_t kXPathMaxLength = 4000;
constexpr int kXPathMaxDepth = 64;

// True when path is an expression of the language above.
bool xpath_valid(const std::string& path);

// Evaluates path with node `context` of doc as the context node (position and size 1).
// False when path is not a valid expression.
bool xpath_evaluate(const std::string& path, const XmlDocument& doc, int context, XPathValue* out);

// XPath's string() and number() of a value.
std::string xpath_string(const XmlDocument& doc, const XPathValue& v);
double xpath_number_of_text(const std::string& s);
std::string xpath_number_text(double d);

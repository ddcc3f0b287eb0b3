// The XML reader: one pass over the text with an explicit stack of open elements, so
// that nesting costs heap, not call depth. Errors carry the detail Oracle's parser gives
// (LPX-nnnnn); the caller wraps it in ORA-31011.
#include "values/xml_document.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool name_start(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool name_char(unsigned char c) {
    return name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void append_utf8(std::uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Reader {
public:
    Reader(const std::string& text, XmlDocument* doc, std::string* error) : s_(text), doc_(doc), error_(error) {}

    bool read(bool document) {
        doc_->nodes.clear();
        doc_->nodes.emplace_back();
        std::vector<int> open{0};
        if (s_.compare(0, 5, "<?xml") == 0 && s_.size() > 5 && blank(s_[5])) {
            std::size_t close = s_.find("?>");
            if (close == std::string::npos) return fail("LPX-00007: unexpected end-of-file encountered");
            p_ = close + 2;
        }
        int top_elements = 0;
        bool top_text = false;
        while (p_ < s_.size()) {
            int parent = open.back();
            if (s_[p_] != '<') {
                std::string text;
                if (!char_data(&text)) return false;
                if (open.size() == 1) {
                    if (text.find_first_not_of(" \t\r\n") == std::string::npos) continue;
                    if (document)
                        return fail(top_elements ? "LPX-00245: extra data after end of document"
                                                 : "LPX-00210: expected '<' instead of '" +
                                                       text.substr(text.find_first_not_of(" \t\r\n"), 1) + "'");
                    top_text = true;
                }
                add_leaf(parent, XmlNodeKind::Text, {}, std::move(text), false);
            } else if (s_.compare(p_, 4, "<!--") == 0) {
                std::size_t close = s_.find("-->", p_ + 4);
                if (close == std::string::npos) return fail("LPX-00007: unexpected end-of-file encountered");
                add_leaf(parent, XmlNodeKind::Comment, {}, s_.substr(p_ + 4, close - p_ - 4), false);
                p_ = close + 3;
            } else if (s_.compare(p_, 9, "<![CDATA[") == 0) {
                if (open.size() == 1 && document) return fail("LPX-00245: extra data after end of document");
                std::size_t close = s_.find("]]>", p_ + 9);
                if (close == std::string::npos) return fail("LPX-00007: unexpected end-of-file encountered");
                add_leaf(parent, XmlNodeKind::Text, {}, s_.substr(p_ + 9, close - p_ - 9), true);
                p_ = close + 3;
            } else if (s_.compare(p_, 9, "<!DOCTYPE") == 0 && open.size() == 1 && top_elements == 0) {
                // A document type declaration: skipped, its internal subset included.
                int brackets = 0;
                std::size_t i = p_ + 9;
                for (; i < s_.size(); ++i) {
                    if (s_[i] == '[') ++brackets;
                    if (s_[i] == ']') --brackets;
                    if (s_[i] == '>' && brackets <= 0) break;
                }
                if (i >= s_.size()) return fail("LPX-00007: unexpected end-of-file encountered");
                p_ = i + 1;
            } else if (s_.compare(p_, 2, "<?") == 0) {
                p_ += 2;
                std::string target;
                if (!name(&target)) return false;
                std::size_t close = s_.find("?>", p_);
                if (close == std::string::npos) return fail("LPX-00007: unexpected end-of-file encountered");
                std::size_t start = p_;
                while (start < close && blank(s_[start])) ++start;
                if (start == p_ && start != close) return fail("LPX-00204: syntax error");
                add_leaf(parent, XmlNodeKind::Pi, target, s_.substr(start, close - start), false);
                p_ = close + 2;
            } else if (s_.compare(p_, 2, "</") == 0) {
                p_ += 2;
                std::string closing;
                if (!name(&closing)) return false;
                while (p_ < s_.size() && blank(s_[p_])) ++p_;
                if (p_ >= s_.size()) return fail("LPX-00007: unexpected end-of-file encountered");
                if (s_[p_] != '>') return fail(std::string("LPX-00210: expected '>' instead of '") + s_[p_] + "'");
                ++p_;
                if (open.size() == 1)
                    return fail("LPX-00225: end-element tag \"" + closing + "\" has no start-element tag");
                const std::string& opened = doc_->nodes[static_cast<std::size_t>(parent)].name;
                if (closing != opened)
                    return fail("LPX-00225: end-element tag \"" + closing + "\" does not match start-element tag \"" +
                                opened + "\"");
                doc_->nodes[static_cast<std::size_t>(parent)].end = static_cast<int>(doc_->nodes.size());
                open.pop_back();
            } else {
                if (open.size() == 1) {
                    if (document && (top_elements > 0 || top_text))
                        return fail("LPX-00245: extra data after end of document");
                    ++top_elements;
                }
                bool empty = false;
                int element = 0;
                if (!start_tag(parent, &element, &empty)) return false;
                if (empty) {
                    doc_->nodes[static_cast<std::size_t>(element)].end = static_cast<int>(doc_->nodes.size());
                } else {
                    if (open.size() > kXmlMaxDepth) return fail("LPX-00204: elements nested too deeply");
                    open.push_back(element);
                }
            }
        }
        if (open.size() > 1) return fail("LPX-00007: unexpected end-of-file encountered");
        if (document && top_elements == 0)
            return fail(s_.find_first_not_of(" \t\r\n") == std::string::npos
                            ? "LPX-00229: input source is empty"
                            : "LPX-00007: unexpected end-of-file encountered");
        doc_->nodes[0].end = static_cast<int>(doc_->nodes.size());
        resolve_namespaces();
        return true;
    }

private:
    // Gives each element and attribute the URI its prefix is bound to. Parents come before
    // their children, so one pass in document order sees every declaration in scope.
    void resolve_namespaces() {
        for (std::size_t k = 1; k < doc_->nodes.size(); ++k) {
            XmlNode& n = doc_->nodes[k];
            if (n.kind != XmlNodeKind::Element && n.kind != XmlNodeKind::Attribute) continue;
            std::string prefix = xml_prefix(n.name);
            if (n.kind == XmlNodeKind::Attribute && (prefix.empty() || prefix == "xmlns")) continue;
            int scope = n.kind == XmlNodeKind::Element ? static_cast<int>(k) : n.parent;
            const std::string* uri = xml_namespace_at(*doc_, scope, prefix);
            if (uri)
                n.uri = *uri;
            else if (!prefix.empty())
                n.uri = std::string(1, kXmlUnboundPrefix) + prefix;
        }
    }

    bool fail(const std::string& detail) {
        *error_ = detail;
        return false;
    }

    int add_leaf(int parent, XmlNodeKind kind, std::string name, std::string value, bool cdata) {
        XmlNode n;
        n.kind = kind;
        n.name = std::move(name);
        n.value = std::move(value);
        n.cdata = cdata;
        n.parent = parent;
        int index = static_cast<int>(doc_->nodes.size());
        n.end = index + 1;
        doc_->nodes.push_back(std::move(n));
        doc_->nodes[static_cast<std::size_t>(parent)].children.push_back(index);
        return index;
    }

    bool name(std::string* out) {
        if (p_ >= s_.size()) return fail("LPX-00007: unexpected end-of-file encountered");
        unsigned char c = static_cast<unsigned char>(s_[p_]);
        if (!name_start(c))
            return fail("LPX-00231: invalid character " + std::to_string(c) + " ('" + std::string(1, s_[p_]) +
                        "') found in a Name or Nmtoken");
        std::size_t start = p_;
        while (p_ < s_.size() && name_char(static_cast<unsigned char>(s_[p_]))) ++p_;
        *out = s_.substr(start, p_ - start);
        return true;
    }

    // An entity or character reference at p_ (on the '&'), appended to out.
    bool reference(std::string* out) {
        std::size_t semi = s_.find(';', p_);
        if (semi == std::string::npos || semi - p_ > 12)
            return fail("LPX-00242: invalid use of ampersand ('&') character (use &amp;)");
        std::string ref = s_.substr(p_ + 1, semi - p_ - 1);
        static const char* const kEntities[][2] = {
            {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}};
        for (const auto& e : kEntities)
            if (ref == e[0]) {
                *out += e[1];
                p_ = semi + 1;
                return true;
            }
        if (ref.size() > 1 && ref[0] == '#') {
            bool hex = ref[1] == 'x';
            std::size_t i = hex ? 2 : 1;
            std::uint32_t cp = 0;
            if (i >= ref.size()) return fail("LPX-00241: entity reference is not well formed");
            for (; i < ref.size(); ++i) {
                char c = ref[i];
                int digit = c >= '0' && c <= '9'          ? c - '0'
                            : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                            : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                          : -1;
                if (digit < 0) return fail("LPX-00241: entity reference is not well formed");
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
                if (cp > 0x10FFFF) break;
            }
            bool allowed = cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
                           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
            if (!allowed)
                return fail("LPX-00217: invalid character " + std::to_string(cp) + " in a character reference");
            append_utf8(cp, out);
            p_ = semi + 1;
            return true;
        }
        if (ref.empty() || !name_start(static_cast<unsigned char>(ref[0])))
            return fail("LPX-00242: invalid use of ampersand ('&') character (use &amp;)");
        return fail("LPX-00118: undefined entity \"" + ref + "\"");
    }

    bool char_data(std::string* out) {
        while (p_ < s_.size() && s_[p_] != '<') {
            if (s_[p_] == '&') {
                if (!reference(out)) return false;
            } else {
                *out += s_[p_++];
            }
        }
        return true;
    }

    bool start_tag(int parent, int* element, bool* empty) {
        ++p_;
        std::string tag;
        if (!name(&tag)) return false;
        XmlNode n;
        n.kind = XmlNodeKind::Element;
        n.name = tag;
        n.parent = parent;
        *element = static_cast<int>(doc_->nodes.size());
        doc_->nodes.push_back(std::move(n));
        doc_->nodes[static_cast<std::size_t>(parent)].children.push_back(*element);
        for (;;) {
            std::size_t before = p_;
            while (p_ < s_.size() && blank(s_[p_])) ++p_;
            if (p_ >= s_.size()) return fail("LPX-00007: unexpected end-of-file encountered");
            if (s_[p_] == '>') {
                ++p_;
                return true;
            }
            if (s_.compare(p_, 2, "/>") == 0) {
                p_ += 2;
                *empty = true;
                return true;
            }
            if (before == p_) return fail(std::string("LPX-00210: expected '>' instead of '") + s_[p_] + "'");
            std::string attr;
            if (!name(&attr)) return false;
            while (p_ < s_.size() && blank(s_[p_])) ++p_;
            if (p_ >= s_.size()) return fail("LPX-00007: unexpected end-of-file encountered");
            if (s_[p_] != '=') return fail(std::string("LPX-00210: expected '=' instead of '") + s_[p_] + "'");
            ++p_;
            while (p_ < s_.size() && blank(s_[p_])) ++p_;
            if (p_ >= s_.size()) return fail("LPX-00007: unexpected end-of-file encountered");
            char quote = s_[p_];
            if (quote != '"' && quote != '\'')
                return fail(std::string("LPX-00210: expected '\"' instead of '") + quote + "'");
            ++p_;
            std::string value;
            while (p_ < s_.size() && s_[p_] != quote) {
                if (s_[p_] == '<') return fail("LPX-00204: syntax error");
                if (s_[p_] == '&') {
                    if (!reference(&value)) return false;
                } else {
                    // Attribute values are normalised: each blank becomes a space.
                    value += blank(s_[p_]) ? ' ' : s_[p_];
                    ++p_;
                }
            }
            if (p_ >= s_.size()) return fail("LPX-00007: unexpected end-of-file encountered");
            ++p_;
            for (int a : doc_->nodes[static_cast<std::size_t>(*element)].attributes)
                if (doc_->nodes[static_cast<std::size_t>(a)].name == attr)
                    return fail("LPX-00204: duplicate attribute \"" + attr + "\"");
            XmlNode an;
            an.kind = XmlNodeKind::Attribute;
            an.name = attr;
            an.value = std::move(value);
            an.parent = *element;
            int index = static_cast<int>(doc_->nodes.size());
            an.end = index + 1;
            doc_->nodes.push_back(std::move(an));
            doc_->nodes[static_cast<std::size_t>(*element)].attributes.push_back(index);
        }
    }

    const std::string& s_;
    XmlDocument* doc_;
    std::string* error_;
    std::size_t p_ = 0;
};

void escape_into(const std::string& s, bool attribute, std::string* out) {
    for (char c : s) {
        switch (c) {
        case '&':
            *out += "&amp;";
            break;
        case '<':
            *out += "&lt;";
            break;
        case '>':
            *out += "&gt;";
            break;
        case '"':
            *out += attribute ? "&quot;" : "\"";
            break;
        default:
            *out += c;
        }
    }
}

}  // namespace

void xml_write_leaf(const XmlNode& n, std::string* out) {
    if (n.kind == XmlNodeKind::Text && n.cdata)
        *out += "<![CDATA[" + n.value + "]]>";
    else if (n.kind == XmlNodeKind::Text)
        escape_into(n.value, false, out);
    else if (n.kind == XmlNodeKind::Comment)
        *out += "<!--" + n.value + "-->";
    else if (n.kind == XmlNodeKind::Pi)
        *out += "<?" + n.name + (n.value.empty() ? "" : " " + n.value) + "?>";
}

namespace {

// The declarations element i needs when written without its ancestors: for each prefix
// (and the default namespace) its subtree's names use, bound above i and not declared
// on i itself.
std::string inherited_declarations(const XmlDocument& doc, int i) {
    const XmlNode& top = doc.nodes[static_cast<std::size_t>(i)];
    std::vector<std::string> prefixes;
    for (int k = i; k < top.end; ++k) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(k)];
        if (n.kind != XmlNodeKind::Element && n.kind != XmlNodeKind::Attribute) continue;
        std::string p = xml_prefix(n.name);
        if (n.kind == XmlNodeKind::Attribute && (p.empty() || p == "xmlns")) continue;
        if (p == "xml" || std::find(prefixes.begin(), prefixes.end(), p) != prefixes.end()) continue;
        prefixes.push_back(p);
    }
    std::string out;
    for (const std::string& p : prefixes) {
        const std::string wanted = p.empty() ? "xmlns" : "xmlns:" + p;
        bool declared_here = false;
        for (int a : top.attributes)
            if (doc.nodes[static_cast<std::size_t>(a)].name == wanted) declared_here = true;
        if (declared_here) continue;
        const std::string* uri = xml_namespace_at(doc, top.parent, p);
        if (!uri || (p.empty() && uri->empty())) continue;
        out += " " + wanted + "=\"";
        escape_into(*uri, true, &out);
        out += "\"";
    }
    return out;
}

}  // namespace

bool xml_parse(const std::string& text, bool document, XmlDocument* doc, std::string* error) {
    return Reader(text, doc, error).read(document);
}

std::string xml_string_value(const XmlDocument& doc, int i) {
    const XmlNode& n = doc.nodes[static_cast<std::size_t>(i)];
    if (n.kind != XmlNodeKind::Element && n.kind != XmlNodeKind::Root) return n.value;
    std::string out;
    for (int k = i + 1; k < n.end; ++k)
        if (doc.nodes[static_cast<std::size_t>(k)].kind == XmlNodeKind::Text)
            out += doc.nodes[static_cast<std::size_t>(k)].value;
    return out;
}

namespace {

// Element k's name and attributes (the start tag without its closing >).
void open_tag(const XmlDocument& doc, int k, std::string* out) {
    const XmlNode& n = doc.nodes[static_cast<std::size_t>(k)];
    *out += "<" + n.name;
    for (int a : n.attributes) {
        const XmlNode& an = doc.nodes[static_cast<std::size_t>(a)];
        *out += " " + an.name + "=\"";
        escape_into(an.value, true, out);
        *out += "\"";
    }
}

// Node i written as XML; standalone: as a value of its own, with the declarations it
// inherits.
std::string serialize_node(const XmlDocument& doc, int i, bool standalone) {
    const XmlNode& top = doc.nodes[static_cast<std::size_t>(i)];
    std::string out;
    if (top.kind == XmlNodeKind::Attribute) {
        escape_into(top.value, false, &out);
        return out;
    }
    // Walk the subtree in document order; an element's end tag is written when the walk
    // leaves its subtree.
    std::vector<int> open;
    auto close_until = [&](int k) {
        while (!open.empty() && doc.nodes[static_cast<std::size_t>(open.back())].end <= k) {
            out += "</" + doc.nodes[static_cast<std::size_t>(open.back())].name + ">";
            open.pop_back();
        }
    };
    for (int k = top.kind == XmlNodeKind::Root ? i + 1 : i; k < top.end; ++k) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(k)];
        if (n.kind == XmlNodeKind::Attribute) continue;
        close_until(k);
        switch (n.kind) {
        case XmlNodeKind::Element: {
            open_tag(doc, k, &out);
            if (k == i && n.parent > 0 && standalone) {
                // The declarations go before the attributes.
                std::size_t name_end = out.size();
                for (std::size_t b = out.size(); b-- > 0;)
                    if (out[b] == '<') {
                        name_end = b + 1 + n.name.size();
                        break;
                    }
                out.insert(name_end, inherited_declarations(doc, i));
            }
            if (n.children.empty()) {
                out += "/>";
            } else {
                out += ">";
                open.push_back(k);
            }
            break;
        }
        case XmlNodeKind::Text:
        case XmlNodeKind::Comment:
        case XmlNodeKind::Pi:
            xml_write_leaf(n, &out);
            break;
        case XmlNodeKind::Root:
        case XmlNodeKind::Attribute:
            break;
        }
    }
    close_until(top.end);
    return out;
}

}  // namespace

std::string xml_serialize(const XmlDocument& doc, int i) {
    return serialize_node(doc, i, true);
}

std::string xml_serialize_indented(const XmlDocument& doc, int indent) {
    auto blank_text = [&](int k) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(k)];
        return n.kind == XmlNodeKind::Text && !n.cdata && n.value.find_first_not_of(" \t\r\n") == std::string::npos;
    };
    // An element is laid out when it has an element child and no text besides blanks.
    auto laid_out = [&](int k) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(k)];
        if (k != 0 && n.kind != XmlNodeKind::Element) return false;
        bool element = false;
        for (int c : n.children) {
            const XmlNode& child = doc.nodes[static_cast<std::size_t>(c)];
            if (child.kind == XmlNodeKind::Text && !blank_text(c)) return false;
            if (child.kind != XmlNodeKind::Text) element = true;
        }
        return element || k == 0;
    };
    std::string out;
    // The laid-out elements open around the walk, with their depth.
    std::vector<int> open;
    auto line = [&](std::size_t depth) {
        if (!out.empty()) out += '\n';
        out.append(depth * static_cast<std::size_t>(indent), ' ');
    };
    auto close_until = [&](int k) {
        while (!open.empty() && doc.nodes[static_cast<std::size_t>(open.back())].end <= k) {
            int e = open.back();
            open.pop_back();
            line(open.size());
            out += "</" + doc.nodes[static_cast<std::size_t>(e)].name + ">";
        }
    };
    const XmlNode& root = doc.nodes[0];
    for (int k = 1; k < root.end; ++k) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(k)];
        if (n.kind == XmlNodeKind::Attribute) continue;
        close_until(k);
        if (blank_text(k) && laid_out(n.parent)) continue;
        line(open.size());
        if (n.kind == XmlNodeKind::Element && laid_out(k)) {
            // The start tag alone; the children follow on lines of their own.
            open_tag(doc, k, &out);
            out += ">";
            open.push_back(k);
            continue;
        }
        out += serialize_node(doc, k, false);
        k = n.end - 1;
    }
    close_until(root.end);
    return out;
}

const std::string* xml_namespace_at(const XmlDocument& doc, int i, const std::string& prefix) {
    static const std::string kXml = "http://www.w3.org/XML/1998/namespace";
    if (prefix == "xml") return &kXml;
    const std::string wanted = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
    for (int e = i; e > 0; e = doc.nodes[static_cast<std::size_t>(e)].parent)
        for (int a : doc.nodes[static_cast<std::size_t>(e)].attributes)
            if (doc.nodes[static_cast<std::size_t>(a)].name == wanted)
                return &doc.nodes[static_cast<std::size_t>(a)].value;
    return nullptr;
}

std::string xml_prefix(const std::string& qualified) {
    std::size_t colon = qualified.find(':');
    return colon == std::string::npos ? std::string() : qualified.substr(0, colon);
}

std::string xml_local_name(const std::string& qualified) {
    std::size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

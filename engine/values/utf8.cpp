// UTF-8 decoding, counting and case mapping for the text functions.
#include "values/utf8.h"

namespace {

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The case pairs beyond ASCII, as ranges: upper..upper+count-1 map to lower + offset,
// either every code point (step 1) or alternating upper/lower pairs (step 2).
struct CaseRange {
    std::uint32_t first_upper;
    std::uint32_t last_upper;
    std::int32_t to_lower;  // lower = upper + to_lower
    std::uint8_t step;
};

const CaseRange kCaseRanges[] = {
    {0x41, 0x5A, 32, 1},      // A-Z
    {0xC0, 0xD6, 32, 1},      // Latin-1 letters
    {0xD8, 0xDE, 32, 1},      //
    {0x100, 0x12F, 1, 2},     // Latin Extended-A, in pairs
    {0x132, 0x137, 1, 2},     //
    {0x139, 0x148, 1, 2},     //
    {0x14A, 0x177, 1, 2},     //
    {0x179, 0x17E, 1, 2},     //
    {0x178, 0x178, -121, 1},  // Y with diaeresis, whose lower case is in Latin-1
    {0x386, 0x386, 38, 1},    // Greek with tonos
    {0x388, 0x38A, 37, 1},    //
    {0x38C, 0x38C, 64, 1},    //
    {0x38E, 0x38F, 63, 1},    //
    {0x391, 0x3A1, 32, 1},    // Greek
    {0x3A3, 0x3AB, 32, 1},    //
    {0x410, 0x42F, 32, 1},    // Cyrillic
    {0x400, 0x40F, 80, 1},    //
    {0x460, 0x481, 1, 2},     //
    {0x48A, 0x4BF, 1, 2},     //
};

}  // namespace

std::size_t utf8_char_bytes(const char* s, std::size_t len, std::size_t at) {
    if (at >= len) return 0;
    unsigned char c = static_cast<unsigned char>(s[at]);
    std::size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    if (n == 1) return 1;
    if (at + n > len) return 1;
    for (std::size_t i = 1; i < n; ++i)
        if (!continuation(static_cast<unsigned char>(s[at + i]))) return 1;
    return n;
}

std::size_t utf8_char_bytes(const std::string& s, std::size_t at) {
    return utf8_char_bytes(s.data(), s.size(), at);
}

std::size_t utf8_length(const char* s, std::size_t len) {
    std::size_t n = 0;
    for (std::size_t at = 0; at < len; at += utf8_char_bytes(s, len, at)) ++n;
    return n;
}

std::size_t utf8_length(const std::string& s) {
    return utf8_length(s.data(), s.size());
}

std::size_t utf8_prefix_bytes(const char* s, std::size_t len, std::size_t chars) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < chars && at < len; ++i) at += utf8_char_bytes(s, len, at);
    return at;
}

std::size_t utf8_offset(const std::string& s, std::size_t chars) {
    return utf8_prefix_bytes(s.data(), s.size(), chars);
}

std::size_t utf8_fit_bytes(const char* s, std::size_t len, std::size_t max_bytes) {
    std::size_t at = 0;
    while (at < len) {
        std::size_t n = utf8_char_bytes(s, len, at);
        if (at + n > max_bytes) break;
        at += n;
    }
    return at;
}

std::uint32_t utf8_decode(const std::string& s, std::size_t at, std::size_t* bytes) {
    std::size_t n = utf8_char_bytes(s, at);
    *bytes = n;
    if (n == 0) return 0;
    unsigned char c = static_cast<unsigned char>(s[at]);
    if (n == 1) return c;
    std::uint32_t cp = c & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
    for (std::size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[at + i]) & 0x3F);
    return cp;
}

void utf8_append(std::string* out, std::uint32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::uint32_t utf8_max_bytes(const OraType& t) {
    bool text = t.code == kTypeVarchar2 || t.code == kTypeChar;
    if (!text || (!t.char_used && !t.national)) return t.size;
    std::uint32_t limit = t.code == kTypeChar ? 2000 : 4000;
    return t.size > limit / 4 ? limit : t.size * 4;
}

bool utf8_valid(const std::string& s) {
    for (std::size_t at = 0; at < s.size();) {
        std::size_t n = utf8_char_bytes(s, at);
        if (n == 1 && static_cast<unsigned char>(s[at]) >= 0x80) return false;
        at += n;
    }
    return true;
}

std::uint32_t utf8_lower(std::uint32_t cp) {
    for (const CaseRange& r : kCaseRanges) {
        if (cp < r.first_upper || cp > r.last_upper) continue;
        if (r.step == 2 && (cp - r.first_upper) % 2 != 0) continue;
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(cp) + r.to_lower);
    }
    return cp;
}

std::uint32_t utf8_upper(std::uint32_t cp) {
    for (const CaseRange& r : kCaseRanges) {
        std::uint32_t first = static_cast<std::uint32_t>(static_cast<std::int32_t>(r.first_upper) + r.to_lower);
        std::uint32_t last = static_cast<std::uint32_t>(static_cast<std::int32_t>(r.last_upper) + r.to_lower);
        if (cp < first || cp > last) continue;
        if (r.step == 2 && (cp - first) % 2 != 0) continue;
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(cp) - r.to_lower);
    }
    if (cp == 0x3C2) return 0x3A3;  // final sigma
    return cp;
}

bool utf8_alnum(std::uint32_t cp) {
    if (cp < 0x80) return (cp >= '0' && cp <= '9') || (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z');
    if (cp == 0xD7 || cp == 0xF7) return false;
    return (cp >= 0xC0 && cp <= 0x24F) || (cp >= 0x370 && cp <= 0x3FF) || (cp >= 0x400 && cp <= 0x52F) ||
           utf8_upper(cp) != cp || utf8_lower(cp) != cp;
}

namespace {

template <typename Map>
std::string map_text(const std::string& s, Map map) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t at = 0; at < s.size();) {
        std::size_t n = 0;
        std::uint32_t cp = utf8_decode(s, at, &n);
        if (n == 1 && cp >= 0x80)
            out.push_back(s[at]);  // a malformed byte passes unchanged
        else
            utf8_append(&out, map(cp));
        at += n;
    }
    return out;
}

}  // namespace

std::string utf8_upper_text(const std::string& s) {
    return map_text(s, utf8_upper);
}

std::string utf8_lower_text(const std::string& s) {
    return map_text(s, utf8_lower);
}

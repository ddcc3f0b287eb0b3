// Oracle's regular expressions: POSIX extended syntax with the Perl extensions Oracle
// accepts (\d \w \s, non-greedy quantifiers, back references), matched leftmost-first
// over characters (code points), never bytes. The matcher is a backtracking machine on
// an explicit stack: it never recurses on the input, it remembers the states that
// failed (so patterns like (a*)*b stay linear), and patterns it cannot memoise (back
// references, very long inputs) run under a step budget that ends with ORA-12722
// instead of hanging.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The match_param letters: i c n m x (the last of i and c wins).
struct RegexFlags {
    bool icase = false;
    bool dot_all = false;    // n: '.' matches a newline
    bool multiline = false;  // m: ^ and $ at every line
    bool extended = false;   // x: white space in the pattern is ignored
};
// Reads a match_param; false for a letter Oracle does not accept (ORA-01760).
bool regex_flags_parse(const std::string& text, RegexFlags* flags);

enum class RegexOp : std::uint8_t {
    Char,       // c
    Any,        // '.'
    Class,      // x: index of the class; neg
    LineBegin,  // ^
    LineEnd,    // $
    TextBegin,  // \A
    TextEnd,    // \z
    TextEndNl,  // \Z: the end or before a final newline
    Split,      // try x, then y
    Jump,       // x
    Save,       // x: capture slot
    Mark,       // x: loop slot; records the position where an iteration starts
    Check,      // x: loop slot; fails when the iteration consumed nothing
    Backref,    // x: group
    Match,
};

struct RegexInst {
    RegexOp op = RegexOp::Match;
    bool neg = false;
    std::uint32_t c = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// A bracket expression: ranges of code points, named classes and equivalence classes.
struct RegexClass {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    std::vector<std::uint8_t> named;    // indexes of the named classes ([:alpha:], \d ...)
    std::vector<std::uint8_t> unnamed;  // named classes negated (\D \W \S inside the class)
    std::vector<char> equivalents;      // [=e=]: base letters
};

struct Regex {
    RegexFlags flags;
    std::vector<RegexInst> prog;
    std::vector<RegexClass> classes;
    int groups = 0;  // capture groups, \1 to \9 refer to the first nine
    int loops = 0;   // Mark/Check slots
    bool backrefs = false;
};

// Compiles pattern (UTF-8). 0 on success, else the Oracle error number (12725 to 12733).
int regex_compile(const std::string& pattern, const RegexFlags& flags, Regex* out);

// The subject of one or more searches: its code points and their byte offsets, and
// the states that failed, which stay valid from one search of the subject to the next.
class RegexSubject {
public:
    RegexSubject(const Regex& re, const std::string& text);
    std::size_t length() const { return chars_.size(); }
    // The byte offset of character i (i may be length()).
    std::size_t byte_offset(std::size_t i) const { return offsets_[i]; }
    const std::string& text() const { return text_; }
    // Searches from character from for the leftmost match; *groups receives start/end
    // character pairs for the whole match and each group (-1 when unset). 1 found,
    // 0 none, or -12722 when the search ran out of its budget.
    int search(std::size_t from, std::vector<std::int32_t>* groups);

private:
    bool visited(std::int32_t pc, std::int32_t pos);
    bool step_char(const RegexInst& in, std::uint32_t ch) const;
    int run(std::int32_t start, std::vector<std::int32_t>* caps);

    const Regex& re_;
    std::string text_;
    std::vector<std::uint32_t> chars_;
    std::vector<std::size_t> offsets_;
    std::vector<std::uint64_t> memo_;  // one bit per (position, instruction); empty: none
    std::uint64_t steps_ = 0;
    std::int32_t last_end_ = -1;  // end of the last match: its states are cleared from memo_
};

// True when ch is in the class (case-insensitive when icase).
bool regex_class_has(const RegexClass& cls, std::uint32_t ch, bool icase);

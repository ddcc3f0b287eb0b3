// The lexical scan behind the completeness rules. Oracle's quoting: '...' with '' for a
// quote inside; q'x...x' (also nq'..', any case) whose closing is the delimiter's pair
// for ( [ { < and the delimiter itself otherwise, followed by a quote; "..." quoted
// identifiers; "--" line comments and "/* */" block comments.
#include "command/statement_scan.h"

#include <cctype>

namespace {

bool is_name_char(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '$' || c == '#' || u >= 0x80;
}

char closing_of(char open) {
    switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
    }
}

// Whether a q-quote starts at i (the 'q' or 'Q'): the q is a word of its own or follows
// an n/N national prefix, and a quote and a delimiter that is not blank follow it.
bool q_quote_at(const std::string& text, size_t i) {
    if (text[i] != 'q' && text[i] != 'Q') return false;
    if (i + 2 >= text.size() || text[i + 1] != '\'') return false;
    const char delimiter = text[i + 2];
    if (delimiter == ' ' || delimiter == '\t' || delimiter == '\n' || delimiter == '\r') return false;
    if (i == 0) return true;
    const char before = text[i - 1];
    if (before == 'n' || before == 'N') return i == 1 || !is_name_char(text[i - 2]);
    return !is_name_char(before);
}

}  // namespace

ScanState scan_state_at(const std::string& text, size_t position) {
    const size_t end = position < text.size() ? position : text.size();
    ScanState state = ScanState::Code;
    char q_close = 0;
    for (size_t i = 0; i < end; ++i) {
        const char c = text[i];
        switch (state) {
        case ScanState::Code:
            if (c == '\'') {
                state = ScanState::Literal;
            } else if (c == '"') {
                state = ScanState::Identifier;
            } else if (c == '-' && i + 1 < end && text[i + 1] == '-') {
                state = ScanState::LineComment;
                ++i;
            } else if (c == '/' && i + 1 < end && text[i + 1] == '*') {
                state = ScanState::BlockComment;
                ++i;
            } else if (q_quote_at(text, i) && i + 2 < end) {
                q_close = closing_of(text[i + 2]);
                state = ScanState::QLiteral;
                i += 2;
            }
            break;
        case ScanState::Literal:
            // A doubled quote leaves the literal and enters it again at once.
            if (c == '\'') state = ScanState::Code;
            break;
        case ScanState::QLiteral:
            if (c == q_close && i + 1 < end && text[i + 1] == '\'') {
                state = ScanState::Code;
                ++i;
            }
            break;
        case ScanState::Identifier:
            if (c == '"') state = ScanState::Code;
            break;
        case ScanState::LineComment:
            if (c == '\n') state = ScanState::Code;
            break;
        case ScanState::BlockComment:
            if (c == '*' && i + 1 < end && text[i + 1] == '/') {
                state = ScanState::Code;
                ++i;
            }
            break;
        }
    }
    return state;
}

const char* scan_state_name(ScanState state) {
    switch (state) {
    case ScanState::Code: return "code";
    case ScanState::Literal: return "literal";
    case ScanState::QLiteral: return "q-quoted literal";
    case ScanState::Identifier: return "quoted identifier";
    case ScanState::LineComment: return "line comment";
    case ScanState::BlockComment: return "comment";
    }
    return "code";
}

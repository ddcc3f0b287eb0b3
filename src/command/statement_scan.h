// Lexical state of a statement being assembled: whether a position of the input lies in
// code, inside a quoted literal (plain or q-quoted), a quoted identifier, or a comment.
// The completeness rules use it so that a terminator inside a literal or a comment never
// ends a statement. Pure text; no console, no database.
#pragma once

#include <string>

enum class ScanState {
    Code,           // outside quotes and comments
    Literal,        // inside '...'
    QLiteral,       // inside q'x...x'
    Identifier,     // inside "..."
    LineComment,    // after "--" up to the end of the line
    BlockComment    // inside /* ... */
};

// The state just before the byte at `position` (the whole text when position is the
// text's length or more).
ScanState scan_state_at(const std::string& text, size_t position);

// Why an input is not complete yet, for callers that tell the user: the state at its end.
inline ScanState scan_state_at_end(const std::string& text) { return scan_state_at(text, text.size()); }

// Name of a state for messages and tests ("code", "literal", ...).
const char* scan_state_name(ScanState state);

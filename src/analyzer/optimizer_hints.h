// The optimizer hints the SQL analyzer offers, and the text operations on them: the hint
// comment for a choice of hint, tables and indexes, and the statement rewritten with it.
// Pure text: no database, no window. The analyzer window and the tune command share it.
#pragma once

#include <string>
#include <vector>

// How many tables or indexes a hint names.
enum class HintArguments { None = 0, One = 1, Several = 2 };

struct OptimizerHint {
    const char* name;  // as written in the comment, at most 39 characters
    HintArguments tables;
    HintArguments indexes;
    const char* description;  // what the hint makes the optimizer do
};

// The 33 hints in the analyzer's order; the first is "None" (no hint).
extern const OptimizerHint kOptimizerHints[];
extern const int kOptimizerHintCount;

// The hint of that name (any case), or null.
const OptimizerHint* optimizer_hint_find(const std::string& name);

// The hint comment, e.g. "/*+ INDEX (EMP PK_EMP) */": empty for no hint or "None". A hint
// of one table names only the first table given; indexes follow the table(s) only for
// hints that take indexes.
std::string build_hint_text(const OptimizerHint* hint, const std::vector<std::string>& tables,
                            const std::vector<std::string>& indexes);

// The statement with its hint comment replaced by `hint_text` (or removed when it is
// empty). Only a statement whose first word, from its very first character, is select,
// update or delete is changed: the comment goes right after that word and its blanks,
// replacing a "/*+ ... */" standing there. Any other text comes back unchanged, and so
// does one whose hint comment is not closed.
std::string apply_hint(const std::string& statement, const std::string& hint_text);

// What the analyzer's Execute types into the console: the text without blanks, tabs and
// line ends at both ends, with ";" appended unless it ends with one. Empty when nothing
// is left.
std::string statement_for_execute(const std::string& text);

// The classification rules, first match wins. Each rule is a row: the kind it yields,
// the command word spellings it accepts (exactly these, compared case-insensitively),
// an optional further condition on the words, and what completes the statement.
#include "command/classify.h"

#include "command/command_table.h"
#include "command/statement_scan.h"
#include "command/words.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {

bool equals_nocase(const char* a, const char* b, size_t length_b) {
    for (size_t i = 0; i < length_b; ++i) {
        if (a[i] == '\0') return false;
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return a[length_b] == '\0';
}

bool starts_with(const char* word, const char* prefix) {
    return std::strncmp(word, prefix, std::strlen(prefix)) == 0;
}

using Words = const char* const*;

const char* kUnitWords = "procedure function package type trigger";

// CREATE [OR REPLACE] [EDITIONABLE | NONEDITIONABLE] unit.
bool plsql_create(Words w, int n) {
    if (n < 2 || !word_is_one_of(w[0], "create")) return false;
    int at = n >= 4 && word_is_one_of(w[1], "or") && word_is_one_of(w[2], "replace") ? 3 : 1;
    if (at + 1 < n && word_is_one_of(w[at], "editionable noneditionable")) ++at;
    return word_is_one_of(w[at], kUnitWords);
}

bool object_ddl(Words w, int n) {
    if (word_is_one_of(w[0], "create")) {
        if (n >= 2 && word_is_one_of(w[1], "view")) return true;
        if (n >= 3 && word_is_one_of(w[1], "force") && word_is_one_of(w[2], "view")) return true;
        if (n >= 4 && word_is_one_of(w[1], "or") && word_is_one_of(w[2], "replace") &&
            word_is_one_of(w[3], "view"))
            return true;
        return n >= 5 && word_is_one_of(w[1], "or") && word_is_one_of(w[2], "replace") &&
               word_is_one_of(w[3], "force") && word_is_one_of(w[4], "view");
    }
    return n >= 4 && word_is_one_of(w[0], "alter") &&
           word_is_one_of(w[1], "view procedure function package type trigger") &&
           word_is_one_of(w[3], "compile");
}

// WITH FUNCTION / WITH PROCEDURE: a query whose PL/SQL declarations hold semicolons, so
// only a "/" line ends it. A subquery factor that happens to be named FUNCTION is followed
// by AS (after its column list) and stays an ordinary query.
bool plsql_with(Words w, int n) {
    return n >= 3 && word_is_one_of(w[1], "function procedure") && !word_is_one_of(w[2], "as") &&
           (n < 4 || !word_is_one_of(w[3], "as"));
}

// CREATE VIEW ... AS WITH FUNCTION ... and CREATE TABLE ... AS WITH FUNCTION ...: the
// query of the view or table declares PL/SQL, so, as for such a query typed alone, only
// a "/" line ends the statement. Only the first ten words are seen: when they end at
// "AS WITH FUNCTION" the declaration is taken as PL/SQL; a head longer than that (a long
// column list) keeps the ordinary ending.
bool as_plsql_with(Words w, int n) {
    for (int i = 2; i + 1 < n; ++i) {
        if (!word_is_one_of(w[i], "as") || !word_is_one_of(w[i + 1], "with")) continue;
        if (plsql_with(w + i + 1, n - i - 1)) return true;
        if (n == kMaxWords && i + 3 == n && word_is_one_of(w[i + 2], "function procedure")) return true;
    }
    return false;
}

bool view_with_plsql(Words w, int n) {
    return word_is_one_of(w[0], "create") && object_ddl(w, n) && as_plsql_with(w, n);
}

bool create_as_plsql_with(Words w, int n) {
    return word_is_one_of(w[0], "create") && as_plsql_with(w, n);
}

// INSERT / UPDATE / DELETE /*+ WITH_PLSQL */ ... WITH FUNCTION ...: DML that
// declares PL/SQL needs that hint right after its verb, and then, as a query that
// declares PL/SQL, ends only at a "/" line. The declaration is looked for in the first ten
// words (the first WITH there decides); when they run out before it, the hint alone
// decides.
bool hint_is_with_plsql(const char* word) {
    std::string w;
    for (const char* p = word; *p; ++p) w += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return w.find("with_plsql") != std::string::npos;
}

bool dml_with_plsql(Words w, int n) {
    if (n < 2 || !starts_with(w[1], "/*+")) return false;
    bool hinted = false;
    int i = 1;
    for (; i < n; ++i) {
        if (hint_is_with_plsql(w[i])) hinted = true;
        const std::size_t len = std::strlen(w[i]);
        if (len >= 2 && std::strcmp(w[i] + len - 2, "*/") == 0) break;
    }
    if (!hinted) return false;
    for (int k = i + 1; k + 1 < n; ++k)
        if (word_is_one_of(w[k], "with")) return plsql_with(w + k, n - k) || (k + 3 >= n && n == kMaxWords);
    return n == kMaxWords;
}

bool script_word(Words w, int) { return w[0][0] == '@'; }
bool dash_comment(Words w, int) { return starts_with(w[0], "--") || word_is_one_of(w[0], "rem"); }
bool slash_comment(Words w, int) { return starts_with(w[0], "/*"); }

struct Rule {
    int number;
    StatementKind kind;
    ClientCommandId command;
    const char* spellings;                 // null: the condition alone decides
    bool (*condition)(Words, int);         // null: the spelling alone decides
    Completion completion;
};

using K = StatementKind;
using C = ClientCommandId;
using T = Completion;

// The rules that are not client commands; the client command table's rows take their
// places among these by their rule numbers.
const Rule kRules[] = {
    {1, K::PlsqlBlock, C::None, "begin declare", nullptr, T::BlockEnd},
    {1, K::PlsqlBlock, C::None, nullptr, plsql_create, T::BlockEnd},
    {2, K::Exec, C::None, "exec execu execut execute", nullptr, T::Semicolon},
    {3, K::ObjectDdl, C::None, nullptr, view_with_plsql, T::BlockEnd},
    {3, K::ObjectDdl, C::None, nullptr, object_ddl, T::SemicolonOrSlash},
    {3, K::OtherSql, C::None, nullptr, create_as_plsql_with, T::BlockEnd},
    {4, K::Query, C::None, "with", plsql_with, T::BlockEnd},
    {4, K::Query, C::None, "select with", nullptr, T::SlashNotComment},
    {5, K::Dml, C::None, "update insert delete", dml_with_plsql, T::BlockEnd},
    {5, K::Dml, C::None, "update insert delete", nullptr, T::SlashNotComment},
    {14, K::Script, C::None, nullptr, script_word, T::AtOnce},
    {16, K::Comment, C::None, nullptr, dash_comment, T::AtOnce},
    {17, K::Comment, C::None, nullptr, slash_comment, T::CommentEnd},
};
constexpr int kLastRule = 20;

bool rule_matches(const char* spellings, bool (*condition)(Words, int), Words words, int count) {
    if (spellings && !word_is_one_of(words[0], spellings)) return false;
    return !condition || condition(words, count);
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace


bool word_is_one_of(const char* word, const char* spellings) {
    if (!word) return false;
    const char* p = spellings;
    while (*p) {
        while (*p == ' ') ++p;
        const char* end = p;
        while (*end && *end != ' ') ++end;
        if (end > p && equals_nocase(word, p, static_cast<size_t>(end - p))) return true;
        p = end;
    }
    return false;
}

Classification classify_words(const char* const* words, int count, bool plsql_flag) {
    Classification result;
    if (plsql_flag) {
        result.kind = StatementKind::PlsqlBlock;
        result.completion = Completion::BlockEnd;
        result.rule = 1;
        return result;
    }
    if (count < 1) {
        result.kind = StatementKind::Empty;
        result.completion = Completion::AtOnce;
        result.rule = 0;
        return result;
    }
    for (int number = 1; number < kLastRule; ++number) {
        for (const Rule& rule : kRules) {
            if (rule.number != number || !rule_matches(rule.spellings, rule.condition, words, count)) continue;
            result.kind = rule.kind;
            result.command = rule.command;
            result.completion = rule.completion;
            result.rule = rule.number;
            return result;
        }
        const ClientCommandRow* rows = client_command_rows();
        for (size_t i = 0; i < client_command_row_count(); ++i) {
            const ClientCommandRow& row = rows[i];
            if (row.rule != number || !rule_matches(row.spellings, row.condition, words, count)) continue;
            result.kind = StatementKind::ClientCommand;
            result.command = row.id;
            result.completion = row.completion;
            result.rule = row.rule;
            return result;
        }
    }
    return result;
}

Terminator find_terminator(const std::string& input) {
    Terminator t;
    for (int i = static_cast<int>(input.size()) - 1; i >= 0; --i) {
        if (!is_blank(input[static_cast<size_t>(i)])) {
            t.character = input[static_cast<size_t>(i)];
            t.index = i;
            break;
        }
    }
    return t;
}

bool terminator_counts(const std::string& input, const Terminator& terminator) {
    return terminator.index >= 0 && scan_state_at(input, static_cast<size_t>(terminator.index)) == ScanState::Code;
}

bool block_is_complete(const std::string& input, const Terminator& terminator) {
    if (terminator.character != '/') return false;
    if (terminator.index > 0 && input[static_cast<size_t>(terminator.index - 1)] == '*') return false;
    // A "/" in a line comment, in an unclosed "/*" comment or in a literal is text.
    return terminator_counts(input, terminator);
}

bool comment_is_complete(const std::string& input) {
    size_t end = input.size();
    while (end > 0 && (is_blank(input[end - 1]) || input[end - 1] == '\r')) --end;
    return end >= 2 && input.compare(end - 2, 2, "*/") == 0;
}

bool is_complete(Completion completion, const std::string& input, const Terminator& terminator) {
    const char t = terminator.character;
    // A terminator inside a literal, a quoted identifier or a comment is part of it.
    if (completion != Completion::AtOnce && completion != Completion::CommentEnd &&
        !terminator_counts(input, terminator))
        return false;
    switch (completion) {
    case Completion::AtOnce:
        return true;
    case Completion::Semicolon:
        return t == ';';
    case Completion::SemicolonOrSlash:
        return t == ';' || t == '/';
    case Completion::SlashNotComment:
        return t == ';' ||
               (t == '/' && !(terminator.index > 0 && input[static_cast<size_t>(terminator.index - 1)] == '*'));
    case Completion::BlockEnd:
        return block_is_complete(input, terminator);
    case Completion::CommentEnd:
        return comment_is_complete(input);
    }
    return false;
}

// Classification of an input by its first words, and the terminator rules that say when
// a statement of each kind is complete. Pure functions over text; the rule table is data.
#pragma once

#include <string>

enum class StatementKind {
    Empty, Comment, PlsqlBlock, Exec, ObjectDdl, Query, Dml, ClientCommand, Script, OtherSql
};

// What completes a statement of a kind.
enum class Completion {
    AtOnce,             // no terminator needed
    Semicolon,          // ";"
    SemicolonOrSlash,   // ";" or "/"
    SlashNotComment,    // ";" or a "/" that does not close a "*/"
    BlockEnd,           // PL/SQL: a "/" outside comments (see block_is_complete)
    CommentEnd          // a "/*" comment: the trimmed input ends with "*/"
};

enum class ClientCommandId {
    None, Exit, Commit, Rollback, Dir, RunLast, RerunLast, Edit, Describe, ShowErrors,
    Spool, Set, Define, Undefine, Accept, Connect, Disconnect, Prompt, Tune, Column,
    ShowParameter, Whenever, Host, Variable, Print, Ddl, Export, Copy, Start, Show, Timing, Pause,
    Clear, Break, Compute, Title, List, Save, Get,
    Count   // the number of ids; not a command
};

struct Classification {
    StatementKind kind = StatementKind::OtherSql;
    Completion completion = Completion::SemicolonOrSlash;
    ClientCommandId command = ClientCommandId::None;
    int rule = 20;   // number of the matching rule, 1..20
};

// Classifies by the first (at most ten) words; plsql_flag forces a PL/SQL block.
Classification classify_words(const char* const* words, int count, bool plsql_flag);

// The last byte of the input that is not a blank, tab or newline, and its index;
// '\n' and -1 when there is none.
struct Terminator {
    char character = '\n';
    int index = -1;
};
Terminator find_terminator(const std::string& input);

// Whether the input, ended by the given terminator, completes a statement of that kind.
// A terminator counts only in code: never inside a literal ('...', q'[...]'), a quoted
// identifier or a comment. CommentEnd is decided by comment_is_complete.
bool is_complete(Completion completion, const std::string& input, const Terminator& terminator);
// Whether the terminator stands in code (outside literals, identifiers and comments).
bool terminator_counts(const std::string& input, const Terminator& terminator);
bool block_is_complete(const std::string& input, const Terminator& terminator);
bool comment_is_complete(const std::string& input);

// Case-insensitive whole-word comparison against a blank-separated list of spellings.
bool word_is_one_of(const char* word, const char* spellings);

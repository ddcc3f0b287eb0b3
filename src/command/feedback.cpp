// Feedback tables. Each row matches the first words of a statement; the first matching
// row of the statement kind's table wins. Object type words are shown in lower case and
// object names in upper case for plain SQL, as Oracle names them; stored units keep the
// name as typed.
#include "command/feedback.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>
#include <vector>

#include "command/classify.h"
#include "command/statement.h"
#include "command/words.h"

namespace {

std::mutex g_compiled_mutex;
CompiledObject g_compiled;

std::string lower(const char* word) {
    std::string s(word);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string upper(const char* word) {
    std::string s(word);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A stored unit or view: the words before the name, the name's word index, the type.
struct UnitRow {
    const char* lead;   // blank-separated words that must match w0.. in order
    int min_words;
    int name_word;
    const char* noun;   // for the messages: "procedure", "package body", ...
    const char* type;   // LastCompiledObject type
    const char* tail;   // a word that must follow the name (alter ... compile [body]), or null
    const char* tail2;
};

const UnitRow kPlsqlRows[] = {
    {"create procedure", 3, 2, "procedure", "PROCEDURE", nullptr, nullptr},
    {"create or replace procedure", 5, 4, "procedure", "PROCEDURE", nullptr, nullptr},
    {"create function", 3, 2, "function", "FUNCTION", nullptr, nullptr},
    {"create or replace function", 5, 4, "function", "FUNCTION", nullptr, nullptr},
    {"create package body", 4, 3, "package body", "PACKAGE BODY", nullptr, nullptr},
    {"create or replace package body", 6, 5, "package body", "PACKAGE BODY", nullptr, nullptr},
    {"create package", 3, 2, "package", "PACKAGE", nullptr, nullptr},
    {"create or replace package", 5, 4, "package", "PACKAGE", nullptr, nullptr},
    {"create type body", 4, 3, "type body", "TYPE BODY", nullptr, nullptr},
    {"create or replace type body", 6, 5, "type body", "TYPE BODY", nullptr, nullptr},
    {"create type", 3, 2, "type", "TYPE", nullptr, nullptr},
    {"create or replace type", 5, 4, "type", "TYPE", nullptr, nullptr},
    {"create trigger", 3, 2, "trigger", "TRIGGER", nullptr, nullptr},
    {"create or replace trigger", 5, 4, "trigger", "TRIGGER", nullptr, nullptr},
};

const UnitRow kObjectDdlRows[] = {
    {"create view", 3, 2, "view", "VIEW", nullptr, nullptr},
    {"create or replace view", 5, 4, "view", "VIEW", nullptr, nullptr},
    {"create force view", 4, 3, "view", "VIEW", nullptr, nullptr},
    {"create or replace force view", 6, 5, "view", "VIEW", nullptr, nullptr},
    {"alter view", 4, 2, "view", "VIEW", "compile", nullptr},
    {"alter procedure", 4, 2, "procedure", "PROCEDURE", "compile", nullptr},
    {"alter function", 4, 2, "function", "FUNCTION", "compile", nullptr},
    {"alter trigger", 4, 2, "trigger", "TRIGGER", "compile", nullptr},
    {"alter package", 5, 2, "package body", "PACKAGE BODY", "compile", "body"},
    {"alter package", 4, 2, "package", "PACKAGE", "compile", nullptr},
    {"alter type", 5, 2, "type body", "TYPE BODY", "compile", "body"},
    {"alter type", 4, 2, "type", "TYPE", "compile", nullptr},
};

bool lead_matches(const char* lead, const char* const* words, int count) {
    int i = 0;
    const char* p = lead;
    while (*p) {
        const char* end = p;
        while (*end && *end != ' ') ++end;
        const std::string word(p, static_cast<size_t>(end - p));
        if (i >= count || !word_is_one_of(words[i], word.c_str())) return false;
        ++i;
        p = *end ? end + 1 : end;
    }
    return true;
}

// Copies the pattern with its first "%s" replaced by a and the second by b, cut to the
// message buffer. Names never act as formats.
void put(char* buffer, const char* pattern, const std::string& a, const std::string& b = std::string()) {
    std::string text;
    int used = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && used < 2) {
            text += used++ == 0 ? a : b;
            ++p;
        } else {
            text += *p;
        }
    }
    const size_t length = std::min(text.size(), static_cast<size_t>(kMessageSize - 1));
    text.copy(buffer, length);
    buffer[length] = '\0';
}

std::string capitalised(const char* noun) {
    std::string s(noun);
    if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    return s;
}

// The position of an EDITIONABLE or NONEDITIONABLE after "create" or "create or replace"
// (the rows are written without it), or -1.
int edition_word(const char* const* words, int count) {
    if (count < 2 || !word_is_one_of(words[0], "create")) return -1;
    int at = count >= 4 && word_is_one_of(words[1], "or") && word_is_one_of(words[2], "replace") ? 3 : 1;
    return at < count && word_is_one_of(words[at], "editionable noneditionable") ? at : -1;
}

bool fill_unit(StatementJob* job, const UnitRow* rows, size_t row_count, const char* const* all_words,
               int all_count) {
    const int skipped = edition_word(all_words, all_count);
    std::vector<const char*> kept;
    for (int i = 0; i < all_count; ++i)
        if (i != skipped) kept.push_back(all_words[i]);
    const char* const* words = kept.data();
    const int count = static_cast<int>(kept.size());
    for (size_t r = 0; r < row_count; ++r) {
        const UnitRow& row = rows[r];
        if (count < row.min_words || !lead_matches(row.lead, words, count)) continue;
        if (row.tail && !word_is_one_of(words[row.name_word + 1], row.tail)) continue;
        if (row.tail2 && !word_is_one_of(words[row.name_word + 2], row.tail2)) continue;
        const char* name = words[row.name_word];
        // The name's place among the statement's own words.
        const int name_word = skipped >= 0 && skipped <= row.name_word ? row.name_word + 1 : row.name_word;
        const bool create = word_is_one_of(words[0], "create");
        const char* progress_verb = create ? "Creating" : "Altering";
        const char* done_verb = create ? "created" : "altered";
        const std::string progress = std::string(progress_verb) + " " + row.noun + " %s";
        const std::string done = capitalised(row.noun) + " %s " + done_verb;
        put(job->progress_message, progress.c_str(), name);
        put(job->done_message, done.c_str(), name);
        // show errors reads the name as typed, quotes and owner included, from the
        // statement's text; the split words lost the quotes (and text before them).
        const std::vector<std::string> typed = split_name_words(job->text, static_cast<size_t>(name_word) + 1);
        set_last_compiled_object(row.type, typed.size() > static_cast<size_t>(name_word)
                                               ? typed[static_cast<size_t>(name_word)].c_str()
                                               : name);
        return true;
    }
    return false;
}

// Plain SQL: "verb T N" with T from a list of object types.
struct SqlRow {
    const char* verb;          // word 0
    const char* second;        // word 1 must be this (or null)
    const char* types;         // word 1 (or word 2 after `second`) must be one of these (or null)
    int min_words;
    int exact_words;           // 0: any count >= min_words
    int name_word;             // -1: no name
    const char* progress;
    const char* done;
};

const SqlRow kSqlRows[] = {
    {"create", nullptr,
     "cluster dimension directory index indextype library operator profile role sequence synonym table "
     "tablespace user",
     3, 0, 2, "Creating %s %s", "%s %s created"},
    {"create", "public", "synonym", 4, 0, 3, "Creating public synonym %s", "public synonym %s created"},
    {"create", "global", "temporary", 5, 0, 4, "Creating table %s", "table %s created"},
    {"drop", "public", "synonym", 4, 0, 3, "Dropping public synonym %s", "public synonym %s dropped"},
    {"drop", nullptr,
     "cluster dimension directory function index indextype library operator package procedure profile role "
     "sequence synonym table tablespace trigger user view",
     3, 0, 2, "Dropping %s %s", "%s %s dropped"},
    {"alter", nullptr, "cluster dimension index indextype profile role sequence table type user", 3, 0, 2,
     "Altering %s %s", "%s %s altered"},
    {"analyze", nullptr, "cluster index table", 3, 0, 2, "Analyzing %s %s", "%s %s analyzed"},
    {"comment", "on", "table column operator indextype", 4, 0, 3, "Creating comment on %s %s",
     "comment on %s %s created"},
    {"explain", "plan", nullptr, 2, 0, -1, "Explaining plan", "plan explained"},
    {"grant", nullptr, nullptr, 1, 0, -1, "Granting", "Grant succeeded"},
    {"rollback", nullptr, nullptr, 2, 0, -1, "Rolling back", "Rollback complete"},
    {"revoke", nullptr, nullptr, 1, 0, -1, "Revoking", "Revoke succeeded"},
    {"lock", "table", nullptr, 4, 0, 2, "Locking table %s", "table %s is locked"},
    {"savepoint", nullptr, nullptr, 2, 2, 1, "Setting savepoint %s", "savepoint %s set"},
    {"truncate", nullptr, "cluster table", 3, 0, 2, "Truncating %s %s", "%s %s truncated"},
};

void fill_other_sql(StatementJob* job, const char* const* words, int count) {
    if (count == 4 && word_is_one_of(words[0], "rename") && word_is_one_of(words[2], "to")) {
        put(job->progress_message, "Renaming object %s to %s", upper(words[1]), upper(words[3]));
        put(job->done_message, "Object %s is renamed to %s", upper(words[1]), upper(words[3]));
        return;
    }
    for (const SqlRow& row : kSqlRows) {
        if (count < row.min_words || (row.exact_words && count != row.exact_words)) continue;
        if (!word_is_one_of(words[0], row.verb)) continue;
        int type_word = 1;
        if (row.second) {
            if (!word_is_one_of(words[1], row.second)) continue;
            type_word = 2;
        }
        if (row.types && !word_is_one_of(words[type_word], row.types)) continue;
        if (row.name_word < 0) {
            put(job->progress_message, row.progress, std::string());
            put(job->done_message, row.done, std::string());
        } else if (row.types && !row.second) {
            put(job->progress_message, row.progress, lower(words[1]), upper(words[row.name_word]));
            put(job->done_message, row.done, lower(words[1]), upper(words[row.name_word]));
        } else if (row.types && row.second && std::string(row.progress).find("%s %s") != std::string::npos) {
            put(job->progress_message, row.progress, lower(words[2]), upper(words[row.name_word]));
            put(job->done_message, row.done, lower(words[2]), upper(words[row.name_word]));
        } else {
            put(job->progress_message, row.progress, upper(words[row.name_word]));
            put(job->done_message, row.done, upper(words[row.name_word]));
        }
        return;
    }
}

}  // namespace

CompiledObject last_compiled_object() {
    std::lock_guard<std::mutex> guard(g_compiled_mutex);
    return g_compiled;
}

void set_last_compiled_object(const char* type, const char* name) {
    std::lock_guard<std::mutex> guard(g_compiled_mutex);
    g_compiled.type = type;
    g_compiled.name = name;
}

void feedback_fill_messages(StatementJob* job, const char* const* words, int count) {
    job->progress_message[0] = '\0';
    job->done_message[0] = '\0';
    if (count < 1) return;
    switch (job->kind) {
    case StatementKind::PlsqlBlock:
        if (fill_unit(job, kPlsqlRows, sizeof kPlsqlRows / sizeof kPlsqlRows[0], words, count))
            return;
        if (word_is_one_of(words[0], "begin declare")) {
            put(job->progress_message, "Executing PL/SQL procedure", std::string());
            put(job->done_message, "PL/SQL procedure successfully completed", std::string());
        }
        return;
    case StatementKind::Exec:
        put(job->progress_message, "Executing PL/SQL procedure", std::string());
        put(job->done_message, "PL/SQL procedure successfully completed", std::string());
        return;
    case StatementKind::ObjectDdl:
        fill_unit(job, kObjectDdlRows, sizeof kObjectDdlRows / sizeof kObjectDdlRows[0], words, count);
        return;
    case StatementKind::Dml:
        put(job->done_message, "%s", lower(words[0]) == "update"   ? "updated"
                                     : lower(words[0]) == "insert" ? "inserted"
                                                                   : "deleted");
        return;
    case StatementKind::Query:
        // A format for the worker: the row count and the plural ending.
        put(job->done_message, "%s", "\r%d row%s selected");
        return;
    case StatementKind::OtherSql:
        fill_other_sql(job, words, count);
        return;
    case StatementKind::Empty:
    case StatementKind::Comment:
    case StatementKind::ClientCommand:
    case StatementKind::Script:
        return;
    }
}

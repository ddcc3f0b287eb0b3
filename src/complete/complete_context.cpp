// The context table and the text rules of autocomplete: which keyword stands in front of
// the word being typed, and what the word and a dotted name before the cursor are.
#include "complete/complete_context.h"

#include "command/command_table.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <iterator>
#include <cstring>

namespace {

using Q = HintQuery;

const char* const kAlterOffered =
    "cluster,database,dimension,function,index,java,materialized,outline,package,procedure,profile,resource,role,"
    "rollback,sequence,session,system,table,tablespace,trigger,type,user,view";
const char* const kCreateOffered =
    "cluster,context,controlfile,database,dimension,directory,function,index,indextype,java,library,materialized,"
    "operator,or,outline,package,procedure,profile,role,rollback,schema,sequence,synonym,table,tablespace,temporary,"
    "trigger,type,user,view";
const char* const kDropOffered =
    "cluster,context,database,dimension,directory,function,index,indextype,java,library,materialized,operator,"
    "outline,package,procedure,profile,role,rollback,sequence,synonym,table,tablespace,trigger,type,user,view";
// The SQL words a statement starts with; the client commands' words come from their
// table.
const char* const kSqlFirstWords[] = {
    "alter", "analyze", "associate", "audit", "begin", "call", "comment", "create", "declare", "delete",
    "disassociate", "drop", "explain", "grant", "insert", "lock", "noaudit", "rename", "revoke", "savepoint",
    "select", "truncate", "update"};

const std::vector<ContextRow> kRowsBeforeCommands = {
    {"set", "update", Q::UserColumns, "where"},
    {"update", "", Q::TablesViewsSynonyms, "set"},
    {"materialized", "alter", Q::None, "view"},
    {"materialized", "create", Q::None, "view"},
    {"materialized", "drop", Q::None, "view"},
    {"view", "materialized", Q::Snapshots, "log"},
    {"resource", "alter", Q::None, "cost"},
    {"rollback", "alter", Q::None, "segment"},
    {"rollback", "create", Q::None, "segment"},
    {"rollback", "drop", Q::None, "segment"},
    {"package", "create", Q::None, "body"},
    {"temporary", "create", Q::None, "tablespace"},
    {"type", "create", Q::None, "body"},
    {"type", "drop", Q::None, "body"},
    {"associate", "", Q::None, "statistics"},
    {"disassociate", "", Q::None, "statistics"},
    {"explain", "", Q::None, "plan"},
    {"lock", "", Q::None, "table"},
    {"truncate", "", Q::None, "table,cluster"},
    {"database", "create", Q::None, "link"},
    {"database", "drop", Q::None, "link"},
    {"insert", "", Q::None, "into"},
};

// After the client commands' rows.
const std::vector<ContextRow> kRowsAfterCommands = {
    {"or", "create", Q::None, "replace"},
    {"replace", "or", Q::None, "function,procedure,package,view,type"},
    {"rename", "", Q::TablesViewsSequences, ""},
    {"into", "insert", Q::TablesViews, "values"},
    {"to", "grant", Q::RolesUsers, "public"},
    {"from", "revoke", Q::RolesUsers, "public"},
    {"select", nullptr, Q::UserColumns, "from,distinct,unique"},
    {"unique", "select", Q::UserColumns, "from"},
    {"distinct", "select", Q::UserColumns, "from"},
    {"where", nullptr, Q::UserColumns, "order,group"},
    {"from", nullptr, Q::TablesViewsSynonyms, "where,order,group"},
    {"delete", nullptr, Q::TablesViewsSynonyms, "where,order,group"},
    {"table", nullptr, Q::Tables, ""},
    {"view", nullptr, Q::Views, ""},
    {"cluster", nullptr, Q::Clusters, ""},
    {"dimension", nullptr, Q::Dimensions, ""},
    {"index", nullptr, Q::Indexes, ""},
    {"directory", nullptr, Q::Directories, ""},
    {"indextype", nullptr, Q::Indextypes, ""},
    {"library", nullptr, Q::Libraries, ""},
    {"operator", nullptr, Q::Operators, ""},
    {"trigger", nullptr, Q::Triggers, ""},
    {"sequence", nullptr, Q::Sequences, ""},
    {"profile", nullptr, Q::Profiles, ""},
    {"tablespace", nullptr, Q::Tablespaces, ""},
    {"role", nullptr, Q::Roles, ""},
    {"user", "alter", Q::Users, ""},
    {"user", "drop", Q::Users, ""},
    {"outline", nullptr, Q::Outlines, ""},
    {"function", nullptr, Q::Functions, ""},
    {"type", nullptr, Q::Types, ""},
    {"package", nullptr, Q::Packages, ""},
    {"procedure", nullptr, Q::Procedures, ""},
    {"alter", "", Q::None, kAlterOffered},
    {"create", "", Q::None, kCreateOffered},
    {"drop", "", Q::None, kDropOffered},
    {"by", "group", Q::UserColumns, ""},
    {"by", "order", Q::UserColumns, ""},
    {"exec", "", Q::CallableUnits, ""},
    {"execu", "", Q::CallableUnits, ""},
    {"execut", "", Q::CallableUnits, ""},
    {"execute", "", Q::CallableUnits, ""},
};

// Pointers of the generated rows point into these; a deque never moves its elements.
std::deque<std::string> g_generated_words;

const char* keep(const std::string& word) {
    g_generated_words.push_back(word);
    return g_generated_words.back().c_str();
}

std::vector<std::string> spellings_of(const char* spellings) {
    std::vector<std::string> words;
    std::string word;
    for (const char* p = spellings;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!word.empty()) words.push_back(word);
            word.clear();
            if (*p == '\0') break;
        } else {
            word += *p;
        }
    }
    return words;
}

// The context table: the fixed rows with the client commands' rows in their place and
// the first-word row last, offering the SQL words and the commands' offered words.
std::vector<ContextRow> build_rows() {
    std::vector<ContextRow> rows = kRowsBeforeCommands;
    const ClientCommandRow* commands = client_command_rows();
    std::vector<std::string> first_words(std::begin(kSqlFirstWords), std::end(kSqlFirstWords));
    for (size_t i = 0; i < client_command_row_count(); ++i) {
        const ClientCommandRow& command = commands[i];
        if (command.offered) first_words.push_back(command.offered);
        if (!command.spellings) continue;
        const Q query = command.arguments_completion == ArgumentCompletion::DescribableObjects
                            ? Q::DescribableObjects
                            : Q::None;
        if (query == Q::None && !*command.argument_keywords) continue;
        for (const std::string& spelling : spellings_of(command.spellings))
            rows.push_back(ContextRow{keep(spelling), "", query, command.argument_keywords});
    }
    rows.insert(rows.end(), kRowsAfterCommands.begin(), kRowsAfterCommands.end());
    std::sort(first_words.begin(), first_words.end());
    std::string offered;
    for (const std::string& word : first_words) offered += (offered.empty() ? "" : ",") + word;
    rows.push_back(ContextRow{"", "", Q::None, keep(offered)});
    return rows;
}

const std::vector<ContextRow> kRows = build_rows();

bool same_word(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool is_keyword(const std::string& word) {
    for (const ContextRow& row : kRows)
        if (*row.keyword && same_word(word, row.keyword)) return true;
    return false;
}

// The words of text, left to right.
std::vector<std::string> words_of(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (complete_is_word_delimiter(c)) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

}  // namespace

const std::vector<ContextRow>& complete_context_table() { return kRows; }

const char* complete_query_text(HintQuery query) {
    switch (query) {
    case Q::None: return nullptr;
    case Q::UserColumns:
        return "select distinct lower(column_name) from user_tab_columns where column_name like upper(:1||'%')";
    case Q::TablesViewsSynonyms:
        return "select distinct lower(table_name) from all_tables where table_name like upper(:1||'%') union select "
               "distinct lower(view_name) from all_views where view_name like upper(:1||'%') union select distinct "
               "lower(synonym_name) from all_synonyms where synonym_name like upper(:1||'%')";
    case Q::Snapshots: return "select distinct lower(name) from all_snapshots where name like upper(:1||'%')";
    case Q::DescribableObjects:
        return "select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and "
               "object_type in ('FUNCTION','PACKAGE','PROCEDURE','TABLE','VIEW') union select distinct "
               "lower(synonym_name) from all_synonyms where synonym_name like upper(:1||'%')";
    case Q::TablesViewsSequences:
        return "select distinct lower(table_name) from all_tables where table_name like upper(:1||'%') union select "
               "distinct lower(view_name) from all_views where view_name like upper(:1||'%') union select distinct "
               "lower(sequence_name) from all_sequences where sequence_name like upper(:1||'%')";
    case Q::TablesViews:
        return "select distinct lower(table_name) from all_tables where table_name like upper(:1||'%') union select "
               "distinct lower(view_name) from all_views where view_name like upper(:1||'%')";
    case Q::RolesUsers:
        return "select distinct lower(role) from dba_roles where role like upper(:1||'%') union select distinct "
               "lower(username) from dba_users where username like upper(:1||'%')";
    case Q::Tables: return "select distinct lower(table_name) from all_tables where table_name like upper(:1||'%')";
    case Q::Views: return "select distinct lower(view_name) from all_views where view_name like upper(:1||'%')";
    case Q::Clusters:
        return "select distinct lower(cluster_name) from all_clusters where cluster_name like upper(:1||'%')";
    case Q::Dimensions:
        return "select distinct lower(dimension_name) from all_dimensions where dimension_name like upper(:1||'%')";
    case Q::Indexes: return "select distinct lower(index_name) from all_indexes where index_name like upper(:1||'%')";
    case Q::Directories:
        return "select distinct lower(directory_name) from all_directories where directory_name like upper(:1||'%')";
    case Q::Indextypes:
        return "select distinct lower(indextype_name) from all_indextypes where indextype_name like upper(:1||'%')";
    case Q::Libraries:
        return "select distinct lower(library_name) from all_libraries where library_name like upper(:1||'%')";
    case Q::Operators:
        return "select distinct lower(operator_name) from all_operators where operator_name like upper(:1||'%')";
    case Q::Triggers:
        return "select distinct lower(trigger_name) from all_triggers where trigger_name like upper(:1||'%')";
    case Q::Sequences:
        return "select distinct lower(sequence_name) from all_sequences where sequence_name like upper(:1||'%')";
    case Q::Profiles: return "select distinct lower(profile) from dba_profiles where profile like upper(:1||'%')";
    case Q::Tablespaces:
        return "select distinct lower(tablespace_name) from dba_tablespaces where tablespace_name like upper(:1||'%')";
    case Q::Roles: return "select distinct lower(role) from dba_roles where role like upper(:1||'%')";
    case Q::Users: return "select distinct lower(username) from dba_users where username like upper(:1||'%')";
    case Q::Outlines: return "select distinct lower(name) from all_outlines where name like upper(:1||'%')";
    case Q::Functions:
        return "select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and "
               "object_type='FUNCTION'";
    case Q::Types:
        return "select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and "
               "object_type='TYPE'";
    case Q::Packages:
        return "select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and "
               "object_type='PACKAGE'";
    case Q::Procedures:
        return "select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and "
               "object_type='PROCEDURE'";
    case Q::CallableUnits:
        return "select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and "
               "object_type in ('FUNCTION','PACKAGE','PROCEDURE')";
    }
    return nullptr;
}

bool complete_is_word_delimiter(char c) { return c != '\0' && std::strchr(" \t\n\r()+-*/<>=!~;:.'@%,\"^&|{}?[]", c); }

bool complete_is_member_delimiter(char c) { return c != '\0' && std::strchr(" \t\\()+-*/<>=!~;:.'@%,\"^&|{}?[]", c); }

bool complete_is_file_delimiter(char c) { return c != '\0' && std::strchr("\\@:\"", c); }

std::string complete_word_before(const std::string& text, int cursor) {
    const size_t end = static_cast<size_t>(cursor < 0 ? 0 : cursor) > text.size() ? text.size()
                                                                                   : static_cast<size_t>(cursor < 0 ? 0 : cursor);
    size_t start = end;
    while (start > 0 && !complete_is_word_delimiter(text[start - 1])) --start;
    return text.substr(start, end - start);
}

int complete_context_row(const std::string& text_before_word) {
    const std::vector<std::string> words = words_of(text_before_word);
    std::string nearest;   // K: the nearest keyword so far, the empty word at first
    for (size_t i = words.size(); i-- > 0;) {
        const std::string& w = words[i];
        for (size_t r = 0; r < kRows.size(); ++r) {
            const ContextRow& row = kRows[r];
            if (same_word(nearest, row.keyword) && (!row.previous || same_word(w, row.previous)))
                return static_cast<int>(r);
        }
        if (is_keyword(w)) nearest = w;
    }
    const std::string leftmost = words.empty() ? std::string() : words.front();
    for (size_t r = 0; r < kRows.size(); ++r) {
        const ContextRow& row = kRows[r];
        if (same_word(leftmost, row.keyword) && (!row.previous || !*row.previous)) return static_cast<int>(r);
    }
    return -1;
}

std::vector<std::string> complete_offered_keywords(const ContextRow& row, const std::string& word) {
    std::vector<std::string> out;
    std::string keyword;
    const std::string list = row.offered;
    for (size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',') {
            keyword += list[i];
            continue;
        }
        bool match = keyword.size() >= word.size();
        for (size_t k = 0; match && k < word.size(); ++k)
            match = std::tolower(static_cast<unsigned char>(keyword[k])) == std::tolower(static_cast<unsigned char>(word[k]));
        if (match && !keyword.empty()) out.push_back(keyword);
        keyword.clear();
    }
    return out;
}

bool complete_member_parts(const std::string& text, int cursor, std::string* object_word, std::string* prefix,
                           size_t* object_start) {
    const size_t end = std::min(static_cast<size_t>(cursor < 0 ? 0 : cursor), text.size());
    size_t dot = end;
    while (dot > 0 && !complete_is_member_delimiter(text[dot - 1])) --dot;
    if (dot == 0 || text[dot - 1] != '.') return false;
    *prefix = text.substr(dot, end - dot);
    size_t start = dot - 1;
    while (start > 0 && !complete_is_member_delimiter(text[start - 1])) --start;
    // owner.object.prefix: the object word keeps its owner.
    if (start > 0 && text[start - 1] == '.') {
        size_t owner = start - 1;
        while (owner > 0 && !complete_is_member_delimiter(text[owner - 1])) --owner;
        start = owner;
    }
    *object_word = text.substr(start, dot - 1 - start);
    *object_start = start;
    return true;
}

// Autocomplete's grammar knowledge, as data: the context table that says, for the
// keyword in front of the word being typed, which dictionary lookup and which keywords
// complete it; the delimiter sets; and the lookups' query texts. Pure text rules, no
// session and no window, so that they are tested on their own.
#pragma once

#include <string>
#include <vector>

enum class HintQuery {
    None, UserColumns, TablesViewsSynonyms, Snapshots, DescribableObjects, TablesViewsSequences, TablesViews,
    RolesUsers, Tables, Views, Clusters, Dimensions, Indexes, Directories, Indextypes, Libraries, Operators,
    Triggers, Sequences, Profiles, Tablespaces, Roles, Users, Outlines, Functions, Types, Packages, Procedures,
    CallableUnits
};

// A row of the context table. previous: nullptr = any previous keyword; "" = the
// keyword must be the first word of the statement.
struct ContextRow {
    const char* keyword;
    const char* previous;
    HintQuery query;
    const char* offered;   // comma-separated keywords, or ""
};

const std::vector<ContextRow>& complete_context_table();

// The query text of a prefix lookup (its :1 is the word typed).
const char* complete_query_text(HintQuery query);
constexpr const char* kSchemaObjectsQuery =
    "select distinct lower(object_name) from all_objects where object_name like upper(:1)||'%' and owner=upper(:2)";
constexpr const char* kTableColumnsQuery =
    "select lower(column_name) from all_tab_columns where column_name like upper(:1)||'%' and owner=upper(:2) and "
    "table_name=upper(:3)";
constexpr const char* kPackageMembersQuery =
    "select distinct lower(object_name) from all_arguments where object_name like upper(:1)||'%' and owner=upper(:2) "
    "and package_name=upper(:3)";

bool complete_is_word_delimiter(char c);
bool complete_is_member_delimiter(char c);
bool complete_is_file_delimiter(char c);

// The word before `cursor`: from just after the last word delimiter before it (or the
// start) up to the cursor.
std::string complete_word_before(const std::string& text, int cursor);

// The context row for the text in front of the word being completed: scanned right to
// left word by word for the nearest keyword and the word before it. -1 when none.
int complete_context_row(const std::string& text_before_word);

// The row's offered keywords that begin with `word` (case-insensitive over its length).
std::vector<std::string> complete_offered_keywords(const ContextRow& row, const std::string& word);

// The dotted name before the cursor: the member prefix after the last dot and the object
// word before it (with a second dot the object word is "owner.object"). False when the
// nearest member delimiter before the cursor is not a dot.
bool complete_member_parts(const std::string& text, int cursor, std::string* object_word, std::string* prefix,
                           size_t* object_start);

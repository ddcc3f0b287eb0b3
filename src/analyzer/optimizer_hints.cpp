// The optimizer hint table and the hint comment's text operations (see optimizer_hints.h).
#include "analyzer/optimizer_hints.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

using A = HintArguments;

bool same_nocase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

const OptimizerHint kOptimizerHints[] = {
    {"None", A::None, A::None, "Let the optimizer decide the best plan"},
    {"ALL_ROWS", A::None, A::None,
     "Chooses the cost-based optimizer with the goal of best throughput: the plan that uses the least resources to "
     "return all the rows of the statement."},
    {"FIRST_ROWS", A::None, A::None,
     "Chooses the cost-based optimizer with the goal of best response time: the plan that returns the first rows "
     "soonest, which favours index access and nested loops joins. It has no effect where all rows must be read "
     "before the first is returned (grouping, sorting without an index, set operators, DISTINCT)."},
    {"CHOOSE", A::None, A::None,
     "Lets the optimizer choose its approach statement by statement: cost-based when statistics exist for at least "
     "one of the tables accessed, rule-based otherwise."},
    {"RULE", A::None, A::None, "Forces Oracle to use rule based optimizer"},
    {"FULL", A::One, A::None,
     "Makes the optimizer read the chosen table with a full table scan, even when an index could be used for the "
     "conditions on it."},
    {"ROWID", A::One, A::None, "Makes the optimizer access the chosen table by ROWID (a table scan by rowid)."},
    {"CLUSTER", A::One, A::None,
     "Makes the optimizer access the chosen table with a cluster scan. It applies only to tables stored in an "
     "indexed cluster."},
    {"HASH", A::One, A::None,
     "Makes the optimizer access the chosen table with a hash scan. It applies only to tables stored in a hash "
     "cluster."},
    {"INDEX", A::One, A::Several,
     "Makes the optimizer access the chosen table through an index scan. With one index named it uses that index; "
     "with several it uses the one of lowest cost among them, or several of them together; with none it uses the "
     "best index the table has."},
    {"INDEX_ASC", A::One, A::Several,
     "Makes the optimizer access the chosen table through an index scan of the named indexes and, for a range scan, "
     "read the index entries in ascending order of their values, which is also the default order."},
    {"INDEX_COMBINE", A::One, A::Several,
     "Makes the optimizer use a bitmap access path for the chosen table: the named indexes (bitmap indexes, or "
     "B-tree indexes turned into bitmaps) are combined with Boolean operations before the table is visited. With no "
     "index named it combines the indexes it finds cheapest."},
    {"INDEX_JOIN", A::One, A::Several,
     "Makes the optimizer use an index join for the chosen table: the named indexes are joined to each other on "
     "their ROWIDs, so that every column the query needs comes from the indexes and the table itself is not read."},
    {"INDEX_DESC", A::One, A::Several,
     "Makes the optimizer access the chosen table through an index scan of the named indexes and, for a range scan, "
     "read the index entries in descending order of their values."},
    {"INDEX_FFS", A::One, A::Several,
     "Makes the optimizer use a fast full scan of the named index instead of a full table scan: the whole index is "
     "read with multiblock reads, in no particular order. This works when the index holds every column the query "
     "needs from the table."},
    {"NO_INDEX", A::One, A::Several,
     "Forbids the optimizer to use the named indexes of the chosen table; with no index named, it uses no index of "
     "the table at all. The other indexes stay available."},
    {"AND_EQUAL", A::One, A::Several,
     "Makes the optimizer merge the range scans of several single-column indexes of the chosen table (at least two, "
     "at most five), intersecting their ROWIDs before the table is visited."},
    {"USE_CONCAT", A::None, A::None,
     "Makes the optimizer turn the OR conditions of the WHERE clause into a compound query whose branches are "
     "concatenated with UNION ALL, so that each branch can use an index of its own."},
    {"NO_EXPAND", A::None, A::None,
     "Keeps the optimizer from expanding OR conditions or IN lists of the WHERE clause into a concatenation of query "
     "blocks; the opposite of USE_CONCAT."},
    {"REWRITE", A::None, A::None,
     "Makes the optimizer rewrite the query to read from materialized views where one can answer it, without "
     "comparing the cost of the rewritten query with that of the original."},
    {"NOREWRITE", A::None, A::None,
     "Turns query rewrite off for the query block, so that no materialized view is read in place of its tables, "
     "whatever the setting of QUERY_REWRITE_ENABLED."},
    {"MERGE", A::One, A::None,
     "Makes the optimizer merge the chosen view or inline view into the query that reads it, also when the view "
     "contains GROUP BY or DISTINCT, instead of computing the view on its own first."},
    {"NO_MERGE", A::One, A::None,
     "Keeps the optimizer from merging the chosen view or inline view into the query that reads it: the view is "
     "computed on its own and its rows are joined as one row source."},
    {"STAR_TRANSFORMATION", A::None, A::None,
     "Makes the optimizer consider the star transformation of a star query: the fact table is read through the "
     "bitmap indexes of its foreign key columns, driven by subqueries on the dimension tables. The transformed plan "
     "is used only when it is found cheaper."},
    {"FACT", A::One, A::None,
     "In a star transformation, makes the optimizer treat the chosen table as the fact table of the star query."},
    {"NO_FACT", A::One, A::None,
     "In a star transformation, keeps the optimizer from treating the chosen table as the fact table of the star "
     "query."},
    {"ORDERED", A::None, A::None,
     "Makes the optimizer join the tables in the order in which they appear in the FROM clause."},
    {"STAR", A::None, A::None,
     "Makes the optimizer consider a star query plan: the largest table (the fact table) is joined last, with a "
     "nested loops join on a concatenated index, after the small dimension tables have been joined to each other. "
     "It needs at least three tables and a concatenated index on the fact table."},
    {"USE_NL", A::Several, A::None,
     "Makes the optimizer join each chosen table to the row source before it with a nested loops join, the chosen "
     "table being the inner table: it is probed once for every row of the outer row source."},
    {"USE_MERGE", A::Several, A::None,
     "Makes the optimizer join each chosen table to the row source before it with a sort-merge join: both row "
     "sources are sorted on the join columns and then merged."},
    {"USE_HASH", A::Several, A::None,
     "Makes the optimizer join each chosen table to the row source before it with a hash join: a hash table is "
     "built on the smaller row source and probed with the rows of the other."},
    {"DRIVING_SITE", A::One, A::None,
     "Makes a distributed query run at the database of the chosen table: the rows of the other tables are sent "
     "there, instead of the chosen table's rows being sent to the local database."},
    {"LEADING", A::One, A::None,
     "Makes the optimizer start the join order with the chosen table: it is the first, driving table of the join."},
};
const int kOptimizerHintCount = static_cast<int>(sizeof kOptimizerHints / sizeof kOptimizerHints[0]);

const OptimizerHint* optimizer_hint_find(const std::string& name) {
    for (const OptimizerHint& hint : kOptimizerHints)
        if (same_nocase(name, hint.name)) return &hint;
    return nullptr;
}

std::string build_hint_text(const OptimizerHint* hint, const std::vector<std::string>& tables,
                            const std::vector<std::string>& indexes) {
    if (!hint || std::strcmp(hint->name, "None") == 0) return std::string();
    std::string text = std::string("/*+ ") + hint->name;
    if (hint->tables != HintArguments::None) {
        text += " (";
        const size_t table_count =
            hint->tables == HintArguments::One ? std::min<size_t>(1, tables.size()) : tables.size();
        for (size_t i = 0; i < table_count; ++i) {
            if (i) text += ' ';
            text += tables[i];
        }
        if (hint->indexes != HintArguments::None) {
            const size_t index_count =
                hint->indexes == HintArguments::One ? std::min<size_t>(1, indexes.size()) : indexes.size();
            for (size_t i = 0; i < index_count; ++i) text += ' ' + indexes[i];
        }
        text += ')';
    }
    return text + " */";
}

std::string apply_hint(const std::string& statement, const std::string& hint_text) {
    const size_t word_end = statement.find_first_of(" \t\n\r");
    if (word_end == std::string::npos) return statement;
    const std::string word = statement.substr(0, word_end);
    if (!same_nocase(word, "select") && !same_nocase(word, "update") && !same_nocase(word, "delete")) return statement;
    size_t p = word_end;
    while (p < statement.size() && is_space(statement[p])) ++p;
    std::string text = statement;
    if (text.compare(p, 3, "/*+") == 0) {
        const size_t close = text.find("*/", p + 3);
        if (close == std::string::npos) return statement;
        text.erase(p, close + 2 - p);
        if (hint_text.empty() && p < text.size() && text[p] == ' ') text.erase(p, 1);
        text.insert(p, hint_text);
    } else if (!hint_text.empty()) {
        text.insert(p, hint_text + " ");
    }
    return text;
}

std::string statement_for_execute(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && is_space(text[first])) ++first;
    while (last > first && is_space(text[last - 1])) --last;
    std::string statement = text.substr(first, last - first);
    if (!statement.empty() && statement.back() != ';') statement += ';';
    return statement;
}

// The optimizer hint table and the analyzer's text operations: the hint comment built
// from a choice, the statement rewritten with it, and the text Execute types.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "analyzer/optimizer_hints.h"

namespace {

const OptimizerHint* hint(const char* name) {
    const OptimizerHint* found = optimizer_hint_find(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(OptimizerHintTable, RowsInOrderWithTheirKindsAndDescriptions) {
    const char* const order[] = {
        "None",       "ALL_ROWS",     "FIRST_ROWS", "CHOOSE",   "RULE",      "FULL",
        "ROWID",      "CLUSTER",      "HASH",       "INDEX",    "INDEX_ASC", "INDEX_COMBINE",
        "INDEX_JOIN", "INDEX_DESC",   "INDEX_FFS",  "NO_INDEX", "AND_EQUAL", "USE_CONCAT",
        "NO_EXPAND",  "REWRITE",      "NOREWRITE",  "MERGE",    "NO_MERGE",  "STAR_TRANSFORMATION",
        "FACT",       "NO_FACT",      "ORDERED",    "STAR",     "USE_NL",    "USE_MERGE",
        "USE_HASH",   "DRIVING_SITE", "LEADING"};
    ASSERT_EQ(kOptimizerHintCount, 33);
    const std::set<std::string> one_table = {"FULL",     "ROWID", "CLUSTER", "HASH",         "MERGE",
                                             "NO_MERGE", "FACT",  "NO_FACT", "DRIVING_SITE", "LEADING"};
    const std::set<std::string> with_indexes = {"INDEX",      "INDEX_ASC", "INDEX_COMBINE", "INDEX_JOIN",
                                                "INDEX_DESC", "INDEX_FFS", "NO_INDEX",      "AND_EQUAL"};
    const std::set<std::string> several_tables = {"USE_NL", "USE_MERGE", "USE_HASH"};
    std::set<std::string> descriptions;
    for (int i = 0; i < kOptimizerHintCount; ++i) {
        const OptimizerHint& row = kOptimizerHints[i];
        EXPECT_STREQ(row.name, order[i]);
        EXPECT_LE(std::strlen(row.name), 39u);
        HintArguments tables = HintArguments::None, indexes = HintArguments::None;
        if (one_table.count(row.name)) tables = HintArguments::One;
        if (with_indexes.count(row.name)) tables = HintArguments::One, indexes = HintArguments::Several;
        if (several_tables.count(row.name)) tables = HintArguments::Several;
        EXPECT_EQ(row.tables, tables) << row.name;
        EXPECT_EQ(row.indexes, indexes) << row.name;
        const size_t length = std::strlen(row.description);
        EXPECT_GE(length, 38u) << row.name;
        EXPECT_LE(length, 520u) << row.name;
        EXPECT_TRUE(descriptions.insert(row.description).second) << "each hint has its own text: " << row.name;
    }
    EXPECT_STREQ(hint("None")->description, "Let the optimizer decide the best plan");
    EXPECT_STREQ(hint("RULE")->description, "Forces Oracle to use rule based optimizer");
    EXPECT_EQ(optimizer_hint_find("index_desc"), hint("INDEX_DESC")) << "names are found in any case";
    EXPECT_EQ(optimizer_hint_find("INDEXES"), nullptr);
}

TEST(BuildHintText, NameTablesAndIndexes) {
    EXPECT_EQ(build_hint_text(nullptr, {}, {}), "");
    EXPECT_EQ(build_hint_text(hint("None"), {"T1"}, {"I1"}), "");
    EXPECT_EQ(build_hint_text(hint("ALL_ROWS"), {"T1"}, {"I1"}), "/*+ ALL_ROWS */") << "a hint without names";
    EXPECT_EQ(build_hint_text(hint("FULL"), {"T1"}, {}), "/*+ FULL (T1) */");
    EXPECT_EQ(build_hint_text(hint("FULL"), {"T1", "T2"}, {"I1"}), "/*+ FULL (T1) */") << "one table only, no indexes";
    EXPECT_EQ(build_hint_text(hint("FULL"), {}, {}), "/*+ FULL () */") << "a table hint without a table";
    EXPECT_EQ(build_hint_text(hint("INDEX"), {"T1"}, {"T1_PK", "T1_IX2"}), "/*+ INDEX (T1 T1_PK T1_IX2) */");
    EXPECT_EQ(build_hint_text(hint("INDEX"), {"T1"}, {}), "/*+ INDEX (T1) */");
    EXPECT_EQ(build_hint_text(hint("USE_NL"), {"T1", "T2"}, {"I1"}), "/*+ USE_NL (T1 T2) */");
    // Names of any length: the comment grows with them.
    const std::string long_name(200, 'X');
    EXPECT_EQ(build_hint_text(hint("USE_HASH"), {long_name, long_name}, {}).size(), 4 + 8 + 2 + 401 + 1 + 3);
}

TEST(ApplyHint, InsertsReplacesAndRemovesTheCommentAfterTheKeyword) {
    const std::string plain = "select * from t1 where a=1";
    const std::string indexed = apply_hint(plain, "/*+ INDEX (T1 I1 I2) */");
    EXPECT_EQ(indexed, "select /*+ INDEX (T1 I1 I2) */ * from t1 where a=1");
    EXPECT_EQ(apply_hint(indexed, ""), plain) << "None removes the comment and its blank";
    const std::string full = apply_hint(plain, "/*+ FULL (T1) */");
    EXPECT_EQ(apply_hint(full, "/*+ INDEX (T1) */"), "select /*+ INDEX (T1) */ * from t1 where a=1")
        << "the old hint is replaced, not joined by a second one";
    EXPECT_EQ(apply_hint(plain, ""), plain);
    EXPECT_EQ(apply_hint("UPDATE t set a=1", "/*+ RULE */"), "UPDATE /*+ RULE */ t set a=1");
    EXPECT_EQ(apply_hint("Delete from t", "/*+ RULE */"), "Delete /*+ RULE */ from t");
    // Line ends and tabs after the keyword stay; the comment goes where the text starts.
    EXPECT_EQ(apply_hint("select\r\n\t a\r\nfrom t", "/*+ RULE */"), "select\r\n\t /*+ RULE */ a\r\nfrom t");
    EXPECT_EQ(apply_hint("select\r\n/*+ RULE */\r\na from t", "/*+ CHOOSE */"), "select\r\n/*+ CHOOSE */\r\na from t");
    // A comment that only starts like a hint is kept when it is no hint.
    EXPECT_EQ(apply_hint("select /* note */ a from t", "/*+ RULE */"), "select /*+ RULE */ /* note */ a from t");
}

TEST(ApplyHint, LeavesOtherTextUntouched) {
    EXPECT_EQ(apply_hint("insert into t values (1)", "/*+ RULE */"), "insert into t values (1)");
    EXPECT_EQ(apply_hint(" select * from t", "/*+ RULE */"), " select * from t") << "a leading blank";
    EXPECT_EQ(apply_hint("\nselect * from t", "/*+ RULE */"), "\nselect * from t");
    EXPECT_EQ(apply_hint("selected * from t", "/*+ RULE */"), "selected * from t");
    EXPECT_EQ(apply_hint("select", "/*+ RULE */"), "select") << "no blank after the word";
    EXPECT_EQ(apply_hint("", "/*+ RULE */"), "");
    EXPECT_EQ(apply_hint("select /*+ FULL (T1) a from t1", "/*+ RULE */"), "select /*+ FULL (T1) a from t1")
        << "a hint comment that is not closed is not cut to the end of the text";
}

TEST(StatementForExecute, TrimsAndEndsWithOneSemicolon) {
    EXPECT_EQ(statement_for_execute("  select 1\r\nfrom dual \r\n"), "select 1\r\nfrom dual;");
    EXPECT_EQ(statement_for_execute("select 1 from dual;"), "select 1 from dual;");
    EXPECT_EQ(statement_for_execute("\t\r\n  "), "");
}

}  // namespace

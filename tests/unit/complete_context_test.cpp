// Autocomplete's text rules: the context row found for the words in front of the word
// being typed, the word and the dotted name before the cursor, and the keywords offered.
#include <gtest/gtest.h>

#include "complete/complete_context.h"

namespace {

std::string keyword_of(const std::string& text_before_word) {
    const int row = complete_context_row(text_before_word);
    if (row < 0) return "<none>";
    const ContextRow& r = complete_context_table()[static_cast<size_t>(row)];
    return std::string(r.keyword) + "/" + (r.previous ? r.previous : "*");
}

TEST(CompleteContext, TheNearestKeywordAndTheWordBeforeItChooseTheRow) {
    // 72 rows less "descrip", which is no spelling of describe, one more each for ddl,
    // export and copy, and two for spool's "spo" and "spoo": completion and classification
    // take the command words from the one command table.
    EXPECT_EQ(complete_context_table().size(), 76u);
    EXPECT_EQ(keyword_of("spo "), "spo/");
    EXPECT_EQ(keyword_of("export "), "export/");
    EXPECT_EQ(keyword_of("copy "), "copy/");
    EXPECT_EQ(keyword_of("descrip "), "<none>");
    EXPECT_EQ(keyword_of("describ "), "describ/");
    EXPECT_EQ(keyword_of("spool "), "spool/");
    EXPECT_EQ(keyword_of("select ename from "), "from/*");
    EXPECT_EQ(keyword_of("update emp set "), "set/update");
    EXPECT_EQ(keyword_of("desc "), "desc/");
    EXPECT_EQ(keyword_of("ddl "), "ddl/");
    EXPECT_EQ(keyword_of(""), "/") << "the first word of a statement";
    EXPECT_EQ(keyword_of("create or "), "or/create");
    EXPECT_EQ(keyword_of("SELECT a FROM t WHERE "), "where/*") << "keywords compare without case";
    EXPECT_EQ(keyword_of("select a from t order by "), "by/order");
    EXPECT_EQ(keyword_of("alter user "), "user/alter");
    EXPECT_EQ(keyword_of("grant dba to "), "to/grant");
    EXPECT_EQ(keyword_of("foo bar "), "<none>") << "no keyword and not a first word";
    EXPECT_EQ(keyword_of("exec "), "exec/");
}

TEST(CompleteContext, WordsAndDottedNamesBeforeTheCursor) {
    EXPECT_EQ(complete_word_before("select ename from em", 20), "em");
    EXPECT_EQ(complete_word_before("select x,ab", 11), "ab");
    EXPECT_EQ(complete_word_before("select ", 7), "");
    EXPECT_EQ(complete_word_before("abc", 99), "abc") << "a cursor past the end stops at the end";

    std::string object, prefix;
    size_t start = 0;
    ASSERT_TRUE(complete_member_parts("select * from emp e where e.en", 30, &object, &prefix, &start));
    EXPECT_EQ(object, "e");
    EXPECT_EQ(prefix, "en");
    EXPECT_EQ(start, 26u);
    ASSERT_TRUE(complete_member_parts("select scott.emp.", 17, &object, &prefix, &start));
    EXPECT_EQ(object, "scott.emp");
    EXPECT_EQ(prefix, "");
    EXPECT_FALSE(complete_member_parts("select ename", 12, &object, &prefix, &start));
}

TEST(CompleteContext, OfferedKeywordsMatchThePrefixWithoutCase) {
    const ContextRow& replace = complete_context_table()[34];
    ASSERT_STREQ(replace.keyword, "replace");
    EXPECT_EQ(complete_offered_keywords(replace, "P"), (std::vector<std::string>{"procedure", "package"}));
    const ContextRow& first = complete_context_table().back();
    EXPECT_STREQ(first.offered,
                 "alter,analyze,associate,audit,begin,call,comment,commit,connect,copy,create,ddl,declare,delete,"
                 "describe,disassociate,disconnect,drop,edit,exit,explain,export,grant,insert,lock,noaudit,prompt,"
                 "rename,revoke,"
                 "rollback,savepoint,select,show,spool,truncate,update");
    EXPECT_EQ(complete_offered_keywords(first, "sel"), (std::vector<std::string>{"select"}));
    EXPECT_EQ(complete_offered_keywords(first, "xyz"), (std::vector<std::string>{}));
    EXPECT_EQ(complete_query_text(HintQuery::None), nullptr);
    EXPECT_STREQ(complete_query_text(HintQuery::UserColumns),
                 "select distinct lower(column_name) from user_tab_columns where column_name like upper(:1||'%')");
}

}  // namespace

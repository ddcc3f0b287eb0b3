// The client command table as a whole: every command has one row with a handler, its
// spellings classify as that command and as nothing else, usage lines have their form,
// and what completion offers are the table's own words.
#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/classify.h"
#include "command/command_table.h"
#include "command/whenever.h"
#include "command/words.h"

namespace {

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

Classification classify_text(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    char* words[kMaxWords] = {};
    const int count = split_words(buffer.data(), words);
    return classify_words(words, count, false);
}

// Words after the command that satisfy the rows with a further condition.
const char* sample_tail(ClientCommandId id) {
    switch (id) {
    case ClientCommandId::ShowErrors: return " errors";
    case ClientCommandId::ShowParameter: return " parameter db";
    default: return "";
    }
}

}  // namespace

TEST(CommandTable, EveryCommandHasOneRowWithAHandler) {
    std::set<int> seen;
    for (size_t i = 0; i < client_command_row_count(); ++i) {
        const ClientCommandRow& row = client_command_rows()[i];
        EXPECT_NE(row.id, ClientCommandId::None);
        EXPECT_TRUE(seen.insert(static_cast<int>(row.id)).second) << "two rows for id " << static_cast<int>(row.id);
        EXPECT_NE(row.handler, nullptr) << "row " << i;
        EXPECT_GE(row.rule, 6);
        EXPECT_LE(row.rule, 19);
        if (row.usage) {
            const std::string usage = row.usage;
            EXPECT_EQ(usage.rfind("Usage: ", 0), 0u) << usage;
            EXPECT_EQ(usage.back(), '\n') << usage;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(ClientCommandId::Count) - 1) << "an id without a row";
}

TEST(CommandTable, SpellingsClassifyAsTheirCommandOnly) {
    std::set<std::string> spelled;
    for (size_t i = 0; i < client_command_row_count(); ++i) {
        const ClientCommandRow& row = client_command_rows()[i];
        if (!row.spellings) continue;
        for (const std::string& spelling : spellings_of(row.spellings)) {
            for (char c : spelling) EXPECT_FALSE(c >= 'A' && c <= 'Z') << spelling << ": spellings are lower case";
            // "show" is the one word shared, told apart by the word after it.
            if (spelling != "show") {
                EXPECT_TRUE(spelled.insert(spelling).second) << spelling << " in two rows";
            }
            std::string upper = spelling;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            for (const std::string& text : {spelling, upper}) {
                const Classification c = classify_text(text + sample_tail(row.id));
                EXPECT_EQ(c.kind, StatementKind::ClientCommand) << text;
                EXPECT_EQ(c.command, row.id) << text;
                EXPECT_EQ(c.completion, row.completion) << text;
            }
        }
        if (row.offered) {
            const std::vector<std::string> words = spellings_of(row.spellings);
            EXPECT_NE(std::find(words.begin(), words.end(), row.offered), words.end())
                << row.offered << " is offered but not accepted";
        }
    }
    // One letter more or less than a spelling is no command.
    EXPECT_EQ(classify_text("descrip emp").kind, StatementKind::OtherSql);
    EXPECT_EQ(classify_text("ac x").kind, StatementKind::OtherSql);
    EXPECT_EQ(classify_text("dis").kind, StatementKind::OtherSql);
}

TEST(CommandTable, ArgumentsStartAfterTheCommandWord) {
    const ClientCommandRow* set = client_command_row(ClientCommandId::Set);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->arguments, ArgumentStart::AfterCommandWord);
    EXPECT_EQ(client_command_row(ClientCommandId::Describe)->arguments_completion,
              ArgumentCompletion::DescribableObjects);
    EXPECT_EQ(client_command_row(ClientCommandId::None), nullptr);
}

TEST(ExitSpec, StatusWordsAndTransactionEnd) {
    ExitSpec spec;
    EXPECT_TRUE(exit_spec_parse({}, &spec));
    EXPECT_EQ(spec.kind, ExitKind::Success);
    EXPECT_EQ(spec.transaction, TransactionEnd::Keep);
    EXPECT_TRUE(exit_spec_parse({"SQL.SQLCODE", "ROLLBACK"}, &spec));
    EXPECT_EQ(spec.kind, ExitKind::SqlCode);
    EXPECT_EQ(spec.transaction, TransactionEnd::Rollback);
    EXPECT_TRUE(exit_spec_parse({"-5"}, &spec));
    EXPECT_EQ(spec.number, -5);
    EXPECT_TRUE(exit_spec_parse({"commit"}, &spec));
    EXPECT_EQ(spec.transaction, TransactionEnd::Commit);
    EXPECT_TRUE(exit_spec_parse({":rc"}, &spec));
    EXPECT_EQ(spec.kind, ExitKind::Variable);
    EXPECT_TRUE(exit_spec_parse({"warning"}, &spec));
    EXPECT_EQ(spec.kind, ExitKind::Warning);
    EXPECT_FALSE(exit_spec_parse({"12x"}, &spec));
    EXPECT_FALSE(exit_spec_parse({"failure", "commit", "now"}, &spec));
    EXPECT_FALSE(exit_spec_parse({"commit", "failure"}, &spec));
    EXPECT_FALSE(exit_spec_parse({":"}, &spec));
}

// Substitution variables: define, undefine, accept with its options and value check, and
// the substitution rules of script lines (run here on the GUI thread, where line
// requests are answered from queued lines).
#include "cmdlang_fixture.h"

#include "command/accept_check.h"

namespace {

class VariablesTest : public CommandLanguageTest {};

std::string substitute(ConsoleBuffer* console, const std::string& line) {
    return variables_substitute(console, line);
}

TEST_F(VariablesTest, DefineKeepsQuotesAndTrimsAroundTheEqualsSign) {
    run("define vq =  'a b'  \n");
    std::string value;
    ASSERT_TRUE(defined("vq", &value));
    EXPECT_EQ(value, "'a b'");
    run("define vq\n");
    EXPECT_NE(screen().find("Variable vq is defined as: \"'a b'\""), std::string::npos);
    run("define vnone\n");
    EXPECT_NE(screen().find("Variable vnone is UNDEFINED"), std::string::npos);
    run("define\n");
    EXPECT_NE(screen().find("Usage: define variable[=value]"), std::string::npos);
    // Names are case-sensitive.
    EXPECT_FALSE(defined("VQ"));
}

TEST_F(VariablesTest, UndefineRemovesOnlyTheFirstName) {
    run("define ua=1\n");
    run("define ub=2\n");
    run("undefine ua ub\n");
    EXPECT_FALSE(defined("ua"));
    EXPECT_TRUE(defined("ub"));
    run("undefine ua\n");
    EXPECT_NE(screen().find("Variable ua does not exist"), std::string::npos);
    run("undefine\n");
    EXPECT_NE(screen().find("Usage: undefine variable"), std::string::npos);
    variable_undefine("ub");
}

TEST_F(VariablesTest, AcceptOptionErrorsDefineNothing) {
    run("accept\n");
    EXPECT_NE(screen().find("Usage: ACC[EPT] variable"), std::string::npos);
    run("accept ax format\n");
    EXPECT_NE(screen().find("Format mask expected after FORMAT"), std::string::npos);
    run("accept ax default\n");
    EXPECT_NE(screen().find("Value expected after DEFAULT"), std::string::npos);
    run("accept ax prompt\n");
    EXPECT_NE(screen().find("Value expected after PROMPT"), std::string::npos);
    run("accept ax bogus\n");
    EXPECT_EQ(occurrences(screen(), "Usage: ACC[EPT]"), 2);
    EXPECT_FALSE(defined("ax"));
}

TEST_F(VariablesTest, AcceptTextWithPromptDefaultAndLengthLimit) {
    front_.queue_line("hello world");
    run("acc at prompt 'Name: '\n");
    std::string value;
    ASSERT_TRUE(defined("at", &value));
    EXPECT_EQ(value, "hello world");
    EXPECT_NE(screen().find("Name: hello world"), std::string::npos);

    front_.queue_line("");
    run("accept at2 char def fallback noprompt\n");
    ASSERT_TRUE(defined("at2", &value));
    EXPECT_EQ(value, "fallback");

    // A value that does not fit the 1000-byte buffer is refused and asked for again.
    front_.queue_line(std::string(1000, 'x'));
    front_.queue_line("short");
    run("accept at3\n");
    EXPECT_NE(screen().find("Value too long"), std::string::npos);
    ASSERT_TRUE(defined("at3", &value));
    EXPECT_EQ(value, "short");
    variable_undefine("at");
    variable_undefine("at2");
    variable_undefine("at3");
}

TEST_F(VariablesTest, AcceptNumberWithoutSessionEndsInsteadOfAskingForever) {
    front_.queue_line("12");
    front_.queue_line("13");
    run("accept an number prompt 'Count: '\n");
    EXPECT_EQ(occurrences(screen(), "Not connected to a database"), 1);
    EXPECT_FALSE(defined("an"));
}

// Stands in for the database's check: digits pass (leading zeros dropped), the rest fails.
AcceptCheck digits_only(ConsoleBuffer*, AcceptType type, const char* format, std::string* value) {
    if (type == AcceptType::Date) return format ? AcceptCheck::Valid : AcceptCheck::Invalid;
    if (value->empty() || value->find_first_not_of("0123456789") != std::string::npos) {
        console_print("ORA-01722: invalid number\n");
        return AcceptCheck::Invalid;
    }
    value->erase(0, std::min(value->find_first_not_of('0'), value->size() - 1));
    return AcceptCheck::Valid;
}

TEST_F(VariablesTest, AcceptNumberRepeatsUntilTheCheckPasses) {
    accept_install_check(digits_only);
    front_.queue_line("abc");
    front_.queue_line("");
    run("accept an number default 007 prompt 'Count: '\n");
    std::string value;
    ASSERT_TRUE(defined("an", &value));
    EXPECT_EQ(value, "7");
    EXPECT_EQ(occurrences(screen(), "Count: "), 3);   // the command line shows it once too

    front_.queue_line("2004-02-03");
    run("accept ad date format 'YYYY-MM-DD'\n");
    ASSERT_TRUE(defined("ad", &value));
    EXPECT_EQ(value, "2004-02-03");
    accept_install_check(nullptr);
    variable_undefine("an");
    variable_undefine("ad");
}

TEST_F(VariablesTest, SubstitutionRules) {
    variable_define("a", "X");
    EXPECT_EQ(substitute(console_, "&a and &ab"), "X and Xb");
    front_.queue_line("big");
    EXPECT_EQ(substitute(console_, "&&a+&A.."), "X+big.");   // "&A" is another, undefined name
    EXPECT_NE(screen().find("Enter value for A: "), std::string::npos);
    EXPECT_EQ(substitute(console_, "keep && this"), "keep  this");

    // "&&" asks once and stores; "&" asks every time and stores nothing.
    front_.queue_line("c1");
    EXPECT_EQ(substitute(console_, "select &&scol, &scol from t"), "select c1, c1 from t");
    EXPECT_EQ(occurrences(screen(), "Enter value for scol: "), 1);
    front_.queue_line("t9");
    EXPECT_EQ(substitute(console_, "from &stab"), "from t9");
    EXPECT_FALSE(defined("stab"));

    (*console_->options)[Option::Verify].number.store(1);
    substitute(console_, "x &a");
    EXPECT_NE(screen().find("old: x &a"), std::string::npos);
    EXPECT_NE(screen().find("new: x X"), std::string::npos);

    (*console_->options)[Option::Scan].number.store(0);
    EXPECT_EQ(substitute(console_, "&a"), "&a");
    variable_undefine("a");
    variable_undefine("scol");
}

// Substitution goes on right behind each inserted value: every name of the line is
// replaced, repeated names included, however many there are.
TEST_F(VariablesTest, EveryNameOfALineIsSubstituted) {
    variable_define("a", "1");
    front_.queue_line("2");
    EXPECT_EQ(substitute(console_, "&a &b &a"), "1 2 1");
    EXPECT_EQ(occurrences(screen(), "Enter value for b: "), 1);
    front_.queue_line("3");
    EXPECT_EQ(substitute(console_, "&c,&a,&c,&&a"), "3,1,3,1") << "an unkept name is asked once per line";
    // Names of one length, so that none continues into another.
    auto name = [](int i) { return "v" + std::to_string(1000 + i); };
    std::string line, expected;
    for (int i = 0; i < 1000; ++i) {
        variable_define(name(i).c_str(), std::to_string(i * 7).c_str());
        line += "&" + name(i) + (i % 3 == 0 ? "," : " &v1000 ");
        expected += std::to_string(i * 7) + (i % 3 == 0 ? "," : " 0 ");
    }
    EXPECT_TRUE(substitute(console_, line) == expected);
    for (int i = 0; i < 1000; ++i) variable_undefine(name(i).c_str());
    variable_undefine("a");
}

// The concatenation character "." is on from the start, as scripts expect ("&schema..tab"),
// and the settings come back to their usual characters with ON.
TEST_F(VariablesTest, ConcatenationEscapeAndPrefixSettings) {
    variable_define("sch", "scott");
    EXPECT_EQ(substitute(console_, "&sch..emp &sch.x &sch.&sch"), "scott.emp scottx scottscott");
    run("set concat +\n");
    EXPECT_EQ(substitute(console_, "&sch+x &sch.y"), "scottx scott.y");
    run("set concat off\n");
    EXPECT_EQ(substitute(console_, "&sch.x"), "scott.x");
    run("set concat on\n");
    EXPECT_EQ(substitute(console_, "&sch.x"), "scottx");
    run("set define #\n");
    EXPECT_EQ(substitute(console_, "#sch &sch"), "scott &sch");
    run("set define off\n");
    run("set define on\n");
    EXPECT_EQ(substitute(console_, "#sch &sch"), "#sch scott") << "ON brings back the ampersand";
    run("set escape on\n");
    EXPECT_EQ(substitute(console_, "\\&sch &sch"), "&sch scott");
    run("set escape off\n");

    // A name longer than substitution reads is refused, not kept where nothing finds it.
    const std::string long_name(kVariableNameSize, 'n');
    run("define " + long_name + " = 1\n");
    EXPECT_NE(screen().find("Variable name too long (at most 9999 characters)"), std::string::npos);
    EXPECT_FALSE(defined(long_name.c_str()));
    variable_undefine("sch");
}

TEST_F(VariablesTest, ValueContainingItsOwnReferenceTerminates) {
    variable_define("self", "<&self>");
    EXPECT_EQ(substitute(console_, "&self &self"), "<&self> <&self>");
    variable_define("dself", "&&dself");
    EXPECT_EQ(substitute(console_, "&&dself"), "&&dself");
    variable_undefine("self");
    variable_undefine("dself");
}

TEST_F(VariablesTest, ScriptArgumentsAndCopiedTables) {
    variable_define("outer", "o");
    HashTable own{};
    ASSERT_EQ(variables_create(&own, variables_current()), 0);
    HashTable* caller = variables_swap(&own);
    variables_define_arguments("a 'b c' \"d\"");
    std::string value;
    EXPECT_TRUE(defined("outer"));
    ASSERT_TRUE(defined("2", &value));
    EXPECT_EQ(value, "b c");
    ASSERT_TRUE(defined("3", &value));
    EXPECT_EQ(value, "d");
    variables_swap(caller);
    variables_destroy(&own);
    EXPECT_FALSE(defined("1"));
    variable_undefine("outer");
}

}  // namespace

// Scripts on their worker thread: nesting to the limit and back, names with blanks and
// arguments, private options and variables, the end-of-file rules, line requests from
// the script thread, and what the spool file receives.
#include <algorithm>

#include "cmdlang_fixture.h"
#include "command/scripts.h"

namespace {

class ScriptTest : public CommandLanguageTest {};

TEST_F(ScriptTest, SelfCallingScriptStopsAtTheLimitAndUnwinds) {
    write_file("self.sql", "prompt level\n@" + path("self") + "\nprompt back\n");
    run("set max_scripts 5\n");
    run("@" + path("self") + "\n");
    const std::string out = screen();
    EXPECT_EQ(occurrences(out, "\nlevel"), 5);
    EXPECT_EQ(occurrences(out, "\nback"), 5);
    EXPECT_EQ(occurrences(out, "Maximum number of nested scripts (5) exceeded"), 1);
    EXPECT_EQ(console_->script_depth.load(), 0);
    EXPECT_EQ(console_->echo.load(), 1);
    EXPECT_EQ(console_->script_directory[0], '\0');
    EXPECT_EQ(front_.rows().back(), "SQL> ");
}

TEST_F(ScriptTest, DefaultExtensionNamesWithBlanksAndArguments) {
    write_file("plain.sql", "prompt plain ran\n");
    write_file("notes.txt", "prompt txt ran\n");
    write_file("my file.sql", "prompt args &1-&2\n");
    run("@" + path("plain") + "\n");
    run("@" + path("notes.txt") + "\n");
    run("@" + path("my file.sql") + " a 'b c'\n");
    run("@\"" + path("my file") + "\" q r\n");
    run("@" + path("missing") + "\n");
    const std::string out = screen();
    EXPECT_NE(out.find("\nplain ran"), std::string::npos);
    EXPECT_NE(out.find("\ntxt ran"), std::string::npos);
    EXPECT_NE(out.find("\nargs a-b c"), std::string::npos);
    EXPECT_NE(out.find("\nargs q-r"), std::string::npos);
    EXPECT_NE(out.find("Failed to open " + path("missing.sql")), std::string::npos);
    EXPECT_FALSE(defined("1"));
    EXPECT_EQ(busy_thread_id.load(), 0u);
}

TEST_F(ScriptTest, RelativeScriptAndMissingNestedScriptLetTheCallerContinue) {
    std::filesystem::create_directories(home_ / "sub");
    write_file("sub/outer.sql", "@@inner\n@@nowhere\nprompt outer done\n");
    write_file("sub/inner.sql", "prompt inner ran\n");
    run("@" + path("sub/outer") + "\n");
    const std::string out = screen();
    EXPECT_NE(out.find("\ninner ran"), std::string::npos);
    EXPECT_NE(out.find("Failed to open nowhere.sql"), std::string::npos);
    EXPECT_NE(out.find("\nouter done"), std::string::npos);
    EXPECT_EQ(std::filesystem::current_path(), home_);
}

TEST_F(ScriptTest, OptionsAndVariablesAreRestoredAfterTheScript) {
    run("define keep=caller\n");
    write_file("private.sql", "set feedback off\ndefine mine=1\nprompt sees &keep\n");
    run("@" + path("private") + "\n");
    EXPECT_NE(screen().find("\nsees caller"), std::string::npos);
    EXPECT_TRUE(console_->options->on(Option::Feedback));
    EXPECT_FALSE(defined("mine"));
    EXPECT_TRUE(defined("keep"));
    variable_undefine("keep");

    // A last line without a line end runs inside the script too: its option change ends with it.
    write_file("tail.sql", "prompt first\nset heading off");
    run("@" + path("tail") + "\n");
    EXPECT_TRUE(console_->options->on(Option::Heading));
}

TEST_F(ScriptTest, LastLineWithoutNewlineAndOpenStatementAreRun) {
    write_file("tail.sql", "prompt first\r\nprompt no newline");
    run("@" + path("tail") + "\n");
    EXPECT_NE(screen().find("\nno newline"), std::string::npos);

    // A statement left open at the end is completed with "/" (and reaches the dispatcher).
    write_file("open.sql", "select *\nfrom dual");
    run("@" + path("open") + "\n");
    EXPECT_NE(screen().find("Not connected to a database"), std::string::npos);
    EXPECT_TRUE(g_input.text.empty());
}

TEST_F(ScriptTest, SubstitutionPromptsAreAnsweredOnTheScriptThread) {
    write_file("ask.sql", "prompt &&sc and &sc\nprompt again &sc\n");
    front_.type("@" + path("ask") + "\n");
    answer("v1");
    ASSERT_TRUE(front_.wait_idle());
    const std::string out = screen();
    EXPECT_EQ(occurrences(out, "Enter value for sc: "), 1);
    EXPECT_NE(out.find("\nv1 and v1"), std::string::npos) << out;
    EXPECT_NE(out.find("\nagain v1"), std::string::npos);
    EXPECT_FALSE(defined("sc"));
}

// A script's connect line is shown by ECHO and VERIFY without its password, on the
// console and in the spool file.
TEST_F(ScriptTest, EchoAndVerifyShowNoPassword) {
    write_file("logon.sql", "set echo on verify on\nconnect app/apw7@nowhere\ndefine pw = zq9\n"
                            "connect app/&pw@nowhere\nprompt done\n");
    run("spool " + path("logon.lst") + "\n");
    run("@" + path("logon") + "\n");
    run("spool off\n");
    const std::string out = screen();
    EXPECT_NE(out.find("connect app@nowhere"), std::string::npos) << out;
    EXPECT_NE(out.find("new: connect app@nowhere"), std::string::npos) << out;
    EXPECT_NE(out.find("\ndone"), std::string::npos);
    for (const std::string& text : {out, read_file("logon.lst")}) {
        EXPECT_EQ(text.find("apw7"), std::string::npos) << text;
        EXPECT_EQ(text.find("zq9@"), std::string::npos) << text;
    }
}

// The input ends while a script waits at ACCEPT or for a substitution value: a message
// says so, nothing is defined, the line does not run, and every running script stops.
TEST_F(ScriptTest, EndOfInputAtAPromptStopsTheScriptsWithAMessage) {
    write_file("ask_end.sql", "accept who prompt 'Who: '\nprompt after accept\n");
    write_file("outer_end.sql", "@" + path("ask_end") + "\nprompt outer after\n");
    write_file("sub_end.sql", "set verify on\nprompt [&nothere]\nprompt after substitution\n");
    for (const char* script : {"outer_end", "sub_end"}) {
        front_.type("@" + path(script) + "\n");
        for (int i = 0; i < 2000 && console_->line_input_mode.load() == LineInputNone; ++i) platform_sleep_ms(5);
        console_->input_ended.store(true);
        answer("");
        ASSERT_TRUE(front_.wait_idle());
        console_->input_ended.store(false);
    }
    const std::string out = screen();
    EXPECT_EQ(occurrences(out, "No value given: the input has ended"), 2) << out;
    for (const char* never : {"after accept", "outer after", "after substitution", "new: prompt"})
        EXPECT_EQ(out.find(never), std::string::npos) << never;
    EXPECT_FALSE(defined("who"));
    EXPECT_EQ(console_->script_depth.load(), 0);
    run("prompt typed later\n");
    EXPECT_NE(screen().find("\ntyped later"), std::string::npos);
}

// TERMOUT OFF in a script sends what it prints to the spool file alone, each line once;
// it ends with the script and means nothing for typed commands.
TEST_F(ScriptTest, TermoutOffSendsAScriptsOutputToTheSpoolOnly) {
    write_file("quiet.sql", "set termout off\nprompt hidden line\nundefine nosuchvar\nset termout on\n"
                            "prompt shown line\nset termout off\n");
    run("spool " + path("quiet.lst") + "\n");
    run("@" + path("quiet") + "\n");
    run("prompt after the script\n");
    run("set termout off\n");
    run("prompt typed while off\n");
    write_file("inherit.sql", "prompt hidden too\n");
    run("@" + path("inherit") + "\n");
    run("set termout on\n");
    run("spool off\n");
    const std::string out = screen();
    EXPECT_EQ(out.find("hidden line"), std::string::npos) << out;
    EXPECT_EQ(out.find("hidden too"), std::string::npos) << "a script started while it is off";
    EXPECT_EQ(out.find("Variable nosuchvar does not exist"), std::string::npos);
    EXPECT_EQ(occurrences(out, "\nshown line"), 1);
    EXPECT_NE(out.find("\nafter the script"), std::string::npos);
    EXPECT_NE(out.find("\ntyped while off"), std::string::npos);
    const std::string spool = read_file("quiet.lst");
    for (const char* line : {"hidden line\r\n", "Variable nosuchvar does not exist\r\n", "shown line\r\n"})
        EXPECT_EQ(occurrences(spool, line), 1) << line << spool;
}

TEST_F(ScriptTest, AcceptInsideAScript) {
    write_file("acc.sql", "accept who prompt 'Who: '\nprompt hello &who\n");
    front_.type("@" + path("acc") + "\n");
    answer("Ann");
    ASSERT_TRUE(front_.wait_idle());
    EXPECT_NE(screen().find("\nhello Ann"), std::string::npos);
}

TEST_F(ScriptTest, StopFlagEndsEveryRunningScript) {
    write_file("outer.sql", "@" + path("waits") + "\nprompt outer after\n");
    write_file("waits.sql", "set feedback off\naccept w\nprompt inner after\n");
    front_.type("@" + path("outer") + "\n");
    for (int i = 0; i < 2000 && console_->line_input_mode.load() == LineInputNone; ++i) platform_sleep_ms(5);
    console_->script_stop.store(1);   // what Cancel does while the script waits
    answer("x");
    ASSERT_TRUE(front_.wait_idle());
    const std::string out = screen();
    EXPECT_EQ(out.find("inner after"), std::string::npos);
    EXPECT_EQ(out.find("outer after"), std::string::npos);
    EXPECT_EQ(console_->script_stop.load(), 0);
    EXPECT_EQ(console_->script_depth.load(), 0);
    EXPECT_TRUE(console_->options->on(Option::Feedback));
    EXPECT_EQ(front_.rows().back(), "SQL> ");
}

TEST_F(ScriptTest, SpoolReceivesScriptOutputWithCrLfButNoPrompts) {
    write_file("spooled.sql", "spool " + path("out.txt") + "\nprompt one\nselect 1 from dual;\nprompt two\nspool off\n");
    run("@" + path("spooled") + "\n");
    EXPECT_EQ(read_file("out.txt"), "one\r\nNot connected to a database\r\ntwo\r\n");

    run("spool off\n");
    EXPECT_NE(screen().find("Not currently spooling"), std::string::npos);
    run("spool\n");
    EXPECT_NE(screen().find("Usage: spool file|off"), std::string::npos);
    run("spool " + path("semi.txt") + ";\n");
    EXPECT_TRUE(exists("semi.txt"));
    run("spool off\n");
    run("spool " + path("no/such/dir/x.txt") + "\n");
    EXPECT_EQ(front_.error_boxes().size(), 1u);
}

}  // namespace

// A script of one line without a line end runs that line as it stands.
TEST_F(ScriptTest, AOneLineScriptWithoutLineEndRunsItsLine) {
    write_file("one.sql", "prompt hello");
    run("@" + path("one") + "\n");
    const std::vector<std::string> all = front_.rows();
    EXPECT_NE(std::find(all.begin(), all.end(), "hello"), all.end()) << front_.screen();
}

TEST_F(ScriptTest, LinesAcrossReadChunksAreTypedWholeAndInOrder) {
    // Lines cross every chunk boundary; CR LF and LF mix; a line with a NUL byte is refused
    // with an error, with the statement it continues, and the lines after it run; a line
    // longer than a chunk is typed whole.
    std::string script;
    for (int i = 0; i < 3000; ++i) script += "prompt line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
    script += std::string("prompt ab\0cd\n", 13);
    script += std::string("select 1\nfrom\0 dual;\nprompt after nul\n", 38);
    const std::string long_text(static_cast<size_t>(kScriptChunkSize) * 2 + 123, 'x');
    script += "prompt " + long_text + "\nprompt end";
    write_file("chunks.sql", script);
    (*console_->options)[Option::Maxlines].number.store(100000);
    run("@" + path("chunks") + "\n");
    const std::vector<std::string> all = front_.rows();
    std::vector<std::string> shown;
    for (const std::string& row : all)
        if (row.rfind("line ", 0) == 0) shown.push_back(row);
    ASSERT_EQ(shown.size(), 3000u);
    // The CR of a CR LF is typed as a blank, as every carriage return in a script.
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(shown[static_cast<size_t>(i)], "line " + std::to_string(i) + (i % 2 ? " " : ""));
    EXPECT_EQ(std::find(all.begin(), all.end(), "ab"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "Error: the line holds a NUL byte and was not run"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(),
                        "Error: the line holds a NUL byte and was not run, nor the statement it continues"),
              all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "after nul"), all.end()) << "the next line is a statement of its own";
    EXPECT_NE(std::find(all.begin(), all.end(), long_text), all.end());
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2], "end") << "the last line, without a line end, runs before the prompt";
}

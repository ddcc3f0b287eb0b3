// The option table and `set`: names by unique prefix, value conversion, usage lines, the
// listing, values kept in the per-user store (inside the test's own VANTRO_HOME) and not
// kept when set by a statement worker, and the directory option.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_harness.h"
#include "settings/registry.h"
#include "settings/script_settings.h"
#include "test_home.h"

namespace {

const bool kFreshHome = use_fresh_vantro_home();

int index_of(Option o) { return static_cast<int>(o); }

class OptionsTest : public ConsoleTest {
protected:
    void SetUp() override {
#if defined(_WIN32)
        GTEST_SKIP() << "the Windows store is the user's registry and does not follow VANTRO_HOME";
#endif
        // Every test starts from an empty store.
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(FreshHomeEnvironment::folder(), error))
            std::filesystem::remove_all(entry.path(), error);
        ConsoleTest::SetUp();
    }
    void TearDown() override {
#if defined(_WIN32)
        return;
#endif
        ConsoleTest::TearDown();
    }

    OptionTable& options() { return *console->options; }
    int number(Option o) { return options().number(o); }
    const std::string& text(Option o) { return options().text(o); }

    // The table a restart would load from the store.
    OptionTable reloaded() {
        ConsoleBuffer fresh;
        options_load(&fresh);
        OptionTable table = *fresh.options;
        delete fresh.options;
        return table;
    }
};

int set_inside_worker(StatementJob* job) {
    option_set_command(job->console, " timing off prompt W>");
    ConsoleBuffer* console = job->console;
    delete job;
    worker_end_statement(console, true, true);
    return 0;
}

}  // namespace

TEST(OptionFind, UniquePrefixesAndWholeNames) {
    EXPECT_EQ(option_find("tim"), index_of(Option::Timing));
    EXPECT_EQ(option_find("TIMING"), index_of(Option::Timing));
    EXPECT_EQ(option_find("serverout"), index_of(Option::Serveroutput));
    EXPECT_EQ(option_find("sound"), index_of(Option::Sound));
    EXPECT_EQ(option_find("soundf"), index_of(Option::Soundfile));
    EXPECT_EQ(option_find("editor"), index_of(Option::Editor));
    EXPECT_EQ(option_find("dir"), index_of(Option::Directory));
    EXPECT_EQ(option_find("de"), index_of(Option::Debug));
    EXPECT_EQ(option_find("max"), -1);   // max_scripts, maxlines, maxmem
    EXPECT_EQ(option_find("s"), -1);
    EXPECT_EQ(option_find("edit"), -1);
    EXPECT_EQ(option_find("timingx"), -1);
    EXPECT_EQ(option_find(""), -1);
    EXPECT_EQ(options_defaults().rows[index_of(Option::Prompt)].text, "SQL>");
}

TEST_F(OptionsTest, SetConvertsAndReportsEachPair) {
    front.type("set tim off\n");
    EXPECT_EQ(number(Option::Timing), 0);
    front.type("set s on\n");
    EXPECT_EQ(row_from_end(1), "Unknown option s");
    front.type("set sound off\n");
    EXPECT_EQ(number(Option::Sound), 0);
    EXPECT_EQ(text(Option::Soundfile), "ringin.wav");
    front.type("set arraysize 0\n");
    EXPECT_EQ(number(Option::Arraysize), 1);
    front.type("set arraysize 250\n");
    front.type("set arraysize x\n");
    EXPECT_EQ(number(Option::Arraysize), 1);
    front.type("set arraysize -5 long 12abc\n");
    EXPECT_EQ(number(Option::Arraysize), 1);
    EXPECT_EQ(number(Option::Long), 12);
    front.type("set feedback yes\n");
    EXPECT_EQ(row_from_end(1), "Usage: set feedback on|off");
    EXPECT_EQ(number(Option::Feedback), 1);
    front.type("set heading OFF bogus 1 FEED off\n");
    EXPECT_EQ(number(Option::Heading), 0);
    EXPECT_EQ(number(Option::Feedback), 0);
    EXPECT_EQ(row_from_end(1), "Unknown option bogus");
    front.type("set timing on heading\n");   // a name without a value is ignored
    EXPECT_EQ(number(Option::Timing), 1);
    EXPECT_EQ(number(Option::Heading), 0);
    front.type("set timing off;\n");         // the terminator is not part of the value
    EXPECT_EQ(number(Option::Timing), 0);
    front.type("set timing\n");
    EXPECT_EQ(row_from_end(1), "Usage: set parameter value [parameter value ...]");
    EXPECT_GT(front.toolbar_rebuilds(), 0);
}

// Names other consoles' scripts set: the longer value forms of feedback, autotrace and
// serveroutput, the settings kept beside the options, and those accepted without effect.
TEST_F(OptionsTest, SettingsOfOtherConsolesScripts) {
    const ScriptSettings& s = options().script;
    front.type("set feedback 5\n");
    EXPECT_EQ(number(Option::Feedback), 1);
    EXPECT_EQ(s.feedback_rows, 5);
    front.type("set feedback 0\n");
    EXPECT_EQ(number(Option::Feedback), 0);
    front.type("set feedback on\n");
    EXPECT_EQ(s.feedback_rows, 1);
    front.type("set autotrace traceonly explain timing off\n");
    EXPECT_EQ(number(Option::Autotrace), 1);
    EXPECT_TRUE(s.autotrace_traceonly);
    EXPECT_TRUE(s.autotrace_explain);
    EXPECT_FALSE(s.autotrace_statistics);
    EXPECT_EQ(number(Option::Timing), 0) << "the pair after the autotrace words is read too";
    front.type("set autot off\n");
    EXPECT_EQ(number(Option::Autotrace), 0);
    EXPECT_FALSE(s.autotrace_traceonly);
    EXPECT_TRUE(s.autotrace_statistics);
    front.type("set serveroutput on size 1000000 format wrapped heading off\n");
    EXPECT_EQ(number(Option::Serveroutput), 1);
    EXPECT_EQ(s.serveroutput_size, 1000000);
    EXPECT_EQ(number(Option::Heading), 0);
    front.type("set define off\n");
    EXPECT_FALSE(s.define);
    front.type("set def ~\n");
    EXPECT_TRUE(s.define);
    EXPECT_EQ(s.define_prefix, '~');
    front.type("set define x\n");
    EXPECT_EQ(row_from_end(1), "Usage: set define on|off|character");
    const int screen_before = number(Option::Screen);
    front.type("set termout off\n");
    EXPECT_EQ(number(Option::Screen), screen_before) << "typed commands show their output whatever it says";
    EXPECT_FALSE(s.termout);
    front.type("set termout on\n");
    front.type("set sqlprompt 'DB> '\n");
    EXPECT_EQ(text(Option::Prompt), "DB>");
    front.type("set sqlbl on esc on con .\n");
    EXPECT_TRUE(s.sqlblanklines);
    EXPECT_EQ(s.escape, '\\');
    EXPECT_EQ(s.concat, '.');
    const int before = static_cast<int>(front.rows().size());
    front.type("set lin 80 pages 0 trims on num 12 colsep | null '' und off newp none wrap off\n");
    EXPECT_EQ(static_cast<int>(front.rows().size()), before + 1) << "accepted without a message";
    front.type("set tab maybe\n");
    EXPECT_EQ(row_from_end(1), "Usage: set tab on|off");
    front.type("set pag 80\n");   // below pagesize's shortest abbreviation
    EXPECT_EQ(row_from_end(1), "Unknown option pag");
    front.type("set nosuch on\n");
    EXPECT_EQ(row_from_end(1), "Unknown option nosuch");
}

// Transaction and terminator settings: values kept beside the options, abbreviations
// that do not collide with the options' own prefixes, refusals that change nothing.
TEST_F(OptionsTest, TransactionAndTerminatorSettings) {
    const ScriptSettings& s = options().script;
    EXPECT_EQ(s.autocommit, 0);
    EXPECT_TRUE(s.exitcommit);
    front.type("set auto on\n");   // "auto" is no option's unique prefix
    EXPECT_EQ(s.autocommit, 1);
    front.type("set autocommit 5\n");
    EXPECT_EQ(s.autocommit, 5);
    front.type("set autocommit x\n");
    EXPECT_EQ(row_from_end(1), "Usage: set autocommit on|off|immediate|n");
    EXPECT_EQ(s.autocommit, 5) << "a refused value changes nothing";
    front.type("set autocommit imm\n");
    EXPECT_EQ(row_from_end(1), "Usage: set autocommit on|off|immediate|n");
    front.type("set autocommit immediate\n");
    EXPECT_EQ(s.autocommit, 1);
    front.type("set autocommit 0\n");
    EXPECT_EQ(s.autocommit, 0);
    front.type("set autoc on\n");   // autocomplete's unique prefix stays the option's
    EXPECT_EQ(number(Option::Autocomplete), 1);
    EXPECT_EQ(s.autocommit, 0);
    front.type("set exitc off\n");
    EXPECT_FALSE(s.exitcommit);
    front.type("show exitcommit autocommit\n");
    EXPECT_EQ(row_from_end(2), "exitcommit           = off");
    EXPECT_EQ(row_from_end(1), "autocommit           = off");
    front.type("set exitcommit yes\n");
    EXPECT_EQ(row_from_end(1), "Usage: set exitcommit on|off");
    EXPECT_FALSE(s.exitcommit);
    const int before = static_cast<int>(front.rows().size());
    front.type("set sqlt ; sqlterminator on blo off blockterminator . errorl off colinv on fetchrows 10\n");
    EXPECT_EQ(static_cast<int>(front.rows().size()), before + 1) << "accepted without a message";
    front.type("set sqlterminator ;\n");
    EXPECT_EQ(static_cast<int>(front.rows().size()), before + 2) << "a lone ; is the value, accepted silently";
    front.type("set echo;\n");
    EXPECT_EQ(row_from_end(1), "Usage: set echo on|off");
    front.type("set sqlterminator off\n");
    EXPECT_EQ(row_from_end(1), "Usage: set sqlterminator on|; (statements end with ; only in this console)");
    front.type("set sqlterminator #\n");
    EXPECT_EQ(row_from_end(1), "Usage: set sqlterminator on|; (statements end with ; only in this console)");
    front.type("set blockterminator !\n");
    EXPECT_EQ(row_from_end(1), "Usage: set blockterminator on|off|.");
}

// MARKUP takes several words; a refused form changes nothing and does not let its words
// be read as further settings.
TEST_F(OptionsTest, MarkupCsvForms) {
    const ScriptSettings& s = options().script;
    front.type("set markup csv on delimiter | quote off timing off\n");
    EXPECT_TRUE(s.markup_csv);
    EXPECT_EQ(s.csv_delimiter, '|');
    EXPECT_FALSE(s.csv_quote);
    EXPECT_EQ(number(Option::Timing), 0) << "the pair after the markup words is read too";
    front.type("set mark csv off\n");
    EXPECT_FALSE(s.markup_csv);
    EXPECT_EQ(s.csv_delimiter, '|') << "the delimiter stays until changed";
    front.type("set markup csv on delimiter ab quote on\n");
    EXPECT_EQ(row_from_end(1), "Usage: set markup csv on|off [delimiter c] [quote on|off]");
    EXPECT_FALSE(s.markup_csv);
    EXPECT_FALSE(s.csv_quote);
    front.type("set markup html on\n");
    EXPECT_EQ(row_from_end(1), "Usage: set markup html off (HTML output is not available in this console)");
    const int before = static_cast<int>(front.rows().size());
    front.type("set markup html off\n");
    EXPECT_EQ(static_cast<int>(front.rows().size()), before + 1);
    front.type("set markup csv\n");
    EXPECT_EQ(row_from_end(1), "Usage: set markup csv on|off [delimiter c] [quote on|off]");
}

TEST(ScriptSettingTable, NamesAndAbbreviations) {
    for (int i = 0; i < script_setting_count(); ++i) {
        const std::string name = script_setting_name(i);
        EXPECT_GE(script_setting_shortest(i), 2) << name;
        EXPECT_LE(static_cast<size_t>(script_setting_shortest(i)), name.size()) << name;
        EXPECT_LT(option_find(name.c_str()), 0) << name << " is an option's name already";
        const std::string shortest = name.substr(0, static_cast<size_t>(script_setting_shortest(i)));
        EXPECT_TRUE(script_setting_known(shortest));
        EXPECT_LT(option_find(shortest.c_str()), 0) << shortest << " names an option";
        for (int j = 0; j < script_setting_count(); ++j) {
            const std::string other = script_setting_name(j);
            if (j != i && other.size() >= shortest.size() && other.compare(0, shortest.size(), shortest) == 0) {
                EXPECT_GT(static_cast<size_t>(script_setting_shortest(j)), shortest.size())
                    << shortest << " would name " << other << " too";
            }
        }
        EXPECT_FALSE(script_setting_known(name + "x"));
    }
}

TEST_F(OptionsTest, PromptValuesAreQuotedAndCut) {
    front.type("set prompt \"my db>\"\n");
    EXPECT_EQ(text(Option::Prompt), "my db>");
    EXPECT_EQ(last_row(), "my db> ");
    front.type("set prompt ' a b '\n");
    EXPECT_EQ(text(Option::Prompt), " a b ");
    front.type("set prompt abcdefghijklmnopqrstuvwxyz\n");
    EXPECT_EQ(text(Option::Prompt), "abcdefghijklmnopqrs");
    EXPECT_EQ(last_row(), "abcdefghijklmnopqrs ");
    // Continuation numbers stand under the new prompt.
    front.type("select\n");
    EXPECT_EQ(last_row(), "                  2 ");
}

TEST_F(OptionsTest, ListingShowsEveryOptionAndTheUsage) {
    console->options->rows[index_of(Option::Maxlines)].number.store(2000);
    front.type("set\n");
    const std::vector<std::string> all = rows();
    ASSERT_GE(all.size(), 31u);
    const std::vector<std::string> listing(all.end() - 31, all.end() - 1);
    EXPECT_EQ(listing.front(), "SQL> set");
    EXPECT_EQ(listing[1], "allow_newline        = off");
    EXPECT_EQ(listing[2], "arraysize            = 1000");
    EXPECT_EQ(listing[7], "directory            = .");
    EXPECT_EQ(listing[18], "prompt               = SQL>");
    EXPECT_EQ(listing[27], "verify               = on");
    EXPECT_EQ(listing[28], "");
    EXPECT_EQ(listing[29], "Usage: set parameter value [parameter value ...]");
    EXPECT_EQ(last_row(), "SQL> ");
}

TEST_F(OptionsTest, ValuesSurviveARestart) {
    const OptionTable empty_store = reloaded();
    for (int i = 0; i < kOptionCount; ++i) {
        EXPECT_EQ(empty_store.rows[i].number.load(), options_defaults().rows[i].number.load()) << empty_store.rows[i].name;
        EXPECT_EQ(empty_store.rows[i].text, options_defaults().rows[i].text) << empty_store.rows[i].name;
    }
    front.type("set prompt X> timing off arraysize 77 editor \"my editor\"\n");
    option_toggle(console, index_of(Option::Screen));
    const OptionTable after = reloaded();
    EXPECT_EQ(after.text(Option::Prompt), "X>");
    EXPECT_EQ(after.number(Option::Timing), 0);
    EXPECT_EQ(after.number(Option::Arraysize), 77);
    EXPECT_EQ(after.text(Option::Editor), "my editor");
    EXPECT_EQ(after.number(Option::Screen), 1);
    EXPECT_EQ(after.number(Option::Feedback), 1);
    // A stored string longer than the option's buffer is refused, never overrun: the
    // compiled default applies.
    ASSERT_TRUE(registry_write_string(kRegistryKey, "prompt", "0123456789012345678901234567890"));
    EXPECT_EQ(reloaded().text(Option::Prompt), "SQL>");
}

// A store that cannot be written leaves the value in effect and says it is not kept.
TEST_F(OptionsTest, AValueTheStoreCannotKeepIsReported) {
    const std::filesystem::path store = std::filesystem::path(FreshHomeEnvironment::folder()) / "registry";
    std::error_code error;
    std::filesystem::remove_all(store, error);
    std::filesystem::create_directories(store / "in the way");
    front.type("set arraysize 33 timing off prompt Q>\n");
    EXPECT_EQ(number(Option::Arraysize), 33);
    EXPECT_EQ(text(Option::Prompt), "Q>");
    int reports = 0;
    for (const std::string& row : front.rows())
        reports += row.rfind("The value of ", 0) == 0 && row.find(" could not be kept for the next start: ") != std::string::npos;
    EXPECT_EQ(reports, 3);
    std::filesystem::remove_all(store, error);
}

TEST_F(OptionsTest, SetByAWorkerChangesOnlyTheRunningProgram) {
    WorkerRoutines workers;
    workers.query = set_inside_worker;
    dispatcher_install_workers(workers);
    const int rebuilds = front.toolbar_rebuilds();
    front.type("select 1 from dual;\n");
    ASSERT_TRUE(front.wait_idle());
    EXPECT_EQ(number(Option::Timing), 0);
    EXPECT_EQ(text(Option::Prompt), "W>");
    EXPECT_EQ(front.toolbar_rebuilds(), rebuilds);
    const OptionTable stored = reloaded();
    EXPECT_EQ(stored.number(Option::Timing), 1);
    EXPECT_EQ(stored.text(Option::Prompt), "SQL>");
}

TEST_F(OptionsTest, DirectoryOptionChangesTheCurrentDirectory) {
    namespace fs = std::filesystem;
    const std::string before = platform_current_directory();
    const fs::path target = fs::path(FreshHomeEnvironment::folder()) / "work";
    fs::create_directories(target);
    front.type("set dir " + target.string() + "\n");
    EXPECT_EQ(fs::canonical(platform_current_directory()), fs::canonical(target));
    EXPECT_EQ(text(Option::Directory), target.string());
    EXPECT_TRUE(front.error_boxes().empty());
    const std::string missing = (target / "missing").string();
    front.type("set directory " + missing + "\n");
    ASSERT_EQ(front.error_boxes().size(), 1u);
    EXPECT_EQ(front.error_boxes()[0].rfind("Cannot set current directory to " + missing + "\n", 0), 0u)
        << front.error_boxes()[0];
    EXPECT_EQ(text(Option::Directory), missing);
    EXPECT_EQ(fs::canonical(platform_current_directory()), fs::canonical(target));
    ASSERT_TRUE(platform_set_current_directory(before.c_str()));
}

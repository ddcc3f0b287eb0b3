// The command history: recording limits and duplicates, browsing with the saved input,
// the repeat commands with a stand-in database worker, the history file's byte layout,
// the daily log block, and an edit round trip through a stand-in editor program.
#include "cmdlang_fixture.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#endif
#include <fstream>

#include "command/history_file.h"
#include "command/statement.h"
#include "test_support.h"

namespace {

// Stands in for the database's query worker: shows the text it was given and ends the
// statement as a database statement.
int echo_query(StatementJob* job) {
    console_print("ran: %s\n", job->text.c_str());
    ConsoleBuffer* console = job->console;
    delete job;
    worker_end_statement(console, true, true);
    return 0;
}

// While it lives, replacing the given file fails: on POSIX files may grow to a few bytes
// only, on Windows the file is held open so that it cannot be replaced.
class WritesFail {
public:
    explicit WritesFail(const std::string& file) {
#if defined(_WIN32)
        held_ = std::fopen(file.c_str(), "rb");
#else
        (void)file;
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = saved_;
        tiny.rlim_cur = 8;
        setrlimit(RLIMIT_FSIZE, &tiny);
#endif
    }
    ~WritesFail() {
#if defined(_WIN32)
        if (held_) std::fclose(held_);
#else
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
#endif
    }

private:
#if defined(_WIN32)
    std::FILE* held_ = nullptr;
#else
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
#endif
};

class HistoryTest : public CommandLanguageTest {
protected:
    void SetUp() override {
        CommandLanguageTest::SetUp();
        saved_ = dispatcher_workers();
    }
    void TearDown() override {
        dispatcher_install_workers(saved_);
        CommandLanguageTest::TearDown();
    }
    void install_query_worker() {
        WorkerRoutines routines = dispatcher_workers();
        routines.query = echo_query;
        routines.nonquery = echo_query;
        dispatcher_install_workers(routines);
    }
    std::vector<std::string> texts() {
        std::vector<std::string> result;
        for (const HistoryEntry& entry : history_entries()) result.push_back(entry.text);
        return result;
    }
    WorkerRoutines saved_;
};

TEST_F(HistoryTest, LimitAndDuplicates) {
    run("set commandhistory 3\n");
    run("prompt a\n");
    run("prompt a\n");
    run("prompt b\n");
    run("prompt c\n");
    EXPECT_EQ(texts(), (std::vector<std::string>{"prompt a", "prompt b", "prompt c"}));
    run("  prompt d  \n");
    EXPECT_EQ(texts(), (std::vector<std::string>{"prompt b", "prompt c", "prompt d"}));
    run("set commandhistory 1\n");
    run("prompt e\n");
    EXPECT_EQ(texts(), (std::vector<std::string>{"prompt e"}));
}

TEST_F(HistoryTest, RepeatCommandsNeedADatabaseStatement) {
    run("set feedback on\n");
    run("define q=1\n");
    run("/\n");
    EXPECT_NE(screen().find("No previous command"), std::string::npos);
    run("r\n");
    EXPECT_EQ(occurrences(screen(), "No previous command"), 2);

    install_query_worker();
    run("select 1\nfrom dual;\n");
    run("r\n");
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 1\nfrom dual"), 3);
    EXPECT_EQ(texts().back(), "select 1\nfrom dual");
    EXPECT_EQ(history_entries().back().terminator, ';');
    variable_undefine("q");
}

TEST_F(HistoryTest, BrowsingBringsBackTerminatorsAndTheSavedInput) {
    run("begin null; end;\n/\n");
    run("prompt semi;\n");
    front_.type("half typed");
    history_previous(console_);
    EXPECT_EQ(g_input.text, "prompt semi;");
    history_previous(console_);
    EXPECT_EQ(g_input.text, "begin null; end;\n/");
    history_previous(console_);   // already at the oldest entry
    EXPECT_EQ(g_input.text, "begin null; end;\n/");
    history_next(console_);
    EXPECT_EQ(g_input.text, "prompt semi;");
    history_next(console_);
    EXPECT_EQ(g_input.text, "half typed");
    history_next(console_);
    EXPECT_EQ(g_input.text, "half typed");
}

TEST_F(HistoryTest, HistoryFileLayoutAndRoundTrip) {
    install_query_worker();
    run("prompt a\n");
    run("select 1 from dual;\n");
    ASSERT_EQ(history_save(console_), 0);
    const std::string bytes = read_file("vantro.his");
    EXPECT_EQ(bytes, std::string("\x08\0\0\0prompt a", 12) + std::string("\x13\0\0\0select 1 from dual;", 23));

    history_clear();
    history_load(console_);
    ASSERT_EQ(history_entries().size(), 2u);
    EXPECT_EQ(history_entries()[1].text, "select 1 from dual");
    EXPECT_EQ(history_entries()[1].terminator, ';');
    EXPECT_EQ(history_last_sql(), 1);
    // Loading neither echoes nor writes the daily log.
    EXPECT_EQ(occurrences(read_file("vantro_history_local.txt"), "select 1 from dual"), 1);

    // A damaged length stops the load instead of allocating what it claims.
    write_file("vantro.his", std::string("\x03\0\0\0abc\xff\xff\xff\x7fxyz", 14));
    history_clear();
    history_load(console_);
    EXPECT_EQ(texts(), (std::vector<std::string>{"abc"}));

    // A save that cannot complete leaves the previous file whole and no temporary file.
    history_save(console_);
    const std::string saved = read_file("vantro.his");
    run("select 2 from dual;\n");
    {
        WritesFail failing(path("vantro.his"));
        EXPECT_EQ(history_save(console_), -1);
    }
    EXPECT_EQ(read_file("vantro.his"), saved);
    EXPECT_EQ(history_save(console_), 0);
    EXPECT_NE(read_file("vantro.his").find("select 2 from dual"), std::string::npos);
    for (const auto& entry : std::filesystem::directory_iterator(home_))
        EXPECT_EQ(entry.path().filename().string().rfind("vantro.his.", 0), std::string::npos) << entry.path();

    run("set savehistory off\n");
    std::filesystem::remove(home_ / "vantro.his");
    EXPECT_EQ(history_save(console_), 0);
    EXPECT_FALSE(exists("vantro.his"));
}

TEST_F(HistoryTest, DailyLogBlocks) {
    std::tm when{};
    when.tm_year = 2004 - 1900;
    when.tm_mon = 1;
    when.tm_mday = 3;
    when.tm_hour = 14;
    when.tm_min = 5;
    when.tm_sec = 9;
    EXPECT_EQ(history_log_header(when), "\r\n\r\n03-02-2004 14:05:09\r\n\r\n");

    run("prompt logged\n");
    run("set history off\n");
    run("prompt not logged\n");
    const std::string log = read_file("vantro_history_local.txt");
    EXPECT_EQ(log.substr(0, 4), "\r\n\r\n");
    EXPECT_NE(log.find("\r\n\r\nprompt logged"), std::string::npos);
    EXPECT_EQ(log.find("not logged"), std::string::npos);

    history_install_database_name([] { return std::string("orcl"); });
    run("prompt on orcl\n");
    run("set history on\n");
    run("prompt on orcl\n");
    // A database given as host:port/service never names a path outside the folder.
    history_install_database_name([] { return std::string("../db:1521/orcl"); });
    run("prompt on a service\n");
    history_install_database_name(nullptr);
    EXPECT_NE(read_file("vantro_history_.._db_1521_orcl.txt").find("prompt on a service"), std::string::npos);
    EXPECT_NE(read_file("vantro_history_orcl.txt").find("\r\n\r\nprompt on orcl"), std::string::npos);
    EXPECT_EQ(read_file("vantro_history_local.txt").find("orcl"), std::string::npos);

    // A block that cannot be written is reported once, and again after a good one. (Only
    // where the size limit makes writes fail: a reader holding the file open does not
    // stop a writer on Windows.)
#if !defined(_WIN32)
    {
        WritesFail failing(path("vantro_history_local.txt"));
        run("prompt lost one\n");
        run("prompt lost two\n");
    }
    const std::string failure = "Writing the history log " + path("vantro_history_local.txt") + " failed";
    auto failures = [&] {
        int count = 0;
        for (const std::string& box : front_.error_boxes()) count += box.rfind(failure, 0) == 0;
        return count;
    };
    EXPECT_EQ(failures(), 1);
    run("prompt kept\n");
    EXPECT_NE(read_file("vantro_history_local.txt").find("prompt kept"), std::string::npos);
    EXPECT_EQ(read_file("vantro_history_local.txt").find("lost"), std::string::npos);
    {
        WritesFail failing(path("vantro_history_local.txt"));
        run("prompt lost three\n");
    }
    EXPECT_EQ(failures(), 2);
#endif

    debug_log("never %d", 1);
    EXPECT_FALSE(exists("vantro.log"));
    run("set debug on\n");
    debug_log("once %d", 2);
    EXPECT_EQ(read_file("vantro.log").substr(0, 6), "once 2");
}

TEST_F(HistoryTest, EditRoundTripThroughAnExternalProgram) {
    run("edit\n");
    EXPECT_NE(screen().find("No previous command"), std::string::npos);

    install_query_worker();
    run("select a,\nb from t;\n");
    run("set editor " STAND_IN_EDITOR "\n");
    run("set edit_filename " + path("afiedt.buf") + "\n");
    run("edit\n");
    EXPECT_EQ(read_file("afiedt.buf.seen"), "select a,\r\nb from t");
    const HistoryEntry newest = history_entries().back();
    EXPECT_EQ(newest.text, "select ename\nfrom emp");
    EXPECT_TRUE(newest.is_sql);
    EXPECT_TRUE(g_input.text.empty());
    EXPECT_EQ(busy_thread_id.load(), 0u);

    test_support::set_env("STAND_IN_EDITOR_LF", "1");
    run("edit\n");
    test_support::set_env("STAND_IN_EDITOR_LF", "");
    EXPECT_EQ(history_entries().back().text, "select ename\nfrom emp") << "LF line ends and a final line end";

    // A named file without extension that does not exist is taken as ".sql".
    write_file("report.sql", "select 9 from dual");
    run("edit " + path("report") + "\n");
    EXPECT_EQ(read_file("report.sql.seen"), "select 9 from dual");
    run("edit a b\n");
    EXPECT_NE(screen().find("Usage: edit [filename]"), std::string::npos);
}

// The editor runs from an argument vector: the setting's words are the program and its
// arguments, the file name is one argument whatever it holds, and no shell sees either.
TEST_F(HistoryTest, EditorStartsWithoutAShell) {
    install_query_worker();
    run("select 1 from dual;\n");
    run("set editor '" STAND_IN_EDITOR " --wait \"two words\"'\n");
    write_file("a;touch${IFS}pwned1`touch${IFS}pwned2`.sql", "select 2 from dual");
    run("edit " + path("a;touch${IFS}pwned1`touch${IFS}pwned2`") + "\n");
    EXPECT_EQ(read_file("a;touch${IFS}pwned1`touch${IFS}pwned2`.sql.seen"), "select 2 from dual");
    write_file("y;touch${IFS}pwned3$(touch${IFS}pwned4).sql", "select 3 from dual");
    run("edit \"" + path("y;touch${IFS}pwned3$(touch${IFS}pwned4).sql") + "\"\n");
    EXPECT_EQ(read_file("y;touch${IFS}pwned3$(touch${IFS}pwned4).sql.seen"), "select 3 from dual");
    EXPECT_EQ(read_file("y;touch${IFS}pwned3$(touch${IFS}pwned4).sql.args"), "--wait\ntwo words\n");

    // A stored edit file name with shell syntax is only a name.
    run("set edit_filename " + path("z;touch${IFS}pwned5") + "\n");
    run("edit\n");
    EXPECT_EQ(read_file("z;touch${IFS}pwned5.seen"), "select ename\r\nfrom emp");
    for (const char* made : {"pwned", "pwned1", "pwned2", "pwned3", "pwned4", "pwned5"})
        EXPECT_FALSE(std::ifstream(path(made)).good()) << made;

    // DEFINE _EDITOR names the program the same way, ahead of the option.
    run("define _editor = '" STAND_IN_EDITOR " -x;touch${IFS}pwned6'\n");
    run("set edit_filename " + path("w.buf") + "\n");
    run("edit\n");
    EXPECT_EQ(read_file("w.buf.args"), "-x;touch${IFS}pwned6\n");
    EXPECT_FALSE(std::ifstream(path("pwned6")).good());
    run("undefine _editor\n");

    run("set editor '\"" + path("no such editor") + "\"'\n");
    run("edit\n");
    EXPECT_NE(screen().find("Failed to spawn external editor"), std::string::npos);
}

// Passwords reach neither the history nor its files, failed connects included; the files
// the console writes are its user's alone.
TEST_F(HistoryTest, ConnectIsKeptWithoutItsPassword) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"connect app/apw@db", "connect app@db"},
        {"CONN app/apw", "CONN app"},
        {"connect app/apw@db as sysdba", "connect app@db as sysdba"},
        {"connect app/a@b@db", "connect app@b@db"},
        {"connect \"app/apw@db\"", "connect \"app@db\""},
        {"connect \"a/b\" c/d", "connect \"a\" c/d"},
        {"connect\tapp/apw", "connect\tapp"},
        {"connect app/apw@host:1521/orcl", "connect app/@host:1521/orcl"},
        {"connect /apw@db", "connect /@db"},
        {"connect / as sysdba", "connect / as sysdba"},
        {"connect app@db", "connect app@db"},
        {"select 'app/apw@db' from dual", "select 'app/apw@db' from dual"},
        {"connect", "connect"},
    };
    for (const auto& [typed, kept] : cases) EXPECT_EQ(history_text_without_password(typed), kept) << typed;

    run("connect app/apw@nowhere\n");
    EXPECT_EQ(history_entries().back().text, "connect app@nowhere");
    ASSERT_EQ(history_save(console_), 0);
    EXPECT_EQ(read_file("vantro.his").find("apw"), std::string::npos);
    run("connect app/wrong@nowhere\n");
    EXPECT_NE(screen().find("ORA-01017"), std::string::npos);
    EXPECT_EQ(history_entries().back().text, "connect app@nowhere") << "a failed attempt likewise";
    ASSERT_EQ(history_save(console_), 0);
    EXPECT_EQ(read_file("vantro.his").find("wrong"), std::string::npos);
    const std::string log = read_file("vantro_history_nowhere.txt");
    EXPECT_NE(log.find("connect app@nowhere"), std::string::npos);
    EXPECT_EQ(log.find("apw"), std::string::npos);
    EXPECT_EQ(log.find("wrong"), std::string::npos);
#if !defined(_WIN32)
    run("spool " + path("out.lst") + "\n");
    run("spool off\n");
    for (const char* name : {"vantro.his", "vantro_history_nowhere.txt", "out.lst"}) {
        struct stat info {};
        ASSERT_EQ(stat(path(name).c_str(), &info), 0) << name;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }
#endif
}

// "/" and "r" send the newest database statement again exactly as it was sent the first
// time, exec's block included, and leave nothing behind in the input.
TEST_F(HistoryTest, RepeatingAnExecSendsTheSameBlock) {
    install_query_worker();
    run("exec p;\n");
    EXPECT_EQ(occurrences(screen(), "ran: BEGIN p; END;"), 1);
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: BEGIN p; END;"), 2);
    EXPECT_TRUE(g_input.text.empty()) << g_input.text;
    run("r\n");
    EXPECT_EQ(occurrences(screen(), "ran: BEGIN p; END;"), 3);
    EXPECT_TRUE(g_input.text.empty()) << g_input.text;
    run("select 1 from dual;\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 1 from dual"), 1) << "the next statement is not lost";
    run("begin\nnull;\nend;\n/\n");
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: begin\nnull;\nend;"), 2);
}

// The SQL buffer follows every statement sent, also those a script sends and the
// history leaves out: "/", "r", list and edit inside and after a script work on the
// script's last statement, each sent once per request.
TEST_F(HistoryTest, SqlBufferFollowsStatementsOfScripts) {
    install_query_worker();
    run("select 5 from dual;\n");
    write_file("buffer.sql", "select 7 from dual;\n/\nlist\nbegin\n  null;\nend;\n/\nr\nprompt between\n");
    run("@" + path("buffer") + "\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 5 from dual"), 1) << "the statement before the script is not rerun";
    EXPECT_EQ(occurrences(screen(), "ran: select 7 from dual"), 2);
    EXPECT_NE(screen().find("  1* select 7 from dual"), std::string::npos);
    EXPECT_EQ(occurrences(screen(), "ran: begin\n  null;\nend;"), 2);
    EXPECT_EQ(texts().back(), "@" + path("buffer")) << "the history still leaves out what scripts run";
    run("list\n");
    EXPECT_NE(screen().find("  1  begin\n  2    null;\n  3* end;"), std::string::npos) << screen();

    run("set editor " STAND_IN_EDITOR "\n");
    run("set edit_filename " + path("afiedt.buf") + "\n");
    run("edit\n");
    EXPECT_EQ(read_file("afiedt.buf.seen"), "begin\r\n  null;\r\nend;");

    // A statement ended by an empty line is not run, but it is the buffer that "/" runs.
    run("select 11\nfrom dual\n\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 11"), 0);
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 11\nfrom dual"), 1);

    // With the history switched off the buffer is still kept.
    run("set commandhistory 0\n");
    run("select 9 from dual;\n");
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 9 from dual"), 2);
    run("run\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 9 from dual"), 3) << "run is the whole word of r";
}

// SAVE writes the buffer with a closing "/" line, never over a file unless asked, and
// never presents a failed write as done; GET loads a file as the buffer (without its "/"
// line or a statement's ";"), lists it, and "/" runs it once.
TEST_F(HistoryTest, SaveAndGetTheBuffer) {
    install_query_worker();
    run("save " + path("none") + "\n");
    EXPECT_NE(screen().find("SP2-0107: Nothing to save."), std::string::npos);
    run("select 1\nfrom dual;\n");
    run("save " + path("one") + "\n");
    EXPECT_NE(screen().find("Created file " + path("one.sql")), std::string::npos);
    EXPECT_EQ(read_file("one.sql"), "select 1\r\nfrom dual\r\n/\r\n");
    run("save " + path("one") + "\n");
    EXPECT_NE(screen().find("SP2-0540: File \"" + path("one.sql") + "\" already exists."), std::string::npos);
    run("begin\n  null;\nend;\n/\n");
    run("save " + path("one") + " app\n");
    EXPECT_NE(screen().find("Appended file to " + path("one.sql")), std::string::npos);
    EXPECT_EQ(read_file("one.sql"), "select 1\r\nfrom dual\r\n/\r\nbegin\r\n  null;\r\nend;\r\n/\r\n");
    run("save file " + path("two.sql") + " rep\n");
    EXPECT_NE(screen().find("Wrote file " + path("two.sql")), std::string::npos);
    run("save " + path("two") + " sideways\n");
    EXPECT_NE(screen().find("Usage: SAV[E] [FILE] file_name[.ext] [CRE[ATE]|REP[LACE]|APP[END]]"), std::string::npos);
#if !defined(_WIN32)
    struct stat info {};
    ASSERT_EQ(stat(path("two.sql").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
    std::filesystem::create_directory(path("folder.sql"));
    run("save " + path("folder") + " replace\n");
    EXPECT_NE(screen().find("Unable to write \"" + path("folder.sql") + "\""), std::string::npos);
    EXPECT_EQ(screen().find("Wrote file " + path("folder.sql")), std::string::npos);
    run("select '" + std::string(200, 'x') + "' from dual;\n");
    {
        WritesFail fail(path("two.sql"));
        run("save " + path("two") + " replace\n");
    }
    EXPECT_NE(screen().find("Unable to write \"" + path("two.sql") + "\""), std::string::npos);
    EXPECT_EQ(occurrences(screen(), "Wrote file " + path("two.sql")), 1) << "the failed write is not reported done";
    EXPECT_EQ(read_file("two.sql"), "begin\r\n  null;\r\nend;\r\n/\r\n") << "the old file stays whole";

    write_file("three.sql", "select 3\r\nfrom dual;\r\n\r\n");
    run("get " + path("three") + "\n");
    EXPECT_NE(screen().find("  1  select 3\n  2* from dual\n"), std::string::npos) << screen();
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: select 3\nfrom dual"), 1);
    run("get " + path("two") + " nolist\n");
    EXPECT_EQ(screen().find("  3* end;"), std::string::npos);
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: begin\n  null;\nend;"), 2) << "the block keeps the ; of its end";
    run("get " + path("missing") + "\n");
    EXPECT_NE(screen().find("SP2-0160: Unable to open \"" + path("missing.sql") + "\""), std::string::npos);
#if !defined(_WIN32)
    write_file("nul.sql", std::string("select 1\0 from dual", 19));
    run("get " + path("nul") + "\n");
    EXPECT_NE(screen().find("holds a NUL byte and was not loaded"), std::string::npos);
#endif
    run("list\n");
    EXPECT_NE(screen().find("  1  begin\n  2    null;\n  3* end;\n"), std::string::npos) << "the buffer is kept";
}

// An edit that leaves a PL/SQL block as it was gives back the block whole.
TEST_F(HistoryTest, EditKeepsTheEndOfABlock) {
    install_query_worker();
    run("begin\n  null;\nend;\n/\n");
    run("set editor " STAND_IN_EDITOR "\n");
    run("set edit_filename " + path("afiedt.buf") + "\n");
    set_environment("STAND_IN_EDITOR_KEEP", "1");
    run("edit\n");
    set_environment("STAND_IN_EDITOR_KEEP", "");
    run("/\n");
    EXPECT_EQ(occurrences(screen(), "ran: begin\n  null;\nend;"), 2) << screen();
}

// A file name that begins with "-" reaches the editor as a path, never as an option.
TEST_F(HistoryTest, EditFileNameIsNeverAnEditorOption) {
    install_query_worker();
    run("select 1 from dual;\n");
    run("set editor " STAND_IN_EDITOR "\n");
    write_file("-c!touch_pwned.sql", "select 4 from dual");
    run("edit -c!touch_pwned.sql\n");
    EXPECT_EQ(read_file("-c!touch_pwned.sql.name"), "./-c!touch_pwned.sql") << screen();
    EXPECT_EQ(read_file("-c!touch_pwned.sql.seen"), "select 4 from dual");
}

}  // namespace

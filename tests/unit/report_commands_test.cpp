// The report and script commands: BREAK and COMPUTE parsing and listings, the named
// timers on a clock the test moves, PAUSE on piped input, and the classification of
// their lines (each takes its own line only, so the next statement is not swallowed).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/classify.h"
#include "command/report_commands.h"
#include "command/words.h"
#include "console/console_buffer.h"
#include "ui/headless/headless_frontend.h"

namespace {

Classification classify_text(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    char* words[kMaxWords] = {};
    const int count = split_words(buffer.data(), words);
    return classify_words(words, count, false);
}

TEST(ReportCommands, LinesAreCommandsCompleteAtOnce) {
    const struct {
        const char* text;
        ClientCommandId id;
    } cases[] = {
        {"break on deptno skip 1", ClientCommandId::Break},
        {"compute sum of sal on deptno", ClientCommandId::Compute},
        {"start setup.sql a b", ClientCommandId::Start},
        {"show user", ClientCommandId::Show},
        {"show errors", ClientCommandId::ShowErrors},
        {"show parameter db", ClientCommandId::ShowParameter},
        {"timing start load", ClientCommandId::Timing},
        {"pause Hit Enter", ClientCommandId::Pause},
        {"clear breaks", ClientCommandId::Clear},
        {"ttitle 'Monthly report'", ClientCommandId::Title},
        {"repfooter off", ClientCommandId::Title},
        {"list", ClientCommandId::List},
        {"L", ClientCommandId::List},
    };
    for (const auto& c : cases) {
        const Classification result = classify_text(c.text);
        EXPECT_EQ(result.kind, StatementKind::ClientCommand) << c.text;
        EXPECT_EQ(result.command, c.id) << c.text;
        EXPECT_EQ(result.completion, Completion::AtOnce) << c.text;
    }
    // Words that only look alike stay SQL.
    EXPECT_EQ(classify_text("starting x").kind, StatementKind::OtherSql);
    EXPECT_EQ(classify_text("comment on table t is 'x'").kind, StatementKind::OtherSql);
}

TEST(ReportCommands, BreakParsesLevelsSkipsAndDuplicates) {
    std::vector<BreakSetting> breaks;
    std::string error;
    ASSERT_TRUE(parse_break({"on", "DEPTNO", "skip", "2", "on", "job", "dup", "on", "report", "skip", "page"}, &breaks,
                            &error));
    ASSERT_EQ(breaks.size(), 3u);
    EXPECT_EQ(breaks[0].name, "deptno");
    EXPECT_EQ(breaks[0].skip, 2);
    EXPECT_TRUE(breaks[0].nodup);
    EXPECT_EQ(breaks[1].skip, 0);
    EXPECT_FALSE(breaks[1].nodup);
    EXPECT_EQ(breaks[2].skip, 1);
    EXPECT_EQ(break_listing(breaks), "break on deptno skip 2 nodup on job dup on report skip 1 nodup\n");

    // A failed BREAK leaves the breaks as they were.
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{{"on"},
                                                                                     {"deptno"},
                                                                                     {"on", "a", "skip"},
                                                                                     {"on", "a", "skip", "-1"},
                                                                                     {"on", "a", "skip", "1x"},
                                                                                     {"on", "a", "sideways"}}) {
        error.clear();
        EXPECT_FALSE(parse_break(bad, &breaks, &error)) << bad.size();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(breaks.size(), 3u);
    }
    EXPECT_EQ(break_listing({}), "no break defined\n");
}

TEST(ReportCommands, ComputeParsesFunctionsLabelsAndReplaces) {
    ComputeSetting compute;
    std::string error;
    ASSERT_TRUE(parse_compute({"sum", "label", "Total", "max", "of", "SAL", "comm", "on", "DEPTNO"}, &compute, &error));
    EXPECT_EQ(compute.functions, (std::vector<std::string>{"sum", "maximum"}));
    EXPECT_EQ(compute.labels, (std::vector<std::string>{"Total", "maximum"}));
    EXPECT_EQ(compute.of, (std::vector<std::string>{"sal", "comm"}));
    EXPECT_EQ(compute.on, "deptno");

    std::vector<ComputeSetting> computes;
    add_compute(&computes, compute);
    ComputeSetting other;
    ASSERT_TRUE(parse_compute({"count", "of", "sal", "comm", "on", "deptno"}, &other, &error));
    add_compute(&computes, other);  // same break and columns: replaces
    ASSERT_TRUE(parse_compute({"avg", "of", "sal", "on", "report"}, &other, &error));
    add_compute(&computes, other);
    EXPECT_EQ(compute_listing(computes),
              "COMPUTE count LABEL 'count' OF sal comm ON deptno\n"
              "COMPUTE avg LABEL 'avg' OF sal ON report\n");

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"sum", "of", "sal"},
                                               {"of", "sal", "on", "d"},
                                               {"median", "of", "sal", "on", "d"},
                                               {"label", "x", "sum", "of", "sal", "on", "d"},
                                               {"sum", "of", "on", "d"},
                                               {"sum", "of", "a", "on", "d", "e"}})
        EXPECT_FALSE(parse_compute(bad, &other, &error)) << bad[0];
    EXPECT_EQ(compute_listing({}), "no computes currently defined\n");
}

std::uint32_t g_now = 0;
std::uint32_t test_clock() {
    return g_now;
}

std::vector<std::string> rows_after(const HeadlessFrontend& front, size_t from) {
    const std::vector<std::string> rows = front.rows();
    return std::vector<std::string>(rows.begin() + static_cast<std::ptrdiff_t>(from), rows.end());
}

TEST(ReportCommands, TimersShowAndStopTheNewest) {
    EXPECT_EQ(timing_elapsed_text(0), "Elapsed: 00:00:00.00");
    EXPECT_EQ(timing_elapsed_text(3723456), "Elapsed: 01:02:03.45");
    timing_set_clock(test_clock);
    HeadlessFrontend front;
    front.start();
    console_print_prompt();
    g_now = 1000;
    front.type("timing start outer\n");
    g_now = 1500;
    front.type("timing start inner\n");
    ASSERT_TRUE(front.wait_idle(10000));
    const size_t start = front.rows().size();
    g_now = 1520;
    front.type("timing stop\n");
    g_now = 4000;
    front.type("timing show\n");
    front.type("timing stop\n");
    front.type("timing stop\n");
    ASSERT_TRUE(front.wait_idle(10000));
    EXPECT_EQ(
        rows_after(front, start - 1),
        (std::vector<std::string>{"SQL> timing stop", "timing for: inner", "Elapsed: 00:00:00.02", "SQL> timing show",
                                  "timing for: outer", "Elapsed: 00:00:03.00", "SQL> timing stop", "timing for: outer",
                                  "Elapsed: 00:00:03.00", "SQL> timing stop", "no timing elements to stop", "SQL> "}));
    front.stop();
    timing_set_clock(nullptr);
}

TEST(ReportCommands, PauseOnPipedInputReadsNoLine) {
    HeadlessFrontend front;
    ConsoleBuffer* console = front.start();
    console->input_interactive.store(false);
    console_print_prompt();
    ASSERT_TRUE(front.wait_idle(10000));
    const size_t start = front.rows().size();
    front.type("pause Next page\n");
    front.type("prompt still here\n");
    ASSERT_TRUE(front.wait_idle(10000));
    EXPECT_EQ(rows_after(front, start - 1),
              (std::vector<std::string>{"SQL> pause Next page", "Next page", "SQL> prompt still here", "still here",
                                        "SQL> "}));
    front.stop();
}

}  // namespace

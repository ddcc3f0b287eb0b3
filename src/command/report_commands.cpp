// Report and script commands of the client command table: START (as @), SHOW, named
// timers, PAUSE, CLEAR, BREAK and COMPUTE (kept in the script settings, applied by the
// query output), the page titles (kept only) and LIST of the last statement.
#include "command/report_commands.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/history.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"
#include "platform/platform.h"
#include "settings/script_settings.h"

namespace {

std::atomic<std::uint32_t (*)()> g_clock{platform_tick_ms};

struct Timer {
    std::string name;
    std::uint32_t start = 0;
};
// Started timers, the newest last: SHOW and STOP act on the newest.
std::vector<Timer> g_timers;

bool is_one_of(const std::string& word, const char* spellings) {
    return word_is_one_of(word.c_str(), spellings);
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void print_timer(const Timer& timer) {
    console_print("timing for: %s\n", timer.name.c_str());
    console_print("%s\n", timing_elapsed_text(g_clock.load()() - timer.start).c_str());
}

// The canonical name of a COMPUTE function word, or empty.
std::string compute_function(const std::string& word) {
    if (is_one_of(word, "sum")) return "sum";
    if (is_one_of(word, "avg")) return "avg";
    if (is_one_of(word, "cou coun count")) return "count";
    if (is_one_of(word, "min mini minim minimu minimum")) return "minimum";
    if (is_one_of(word, "max maxi maxim maximu maximum")) return "maximum";
    if (is_one_of(word, "num numb numbe number")) return "number";
    return std::string();
}

}  // namespace

std::string timing_elapsed_text(std::uint32_t ms) {
    char text[64];
    std::snprintf(text, sizeof text, "Elapsed: %02u:%02u:%02u.%02u", ms / 3600000u, ms / 60000u % 60u, ms / 1000u % 60u,
                  ms % 1000u / 10u);
    return text;
}

void timing_set_clock(std::uint32_t (*clock)()) {
    g_clock.store(clock ? clock : platform_tick_ms);
}

bool parse_break(const std::vector<std::string>& words, std::vector<BreakSetting>* breaks, std::string* error) {
    std::vector<BreakSetting> parsed;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (is_one_of(word, "on")) {
            if (i + 1 >= words.size()) {
                *error = "missing column after ON";
                return false;
            }
            BreakSetting setting;
            setting.name = lower(words[++i]);
            parsed.push_back(setting);
        } else if (parsed.empty()) {
            *error = "expected ON, found " + word;
            return false;
        } else if (is_one_of(word, "ski skip")) {
            if (i + 1 >= words.size()) {
                *error = "missing number after SKIP";
                return false;
            }
            const std::string& count = words[++i];
            if (is_one_of(count, "page")) {
                // The console has no pages: a page break is one empty line.
                parsed.back().skip = 1;
            } else {
                char* end = nullptr;
                const long n = std::strtol(count.c_str(), &end, 10);
                if (count.empty() || *end || n < 0 || n > 1000) {
                    *error = "invalid SKIP count " + count;
                    return false;
                }
                parsed.back().skip = static_cast<int>(n);
            }
        } else if (is_one_of(word, "nodup nodupl noduplicates nodupli noduplic noduplica noduplicat noduplicate")) {
            parsed.back().nodup = true;
        } else if (is_one_of(word, "dup dupl dupli duplic duplica duplicat duplicate duplicates")) {
            parsed.back().nodup = false;
        } else {
            *error = "unknown word " + word;
            return false;
        }
    }
    *breaks = parsed;
    return true;
}

bool parse_compute(const std::vector<std::string>& words, ComputeSetting* compute, std::string* error) {
    ComputeSetting parsed;
    size_t i = 0;
    for (; i < words.size() && !is_one_of(words[i], "of"); ++i) {
        if (is_one_of(words[i], "lab labe label")) {
            if (parsed.functions.empty() || i + 1 >= words.size()) {
                *error = "LABEL needs a function before it and a text after it";
                return false;
            }
            parsed.labels.back() = words[++i];
            continue;
        }
        const std::string function = compute_function(words[i]);
        if (function.empty()) {
            *error = "unknown function " + words[i];
            return false;
        }
        parsed.functions.push_back(function);
        parsed.labels.push_back(function);
    }
    if (parsed.functions.empty() || i >= words.size()) {
        *error = "expected function ... OF column ... ON column";
        return false;
    }
    for (++i; i < words.size() && !is_one_of(words[i], "on"); ++i) parsed.of.push_back(lower(words[i]));
    if (parsed.of.empty() || i + 2 != words.size()) {
        *error = "expected OF column ... ON column|REPORT";
        return false;
    }
    parsed.on = lower(words[i + 1]);
    *compute = parsed;
    return true;
}

void add_compute(std::vector<ComputeSetting>* computes, const ComputeSetting& compute) {
    for (ComputeSetting& known : *computes) {
        if (known.on == compute.on && known.of == compute.of) {
            known = compute;
            return;
        }
    }
    computes->push_back(compute);
}

std::string break_listing(const std::vector<BreakSetting>& breaks) {
    if (breaks.empty()) return "no break defined\n";
    std::string text = "break";
    for (const BreakSetting& setting : breaks) {
        text += " on " + setting.name;
        if (setting.skip > 0) text += " skip " + std::to_string(setting.skip);
        text += setting.nodup ? " nodup" : " dup";
    }
    return text + "\n";
}

std::string compute_listing(const std::vector<ComputeSetting>& computes) {
    if (computes.empty()) return "no computes currently defined\n";
    std::string text;
    for (const ComputeSetting& compute : computes) {
        text += "COMPUTE";
        for (size_t i = 0; i < compute.functions.size(); ++i)
            text += " " + compute.functions[i] + " LABEL '" + compute.labels[i] + "'";
        text += " OF";
        for (const std::string& column : compute.of) text += " " + column;
        text += " ON " + compute.on + "\n";
    }
    return text;
}

// START file [arguments]: the same as @file [arguments].
void command_start(const ClientCommandContext& c) {
    if (c.count < 2) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    const std::string rest = command_arguments(c);
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        g_input.text = "@" + rest;
        g_input.cursor = g_input.length();
    }
    start_script(c.console, find_terminator(g_input.text));
}

void command_show(const ClientCommandContext& c) {
    if (c.count < 2) {
        command_usage(c.command);
    } else if (is_one_of(c.words[1], "user")) {
        const std::string user = session_open.load() ? current_user_name() : std::string();
        console_print("USER is \"%s\"\n", user.c_str());
    } else if (is_one_of(c.words[1], "all")) {
        for (int i = 0; i < kOptionCount; ++i) option_show_one(c.console, i);
    } else if (is_one_of(c.words[1], "sga rel rele relea releas release")) {
        console_print("show %s is not available in this console\n", c.words[1]);
    } else {
        for (int i = 1; i < c.count; ++i) {
            const int index = option_find(c.words[i]);
            if (index >= 0)
                option_show_one(c.console, index);
            else if (script_setting_show(c.console, c.words[i]))
                continue;
            else if (script_setting_known(c.words[i]))
                console_print("%s: set accepts it, show does not list it\n", c.words[i]);
            else
                console_print("Unknown option %s\n", c.words[i]);
        }
    }
    finish(c.console, true, false);
}

void command_timing(const ClientCommandContext& c) {
    if (c.count == 1) {
        console_print("%zu timing element%s in use\n", g_timers.size(), g_timers.size() == 1 ? "" : "s");
    } else if (is_one_of(c.words[1], "start")) {
        Timer timer;
        for (int i = 2; i < c.count; ++i) timer.name += (i > 2 ? " " : "") + std::string(c.words[i]);
        timer.start = g_clock.load()();
        g_timers.push_back(timer);
    } else if (is_one_of(c.words[1], "show stop")) {
        const bool stop = is_one_of(c.words[1], "stop");
        if (g_timers.empty()) {
            console_print("no timing elements to %s\n", stop ? "stop" : "show");
        } else {
            print_timer(g_timers.back());
            if (stop) g_timers.pop_back();
        }
    } else {
        command_usage(c.command);
    }
    finish(c.console, true, false);
}

// PAUSE [text]: shows the text and, when a person types the input, waits for Enter. Piped
// or scripted input is not read: its next line is the next statement.
void command_pause(const ClientCommandContext& c) {
    console_print("%s\n", c.count > 1 ? command_arguments(c) : "");
    if (c.console->input_interactive.load() && !c.console->input_ended.load())
        (void)console_request_line(c.console, false);
    finish(c.console, true, false);
}

void command_clear(const ClientCommandContext& c) {
    if (c.count < 2 || !c.console->options) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    ScriptSettings& script = c.console->options->script;
    for (int i = 1; i < c.count; ++i) {
        const std::string word = c.words[i];
        if (is_one_of(word, "bre brea break breaks")) {
            script.breaks.clear();
            console_print("breaks cleared\n");
        } else if (is_one_of(word, "comp compu comput compute computes")) {
            script.computes.clear();
            console_print("computes cleared\n");
        } else if (is_one_of(word, "col colu colum column columns")) {
            script.columns.clear();
            console_print("columns cleared\n");
        } else if (is_one_of(word, "buff buffe buffer sql")) {
            history_forget_sql();
            console_print("%s cleared\n", is_one_of(word, "sql") ? "sql" : "buffer");
        } else if (is_one_of(word, "scr scre scree screen")) {
            // The console keeps its rows: the screen is the scrolled console itself.
        } else if (is_one_of(word, "timi timin timing")) {
            g_timers.clear();
            console_print("timing cleared\n");
        } else {
            command_usage(c.command);
            break;
        }
    }
    finish(c.console, true, false);
}

void command_break(const ClientCommandContext& c) {
    if (c.console->options) {
        std::vector<BreakSetting>& breaks = c.console->options->script.breaks;
        if (c.count == 1) {
            console_print("%s", break_listing(breaks).c_str());
        } else {
            if (c.terminator.character == ';') cut_terminator(c.terminator);
            std::string error;
            if (!parse_break(split_arguments(command_arguments(c)), &breaks, &error)) {
                console_print("break: %s\n", error.c_str());
                command_usage(c.command);
            }
        }
    }
    finish(c.console, true, false);
}

void command_compute(const ClientCommandContext& c) {
    if (c.console->options) {
        std::vector<ComputeSetting>& computes = c.console->options->script.computes;
        if (c.count == 1) {
            console_print("%s", compute_listing(computes).c_str());
        } else {
            if (c.terminator.character == ';') cut_terminator(c.terminator);
            ComputeSetting compute;
            std::string error;
            if (parse_compute(split_arguments(command_arguments(c)), &compute, &error)) {
                add_compute(&computes, compute);
            } else {
                console_print("compute: %s\n", error.c_str());
                command_usage(c.command);
            }
        }
    }
    finish(c.console, true, false);
}

// TTITLE, BTITLE, REPHEADER, REPFOOTER: the text (or ON/OFF) is kept; the console prints
// no page titles.
void command_title(const ClientCommandContext& c) {
    if (c.console->options) {
        const char* word = c.words[0];
        const int slot = word_is_one_of(word, "tti ttit ttitl ttitle")                          ? 0
                         : word_is_one_of(word, "bti btit btitl btitle")                        ? 1
                         : word_is_one_of(word, "reph rephe rephea rephead repheade repheader") ? 2
                                                                                                : 3;
        std::string& title = c.console->options->script.titles[slot];
        if (c.count == 1)
            console_print("%s\n", title.empty() ? "off" : title.c_str());
        else
            title = command_arguments(c);
    }
    finish(c.console, true, false);
}

// LIST: the last statement, its lines numbered, the last marked with "*".
void command_list(const ClientCommandContext& c) {
    std::string text;
    if (!history_sql_buffer(&text))
        console_print("Nothing in SQL buffer\n");
    else
        history_print_numbered(text);
    finish(c.console, true, false);
}

void history_print_numbered(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    for (size_t i = 0; i < lines.size(); ++i)
        console_print("%3zu%c %s\n", i + 1, i + 1 == lines.size() ? '*' : ' ', lines[i].c_str());
}

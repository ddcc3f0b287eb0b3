// The `set` command, the option listing, toolbar toggles and the directory option.
// Values set while a statement worker runs (inside a script) change only the running
// program; otherwise each change is saved to the per-user store at once.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cctype>

#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "settings/options.h"
#include "settings/registry.h"
#include "settings/script_settings.h"

namespace {

// A decimal integer from the word's optional sign and leading digits; 0 when it has
// none; clamped to the 32-bit range.
int convert_number(const char* word) {
    errno = 0;
    const long long value = std::strtoll(word, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool equals_nocase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

bool worker_running() { return busy_thread_id.load() != 0; }

// A setting typed at the console is kept in the user's store for the next start; one made
// by a script (run with "@" or read as redirected input) ends with the script.
bool kept_for_next_start(const ConsoleBuffer* console) {
    return !worker_running() && !console->input_scripted.load();
}

// A value the store did not take still applies now; the user learns that it will not be
// there at the next start.
void report_not_kept(bool written, const std::string& word) {
    if (written) return;
    const std::string reason = platform_last_error_text();
    console_print("The value of %s could not be kept for the next start: %s\n", word.c_str(), reason.c_str());
}

// Sets one option from its value word; false when the value was refused.
bool set_one(ConsoleBuffer* console, OptionEntry& row, const std::string& word, const std::string& value) {
    switch (row.type) {
    case OptionType::String:
    case OptionType::Directory:
        option_set_text(row, value.c_str());
        if (kept_for_next_start(console))
            report_not_kept(registry_write_string(kRegistryKey, row.name, row.text.c_str()), word);
        break;
    case OptionType::Number: {
        int number = convert_number(value.c_str());
        if (&row == &(*console->options)[Option::Maxlines] && number < kMaxlinesMinimum) {
            console_print("Usage: set %s n (n at least %d)\n", word.c_str(), kMaxlinesMinimum);
            return false;
        }
        if (number <= 0) number = 1;
        row.number.store(number);
        if (kept_for_next_start(console))
            report_not_kept(registry_write_dword(kRegistryKey, row.name, static_cast<std::uint32_t>(number)), word);
        break;
    }
    case OptionType::OnOff:
        if (equals_nocase(value.c_str(), "on")) {
            row.number.store(1);
        } else if (equals_nocase(value.c_str(), "off")) {
            row.number.store(0);
        } else {
            console_print("Usage: set %s on|off\n", word.c_str());
            return false;
        }
        if (kept_for_next_start(console))
            report_not_kept(
                registry_write_dword(kRegistryKey, row.name, static_cast<std::uint32_t>(row.number.load())), word);
        break;
    }
    if (row.on_change) row.on_change(console, row);
    return true;
}

}  // namespace

namespace {

bool is_number_word(const std::string& word) {
    if (word.empty()) return false;
    for (char c : word)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool word_in(const std::string& word, const char* const* spellings) {
    for (; *spellings; ++spellings)
        if (equals_nocase(word.c_str(), *spellings)) return true;
    return false;
}

const char* const kTraceOnly[] = {"trace", "traceo", "traceon", "traceonl", "traceonly", nullptr};
const char* const kExplain[] = {"exp", "expl", "expla", "explai", "explain", nullptr};
const char* const kStatistics[] = {"stat", "stati", "statis", "statist", "statisti", "statistic", "statistics",
                                   nullptr};

// FEEDBACK n: a query's row count is shown from n rows on; 0 is OFF.
void set_feedback_rows(ConsoleBuffer* console, OptionEntry& row, const std::string& word, const std::string& value) {
    const int rows = convert_number(value.c_str());
    console->options->script.feedback_rows = rows > 0 ? rows : 1;
    set_one(console, row, word, rows > 0 ? "on" : "off");
}

// AUTOTRACE {ON|OFF|TRACEONLY} [EXPLAIN] [STATISTICS]: the words after the value that
// name the parts shown are taken as well. Returns the number of words taken after it.
size_t set_autotrace(ConsoleBuffer* console, OptionEntry& row, const std::vector<std::string>& words, size_t i) {
    ScriptSettings& s = console->options->script;
    const bool trace_only = word_in(words[i + 1], kTraceOnly);
    if (!set_one(console, row, words[i], trace_only ? "on" : words[i + 1])) return 0;
    s.autotrace_traceonly = trace_only;
    size_t taken = 0;
    bool explain = false, statistics = false;
    for (size_t k = i + 2; k < words.size(); ++k, ++taken) {
        if (word_in(words[k], kExplain)) {
            explain = true;
        } else if (word_in(words[k], kStatistics)) {
            statistics = true;
        } else {
            break;
        }
    }
    s.autotrace_explain = explain || !statistics;
    s.autotrace_statistics = statistics || !explain;
    return taken;
}

// SERVEROUTPUT {ON|OFF} [SIZE {n|UNLIMITED}] [FOR[MAT] {WRA[PPED]|WOR[D_WRAPPED]|TRU[NCATED]}]:
// the size and format words are taken after the value. Returns the number taken.
size_t set_serveroutput(ConsoleBuffer* console, OptionEntry& row, const std::vector<std::string>& words, size_t i) {
    if (!set_one(console, row, words[i], words[i + 1])) return 0;
    ScriptSettings& s = console->options->script;
    size_t k = i + 2;
    for (;;) {
        if (k + 1 < words.size() && equals_nocase(words[k].c_str(), "size")) {
            s.serveroutput_size = equals_nocase(words[k + 1].c_str(), "unlimited") ? 0 : convert_number(words[k + 1].c_str());
            k += 2;
        } else if (k + 1 < words.size() && (equals_nocase(words[k].c_str(), "for") ||
                                            equals_nocase(words[k].c_str(), "format"))) {
            s.serveroutput_format = words[k + 1];
            k += 2;
        } else {
            break;
        }
    }
    return k - (i + 2);
}

}  // namespace

void option_set_command(ConsoleBuffer* console, const char* text) {
    const std::vector<std::string> words = split_arguments(text);
    OptionTable& table = *console->options;
    for (size_t i = 0; i + 1 < words.size(); i += 2) {
        const int index = option_find(words[i].c_str());
        if (index < 0 && is_markup_word(words[i])) {
            i += script_setting_markup(console, words, i);
            continue;
        }
        if (index < 0) {
            if (script_setting_known(words[i]))
                script_setting_apply(console, words[i], words[i + 1]);
            else
                console_print("Unknown option %s\n", words[i].c_str());
            continue;
        }
        OptionEntry& row = table.rows[index];
        // Three options take the longer value forms of other consoles' scripts.
        const Option option = static_cast<Option>(index);
        if (option == Option::Feedback && is_number_word(words[i + 1])) {
            set_feedback_rows(console, row, words[i], words[i + 1]);
            continue;
        }
        if (option == Option::Feedback) table.script.feedback_rows = 1;
        if (option == Option::Autotrace) {
            i += set_autotrace(console, row, words, i);
            continue;
        }
        if (option == Option::Serveroutput) {
            i += set_serveroutput(console, row, words, i);
            continue;
        }
        if (set_one(console, row, words[i], words[i + 1]) && index == static_cast<int>(Option::Directory))
            option_apply_directory(console);
    }
    if (!worker_running() && paste_thread_id.load() == 0) {
        if (Frontend* front = frontend()) front->toolbar_rebuild();
    }
}

void option_show_one(ConsoleBuffer* console, int index) {
    if (index < 0 || index >= kOptionCount) return;
    const OptionEntry& row = console->options->rows[index];
    switch (row.type) {
    case OptionType::String:
    case OptionType::Directory:
        console_print("%-20s = %s\n", row.name, row.text.c_str());
        break;
    case OptionType::Number:
        console_print("%-20s = %d\n", row.name, row.number.load());
        break;
    case OptionType::OnOff:
        console_print("%-20s = %s\n", row.name, row.number.load() ? "on" : "off");
        break;
    }
}

void option_show_all(ConsoleBuffer* console) {
    for (int i = 0; i < kOptionCount; ++i) option_show_one(console, i);
    console_print("\nUsage: set parameter value [parameter value ...]\n");
}

void option_toggle(ConsoleBuffer* console, int index) {
    if (index < 0 || index >= kOptionCount) return;
    OptionEntry& row = console->options->rows[index];
    const int value = row.number.load() ? 0 : 1;
    row.number.store(value);
    registry_write_dword(kRegistryKey, row.name, static_cast<std::uint32_t>(value));
}

void option_apply_directory(ConsoleBuffer* console) {
    const std::string& directory = console->options->text(Option::Directory);
    if (platform_set_current_directory(directory.c_str())) return;
    const std::string reason = platform_last_error_text();
    std::string message = "Cannot set current directory to " + directory + "\n" + reason;
    if (Frontend* front = frontend()) front->error_box(message.c_str());
}

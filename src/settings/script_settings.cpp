// The `set` names that scripts written for other Oracle consoles use, beside the 27
// options: a table of names with their shortest accepted abbreviation and what a value
// does. Formatting settings that mean nothing here (line and page sizes, trimming, column
// separators) are accepted without effect, as `column` is. These settings are never saved
// to the per-user store.
#include "settings/script_settings.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_buffer.h"
#include "settings/options.h"

namespace {

bool equals_nocase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// True when value is "on" or "off" (any case); *on tells which.
bool on_off(const std::string& value, bool* on) {
    if (equals_nocase(value, "on")) {
        *on = true;
        return true;
    }
    if (equals_nocase(value, "off")) {
        *on = false;
        return true;
    }
    return false;
}

bool usage_on_off(const std::string& typed) {
    console_print("Usage: set %s on|off\n", typed.c_str());
    return false;
}

// ON, OFF or one character: the setting's character (ON gives the usual one), 0 for off.
bool on_off_or_char(const std::string& typed, const std::string& value, char usual, char* setting) {
    bool on = false;
    if (on_off(value, &on)) {
        *setting = on ? usual : 0;
        return true;
    }
    if (value.size() == 1 && !std::isalnum(static_cast<unsigned char>(value[0])) && value[0] != ' ') {
        *setting = value[0];
        return true;
    }
    console_print("Usage: set %s on|off|character\n", typed.c_str());
    return false;
}

using Apply = bool (*)(ConsoleBuffer* console, const std::string& typed, const std::string& value);

bool apply_define(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    ScriptSettings& s = console->options->script;
    char prefix = 0;
    // ON brings back the usual "&", not the character chosen last.
    if (!on_off_or_char(typed, value, '&', &prefix)) return false;
    s.define = prefix != 0;
    if (prefix) s.define_prefix = prefix;
    return true;
}

bool apply_concat(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    return on_off_or_char(typed, value, '.', &console->options->script.concat);
}

bool apply_escape(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    return on_off_or_char(typed, value, '\\', &console->options->script.escape);
}

bool apply_echo(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    bool on = false;
    if (!on_off(value, &on)) return usage_on_off(typed);
    console->options->script.echo = on;
    return true;
}

bool apply_sqlblanklines(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    bool on = false;
    if (!on_off(value, &on)) return usage_on_off(typed);
    console->options->script.sqlblanklines = on;
    return true;
}

// What scripts print, query rows included (the `screen` option), for this run only;
// commands typed or fed on the standard input show their output whatever it says.
bool apply_termout(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    bool on = false;
    if (!on_off(value, &on)) return usage_on_off(typed);
    if (console->script_depth.load() > 0) (*console->options)[Option::Screen].number.store(on ? 1 : 0);
    console->options->script.termout = on;
    return true;
}

// The prompt, for this run only; the console puts one blank behind it itself.
bool apply_sqlprompt(ConsoleBuffer* console, const std::string&, const std::string& value) {
    std::string prompt = value;
    while (!prompt.empty() && prompt.back() == ' ') prompt.pop_back();
    option_set_text((*console->options)[Option::Prompt], prompt.c_str());
    return true;
}

// AUTOCOMMIT ON|IMMEDIATE|OFF|n: ON and IMMEDIATE commit after every statement, n after
// every n of them, OFF and 0 never.
bool apply_autocommit(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    int& setting = console->options->script.autocommit;
    bool on = false;
    if (on_off(value, &on)) {
        setting = on ? 1 : 0;
        return true;
    }
    if (equals_nocase(value, "immediate")) {
        setting = 1;
        return true;
    }
    if (!value.empty() && value.size() <= 9 && value.find_first_not_of("0123456789") == std::string::npos) {
        setting = std::stoi(value);
        return true;
    }
    console_print("Usage: set %s on|off|immediate|n\n", typed.c_str());
    return false;
}

bool apply_exitcommit(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    bool on = false;
    if (!on_off(value, &on)) return usage_on_off(typed);
    console->options->script.exitcommit = on;
    return true;
}

// A terminator other consoles let scripts change. This console ends statements with ';'
// only, so that character and ON are accepted and any other character refused.
bool apply_sqlterminator(ConsoleBuffer*, const std::string& typed, const std::string& value) {
    bool on = false;
    if (value == ";" || (on_off(value, &on) && on)) return true;
    console_print("Usage: set %s on|; (statements end with ; only in this console)\n", typed.c_str());
    return false;
}

// A line holding only "." never ends a block's entry here, whatever the setting says.
bool apply_blockterminator(ConsoleBuffer*, const std::string& typed, const std::string& value) {
    bool on = false;
    if (value == "." || on_off(value, &on)) return true;
    console_print("Usage: set %s on|off|.\n", typed.c_str());
    return false;
}

// ERRORLOGGING: no error table is kept; OFF is the only state.
bool apply_errorlogging(ConsoleBuffer*, const std::string& typed, const std::string& value) {
    if (equals_nocase(value, "off")) return true;
    console_print("Usage: set %s off (errors are not logged to a table in this console)\n", typed.c_str());
    return false;
}

// AUTOPRINT and CMDSEP: bind variables are shown with PRINT, and one line holds one
// command; OFF is the only state.
bool apply_autoprint(ConsoleBuffer*, const std::string& typed, const std::string& value) {
    if (equals_nocase(value, "off")) return true;
    console_print("Usage: set %s off (bind variables are shown with print in this console)\n", typed.c_str());
    return false;
}

bool apply_cmdsep(ConsoleBuffer*, const std::string& typed, const std::string& value) {
    if (equals_nocase(value, "off")) return true;
    console_print("Usage: set %s off (one command per line in this console)\n", typed.c_str());
    return false;
}

bool accept_any(ConsoleBuffer*, const std::string&, const std::string&) { return true; }

bool accept_on_off(ConsoleBuffer*, const std::string& typed, const std::string& value) {
    bool on = false;
    return on_off(value, &on) || usage_on_off(typed);
}

struct ScriptSettingRow {
    const char* name;
    int shortest;   // the shortest abbreviation accepted
    Apply apply;
};

const ScriptSettingRow kRows[] = {
    {"define", 3, apply_define},
    {"concat", 3, apply_concat},
    {"escape", 3, apply_escape},
    {"echo", 4, apply_echo},
    {"sqlblanklines", 5, apply_sqlblanklines},
    {"termout", 4, apply_termout},
    {"sqlprompt", 4, apply_sqlprompt},
    {"autocommit", 4, apply_autocommit},
    {"exitcommit", 5, apply_exitcommit},
    {"sqlterminator", 4, apply_sqlterminator},
    {"blockterminator", 3, apply_blockterminator},
    {"errorlogging", 6, apply_errorlogging},
    {"autoprint", 5, apply_autoprint},
    {"cmdsep", 4, apply_cmdsep},
    // Formatting and display settings without meaning in this console.
    {"appinfo", 4, accept_any},
    {"autorecovery", 5, accept_on_off},
    {"colinvisible", 6, accept_on_off},
    {"copycommit", 5, accept_any},
    {"copytypecheck", 5, accept_on_off},
    {"document", 3, accept_on_off},
    {"errordetails", 6, accept_any},
    {"fetchrows", 5, accept_any},
    {"colsep", 6, accept_any},
    {"describe", 8, accept_any},
    {"embedded", 3, accept_on_off},
    {"flush", 3, accept_on_off},
    {"headsep", 5, accept_any},
    {"instance", 4, accept_any},
    {"linesize", 3, accept_any},
    {"lobprefetch", 7, accept_any},
    {"loboffset", 5, accept_any},
    {"logsource", 4, accept_any},
    {"longchunksize", 5, accept_any},
    {"newpage", 4, accept_any},
    {"null", 4, accept_any},
    {"numformat", 4, accept_any},
    {"numwidth", 3, accept_any},
    {"pagesize", 5, accept_any},
    {"pause", 3, accept_any},
    {"recsep", 6, accept_any},
    {"recsepchar", 10, accept_any},
    {"rowprefetch", 7, accept_any},
    {"securedcol", 10, accept_any},
    {"shiftinout", 5, accept_any},
    {"showmode", 4, accept_any},
    {"sqlcase", 4, accept_any},
    {"sqlcontinue", 5, accept_any},
    {"sqlnumber", 4, accept_any},
    {"sqlprefix", 6, accept_any},
    {"statementcache", 10, accept_any},
    {"suffix", 3, accept_any},
    {"tab", 3, accept_on_off},
    {"time", 4, accept_on_off},  // "ti" to "tim" name the timing option
    {"trimout", 5, accept_on_off},
    {"trimspool", 5, accept_on_off},
    {"underline", 3, accept_any},
    {"wrap", 3, accept_on_off},
    {"xmloptimizationcheck", 6, accept_on_off},
};

const ScriptSettingRow* find_row(const std::string& word) {
    for (const ScriptSettingRow& row : kRows) {
        const size_t length = std::strlen(row.name);
        if (word.size() < static_cast<size_t>(row.shortest) || word.size() > length) continue;
        if (equals_nocase(word, std::string(row.name, word.size()).c_str())) return &row;
    }
    return nullptr;
}

}  // namespace

bool script_setting_known(const std::string& word) { return find_row(word) != nullptr; }

bool script_setting_apply(ConsoleBuffer* console, const std::string& word, const std::string& value) {
    const ScriptSettingRow* row = find_row(word);
    return row && row->apply(console, word, value);
}

bool script_setting_show(ConsoleBuffer* console, const std::string& word) {
    const ScriptSettingRow* row = find_row(word);
    if (!row) return false;
    const ScriptSettings& s = console->options->script;
    if (row->apply == apply_autocommit) {
        if (s.autocommit <= 1)
            console_print("%-20s = %s\n", row->name, s.autocommit ? "on" : "off");
        else
            console_print("%-20s = %d\n", row->name, s.autocommit);
        return true;
    }
    if (row->apply == apply_exitcommit) {
        console_print("%-20s = %s\n", row->name, s.exitcommit ? "on" : "off");
        return true;
    }
    return false;
}

bool is_markup_word(const std::string& word) {
    return word.size() >= 4 && word.size() <= 6 && equals_nocase(word, std::string("markup", word.size()).c_str());
}

// MARKUP CSV {ON|OFF} [DELIMITER c] [QUOTE {ON|OFF}] | MARKUP HTML OFF. Nothing is
// changed unless the whole form is right.
size_t script_setting_markup(ConsoleBuffer* console, const std::vector<std::string>& words, size_t i) {
    const std::string& typed = words[i];
    const size_t start = i + 1;
    bool on = false;
    if (start + 1 < words.size() && equals_nocase(words[start], "html") && on_off(words[start + 1], &on)) {
        if (on) {
            console_print("Usage: set %s html off (HTML output is not available in this console)\n", typed.c_str());
            return 1;
        }
        return 1;   // HTML output is never on
    }
    if (start + 1 >= words.size() || !equals_nocase(words[start], "csv") || !on_off(words[start + 1], &on)) {
        console_print("Usage: set %s csv on|off [delimiter c] [quote on|off]\n", typed.c_str());
        return words.size() - start - 1;   // the rest of the line is this setting's
    }
    ScriptSettings next = console->options->script;
    next.markup_csv = on;
    size_t k = start + 2;
    while (k + 1 < words.size()) {
        bool quote = false;
        if (equals_nocase(words[k], "delimiter") || equals_nocase(words[k], "delim")) {
            if (words[k + 1].size() != 1) break;
            next.csv_delimiter = words[k + 1][0];
        } else if (equals_nocase(words[k], "quote") && on_off(words[k + 1], &quote)) {
            next.csv_quote = quote;
        } else {
            break;
        }
        k += 2;
    }
    if (k < words.size() && (equals_nocase(words[k], "delimiter") || equals_nocase(words[k], "delim") ||
                             equals_nocase(words[k], "quote"))) {
        console_print("Usage: set %s csv on|off [delimiter c] [quote on|off]\n", typed.c_str());
        return words.size() - start - 1;
    }
    console->options->script = next;
    return k - start - 1;
}

int script_setting_count() { return static_cast<int>(sizeof kRows / sizeof kRows[0]); }
const char* script_setting_name(int index) { return kRows[index].name; }
int script_setting_shortest(int index) { return kRows[index].shortest; }

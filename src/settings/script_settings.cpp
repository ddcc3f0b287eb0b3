// The `set` names that scripts written for other Oracle consoles use, beside the 27
// options: a table of names with their shortest accepted abbreviation and what a value
// does. Formatting settings that mean nothing here (line and page sizes, trimming, column
// separators) are accepted without effect, as `column` is. These settings are never saved
// to the per-user store.
#include "settings/script_settings.h"

#include <cctype>
#include <cstring>
#include <string>

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
    if (!on_off_or_char(typed, value, s.define_prefix ? s.define_prefix : '&', &prefix)) return false;
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

// Query rows on the console: the `screen` option, for this run only.
bool apply_termout(ConsoleBuffer* console, const std::string& typed, const std::string& value) {
    bool on = false;
    if (!on_off(value, &on)) return usage_on_off(typed);
    (*console->options)[Option::Screen].number.store(on ? 1 : 0);
    return true;
}

// The prompt, for this run only; the console puts one blank behind it itself.
bool apply_sqlprompt(ConsoleBuffer* console, const std::string&, const std::string& value) {
    std::string prompt = value;
    while (!prompt.empty() && prompt.back() == ' ') prompt.pop_back();
    option_set_text((*console->options)[Option::Prompt], prompt.c_str());
    return true;
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
    // Formatting and display settings without meaning in this console.
    {"appinfo", 4, accept_any},
    {"colsep", 6, accept_any},
    {"describe", 8, accept_any},
    {"embedded", 3, accept_on_off},
    {"flush", 3, accept_on_off},
    {"headsep", 5, accept_any},
    {"linesize", 3, accept_any},
    {"loboffset", 5, accept_any},
    {"longchunksize", 5, accept_any},
    {"newpage", 4, accept_any},
    {"null", 4, accept_any},
    {"numformat", 4, accept_any},
    {"numwidth", 3, accept_any},
    {"pagesize", 5, accept_any},
    {"pause", 3, accept_any},
    {"recsep", 6, accept_any},
    {"recsepchar", 10, accept_any},
    {"shiftinout", 5, accept_any},
    {"showmode", 4, accept_any},
    {"sqlcase", 4, accept_any},
    {"sqlcontinue", 5, accept_any},
    {"sqlnumber", 4, accept_any},
    {"sqlprefix", 6, accept_any},
    {"suffix", 3, accept_any},
    {"tab", 3, accept_on_off},
    {"time", 2, accept_on_off},
    {"trimout", 5, accept_on_off},
    {"trimspool", 5, accept_on_off},
    {"underline", 3, accept_any},
    {"wrap", 3, accept_on_off},
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

int script_setting_count() { return static_cast<int>(sizeof kRows / sizeof kRows[0]); }
const char* script_setting_name(int index) { return kRows[index].name; }
int script_setting_shortest(int index) { return kRows[index].shortest; }

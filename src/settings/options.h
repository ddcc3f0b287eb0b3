// The option table: the 27 user settings every subsystem reads at the moment of use,
// their compiled defaults, lookup by unique prefix, and the `set` command. The table is
// plain data so that the console can read values through its `options` pointer without
// linking against this module.
#pragma once

#include <atomic>
#include <string>
#include <vector>

struct ConsoleBuffer;

enum class OptionType : int { String = 0, Number = 1, OnOff = 2, Directory = 3 };

// Row indices, in the table's fixed order (toolbar commands are 1000 + index).
enum class Option : int {
    AllowNewline, Arraysize, Autocomplete, Autotrace, Commandhistory, Debug, Directory,
    Editor, EditFilename, Feedback, Heading, History, Listview, Long, MaxScripts,
    Maxlines, Maxmem, Prompt, Savehistory, Scan, Screen, Serveroutput, Sound, Soundfile,
    Soundtime, Timing, Verify
};
constexpr int kOptionCount = 27;

// The fewest console rows `maxlines` keeps: enough for a screen of output and a long
// statement being typed. `set` refuses less; a smaller stored value counts as this.
constexpr int kMaxlinesMinimum = 100;

struct OptionEntry;
// Called after `set` (or the Options dialog) changed the value.
using OptionHook = void (*)(ConsoleBuffer* console, const OptionEntry& entry);

// One row. Numbers and on/off values may be read by one thread while another writes
// them, so they are atomic; string values change only on the thread that owns the
// console at that moment.
struct OptionEntry {
    char name[32] = {};
    std::atomic<int> number{0};   // number, or 0/1 for on/off
    std::string text;             // string and directory values, at most max_length - 1 bytes
    int max_length = 0;           // buffer size with the NUL; 0 for numbers and on/off
    int toolbar_command = 0;      // icon resource of the toolbar button; 0: no button
    std::atomic<int> on_toolbar{0};
    OptionType type = OptionType::Number;
    const char* label = "";
    const char* description = "";
    OptionHook on_change = nullptr;

    OptionEntry() = default;
    OptionEntry(const OptionEntry& o) { *this = o; }
    OptionEntry& operator=(const OptionEntry& o);
};

// What COLUMN name NEW_VALUE variable [NOPRINT] asked for a query column.
struct ColumnSetting {
    std::string name;        // compared without case with the column's name
    std::string new_value;   // variable given the column's last value; empty: none
    bool noprint = false;    // the column is left out of the console and spool output
};

// What BREAK ON column [SKIP n|SKIP PAGE] [NODUPLICATES|DUPLICATES] asked for; the column
// "report" stands for the whole result.
struct BreakSetting {
    std::string name;
    int skip = 0;              // empty lines printed when the value changes
    bool nodup = true;         // a value equal to the row's above is printed blank
};

// What COMPUTE function [LABEL text] ... OF column ... ON break asked for.
struct ComputeSetting {
    std::vector<std::string> functions;   // sum avg count min max number, lower case
    std::vector<std::string> labels;      // one per function
    std::vector<std::string> of;          // the computed columns
    std::string on;                       // a break column, or "report"
};

// Settings that scripts written for other Oracle consoles change with `set` beside the
// 27 options (DEFINE, ECHO, FEEDBACK n, SQLBLANKLINES ...). They live only in the running
// program, never in the per-user store, and a script's changes end with it as the
// options' do. Read by the variable substitution, the script reader, the query worker and
// the console's Enter.
struct ScriptSettings {
    bool define = true;            // substitution of script lines (with `scan`)
    char define_prefix = '&';
    char concat = '.';             // ends a variable name and is removed with it; 0: off
    char escape = 0;               // before the prefix keeps it as text; 0: off
    bool echo = false;             // a script's lines are shown as they are read
    bool termout = true;           // off: what a script prints goes to the spool file only
    int feedback_rows = 1;         // a query's row count is shown from this many rows on
    bool sqlblanklines = false;    // an empty line does not end a statement
    bool autotrace_traceonly = false;   // query rows are not shown
    bool autotrace_explain = true;
    bool autotrace_statistics = true;
    int serveroutput_size = 0;     // 0: unlimited or not given
    std::string serveroutput_format;
    std::vector<ColumnSetting> columns;
    std::vector<BreakSetting> breaks;
    std::vector<ComputeSetting> computes;
    std::string titles[4];         // TTITLE BTITLE REPHEADER REPFOOTER, as given (not printed)
    int autocommit = 0;            // commit after this many DML statements and blocks; 0: off
    bool exitcommit = true;        // the end of a session commits (off: rolls back)
    bool markup_csv = false;       // query rows as CSV lines: no padding, underline or breaks
    char csv_delimiter = ',';
    bool csv_quote = true;         // values that are not numbers in double quotes
};

// The table hung on the console; copying it copies every value (scripts keep a copy and
// restore it when they end).
struct OptionTable {
    OptionEntry rows[kOptionCount];
    ScriptSettings script;

    OptionEntry& operator[](Option o) { return rows[static_cast<int>(o)]; }
    const OptionEntry& operator[](Option o) const { return rows[static_cast<int>(o)]; }
    int number(Option o) const { return (*this)[o].number.load(std::memory_order_relaxed); }
    bool on(Option o) const { return number(o) != 0; }
    const std::string& text(Option o) const { return (*this)[o].text; }
};

// The compiled table with its defaults.
const OptionTable& options_defaults();

// Index of the option the word names (case-insensitive unique prefix, or a whole name),
// or -1 when it names none or several.
int option_find(const char* word);

// Sets a string or directory value, cut to max_length - 1 bytes.
void option_set_text(OptionEntry& entry, const char* value);

// `set name value ...` on the text after the word "set".
void option_set_command(ConsoleBuffer* console, const char* text);
// Prints one option (by index) as `set` alone lists it.
void option_show_one(ConsoleBuffer* console, int index);
// Prints every option and the usage line.
void option_show_all(ConsoleBuffer* console);
// Flips an on/off option (toolbar buttons) and saves it to the per-user store.
void option_toggle(ConsoleBuffer* console, int index);
// Makes the `directory` option the process's current directory; a message box on failure.
void option_apply_directory(ConsoleBuffer* console);

// Builds the console's option table from the compiled defaults overlaid by the
// per-user store, and calls each row's hook with the loaded value.
void options_load(ConsoleBuffer* console);

// Splits arguments at blanks and tabs; a quote that starts a word groups up to the next
// same quote (the quotes are dropped). Shared by `set`, script arguments, connect and
// the command line.
std::vector<std::string> split_arguments(const char* text);

// Changes the compiled default of a number or on/off option before the first
// options_load (a front end that lacks a result grid prints query rows by default).
void option_set_default(Option option, int number);

// Installs the hook of one row in the compiled table (the database module installs the
// serveroutput hook at start-up); applies to tables loaded afterwards.
void option_install_hook(Option option, OptionHook hook);

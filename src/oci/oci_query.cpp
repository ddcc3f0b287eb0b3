// Queries: prepare and execute, describe the select list, size the fetch buffers within
// the memory ceiling, fetch batch after batch, print headings and padded cells on the
// console and/or into the spool file, and keep every row in the temporary result file
// (fixed-length records) that the result list and the export read back.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/bind_variables.h"
#include "oci/oci_calls.h"
#include "oci/oci_statements.h"
#include "platform/files.h"
#include "settings/options.h"

std::vector<ResultColumn> result_columns;
std::atomic<int> result_row_count{0};
std::atomic<int> rows_fetched{0};
std::atomic<int> fetch_stop{0};
std::vector<std::pair<std::string, std::string>> result_new_values;

namespace {

constexpr const char* kModule = "oci_query";

int g_batch_rows = 1;
std::vector<char> g_lob_buffer;
std::FILE* g_result_file = nullptr;
std::string g_result_query;

bool is_lob_like(int type) { return type == 112 || type == 113 || type == 114; }

const OptionTable& options_of(const ConsoleBuffer* console) { return *console->options; }

bool feedback_shown(const ConsoleBuffer* console, const char* done_message) {
    return done_message && *done_message && options_of(console).on(Option::Feedback);
}

// LONG, LONG RAW, RAW and LOB columns: their buffers are sized by the `long` option.
bool sized_by_long(int type) {
    return type == 8 || type == 23 || type == 24 || type == 112 || type == 113 || type == 114;
}

// Fetch buffer width of a described column, or 0 with the refusal message printed.
int width_for(int type, int data_size, int long_size, const std::string& name) {
    switch (type) {
    case 1: case 9: case 95: case 96:
        // A NULL literal is described with size 0; its buffer still holds one byte and the NUL.
        return std::max(data_size, 1) + 1;
    case 2: case 3: case 4: case 7: case 11: case 12: case 21: case 22: case 104:
    case 185: case 186: case 187: case 188: case 245: case 246:
    case 100: case 101: case 182: case 183: case 189: case 190: case 231: case 232:
        return 40;
    case 8: case 23: case 24: case 112: case 113: case 114:
        return long_size + 1;
    case 108:
        console_print("\rUnsupported datatype: OBJECT for column %s\n", name.c_str());
        return 0;
    case 110:
        console_print("Unsupported datatype: REF for column %s\n", name.c_str());
        return 0;
    case 122:
        console_print("\rUnsupported datatype: COLLECTION for column %s\n", name.c_str());
        return 0;
    case 247:
        console_print("Unsupported datatype: VARRAY for column %s\n", name.c_str());
        return 0;
    case 248:
        console_print("Unsupported datatype: TABLE for column %s\n", name.c_str());
        return 0;
    default:
        console_print("\rUnknown datatype %d for column %s\n", type, name.c_str());
        return 0;
    }
}

// Per column of the running query: left out of the output (NOPRINT, or AUTOTRACE
// TRACEONLY for all), and the variable that takes its last value.
std::vector<bool> g_hidden;
std::vector<std::string> g_new_value;
std::vector<std::string> g_last_value;
size_t g_first_shown = 0;

bool same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// BREAK and COMPUTE for the running query. A break level is a break column of the result
// in the order BREAK named them, or the whole result (REPORT, column -1); each compute
// on a level sums up the rows of its group for its columns.
struct ComputeTotals {
    long double sum = 0, min = 0, max = 0;
    long rows = 0, values = 0, numbers = 0;
};
struct ComputeRun {
    std::vector<std::string> functions, labels;
    std::vector<size_t> of;                   // result column indexes
    std::vector<ComputeTotals> totals;        // one per column in `of`
};
struct BreakLevel {
    int column = -1;                          // result column index, -1 for REPORT
    int skip = 0;
    bool nodup = true;
    std::vector<ComputeRun> computes;
};
std::vector<BreakLevel> g_levels;
std::vector<std::string> g_cells;             // the row's cell texts while breaks apply
std::vector<std::string> g_previous;          // the row above's
bool g_has_previous = false;

void take_break_settings(const OptionTable& options) {
    g_levels.clear();
    g_has_previous = false;
    const std::vector<BreakSetting>& breaks = options.script.breaks;
    if (breaks.empty() || g_hidden.empty()) return;
    auto column_of = [](const std::string& name) {
        for (size_t i = 0; i < result_columns.size(); ++i)
            if (same_name(name, result_columns[i].name)) return static_cast<int>(i);
        return -2;
    };
    // REPORT comes first: it spans every group of the columns.
    for (const BreakSetting& setting : breaks) {
        if (!same_name(setting.name, "report")) continue;
        BreakLevel level;
        level.skip = setting.skip;
        g_levels.push_back(level);
    }
    for (const BreakSetting& setting : breaks) {
        const int column = column_of(setting.name);
        if (same_name(setting.name, "report") || column < 0) continue;
        BreakLevel level;
        level.column = column;
        level.skip = setting.skip;
        level.nodup = setting.nodup;
        g_levels.push_back(level);
    }
    for (BreakLevel& level : g_levels) {
        for (const ComputeSetting& compute : options.script.computes) {
            const bool on_level = level.column < 0 ? same_name(compute.on, "report")
                                                   : same_name(compute.on, result_columns[static_cast<size_t>(level.column)].name);
            if (!on_level) continue;
            ComputeRun run;
            run.functions = compute.functions;
            run.labels = compute.labels;
            for (const std::string& name : compute.of) {
                const int column = column_of(name);
                if (column >= 0 && !g_hidden[static_cast<size_t>(column)]) run.of.push_back(static_cast<size_t>(column));
            }
            run.totals.assign(run.of.size(), ComputeTotals());
            if (!run.of.empty()) level.computes.push_back(run);
        }
    }
    g_cells.assign(result_columns.size(), std::string());
    g_previous.assign(result_columns.size(), std::string());
}

bool breaks_apply() { return !g_levels.empty(); }

// MARKUP CSV ON: each row a line of values between delimiters, the heading one such line.
bool g_csv = false;
char g_csv_delimiter = ',';
bool g_csv_quote = true;

bool is_numeric_type(int type) {
    return type == 2 || type == 3 || type == 4 || type == 21 || type == 22 || type == 100 || type == 101;
}

// One CSV field: with quoting, a text in double quotes with inner ones doubled; an empty
// value (NULL) stays empty.
void append_csv_field(std::string* line, const char* text, size_t length, bool quote) {
    if (!quote || length == 0) {
        line->append(text, length);
        return;
    }
    *line += '"';
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '"') *line += '"';
        *line += text[i];
    }
    *line += '"';
}

void take_column_settings(const OptionTable& options) {
    g_csv = options.script.markup_csv;
    g_csv_delimiter = options.script.csv_delimiter;
    g_csv_quote = options.script.csv_quote;
    const size_t n = result_columns.size();
    g_hidden.assign(n, options.script.autotrace_traceonly && options.on(Option::Autotrace));
    g_new_value.assign(n, std::string());
    g_last_value.assign(n, std::string());
    result_new_values.clear();
    for (size_t i = 0; i < n; ++i) {
        for (const ColumnSetting& setting : options.script.columns) {
            if (!same_name(setting.name, result_columns[i].name)) continue;
            if (setting.noprint) g_hidden[i] = true;
            g_new_value[i] = setting.new_value;
        }
    }
    g_first_shown = 0;
    while (g_first_shown < n && g_hidden[g_first_shown]) ++g_first_shown;
    take_break_settings(options);
    // CSV lines carry the values alone: no groups, no computes.
    if (g_csv) g_levels.clear();
}

bool any_shown() { return g_first_shown < g_hidden.size(); }

int display_width(const ResultColumn& column) {
    const int cells = column.chars > 0 ? column.chars : column.width - 1;
    return std::max(cells, static_cast<int>(column.name.size()));
}

// Characters of UTF-8 text (bytes that do not continue a character), for padding: a
// column is as wide on the screen whatever its values' bytes.
size_t text_cells(const char* text, size_t length) {
    size_t n = 0;
    for (size_t i = 0; i < length; ++i) n += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return n;
}

}  // namespace

std::string format_row_count(const char* pattern, int count) {
    std::string text;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd') {
            text += std::to_string(count);
            ++p;
        } else if (p[0] == '%' && p[1] == 's') {
            text += count == 1 ? "" : "s";
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

namespace {

void print_headings(ConsoleBuffer* console) {
    const OptionTable& options = options_of(console);
    if (!options.on(Option::Heading) || !any_shown()) return;
    if (g_csv) {
        std::string line;
        for (size_t i = 0; i < result_columns.size(); ++i) {
            if (g_hidden[i]) continue;
            if (i > g_first_shown) line += g_csv_delimiter;
            append_csv_field(&line, result_columns[i].name.data(), result_columns[i].name.size(), g_csv_quote);
        }
        if (options.on(Option::Screen)) {
            console_print("\r%s", line.c_str());
            console_newline();
        } else {
            spool_write("%s\n", line.c_str());
        }
        return;
    }
    std::string names, dashes;
    for (size_t i = 0; i < result_columns.size(); ++i) {
        if (g_hidden[i]) continue;
        const ResultColumn& column = result_columns[i];
        const int width = display_width(column);
        std::string name = column.name;
        name.resize(static_cast<size_t>(width), ' ');
        if (i > g_first_shown) {
            names += ' ';
            dashes += ' ';
        }
        names += name;
        dashes.append(static_cast<size_t>(width), '-');
    }
    if (options.on(Option::Screen)) {
        console->repaint_suppressed.store(1);
        console_print("\r%s", names.c_str());
        console_newline();
        console_print("%s", dashes.c_str());
        console->repaint_suppressed.store(0);
        console_newline();
    } else {
        spool_write("%s\n%s\n", names.c_str(), dashes.c_str());
    }
}

// The row being printed and the records not yet written to the result file. They live
// from row to row so that printing a cell takes no lock, allocation or system call: the
// row goes to the console and the spool in one piece, the records to the result file in
// large blocks.
std::string g_row_text;
std::vector<char> g_records;

// Records are collected up to this size and written to the result file in one piece. The
// file keeps its ordinary stream buffer, which suits the result list's reads of single
// cells at any place.
constexpr size_t kRecordBlockSize = 256 * 1024;

// How often a long output shows its progress while repaints are suppressed.
constexpr std::uint32_t kProgressRepaintMs = 100;

void row_begin(bool screen) {
    g_row_text.clear();
    if (screen) g_row_text += '\r';
}

// Writes the collected records; -1 when that failed (the reason is shown).
int write_records() {
    if (g_records.empty()) return 0;
    const bool written = g_result_file && std::fwrite(g_records.data(), 1, g_records.size(), g_result_file) ==
                                              g_records.size();
    g_records.clear();
    if (written) return 0;
    const std::string reason = platform_last_error_text();
    if (Frontend* front = frontend()) front->error_box(reason.c_str());
    return -1;
}

// Adds one cell: the text left-justified in the column's display width, counted in
// characters (and one blank before every column but the first), and, with listview on, exactly `width` bytes
// of the cell's buffer to the record.
void put_cell(ConsoleBuffer* console, size_t index, const char* text, const char* field) {
    const ResultColumn& column = result_columns[index];
    const size_t width = static_cast<size_t>(display_width(column));
    if (!g_new_value[index].empty()) g_last_value[index] = text;
    // A hidden column is left out of the output; the result file still gets it. Under
    // BREAK the row is put together at its end.
    if (breaks_apply()) {
        g_cells[index] = text;
    } else if (g_csv && !g_hidden[index]) {
        if (index > g_first_shown) g_row_text += g_csv_delimiter;
        append_csv_field(&g_row_text, text, std::strlen(text), g_csv_quote && !is_numeric_type(column.datatype));
    } else if (!g_hidden[index]) {
        if (index > g_first_shown) g_row_text += ' ';
        const size_t length = std::strlen(text);
        const size_t cells = text_cells(text, length);
        g_row_text.append(text, length);
        if (cells < width) g_row_text.append(width - cells, ' ');
    }
    if (options_of(console).on(Option::Listview) && g_result_file)
        g_records.insert(g_records.end(), field, field + column.width);
}

// Ends the row: with `screen` on a console row (and its spool copy), with `screen` off a
// line into the spool file only; a full block of records into the result file. A row of
// hidden columns only leaves no line. -1 when that failed (the reason is shown).
// One line of the output, from the cell texts of the shown columns padded as put_cell pads.
void emit_line(const std::vector<std::string>& cells, bool screen) {
    std::string line = screen ? "\r" : "";
    for (size_t i = 0; i < result_columns.size(); ++i) {
        if (g_hidden[i]) continue;
        if (i > g_first_shown) line += ' ';
        const size_t width = static_cast<size_t>(display_width(result_columns[i]));
        const size_t cells_used = text_cells(cells[i].data(), cells[i].size());
        line += cells[i];
        if (cells_used < width) line.append(width - cells_used, ' ');
    }
    if (screen) {
        console_print_line(line.data(), line.size());
    } else {
        line += '\n';
        spool_write_text(line.data(), line.size());
    }
}

std::string compute_number(long double value) {
    char text[64];
    if (value == static_cast<long double>(static_cast<long long>(value)) && value < 1e15L && value > -1e15L)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    else
        std::snprintf(text, sizeof text, "%.9Lg", value);
    return text;
}

std::string compute_value(const std::string& function, const ComputeTotals& t) {
    if (function == "count") return std::to_string(t.values);
    if (function == "number") return std::to_string(t.rows);
    if (t.numbers == 0) return std::string();
    if (function == "sum") return compute_number(t.sum);
    if (function == "avg") return compute_number(t.sum / static_cast<long double>(t.numbers));
    if (function == "minimum") return compute_number(t.min);
    return compute_number(t.max);
}

// The computes of a level at the end of its group: a line of asterisks under the break
// column and dashes under the computed columns, then a line per function with its label
// and values; the totals start again.
void emit_computes(BreakLevel& level, bool screen) {
    const size_t label_column =
        level.column >= 0 && !g_hidden[static_cast<size_t>(level.column)] ? static_cast<size_t>(level.column)
                                                                            : g_first_shown;
    for (ComputeRun& run : level.computes) {
        std::vector<std::string> cells(result_columns.size());
        cells[label_column].assign(static_cast<size_t>(display_width(result_columns[label_column])), '*');
        for (size_t column : run.of)
            cells[column].assign(static_cast<size_t>(display_width(result_columns[column])), '-');
        emit_line(cells, screen);
        for (size_t f = 0; f < run.functions.size(); ++f) {
            std::vector<std::string> values(result_columns.size());
            values[label_column] = run.labels[f];
            // A value computed for the break column itself takes the label's place.
            for (size_t j = 0; j < run.of.size(); ++j) values[run.of[j]] = compute_value(run.functions[f], run.totals[j]);
            emit_line(values, screen);
        }
        run.totals.assign(run.of.size(), ComputeTotals());
    }
}

// The end of the groups from `first` on (innermost first): their computes, then the
// empty lines they ask for.
void end_groups(size_t first, bool screen) {
    int skip = 0;
    for (size_t k = g_levels.size(); k-- > first;) {
        emit_computes(g_levels[k], screen);
        skip = std::max(skip, g_levels[k].skip);
    }
    for (int i = 0; i < skip; ++i) {
        if (screen)
            console_print_line("\r", 1);
        else
            spool_write_text("\n", 1);
    }
}

void add_to_computes() {
    for (BreakLevel& level : g_levels) {
        for (ComputeRun& run : level.computes) {
            for (size_t j = 0; j < run.of.size(); ++j) {
                ComputeTotals& t = run.totals[j];
                const std::string& text = g_cells[run.of[j]];
                ++t.rows;
                if (text.empty()) continue;
                ++t.values;
                char* end = nullptr;
                const long double value = std::strtold(text.c_str(), &end);
                if (end == text.c_str() || *end) continue;
                t.min = t.numbers == 0 ? value : std::min(t.min, value);
                t.max = t.numbers == 0 ? value : std::max(t.max, value);
                t.sum += value;
                ++t.numbers;
            }
        }
    }
}

// A row under BREAK: a change of a break column ends the groups from its level on; a
// break column's value is blank while it repeats (NODUPLICATES).
void break_row_end(bool screen) {
    size_t changed = g_levels.size();
    if (g_has_previous) {
        for (size_t k = 0; k < g_levels.size(); ++k) {
            const int column = g_levels[k].column;
            if (column >= 0 && g_cells[static_cast<size_t>(column)] != g_previous[static_cast<size_t>(column)]) {
                changed = k;
                break;
            }
        }
        if (changed < g_levels.size()) end_groups(changed, screen);
    } else {
        changed = 0;
    }
    add_to_computes();
    std::vector<std::string> shown = g_cells;
    for (size_t k = 0; k < changed; ++k) {
        const int column = g_levels[k].column;
        if (column >= 0 && g_levels[k].nodup) shown[static_cast<size_t>(column)].clear();
    }
    emit_line(shown, screen);
    g_previous.swap(g_cells);
    g_has_previous = true;
}

int row_end(bool screen) {
    if (breaks_apply()) {
        if (any_shown()) break_row_end(screen);
    } else if (!any_shown()) {
        // nothing to print
    } else if (screen) {
        console_print_line(g_row_text.data(), g_row_text.size());
    } else {
        g_row_text += '\n';
        spool_write_text(g_row_text.data(), g_row_text.size());
    }
    return g_records.size() >= kRecordBlockSize ? write_records() : 0;
}

// Reads the first `long` bytes of a LOB into the LOB buffer and drops the rest; 0, or the
// failure code of fetch_rows.
int read_lob(ResultColumn& column, OCILobLocator* locator) {
    if (column.datatype == 114 &&
        OCI_REPORT(oci().OCILobFileOpen(g_db->service_context, g_db->error_handle, locator, OCI_FILE_READONLY)))
        return -8;
    const ub4 capacity = static_cast<ub4>(g_lob_buffer.size() - 1);
    ub4 amount = 0;
    sword status = oci().OCILobRead(g_db->service_context, g_db->error_handle, locator, &amount, 1,
                                    g_lob_buffer.data(), capacity, nullptr, nullptr, 0, SQLCS_IMPLICIT);
    if (status != OCI_SUCCESS && status != OCI_NEED_DATA && OCI_REPORT(status)) return -9;
    g_lob_buffer[std::min(amount, capacity)] = '\0';
    std::vector<char> rest(g_lob_buffer.size());
    while (status == OCI_NEED_DATA) {
        ub4 piece = 0;
        status = oci().OCILobRead(g_db->service_context, g_db->error_handle, locator, &piece, 1, rest.data(),
                                  capacity, nullptr, nullptr, 0, SQLCS_IMPLICIT);
        if (status != OCI_SUCCESS && status != OCI_NEED_DATA && OCI_REPORT(status)) return -9;
    }
    if (column.datatype == 114 &&
        OCI_REPORT(oci().OCILobFileClose(g_db->service_context, g_db->error_handle, locator)))
        return -10;
    return 0;
}

int describe_and_define(const OptionTable& options) {
    ub4 count = 0;
    if (OCI_REPORT(oci().OCIAttrGet(g_db->current_statement, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT,
                                    g_db->error_handle)))
        return -4;
    result_columns.assign(count, ResultColumn());
    std::vector<ub2> types(count), sizes(count);
    int long_columns = 0;
    for (ub4 i = 0; i < count; ++i) {
        ResultColumn& column = result_columns[i];
        void* param = nullptr;
        OraText* name = nullptr;
        ub4 name_length = 0;
        if (OCI_REPORT(oci().OCIParamGet(g_db->current_statement, OCI_HTYPE_STMT, g_db->error_handle, &param, i + 1)) ||
            OCI_REPORT(oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &types[i], nullptr, OCI_ATTR_DATA_TYPE, g_db->error_handle)) ||
            OCI_REPORT(oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &name_length, OCI_ATTR_NAME, g_db->error_handle)) ||
            OCI_REPORT(oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &sizes[i], nullptr, OCI_ATTR_DATA_SIZE, g_db->error_handle)))
            return -4;
        column.name.assign(reinterpret_cast<const char*>(name), name_length);
        column.datatype = types[i];
        // A column sized in characters (VARCHAR2(n CHAR)) has a byte size of up to four
        // bytes a character; it is shown n characters wide.
        ub1 char_used = 0;
        ub2 char_size = 0;
        if ((types[i] == 1 || types[i] == 96) &&
            oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &char_used, nullptr, OCI_ATTR_CHAR_USED, g_db->error_handle) ==
                OCI_SUCCESS &&
            char_used &&
            oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &char_size, nullptr, OCI_ATTR_CHAR_SIZE, g_db->error_handle) ==
                OCI_SUCCESS)
            column.chars = char_size;
        if (sized_by_long(types[i])) ++long_columns;
    }
    const int arraysize = std::max(1, options.number(Option::Arraysize));
    const long long maxmem = std::max(1, options.number(Option::Maxmem));
    // LONG and LOB values are read up to `long` bytes, but one row of them never takes more
    // than maxmem: the buffers of a huge `long` would otherwise outgrow the machine.
    const int long_option = std::max(1, options.number(Option::Long));
    const int long_size =
        long_columns == 0 ? long_option
                          : static_cast<int>(std::min<long long>(long_option, std::max(1LL, maxmem / long_columns)));
    if (long_size < long_option)
        console_print("\rLONG and LOB values are cut at %d bytes (maxmem %lld)\n", long_size, maxmem);
    long long row_width = 0;
    for (ub4 i = 0; i < count; ++i) {
        ResultColumn& column = result_columns[i];
        column.width = width_for(types[i], sizes[i], long_size, column.name);
        if (column.width == 0) return -5;
        row_width += column.width;
    }
    const long long wanted = static_cast<long long>(arraysize) * row_width;
    g_batch_rows = arraysize;
    if (row_width > 0 && (wanted > 0x7fffffffLL || wanted > maxmem))
        g_batch_rows = static_cast<int>(std::max(1LL, maxmem / row_width));

    for (ub4 i = 0; i < count; ++i) {
        ResultColumn& column = result_columns[i];
        column.indicators.assign(static_cast<size_t>(g_batch_rows), 0);
        if (is_lob_like(column.datatype)) {
            column.locators.assign(static_cast<size_t>(g_batch_rows), nullptr);
            for (OCILobLocator*& locator : column.locators) {
                if (OCI_REPORT(oci().OCIDescriptorAlloc(g_db->env_handle, reinterpret_cast<void**>(&locator),
                                                        OCI_DTYPE_LOB, 0, nullptr)))
                    return -6;
            }
            if (g_lob_buffer.empty()) g_lob_buffer.assign(static_cast<size_t>(long_size) + 1, '\0');
            if (OCI_REPORT(oci_define(g_db->current_statement, i + 1, column.locators.data(),
                                      static_cast<sb4>(sizeof(OCILobLocator*)), static_cast<ub2>(column.datatype),
                                      column.indicators.data())))
                return -4;
        } else {
            column.data.assign(static_cast<size_t>(g_batch_rows) * static_cast<size_t>(column.width), '\0');
            if (OCI_REPORT(oci_define(g_db->current_statement, i + 1, column.data.data(), column.width, SQLT_STR,
                                      column.indicators.data())))
                return -4;
        }
    }
    return 0;
}

}  // namespace

std::FILE* result_file() { return g_result_file; }

const std::string& result_query_text() { return g_result_query; }

int fetch_batch_rows() { return g_batch_rows; }

int result_record_length() {
    int length = 0;
    for (const ResultColumn& column : result_columns) length += column.width;
    return length;
}

int run_query(ConsoleBuffer* console, const char* text, const char* done_message) {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        return -1;
    }
    if (OCI_REPORT(oci().OCIHandleAlloc(g_db->env_handle, reinterpret_cast<void**>(&g_db->current_statement),
                                        OCI_HTYPE_STMT, 0, nullptr))) {
        g_db->current_statement = nullptr;
        return -1;
    }
    g_result_query = text;
    const bool progress = feedback_shown(console, done_message);
    if (progress) console_print_nospool("\rParsing statement...");
    if (OCI_REPORT(oci_prepare(g_db->current_statement, text))) return -2;
    HostBinds binds;
    if (binds.attach(g_db->current_statement, text) != 0) return -2;
    g_db->mark_error_position.store(1);
    if (progress) console_print_nospool("\rExecuting query...");
    const int executed = OCI_REPORT(oci_execute(g_db->current_statement, 0));
    g_db->mark_error_position.store(0);
    if (executed) return -3;
    try {
        const int described = describe_and_define(options_of(console));
        if (described != 0) free_query();
        return described;
    } catch (const std::bad_alloc&) {
        console_print("Can't perform malloc!\n");
        free_query();
        return 1;
    }
}

int run_cursor(ConsoleBuffer* console, OCIStmt* cursor) {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        if (cursor) oci().OCIHandleFree(cursor, OCI_HTYPE_STMT);
        return -1;
    }
    g_db->current_statement = cursor;
    g_result_query.clear();
    try {
        const int described = describe_and_define(options_of(console));
        if (described != 0) free_query();
        return described;
    } catch (const std::bad_alloc&) {
        console_print("Can't perform malloc!\n");
        free_query();
        return 1;
    }
}

int open_result_file(ConsoleBuffer* console) {
    close_result_file();
    if (!options_of(console).on(Option::Listview)) return 0;
    std::string error;
    g_result_file = platform_temp_file_open(&error);
    if (!g_result_file) {
        if (Frontend* front = frontend()) front->error_box(error.c_str());
        console_print("Failed to create tmp file\n");
        return -1;
    }
    return 0;
}

namespace {

int fetch_all(ConsoleBuffer* console, const char* done_message) {
    const OptionTable& options = options_of(console);
    fetch_stop.store(0);
    rows_fetched.store(0);
    if (!g_db->current_statement) return 0;
    std::uint32_t last_repaint = platform_tick_ms();
    while (true) {
        const sword status = oci().OCIStmtFetch(g_db->current_statement, g_db->error_handle,
                                                static_cast<ub4>(g_batch_rows), OCI_FETCH_NEXT, OCI_DEFAULT);
        if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO && status != OCI_NO_DATA &&
            report_oci_status(status, kModule, __LINE__, ReportToConsole, 1406, nullptr))
            return rows_fetched.load();
        ub4 cumulative = 0;
        if (OCI_REPORT(oci().OCIAttrGet(g_db->current_statement, OCI_HTYPE_STMT, &cumulative, nullptr,
                                        OCI_ATTR_ROW_COUNT, g_db->error_handle)))
            return rows_fetched.load();
        const int before = rows_fetched.load();
        const int fresh = static_cast<int>(cumulative) - before;
        if (before == 0 && cumulative != 0) print_headings(console);
        if (fresh != g_batch_rows) fetch_stop.store(1);
        if (feedback_shown(console, done_message))
            console_print_nospool("%s", format_row_count(done_message, before).c_str());
        // The batch's rows are printed with repaints suppressed; a long output shows its
        // progress at most every kProgressRepaintMs.
        const bool screen = options.on(Option::Screen);
        console->repaint_suppressed.store(1);
        for (int r = 0; r < fresh && r < g_batch_rows; ++r) {
            row_begin(screen);
            for (size_t c = 0; c < result_columns.size(); ++c) {
                ResultColumn& column = result_columns[c];
                const bool is_null = column.indicators[static_cast<size_t>(r)] == -1;
                if (is_lob_like(column.datatype)) {
                    if (is_null) {
                        std::fill(g_lob_buffer.begin(), g_lob_buffer.end(), '\0');
                    } else {
                        const int read = read_lob(column, column.locators[static_cast<size_t>(r)]);
                        if (read != 0) {
                            console->repaint_suppressed.store(0);
                            return read;
                        }
                    }
                    put_cell(console, c, g_lob_buffer.data(), g_lob_buffer.data());
                } else {
                    char* slot = column.data.data() + static_cast<size_t>(r) * static_cast<size_t>(column.width);
                    if (is_null) std::memset(slot, 0, static_cast<size_t>(column.width));
                    slot[column.width - 1] = '\0';
                    put_cell(console, c, slot, slot);
                }
            }
            if (row_end(screen) < 0) {
                console->repaint_suppressed.store(0);
                return rows_fetched.load();
            }
        }
        const std::uint32_t now = platform_tick_ms();
        if (now - last_repaint >= kProgressRepaintMs) {
            last_repaint = now;
            console_repaint(console);
        }
        rows_fetched.store(static_cast<int>(cumulative));
        if (fetch_stop.load()) {
            console->repaint_suppressed.store(0);
            console_repaint(console);
            return rows_fetched.load();
        }
    }
}

}  // namespace

int fetch_rows(ConsoleBuffer* console, const char* done_message) {
    take_column_settings(options_of(console));
    const int result = fetch_all(console, done_message);
    if (breaks_apply() && g_has_previous && any_shown()) end_groups(0, options_of(console).on(Option::Screen));
    g_levels.clear();
    if (result > 0) {
        for (size_t i = 0; i < g_new_value.size(); ++i)
            if (!g_new_value[i].empty()) result_new_values.emplace_back(g_new_value[i], g_last_value[i]);
    }
    // The result list and the export read the file once the fetch has ended.
    const int written = write_records();
    if (result >= 0 && written < 0) return rows_fetched.load();
    return result;
}

void free_query() {
    if (g_db && g_db->current_statement) {
        if (session_open.load()) oci().OCIHandleFree(g_db->current_statement, OCI_HTYPE_STMT);
        g_db->current_statement = nullptr;
    }
    for (ResultColumn& column : result_columns) {
        for (OCILobLocator* locator : column.locators)
            if (locator) oci().OCIDescriptorFree(locator, OCI_DTYPE_LOB);
        std::vector<OCILobLocator*>().swap(column.locators);
        std::vector<char>().swap(column.data);
        std::vector<std::int16_t>().swap(column.indicators);
    }
    std::vector<char>().swap(g_lob_buffer);
}

void free_result_columns() { std::vector<ResultColumn>().swap(result_columns); }

void close_result_file() {
    if (g_result_file) std::fclose(g_result_file);
    g_result_file = nullptr;
}

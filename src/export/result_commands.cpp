// The console's commands on the last result: export it to a file through the export
// writers, and copy its rows to the clipboard of the front end.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "export/result_export.h"
#include "frontend/frontend.h"

namespace {

// A word without the statement's trailing ";".
std::string bare(const char* word) {
    std::string text = word;
    if (!text.empty() && text.back() == ';') text.pop_back();
    return text;
}

struct FormatWord {
    const char* word;
    ExportFormat format;
};
const FormatWord kFormatWords[] = {{"csv", ExportFormat::Csv}, {"xml", ExportFormat::Xml}, {"sql", ExportFormat::Sql}};

bool format_of(const std::string& word, ExportFormat* format) {
    for (const FormatWord& f : kFormatWords) {
        if (word_is_one_of(word.c_str(), f.word)) {
            *format = f.format;
            return true;
        }
    }
    return false;
}

const char* rows_word(int rows) { return rows == 1 ? "row" : "rows"; }

// The most text one copy puts on the clipboard: a terminal gets it base64-encoded in one
// escape sequence, and larger ones are dropped by terminals or flood them.
constexpr size_t kClipboardCopyMax = 1024 * 1024;

// Rows in the result file: its size over the record length.
int rows_in(const ExportSource& source) {
    long length = 0;
    for (const ExportColumn& column : source.columns) length += column.width > 0 ? column.width : 0;
    if (!source.file || length <= 0 || std::fseek(source.file, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(source.file);
    return size < 0 ? 0 : static_cast<int>(size / length);
}

}  // namespace

void command_export(const ClientCommandContext& c) {
    ExportFormat format = ExportFormat::Csv;
    const std::string file = c.count == 3 ? bare(c.words[2]) : std::string();
    if (c.count != 3 || !format_of(c.words[1], &format) || file.empty()) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    ExportSource source;
    if (!export_source_of_last_result(format, &source)) {
        console_print("No data to export\n");
        finish(c.console, true, false);
        return;
    }
    const std::string name = export_file_name(file, format);
    std::string error;
    int rows = 0;
    if (export_write(source, format, name, &error, &rows) != 0) {
        console_print("Export to %s failed: %s\n", name.c_str(), error.c_str());
    } else {
        console_print("%d %s exported to %s\n", rows, rows_word(rows), name.c_str());
    }
    finish(c.console, true, false);
}

void command_copy(const ClientCommandContext& c) {
    // copy, copy all: every row; copy n: the first n rows.
    long wanted = -1;
    if (c.count == 2) {
        const std::string word = bare(c.words[1]);
        if (!word_is_one_of(word.c_str(), "all")) {
            char* end = nullptr;
            errno = 0;
            wanted = std::strtol(word.c_str(), &end, 10);
            if (word.empty() || *end != '\0' || errno != 0 || wanted < 1) wanted = 0;
        }
    }
    if (c.count > 2 || wanted == 0) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    ExportSource source;
    const bool have = export_source_of_last_result(ExportFormat::Csv, &source);
    const int available = have ? rows_in(source) : 0;
    if (available <= 0) {
        console_print("No rows to copy\n");
        finish(c.console, true, false);
        return;
    }
    const int count = wanted < 0 || wanted > available ? available : static_cast<int>(wanted);
    std::vector<int> rows;
    for (int i = 0; i < count; ++i) rows.push_back(i);
    const std::string text = export_rows_text(source, rows, true);
    Frontend* front = frontend();
    if (text.size() > kClipboardCopyMax) {
        console_print("Cannot copy %d %s: %zu bytes is more than the clipboard takes here (%zu)\n", count,
                      rows_word(count), text.size(), kClipboardCopyMax);
    } else if (!front || !front->clipboard_set(text)) {
        console_print("Cannot copy: no clipboard takes the rows here (a terminal needs standard output on it)\n");
    } else {
        console_print("%d %s copied to the clipboard\n", count, rows_word(count));
    }
    finish(c.console, true, false);
}

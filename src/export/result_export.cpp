// Result export: CSV, XML and SQL insert files written from the result file's records,
// and the clipboard text of selected rows. Every file goes through a ReplacingFile, so an
// export that fails half-way (a read error, a full disk) leaves no partial file behind
// and an existing file untouched.
#include "export/result_export.h"

#include <cctype>
#include <cstring>

#include "command/history.h"
#include "command/history_file.h"
#include "frontend/frontend.h"
#include "oci/oci_statements.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace {

const char* extension_of(ExportFormat format) {
    switch (format) {
    case ExportFormat::Csv: return ".csv";
    case ExportFormat::Xml: return ".xml";
    case ExportFormat::Sql: return ".sql";
    }
    return "";
}

// Reads the records of a result file from its start, one row at a time.
class RecordReader {
public:
    explicit RecordReader(const ExportSource& source) : source_(source) {
        for (const ExportColumn& c : source.columns) length_ += static_cast<size_t>(c.width > 0 ? c.width : 0);
        record_.resize(length_);
    }

    size_t length() const { return length_; }

    bool seek(long row) {
        return std::fseek(source_.file, row * static_cast<long>(length_), SEEK_SET) == 0;
    }

    // 1 a row was read, 0 the end of the file, -1 a read failure or a cut record.
    int next() {
        if (length_ == 0) return 0;
        const size_t got = std::fread(record_.data(), 1, length_, source_.file);
        if (got == length_) return 1;
        if (got == 0 && !std::ferror(source_.file)) return 0;
        return -1;
    }

    // The value text of column c in the row last read: its bytes up to the first NUL,
    // never beyond the field.
    std::string value(size_t c) const {
        size_t offset = 0;
        for (size_t i = 0; i < c; ++i) offset += static_cast<size_t>(source_.columns[i].width);
        const size_t width = static_cast<size_t>(source_.columns[c].width);
        const char* field = record_.data() + offset;
        const void* nul = std::memchr(field, '\0', width);
        return std::string(field, nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width);
    }

private:
    const ExportSource& source_;
    size_t length_ = 0;
    std::vector<char> record_;
};

std::string doubled(const std::string& value, char quote) {
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        out += c;
        if (c == quote) out += quote;
    }
    return out;
}

std::string xml_escaped(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c; break;
        }
    }
    return out;
}

// A column heading as an XML element name: blanks and every other character a name may
// not hold (parentheses of COUNT(*), quotes, operators) become underscores, and a name
// that cannot start as it is gets an underscore in front, so the file stays well-formed.
std::string xml_element_name(const std::string& heading) {
    std::string name;
    for (char c : heading) {
        const auto u = static_cast<unsigned char>(c);
        const bool allowed = std::isalnum(u) || c == '_' || c == '-' || c == '.' || u >= 0x80;
        name += allowed ? c : '_';
    }
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_' ||
                          static_cast<unsigned char>(name[0]) >= 0x80))
        name.insert(0, "_");
    return name;
}

// A CSV heading as it is, unless it holds a separator, a quote or a line break: then it is
// quoted like a value, so that the header keeps as many fields as the rows below it.
std::string csv_heading(const std::string& name) {
    if (name.find_first_of(";\"\r\n") == std::string::npos) return name;
    return "\"" + doubled(name, '"') + "\"";
}

// A quoted SQL literal kept on one line: line breaks inside the value are written as
// chr(13) and chr(10) joined to the text around them, so that no line of the script is a
// value's own line, and a line holding only "/" inside a value cannot end the statement.
std::string sql_literal(const std::string& value) {
    std::string out;
    std::string part;
    bool first = true;
    auto flush = [&](bool force) {
        if (!part.empty() || force) {
            out += (first ? "'" : "||'") + doubled(part, '\'') + "'";
            first = false;
        }
        part.clear();
    };
    for (char c : value) {
        if (c == '\r' || c == '\n') {
            flush(false);
            out += std::string(first ? "" : "||") + (c == '\r' ? "chr(13)" : "chr(10)");
            first = false;
        } else {
            part += c;
        }
    }
    flush(first);
    return out;
}

bool is_numeric_type(int type) {
    switch (type) {
    case 2: case 3: case 4: case 7: case 21: case 22: case 100: case 101: case 245: case 246:
        return true;
    default:
        return false;
    }
}

// True when the text reads as a number literal of the script (digits, sign, point and
// exponent only), so that it can stand bare in a values list.
bool is_number_literal(const std::string& value) {
    return value.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

// One value of an insert's values list: numbers as they are, dates through to_date with
// the session's format, character, raw and LOB values quoted. Types without a rule of
// their own (timestamps, intervals), and a number column's text that is not a plain number
// literal (an infinity, a line break in a malformed record), are quoted text for Oracle to
// convert, never bare text that could end the statement or an empty position that would
// make it invalid.
std::string sql_value(const std::string& value, int type, const std::string& date_format) {
    if (value.empty()) return "NULL";
    if (is_numeric_type(type) && is_number_literal(value)) return value;
    if (type == 12 && !date_format.empty())
        return "to_date(" + sql_literal(value) + ",'" + doubled(date_format, '\'') + "')";
    return sql_literal(value);
}

bool put(std::FILE* file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

}  // namespace

std::string export_file_name(const std::string& chosen, ExportFormat format) {
    const size_t dot = chosen.rfind('.');
    const size_t folder = chosen.find_last_of("\\/");
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder)) return chosen + extension_of(format);
    return chosen;
}

int export_write(const ExportSource& source, ExportFormat format, const std::string& file_name, std::string* error,
                 int* rows_written) {
    ReplacingFile out(file_name);
    if (!out.get()) {
        *error = platform_last_error_text();
        return -1;
    }
    std::FILE* file = out.get();
    RecordReader reader(source);
    if (!source.file || !reader.seek(0)) {
        *error = "The result rows cannot be read";
        return -1;
    }
    const size_t columns = source.columns.size();
    bool ok = true;
    if (format == ExportFormat::Csv) {
        std::string header;
        for (size_t c = 0; c < columns; ++c) header += (c ? ";" : "") + csv_heading(source.columns[c].name);
        ok = put(file, header + "\r\n");
    } else if (format == ExportFormat::Xml) {
        ok = put(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ROWS>\r\n");
    } else {
        ok = put(file, "set scan off\r\n");
    }
    std::vector<std::string> element(columns);
    for (size_t c = 0; c < columns; ++c) element[c] = xml_element_name(source.columns[c].name);
    std::string names;
    for (size_t c = 0; c < columns; ++c) names += (c ? ",\"" : "\"") + source.columns[c].name + "\"";

    int read = 0;
    int rows = 0;
    while (ok && reader.length() > 0 && (read = reader.next()) == 1) {
        ++rows;
        std::string line;
        switch (format) {
        case ExportFormat::Csv:
            for (size_t c = 0; c < columns; ++c) line += std::string(c ? ";" : "") + "\"" + doubled(reader.value(c), '"') + "\"";
            line += "\r\n";
            break;
        case ExportFormat::Xml:
            line = "  <ROW num=\"" + std::to_string(rows) + "\">\r\n";
            for (size_t c = 0; c < columns; ++c)
                line += "    <" + element[c] + ">" + xml_escaped(reader.value(c)) + "</" + element[c] + ">\r\n";
            line += "  </ROW>\r\n";
            break;
        case ExportFormat::Sql:
            line = "insert into (" + source.statement + ")\r\n(" + names + ")\r\nvalues\r\n(";
            for (size_t c = 0; c < columns; ++c)
                line += (c ? "," : "") + sql_value(reader.value(c), source.columns[c].datatype, source.date_format);
            line += ")\r\n/\r\n";
            break;
        }
        ok = put(file, line);
    }
    if (ok && read < 0) {
        *error = "The result rows cannot be read: the export was not written";
        return -1;
    }
    if (ok && reader.length() > 0) {
        if (format == ExportFormat::Csv) ok = put(file, "\r\n");
        if (format == ExportFormat::Xml) ok = put(file, "</ROWS>\r\n");
    }
    if (!ok || !out.commit()) {
        *error = platform_last_error_text();
        return -1;
    }
    if (rows_written) *rows_written = rows;
    return 0;
}

bool export_source_of_last_result(ExportFormat format, ExportSource* source) {
    std::FILE* file = result_file();
    if (!file) return false;
    *source = ExportSource();
    source->file = file;
    for (const ResultColumn& c : result_columns) source->columns.push_back({c.name, c.width, c.datatype});
    if (format == ExportFormat::Sql) {
        source->statement = result_query_text();
        if (source->statement.empty()) {
            const std::vector<HistoryEntry> entries = history_entries();
            if (!entries.empty()) source->statement = entries.back().text;
        }
        char date_format[100] = {};
        if (query_single_value("select sys_context('userenv','nls_date_format') from dual", date_format,
                               static_cast<int>(sizeof date_format)) == 0)
            source->date_format = date_format;
    }
    return true;
}

int export_result_to(ConsoleBuffer*, ExportFormat format, const std::string& file_name) {
    ExportSource source;
    if (!export_source_of_last_result(format, &source)) {
        error_box("No data to export");
        return -1;
    }
    Frontend* front = frontend();
    if (front) front->set_wait_cursor(true);
    std::string error;
    const int written = export_write(source, format, file_name, &error);
    if (front) front->set_wait_cursor(false);
    if (written != 0) error_box("%s", error.c_str());
    return written;
}

std::string export_rows_text(const ExportSource& source, const std::vector<int>& rows, bool whole_line) {
    std::string text;
    if (!source.file || source.columns.empty()) return text;
    RecordReader reader(source);
    bool first = true;
    for (int row : rows) {
        if (row < 0 || !reader.seek(row) || reader.next() != 1) continue;
        if (!first) text += "\r\n";
        first = false;
        const size_t count = whole_line ? source.columns.size() : 1;
        for (size_t c = 0; c < count; ++c) text += (c ? " " : "") + reader.value(c);
    }
    return text;
}

// The CSV, XML and SQL-insert writers over arbitrary result records and headings: no
// crash, and the files keep their structure: every CSV line after the header has as
// many fields as there are columns, the XML holds no bare markup from a value, and no
// line of the SQL script other than a statement's end is a lone "/".
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/result_export.h"
#include "fuzz_console.h"

namespace {

std::string file_text(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Counts the fields of one CSV line, honouring quotes.
size_t csv_fields(const std::string& line) {
    size_t fields = 1;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ';' && !quoted) ++fields;
    }
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size < 4) return 0;
    // The first bytes choose the columns (count, widths and type codes); the rest is the
    // result file's records, then headings after a 0xff byte.
    const size_t columns = 1 + data[0] % 4;
    if (size < 1 + 2 * columns) return 0;
    static const int types[] = {1, 2, 12, 96, 112, 187, 23, 8};
    ExportSource source;
    size_t record = 0;
    for (size_t c = 0; c < columns; ++c) {
        const int width = 1 + data[1 + 2 * c] % 24;
        source.columns.push_back({"C" + std::to_string(c), width, types[data[2 + 2 * c] % 8]});
        record += static_cast<size_t>(width);
    }
    std::string rest = fuzz_text(data + 1 + 2 * columns, size - 1 - 2 * columns);
    const size_t cut = rest.find('\xff');
    if (cut != std::string::npos) {
        std::string headings = rest.substr(cut + 1);
        rest.resize(cut);
        for (size_t c = 0; c < columns && !headings.empty(); ++c) {
            const size_t end = headings.find('\xfe');
            source.columns[c].name = headings.substr(0, end);
            headings = end == std::string::npos ? std::string() : headings.substr(end + 1);
        }
    }
    rest.resize(rest.size() - rest.size() % record);
    // Headings with line breaks come only from expressions typed over several lines; the
    // slash-line count is checked for the others.
    bool plain_headings = true;
    for (const ExportColumn& c : source.columns)
        if (c.name.find_first_of("\r\n") != std::string::npos) plain_headings = false;
    source.statement = "select * from t";
    source.date_format = "DD-MON-RR";
    source.file = std::tmpfile();
    if (!source.file) return 0;
    std::fwrite(rest.data(), 1, rest.size(), source.file);

    // The writers sync each file they finish: on a memory file system that costs nothing,
    // so a run of millions of inputs is not bound by the disk.
    static const std::string name = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                    "/vantro_export_fuzz_" + std::to_string(getpid());
    for (ExportFormat format : {ExportFormat::Csv, ExportFormat::Xml, ExportFormat::Sql}) {
        std::string error;
        int rows = 0;
        if (export_write(source, format, name, &error, &rows) != 0) continue;
        const std::string text = file_text(name);
        if (format == ExportFormat::Csv) {
            // A quoted field may hold line breaks; split on CR LF outside quotes.
            std::string line;
            bool quoted = false;
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] == '"') quoted = !quoted;
                if (!quoted && text.compare(i, 2, "\r\n") == 0) {
                    if (!line.empty()) FUZZ_CHECK(csv_fields(line) == columns);
                    line.clear();
                    ++i;
                    continue;
                }
                line += text[i];
            }
            FUZZ_CHECK(!quoted);
        } else if (format == ExportFormat::Xml) {
            size_t elements = 0;
            for (size_t pos = 0; (pos = text.find("<ROW num=", pos)) != std::string::npos; ++pos) ++elements;
            FUZZ_CHECK(elements == static_cast<size_t>(rows));
        } else if (plain_headings) {
            // Every "/" line must directly follow a line ending in ")" of a values list.
            size_t slashes = 0;
            size_t pos = 0;
            while ((pos = text.find("\n/\r\n", pos)) != std::string::npos) {
                ++slashes;
                pos += 3;
            }
            FUZZ_CHECK(slashes == static_cast<size_t>(rows));
        }
    }
    std::remove(name.c_str());
    std::fclose(source.file);
    return 0;
}

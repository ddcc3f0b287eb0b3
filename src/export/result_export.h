// Result export: the rows of the last query, as its result file holds them, written as a
// CSV file, an XML file or a script of SQL inserts, and selected rows as clipboard text.
// Runs on the GUI thread after the statement worker has ended. The save dialog and the
// clipboard belong to the front end; this module only chooses names and writes text.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct ConsoleBuffer;

enum class ExportFormat { Csv, Xml, Sql };

// One column of a result file: its heading, its field width (NUL included) and its
// Oracle external data type code.
struct ExportColumn {
    std::string name;
    int width = 0;
    int datatype = 0;
};

// What a writer reads: the fixed-length records of a result file, read from its start.
struct ExportSource {
    std::FILE* file = nullptr;
    std::vector<ExportColumn> columns;
    // SQL inserts only: the statement whose rows these are (the target subquery) and the
    // session's date format (empty: dates are written as quoted text).
    std::string statement;
    std::string date_format;
};

// The file name to write for a name chosen in the save dialog: the format's extension is
// appended when the name has none (no dot, or its last dot belongs to a folder).
std::string export_file_name(const std::string& chosen, ExportFormat format);

// Writes the whole file, or nothing: it replaces an existing file only once complete.
// 0 when written; -1 with *error set (the system's text, or why the rows could not be read).
// rows_written, when given, gets the number of rows in the file.
int export_write(const ExportSource& source, ExportFormat format, const std::string& file_name, std::string* error,
                 int* rows_written = nullptr);

// The last query's rows (the oci result store) as an ExportSource; false when there is no
// result file ("No data to export"). For SQL inserts it asks the session for its date format.
bool export_source_of_last_result(ExportFormat format, ExportSource* source);

// Exports the last result to file_name, reporting problems in message boxes ("No data to
// export", the system's error); the wait cursor shows while it writes. 0 when written.
int export_result_to(ConsoleBuffer* console, ExportFormat format, const std::string& file_name);

// The clipboard text for the given rows of the last result (numbered from 0, in order):
// rows joined by CR LF; with whole_line every value of a row separated by one blank,
// otherwise the first column only. Empty without a result file or rows.
std::string export_rows_text(const ExportSource& source, const std::vector<int>& rows, bool whole_line);

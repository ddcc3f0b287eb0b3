// Reading the query result file for the result list: one field of a row, and the text of
// selected rows as the copy commands put it on the clipboard. No window calls here, so
// that it can be tested without a display; the result list calls these on the GUI thread.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The value text of row `row`, column `column` of a file of fixed-length records whose
// fields have the given widths (each field a NUL-terminated text, empty for NULL): the
// bytes up to the first NUL. False when the field cannot be read (no file, a row or
// column out of range, a short file); the text is then empty.
bool result_field_text(std::FILE* file, const std::vector<int>& widths, long long row, int column, std::string* text);

// The selected rows in the given order: with whole_line all fields of a row separated by
// one blank, otherwise the first field only; rows joined by CR LF, none after the last.
// A row that cannot be read ends the text there.
std::string result_rows_text(std::FILE* file, const std::vector<int>& widths, const std::vector<int>& rows,
                             bool whole_line);

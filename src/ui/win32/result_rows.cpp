// Field reads from the query result file and the text of copied result rows. Must not
// include window headers.
#include "ui/win32/result_rows.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

bool seek_to(std::FILE* file, long long offset) {
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

bool result_field_text(std::FILE* file, const std::vector<int>& widths, long long row, int column, std::string* text) {
    text->clear();
    if (!file || row < 0 || column < 0 || column >= static_cast<int>(widths.size())) return false;
    const long long record = std::accumulate(widths.begin(), widths.end(), 0LL);
    const long long before = std::accumulate(widths.begin(), widths.begin() + column, 0LL);
    const int width = widths[static_cast<size_t>(column)];
    if (width <= 0) return true;
    if (!seek_to(file, row * record + before)) return false;
    std::vector<char> field(static_cast<size_t>(width));
    if (std::fread(field.data(), 1, field.size(), file) != field.size()) return false;
    text->assign(field.data(), strnlen(field.data(), field.size()));
    return true;
}

std::string result_rows_text(std::FILE* file, const std::vector<int>& widths, const std::vector<int>& rows,
                             bool whole_line) {
    std::string text;
    std::string field;
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string line;
        const int columns = whole_line ? static_cast<int>(widths.size()) : std::min<int>(1, static_cast<int>(widths.size()));
        bool read = true;
        for (int c = 0; c < columns && read; ++c) {
            read = result_field_text(file, widths, rows[i], c, &field);
            if (c) line += ' ';
            line += field;
        }
        if (!read) break;
        if (i) text += "\r\n";
        text += line;
    }
    return text;
}

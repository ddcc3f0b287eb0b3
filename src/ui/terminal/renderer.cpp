// The terminal renderer: permanent rows once, the live area redrawn in place with
// cursor-up, clear-to-end-of-screen and a rewrite. Uses only a few ANSI sequences that
// every terminal of the xterm family understands.
#include "ui/terminal/renderer.h"

#include <algorithm>

namespace {

std::string csi(int count, char command) { return "\x1b[" + std::to_string(count) + command; }

int lines_of(int width, int columns) { return width <= 0 ? 1 : (width + columns - 1) / columns; }

// Screen lines of each live row (the caret row one more when the caret stands just past
// an exactly filled line), and the caret's line and column in the live area.
struct Geometry {
    std::vector<int> lines;
    int caret_line = 0;
    int caret_column = 0;
};

Geometry measure(const std::vector<std::string>& live, int caret_row, int caret_display, int columns) {
    Geometry g;
    int height = 0;
    for (size_t i = 0; i < live.size(); ++i) {
        const std::string& row = live[i];
        int lines = lines_of(render_display_width(row, static_cast<int>(row.size())), columns);
        if (static_cast<int>(i) == caret_row) {
            lines = std::max(lines, caret_display / columns + 1);
            g.caret_line = height + caret_display / columns;
            g.caret_column = caret_display % columns;
        }
        g.lines.push_back(lines);
        height += lines;
    }
    return g;
}

// Bytes of the UTF-8 character at i, or 0 when the bytes there are none (a stray
// continuation byte, a cut, overlong or surrogate sequence): such a byte takes one column
// and is shown as "?", as terminals would show a replacement character of their own.
size_t utf8_length_at(const std::string& text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return 1;
    size_t n = 0;
    if (c >= 0xc2 && c <= 0xdf)
        n = 2;
    else if (c >= 0xe0 && c <= 0xef)
        n = 3;
    else if (c >= 0xf0 && c <= 0xf4)
        n = 4;
    else
        return 0;
    if (i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return 0;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if ((c == 0xe0 && second < 0xa0) || (c == 0xed && second > 0x9f) || (c == 0xf0 && second < 0x90) ||
        (c == 0xf4 && second > 0x8f))
        return 0;
    return n;
}

size_t character_end(const std::string& text, size_t i) {
    const size_t n = utf8_length_at(text, i);
    return i + (n ? n : 1);
}

// Byte offset where display column `column` of the text starts (text.size() past its end).
size_t byte_of_column(const std::string& text, int column) {
    size_t i = 0;
    int seen = 0;
    while (i < text.size()) {
        if (seen == column) return i;
        ++seen;
        i = character_end(text, i);
    }
    return text.size();
}

size_t trimmed_length(const std::string& row) {
    const size_t last = row.find_last_not_of(' ');
    return last == std::string::npos ? 0 : last + 1;
}

// The row as the terminal may be given it: control characters (C0, DEL and the C1 range
// as UTF-8) of fetched values or typed input would move the cursor, change colours or
// start an escape sequence, so each is written as one "?". Each stands for one display
// column, as render_display_width counts it, so the layout stays as measured.
std::string terminal_safe(const std::string& row, size_t length) {
    length = std::min(length, row.size());
    std::string out;
    out.reserve(length);
    size_t i = 0;
    while (i < length) {
        const auto c = static_cast<unsigned char>(row[i]);
        const size_t n = utf8_length_at(row, i);
        const bool c1_control = n == 2 && c == 0xc2 && static_cast<unsigned char>(row[i + 1]) <= 0x9f;
        if (i + n > length) {
            out += '?';
            break;
        }
        if (n == 0 || c < 0x20 || c == 0x7f || c1_control) {
            out += '?';
            i += n ? n : 1;
        } else {
            out.append(row, i, n);
            i += n;
        }
    }
    return out;
}

// Keeps the caret of the live area inside the view, with a margin so that typing on does
// not scroll at every character; back to 0 once the caret row fits.
int follow_caret(int live_left, int caret, int row_width, int columns) {
    const int margin = std::min(10, columns / 4);
    if (std::max(row_width, caret + 1) < columns) return 0;
    if (caret - live_left > columns - 2) return caret - (columns - 1) + margin;
    if (live_left > 0 && caret - live_left < 1) return std::max(0, caret - margin);
    return live_left;
}

}  // namespace

int render_row_width(const std::string& row) {
    const int length = static_cast<int>(trimmed_length(row));
    return render_display_width(row, length);
}

std::string render_cut(const std::string& row, int left, int columns) {
    columns = std::max(1, columns);
    left = std::max(0, left);
    const int width = render_row_width(row);
    const bool goes_on = width > left + columns;
    const bool before = left > 0 && width > 0;
    const int shown = goes_on ? columns - 1 : columns;
    const size_t end_of_text = trimmed_length(row);
    std::string out;
    if (shown > 0 && width > left) {
        const size_t from = byte_of_column(row, left);
        const size_t to = std::min(byte_of_column(row, left + shown), end_of_text);
        if (to > from) out.assign(row, from, to - from);
    }
    if (before) {
        // The "<" takes the place of the first character shown.
        if (out.empty()) {
            out = "<";
        } else {
            out.replace(0, byte_of_column(out, 1), "<");
        }
    }
    if (goes_on) {
        if (before && columns == 1) return ">";
        out += '>';
    }
    return terminal_safe(out, out.size());
}

int render_max_left(int widest, int columns) { return widest <= columns ? 0 : widest - columns; }

int render_display_width(const std::string& text, int bytes) {
    const size_t end = static_cast<size_t>(std::clamp(bytes, 0, static_cast<int>(text.size())));
    int width = 0;
    for (size_t i = 0; i < end; i = character_end(text, i)) ++width;
    return width + std::max(0, bytes - static_cast<int>(text.size()));
}

std::string render_frame(const RenderFrame& frame, RenderState* state) {
    const std::vector<std::string>& rows = *frame.rows;
    const int columns = std::max(1, frame.columns);
    const int count = static_cast<int>(rows.size());
    const std::uint64_t first_number = frame.rows_appended + 1 - static_cast<std::uint64_t>(count);
    if (!state->started) {
        state->started = true;
        state->written = first_number;
    }
    std::string out;
    const int live = std::clamp(frame.live_rows, 0, count);
    std::uint64_t live_first = first_number + static_cast<std::uint64_t>(count - live);
    // Rows written for good are never drawn again, even when the live area would reach
    // back over them (an input line restored below the rows of a finished request) ...
    live_first = std::max(live_first, state->written);
    std::uint64_t first_drawn = std::max(state->written, first_number);
    const bool repaint = frame.cut && (frame.repaint || frame.left_column != state->left);
    if (repaint) {
        // ... except by a repaint of cut rows: the rows that fill the screen above the live
        // area are drawn again at the new offset over what it shows, line by line from its
        // top (the scrollback keeps them as they were). Clearing the whole screen instead
        // would make some terminals push it into the scrollback at every move.
        out += "\x1b[H";
        const int live_count = static_cast<int>(first_number + static_cast<std::uint64_t>(count) - live_first);
        const std::uint64_t room = static_cast<std::uint64_t>(std::max(0, frame.lines - live_count));
        const std::uint64_t screen_first = live_first > first_number + room ? live_first - room : first_number;
        first_drawn = std::min(first_drawn, screen_first);
        state->left = frame.left_column;
    } else {
        if (state->cursor_line > 0) out += csi(state->cursor_line, 'A');
        out += "\r\x1b[J";
    }
    // Trailing blanks of written rows are left out: padded columns wider than the terminal
    // would otherwise wrap into lines of nothing but blanks.
    for (std::uint64_t n = first_drawn; n < live_first; ++n) {
        const std::string& row = rows[static_cast<size_t>(n - first_number)];
        if (frame.cut) {
            out += render_cut(row, frame.left_column, columns);
            if (repaint) out += "\x1b[K";
        } else {
            out += terminal_safe(row, trimmed_length(row));
        }
        out += "\r\n";
    }
    if (repaint) out += "\x1b[J";
    state->written = std::max(state->written, live_first);

    state->live.clear();
    for (std::uint64_t n = live_first; n < first_number + static_cast<std::uint64_t>(count); ++n)
        state->live.push_back(rows[static_cast<size_t>(n - first_number)]);
    if (state->live.empty()) {
        state->cursor_line = 0;
        state->caret_live_row = 0;
        state->caret_display_column = 0;
        return out;
    }
    const std::uint64_t caret_number = first_number + static_cast<std::uint64_t>(std::max(frame.caret_row, 1) - 1);
    const int caret_live = caret_number < live_first
                               ? 0
                               : std::min(static_cast<int>(caret_number - live_first),
                                          static_cast<int>(state->live.size()) - 1);
    const std::string& caret_text = state->live[static_cast<size_t>(caret_live)];
    state->caret_live_row = caret_live;
    state->caret_display_column = render_display_width(caret_text, frame.caret_column);
    if (frame.cut) {
        // One screen line per live row, all at the offset that keeps the caret in view.
        state->live_left =
            follow_caret(state->live_left, state->caret_display_column, render_row_width(caret_text), columns);
        for (size_t i = 0; i < state->live.size(); ++i) {
            if (i > 0) out += "\r\n";
            out += render_cut(state->live[i], state->live_left, columns);
        }
        out += '\r';
        const int up = static_cast<int>(state->live.size()) - 1 - caret_live;
        if (up > 0) out += csi(up, 'A');
        const int column = state->caret_display_column - state->live_left;
        if (column > 0) out += csi(column, 'C');
        state->cursor_line = caret_live;
        return out;
    }
    const Geometry g = measure(state->live, caret_live, state->caret_display_column, columns);

    int height = 0;
    for (size_t i = 0; i < state->live.size(); ++i) {
        const std::string& row = state->live[i];
        if (i > 0) out += "\r\n";
        out += terminal_safe(row, row.size());
        const int drawn = lines_of(render_display_width(row, static_cast<int>(row.size())), columns);
        if (g.lines[i] > drawn) out += "\r\n";
        height += g.lines[i];
    }
    out += '\r';
    const int up = height - 1 - g.caret_line;
    if (up > 0) out += csi(up, 'A');
    if (g.caret_column > 0) out += csi(g.caret_column, 'C');
    state->cursor_line = g.caret_line;
    return out;
}

void render_reflow(RenderState* state, int columns) {
    if (state->live.empty()) return;
    state->cursor_line =
        measure(state->live, state->caret_live_row, state->caret_display_column, std::max(1, columns)).caret_line;
}

std::string render_plain(const std::vector<std::string>& rows, std::uint64_t rows_appended, int live_rows,
                         std::uint64_t* written) {
    const int count = static_cast<int>(rows.size());
    const std::uint64_t first_number = rows_appended + 1 - static_cast<std::uint64_t>(count);
    const int live = std::clamp(live_rows, 0, count);
    const std::uint64_t end = first_number + static_cast<std::uint64_t>(count - live);
    std::string out;
    for (std::uint64_t n = std::max(*written, first_number); n < end; ++n) {
        out += rows[static_cast<size_t>(n - first_number)];
        out += '\n';
    }
    *written = std::max(*written, end);
    return out;
}

std::string render_clipboard(const std::string& text) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out = "\x1b]52;c;";
    for (size_t i = 0; i < text.size(); i += 3) {
        const size_t left = std::min<size_t>(3, text.size() - i);
        std::uint32_t block = 0;
        for (size_t k = 0; k < 3; ++k)
            block = (block << 8) | (k < left ? static_cast<unsigned char>(text[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k) out += k <= left ? kDigits[(block >> (18 - 6 * k)) & 0x3f] : '=';
    }
    out += '\x07';
    return out;
}

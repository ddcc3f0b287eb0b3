// Random editing of a multi-line input against a plain model: after every key the input
// text and cursor match the model, and the console's last rows show the input exactly as
// drawn from scratch (prompt or right-aligned line number, a blank, the line).
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_harness.h"

namespace {

std::vector<std::string> drawn(const std::string& text) {
    std::vector<std::string> rows;
    size_t from = 0;
    for (int number = 1;; ++number) {
        const size_t nl = text.find('\n', from);
        char label[16];
        std::snprintf(label, sizeof label, number == 1 ? "SQL> " : "%4d ", number);
        rows.push_back(label + text.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
        if (nl == std::string::npos) break;
        from = nl + 1;
    }
    return rows;
}

class InputModelTest : public ConsoleTest {};

}  // namespace

TEST_F(InputModelTest, RandomEditsKeepInputAndRowsInStep) {
    std::mt19937 random(12345);
    front.type("select x");
    std::string model = "select x";
    int cursor = static_cast<int>(model.size());
    int edits = 0;
    for (int step = 0; step < 3000; ++step) {
        const int action = static_cast<int>(random() % 9);
        // Edits stay behind "select x" so that the input remains an unfinished query,
        // which Enter never runs.
        const bool editable = cursor > 8 || (cursor == 8 && action != 2);
        if (!editable && (action <= 3 || action >= 7)) {
            input_end(console, true);
            cursor = g_input.cursor;
            continue;
        }
        std::string what;
        switch (action) {
        case 0:
        case 1: {
            const char c = "ab ,"[random() % 4];
            what = std::string("type ") + c;
            front.type(std::string(1, c));
            model.insert(static_cast<size_t>(cursor), 1, c);
            cursor += 1;
            break;
        }
        case 2:
            what = "backspace";
            front.type("\b");
            if (cursor > 0) model.erase(static_cast<size_t>(--cursor), 1);
            break;
        case 3:
            what = "delete";
            if (input_delete(console) == 1) console_delete_at_caret(console);
            if (cursor < static_cast<int>(model.size())) model.erase(static_cast<size_t>(cursor), 1);
            break;
        case 4:
            what = "left";
            input_left(console, random() % 2 == 0);
            cursor = g_input.cursor;   // movement itself is checked elsewhere
            break;
        case 5:
            what = "right";
            input_right(console, random() % 2 == 0);
            cursor = g_input.cursor;
            break;
        case 6:
            what = "up/down";
            if (random() % 2) input_up(console); else input_down(console);
            cursor = g_input.cursor;
            break;
        case 7:
        case 8: {
            // Enter inside the input splits the line; at the end it continues the statement.
            // An empty last line would end the statement wherever the cursor is.
            if (model.size() > 400 || model.back() == '\n') continue;
            what = "enter";
            front.type("\n");
            model.insert(static_cast<size_t>(cursor), 1, '\n');
            cursor += 1;
            break;
        }
        }
        edits += 1;
        ASSERT_EQ(g_input.text, model) << "step " << step << ": " << what;
        ASSERT_EQ(g_input.cursor, cursor) << "step " << step << ": " << what;
        const std::vector<std::string> expected = drawn(model);
        const std::vector<std::string> all = rows();
        ASSERT_GE(all.size(), expected.size()) << "step " << step << ": " << what;
        ASSERT_EQ(std::vector<std::string>(all.end() - static_cast<long>(expected.size()), all.end()), expected)
            << "step " << step << ": " << what;
        int newlines = 0;
        for (char c : model) newlines += c == '\n';
        ASSERT_EQ(g_input.line_number, newlines + 1) << "step " << step << ": " << what;
    }
    EXPECT_GT(edits, 2000);
}

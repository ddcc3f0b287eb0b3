// Autocomplete: finds what the word before the cursor may become and inserts the chosen
// entry. Candidates come from the context table (complete_context.cpp), the dictionary
// lookups (oci_hints.cpp) and the current directory.
#include "complete/autocomplete.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>

#include "complete/complete_context.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"

namespace {

enum class Mode { Normal, AtFile, SpoolFile };

struct HintList {
    bool open = false;
    Mode mode = Mode::Normal;
    std::vector<std::string> entries;   // sorted, each once
    int selected = -1;
};

HintList g_hints;

bool starts_with_word(const std::string& text, const char* word) {
    const size_t n = std::char_traits<char>::length(word);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return true;
}

Mode mode_of(const std::string& text) {
    if (!text.empty() && text[0] == '@') return Mode::AtFile;
    if (starts_with_word(text, "spool ") || starts_with_word(text, "start ")) return Mode::SpoolFile;
    return Mode::Normal;
}

void add(std::vector<std::string>* entries, const std::string& entry) {
    const auto at = std::lower_bound(entries->begin(), entries->end(), entry);
    if (at == entries->end() || *at != entry) entries->insert(at, entry);
}

bool lower_starts_with(const std::string& name, const std::string& prefix) {
    if (name.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

void query(const char* sql, const std::string& b1, const char* b2, const char* b3, std::vector<std::string>* out) {
    hints_query(sql, b1.c_str(), b2, b3, [out](const char* name) { add(out, name); });
}

void file_candidates(const std::string& text, int cursor, Mode mode, std::vector<std::string>* out) {
    size_t start = static_cast<size_t>(cursor);
    const size_t floor = mode == Mode::SpoolFile ? 6 : 0;
    while (start > floor && !complete_is_file_delimiter(text[start - 1])) --start;
    const std::string prefix = text.substr(start, static_cast<size_t>(cursor) - start);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
        const std::string name = entry.path().filename().string();
        if (name != "." && name != ".." && lower_starts_with(name, prefix)) add(out, name);
    }
}

// The word just before `word_start` in text, or empty.
std::string word_before(const std::string& text, size_t word_start) {
    size_t end = word_start;
    while (end > 0 && complete_is_word_delimiter(text[end - 1])) --end;
    return complete_word_before(text, static_cast<int>(end));
}

void member_candidates(const std::string& text, const std::string& object_word, size_t object_start,
                       const std::string& prefix, std::vector<std::string>* out) {
    if (object_word.empty()) return;
    std::string owner, object;
    resolve_object(dictionary_name(object_word).c_str(), &owner, &object, false);
    if (owner.empty()) {
        // An alias: the table written just before it among the words in front.
        const std::string before = text.substr(0, object_start);
        size_t at = before.size();
        while (at > 0) {
            const std::string w = complete_word_before(before, static_cast<int>(at));
            const size_t w_start = at - w.size();
            if (!w.empty() && lower_starts_with(w, object_word) && w.size() == object_word.size()) {
                const std::string table = word_before(before, w_start);
                if (!table.empty()) resolve_object(dictionary_name(table).c_str(), &owner, &object, false);
                break;
            }
            at = w_start;
            while (at > 0 && complete_is_word_delimiter(before[at - 1])) --at;
        }
    }
    if (owner.empty()) {
        if (!split_owner_name(object_word, &owner, &object)) {
            query(kSchemaObjectsQuery, prefix, object_word.c_str(), nullptr, out);
            return;
        }
    }
    const std::string type = object_type_of(owner.c_str(), object.c_str(), false);
    if (type == "TABLE" || type == "VIEW") query(kTableColumnsQuery, prefix, owner.c_str(), object.c_str(), out);
    if (type == "PACKAGE") query(kPackageMembersQuery, prefix, owner.c_str(), object.c_str(), out);
}

void show(ConsoleBuffer* console) {
    Frontend* front = frontend();
    if (g_hints.entries.empty()) {
        autocomplete_close(console);
        return;
    }
    if (g_hints.entries.size() == 1) {
        g_hints.selected = 0;
        autocomplete_accept(console);
        return;
    }
    g_hints.open = true;
    g_hints.selected = 0;
    if (front) {
        front->hint_open();
        for (const std::string& e : g_hints.entries) front->hint_add(e.c_str());
        front->hint_select(0);
    }
}

}  // namespace

int autocomplete_start(ConsoleBuffer* console) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (g_hints.open) autocomplete_close(console);
    const std::string text = g_input.text;
    const int cursor = std::clamp(g_input.cursor, 0, static_cast<int>(text.size()));
    std::vector<std::string> entries;
    const Mode mode = mode_of(text);
    Frontend* front = frontend();
    if (mode != Mode::Normal) {
        file_candidates(text, cursor, mode, &entries);
    } else {
        std::string object_word, prefix;
        size_t object_start = 0;
        if (cursor > 0 && complete_member_parts(text, cursor, &object_word, &prefix, &object_start)) {
            if (front) front->set_wait_cursor(true);
            member_candidates(text, object_word, object_start, prefix, &entries);
            if (front) front->set_wait_cursor(false);
        } else {
            const std::string word = complete_word_before(text, cursor);
            if (word.empty()) return 0;
            const int row = complete_context_row(text.substr(0, static_cast<size_t>(cursor) - word.size()));
            if (row < 0) return 0;
            const ContextRow& context = complete_context_table()[static_cast<size_t>(row)];
            if (front) front->set_wait_cursor(true);
            if (const char* sql = complete_query_text(context.query)) query(sql, word, nullptr, nullptr, &entries);
            for (const std::string& k : complete_offered_keywords(context, word)) add(&entries, k);
            if (front) front->set_wait_cursor(false);
        }
    }
    g_hints.mode = mode;
    g_hints.entries = std::move(entries);
    show(console);
    return 1;
}

void autocomplete_refresh(ConsoleBuffer* console) {
    if (!g_hints.open) return;
    if (autocomplete_start(console) == 0) autocomplete_close(console);
}

void autocomplete_accept(ConsoleBuffer* console) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (g_hints.selected < 0 || g_hints.selected >= static_cast<int>(g_hints.entries.size())) return;
    const std::string entry = g_hints.entries[static_cast<size_t>(g_hints.selected)];
    const Mode mode = g_hints.mode;
    auto delimiter = [mode](char c) {
        return mode == Mode::Normal ? complete_is_word_delimiter(c) : complete_is_file_delimiter(c);
    };
    const int floor = mode == Mode::SpoolFile ? 6 : 0;
    while (g_input.cursor > floor && !delimiter(g_input.text[static_cast<size_t>(g_input.cursor - 1)]))
        input_feed(console, "\b");
    const int cursor = g_input.cursor;
    const bool at_end = cursor >= g_input.length();
    const char next = at_end ? '\0' : g_input.text[static_cast<size_t>(cursor)];
    if (mode != Mode::Normal && cursor > 0 && g_input.text[static_cast<size_t>(cursor - 1)] == ':') {
        input_feed(console, "\\%s", entry.c_str());
    } else if (mode == Mode::Normal && (at_end || (next != ' ' && next != '\t' && next != '\n' && next != '\r'))) {
        input_feed(console, "%s ", entry.c_str());
    } else {
        input_feed(console, "%s", entry.c_str());
    }
    autocomplete_close(console);
}

void autocomplete_close(ConsoleBuffer*) {
    const bool was_open = g_hints.open;
    g_hints = HintList();
    if (was_open)
        if (Frontend* front = frontend()) front->hint_close();
}

void autocomplete_move(ConsoleBuffer*, int delta) {
    if (!g_hints.open || g_hints.entries.empty()) return;
    int next = g_hints.selected + delta;
    if (g_hints.selected < 0) next = delta > 0 ? 0 : -1;
    if (next < 0 || next >= static_cast<int>(g_hints.entries.size())) return;
    g_hints.selected = next;
    if (Frontend* front = frontend()) front->hint_select(next);
}

void autocomplete_select(ConsoleBuffer*, int index) {
    if (g_hints.open && index >= 0 && index < static_cast<int>(g_hints.entries.size())) g_hints.selected = index;
}

bool autocomplete_is_open() { return g_hints.open; }

std::vector<std::string> autocomplete_entries() { return g_hints.entries; }

int autocomplete_selected() { return g_hints.selected; }

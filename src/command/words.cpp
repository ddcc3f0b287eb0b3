// Splits a statement into its first words. Separators are blank, tab, newline, carriage
// return, "(" and ")". A single or double quote opens a quoted word that runs to the same
// quote; an unclosed quote yields nothing. Text collected before a quote in the same word
// is dropped, except after "@", so that @"my file.sql" keeps its "@".
#include "command/words.h"

namespace {
bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '(' || c == ')' || c == '\0';
}
}  // namespace

int split_words(char* text, char* words[kMaxWords]) {
    int count = 0;
    char* start = text;
    char quote = 0;
    for (char* p = text;; ++p) {
        const char c = *p;
        if (quote) {
            if (c == '\0') break;
            if (c == quote) {
                *p = '\0';
                words[count++] = start;
                if (count == kMaxWords) break;
                start = p + 1;
                quote = 0;
            }
            continue;
        }
        if (is_separator(c)) {
            if (p > start) {
                *p = '\0';
                words[count++] = start;
                if (count == kMaxWords) break;
            }
            if (c == '\0') break;
            start = p + 1;
            continue;
        }
        if (c == '\'' || c == '"') {
            if (p > start && p[-1] == '@') {
                *p = '\0';
                words[count++] = start;
                if (count == kMaxWords) break;
            }
            quote = c;
            start = p + 1;
        }
    }
    return count;
}

std::vector<std::string> split_name_words(const std::string& text, size_t max_words) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool in_word = false;
    for (char c : text) {
        if (!quoted && is_separator(c)) {
            if (in_word) words.push_back(word);
            if (words.size() >= max_words) return words;
            word.clear();
            in_word = false;
            continue;
        }
        // A doubled quote inside a quoted run closes and reopens it: the run goes on.
        if (c == '"') quoted = !quoted;
        word += c;
        in_word = true;
    }
    if (in_word && words.size() < max_words) words.push_back(word);
    return words;
}

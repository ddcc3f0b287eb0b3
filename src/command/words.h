// Word splitting of statements: up to ten words, quotes group, "(" and ")" separate.
#pragma once

constexpr int kMaxWords = 10;

// Splits text in place (separators become NULs) and stores pointers to at most ten words;
// returns their count.
int split_words(char* text, char* words[kMaxWords]);

#include <cstddef>
#include <string>
#include <vector>

// Splits text into the words of typed object names: blanks, tab, newline, carriage return,
// "(" and ")" separate; a double-quoted run (a doubled quote inside it included) belongs to
// its word with its quotes, so owner."Mixed Name" stays one word that dictionary_name and
// split_owner_name can read. An unclosed quote runs to the end of the text. At most
// max_words words are split off; the rest of the text is not read.
std::vector<std::string> split_name_words(const std::string& text, size_t max_words = static_cast<size_t>(-1));

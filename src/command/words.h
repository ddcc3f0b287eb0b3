// Word splitting of statements: up to ten words, quotes group, "(" and ")" separate.
#pragma once

constexpr int kMaxWords = 10;

// Splits text in place (separators become NULs) and stores pointers to at most ten words;
// returns their count.
int split_words(char* text, char* words[kMaxWords]);

// Quoting for the SQL text the engine writes itself: names in double quotes, texts in
// single quotes with embedded quotes doubled. Defined with the translator's expression half.
#pragma once

#include <cstdint>
#include <string>

std::string quote_name(const std::string& n);
std::string quote_text(const std::string& s);

// SQL that yields exactly a number: an integer as its digits, any other double as an
// integer significand scaled by powers of two. Every step is exact, so the value is the
// double itself, whichever way SQLite would round decimal text. False for NaN and the
// infinities.
bool exact_number_sql(double d, std::int64_t i, bool is_int, std::string* sql);

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

struct NumberStored;
// SQL that yields exactly a number in its stored form: an integer or a double as
// exact_number_sql writes them, NUMBER bytes as a blob literal.
std::string stored_number_sql(const NumberStored& n);
// SQL for a number literal: its value rounded to NUMBER's precision in its stored form;
// a literal beyond NUMBER's range is left to vantro_to_number, which raises ORA-01426
// as the statement runs. False when text is no number.
bool number_literal_sql(const std::string& text, std::string* sql);

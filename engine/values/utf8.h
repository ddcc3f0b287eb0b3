// Text as characters of AL32UTF8, the database character set: the one place that knows
// how UTF-8 is encoded. Text functions count, cut and search in characters through
// these; a byte that does not start a valid sequence counts as one character, so that
// malformed input is never cut inside a sequence nor read past its end.
#pragma once

#include "values/sql_types.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The byte length of the character starting at s[at] (1 to 4; 0 at the end).
std::size_t utf8_char_bytes(const std::string& s, std::size_t at);
std::size_t utf8_char_bytes(const char* s, std::size_t len, std::size_t at);
// The number of characters of s.
std::size_t utf8_length(const std::string& s);
std::size_t utf8_length(const char* s, std::size_t len);
// The byte offset of character number chars (0-based) of s; s.size() when s is shorter.
std::size_t utf8_offset(const std::string& s, std::size_t chars);
// The byte length of the longest prefix of s with at most chars characters.
std::size_t utf8_prefix_bytes(const char* s, std::size_t len, std::size_t chars);
// The longest prefix of s that fits in max_bytes without cutting a character.
std::size_t utf8_fit_bytes(const char* s, std::size_t len, std::size_t max_bytes);
// The code point at s[at] and its byte length in *bytes (a malformed byte is returned
// as itself with length 1).
std::uint32_t utf8_decode(const std::string& s, std::size_t at, std::size_t* bytes);
void utf8_append(std::string* out, std::uint32_t code_point);
// The most bytes a value of t takes: a character type's length in bytes, or four bytes a
// character for CHAR length semantics and national types, within the type's byte limit
// (4000 for VARCHAR2, 2000 for CHAR). Other types give their size.
std::uint32_t utf8_max_bytes(const OraType& t);
// True when s is well-formed UTF-8.
bool utf8_valid(const std::string& s);
// Upper and lower case of a code point (Latin, Greek, Cyrillic; others unchanged).
std::uint32_t utf8_upper(std::uint32_t cp);
std::uint32_t utf8_lower(std::uint32_t cp);
// True for letters and digits, as INITCAP tells words apart.
bool utf8_alnum(std::uint32_t cp);
// The whole of s in upper or lower case.
std::string utf8_upper_text(const std::string& s);
std::string utf8_lower_text(const std::string& s);

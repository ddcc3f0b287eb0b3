// `set` names beside the 27 options that scripts for other Oracle consoles use (DEFINE,
// ECHO, SQLPROMPT, formatting settings accepted without effect ...). Their values live in
// ScriptSettings (options.h) or in the options they stand for.
#pragma once

#include <string>
#include <vector>

struct ConsoleBuffer;

// Whether the word names one of these settings (whole or abbreviated, not below its
// shortest abbreviation).
bool script_setting_known(const std::string& word);
// Applies the value; false (with a usage line printed) when the value was refused.
bool script_setting_apply(ConsoleBuffer* console, const std::string& word, const std::string& value);

// MARKUP takes more than one value word: whether the word names it, and applying it
// from words[i] on. Returns how many words after words[i + 1] it took.
bool is_markup_word(const std::string& word);
size_t script_setting_markup(ConsoleBuffer* console, const std::vector<std::string>& words, size_t i);

// Prints the setting's value as `show` lists options; false for settings it does not list.
bool script_setting_show(ConsoleBuffer* console, const std::string& word);

// The table, for its consistency test.
int script_setting_count();
const char* script_setting_name(int index);
int script_setting_shortest(int index);

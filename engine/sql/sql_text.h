// Quoting for the SQL text the engine writes itself: names in double quotes, texts in
// single quotes with embedded quotes doubled. Defined with the translator's expression half.
#pragma once

#include <string>

std::string quote_name(const std::string& n);
std::string quote_text(const std::string& s);

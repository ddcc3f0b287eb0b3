// Reads an embedded database's catalog file directly, for tests that check what the
// engine keeps there beyond the dictionary views.
#pragma once

#include <string>
#include <vector>

// Rows of `sql` on <home>/databases/<database>/catalog.db, columns joined by '|', NULL
// as <null>. A file that does not open or a query that fails is a test failure.
std::vector<std::string> catalog_file_rows(const std::string& home, const std::string& database,
                                           const std::string& sql);

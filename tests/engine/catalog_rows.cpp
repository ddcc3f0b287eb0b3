// Reads an embedded database's catalog file directly (tests only).
#include "catalog_rows.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

std::vector<std::string> catalog_file_rows(const std::string& home, const std::string& database,
                                           const std::string& sql) {
  std::vector<std::string> out;
  sqlite3* db = nullptr;
  const std::string path = home + "/databases/" + database + "/catalog.db";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "catalog did not open: " << path;
    sqlite3_close(db);
    return out;
  }
  sqlite3_stmt* vm = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) ADD_FAILURE() << sqlite3_errmsg(db);
  while (vm && sqlite3_step(vm) == SQLITE_ROW) {
    std::string row;
    for (int c = 0; c < sqlite3_column_count(vm); ++c) {
      const unsigned char* t = sqlite3_column_text(vm, c);
      row += (c ? "|" : "") + std::string(t ? reinterpret_cast<const char*>(t) : "<null>");
    }
    out.push_back(row);
  }
  sqlite3_finalize(vm);
  sqlite3_close(db);
  return out;
}

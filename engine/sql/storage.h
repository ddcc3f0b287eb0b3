// Physical attributes Oracle's DDL may carry and SQLite has no use for: TABLESPACE,
// PCTFREE, PCTUSED, INITRANS, MAXTRANS, STORAGE (...), LOGGING, COMPUTE STATISTICS, and
// the index kinds BITMAP and REVERSE. They are accepted, blanked out of the statement
// before it is translated (offsets stay those of the text as typed) and recorded for the
// dictionary views, which show Oracle's defaults where none were given.
#pragma once

#include <string>
#include <vector>

// For CREATE TABLE and CREATE INDEX statements: blanks the clauses above in *text and
// appends to sql the catalog statements recording them for the object (owner defaults
// to schema). Other statements are left alone.
void storage_clauses(std::string* text, const std::string& schema, std::vector<std::string>* sql);

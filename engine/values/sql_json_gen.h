// Oracle's SQL/JSON generation functions over SQLite: JSON_OBJECT, JSON_ARRAY and the
// aggregates JSON_OBJECTAGG and JSON_ARRAYAGG, writing compact JSON text as Oracle does.
#pragma once

#include <sqlite3.h>

#include <string>

// How a value argument is written: as a JSON string, as a JSON number (from Oracle's
// number text), as JSON text inserted as it is, or as a date or timestamp in its stored
// form ("YYYY-MM-DD HH:MM:SS[.f]") written as an ISO string ("YYYY-MM-DDTHH:MM:SS[.f]").
enum class JsonGenKind { Text = 0, Number = 1, Json = 2, DateTime = 3 };

// The flags argument of every generation function.
constexpr int kJsonGenAbsentOnNull = 1;  // leave out members and elements whose value is NULL
constexpr int kJsonGenUniqueKeys = 2;    // WITH UNIQUE KEYS: a repeated key is ORA-40473
constexpr int kJsonGenStrict = 4;        // STRICT: FORMAT JSON input must be strict JSON (ORA-40441)

// The JSON text of number text as Oracle's number text writes it (".5" becomes "0.5").
std::string json_number_text(const std::string& oracle_text);
// s as a JSON string, quotes included.
std::string json_quote(const std::string& s);
// True when text is one JSON value in strict syntax (double-quoted names and strings).
bool json_strict_valid(const std::string& text);

// Registers vantro_json_object(flags, size, key, kind, value, ...), vantro_json_array(flags,
// size, kind, value, ...), vantro_json_objectagg(flags, size, key, kind, value) and
// vantro_json_arrayagg(flags, size, kind, value [, order flags, order key] ...). size is
// the VARCHAR2 limit in bytes (ORA-40478 past it), 0 for a CLOB. False when SQLite
// refuses one.
bool json_generation_register(sqlite3* db);

// Oracle's SQL/JSON conditions and functions over JSON text: IS JSON, JSON_EXISTS,
// JSON_VALUE and JSON_QUERY. Documents come as VARCHAR2, CLOB or BLOB (UTF-8 bytes);
// paths use Oracle's lax path language ($, .name, ."name", .*, [n], [n to m], [last], [*]).
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <string>

// What JSON_VALUE and JSON_QUERY do on an error or on an empty result.
enum class JsonOnError { Null = 0, Error = 1, Default = 2, EmptyArray = 3, EmptyObject = 4 };
// JSON_VALUE's RETURNING type.
enum class JsonReturning { Text = 0, Number = 1 };
// JSON_QUERY's wrapper.
enum class JsonWrapper { Without = 0, Unconditional = 1, Conditional = 2 };

// True when text is a path expression Oracle accepts (ORA-40442 otherwise).
bool json_path_valid(const std::string& text);
// The most columns one JSON_TABLE has (Oracle's limit for a table).
constexpr std::size_t kJsonTableColumns = 1000;
// Registers vantro_is_json, vantro_json_exists, vantro_json_value, vantro_json_query and
// the table-valued function vantro_json_table(doc, layout) behind JSON_TABLE; false when
// SQLite refuses one. layout is JSON: {"p": row path, "e": 0 NULL or 1 ERROR ON ERROR,
// "c": columns}; a column is {"k": 0 ordinality, 1 value, 2 FORMAT JSON, 3 EXISTS,
// 4 nested, "p": path} with, for a nested one, "c": its columns, for the others "t"
// (0 VARCHAR2, 1 NUMBER, 2 DATE), "n" size, "u" 1 for CHAR semantics, "r" precision, "s"
// scale, "w" wrapper, "e" ON ERROR, "m" ON EMPTY (JsonOnError), "d" and "f" their DEFAULT
// texts or null. A row's values come in columns c0, c1 ... in the order the non-nested
// columns are written, a nested clause's in its place.
bool json_functions_register(sqlite3* db);

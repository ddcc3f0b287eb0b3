// Oracle's SQL/JSON conditions and functions over JSON text: IS JSON, JSON_EXISTS,
// JSON_VALUE and JSON_QUERY. Documents come as VARCHAR2, CLOB or BLOB (UTF-8 bytes);
// paths use Oracle's lax path language ($, .name, ."name", .*, [n], [n to m], [last], [*]).
#pragma once

#include <sqlite3.h>

#include <string>

// What JSON_VALUE and JSON_QUERY do on an error or on an empty result.
enum class JsonOnError { Null = 0, Error = 1, Default = 2, EmptyArray = 3, EmptyObject = 4 };
// JSON_VALUE's RETURNING type.
enum class JsonReturning { Text = 0, Number = 1 };
// JSON_QUERY's wrapper.
enum class JsonWrapper { Without = 0, Unconditional = 1, Conditional = 2 };

// True when text is a path expression Oracle accepts (ORA-40442 otherwise).
bool json_path_valid(const std::string& text);
// Registers vantro_is_json, vantro_json_exists, vantro_json_value and vantro_json_query;
// false when SQLite refuses one.
bool json_functions_register(sqlite3* db);

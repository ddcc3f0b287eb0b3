// Oracle error numbers and texts, and the mapping of SQLite failures onto them. Knows
// nothing about handles: the OCI surface stores what these functions return.
#pragma once

#include "values/sql_types.h"

#include <string>

// The classic message for an Oracle error number; "%s" parts are filled from args in
// order. Unknown numbers get a generic text.
std::string ora_message(int code, const std::string& arg1 = {}, const std::string& arg2 = {});
OraError ora_error(int code, const std::string& arg1 = {}, const std::string& arg2 = {});
// "ORA-00942: table or view does not exist\n"
std::string ora_format(int code, const std::string& message);
// Turns a SQLite failure (its extended result code and message) into an Oracle error.
// Messages that already carry "ORA-nnnnn: " (raised by the engine's SQL functions) keep
// their number and text.
OraError ora_from_sqlite(int sqlite_code, const std::string& sqlite_message);

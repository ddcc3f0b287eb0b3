// Oracle error numbers and texts, and the mapping of SQLite failures onto them. Knows
// nothing about handles: the OCI surface stores what these functions return.
#pragma once

#include "values/sql_types.h"

#include <string>

// The classic message for an Oracle error number; "%s" parts are filled from args in
// order. Unknown numbers get a generic text.
std::string ora_message(int code, const std::string& arg1 = {}, const std::string& arg2 = {},
                        const std::string& arg3 = {}, const std::string& arg4 = {});
OraError ora_error(int code, const std::string& arg1 = {}, const std::string& arg2 = {}, const std::string& arg3 = {});
// One line of an error stack, without a newline: "ORA-06512: at line 3".
std::string ora_line(int code, const std::string& arg1 = {}, const std::string& arg2 = {},
                     const std::string& arg3 = {});
// The PL/SQL compiler's messages, from their own table: pls_message gives
// "PLS-00201: identifier 'X' must be declared", pls_body the text after "PLS-00201: ".
std::string pls_message(int code, const std::string& arg1 = {}, const std::string& arg2 = {});
std::string pls_body(int code, const std::string& arg1 = {}, const std::string& arg2 = {});
// What PL/SQL's SQLERRM(code) gives: the message of error -code with its "%s" parts
// empty, "ORA-0000: normal, successful completion" for 0, ORA-01403's for 100,
// "User-Defined Exception" for 1 and "-n: non-ORACLE exception" for other positive n.
std::string ora_sqlerrm(long long code);
// "ORA-00942: table or view does not exist\n"
std::string ora_format(int code, const std::string& message);
// Turns a SQLite failure (its extended result code and message) into an Oracle error.
// Messages that already carry "ORA-nnnnn: " (raised by the engine's SQL functions) keep
// their number and text.
OraError ora_from_sqlite(int sqlite_code, const std::string& sqlite_message);

// Helpers shared by the DDL of stored units and triggers (plsql_units.cpp,
// plsql_triggers.cpp): a keyword test on the statement's tokens and the error a failed
// catalog write reports.
#pragma once

#include "oci/engine.h"
#include "sql/sql_lexer.h"
#include "values/errors.h"

#include <cstddef>
#include <string>
#include <vector>

namespace stored_unit_ddl {

// True when t[k] is the unquoted word w (the lexer gives words in upper case).
inline bool word(const std::vector<Token>& t, std::size_t k, const char* w) {
    return k < t.size() && t[k].kind == TokenKind::Word && t[k].text == w;
}

// ORA-00604: the catalog could not be read or written.
inline sword storage_failure(OCIError* errhp) {
    return error_set(errhp, 604, ora_message(604));
}

}  // namespace stored_unit_ddl

// The DDL of objects SQLite lacks or keeps differently, recorded in the catalog: COMMENT
// ON TABLE/COLUMN, CREATE [OR REPLACE] [PUBLIC] SYNONYM and DROP [PUBLIC] SYNONYM,
// CREATE/ALTER/DROP SEQUENCE, CREATE [OR REPLACE] VIEW (text kept as typed) and DROP
// VIEW; and the sequences' NEXTVAL and CURRVAL. This module checks a statement and
// writes the catalog statements that carry it out; the OCI layer runs them as DDL (commit
// before, one transaction). It does not translate queries.
#pragma once

#include "values/sql_functions.h"
#include "sql/sql_lexer.h"
#include "sql/sql_translate.h"
#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// CompiledWithErrors: done, and the object was created with errors (a FORCE view whose
// query cannot be compiled yet), which the caller reports as a warning.
enum class DdlResult { NotMine, Done, Failed, CompiledWithErrors };

// Parses and checks the statements above (tokens: text's). Done: *sql holds the catalog
// statements to run (also with CompiledWithErrors). Failed: err holds the Oracle error (with the offset of the
// offending token). NotMine: an ALTER TABLE this module does not keep.
// The unit that holds the PL/SQL a view's WITH clause declares: this prefix and the view's
// name, in the view's schema; it is compiled from the view's text when it is called.
inline const char* const kViewUnitPrefix = "VANTRO$VIEW$";
// What the WITH clause hook gets as its data for a view's query (the unit it is given
// starts with kViewUnitPrefix): the statement's own data, and the text and tokens of the
// CREATE VIEW (the one typed, or the one the catalog builds to compile a view again).
struct ViewDeclarationSource {
    void* statement_data;
    const std::string* text;
    const std::vector<Token>* tokens;
    const std::string* owner;  // the view's: its names are its owner's
};

DdlResult dictionary_ddl(const std::string& text, const std::vector<Token>& tokens, const TranslateContext& ctx,
                         sqlite3* db, std::vector<std::string>* sql, OraError* err);
// Compiles again each invalid view the tokens name (first the invalid views its query reads),
// as its next use does in Oracle, inside the open transaction or one of its own: true when
// one of them is valid now, so that the statement may be translated again.
bool dictionary_compile_used_views(const std::vector<Token>& tokens, const TranslateContext& ctx, sqlite3* db);
// True when owner.name is a sequence.
bool dictionary_sequence_exists(sqlite3* db, const std::string& owner, const std::string& name);
// Resolves a synonym visible to schema: the schema's own first, then a public one. False
// when there is none.
bool dictionary_synonym_target(sqlite3* db, const std::string& schema, const std::string& name, std::string* owner,
                               std::string* target);
// Registers vantro_sequence(owner, name, next): NEXTVAL (next = 1) and CURRVAL (0).
bool dictionary_sequence_register(sqlite3* db, SessionSettings* settings);

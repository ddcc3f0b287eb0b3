// The translator: checks a parsed Oracle statement against the catalog (names, types)
// and writes the SQLite statement that does the same work, with the Oracle types of
// its result columns. It never runs SQL; the catalog answers its questions.
#pragma once

#include "values/sql_types.h"

#include <map>
#include <string>
#include <vector>

struct Statement;
struct Token;

struct TranslateContext {
    std::string schema;           // the current schema (session user)
    std::string nls_date_format;  // to size date-to-text conversions
    CatalogView* catalog = nullptr;
    // The Oracle types of named binds (PL/SQL variables); others are VARCHAR2(4000).
    const std::map<std::string, OraType>* bind_types = nullptr;
    // Stored PL/SQL functions: true with the return type when owner.name is one.
    bool (*stored_function)(void* data, const std::string& owner, const std::string& name, OraType* ret) = nullptr;
    void* stored_function_data = nullptr;
};

// Tokenizes, parses and translates text. False with err (offset into text) when the
// statement is invalid or unsupported.
bool sql_translate(const std::string& text, const TranslateContext& ctx, Translation* out, OraError* err);
// Translates a statement the front door has parsed (s of text's tokens); the translator
// may rewrite s as it goes.
bool sql_translate_parsed(const std::string& text, Statement& s, const TranslateContext& ctx, Translation* out,
                          OraError* err);
// The OCI statement type of text from its first word (OCI_ATTR_STMT_TYPE), 0 when unknown.
int sql_statement_type(const std::string& text);
int sql_statement_type(const std::vector<Token>& tokens);

// The Oracle SQL tokenizer: splits a statement into identifiers (unquoted ones folded to
// upper case), quoted identifiers, string and number literals, bind placeholders and
// operators, each with its byte offset in the text as typed. It only classifies
// characters; it knows no grammar.
#pragma once

#include "values/sql_types.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TokenKind { Word, QuotedWord, String, Number, Bind, Operator, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;          // Word: upper case; QuotedWord: as quoted; String: the value;
                               // Number: as typed; Bind: the name after ':' (upper case);
                               // Operator: the operator ("||", "<=", "(", ...)
    std::uint32_t offset = 0;  // byte offset of the token's first character
    std::uint32_t end = 0;     // byte offset just past the token
    bool with_plsql = false;   // the first token, followed by the hint /*+ WITH_PLSQL */
};

// Tokenizes text; false with err set (ORA-00911, ORA-01756, ORA-01741) on bad input.
// The token list always ends with an End token whose offset is the text's length.
bool sql_tokenize(const std::string& text, std::vector<Token>* tokens, OraError* err);

// The tokenizer of Oracle SQL. Comments (-- and /* */) and blanks separate tokens and
// are dropped.
#include "sql/sql_lexer.h"

#include "values/errors.h"

#include <cctype>
#include <cstring>

namespace {

bool is_word_start(unsigned char c) {
    return std::isalpha(c) || c >= 0x80;
}
bool is_word_char(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80;
}

std::string upper(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

// The longest name Oracle accepts, in bytes, quoted or not.
constexpr std::size_t kMaxIdentifierBytes = 128;

OraError error_at(int code, std::size_t offset) {
    OraError e = ora_error(code);
    e.offset = static_cast<std::uint32_t>(offset);
    return e;
}

}  // namespace

bool sql_tokenize(const std::string& text, std::vector<Token>* tokens, OraError* err) {
    tokens->clear();
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto push = [&](TokenKind kind, std::string t, std::size_t start, std::size_t end) {
        Token tok;
        tok.kind = kind;
        tok.text = std::move(t);
        tok.offset = static_cast<std::uint32_t>(start);
        tok.end = static_cast<std::uint32_t>(end);
        tokens->push_back(std::move(tok));
    };
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            while (i < n && text[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            std::size_t close = text.find("*/", i + 2);
            // A hint after the statement's first keyword: WITH_PLSQL lets its subqueries
            // declare PL/SQL.
            if (tokens->size() == 1 && i + 2 < n && text[i + 2] == '+') {
                std::string hint = text.substr(i + 3, close == std::string::npos ? n : close - i - 3);
                for (char& h : hint) h = static_cast<char>(std::toupper(static_cast<unsigned char>(h)));
                auto word_char = [&](std::size_t k) {
                    unsigned char h = static_cast<unsigned char>(hint[k]);
                    return std::isalnum(h) || h == '_' || h == '$' || h == '#';
                };
                const std::string kHint = "WITH_PLSQL";
                for (std::size_t at = hint.find(kHint); at != std::string::npos; at = hint.find(kHint, at + 1))
                    if ((at == 0 || !word_char(at - 1)) &&
                        (at + kHint.size() >= hint.size() || !word_char(at + kHint.size())))
                        tokens->front().with_plsql = true;
            }
            i = close == std::string::npos ? n : close + 2;
            continue;
        }
        std::size_t start = i;
        // The alternative quoting q'<d>...<d>' (also nq'...'): the text between the
        // delimiters is the value as written, quotes included; [ ( { < close with their pair.
        const std::size_t q = (c == 'N' || c == 'n') ? i + 1 : i;
        if (q + 2 < n && (text[q] == 'q' || text[q] == 'Q') && text[q + 1] == '\'') {
            const char open = text[q + 2];
            if (open == ' ' || open == '\t' || open == '\n' || open == '\r') {
                *err = error_at(911, q + 2);
                return false;
            }
            const char close = open == '[' ? ']' : open == '(' ? ')' : open == '{' ? '}' : open == '<' ? '>' : open;
            const std::size_t body = q + 3;
            std::size_t end = body;
            while (end + 1 < n && !(text[end] == close && text[end + 1] == '\'')) ++end;
            if (end + 1 >= n) {
                *err = error_at(1756, start);
                return false;
            }
            i = end + 2;
            push(TokenKind::String, text.substr(body, end - body), start, i);
            continue;
        }
        if ((c == 'N' || c == 'n') && i + 1 < n && text[i + 1] == '\'') {
            ++i;
            c = '\'';
        }
        if (c == '\'') {
            std::string value;
            ++i;
            for (;;) {
                if (i >= n) {
                    *err = error_at(1756, start);
                    return false;
                }
                if (text[i] == '\'') {
                    if (i + 1 < n && text[i + 1] == '\'') {
                        value += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            push(TokenKind::String, value, start, i);
            continue;
        }
        if (is_word_start(c)) {
            while (i < n && is_word_char(static_cast<unsigned char>(text[i]))) ++i;
            if (i - start > kMaxIdentifierBytes) {
                *err = error_at(972, start);
                return false;
            }
            push(TokenKind::Word, upper(text.substr(start, i - start)), start, i);
            continue;
        }
        if (c == '"') {
            std::size_t close = text.find('"', i + 1);
            if (close == std::string::npos) {
                *err = error_at(1740, start);
                return false;
            }
            if (close == i + 1) {
                *err = error_at(1741, start);
                return false;
            }
            if (close - i - 1 > kMaxIdentifierBytes) {
                *err = error_at(972, start);
                return false;
            }
            push(TokenKind::QuotedWord, text.substr(i + 1, close - i - 1), start, close + 1);
            i = close + 1;
            continue;
        }
        if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
            if (i < n && text[i] == '.' && !(i + 1 < n && text[i + 1] == '.')) {
                ++i;
                while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
            }
            if (i < n && (text[i] == 'e' || text[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
                if (j < n && std::isdigit(static_cast<unsigned char>(text[j]))) {
                    i = j;
                    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
                }
            }
            // A BINARY_FLOAT (f, F) or BINARY_DOUBLE (d, D) literal keeps its suffix.
            if (i < n && std::strchr("fFdD", text[i]) && text[i] != 0) {
                const unsigned char after = i + 1 < n ? static_cast<unsigned char>(text[i + 1]) : ' ';
                if (!(std::isalnum(after) || after == '_' || after == '$' || after == '#' || after >= 0x80)) ++i;
            }
            push(TokenKind::Number, text.substr(start, i - start), start, i);
            continue;
        }
        if (c == ':') {
            std::size_t j = i + 1;
            if (j < n && text[j] == '"') {
                std::size_t close = text.find('"', j + 1);
                if (close == std::string::npos || close == j + 1) {
                    *err = error_at(1745, start);
                    return false;
                }
                push(TokenKind::Bind, text.substr(j + 1, close - j - 1), start, close + 1);
                i = close + 1;
                continue;
            }
            while (j < n && is_word_char(static_cast<unsigned char>(text[j]))) ++j;
            if (j > i + 1) {
                push(TokenKind::Bind, upper(text.substr(i + 1, j - i - 1)), start, j);
                i = j;
                continue;
            }
        }
        static const char* const kTwo[] = {"||", "<=", ">=", "<>", "!=", "^=", ":="};
        bool matched = false;
        for (const char* op : kTwo) {
            if (i + 1 < n && text[i] == op[0] && text[i + 1] == op[1]) {
                push(TokenKind::Operator, op, start, i + 2);
                i += 2;
                matched = true;
                break;
            }
        }
        if (matched) continue;
        static const char kOne[] = "(),.+-*/=<>;@%:";  // ":" alone separates JSON_OBJECT's key and value
        bool one = false;
        for (const char* p = kOne; *p; ++p) one = one || *p == static_cast<char>(c);
        // A row pattern's operators ({n,m}, |, ?, ^ and $) are tokens only after
        // MATCH_RECOGNIZE, so that the parser can refuse the clause at its keyword;
        // elsewhere they stay invalid characters.
        if (!one && std::strchr("{}|?^$", static_cast<char>(c)) && c != 0) {
            for (const Token& k : *tokens)
                one = one || (k.kind == TokenKind::Word && k.text == "MATCH_RECOGNIZE");
        }
        if (!one) {
            *err = error_at(911, start);
            return false;
        }
        push(TokenKind::Operator, std::string(1, static_cast<char>(c)), start, i + 1);
        ++i;
    }
    push(TokenKind::End, "", n, n);
    return true;
}

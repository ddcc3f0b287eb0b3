// A read position over a statement's tokens: the one cursor every parser of the engine
// walks with. The token list ends with an End token, and reading past it keeps
// answering that End token, so look-ahead never leaves the list.
#pragma once

#include "sql/sql_lexer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TokenCursor {
public:
    explicit TokenCursor(const std::vector<Token>& tokens, std::size_t pos = 0) : t_(tokens), p_(pos) {}

    const Token& cur() const { return at(p_); }
    const Token& peek(std::size_t k = 1) const { return at(p_ + k); }
    std::size_t pos() const { return p_; }
    void seek(std::size_t pos) { p_ = pos; }
    void next() { ++p_; }
    bool at_end() const { return cur().kind == TokenKind::End; }
    bool is_word(const char* w) const { return word_at(0, w); }
    bool is_op(const char* o) const { return op_at(0, o); }
    // The token k places ahead is the word (operator) given.
    bool word_at(std::size_t k, const char* w) const {
        const Token& t = peek(k);
        return t.kind == TokenKind::Word && t.text == w;
    }
    bool op_at(std::size_t k, const char* o) const {
        const Token& t = peek(k);
        return t.kind == TokenKind::Operator && t.text == o;
    }
    bool accept_word(const char* w) {
        if (!is_word(w)) return false;
        ++p_;
        return true;
    }
    bool accept_op(const char* o) {
        if (!is_op(o)) return false;
        ++p_;
        return true;
    }
    // Just past the last token consumed (0 before the first).
    std::uint32_t prev_end() const { return p_ > 0 && !t_.empty() ? at(p_ - 1).end : 0; }

protected:
    const std::vector<Token>& t_;
    std::size_t p_ = 0;

private:
    const Token& at(std::size_t i) const {
        static const Token kEnd;
        if (t_.empty()) return kEnd;
        return t_[i < t_.size() ? i : t_.size() - 1];
    }
};

// Storage clauses of CREATE TABLE and CREATE INDEX. The clauses are recognised token by
// token after the column list; the first token that is not part of one ends the scan and
// is left for the translator to judge, so nothing unknown is silently dropped.
#include "sql/storage.h"

#include "sql/sql_lexer.h"
#include "sql/sql_text.h"

#include <cstdlib>

namespace {

struct Storage {
    std::string tablespace, buffer_pool, logging, index_type = "NORMAL";
    long long pct_free = -1, pct_used = -1, ini_trans = -1, max_trans = -1, initial = -1, next = -1, min_extents = -1,
              max_extents = -1, pct_increase = -1, freelists = -1, freelist_groups = -1;
    bool reverse = false;
};

std::string value(long long v) {
    return v < 0 ? std::string("NULL") : std::to_string(v);
}
std::string value(const std::string& v) {
    return v.empty() ? std::string("NULL") : quote_text(v);
}

class Scanner {
public:
    explicit Scanner(const std::vector<Token>& t) : t_(t) {}
    std::size_t p = 0;
    const Token& cur() const { return t_[p < t_.size() ? p : t_.size() - 1]; }
    bool word(const char* w) const { return cur().kind == TokenKind::Word && cur().text == w; }
    bool op(const char* o) const { return cur().kind == TokenKind::Operator && cur().text == o; }
    bool accept(const char* w) {
        if (!word(w)) return false;
        ++p;
        return true;
    }
    // A size: a number with an optional K, M or G suffix.
    bool size(long long* out) {
        if (cur().kind != TokenKind::Number) return false;
        double v = std::atof(cur().text.c_str());
        ++p;
        if (accept("K"))
            v *= 1024;
        else if (accept("M"))
            v *= 1024 * 1024;
        else if (accept("G"))
            v *= 1024.0 * 1024 * 1024;
        *out = static_cast<long long>(v);
        return true;
    }

private:
    const std::vector<Token>& t_;
};

// The STORAGE ( ... ) parameters; false when one is not understood.
bool storage_parameters(Scanner& s, Storage* st) {
    if (!s.op("(")) return false;
    ++s.p;
    while (!s.op(")")) {
        if (s.accept("INITIAL")) {
            if (!s.size(&st->initial)) return false;
        } else if (s.accept("NEXT")) {
            if (!s.size(&st->next)) return false;
        } else if (s.accept("MINEXTENTS")) {
            if (!s.size(&st->min_extents)) return false;
        } else if (s.accept("MAXEXTENTS")) {
            if (s.accept("UNLIMITED"))
                st->max_extents = 2147483645;
            else if (!s.size(&st->max_extents))
                return false;
        } else if (s.accept("PCTINCREASE")) {
            if (!s.size(&st->pct_increase)) return false;
        } else if (s.accept("FREELISTS")) {
            if (!s.size(&st->freelists)) return false;
        } else if (s.accept("FREELIST")) {
            if (!s.accept("GROUPS") || !s.size(&st->freelist_groups)) return false;
        } else if (s.accept("BUFFER_POOL")) {
            if (!s.word("KEEP") && !s.word("RECYCLE") && !s.word("DEFAULT")) return false;
            st->buffer_pool = s.cur().text;
            ++s.p;
        } else {
            return false;
        }
    }
    ++s.p;
    return true;
}

void blank(std::string* text, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t i = from; i < to && i < text->size(); ++i) (*text)[i] = ' ';
}

}  // namespace

void storage_clauses(std::string* text, const std::string& schema, std::vector<std::string>* sql) {
    std::vector<Token> t;
    OraError err;
    if (!sql_tokenize(*text, &t, &err)) return;
    Scanner s(t);
    if (!s.accept("CREATE")) return;
    Storage st;
    bool index = false;
    if (s.word("BITMAP")) {
        blank(text, s.cur().offset, s.cur().end);
        ++s.p;
        st.index_type = "BITMAP";
        if (!s.word("INDEX")) return;
    }
    s.accept("UNIQUE");
    if (s.accept("INDEX"))
        index = true;
    else if (!s.accept("TABLE"))
        return;
    if (s.cur().kind != TokenKind::Word && s.cur().kind != TokenKind::QuotedWord) return;
    std::string owner, name = s.cur().text;
    ++s.p;
    if (s.op(".")) {
        ++s.p;
        owner = name;
        name = s.cur().text;
        ++s.p;
    }
    if (owner.empty()) owner = schema;
    // Skip to the end of the column list: the first parenthesis group at depth 0.
    while (!s.op("(") && s.cur().kind != TokenKind::End && !s.word("AS")) ++s.p;
    if (s.op("(")) {
        int depth = 0;
        do {
            if (s.op("(")) ++depth;
            if (s.op(")")) --depth;
            ++s.p;
        } while (depth > 0 && s.cur().kind != TokenKind::End);
    }
    for (;;) {
        std::size_t start = s.p;
        bool ok = true;
        if (s.accept("TABLESPACE")) {
            if (s.cur().kind != TokenKind::Word && s.cur().kind != TokenKind::QuotedWord) break;
            st.tablespace = s.cur().text;
            ++s.p;
        } else if (s.accept("PCTFREE")) {
            ok = s.size(&st.pct_free);
        } else if (s.accept("PCTUSED")) {
            ok = s.size(&st.pct_used);
        } else if (s.accept("INITRANS")) {
            ok = s.size(&st.ini_trans);
        } else if (s.accept("MAXTRANS")) {
            ok = s.size(&st.max_trans);
        } else if (s.accept("STORAGE")) {
            ok = storage_parameters(s, &st);
        } else if (s.accept("LOGGING") || s.accept("NOLOGGING")) {
            st.logging = t[s.p - 1].text == "LOGGING" ? "YES" : "NO";
        } else if (index && s.accept("REVERSE")) {
            st.reverse = true;
        } else if (index && s.accept("NOREVERSE")) {
        } else if (index && s.accept("COMPUTE")) {
            ok = s.accept("STATISTICS");
        } else {
            break;
        }
        if (!ok) {
            s.p = start;
            break;
        }
        blank(text, t[start].offset, t[s.p - 1].end);
    }
    if (st.reverse) st.index_type += "/REV";
    sql->push_back(
        "INSERT OR REPLACE INTO main.vantro_storage(owner,object_name,object_kind,tablespace_name,pct_free,"
        "pct_used,ini_trans,max_trans,initial_extent,next_extent,min_extents,max_extents,pct_increase,"
        "freelists,freelist_groups,buffer_pool,logging,index_type) VALUES (" +
        quote_text(owner) + "," + quote_text(name) + "," + (index ? "'INDEX'" : "'TABLE'") + "," +
        value(st.tablespace) + "," + value(st.pct_free) + "," + value(st.pct_used) + "," + value(st.ini_trans) + "," +
        value(st.max_trans) + "," + value(st.initial) + "," + value(st.next) + "," + value(st.min_extents) + "," +
        value(st.max_extents) + "," + value(st.pct_increase) + "," + value(st.freelists) + "," +
        value(st.freelist_groups) + "," + value(st.buffer_pool) + "," + value(st.logging) + "," +
        (index ? quote_text(st.index_type) : std::string("NULL")) + ")");
}

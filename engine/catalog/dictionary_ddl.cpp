// Comments, synonyms and sequences: their DDL checked against the catalog, and the
// sequences' NEXTVAL/CURRVAL. Numbers of sequences are 64-bit integers; a bound beyond
// that range (the default MAXVALUE of 27 nines) is kept as typed for the dictionary and
// acts as no bound.
#include "catalog/dictionary_ddl.h"
#include "catalog/catalog_sqlite.h"

#include "catalog/catalog_cache.h"
#include "catalog/constraint_ddl.h"
#include "catalog/constraints.h"
#include "catalog/dictionary.h"
#include "catalog/dimensions.h"
#include "catalog/rename_ddl.h"
#include "catalog/users_ddl.h"

#include "values/errors.h"
#include "sql/sql_lexer.h"
#include "sql/token_cursor.h"
#include "sql/sql_text.h"
#include "values/sqlite_statement.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// The hook of the statement that creates a view, called for its query alone: offsets move
// to the statement's text, and the unit takes the view's name.
struct ViewDeclarations {
    bool (*hook)(void*, std::uint32_t, std::uint32_t, std::string*, std::map<std::string, OraType>*, OraError*);
    void* data;
    std::uint32_t shift;
    std::string unit;
};

bool view_declarations(void* data, std::uint32_t begin, std::uint32_t end, std::string* unit,
                       std::map<std::string, OraType>* functions, OraError* err) {
    ViewDeclarations* d = static_cast<ViewDeclarations*>(data);
    *unit = d->unit;
    if (!d->hook(d->data, begin + d->shift, end + d->shift, unit, functions, err)) {
        if (err->offset) err->offset -= d->shift;
        return false;
    }
    return true;
}

const char* const kDefaultMaxValue = "999999999999999999999999999";
const char* const kDefaultMinDescending = "-99999999999999999999999999";

using Stmt = SqliteStatement;

// A sequence bound or step as typed, and its value when it fits in 64 bits.
struct SeqNumber {
    std::string text;
    std::int64_t value = 0;
    bool fits = true;
};

bool parse_seq_number(const std::string& sign, const std::string& digits, SeqNumber* out) {
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    std::string t = digits;
    while (t.size() > 1 && t[0] == '0') t.erase(0, 1);
    out->text = (sign == "-" && t != "0" ? "-" : "") + t;
    if (t.size() > 28) return false;
    errno = 0;
    long long v = std::strtoll(out->text.c_str(), nullptr, 10);
    out->fits = errno != ERANGE;
    out->value =
        out->fits ? v
                  : (sign == "-" ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max());
    return true;
}

SeqNumber seq_number(const std::string& text) {
    SeqNumber n;
    bool neg = !text.empty() && text[0] == '-';
    parse_seq_number(neg ? "-" : "", neg ? text.substr(1) : text, &n);
    return n;
}

// True when the constraint name is the WITH READ ONLY or WITH CHECK OPTION of owner.view:
// replacing or compiling the view keeps its name.
bool restriction_of_view(sqlite3* db, const std::string& owner, const std::string& view, const std::string& name) {
    Stmt q(db,
           "SELECT 1 FROM main.vantro_constraints WHERE owner=?1 AND table_name=?2 AND constraint_name=?3"
           " AND constraint_type IN ('O','V')");
    q.text(1, owner);
    q.text(2, view);
    q.text(3, name);
    return q.row();
}

constexpr int kCompileDepthLimit = 16;

// Compiles again the first invalid view the tokens name (and the invalid views its query
// reads): true when it is valid now.
bool compile_used_views(const std::vector<Token>& tokens, const TranslateContext& ctx, sqlite3* db, int depth);

class DdlParser : TokenCursor {
public:
    DdlParser(const std::string& text, const std::vector<Token>& t, const TranslateContext& ctx, sqlite3* db,
              std::vector<std::string>* sql, OraError* err)
        : TokenCursor(t),
          text_(text),
          ctx_(ctx),
          schema_(ctx.schema),
          catalog_(ctx.catalog),
          db_(db),
          sql_(sql),
          err_(err) {}

    DdlResult run();

private:
    // DDL on another schema's object: refused with hidden (the object stays unseen) when
    // the session holds no privilege on it at all, with ORA-01031 when it holds some but
    // neither object_privilege nor any_privilege.
    bool may_change(const std::string& owner, const std::string& name, const char* object_privilege,
                    const char* any_privilege, int hidden, std::uint32_t off) {
        if (catalog_->may_change(owner, name, object_privilege, any_privilege)) return true;
        *err_ = ora_error(catalog_->object_access(owner, name, std::string()) > 0 ? hidden : 1031);
        err_->offset = off;
        return false;
    }
    // The schema an object is created in: a user that exists (its file attached now),
    // else ORA-01918 at the name.
    bool schema_named(const std::string& owner, std::uint32_t off) {
        if (catalog_->schema_exists(owner)) return true;
        *err_ = ora_error(1918, owner);
        err_->offset = off;
        return false;
    }
    const std::string& text_;
    const TranslateContext& ctx_;
    const std::string& schema_;
    CatalogView* catalog_;
    sqlite3* db_;
    std::vector<std::string>* sql_;
    OraError* err_;

    DdlResult fail(int code, const std::string& message = {}) {
        *err_ = ora_error(code);
        if (!message.empty()) err_->message = message;
        err_->offset = cur().offset;
        return DdlResult::Failed;
    }
    bool name(std::string* out, std::uint32_t* offset = nullptr) {
        if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return false;
        if (offset) *offset = cur().offset;
        *out = cur().text;
        ++p_;
        return true;
    }
    // [owner.]name
    bool object_name(std::string* owner, std::string* object, std::uint32_t* offset) {
        std::string first;
        if (!name(&first, offset)) return false;
        if (accept_op(".")) {
            *owner = first;
            return name(object);
        }
        owner->clear();
        *object = first;
        return true;
    }
    bool at_end() const { return TokenCursor::at_end() || is_op(";"); }
    DdlResult comment();
    DdlResult purge();
    DdlResult flashback();
    DdlResult create_synonym(bool replace, bool is_public);
    DdlResult drop_synonym(bool is_public);
    DdlResult sequence(bool create);
    DdlResult drop_sequence();
    DdlResult create_view(bool replace, bool force);
    DdlResult alter_view();
    DdlResult set_view_read_only(const std::string& owner, const std::string& view, bool read_only);
    // Set while a view is compiled again from its stored text: the view exists already
    // (no CREATE privilege is asked), its constraints stay, and a query that no longer
    // compiles leaves the view as it is with its error recorded.
    bool compiling_ = false;

public:
    DdlResult compile_view(const std::string& owner, const std::string& view, std::uint32_t off);

private:
    DdlResult invalid_view(const std::string& owner, const std::string& view, std::uint32_t off,
                           const std::string& typed, const OraError& error);
    bool stored_view_exists(const std::string& owner, const std::string& name);
    bool view_name_free(const std::string& owner, const std::string& view, std::uint32_t off, bool replace);
    struct ViewRestriction {
        char kind = 0;             // 'O' WITH READ ONLY, 'V' WITH CHECK OPTION
        std::string name;          // CONSTRAINT name; empty: system-named
        std::uint32_t offset = 0;  // where WITH begins
    };
    bool view_restriction(ViewRestriction* out, const std::string& view);
    DdlResult alter_table();
    DdlResult drop_view();
    bool view_exists(const std::string& owner, const std::string& name);
    bool synonym_exists(const std::string& owner, const std::string& name);
};

bool DdlParser::synonym_exists(const std::string& owner, const std::string& name) {
    Stmt q(db_, "SELECT 1 FROM main.vantro_synonyms WHERE owner=?1 AND synonym_name=?2");
    q.text(1, owner);
    q.text(2, name);
    return q.row();
}

DdlResult DdlParser::run() {
    if (accept_word("COMMENT")) return comment();
    if (accept_word("RENAME")) return rename_ddl(t_, p_, false, ctx_, db_, sql_, err_);
    if (accept_word("PURGE")) return purge();
    if (accept_word("FLASHBACK")) return flashback();
    if (accept_word("CREATE")) {
        bool replace = false;
        if (accept_word("OR")) {
            if (!accept_word("REPLACE")) return fail(922);
            replace = true;
        }
        bool is_public = accept_word("PUBLIC");
        const bool edition = !is_public && (accept_word("EDITIONABLE") || accept_word("NONEDITIONABLE"));
        if (accept_word("SYNONYM")) return create_synonym(replace, is_public);
        if (!is_public) {
            const bool force = !edition && accept_word("FORCE");
            const bool noforce = !edition && !force && accept_word("NOFORCE");
            if (!edition && (accept_word("EDITIONABLE") || accept_word("NONEDITIONABLE"))) accept_word("EDITIONING");
            if (accept_word("VIEW")) return create_view(replace, force);
            if (force || noforce) return fail(905);
            if (force) return fail(905);
        }
        if (!replace && !is_public && accept_word("SEQUENCE")) return sequence(true);
        return DdlResult::NotMine;
    }
    if (accept_word("DROP")) {
        bool is_public = accept_word("PUBLIC");
        if (accept_word("SYNONYM")) return drop_synonym(is_public);
        if (!is_public && accept_word("SEQUENCE")) return drop_sequence();
        if (!is_public && accept_word("VIEW")) return drop_view();
        return DdlResult::NotMine;
    }
    if (accept_word("ALTER")) {
        if (accept_word("SEQUENCE")) return sequence(false);
        if (accept_word("TABLE")) return alter_table();
        if (accept_word("VIEW")) return alter_view();
    }
    return DdlResult::NotMine;
}

// Objects COMMENT ON can name that the engine never has: the statement is read whole and
// answers, as Oracle does for a missing one, that the object does not exist.
struct AbsentKind {
    const char* first;
    const char* second;  // the kind's second word, or null
    int code;
};

const AbsentKind kAbsentKinds[] = {
    {"OPERATOR", nullptr, 29807},
    {"INDEXTYPE", nullptr, 29833},
    {"EDITION", nullptr, 38802},
    {"MINING", "MODEL", 40284},
};

// PURGE: a dropped table or index is gone at once here (there is no recycle bin), so the
// bin is always empty. Purging all of it, or a tablespace's part, does nothing; a table or
// index named is not in it (ORA-38307).
DdlResult DdlParser::purge() {
    if (accept_word("RECYCLEBIN") || accept_word("USER_RECYCLEBIN")) {
        if (!at_end()) return fail(933);
        return DdlResult::Done;
    }
    if (is_word("DBA_RECYCLEBIN")) {
        if (schema_ != "SYS") return fail(1031);
        ++p_;
        if (!at_end()) return fail(933);
        return DdlResult::Done;
    }
    if (accept_word("TABLESPACE")) {
        std::string ts;
        if (!name(&ts)) return fail(2216);
        if (accept_word("USER")) {
            std::string user;
            if (!name(&user)) return fail(1935);
        }
        if (!at_end()) return fail(933);
        return DdlResult::Done;
    }
    if (accept_word("TABLE") || accept_word("INDEX")) {
        std::string owner, object;
        std::uint32_t off = 0;
        if (cur().kind == TokenKind::String) {
            // The recycle bin's own name of the object, as a quoted name or a string.
            off = cur().offset;
            ++p_;
        } else if (!object_name(&owner, &object, &off)) {
            return fail(903);
        }
        if (!at_end()) return fail(933);
        *err_ = ora_error(38307);
        err_->offset = off;
        return DdlResult::Failed;
    }
    return fail(905);
}

// FLASHBACK TABLE t, ... TO BEFORE DROP [RENAME TO n] | TO SCN | TIMESTAMP expr. DROP
// purges at once here, so no table is in the recycle bin (ORA-38305); there is no undo
// history to take a table back to an earlier time (ORA-03001).
DdlResult DdlParser::flashback() {
    if (!accept_word("TABLE")) return fail(905);
    std::vector<std::pair<std::string, std::string>> tables;
    std::uint32_t first = 0;
    do {
        std::string owner, object;
        std::uint32_t off = 0;
        if (!object_name(&owner, &object, &off)) return fail(903);
        if (tables.empty()) first = off;
        tables.emplace_back(owner.empty() ? schema_ : owner, object);
    } while (accept_op(","));
    if (!accept_word("TO")) return fail(905);
    if (accept_word("BEFORE")) {
        if (!accept_word("DROP")) return fail(905);
        if (accept_word("RENAME")) {
            std::string renamed;
            if (!accept_word("TO")) return fail(905);
            if (!name(&renamed)) return fail(903);
        }
        if (!at_end()) return fail(933);
        *err_ = ora_error(38305);
        err_->offset = first;
        return DdlResult::Failed;
    }
    const std::uint32_t when = cur().offset;
    if (!accept_word("SCN") && !accept_word("TIMESTAMP") && !accept_word("RESTORE")) return fail(905);
    if (at_end()) return fail(936);
    std::vector<ColumnInfo> cols;
    for (const auto& t : tables)
        if (!catalog_->table_columns(t.first, t.second, &cols)) {
            *err_ = ora_error(942);
            err_->offset = first;
            return DdlResult::Failed;
        }
    *err_ = ora_error(3001, ": FLASHBACK TABLE to an earlier time");
    err_->offset = when;
    return DdlResult::Failed;
}

DdlResult DdlParser::comment() {
    if (!accept_word("ON")) return fail(905);
    for (const AbsentKind& k : kAbsentKinds) {
        if (!is_word(k.first) || (k.second && !word_at(1, k.second))) continue;
        p_ += k.second ? 2 : 1;
        std::string owner, object;
        std::uint32_t off = 0;
        if (!object_name(&owner, &object, &off)) return fail(903);
        if (!accept_word("IS")) return fail(905);
        if (cur().kind != TokenKind::String && !is_word("NULL")) return fail(1780, "string literal required");
        ++p_;
        if (!at_end()) return fail(933);
        *err_ = ora_error(k.code, owner.empty() ? schema_ : owner, object);
        err_->offset = off;
        return DdlResult::Failed;
    }
    bool column = false;
    // A materialized view's comment is its table's.
    const bool mview = is_word("MATERIALIZED") && word_at(1, "VIEW");
    if (mview)
        p_ += 2;
    else if (accept_word("COLUMN"))
        column = true;
    else if (!accept_word("TABLE"))
        return fail(905);
    std::vector<std::string> parts;
    std::vector<std::uint32_t> offsets;
    do {
        std::string n;
        std::uint32_t off = 0;
        if (!name(&n, &off)) return fail(903);
        parts.push_back(n);
        offsets.push_back(off);
    } while (accept_op("."));
    std::size_t need = column ? 2 : 1;
    if (parts.size() < need || parts.size() > need + 1) return fail(903);
    if (!accept_word("IS")) return fail(905);
    if (cur().kind != TokenKind::String && !is_word("NULL")) return fail(1780, "string literal required");
    std::string text = cur().kind == TokenKind::String ? cur().text : std::string();
    ++p_;
    if (!at_end()) return fail(933);
    std::string owner = parts.size() > need ? parts[0] : schema_;
    std::size_t ti = parts.size() > need ? 1 : 0;
    std::string table = parts[ti];
    std::vector<ColumnInfo> cols;
    if (mview && !catalog_->materialized_view(owner, table)) {
        *err_ = ora_error(12003, owner, table);
        err_->offset = offsets[0];
        return DdlResult::Failed;
    }
    if (!catalog_->table_columns(owner, table, &cols)) {
        p_ = 0;
        *err_ = ora_error(942);
        err_->offset = offsets[0];
        return DdlResult::Failed;
    }
    if (!may_change(owner, table, "", "COMMENT ANY TABLE", 942, offsets[0])) return DdlResult::Failed;
    std::string col;
    if (column) {
        col = parts[ti + 1];
        bool found = false;
        for (const ColumnInfo& c : cols) found = found || c.name == col;
        if (!found) {
            *err_ = ora_error(904, "\"" + col + "\"");
            err_->offset = offsets[ti + 1];
            return DdlResult::Failed;
        }
    }
    std::string key = quote_text(owner) + "," + quote_text(table) + "," + quote_text(col);
    // An empty comment removes it, as in Oracle.
    if (text.empty())
        sql_->push_back("DELETE FROM main.vantro_comments WHERE owner=" + quote_text(owner) +
                        " AND table_name=" + quote_text(table) + " AND column_name=" + quote_text(col));
    else
        sql_->push_back("INSERT OR REPLACE INTO main.vantro_comments(owner,table_name,column_name,comments) VALUES (" +
                        key + "," + quote_text(text) + ")");
    return DdlResult::Done;
}

DdlResult DdlParser::create_synonym(bool replace, bool is_public) {
    std::string owner, syn, t_owner, target, link;
    std::uint32_t off = 0, target_off = 0;
    if (!object_name(&owner, &syn, &off)) return fail(987);
    if (is_public && !owner.empty()) return fail(933);
    if (is_public) owner = "PUBLIC";
    if (owner.empty()) owner = schema_;
    if (!is_public && !schema_named(owner, off)) return DdlResult::Failed;
    if (is_public ? !users_domain_has(db_, "CREATE PUBLIC SYNONYM") : !catalog_->may_create(owner, "SYNONYM"))
        return fail(1031);
    if (!accept_word("FOR")) return fail(905);
    if (!object_name(&t_owner, &target, &target_off)) return fail(903);
    if (accept_op("@")) {
        if (!name(&link)) return fail(903);
        while (accept_op(".")) {
            std::string more;
            if (!name(&more)) return fail(903);
            link += "." + more;
        }
    }
    if (!at_end()) return fail(933);
    if (t_owner.empty() && link.empty()) t_owner = schema_;
    if (!is_public && t_owner == owner && target == syn && link.empty())
        return fail(1471, "cannot create a synonym with same name as object");
    bool exists = synonym_exists(owner, syn);
    if (exists && !replace) {
        err_->offset = off;
        *err_ = ora_error(955);
        err_->offset = off;
        return DdlResult::Failed;
    }
    if (!is_public && !exists && (catalog_->object_exists(owner, syn) || dictionary_sequence_exists(db_, owner, syn))) {
        *err_ = ora_error(955);
        err_->offset = off;
        return DdlResult::Failed;
    }
    sql_->push_back(
        "INSERT OR REPLACE INTO main.vantro_synonyms(owner,synonym_name,table_owner,table_name,db_link)"
        " VALUES (" +
        quote_text(owner) + "," + quote_text(syn) + "," +
        (t_owner.empty() ? std::string("NULL") : quote_text(t_owner)) + "," + quote_text(target) + "," +
        (link.empty() ? std::string("NULL") : quote_text(link)) + ")");
    sql_->push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime') WHERE owner=" +
                    quote_text(owner) + " AND object_name=" + quote_text(syn) + " AND object_type='SYNONYM'");
    return DdlResult::Done;
}

DdlResult DdlParser::drop_synonym(bool is_public) {
    std::string owner, syn;
    std::uint32_t off = 0;
    if (!object_name(&owner, &syn, &off)) return fail(987);
    accept_word("FORCE");
    if (!at_end()) return fail(933);
    if (is_public) owner = "PUBLIC";
    if (owner.empty()) owner = schema_;
    if (!synonym_exists(owner, syn)) {
        *err_ = ora_error(is_public ? 1432 : 1434);
        err_->offset = off;
        return DdlResult::Failed;
    }
    if (is_public ? !users_domain_has(db_, "DROP PUBLIC SYNONYM")
                  : !catalog_->may_change(owner, syn, "", "DROP ANY SYNONYM")) {
        *err_ = ora_error(1031);
        err_->offset = off;
        return DdlResult::Failed;
    }
    sql_->push_back("DELETE FROM main.vantro_synonyms WHERE owner=" + quote_text(owner) +
                    " AND synonym_name=" + quote_text(syn));
    return DdlResult::Done;
}

DdlResult DdlParser::sequence(bool create) {
    std::string owner, seq;
    std::uint32_t off = 0;
    if (!object_name(&owner, &seq, &off)) return fail(903);
    if (owner.empty()) owner = schema_;
    if (create && !schema_named(owner, off)) return DdlResult::Failed;
    if (create && !catalog_->may_create(owner, "SEQUENCE")) return fail(1031);
    bool exists = dictionary_sequence_exists(db_, owner, seq);
    if (create && (exists || catalog_->object_exists(owner, seq) || synonym_exists(owner, seq))) {
        *err_ = ora_error(955);
        err_->offset = off;
        return DdlResult::Failed;
    }
    if (!create && !exists) {
        *err_ = ora_error(2289);
        err_->offset = off;
        return DdlResult::Failed;
    }
    if (!create && !may_change(owner, seq, "ALTER", "ALTER ANY SEQUENCE", 2289, off)) return DdlResult::Failed;
    SeqNumber inc = seq_number("1"), start, minv, maxv;
    bool has_inc = false, has_start = false, has_min = false, has_max = false, no_min = false, no_max = false;
    std::string cycle = "N", order = "N";
    std::int64_t cache = 20;
    bool has_cycle = false, has_order = false, has_cache = false;
    auto number = [&](SeqNumber* out) {
        std::string sign;
        if (is_op("-") || is_op("+")) {
            sign = cur().text;
            ++p_;
        }
        if (cur().kind != TokenKind::Number || !parse_seq_number(sign, cur().text, out)) return false;
        ++p_;
        return true;
    };
    while (!at_end()) {
        if (accept_word("INCREMENT")) {
            if (!accept_word("BY") || !number(&inc)) return fail(1722);
            has_inc = true;
        } else if (accept_word("START")) {
            if (!create) return fail(2283, "cannot alter starting sequence number");
            if (!accept_word("WITH") || !number(&start)) return fail(1722);
            has_start = true;
        } else if (accept_word("MINVALUE")) {
            if (!number(&minv)) return fail(1722);
            has_min = true;
        } else if (accept_word("MAXVALUE")) {
            if (!number(&maxv)) return fail(1722);
            has_max = true;
        } else if (accept_word("NOMINVALUE")) {
            no_min = true;
        } else if (accept_word("NOMAXVALUE")) {
            no_max = true;
        } else if (accept_word("CYCLE") || accept_word("NOCYCLE")) {
            cycle = t_[p_ - 1].text == "CYCLE" ? "Y" : "N";
            has_cycle = true;
        } else if (accept_word("ORDER") || accept_word("NOORDER")) {
            order = t_[p_ - 1].text == "ORDER" ? "Y" : "N";
            has_order = true;
        } else if (accept_word("NOKEEP") || accept_word("NOSCALE") || accept_word("GLOBAL")) {
            // The defaults that a sequence's written-back DDL spells out: nothing to keep.
        } else if (accept_word("NOCACHE")) {
            cache = 0;
            has_cache = true;
        } else if (accept_word("CACHE")) {
            SeqNumber c;
            if (!number(&c) || !c.fits) return fail(1722);
            if (c.value < 2) return fail(4010, "the number of values to CACHE must be greater than 1");
            cache = c.value;
            has_cache = true;
        } else {
            return fail(933);
        }
    }
    if (inc.value == 0) return fail(4002, "INCREMENT must be a non-zero integer");
    std::string where = " WHERE sequence_owner=" + quote_text(owner) + " AND sequence_name=" + quote_text(seq);
    if (!create) {
        Stmt q(db_,
               "SELECT min_value,max_value,increment_by,cycle_flag,order_flag,cache_size FROM main.vantro_sequences"
               " WHERE sequence_owner=?1 AND sequence_name=?2");
        q.text(1, owner);
        q.text(2, seq);
        if (!q.row()) return fail(2289, "sequence does not exist");
        if (!has_min && !no_min) minv = seq_number(q.column(0));
        if (!has_max && !no_max) maxv = seq_number(q.column(1));
        if (!has_inc) inc = seq_number(q.column(2));
        if (!has_cycle) cycle = q.column(3);
        if (!has_order) order = q.column(4);
        if (!has_cache) cache = sqlite3_column_int64(q.get(), 5);
    }
    bool ascending = inc.value > 0;
    if ((!has_min || no_min) && (create || no_min)) minv = seq_number(ascending ? "1" : kDefaultMinDescending);
    if ((!has_max || no_max) && (create || no_max)) maxv = seq_number(ascending ? kDefaultMaxValue : "-1");
    if (minv.value >= maxv.value) return fail(4004, "MINVALUE must be less than MAXVALUE");
    if (create) {
        if (!has_start) start = ascending ? minv : maxv;
        if (start.value < minv.value) return fail(4006, "START WITH cannot be less than MINVALUE");
        if (start.value > maxv.value) return fail(4008, "START WITH cannot be more than MAXVALUE");
        sql_->push_back(
            "INSERT INTO main.vantro_sequences(sequence_owner,sequence_name,min_value,max_value,increment_by,"
            "cycle_flag,order_flag,cache_size,last_number,next_value) VALUES (" +
            quote_text(owner) + "," + quote_text(seq) + "," + quote_text(minv.text) + "," + quote_text(maxv.text) +
            "," + std::to_string(inc.value) + "," + quote_text(cycle) + "," + quote_text(order) + "," +
            std::to_string(cache) + "," + quote_text(start.text) + "," + std::to_string(start.value) + ")");
        return DdlResult::Done;
    }
    if (cycle == "Y" && cache > 0) {
        double span = (static_cast<double>(maxv.value) - static_cast<double>(minv.value)) /
                      std::abs(static_cast<double>(inc.value));
        if (static_cast<double>(cache) > span + 1) return fail(4013, "number to CACHE must be less than one cycle");
    }
    sql_->push_back("UPDATE main.vantro_sequences SET min_value=" + quote_text(minv.text) +
                    ",max_value=" + quote_text(maxv.text) + ",increment_by=" + std::to_string(inc.value) +
                    ",cycle_flag=" + quote_text(cycle) + ",order_flag=" + quote_text(order) +
                    ",cache_size=" + std::to_string(cache) + ",last_number=CAST(next_value AS TEXT)" + where);
    sql_->push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime') WHERE owner=" +
                    quote_text(owner) + " AND object_name=" + quote_text(seq) + " AND object_type='SEQUENCE'");
    return DdlResult::Done;
}

DdlResult DdlParser::drop_sequence() {
    std::string owner, seq;
    std::uint32_t off = 0;
    if (!object_name(&owner, &seq, &off)) return fail(903);
    if (!at_end()) return fail(933);
    if (owner.empty()) owner = schema_;
    if (!dictionary_sequence_exists(db_, owner, seq)) {
        *err_ = ora_error(2289);
        err_->offset = off;
        return DdlResult::Failed;
    }
    if (!may_change(owner, seq, "", "DROP ANY SEQUENCE", 2289, off)) return DdlResult::Failed;
    sql_->push_back("DELETE FROM main.vantro_sequences WHERE sequence_owner=" + quote_text(owner) +
                    " AND sequence_name=" + quote_text(seq));
    return DdlResult::Done;
}

bool DdlParser::view_exists(const std::string& owner, const std::string& name) {
    if (!catalog_->schema_exists(owner)) return false;
    std::string q = "SELECT 1 FROM \"" + owner + "\".sqlite_master WHERE type='view' AND name=?1";
    Stmt s(db_, q.c_str());
    s.text(1, name);
    return s.row();
}

// A view the catalog keeps, compiled or not: an INVALID view (created with FORCE over
// what its query cannot read yet) has its text in vantro_views and no SQLite view.
bool DdlParser::stored_view_exists(const std::string& owner, const std::string& name) {
    Stmt s(db_, "SELECT 1 FROM main.vantro_views WHERE owner=?1 AND view_name=?2");
    s.text(1, owner);
    s.text(2, name);
    return s.row();
}

bool valid_column_name(const std::string& n) {
    if (n.empty() || n.size() > 128 || !std::isalpha(static_cast<unsigned char>(n[0]))) return false;
    for (char c : n)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$' && c != '#') return false;
    return true;
}

const char* type_name_of(const OraType& t) {
    switch (t.code) {
    case kTypeNumber:
        return "NUMBER";
    case kTypeDate:
        return "DATE";
    case kTypeChar:
        return t.national ? "NCHAR" : "CHAR";
    case kTypeLong:
        return "LONG";
    case kTypeRaw:
        return "RAW";
    case kTypeLongRaw:
        return "LONG RAW";
    case kTypeClob:
        return t.national ? "NCLOB" : "CLOB";
    case kTypeBlob:
        return "BLOB";
    case kTypeBfile:
        return "BFILE";
    case kTypeTimestamp:
        return "TIMESTAMP";
    default:
        return t.national ? "NVARCHAR2" : "VARCHAR2";
    }
}

// The subquery restriction that ends a view's query: WITH READ ONLY or WITH CHECK OPTION,
// each with an optional CONSTRAINT name, found as WITH outside parentheses followed by
// READ or CHECK. The cursor stays at the query.
bool DdlParser::view_restriction(ViewRestriction* out, const std::string& view) {
    std::size_t start = p_;
    int depth = 0;
    for (; !TokenCursor::at_end(); ++p_) {
        if (is_op("(")) ++depth;
        if (is_op(")")) --depth;
        if (depth == 0 && is_word("WITH") && (word_at(1, "READ") || word_at(1, "CHECK"))) break;
    }
    if (TokenCursor::at_end()) {
        p_ = start;
        return true;
    }
    out->offset = cur().offset;
    ++p_;
    if (accept_word("READ")) {
        if (!accept_word("ONLY")) return fail(905), false;
        out->kind = 'O';
    } else {
        ++p_;  // CHECK
        if (!accept_word("OPTION")) return fail(905), false;
        out->kind = 'V';
    }
    if (accept_word("CONSTRAINT")) {
        std::uint32_t off = 0;
        if (!name(&out->name, &off)) return fail(902, "invalid datatype"), false;
        if (catalog_->constraint_exists(schema_, out->name) && !restriction_of_view(db_, schema_, view, out->name)) {
            *err_ = ora_error(2264);
            err_->offset = off;
            return false;
        }
    }
    if (!at_end()) return fail(933), false;
    p_ = start;
    return true;
}

// The errors of a view's query that FORCE creates the view despite: what it reads is
// missing, hidden or itself invalid. Errors of the statement's syntax refuse it.
bool view_compile_error(int code) {
    static const int kCodes[] = {942, 904, 918, 980, 1031, 4063};
    for (int c : kCodes)
        if (c == code) return true;
    return false;
}

// The view's name may be taken: by nothing else, or by a view being replaced.
bool DdlParser::view_name_free(const std::string& owner, const std::string& view, std::uint32_t off, bool replace) {
    const bool is_view = stored_view_exists(owner, view) || view_exists(owner, view);
    if ((is_view && !replace) || (!is_view && (catalog_->object_exists(owner, view) || synonym_exists(owner, view) ||
                                               dictionary_sequence_exists(db_, owner, view)))) {
        *err_ = ora_error(955);
        err_->offset = off;
        return false;
    }
    return true;
}

// CREATE FORCE VIEW whose query cannot be compiled: the view is kept INVALID, its text
// as typed and no SQLite view or columns, with the error in USER_ERRORS (line and
// position 0, as for views).
DdlResult DdlParser::invalid_view(const std::string& owner, const std::string& view, std::uint32_t off,
                                  const std::string& typed, const OraError& error) {
    if (!view_name_free(owner, view, off, true)) return DdlResult::Failed;
    const std::string where = " WHERE owner=" + quote_text(owner) + " AND ";
    if (!compiling_) {
        if (view_exists(owner, view)) sql_->push_back("DROP VIEW \"" + owner + "\".\"" + view + "\"");
        sql_->push_back("DELETE FROM main.vantro_columns" + where + "table_name=" + quote_text(view));
        sql_->push_back("DELETE FROM main.vantro_constraints" + where + "table_name=" + quote_text(view) +
                        " AND constraint_type IN ('O','V')");
        sql_->push_back("INSERT OR REPLACE INTO main.vantro_views(owner,view_name,text) VALUES (" + quote_text(owner) +
                        "," + quote_text(view) + "," + quote_text(typed) + ")");
    }
    sql_->push_back("DELETE FROM main.vantro_plsql_errors" + where + "name=" + quote_text(view) + " AND type='VIEW'");
    std::string text = ora_format(error.code, error.message);
    text.pop_back();
    sql_->push_back("INSERT INTO main.vantro_plsql_errors VALUES (" + quote_text(owner) + "," + quote_text(view) +
                    ",'VIEW',1,0,0," + quote_text(text) + ",'ERROR'," + std::to_string(error.code) + ")");
    sql_->push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime')" + where +
                    "object_name=" + quote_text(view) + " AND object_type='VIEW'");
    return DdlResult::CompiledWithErrors;
}

// CREATE [OR REPLACE] [FORCE | NOFORCE] VIEW [schema.]name [(columns)] AS query: the
// query is translated like any query (so a view of a missing table is refused), SQLite
// keeps the translation as its view, and the catalog keeps the query as typed and the
// Oracle types of the view's columns.
DdlResult DdlParser::create_view(bool replace, bool force) {
    std::string owner, view;
    std::uint32_t off = 0;
    if (!object_name(&owner, &view, &off)) return fail(903);
    if (owner.empty()) owner = schema_;
    if (!compiling_ && !schema_named(owner, off)) return DdlResult::Failed;
    if (!compiling_ && !catalog_->may_create(owner, "VIEW")) return fail(1031, "insufficient privileges");
    std::vector<std::string> names;
    if (accept_op("(")) {
        do {
            std::string n;
            if (!name(&n)) return fail(904);
            names.push_back(n);
        } while (accept_op(","));
        if (!accept_op(")")) return fail(907);
    }
    if (!accept_word("AS")) return fail(905);
    std::uint32_t query_offset = cur().offset;
    std::size_t end = text_.size();
    while (end > query_offset && (std::isspace(static_cast<unsigned char>(text_[end - 1])) || text_[end - 1] == ';'))
        --end;
    std::string typed = text_.substr(query_offset, end - query_offset);
    ViewRestriction restriction;
    if (!view_restriction(&restriction, view)) return DdlResult::Failed;
    std::size_t query_end = restriction.kind ? restriction.offset : end;
    while (query_end > query_offset && std::isspace(static_cast<unsigned char>(text_[query_end - 1]))) --query_end;
    std::string query = text_.substr(query_offset, query_end - query_offset);
    Translation tr;
    TranslateContext view_ctx = ctx_;
    // The view's own names are its owner's, whoever creates it.
    view_ctx.schema = owner;
    view_ctx.stored_in_schema = true;
    // The PL/SQL its WITH clause declares is compiled to check it and then kept in the
    // view's text: the unit named after the view is compiled from there when it is called.
    ViewDeclarationSource source{ctx_.with_plsql_data, &text_, &t_, &owner};
    ViewDeclarations declared{ctx_.with_plsql, &source, query_offset, kViewUnitPrefix + view};
    view_ctx.with_plsql = ctx_.with_plsql ? view_declarations : nullptr;
    view_ctx.with_plsql_data = &declared;
    if (!sql_translate(query, view_ctx, &tr, err_)) {
        err_->offset += query_offset;
        if ((force && view_compile_error(err_->code)) || compiling_)
            return invalid_view(owner, view, off, typed, *err_);
        return DdlResult::Failed;
    }
    if (tr.kind != StatementKind::Select) return fail(928, "missing SELECT keyword");
    if (!tr.bind_names.empty()) return fail(1027, "bind variables not allowed for data definition operations");
    if (!names.empty() && names.size() != tr.columns.size()) {
        if (compiling_) return invalid_view(owner, view, off, typed, ora_error(1730));
        return fail(1730, "invalid number of column names specified");
    }
    std::vector<ColumnInfo> cols = tr.columns;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        if (!names.empty()) cols[i].name = names[i];
        if (!cols[i].aliased && (cols[i].name_cut || (!valid_column_name(cols[i].name) && !cols[i].named_by_column)) &&
            names.empty())
            return fail(998, "must name this expression with a column alias");
        for (std::size_t j = 0; j < i; ++j)
            if (cols[j].name == cols[i].name) return fail(957, "duplicate column name");
    }
    if (!view_name_free(owner, view, off, replace)) return DdlResult::Failed;
    std::string qualified = "\"" + owner + "\".\"" + view + "\"";
    if (view_exists(owner, view)) sql_->push_back("DROP VIEW " + qualified);
    sql_->push_back("DELETE FROM main.vantro_plsql_errors WHERE owner=" + quote_text(owner) +
                    " AND name=" + quote_text(view) + " AND type='VIEW'");
    std::string list;
    for (std::size_t i = 0; i < cols.size(); ++i) list += (i ? ",\"" : "\"") + cols[i].name + "\"";
    sql_->push_back("CREATE VIEW " + qualified + "(" + list + ") AS " + tr.sql);
    std::string key = quote_text(owner) + "," + quote_text(view);
    sql_->push_back("DELETE FROM main.vantro_columns WHERE owner=" + quote_text(owner) +
                    " AND table_name=" + quote_text(view));
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const OraType& t = cols[i].type;
        sql_->push_back(
            "INSERT INTO main.vantro_columns(owner,table_name,column_name,column_id,type_code,type_name,"
            "data_length,data_precision,data_scale,char_used,national,nullable) VALUES (" +
            key + "," + quote_text(cols[i].name) + "," + std::to_string(i + 1) + "," + std::to_string(t.code) + ",'" +
            type_name_of(t) + "'," + std::to_string(t.size) + "," + std::to_string(t.precision) + "," +
            std::to_string(t.scale) + "," + (t.char_used ? "1" : "0") + "," + (t.national ? "1" : "0") + "," +
            (t.nullable ? "1" : "0") + ")");
    }
    sql_->push_back("INSERT OR REPLACE INTO main.vantro_views(owner,view_name,text) VALUES (" + key + "," +
                    quote_text(typed) + ")");
    if (!compiling_)
        sql_->push_back("DELETE FROM main.vantro_constraints WHERE owner=" + quote_text(owner) +
                        " AND table_name=" + quote_text(view) + " AND constraint_type IN ('O','V')");
    if (restriction.kind)
        sql_->push_back(
            "INSERT INTO main.vantro_constraints(owner,constraint_name,constraint_type,table_name) SELECT " +
            quote_text(owner) + "," + (restriction.name.empty() ? "NULL" : quote_text(restriction.name)) + ",'" +
            restriction.kind + "'," + quote_text(view) +
            " WHERE NOT EXISTS (SELECT 1 FROM main.vantro_constraints WHERE owner=" + quote_text(owner) +
            " AND table_name=" + quote_text(view) + " AND constraint_type='" + restriction.kind + "')");
    sql_->push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime') WHERE owner=" +
                    quote_text(owner) + " AND object_name=" + quote_text(view) + " AND object_type='VIEW'");
    return DdlResult::Done;
}

// ALTER VIEW [schema.]view COMPILE | READ ONLY | READ WRITE. Another schema's view needs
// ALTER ANY TABLE. The declarative constraints of views (ADD, MODIFY, DROP) are not kept.
DdlResult DdlParser::alter_view() {
    std::string owner, view;
    std::uint32_t off = 0;
    if (!object_name(&owner, &view, &off)) return fail(903);
    if (owner.empty()) owner = schema_;
    if (!view_exists(owner, view) && !stored_view_exists(owner, view)) {
        *err_ = ora_error(942);
        err_->offset = off;
        return DdlResult::Failed;
    }
    if (!may_change(owner, view, "", "ALTER ANY TABLE", 942, off)) return DdlResult::Failed;
    if (accept_word("COMPILE")) {
        if (!at_end()) return fail(933);
        // The invalid views its query reads are compiled first.
        std::string text;
        std::vector<Token> read;
        OraError ignored;
        TranslateContext owner_ctx = ctx_;
        owner_ctx.schema = owner;
        if (catalog_->view_text(owner, view, &text) && sql_tokenize(text, &read, &ignored))
            for (int views = 0; views < kCompileDepthLimit && compile_used_views(read, owner_ctx, db_, 1); ++views) {
            }
        return compile_view(owner, view, off);
    }
    if (accept_word("READ")) {
        const bool read_only = accept_word("ONLY");
        if (!read_only && !accept_word("WRITE")) return fail(922);
        if (!at_end()) return fail(933);
        return set_view_read_only(owner, view, read_only);
    }
    if (is_word("ADD") || is_word("MODIFY") || is_word("DROP")) return fail(3001, ": constraints of views");
    return fail(922);
}

// READ ONLY is kept as the view's constraint of type O, as WITH READ ONLY is; READ WRITE
// removes it.
DdlResult DdlParser::set_view_read_only(const std::string& owner, const std::string& view, bool read_only) {
    if (read_only)
        sql_->push_back(
            "INSERT INTO main.vantro_constraints(owner,constraint_name,constraint_type,table_name) SELECT " +
            quote_text(owner) + ",NULL,'O'," + quote_text(view) +
            " WHERE NOT EXISTS (SELECT 1 FROM main.vantro_constraints WHERE owner=" + quote_text(owner) +
            " AND table_name=" + quote_text(view) + " AND constraint_type='O')");
    else
        sql_->push_back("DELETE FROM main.vantro_constraints WHERE owner=" + quote_text(owner) +
                        " AND table_name=" + quote_text(view) + " AND constraint_type='O'");
    sql_->push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime') WHERE owner=" +
                    quote_text(owner) + " AND object_name=" + quote_text(view) + " AND object_type='VIEW'");
    return DdlResult::Done;
}

// Compiles the view again from the text the catalog keeps, as its owner, under the column
// names it has: VALID when its query compiles now, else it stays INVALID with its error
// recorded (CompiledWithErrors).
DdlResult DdlParser::compile_view(const std::string& owner, const std::string& view, std::uint32_t off) {
    std::string text;
    if (!catalog_->view_text(owner, view, &text)) {
        *err_ = ora_error(942);
        err_->offset = off;
        return DdlResult::Failed;
    }
    std::string columns;
    {
        Stmt q(db_, "SELECT column_name FROM main.vantro_columns WHERE owner=?1 AND table_name=?2 ORDER BY column_id");
        q.text(1, owner);
        q.text(2, view);
        while (q.row()) columns += (columns.empty() ? "(" : ",") + quote_name(q.column(0));
    }
    if (!columns.empty()) columns += ")";
    const std::string statement =
        "CREATE OR REPLACE FORCE VIEW " + quote_name(owner) + "." + quote_name(view) + columns + " AS " + text;
    std::vector<Token> tokens;
    OraError ignored;
    if (!sql_tokenize(statement, &tokens, &ignored)) {
        *err_ = ora_error(942);
        err_->offset = off;
        return DdlResult::Failed;
    }
    TranslateContext owner_ctx = ctx_;
    owner_ctx.schema = owner;
    DdlParser again(statement, tokens, owner_ctx, db_, sql_, err_);
    again.compiling_ = true;
    // Another schema's view reads what its owner may read.
    std::unique_ptr<CatalogDefiner> definer;
    if (catalog_domain(db_).user != owner) definer = std::make_unique<CatalogDefiner>(db_, owner);
    const DdlResult result = again.run();
    err_->offset = off;
    return result;
}

DdlResult DdlParser::drop_view() {
    std::string owner, view;
    std::uint32_t off = 0;
    if (!object_name(&owner, &view, &off)) return fail(903);
    if (accept_word("CASCADE") && !accept_word("CONSTRAINTS")) return fail(905);
    if (!at_end()) return fail(933);
    if (owner.empty()) owner = schema_;
    const bool compiled = view_exists(owner, view);
    if (!compiled && !stored_view_exists(owner, view)) {
        *err_ = ora_error(942);
        err_->offset = off;
        return DdlResult::Failed;
    }
    if (!may_change(owner, view, "", "DROP ANY VIEW", 942, off)) return DdlResult::Failed;
    std::string where = " WHERE owner=" + quote_text(owner) + " AND ";
    if (compiled) sql_->push_back("DROP VIEW \"" + owner + "\".\"" + view + "\"");
    sql_->push_back("DELETE FROM main.vantro_plsql_errors" + where + "name=" + quote_text(view) + " AND type='VIEW'");
    sql_->push_back("DELETE FROM main.vantro_columns" + where + "table_name=" + quote_text(view));
    sql_->push_back("DELETE FROM main.vantro_views" + where + "view_name=" + quote_text(view));
    sql_->push_back("DELETE FROM main.vantro_comments" + where + "table_name=" + quote_text(view));
    sql_->push_back("DELETE FROM main.vantro_constraints" + where + "table_name=" + quote_text(view));
    return DdlResult::Done;
}

// Runs the catalog statements of a compile as one unit inside whatever transaction is
// open (one of their own when none is).
bool run_compile(sqlite3* db, const std::vector<std::string>& sql) {
    if (sqlite3_exec(db, "SAVEPOINT vantro_view_compile", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    for (const std::string& q : sql)
        if (sqlite3_exec(db, q.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_exec(db, "ROLLBACK TO vantro_view_compile; RELEASE vantro_view_compile", nullptr, nullptr, nullptr);
            return false;
        }
    return sqlite3_exec(db, "RELEASE vantro_view_compile", nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool compile_used_views(const std::vector<Token>& tokens, const TranslateContext& ctx, sqlite3* db, int depth) {
    std::string named;
    std::uint32_t offset = 0;
    if (depth > kCompileDepthLimit || !dictionary_invalid_view(db, ctx.schema, tokens, &named, &offset)) return false;
    const std::size_t dot = named.find('.');
    const std::string owner = named.substr(0, dot), view = named.substr(dot + 1);
    const std::string no_text;
    std::vector<Token> none;
    OraError err;
    if (!sql_tokenize(no_text, &none, &err)) return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<std::string> sql;
        DdlParser p(no_text, none, ctx, db, &sql, &err);
        const DdlResult result = p.compile_view(owner, view, 0);
        if (result == DdlResult::Done) return run_compile(db, sql);
        if (result != DdlResult::CompiledWithErrors || attempt == 1) return false;
        // Its query may read views that are invalid themselves: those are compiled first.
        std::string text;
        std::vector<Token> read;
        TranslateContext owner_ctx = ctx;
        owner_ctx.schema = owner;
        if (!ctx.catalog->view_text(owner, view, &text) || !sql_tokenize(text, &read, &err) ||
            !compile_used_views(read, owner_ctx, db, depth + 1))
            return false;
    }
    return false;
}

// ALTER TABLE forms that change constraints are alter_table_ddl's; the others are the
// translator's.
DdlResult DdlParser::alter_table() {
    // [owner.]table RENAME TO new
    const std::size_t rename_at = op_at(1, ".") ? 3 : 1;
    if (word_at(rename_at, "RENAME") && word_at(rename_at + 1, "TO"))
        return rename_ddl(t_, p_, true, ctx_, db_, sql_, err_);
    return alter_table_ddl(text_, t_, p_, ctx_, db_, sql_, err_);
}

using catalog_sqlite::settings_of;

void raise(sqlite3_context* ctx, int code, const std::string& message) {
    std::string text = ora_format(code, message);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

bool sequence_fail(OraError* err, int code, const std::string& message) {
    err->code = code;
    err->message = message;
    return false;
}

// Takes the next number of owner.name through db: reads it and moves it on.
bool take_sequence_number(sqlite3* db, const std::string& owner, const std::string& name, std::int64_t* out,
                          OraError* err) {
    std::int64_t value = 0, inc = 0, cache = 0;
    SeqNumber minv, maxv, high;
    bool cycle = false;
    {
        Stmt q(db,
               "SELECT next_value,increment_by,min_value,max_value,cycle_flag,cache_size,last_number"
               " FROM main.vantro_sequences WHERE sequence_owner=?1 AND sequence_name=?2");
        q.text(1, owner);
        q.text(2, name);
        if (!q.row()) return sequence_fail(err, 2289, "sequence does not exist");
        value = sqlite3_column_int64(q.get(), 0);
        inc = sqlite3_column_int64(q.get(), 1);
        minv = seq_number(q.column(2));
        maxv = seq_number(q.column(3));
        cycle = q.column(4) == "Y";
        cache = sqlite3_column_int64(q.get(), 5);
        high = seq_number(q.column(6));
    }
    if (inc > 0 ? value > maxv.value : value < minv.value) {
        if (!cycle)
            return sequence_fail(err, 8004,
                                 "sequence " + name + ".NEXTVAL " +
                                     (inc > 0 ? "exceeds MAXVALUE" : "goes below MINVALUE") +
                                     " and cannot be instantiated");
        value = inc > 0 ? minv.value : maxv.value;
        high.value = value;
    }
    std::int64_t after = value + inc;
    bool overflow = inc > 0 ? after < value : after > value;
    if (overflow) after = inc > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    std::int64_t new_high = high.value;
    if (inc > 0 ? value >= high.value : value <= high.value) new_high = value + inc * (cache > 0 ? cache : 1);
    Stmt u(
        db,
        "UPDATE main.vantro_sequences SET next_value=?3,last_number=?4 WHERE sequence_owner=?1 AND sequence_name=?2");
    u.text(1, owner);
    u.text(2, name);
    sqlite3_bind_int64(u.get(), 3, after);
    u.text(4, std::to_string(new_high));
    if (!u.get() || sqlite3_step(u.get()) != SQLITE_DONE) {
        *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
        return false;
    }
    *out = value;
    return true;
}

// The numbers a sequence handed out ahead of use, in this process: Oracle's cache. A
// short transaction of their own takes a cache's worth (CACHE n, 20 by default) at once
// and moves the stored next value past them, so that NEXTVAL costs a commit only once per
// n numbers; numbers still cached when the process ends are never given, a gap as in
// Oracle. The sequence's row as it was written (stamp) must be unchanged for the cached
// numbers to be used: ALTER SEQUENCE, a drop and re-creation or numbers taken by a session
// of another kind discard them.
struct CachedSequence {
    std::string stamp;
    std::vector<std::int64_t> numbers;
    std::size_t next = 0;
};
std::mutex sequence_cache_mutex;
std::unordered_map<std::string, CachedSequence>& sequence_cache() {
    static std::unordered_map<std::string, CachedSequence> cache;
    return cache;
}

// The row of owner.name as text, with whether its numbers may be cached (CACHE above 1,
// NOORDER); false when there is no such sequence.
bool sequence_stamp(sqlite3* db, const std::string& owner, const std::string& name, std::string* stamp,
                    std::int64_t* cache) {
    Stmt q(db,
           "SELECT next_value,increment_by,min_value,max_value,cycle_flag,cache_size,last_number,order_flag"
           " FROM main.vantro_sequences WHERE sequence_owner=?1 AND sequence_name=?2");
    q.text(1, owner);
    q.text(2, name);
    if (!q.row()) return false;
    stamp->clear();
    for (int i = 0; i < 8; ++i) *stamp += q.column(i) + '\n';
    *cache = q.column(7) == "Y" ? 1 : sqlite3_column_int64(q.get(), 5);
    return true;
}

// Sequence numbers are taken outside the session's transaction, in a short one of their
// own on the catalog's second connection: a rollback does not give a number out again,
// and an open transaction does not keep other sessions' NEXTVAL, logons and DDL waiting
// for the catalog. Without that connection the session's own takes the number.
bool next_sequence_number(sqlite3* db, const std::string& owner, const std::string& name, std::int64_t* out,
                          OraError* err) {
    sqlite3* side = catalog_side_connection(db);
    if (!side) return take_sequence_number(db, owner, name, out, err);
    const char* file = sqlite3_db_filename(side, "main");
    const std::string key = std::string(file ? file : "") + '\n' + owner + '\n' + name;
    std::lock_guard<std::mutex> lock(sequence_cache_mutex);
    std::string stamp;
    std::int64_t cache = 1;
    if (!sequence_stamp(side, owner, name, &stamp, &cache)) {
        sequence_cache().erase(key);
        return sequence_fail(err, 2289, "sequence does not exist");
    }
    auto it = sequence_cache().find(key);
    if (it != sequence_cache().end()) {
        CachedSequence& c = it->second;
        if (c.stamp == stamp && c.next < c.numbers.size()) {
            *out = c.numbers[c.next++];
            return true;
        }
        sequence_cache().erase(it);
    }
    if (sqlite3_exec(side, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *err = ora_from_sqlite(sqlite3_extended_errcode(side), sqlite3_errmsg(side));
        return false;
    }
    // The first number must be there; a cache's worth stops short at the sequence's end,
    // whose error the first NEXTVAL past it gives.
    std::vector<std::int64_t> numbers;
    bool ok = take_sequence_number(side, owner, name, out, err);
    if (ok) numbers.push_back(*out);
    for (std::int64_t i = 1; ok && i < cache; ++i) {
        std::int64_t v = 0;
        OraError ignored;
        if (!take_sequence_number(side, owner, name, &v, &ignored)) break;
        numbers.push_back(v);
    }
    if (ok && sqlite3_exec(side, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *err = ora_from_sqlite(sqlite3_extended_errcode(side), sqlite3_errmsg(side));
        ok = false;
    }
    if (!sqlite3_get_autocommit(side)) sqlite3_exec(side, "ROLLBACK", nullptr, nullptr, nullptr);
    if (ok && numbers.size() > 1 && sequence_stamp(side, owner, name, &stamp, &cache)) {
        CachedSequence& c = sequence_cache()[key];
        c.stamp = stamp;
        c.numbers = std::move(numbers);
        c.next = 1;
    }
    return ok;
}

// vantro_sequence(owner, name, next). NEXTVAL takes the next number and moves the
// high-water mark (LAST_NUMBER) a cache's worth ahead when it is reached, as Oracle
// shows it; CURRVAL answers the session's last NEXTVAL of that sequence.
void fn_sequence(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::string owner = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    std::string name = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    bool next = sqlite3_value_int(argv[2]) != 0;
    SessionSettings* s = settings_of(ctx);
    std::string key = owner + "." + name;
    if (!next) {
        auto it = s->sequence_values.find(key);
        if (it == s->sequence_values.end())
            return raise(ctx, 8002, "sequence " + name + ".CURRVAL is not yet defined in this session");
        return sqlite3_result_int64(ctx, it->second);
    }
    std::int64_t value = 0;
    OraError e;
    if (!next_sequence_number(sqlite3_context_db_handle(ctx), owner, name, &value, &e))
        return raise(ctx, e.code, e.message);
    s->sequence_values[key] = value;
    sqlite3_result_int64(ctx, value);
}

}  // namespace

DdlResult dictionary_ddl(const std::string& text, const std::vector<Token>& tokens, const TranslateContext& ctx,
                         sqlite3* db, std::vector<std::string>* sql, OraError* err) {
    if (tokens.empty()) return DdlResult::NotMine;
    const Token& first = tokens[0];
    if (first.kind != TokenKind::Word || (first.text != "COMMENT" && first.text != "CREATE" && first.text != "DROP" &&
                                          first.text != "ALTER" && first.text != "RENAME" && first.text != "PURGE" &&
                                          first.text != "FLASHBACK"))
        return DdlResult::NotMine;
    if (dimension_statement(tokens)) return dimension_ddl(tokens, ctx, db, sql, err);
    sql->clear();
    DdlParser p(text, tokens, ctx, db, sql, err);
    return p.run();
}

bool dictionary_compile_used_views(const std::vector<Token>& tokens, const TranslateContext& ctx, sqlite3* db) {
    return compile_used_views(tokens, ctx, db, 0);
}

bool dictionary_sequence_exists(sqlite3* db, const std::string& owner, const std::string& name) {
    Stmt q(db, "SELECT 1 FROM main.vantro_sequences WHERE sequence_owner=?1 AND sequence_name=?2");
    q.text(1, owner);
    q.text(2, name);
    return q.row();
}

bool dictionary_synonym_target(sqlite3* db, const std::string& schema, const std::string& name, std::string* owner,
                               std::string* target) {
    Stmt q(db,
           "SELECT coalesce(table_owner,''),table_name FROM main.vantro_synonyms WHERE synonym_name=?2"
           " AND owner IN (?1,'PUBLIC') AND db_link IS NULL ORDER BY owner='PUBLIC' LIMIT 1");
    q.text(1, schema);
    q.text(2, name);
    if (!q.row()) return false;
    *owner = q.column(0);
    *target = q.column(1);
    return true;
}

bool dictionary_sequence_register(sqlite3* db, SessionSettings* settings) {
    return sqlite3_create_function(db, "vantro_sequence", 3, SQLITE_UTF8, settings, fn_sequence, nullptr, nullptr) ==
           SQLITE_OK;
}

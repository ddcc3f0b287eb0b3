// Dimensions kept in the catalog. A statement is read into a Dimension (levels, hierarchies,
// attributes); ALTER DIMENSION loads the stored one, changes it and writes it back whole,
// so that every statement leaves one consistent set of rows behind it.
#include "catalog/dimensions.h"

#include "sql/sql_text.h"
#include "sql/token_cursor.h"
#include "values/errors.h"
#include "values/sqlite_statement.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Stmt = SqliteStatement;

struct ColumnRef {
    std::string owner;  // empty: not qualified by a schema
    std::string table;  // empty: not qualified by a table
    std::string column;
    std::uint32_t offset = 0;
};

struct Level {
    std::string name;
    std::vector<ColumnRef> columns;  // all of one table
    bool skip_when_null = false;
};

struct JoinKey {
    std::vector<ColumnRef> columns;  // of the child level's table
    std::string parent;              // the level the key references
    std::uint32_t offset = 0;
};

struct Hierarchy {
    std::string name;
    std::vector<std::string> levels;  // the most detailed first
    std::vector<std::uint32_t> level_offsets;
    std::vector<JoinKey> joins;
};

// ATTRIBUTE level DETERMINES (...) is the attribute named after its level.
struct Attribute {
    std::string name;
    std::string level;
    std::vector<ColumnRef> columns;
    std::uint32_t offset = 0;
};

struct Dimension {
    std::vector<Level> levels;
    std::vector<Hierarchy> hierarchies;
    std::vector<Attribute> attributes;
};

template <typename T>
T* find_named(std::vector<T>& items, const std::string& name) {
    for (T& item : items)
        if (item.name == name) return &item;
    return nullptr;
}

class DimensionParser : TokenCursor {
public:
    DimensionParser(const std::vector<Token>& tokens, const TranslateContext& ctx, sqlite3* db,
                    std::vector<std::string>* sql, OraError* err)
        : TokenCursor(tokens), ctx_(ctx), db_(db), sql_(sql), err_(err) {}

    DdlResult run() {
        if (accept_word("CREATE")) {
            bool replace = false;
            if (accept_word("OR")) {
                if (!accept_word("REPLACE")) return fail(922);
                replace = true;
            }
            next();  // DIMENSION
            return create(replace);
        }
        if (accept_word("ALTER")) {
            next();
            return alter();
        }
        next();  // DROP
        next();  // DIMENSION
        return drop();
    }

private:
    const TranslateContext& ctx_;
    sqlite3* db_;
    std::vector<std::string>* sql_;
    OraError* err_;
    std::string owner_;
    std::string name_;
    std::uint32_t name_offset_ = 0;

    DdlResult fail(int code, std::uint32_t offset) {
        *err_ = ora_error(code);
        err_->offset = offset;
        return DdlResult::Failed;
    }
    DdlResult fail(int code) { return fail(code, cur().offset); }
    bool end() const { return at_end() || is_op(";"); }

    bool identifier(std::string* out, std::uint32_t* offset = nullptr) {
        if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return false;
        if (offset) *offset = cur().offset;
        *out = cur().text;
        next();
        return true;
    }
    // [schema.]dimension: the statement's object.
    bool dimension_name() {
        std::string first;
        if (!identifier(&first, &name_offset_)) return false;
        if (accept_op(".")) {
            owner_ = first;
            return identifier(&name_);
        }
        owner_ = ctx_.schema;
        name_ = first;
        return true;
    }
    // [[schema.]table.]column
    bool column_ref(ColumnRef* out) {
        std::vector<std::string> parts;
        out->offset = cur().offset;
        do {
            std::string part;
            if (!identifier(&part)) return false;
            parts.push_back(part);
        } while (parts.size() < 3 && accept_op("."));
        out->column = parts.back();
        if (parts.size() > 1) out->table = parts[parts.size() - 2];
        if (parts.size() > 2) out->owner = parts[0];
        return true;
    }
    // One column or a parenthesised list of them.
    bool column_list(std::vector<ColumnRef>* out) {
        const bool list = accept_op("(");
        do {
            ColumnRef c;
            if (!column_ref(&c)) return false;
            out->push_back(c);
        } while (list && accept_op(","));
        return !list || accept_op(")");
    }

    // The clauses of CREATE DIMENSION and of ALTER DIMENSION ADD.
    DdlResult level_clause(Dimension* d) {
        Level l;
        std::uint32_t offset = 0;
        if (!identifier(&l.name, &offset)) return fail(30334);
        if (find_named(d->levels, l.name)) return fail(30343, offset);
        if (!accept_word("IS")) return fail(905);
        if (!column_list(&l.columns)) return fail(904);
        if (accept_word("SKIP")) {
            if (!accept_word("WHEN") || !accept_word("NULL")) return fail(905);
            l.skip_when_null = true;
        }
        d->levels.push_back(l);
        return DdlResult::Done;
    }
    DdlResult hierarchy_clause(Dimension* d) {
        Hierarchy h;
        std::uint32_t offset = 0;
        if (!identifier(&h.name, &offset)) return fail(905);
        if (find_named(d->hierarchies, h.name)) return fail(30346, offset);
        if (!accept_op("(")) return fail(906);
        for (;;) {
            std::string level;
            h.level_offsets.push_back(cur().offset);
            if (!identifier(&level)) return fail(30334);
            h.levels.push_back(level);
            if (!accept_word("CHILD")) break;
            if (!accept_word("OF")) return fail(905);
        }
        while (is_word("JOIN")) {
            next();
            if (!accept_word("KEY")) return fail(905);
            JoinKey k;
            k.offset = cur().offset;
            if (!column_list(&k.columns)) return fail(904);
            if (!accept_word("REFERENCES")) return fail(905);
            if (!identifier(&k.parent)) return fail(30334);
            h.joins.push_back(k);
        }
        if (!accept_op(")")) return fail(907);
        d->hierarchies.push_back(h);
        return DdlResult::Done;
    }
    // ATTRIBUTE level DETERMINES columns, or ATTRIBUTE name LEVEL level DETERMINES
    // columns [LEVEL level DETERMINES columns ...].
    DdlResult attribute_clause(Dimension* d) {
        std::string name;
        std::uint32_t offset = 0;
        if (!identifier(&name, &offset)) return fail(905);
        if (accept_word("DETERMINES")) {
            Attribute a;
            a.name = a.level = name;
            a.offset = offset;
            if (!column_list(&a.columns)) return fail(904);
            d->attributes.push_back(a);
            return DdlResult::Done;
        }
        if (!is_word("LEVEL")) return fail(905);
        while (accept_word("LEVEL")) {
            Attribute a;
            a.name = name;
            a.offset = cur().offset;
            if (!identifier(&a.level)) return fail(30334);
            if (!accept_word("DETERMINES")) return fail(905);
            if (!column_list(&a.columns)) return fail(904);
            d->attributes.push_back(a);
        }
        return DdlResult::Done;
    }
    DdlResult add_clause(Dimension* d) {
        if (accept_word("LEVEL")) return level_clause(d);
        if (accept_word("HIERARCHY")) return hierarchy_clause(d);
        if (accept_word("ATTRIBUTE")) return attribute_clause(d);
        return fail(905);
    }

    DdlResult create(bool replace) {
        if (!dimension_name()) return fail(903);
        if (!ctx_.catalog->may_create(owner_, "DIMENSION")) return fail(1031, name_offset_);
        const bool exists = stored(owner_, name_);
        if (exists && !replace) return fail(955, name_offset_);
        if (!exists && ctx_.catalog->object_exists(owner_, name_)) return fail(955, name_offset_);
        Dimension d;
        if (!is_word("LEVEL")) return fail(905);
        while (!end()) {
            DdlResult r = add_clause(&d);
            if (r != DdlResult::Done) return r;
        }
        if (!check(&d)) return DdlResult::Failed;
        write(d, exists);
        return DdlResult::Done;
    }

    DdlResult alter() {
        if (!dimension_name()) return fail(903);
        if (!stored(owner_, name_)) return fail(30333, name_offset_);
        if (owner_ != ctx_.schema && !ctx_.catalog->may_change(owner_, name_, "", "ALTER ANY DIMENSION"))
            return fail(1031, name_offset_);
        Dimension d = load();
        if (accept_word("COMPILE")) {
            if (!end()) return fail(933);
            if (!check(&d)) return DdlResult::Failed;
            write(d, true);
            return DdlResult::Done;
        }
        if (!is_word("ADD") && !is_word("DROP")) return fail(905);
        while (!end()) {
            DdlResult r = accept_word("ADD") ? add_clause(&d) : accept_word("DROP") ? drop_clause(&d) : fail(933);
            if (r != DdlResult::Done) return r;
        }
        if (!check(&d)) return DdlResult::Failed;
        write(d, true);
        return DdlResult::Done;
    }

    // DROP LEVEL level [RESTRICT | CASCADE], DROP HIERARCHY name, DROP ATTRIBUTE name
    // [LEVEL level [COLUMN column ...] ...].
    DdlResult drop_clause(Dimension* d) {
        std::string name;
        std::uint32_t offset = cur().offset;
        if (accept_word("LEVEL")) {
            offset = cur().offset;
            if (!identifier(&name)) return fail(30334);
            if (!find_named(d->levels, name)) return fail(30342, offset);
            const bool cascade = accept_word("CASCADE");
            if (!cascade) accept_word("RESTRICT");
            auto uses = [&](const Hierarchy& h) {
                if (std::find(h.levels.begin(), h.levels.end(), name) != h.levels.end()) return true;
                for (const JoinKey& k : h.joins)
                    if (k.parent == name) return true;
                return false;
            };
            auto describes = [&](const Attribute& a) { return a.level == name; };
            const bool referenced = std::any_of(d->hierarchies.begin(), d->hierarchies.end(), uses) ||
                                    std::any_of(d->attributes.begin(), d->attributes.end(), describes);
            if (referenced && !cascade) return fail(30341, offset);
            d->hierarchies.erase(std::remove_if(d->hierarchies.begin(), d->hierarchies.end(), uses),
                                 d->hierarchies.end());
            d->attributes.erase(std::remove_if(d->attributes.begin(), d->attributes.end(), describes),
                                d->attributes.end());
            d->levels.erase(
                std::remove_if(d->levels.begin(), d->levels.end(), [&](const Level& l) { return l.name == name; }),
                d->levels.end());
            return DdlResult::Done;
        }
        if (accept_word("HIERARCHY")) {
            offset = cur().offset;
            if (!identifier(&name)) return fail(905);
            if (!find_named(d->hierarchies, name)) return fail(30349, offset);
            d->hierarchies.erase(std::remove_if(d->hierarchies.begin(), d->hierarchies.end(),
                                                [&](const Hierarchy& h) { return h.name == name; }),
                                 d->hierarchies.end());
            return DdlResult::Done;
        }
        if (!accept_word("ATTRIBUTE")) return fail(905);
        offset = cur().offset;
        if (!identifier(&name)) return fail(905);
        auto of_name = [&](const Attribute& a) { return a.name == name; };
        if (std::none_of(d->attributes.begin(), d->attributes.end(), of_name)) return fail(30342, offset);
        if (!is_word("LEVEL")) {
            d->attributes.erase(std::remove_if(d->attributes.begin(), d->attributes.end(), of_name),
                                d->attributes.end());
            return DdlResult::Done;
        }
        while (accept_word("LEVEL")) {
            std::string level;
            offset = cur().offset;
            if (!identifier(&level)) return fail(30334);
            auto here = std::find_if(d->attributes.begin(), d->attributes.end(),
                                     [&](const Attribute& a) { return a.name == name && a.level == level; });
            if (here == d->attributes.end()) return fail(30383, offset);
            if (!is_word("COLUMN")) {
                d->attributes.erase(here);
                continue;
            }
            while (accept_word("COLUMN")) {
                ColumnRef c;
                offset = cur().offset;
                if (!column_ref(&c)) return fail(904);
                auto col = std::find_if(here->columns.begin(), here->columns.end(),
                                        [&](const ColumnRef& x) { return x.column == c.column; });
                if (col == here->columns.end()) return fail(30384, offset);
                here->columns.erase(col);
            }
            if (here->columns.empty()) d->attributes.erase(here);
        }
        return DdlResult::Done;
    }

    DdlResult drop() {
        if (!dimension_name()) return fail(903);
        if (!end()) return fail(933);
        if (!stored(owner_, name_)) return fail(30333, name_offset_);
        if (owner_ != ctx_.schema && !ctx_.catalog->may_change(owner_, name_, "", "DROP ANY DIMENSION"))
            return fail(1031, name_offset_);
        erase();
        return DdlResult::Done;
    }

    // The table of a level's or key's columns: every column names one table (ORA-30347
    // unqualified, ORA-30363 for several), which exists and has them.
    bool one_table(std::vector<ColumnRef>& columns, std::string* owner, std::string* table) {
        for (ColumnRef& c : columns) {
            if (c.table.empty()) return failed(30347, c.offset);
            if (c.owner.empty()) c.owner = ctx_.schema;
            if (&c != &columns.front() && (c.owner != columns.front().owner || c.table != columns.front().table))
                return failed(30363, c.offset);
        }
        *owner = columns.front().owner;
        *table = columns.front().table;
        return columns_exist(columns, *owner, *table);
    }
    bool columns_exist(std::vector<ColumnRef>& columns, const std::string& owner, const std::string& table) {
        std::vector<ColumnInfo> have;
        if ((owner != ctx_.schema && ctx_.catalog->object_access(owner, table, "SELECT") != 0) ||
            !ctx_.catalog->table_columns(owner, table, &have))
            return failed(942, columns.front().offset);
        for (ColumnRef& c : columns) {
            auto same = [&](const ColumnInfo& i) { return i.name == c.column; };
            if (std::none_of(have.begin(), have.end(), same)) {
                *err_ = ora_error(904, "\"" + c.column + "\"");
                err_->offset = c.offset;
                return false;
            }
            c.owner = owner;
            c.table = table;
        }
        return true;
    }
    bool failed(int code, std::uint32_t offset) {
        fail(code, offset);
        return false;
    }

    // Oracle's rules between the clauses, checked on the whole dimension.
    bool check(Dimension* d) {
        for (Level& l : d->levels) {
            std::string owner, table;
            if (!one_table(l.columns, &owner, &table)) return false;
        }
        auto level_of = [&](const std::string& name) { return find_named(d->levels, name); };
        for (Hierarchy& h : d->hierarchies) {
            for (std::size_t i = 0; i < h.levels.size(); ++i) {
                if (!level_of(h.levels[i])) return failed(30342, h.level_offsets[i]);
                if (std::find(h.levels.begin(), h.levels.begin() + static_cast<long>(i), h.levels[i]) !=
                    h.levels.begin() + static_cast<long>(i))
                    return failed(30345, h.level_offsets[i]);
            }
            for (JoinKey& k : h.joins) {
                auto parent = std::find(h.levels.begin(), h.levels.end(), k.parent);
                if (parent == h.levels.end() || parent == h.levels.begin()) return failed(30335, k.offset);
                const Level* child = level_of(*(parent - 1));
                const Level* up = level_of(k.parent);
                if (k.columns.size() != up->columns.size()) return failed(30344, k.offset);
                std::string owner, table;
                if (!one_table(k.columns, &owner, &table)) return false;
                if (owner != child->columns.front().owner || table != child->columns.front().table)
                    return failed(30366, k.offset);
            }
            // A child and a parent of different tables are joined by a key.
            for (std::size_t i = 0; i + 1 < h.levels.size(); ++i) {
                const Level* child = level_of(h.levels[i]);
                const Level* parent = level_of(h.levels[i + 1]);
                if (child->columns.front().owner == parent->columns.front().owner &&
                    child->columns.front().table == parent->columns.front().table)
                    continue;
                auto joined = [&](const JoinKey& k) { return k.parent == parent->name; };
                if (std::none_of(h.joins.begin(), h.joins.end(), joined)) return failed(30367, h.level_offsets[i]);
            }
        }
        for (Attribute& a : d->attributes) {
            const Level* l = level_of(a.level);
            if (!l) return failed(a.name == a.level ? 30342 : 30383, a.offset);
            const ColumnRef& key = l->columns.front();
            for (ColumnRef& c : a.columns) {
                if (c.owner.empty() && !c.table.empty()) c.owner = ctx_.schema;
                if (!c.table.empty() && (c.owner != key.owner || c.table != key.table)) return failed(30368, c.offset);
            }
            if (!columns_exist(a.columns, key.owner, key.table)) return false;
        }
        return true;
    }

    bool stored(const std::string& owner, const std::string& name) {
        Stmt q(db_, "SELECT 1 FROM main.vantro_dimensions WHERE owner=?1 AND dimension_name=?2");
        q.text(1, owner).text(2, name);
        return q.row();
    }

    Dimension load() {
        Dimension d;
        Stmt q(db_,
               "SELECT kind,name,level_name,parent_name,table_owner,table_name,column_name,flag FROM"
               " main.vantro_dim_items WHERE owner=?1 AND dimension_name=?2 ORDER BY kind='J',rowid");
        q.text(1, owner_).text(2, name_);
        while (q.row()) {
            const std::string kind = q.column(0), name = q.column(1), level = q.column(2), parent = q.column(3);
            const ColumnRef c{q.column(4), q.column(5), q.column(6), 0};
            if (kind == "L") {
                d.levels.push_back({name, {}, q.column(7) == "Y"});
            } else if (kind == "K") {
                find_named(d.levels, name)->columns.push_back(c);
            } else if (kind == "H") {
                d.hierarchies.push_back({name, {}, {}, {}});
            } else if (kind == "C") {
                Hierarchy* h = find_named(d.hierarchies, name);
                if (h->levels.empty()) {
                    h->levels.push_back(level);
                    h->level_offsets.push_back(name_offset_);
                }
                h->levels.push_back(parent);
                h->level_offsets.push_back(name_offset_);
            } else if (kind == "J") {
                Hierarchy* h = find_named(d.hierarchies, name);
                // Rows of one key follow one another; parent_name holds the key's number.
                if (std::to_string(h->joins.size()) != parent) h->joins.push_back({{}, level, name_offset_});
                h->joins.back().columns.push_back(c);
            } else if (kind == "A") {
                if (d.attributes.empty() || d.attributes.back().name != name || d.attributes.back().level != level)
                    d.attributes.push_back({name, level, {}, name_offset_});
                d.attributes.back().columns.push_back(c);
            }
        }
        return d;
    }

    void erase() {
        const std::string key = " WHERE owner=" + quote_text(owner_) + " AND dimension_name=" + quote_text(name_);
        sql_->push_back("DELETE FROM main.vantro_dim_items" + key);
        sql_->push_back("DELETE FROM main.vantro_dimensions" + key);
    }

    void item(const char* kind, std::size_t position, const std::string& name, const std::string& level,
              const std::string& parent, const ColumnRef* c, const std::string& flag) {
        auto text_or_null = [](const std::string& s) { return s.empty() ? std::string("NULL") : quote_text(s); };
        sql_->push_back(
            "INSERT INTO main.vantro_dim_items(owner,dimension_name,kind,position,name,level_name,parent_name,"
            "table_owner,table_name,column_name,flag) VALUES (" +
            quote_text(owner_) + "," + quote_text(name_) + ",'" + kind + "'," + std::to_string(position) + "," +
            quote_text(name) + "," + text_or_null(level) + "," + text_or_null(parent) + "," +
            (c ? quote_text(c->owner) + "," + quote_text(c->table) + "," + quote_text(c->column)
               : std::string("NULL,NULL,NULL")) +
            "," + text_or_null(flag) + ")");
    }

    void write(const Dimension& d, bool exists) {
        const std::string key = " WHERE owner=" + quote_text(owner_) + " AND dimension_name=" + quote_text(name_);
        sql_->push_back("DELETE FROM main.vantro_dim_items" + key);
        if (exists)
            sql_->push_back("UPDATE main.vantro_dimensions SET revision=revision+1" + key);
        else
            sql_->push_back("INSERT INTO main.vantro_dimensions(owner,dimension_name,revision) VALUES (" +
                            quote_text(owner_) + "," + quote_text(name_) + ",1)");
        for (std::size_t i = 0; i < d.levels.size(); ++i) {
            const Level& l = d.levels[i];
            item("L", i + 1, l.name, "", "", &l.columns.front(), l.skip_when_null ? "Y" : "N");
            for (std::size_t k = 0; k < l.columns.size(); ++k) item("K", k + 1, l.name, "", "", &l.columns[k], "");
        }
        std::size_t key_id = 0;
        for (std::size_t i = 0; i < d.hierarchies.size(); ++i) {
            const Hierarchy& h = d.hierarchies[i];
            item("H", i + 1, h.name, "", "", nullptr, "");
            std::vector<std::size_t> ids(h.joins.size());
            for (std::size_t j = 0; j < h.joins.size(); ++j) {
                ids[j] = ++key_id;
                for (std::size_t k = 0; k < h.joins[j].columns.size(); ++k)
                    item("J", k + 1, h.name, h.joins[j].parent, std::to_string(j + 1), &h.joins[j].columns[k],
                         std::to_string(ids[j]));
            }
            for (std::size_t p = 0; p + 1 < h.levels.size(); ++p) {
                std::string id;
                for (std::size_t j = 0; j < h.joins.size(); ++j)
                    if (h.joins[j].parent == h.levels[p + 1]) id = std::to_string(ids[j]);
                item("C", p + 1, h.name, h.levels[p], h.levels[p + 1], nullptr, id);
            }
        }
        for (const Attribute& a : d.attributes)
            for (std::size_t k = 0; k < a.columns.size(); ++k)
                item("A", k + 1, a.name, a.level, "", &a.columns[k], "N");
        sql_->push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime') WHERE owner=" +
                        quote_text(owner_) + " AND object_name=" + quote_text(name_) + " AND object_type='DIMENSION'");
    }
};

}  // namespace

bool dimension_statement(const std::vector<Token>& tokens) {
    TokenCursor c(tokens);
    if (c.accept_word("CREATE")) {
        if (c.accept_word("OR")) c.accept_word("REPLACE");
        return c.is_word("DIMENSION");
    }
    if (c.accept_word("ALTER") || c.accept_word("DROP")) return c.is_word("DIMENSION");
    return false;
}

DdlResult dimension_ddl(const std::vector<Token>& tokens, const TranslateContext& ctx, sqlite3* db,
                        std::vector<std::string>* sql, OraError* err) {
    sql->clear();
    *err = OraError();
    DimensionParser p(tokens, ctx, db, sql, err);
    return p.run();
}

// RENAME and ALTER TABLE ... RENAME TO. The object keeps its id, rows, indexes,
// constraints, triggers, comments, statistics and grants under the new name; what names
// it by the old one does not follow: a view over a renamed table keeps its query and is
// INVALID until the old name exists again or it is replaced, and the stored units whose
// recorded dependencies name the object are INVALID and compiled again when next used.
//
// SQLite's own RENAME edits the definitions of the schema's views along with the table,
// and refuses to run while any view of the schema cannot be compiled. The schema's views
// are therefore taken out for the rename and put back exactly as they were.
#include "catalog/rename_ddl.h"

#include "catalog/catalog.h"
#include "catalog/dictionary.h"
#include "sql/sql_text.h"
#include "sql/token_cursor.h"
#include "values/errors.h"
#include "values/sqlite_statement.h"

#include <cctype>
#include <utility>

namespace {

using Stmt = SqliteStatement;

// A catalog table that keeps rows by an object's owner and name; extra narrows it to
// the object's kind.
struct NamedRows {
    const char* table;
    const char* owner_column;
    const char* name_column;
    const char* extra;
};

const NamedRows kTableRows[] = {
    {"vantro_columns", "owner", "table_name", ""},
    {"vantro_comments", "owner", "table_name", ""},
    {"vantro_constraints", "owner", "table_name", ""},
    {"vantro_index_expressions", "owner", "table_name", ""},
    {"vantro_index_options", "owner", "table_name", ""},
    {"vantro_ind_stats", "owner", "table_name", ""},
    {"vantro_column_defaults", "owner", "table_name", ""},
    {"vantro_generated_columns", "owner", "table_name", ""},
    {"vantro_table_options", "owner", "table_name", ""},
    {"vantro_object_tables", "owner", "table_name", ""},
    {"vantro_temporary_tables", "owner", "table_name", ""},
    {"vantro_tab_stats", "owner", "table_name", ""},
    {"vantro_col_stats", "owner", "table_name", ""},
    {"vantro_stats_locks", "owner", "table_name", ""},
    {"vantro_tab_privs", "owner", "table_name", ""},
    {"vantro_plsql_triggers", "table_owner", "table_name", ""},
    {"vantro_mview_logs", "log_owner", "master", ""},
    {"vantro_storage", "owner", "object_name", " AND object_kind='TABLE'"},
    {"vantro_objects", "owner", "object_name", " AND object_type='TABLE'"},
};

const NamedRows kViewRows[] = {
    {"vantro_views", "owner", "view_name", ""},
    {"vantro_columns", "owner", "table_name", ""},
    {"vantro_comments", "owner", "table_name", ""},
    {"vantro_constraints", "owner", "table_name", ""},
    {"vantro_tab_privs", "owner", "table_name", ""},
    {"vantro_plsql_errors", "owner", "name", " AND type='VIEW'"},
    {"vantro_objects", "owner", "object_name", " AND object_type='VIEW'"},
};

const NamedRows kSequenceRows[] = {
    {"vantro_sequences", "sequence_owner", "sequence_name", ""},
    {"vantro_tab_privs", "owner", "table_name", ""},
    {"vantro_objects", "owner", "object_name", " AND object_type='SEQUENCE'"},
};

const NamedRows kSynonymRows[] = {
    {"vantro_synonyms", "owner", "synonym_name", ""},
    {"vantro_objects", "owner", "object_name", " AND object_type='SYNONYM'"},
};

enum class Kind { Table, View, Sequence, Synonym };

class Renamer : TokenCursor {
public:
    Renamer(const std::vector<Token>& t, std::size_t pos, const TranslateContext& ctx, sqlite3* db,
            std::vector<std::string>* sql, OraError* err)
        : TokenCursor(t, pos), ctx_(ctx), db_(db), sql_(sql), err_(err) {}

    DdlResult run(bool alter_table);

private:
    const TranslateContext& ctx_;
    sqlite3* db_;
    std::vector<std::string>* sql_;
    OraError* err_;

    DdlResult fail_at(int code, std::uint32_t offset, const std::string& arg = {}) {
        *err_ = ora_error(code, arg);
        err_->offset = offset;
        return DdlResult::Failed;
    }
    bool name(std::string* out, std::uint32_t* offset) {
        if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return false;
        *offset = cur().offset;
        *out = cur().text;
        ++p_;
        return true;
    }
    bool exists(const std::string& sql, const std::string& owner, const std::string& name) {
        Stmt q(db_, sql);
        q.text(1, owner);
        q.text(2, name);
        return q.row();
    }
    std::string schema_object_type(const std::string& owner, const std::string& name) {
        if (!catalog_valid_user_name(owner) || !ctx_.catalog->schema_exists(owner)) return {};
        Stmt q(db_, "SELECT type FROM \"" + owner + "\".sqlite_master WHERE name=?1 AND type IN ('table','view')");
        q.text(1, name);
        return q.row() ? q.column(0) : std::string();
    }
    bool kind_of(const std::string& owner, const std::string& name, Kind* kind);
    bool name_taken(const std::string& owner, const std::string& name);
    bool schema_sql(Kind kind, const std::string& owner, const std::string& from, const std::string& to,
                    std::uint32_t offset, std::string* out);
    void catalog_sql(Kind kind, const std::string& owner, const std::string& from, const std::string& to);
};

bool Renamer::kind_of(const std::string& owner, const std::string& name, Kind* kind) {
    const std::string type = schema_object_type(owner, name);
    if (type == "table") {
        *kind = Kind::Table;
    } else if (type == "view" ||
               exists("SELECT 1 FROM main.vantro_views WHERE owner=?1 AND view_name=?2", owner, name)) {
        *kind = Kind::View;
    } else if (dictionary_sequence_exists(db_, owner, name)) {
        *kind = Kind::Sequence;
    } else if (exists("SELECT 1 FROM main.vantro_synonyms WHERE owner=?1 AND synonym_name=?2", owner, name)) {
        *kind = Kind::Synonym;
    } else {
        return false;
    }
    return true;
}

// Tables, views, sequences, private synonyms and stored units share one namespace;
// SQLite's own names (an index, a trigger) cannot be given to a table either.
bool Renamer::name_taken(const std::string& owner, const std::string& name) {
    return ctx_.catalog->object_exists(owner, name) || dictionary_sequence_exists(db_, owner, name) ||
           exists("SELECT 1 FROM main.vantro_synonyms WHERE owner=?1 AND synonym_name=?2", owner, name) ||
           exists("SELECT 1 FROM main.vantro_plsql_objects WHERE owner=?1 AND name=?2 AND type<>'TRIGGER'", owner,
                  name);
}

// A view's SQLite definition names it without its schema: it is written again with the
// schema, under the name given.
bool view_definition(const std::string& sql, const std::string& owner, const std::string& view, const std::string& as,
                     std::string* out) {
    static const std::string kCreate = "CREATE VIEW ";
    const std::string quoted = quote_name(view);
    if (sql.compare(0, kCreate.size(), kCreate) != 0 || sql.compare(kCreate.size(), quoted.size(), quoted) != 0)
        return false;
    *out = kCreate + quote_name(owner) + "." + quote_name(as) + sql.substr(kCreate.size() + quoted.size());
    return true;
}

bool Renamer::schema_sql(Kind kind, const std::string& owner, const std::string& from, const std::string& to,
                         std::uint32_t offset, std::string* out) {
    const std::string schema = quote_name(owner) + ".";
    if (kind == Kind::View) {
        Stmt q(db_, "SELECT sql FROM \"" + owner + "\".sqlite_master WHERE type='view' AND name=?1");
        q.text(1, from);
        if (!q.row()) {
            *out = "SELECT 1";  // an invalid view has no SQLite view
            return true;
        }
        std::string create;
        if (!view_definition(q.column(0), owner, from, to, &create)) return fail_at(3001, offset), false;
        *out = "DROP VIEW " + schema + quote_name(from) + "; " + create;
        return true;
    }
    if (kind != Kind::Table) {
        *out = "SELECT 1";
        return true;
    }
    std::vector<std::pair<std::string, std::string>> views;
    {
        Stmt q(db_, "SELECT name,sql FROM \"" + owner + "\".sqlite_master WHERE type='view' ORDER BY rowid");
        while (q.row()) views.emplace_back(q.column(0), q.column(1));
    }
    std::string drops, creates;
    for (const auto& v : views) {
        std::string create;
        if (!view_definition(v.second, owner, v.first, v.first, &create)) return fail_at(3001, offset), false;
        drops += "DROP VIEW " + schema + quote_name(v.first) + "; ";
        creates += "; " + create;
    }
    *out = "PRAGMA legacy_alter_table=OFF; " + drops + "ALTER TABLE " + schema + quote_name(from) + " RENAME TO " +
           quote_name(to) + creates;
    return true;
}

void Renamer::catalog_sql(Kind kind, const std::string& owner, const std::string& from, const std::string& to) {
    const NamedRows* rows = kTableRows;
    std::size_t count = sizeof kTableRows / sizeof kTableRows[0];
    switch (kind) {
    case Kind::Table:
        break;
    case Kind::View:
        rows = kViewRows;
        count = sizeof kViewRows / sizeof kViewRows[0];
        break;
    case Kind::Sequence:
        rows = kSequenceRows;
        count = sizeof kSequenceRows / sizeof kSequenceRows[0];
        break;
    case Kind::Synonym:
        rows = kSynonymRows;
        count = sizeof kSynonymRows / sizeof kSynonymRows[0];
        break;
    }
    for (std::size_t i = 0; i < count; ++i)
        sql_->push_back(std::string("UPDATE main.") + rows[i].table + " SET " + rows[i].name_column + "=" +
                        quote_text(to) + " WHERE " + rows[i].owner_column + "=" + quote_text(owner) + " AND " +
                        rows[i].name_column + "=" + quote_text(from) + rows[i].extra);
    sql_->push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime') WHERE owner=" +
                    quote_text(owner) + " AND object_name=" + quote_text(to) + " AND object_type<>'INDEX'");
    // The stored units that use the old name, and those that use them, in turn.
    sql_->push_back(
        "WITH RECURSIVE used(o,n) AS (SELECT " + quote_text(owner) + "," + quote_text(from) +
        " UNION SELECT d.owner,d.name FROM main.vantro_plsql_dependencies d JOIN used u ON d.referenced_owner=u.o AND"
        " d.referenced_name=u.n WHERE d.type<>'TRIGGER') UPDATE main.vantro_plsql_objects SET status='INVALID' WHERE"
        " status='VALID' AND type<>'TRIGGER' AND EXISTS (SELECT 1 FROM main.vantro_plsql_dependencies d JOIN used u"
        " ON d.referenced_owner=u.o AND d.referenced_name=u.n WHERE d.owner=vantro_plsql_objects.owner AND"
        " d.name=vantro_plsql_objects.name AND d.type=vantro_plsql_objects.type)");
}

DdlResult Renamer::run(bool alter_table) {
    std::string owner, from, to;
    std::uint32_t from_off = cur().offset, to_off = 0, qualifier_off = 0;
    if (!name(&from, &from_off)) return fail_at(903, cur().offset);
    if (accept_op(".")) {
        owner = from;
        qualifier_off = from_off;
        if (!name(&from, &from_off)) return fail_at(903, cur().offset);
    }
    if (alter_table && !accept_word("RENAME")) return fail_at(905, cur().offset);
    if (!accept_word("TO")) return fail_at(905, cur().offset);
    if (!name(&to, &to_off)) return fail_at(903, cur().offset);
    if (is_op(".")) return fail_at(alter_table ? 14047 : 1765, to_off);
    if (!at_end() && !is_op(";")) return fail_at(933, cur().offset);
    // RENAME works in the session's own schema only; ALTER TABLE names any table.
    if (!owner.empty() && !alter_table) return fail_at(1765, qualifier_off);
    if (owner.empty()) owner = ctx_.schema;
    Kind kind = Kind::Table;
    if (alter_table) {
        if (schema_object_type(owner, from) != "table") return fail_at(942, from_off);
        if (!ctx_.catalog->may_change(owner, from, "ALTER", "ALTER ANY TABLE"))
            return fail_at(ctx_.catalog->object_access(owner, from, std::string()) > 0 ? 942 : 1031, from_off);
    } else if (!kind_of(owner, from, &kind)) {
        return fail_at(4043, from_off, from);
    }
    if (kind == Kind::Table && ctx_.catalog->materialized_view(owner, from)) return fail_at(32318, from_off);
    if (kind == Kind::Table &&
        exists("SELECT 1 FROM main.vantro_part_tables WHERE owner=?1 AND table_name=?2", owner, from))
        return fail_at(3001, from_off, ": RENAME of a partitioned table");
    std::string upper = to.substr(0, 7);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "SQLITE_") return fail_at(903, to_off);
    if (name_taken(owner, to)) return fail_at(955, to_off);
    std::string schema;
    if (!schema_sql(kind, owner, from, to, from_off, &schema)) return DdlResult::Failed;
    sql_->clear();
    sql_->push_back(schema);
    catalog_sql(kind, owner, from, to);
    return DdlResult::Done;
}

}  // namespace

DdlResult rename_ddl(const std::vector<Token>& tokens, std::size_t pos, bool alter_table, const TranslateContext& ctx,
                     sqlite3* db, std::vector<std::string>* sql, OraError* err) {
    Renamer r(tokens, pos, ctx, db, sql, err);
    return r.run(alter_table);
}

// EXPLAIN PLAN. The explained statement is translated like any other, SQLite is asked
// for its plan (EXPLAIN QUERY PLAN) and the plan is rewritten as Oracle's row source
// tree: table and index access, joins, sorts, views, set operations and row limits, each
// step with its object, a cost and a cardinality estimated from the tables' row counts.
// The steps are numbered depth first and inserted into the plan table in the caller's
// transaction. The explained statement itself never runs; nothing here commits.
#include "sql/explain_plan.h"

#include "catalog/catalog.h"
#include "values/clock.h"
#include "values/errors.h"
#include "sql/sql_translator.h"
#include "values/values.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <map>
#include <memory>

namespace {

// Rows read to estimate a table's size and row length.
constexpr long long kSampleRows = 10000;

struct PlanColumn {
    const char* name;
    std::uint16_t code;
    std::uint32_t size;
};

// Oracle 10g's PLAN_TABLE (without OTHER_XML, a CLOB nothing here fills).
const PlanColumn kPlanColumns[] = {{"STATEMENT_ID", kTypeVarchar2, 30},
                                   {"PLAN_ID", kTypeNumber, 22},
                                   {"TIMESTAMP", kTypeDate, 7},
                                   {"REMARKS", kTypeVarchar2, 4000},
                                   {"OPERATION", kTypeVarchar2, 30},
                                   {"OPTIONS", kTypeVarchar2, 255},
                                   {"OBJECT_NODE", kTypeVarchar2, 128},
                                   {"OBJECT_OWNER", kTypeVarchar2, 30},
                                   {"OBJECT_NAME", kTypeVarchar2, 30},
                                   {"OBJECT_ALIAS", kTypeVarchar2, 65},
                                   {"OBJECT_INSTANCE", kTypeNumber, 22},
                                   {"OBJECT_TYPE", kTypeVarchar2, 30},
                                   {"OPTIMIZER", kTypeVarchar2, 255},
                                   {"SEARCH_COLUMNS", kTypeNumber, 22},
                                   {"ID", kTypeNumber, 22},
                                   {"PARENT_ID", kTypeNumber, 22},
                                   {"DEPTH", kTypeNumber, 22},
                                   {"POSITION", kTypeNumber, 22},
                                   {"COST", kTypeNumber, 22},
                                   {"CARDINALITY", kTypeNumber, 22},
                                   {"BYTES", kTypeNumber, 22},
                                   {"OTHER_TAG", kTypeVarchar2, 255},
                                   {"PARTITION_START", kTypeVarchar2, 255},
                                   {"PARTITION_STOP", kTypeVarchar2, 255},
                                   {"PARTITION_ID", kTypeNumber, 22},
                                   {"OTHER", kTypeLong, 0},
                                   {"DISTRIBUTION", kTypeVarchar2, 30},
                                   {"CPU_COST", kTypeNumber, 22},
                                   {"IO_COST", kTypeNumber, 22},
                                   {"TEMP_SPACE", kTypeNumber, 22},
                                   {"ACCESS_PREDICATES", kTypeVarchar2, 4000},
                                   {"FILTER_PREDICATES", kTypeVarchar2, 4000},
                                   {"PROJECTION", kTypeVarchar2, 4000},
                                   {"TIME", kTypeNumber, 22},
                                   {"QBLOCK_NAME", kTypeVarchar2, 30}};

// One step of Oracle's plan.
struct PlanStep {
    std::string operation, options, owner, name, object_type, alias, qblock;
    long long instance = 0;
    int search_columns = -1;
    double card = 1, cost = 0, width = 0;  // width: bytes per row, 0 when not shown
    bool hash = false, outer = false;      // as the inner side of a join
    // The conditions the step applies: to find its rows (an index's keys, a hash join's
    // keys) and to discard rows it has read. join_keys: a hash join's, on its inner side.
    std::vector<std::string> access_preds, filter_preds, join_keys;
    std::vector<PlanStep> children;
};

PlanStep make(const std::string& operation, const std::string& options, std::vector<PlanStep> children) {
    PlanStep s;
    s.operation = operation;
    s.options = options;
    s.children = std::move(children);
    for (const PlanStep& c : s.children) {
        s.cost += c.cost;
        s.width = std::max(s.width, c.width);
    }
    if (!s.children.empty()) s.card = s.children[0].card;
    return s;
}

struct TableRefInfo {
    std::string owner, table;
    long long instance = 1;
    int block = 1;
    const SelectStmt* select = nullptr;  // the query block whose FROM names it
};

// The conditions of a WHERE clause joined by AND.
void split_conjuncts(const Expr& e, std::vector<const Expr*>* out) {
    if (e.kind == ExprKind::And) {
        for (const ExprPtr& a : e.args) split_conjuncts(*a, out);
        return;
    }
    out->push_back(&e);
}

// A condition as Oracle's plan shows it: column names quoted (with their table's alias
// when the block reads several tables), BETWEEN and IN lists expanded; other forms as
// they were written.
class PredicateText {
public:
    // qualifier: the alias a column is shown with (empty: none).
    PredicateText(const std::string& text, std::function<std::string(const Expr&)> qualifier)
        : text_(text), qualifier_(std::move(qualifier)) {}

    std::string of(const Expr& e) const {
        switch (e.kind) {
        case ExprKind::Column: {
            if (is_rownum(e)) return "ROWNUM";
            std::string name = "\"" + e.path.back() + "\"";
            std::string q = qualifier_(e);
            return q.empty() ? name : "\"" + q + "\"." + name;
        }
        case ExprKind::Number:
            return e.text;
        case ExprKind::String: {
            std::string q = "'";
            for (char c : e.text) q += c == '\'' ? std::string("''") : std::string(1, c);
            return q + "'";
        }
        case ExprKind::Null:
            return "NULL";
        case ExprKind::Bind:
            return ":" + e.text;
        case ExprKind::Compare:
            return of(*e.args[0]) + e.text + of(*e.args[1]);
        case ExprKind::Binary:
            return of(*e.args[0]) + e.text + of(*e.args[1]);
        case ExprKind::Concat:
            return of(*e.args[0]) + "||" + of(*e.args[1]);
        case ExprKind::And:
            return of(*e.args[0]) + " AND " + of(*e.args[1]);
        case ExprKind::Or:
            return "(" + of(*e.args[0]) + " OR " + of(*e.args[1]) + ")";
        case ExprKind::IsNull:
            return of(*e.args[0]) + (e.negated ? " IS NOT NULL" : " IS NULL");
        case ExprKind::Like:
            return of(*e.args[0]) + (e.negated ? " NOT LIKE " : " LIKE ") + of(*e.args[1]);
        case ExprKind::Between:
            if (e.negated) break;
            return of(*e.args[0]) + ">=" + of(*e.args[1]) + " AND " + of(*e.args[0]) + "<=" + of(*e.args[2]);
        case ExprKind::InList: {
            if (e.negated || e.args.size() < 2) break;
            if (e.args.size() == 2) return of(*e.args[0]) + "=" + of(*e.args[1]);
            std::string out = "(";
            for (std::size_t i = 1; i < e.args.size(); ++i)
                out += (i > 1 ? " OR " : "") + of(*e.args[0]) + "=" + of(*e.args[i]);
            return out + ")";
        }
        case ExprKind::Function: {
            if (e.over || e.star || e.distinct || e.extras) break;
            std::string out = e.text + "(";
            for (std::size_t i = 0; i < e.args.size(); ++i) out += (i ? "," : "") + of(*e.args[i]);
            return out + ")";
        }
        default:
            break;
        }
        return e.end > e.offset && e.end <= text_.size() ? text_.substr(e.offset, e.end - e.offset) : e.text;
    }

private:
    const std::string& text_;
    std::function<std::string(const Expr&)> qualifier_;
};

// What the statement's syntax says about each query block.
struct BlockInfo {
    bool aggregate = false, grouped = false, has_where = false;
    long long row_limit = -1;
};

bool has_aggregate(const Expr& e) {
    if (is_aggregate_call(e)) return true;
    for (const ExprPtr& a : e.args)
        if (has_aggregate(*a)) return true;
    return false;
}

long long rownum_limit_of(const Expr& e) {
    if (e.kind == ExprKind::And) {
        long long a = rownum_limit_of(*e.args[0]), b = rownum_limit_of(*e.args[1]);
        return a < 0 ? b : b < 0 ? a : std::min(a, b);
    }
    if (e.kind != ExprKind::Compare || e.args.size() != 2) return -1;
    bool left = is_rownum(*e.args[0]) && e.args[1]->kind == ExprKind::Number;
    bool right = is_rownum(*e.args[1]) && e.args[0]->kind == ExprKind::Number;
    if (!left && !right) return -1;
    double n = std::atof((left ? e.args[1] : e.args[0])->text.c_str());
    std::string op = e.text;
    if (right) op = op == "<" ? ">" : op == ">" ? "<" : op == "<=" ? ">=" : op == ">=" ? "<=" : op;
    if (op == "<=" || op == "=") return n < 1 ? 0 : static_cast<long long>(std::floor(n));
    if (op == "<") return n <= 1 ? 0 : static_cast<long long>(std::ceil(n)) - 1;
    return -1;
}

class PlanBuilder {
public:
    PlanBuilder(sqlite3* db, const TranslateContext& ctx, const std::string& text) : db_(db), ctx_(ctx), text_(text) {}

    struct Eqp {
        int id = 0, parent = 0;
        std::string detail;
    };
    std::vector<Eqp> rows;
    bool is_dml = false;  // SQLite's own foreign key lookups are no part of Oracle's plan

    void collect(const Statement& s) {
        dml_where_ = s.where.get();
        if (!s.table.name.empty()) {
            TableRefInfo t{owner_of(s.table), s.table.name, 1, 1};
            aliases_[s.alias.empty() ? s.table.name : s.alias] = t;
        }
        if (s.where) collect_expr(*s.where);
        for (const auto& set : s.sets) collect_expr(*set.second);
        if (s.select) collect_select(*s.select);
    }

    PlanStep statement(const Statement& s) {
        switch (s.kind) {
        case StatementKind::Select:
            return root("SELECT STATEMENT", level(0, s.select.get()));
        case StatementKind::Insert: {
            PlanStep load = table_step("LOAD TABLE", "CONVENTIONAL", owner_of(s.table), s.table.name);
            load.cost = 1;
            if (s.select) {
                load.children.push_back(level(0, s.select.get()));
                load.cost = load.children[0].cost;
                load.card = load.children[0].card;
                load.width = load.children[0].width;
            }
            load.object_type.clear();
            return root("INSERT STATEMENT", load);
        }
        case StatementKind::Update:
        case StatementKind::Delete: {
            BlockInfo info;
            info.has_where = s.where != nullptr;
            PlanStep access = level(0, nullptr, &info);
            // The rows to change are found by their rowids: an index lookup needs no table access.
            if (access.operation == "TABLE ACCESS" && access.options == "BY INDEX ROWID" && access.children.size() == 1)
                access = PlanStep(access.children[0]);
            PlanStep dml =
                table_step(s.kind == StatementKind::Update ? "UPDATE" : "DELETE", "", owner_of(s.table), s.table.name);
            dml.object_type.clear();
            dml.cost = access.cost;
            dml.card = access.card;
            dml.width = access.width;
            dml.children.push_back(access);
            return root(s.kind == StatementKind::Update ? "UPDATE STATEMENT" : "DELETE STATEMENT", dml);
        }
        default:  // only queries and DML are explained
            break;
        }
        return PlanStep();
    }

private:
    sqlite3* db_;
    const TranslateContext& ctx_;
    const std::string& text_;                                      // the explained statement's text
    const Expr* dml_where_ = nullptr;                              // an UPDATE's or DELETE's WHERE
    std::map<const SelectStmt*, std::set<const Expr*>> placed_;    // conditions given to a step
    std::map<const SelectStmt*, std::set<std::string>> accessed_;  // aliases read so far, in join order
    std::map<std::string, TableRefInfo> aliases_;                  // as SQLite's plan names the tables
    std::map<std::string, const SelectStmt*> views_;               // inline views by alias
    std::map<std::string, const Eqp*> coroutines_;                 // SQLite's subquery steps by name
    std::set<std::string> expanding_;                              // the subqueries being written out
    std::map<const SelectStmt*, BlockInfo> blocks_;
    std::map<const SelectStmt*, std::vector<const SelectStmt*>> subqueries_;  // in expressions, in order
    std::map<std::string, std::pair<long long, double>> table_stats_;         // rows, bytes per row
    int block_count_ = 0;
    const SelectStmt* current_ = nullptr;
    std::string schema_;  // whose names a view's text uses
    int view_depth_ = 0;
    std::vector<std::unique_ptr<Statement>> views_parsed_;

    std::string owner_of(const TableRef& t) const {
        return t.owner.empty() ? (schema_.empty() ? ctx_.schema : schema_) : t.owner;
    }

    // SQLite merges a view's query into the statement, so its plan names the view's own
    // tables by the view's aliases: read them from the view's text.
    void collect_view(const std::string& owner, const std::string& name) {
        if (view_depth_ >= 8) return;
        sqlite3_stmt* st = nullptr;
        std::string text;
        if (sqlite3_prepare_v2(db_, "SELECT text FROM main.vantro_views WHERE owner=?1 AND view_name=?2", -1, &st,
                               nullptr) == SQLITE_OK) {
            sqlite3_bind_text(st, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
                text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        }
        sqlite3_finalize(st);
        if (text.empty()) return;
        std::vector<Token> tokens;
        OraError ignored;
        std::unique_ptr<Statement> view(new Statement);
        if (!sql_tokenize(text, &tokens, &ignored) || !sql_parse(tokens, view.get(), &ignored) || !view->select) return;
        std::string saved_schema = schema_;
        const SelectStmt* saved_block = current_;
        schema_ = owner;
        ++view_depth_;
        collect_select(*view->select);
        --view_depth_;
        schema_ = saved_schema;
        current_ = saved_block;
        views_parsed_.push_back(std::move(view));
    }

    void collect_expr(const Expr& e) {
        if (e.subquery) {
            if (current_) subqueries_[current_].push_back(e.subquery.get());
            collect_select(*e.subquery);
        }
        for (const ExprPtr& a : e.args) collect_expr(*a);
    }

    void collect_select(const SelectStmt& first) {
        for (const SelectStmt* b = &first; b; b = b->next.get()) {
            const SelectStmt* saved = current_;
            current_ = b;
            ++block_count_;
            BlockInfo& info = blocks_[b];
            info.grouped = !b->group_by.empty() || !b->grouping.empty();
            info.has_where = b->where != nullptr;
            if (b->where) info.row_limit = rownum_limit_of(*b->where);
            for (const SelectItem& it : b->items) info.aggregate = info.aggregate || has_aggregate(*it.expr);
            long long instance = 0;
            for (const FromItem& f : b->from) {
                ++instance;
                if (f.subquery) {
                    if (!f.alias.empty()) views_[f.alias] = f.subquery.get();
                    const SelectStmt* inner_saved = current_;
                    collect_select(*f.subquery);
                    current_ = inner_saved;
                } else {
                    TableRefInfo t{owner_of(f.table), f.table.name, instance, block_count_, b};
                    aliases_[f.alias.empty() ? f.table.name : f.alias] = t;
                    collect_view(t.owner, t.table);
                }
                if (f.on) collect_expr(*f.on);
            }
            for (const SelectItem& it : b->items) collect_expr(*it.expr);
            if (b->where) collect_expr(*b->where);
            if (b->having) collect_expr(*b->having);
            if (b->start_with) collect_expr(*b->start_with);
            if (b->connect_by) collect_expr(*b->connect_by);
            current_ = saved;
        }
    }

    std::vector<const Expr*> conditions_of(const SelectStmt* block) const {
        std::vector<const Expr*> out;
        const Expr* where = block ? block->where.get() : dml_where_;
        if (where) split_conjuncts(*where, &out);
        return out;
    }

    bool block_has_column(const TableRefInfo& t, const std::string& column) const {
        std::vector<ColumnInfo> cols;
        if (!ctx_.catalog || !ctx_.catalog->table_columns(t.owner, t.table, &cols)) return false;
        for (const ColumnInfo& c : cols)
            if (c.name == column) return true;
        return false;
    }

    // The alias of the table a column of block belongs to; empty when none is known.
    std::string column_alias(const Expr& e, const SelectStmt* block) const {
        if (e.path.size() >= 2) {
            const std::string& q = e.path[e.path.size() - 2];
            return aliases_.count(q) ? q : std::string();
        }
        std::string found;
        for (const auto& a : aliases_) {
            if (a.second.select != block || !block_has_column(a.second, e.path.back())) continue;
            if (!found.empty()) return std::string();
            found = a.first;
        }
        return found;
    }

    // The aliases a condition reads; false when it cannot be given to one step (it has a
    // subquery, ROWNUM or a name of no table).
    bool aliases_read(const Expr& e, const SelectStmt* block, std::set<std::string>* out) const {
        if (e.subquery || is_rownum(e)) return false;
        if (e.kind == ExprKind::Column) {
            std::string a = column_alias(e, block);
            if (a.empty()) return false;
            out->insert(a);
            return true;
        }
        for (const ExprPtr& a : e.args)
            if (!aliases_read(*a, block, out)) return false;
        return true;
    }

    PredicateText printer(const SelectStmt* block) const {
        int tables = 0;
        for (const auto& a : aliases_) tables += a.second.select == block ? 1 : 0;
        if (tables <= 1) return PredicateText(text_, [](const Expr&) { return std::string(); });
        return PredicateText(text_, [this, block](const Expr& c) { return column_alias(c, block); });
    }

    // Whether condition c compares a key column of the index on alias with a value that
    // alias does not supply: a condition the index lookup itself applies.
    bool key_condition(const Expr& c, const std::vector<std::string>& keys, const std::string& alias,
                       const SelectStmt* block) const {
        auto is_key = [&](const Expr& e) {
            return e.kind == ExprKind::Column && column_alias(e, block) == alias &&
                   std::find(keys.begin(), keys.end(), e.path.back()) != keys.end();
        };
        auto other = [&](const Expr& e) {
            std::set<std::string> read;
            return aliases_read(e, block, &read) && !read.count(alias);
        };
        if (c.kind == ExprKind::Compare && c.text != "<>" && c.text != "!=")
            return (is_key(*c.args[0]) && other(*c.args[1])) || (is_key(*c.args[1]) && other(*c.args[0]));
        if (c.kind == ExprKind::Between && !c.negated)
            return is_key(*c.args[0]) && other(*c.args[1]) && other(*c.args[2]);
        return false;
    }

    // Gives the step reading alias the conditions of its block that can be applied once
    // alias and the tables joined before it are read: the index's key conditions as its
    // access predicates, a hash join's keys to the join, the others as filters.
    void place_conditions(PlanStep* s, PlanStep* index, const std::vector<std::string>& keys, const std::string& alias,
                          const SelectStmt* block) {
        std::set<std::string>& accessed = accessed_[block];
        accessed.insert(alias);
        std::set<const Expr*>& placed = placed_[block];
        PredicateText print = printer(block);
        for (const Expr* c : conditions_of(block)) {
            std::set<std::string> read;
            if (placed.count(c) || !aliases_read(*c, block, &read) || !read.count(alias)) continue;
            bool ready = true;
            for (const std::string& r : read) ready = ready && accessed.count(r);
            if (!ready) continue;
            placed.insert(c);
            std::string shown = print.of(*c);
            if (read.size() > 1 && s->hash)
                s->join_keys.push_back(shown);
            else if (index && key_condition(*c, keys, alias, block))
                index->access_preds.push_back(shown);
            else
                s->filter_preds.push_back(shown);
        }
    }

    PlanStep root(const std::string& operation, const PlanStep& child) {
        PlanStep r = make(operation, "", {child});
        r.width = child.width;
        r.card = child.card;
        return r;
    }

    // Row count and average row length of a table, from its first rows (a large table's
    // count is its highest rowid); zeros when unknown.
    std::pair<long long, double> stats(const std::string& owner, const std::string& table) {
        std::string key = owner + "." + table;
        auto it = table_stats_.find(key);
        if (it != table_stats_.end()) return it->second;
        std::pair<long long, double> result(0, 0);
        std::vector<ColumnInfo> cols;
        if (ctx_.catalog && ctx_.catalog->table_columns(owner, table, &cols)) {
            std::string sum;
            for (const ColumnInfo& c : cols)
                sum += (sum.empty() ? "" : "+") + ("coalesce(length(\"" + c.name + "\"),0)");
            std::string name = "\"" + owner + "\".\"" + table + "\"";
            std::string sql = "SELECT count(*), total(w) FROM (SELECT " + sum + " AS w FROM " + name + " LIMIT " +
                              std::to_string(kSampleRows) + ")";
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
                long long sampled = sqlite3_column_int64(st, 0);
                result.first = sampled;
                // Each column also carries a length byte.
                result.second = static_cast<double>(cols.size());
                if (sampled > 0) result.second += sqlite3_column_double(st, 1) / static_cast<double>(sampled);
            }
            sqlite3_finalize(st);
            st = nullptr;
            if (result.first == kSampleRows &&
                sqlite3_prepare_v2(db_, ("SELECT max(rowid) FROM " + name).c_str(), -1, &st, nullptr) == SQLITE_OK &&
                sqlite3_step(st) == SQLITE_ROW)
                result.first = std::max(result.first, static_cast<long long>(sqlite3_column_int64(st, 0)));
            sqlite3_finalize(st);
        }
        table_stats_[key] = result;
        return result;
    }

    PlanStep table_step(const std::string& operation, const std::string& options, const std::string& owner,
                    const std::string& table) {
        PlanStep s;
        s.operation = operation;
        s.options = options;
        s.owner = owner;
        s.name = table;
        s.object_type = "TABLE";
        return s;
    }

    // The Oracle name of an index: SQLite's automatic key indexes are known by the
    // constraint they enforce.
    std::string index_name(const std::string& owner, const std::string& table, const std::string& index, bool* unique,
                           int* key_columns, std::vector<std::string>* key_names) {
        *unique = false;
        *key_columns = 0;
        key_names->clear();
        std::string columns;
        sqlite3_stmt* st = nullptr;
        std::string sql = "SELECT name FROM pragma_index_info(?1,?2) ORDER BY seqno";
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(st, 1, index.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, owner.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(st) == SQLITE_ROW) {
                const unsigned char* n = sqlite3_column_text(st, 0);
                columns += (columns.empty() ? "" : ",") + std::string(n ? reinterpret_cast<const char*>(n) : "");
                key_names->push_back(n ? reinterpret_cast<const char*>(n) : "");
                ++*key_columns;
            }
        }
        sqlite3_finalize(st);
        st = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT \"unique\" FROM pragma_index_list(?1,?2) WHERE name=?3", -1, &st,
                               nullptr) == SQLITE_OK) {
            sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, owner.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, index.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW) *unique = sqlite3_column_int(st, 0) != 0;
        }
        sqlite3_finalize(st);
        if (index.compare(0, 17, "sqlite_autoindex_") != 0) return index;
        std::string named = catalog_constraint_name(db_, owner, table, 'U', columns);
        std::size_t dot = named.find('.');
        return dot == std::string::npos ? index : named.substr(dot + 1);
    }

    std::vector<const Eqp*> children_of(int parent) const {
        std::vector<const Eqp*> out;
        for (const Eqp& r : rows)
            if (r.parent == parent) out.push_back(&r);
        return out;
    }

    static bool starts(const std::string& s, const char* prefix) {
        return s.compare(0, std::strlen(prefix), prefix) == 0;
    }

    // SCAN / SEARCH of a table, an index or a view.
    PlanStep access(const Eqp& row, const BlockInfo* info) {
        std::string d = row.detail;
        bool search = starts(d, "SEARCH ");
        d = d.substr(search ? 7 : 5);
        if (starts(d, "TABLE ")) d = d.substr(6);
        if (starts(d, "SUBQUERY ")) d = "(subquery-" + d.substr(9) + ")";
        bool outer = d.find(" LEFT-JOIN") != std::string::npos;
        std::size_t end = d.find(' ');
        std::string name = d.substr(0, end);
        std::string rest = end == std::string::npos ? std::string() : d.substr(end);
        if (starts(rest, " AS ")) {
            std::size_t e2 = rest.find(' ', 4);
            name = rest.substr(4, e2 == std::string::npos ? std::string::npos : e2 - 4);
            rest = e2 == std::string::npos ? std::string() : rest.substr(e2);
        }
        PlanStep s;
        if (name == "CONSTANT" || name == "DUAL") {
            s = make("FAST DUAL", "", {});
            s.cost = 2;
            s.card = 1;
            s.outer = outer;
            return s;
        }
        // The recursive step of a hierarchical query reads the rows of the level above.
        if (name == "vantro_p") {
            s = make("CONNECT BY PUMP", "", {});
            s.outer = outer;
            return s;
        }
        auto view = coroutines_.find(name);
        // A subquery may carry the alias of the table it reads (a ROWNUM limit keeps the
        // table's alias): inside it, the name is the table.
        if (view != coroutines_.end() && !expanding_.count(name)) {
            auto v = views_.find(name);
            expanding_.insert(name);
            PlanStep inner = subtree(*view->second, v == views_.end() ? nullptr : v->second);
            expanding_.erase(name);
            s = inner.operation == "CONNECT BY" ? inner : make("VIEW", "", {inner});
            if (s.operation == "VIEW") s.alias = name;
            s.outer = outer;
            return s;
        }
        auto t = aliases_.find(name);
        if (t == aliases_.end() && is_dml) return PlanStep();
        std::string owner = t == aliases_.end() ? "SYS" : t->second.owner;
        std::string table = t == aliases_.end() ? name : t->second.table;
        std::pair<long long, double> st = stats(owner, table);
        double table_rows = static_cast<double>(st.first);
        bool filtered = info ? info->has_where : false;
        bool indexed = false;
        std::vector<std::string> key_names;
        std::size_t using_at = rest.find(" USING ");
        std::string how = using_at == std::string::npos ? std::string() : rest.substr(using_at + 7);
        if (how.empty() || starts(how, "AUTOMATIC")) {
            s = table_step("TABLE ACCESS", "FULL", owner, table);
            s.card = std::max(1.0, filtered ? std::ceil(table_rows / 10) : table_rows);
            s.cost = 2 + std::ceil(table_rows / 100);
            s.hash = !how.empty();
        } else if (starts(how, "INTEGER PRIMARY KEY") || starts(how, "ROWID")) {
            s = table_step("TABLE ACCESS", "BY USER ROWID", owner, table);
            s.card = 1;
            s.cost = 1;
        } else {
            indexed = true;
            bool covering = starts(how, "COVERING INDEX ");
            std::string after = how.substr(covering ? 15 : 6);
            std::size_t sp = after.find(' ');
            std::string index = after.substr(0, sp);
            std::string cons = sp == std::string::npos ? std::string() : after.substr(sp);
            bool unique = false;
            int keys = 0;
            std::string oracle_index = index_name(owner, table, index, &unique, &keys, &key_names);
            int equal = 0;
            for (std::size_t p = cons.find("=?"); p != std::string::npos; p = cons.find("=?", p + 2)) ++equal;
            PlanStep ix;
            ix.operation = "INDEX";
            ix.owner = owner;
            ix.name = oracle_index;
            ix.object_type = unique ? "INDEX (UNIQUE)" : "INDEX";
            if (!search) {
                ix.options = "FULL SCAN";
                ix.card = std::max(1.0, table_rows);
                ix.cost = 1 + std::ceil(table_rows / 200);
            } else if (unique && equal >= keys && keys > 0) {
                ix.options = "UNIQUE SCAN";
                ix.card = 1;
                ix.cost = 0;
                ix.search_columns = equal;
            } else {
                ix.options = "RANGE SCAN";
                ix.card = std::max(1.0, std::ceil(table_rows / 10));
                ix.cost = 1 + std::ceil(ix.card / 100);
                ix.search_columns = equal;
            }
            if (covering) {
                s = ix;
                s.width = st.second;
            } else {
                s = table_step("TABLE ACCESS", "BY INDEX ROWID", owner, table);
                s.card = ix.card;
                s.cost = ix.cost + (ix.options == "UNIQUE SCAN" ? 1 : ix.card);
                s.children.push_back(ix);
            }
        }
        if (s.width == 0 && s.operation == "TABLE ACCESS") s.width = st.second;
        if (t != aliases_.end()) {
            // An alias that several blocks use is known by the last one: the conditions
            // are only given when the step is read by the block the alias is known in.
            auto known = t->second.select ? blocks_.find(t->second.select) : blocks_.end();
            bool other_block = info && known != blocks_.end() && info != &known->second;
            PlanStep* index = !indexed ? nullptr : s.operation == "INDEX" ? &s : &s.children[0];
            if (!other_block) place_conditions(&s, index, key_names, name, t->second.select);
            s.instance = t->second.instance;
            s.alias = name + "@SEL$" + std::to_string(t->second.block);
            s.qblock = "SEL$" + std::to_string(t->second.block);
        }
        s.outer = outer;
        return s;
    }

    // A co-routine or materialized subquery: a view, or the recursion of a hierarchical
    // query (its setup and recursive step under CONNECT BY).
    PlanStep subtree(const Eqp& row, const SelectStmt* block) {
        std::vector<const Eqp*> kids = children_of(row.id);
        for (const Eqp* k : kids) {
            if (k->detail == "SETUP" || starts(k->detail, "RECURSIVE STEP")) {
                std::vector<PlanStep> parts;
                for (const Eqp* part : kids) parts.push_back(level(part->id, nullptr));
                PlanStep c = make("CONNECT BY", "WITH FILTERING", parts);
                return c;
            }
        }
        return level(row.id, block);
    }

    // A set operation: COMPOUND QUERY names each branch's operator; MERGE (op) names one
    // for its LEFT and RIGHT branches, whose sorts only feed the merge.
    PlanStep compound(const Eqp& row, const SelectStmt* first) {
        const SelectStmt* block = first;
        PlanStep acc;
        bool any = false;
        bool merge = starts(row.detail, "MERGE (");
        std::string merge_op = merge ? row.detail.substr(7, row.detail.size() - 8) : std::string();
        for (const Eqp* k : children_of(row.id)) {
            PlanStep branch = level(k->id, block);
            if (block) block = block->next.get();
            if (merge && branch.operation == "SORT" && branch.options == "ORDER BY" && branch.children.size() == 1)
                branch = PlanStep(branch.children[0]);
            const std::string d = merge ? merge_op : k->detail;
            if (!any) {
                acc = branch;
                any = true;
            } else if (starts(d, "UNION ALL")) {
                if (acc.operation == "UNION-ALL") {
                    acc.children.push_back(branch);
                    acc.cost += branch.cost;
                    acc.card += branch.card;
                } else {
                    acc = make("UNION-ALL", "", {acc, branch});
                    acc.card = acc.children[0].card + branch.card;
                }
            } else if (starts(d, "EXCEPT")) {
                acc = make("MINUS", "", {acc, branch});
            } else if (starts(d, "INTERSECT")) {
                acc = make("INTERSECTION", "", {acc, branch});
                acc.card = std::min(acc.children[0].card, branch.card);
            } else {
                PlanStep all = make("UNION-ALL", "", {acc, branch});
                all.card = acc.card + branch.card;
                acc = make("SORT", "UNIQUE", {all});
                acc.cost += 1;
            }
        }
        return acc;
    }

    PlanStep level(int parent, const SelectStmt* block, const BlockInfo* given = nullptr) {
        const BlockInfo* info = given;
        if (!info && block) {
            auto it = blocks_.find(block);
            if (it != blocks_.end()) info = &it->second;
        }
        std::vector<PlanStep> joined;
        std::vector<PlanStep> subqueries;
        bool sort_order = false, sort_group = false, sort_distinct = false;
        bool have_result = false;
        PlanStep result;
        std::size_t subquery_index = 0;
        for (const Eqp* r : children_of(parent)) {
            const std::string& d = r->detail;
            if (starts(d, "CO-ROUTINE ") || starts(d, "MATERIALIZE ")) {
                coroutines_[d.substr(d.find(' ') + 1)] = r;
            } else if (starts(d, "COMPOUND QUERY") || starts(d, "MERGE (")) {
                result = compound(*r, block);
                have_result = true;
            } else if (starts(d, "SCAN ") || starts(d, "SEARCH ")) {
                PlanStep a = access(*r, info);
                if (!a.operation.empty()) joined.push_back(a);
            } else if (starts(d, "MULTI-INDEX OR")) {
                // The table read once per OR branch, each by its index: a concatenation.
                std::vector<PlanStep> branches;
                for (const Eqp* branch : children_of(r->id))
                    for (const Eqp* step : children_of(branch->id))
                        if (starts(step->detail, "SCAN ") || starts(step->detail, "SEARCH ")) {
                            PlanStep a = access(*step, info);
                            if (!a.operation.empty()) branches.push_back(a);
                        }
                if (branches.size() == 1) joined.push_back(branches[0]);
                if (branches.size() > 1) {
                    PlanStep c = make("CONCATENATION", "", branches);
                    c.card = 0;
                    for (const PlanStep& b : branches) c.card += b.card;
                    joined.push_back(c);
                }
            } else if (starts(d, "USE TEMP B-TREE FOR ")) {
                if (d.find("GROUP BY") != std::string::npos)
                    sort_group = true;
                else if (d.find("DISTINCT") != std::string::npos)
                    sort_distinct = true;
                else
                    sort_order = true;
            } else if (d.find("SUBQUERY") != std::string::npos) {
                const SelectStmt* sub = nullptr;
                auto it = subqueries_.find(block);
                if (it != subqueries_.end() && subquery_index < it->second.size()) sub = it->second[subquery_index];
                ++subquery_index;
                subqueries.push_back(level(r->id, sub));
            }
        }
        if (!joined.empty()) {
            result = joined[0];
            for (std::size_t i = 1; i < joined.size(); ++i) {
                const PlanStep& inner = joined[i];
                PlanStep j;
                if (inner.hash) {
                    j = make("HASH JOIN", inner.outer ? "OUTER" : "", {result, inner});
                    j.access_preds = inner.join_keys;
                    j.children[1].join_keys.clear();
                    j.cost = result.cost + inner.cost + 1;
                    j.card = std::max(result.card, inner.card);
                } else {
                    j = make("NESTED LOOPS", inner.outer ? "OUTER" : "", {result, inner});
                    j.cost = result.cost + result.card * inner.cost;
                    j.card = std::max(1.0, result.card * inner.card);
                }
                j.width = result.width + inner.width;
                result = j;
            }
            have_result = true;
        }
        if (!have_result) {
            result = make("FAST DUAL", "", {});
            result.cost = 2;
        }
        if (!subqueries.empty()) {
            std::vector<PlanStep> parts{result};
            parts.insert(parts.end(), subqueries.begin(), subqueries.end());
            PlanStep f = make("FILTER", "", parts);
            f.card = result.card;
            result = f;
        }
        if (info && info->row_limit >= 0) {
            PlanStep c = make("COUNT", "STOPKEY", {result});
            PredicateText print = printer(block);
            if (block)
                for (const Expr* cond : conditions_of(block))
                    if (rownum_limit_of(*cond) >= 0) c.filter_preds.push_back(print.of(*cond));
            c.card = std::min(result.card, std::max(1.0, static_cast<double>(info->row_limit)));
            result = c;
        }
        if (info && info->grouped) {
            bool merged = sort_group && sort_order;
            PlanStep g =
                make(sort_group && !merged ? "HASH" : "SORT", sort_group ? "GROUP BY" : "GROUP BY NOSORT", {result});
            g.card = std::max(1.0, std::ceil(result.card / 10));
            g.cost += 1;
            result = g;
            if (merged) sort_order = false;
        } else if (info && info->aggregate) {
            PlanStep a = make("SORT", "AGGREGATE", {result});
            a.card = 1;
            result = a;
        }
        if (sort_distinct) {
            PlanStep u = make("SORT", "UNIQUE", {result});
            u.cost += 1;
            result = u;
        }
        // A hierarchical query's own ordering of its rows is the CONNECT BY itself.
        if (block && block->connect_by && block->order_by.empty()) sort_order = false;
        if (sort_order) {
            PlanStep o = make("SORT", "ORDER BY", {result});
            o.cost += 1;
            result = o;
        }
        return result;
    }
};

struct PlanRow {
    const PlanStep* step;
    long long id, parent, depth, position;
};

void number_steps(const PlanStep& s, long long parent, long long depth, long long position, std::vector<PlanRow>* out) {
    long long id = static_cast<long long>(out->size());
    out->push_back({&s, id, parent, depth, position});
    long long p = 0;
    for (const PlanStep& c : s.children) number_steps(c, id, depth + 1, ++p, out);
}

bool fail_at(OraError* err, int code, std::uint32_t offset) {
    *err = ora_error(code);
    err->offset = offset;
    return false;
}

// What every row of one EXPLAIN PLAN run shares.
struct PlanRun {
    std::string statement_id;
    bool has_id = false;
    long long plan_id = 1;
    std::string timestamp;
};

// Binds plan table column n (parameter at) for row.
void bind_plan_column(sqlite3_stmt* ins, int at, const std::string& n, const PlanRow& row, const PlanRun& run) {
    const PlanStep& s = *row.step;
    long long cost = static_cast<long long>(std::ceil(s.cost));
    long long card = static_cast<long long>(std::ceil(s.card));
    auto text_value = [&](const std::string& v) {
        if (!v.empty()) sqlite3_bind_text(ins, at, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    };
    if (n == "STATEMENT_ID") {
        if (run.has_id) text_value(run.statement_id);
    } else if (n == "PLAN_ID")
        sqlite3_bind_int64(ins, at, run.plan_id);
    else if (n == "TIMESTAMP")
        text_value(run.timestamp);
    else if (n == "OPERATION")
        text_value(s.operation);
    else if (n == "OPTIONS")
        text_value(s.options);
    else if (n == "OBJECT_OWNER")
        text_value(s.name.empty() ? std::string() : s.owner);
    else if (n == "OBJECT_NAME")
        text_value(s.name);
    else if (n == "OBJECT_ALIAS")
        text_value(s.alias.find('@') == std::string::npos ? std::string() : s.alias);
    else if (n == "OBJECT_INSTANCE") {
        if (s.instance > 0 && s.object_type == "TABLE") sqlite3_bind_int64(ins, at, s.instance);
    } else if (n == "OBJECT_TYPE")
        text_value(s.object_type);
    else if (n == "OPTIMIZER") {
        if (row.id == 0) text_value("ALL_ROWS");
    } else if (n == "SEARCH_COLUMNS") {
        if (s.search_columns >= 0) sqlite3_bind_int64(ins, at, s.search_columns);
    } else if (n == "ID")
        sqlite3_bind_int64(ins, at, row.id);
    else if (n == "PARENT_ID") {
        if (row.parent >= 0) sqlite3_bind_int64(ins, at, row.parent);
    } else if (n == "DEPTH")
        sqlite3_bind_int64(ins, at, row.depth);
    else if (n == "POSITION")
        sqlite3_bind_int64(ins, at, row.id == 0 ? cost : row.position);
    else if (n == "COST" || n == "IO_COST")
        sqlite3_bind_int64(ins, at, cost);
    else if (n == "CARDINALITY")
        sqlite3_bind_int64(ins, at, card);
    else if (n == "BYTES") {
        if (s.width > 0) sqlite3_bind_int64(ins, at, static_cast<long long>(std::ceil(s.width * std::ceil(s.card))));
    } else if (n == "QBLOCK_NAME")
        text_value(s.qblock);
    else if (n == "ACCESS_PREDICATES" || n == "FILTER_PREDICATES") {
        const std::vector<std::string>& preds = n == "ACCESS_PREDICATES" ? s.access_preds : s.filter_preds;
        std::string joined;
        for (const std::string& p : preds) joined += (joined.empty() ? "" : " AND ") + p;
        if (joined.size() > 4000) joined.clear();  // a text longer than the column is left out, not cut
        text_value(joined);
    } else if (n == "TIME")
        // Oracle's estimate without workload statistics: each unit of cost is one
        // single-block read of 12 ms (10 ms seek and 2 ms to transfer an 8K block).
        sqlite3_bind_int64(ins, at, std::max(1LL, static_cast<long long>(std::ceil(cost * 0.012))));
}

// Reads SQLite's plan of sql into builder's rows.
bool read_sqlite_plan(sqlite3* db, const std::string& sql, PlanBuilder* builder, OraError* err) {
    sqlite3_stmt* st = nullptr;
    std::string eqp = "EXPLAIN QUERY PLAN " + sql;
    if (sqlite3_prepare_v2(db, eqp.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
        sqlite3_finalize(st);
        return false;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        PlanBuilder::Eqp r;
        r.id = sqlite3_column_int(st, 0);
        r.parent = sqlite3_column_int(st, 1);
        const unsigned char* d = sqlite3_column_text(st, 3);
        r.detail = d ? reinterpret_cast<const char*>(d) : "";
        builder->rows.push_back(r);
    }
    sqlite3_finalize(st);
    return true;
}

}  // namespace

void explain_plan_table_columns(std::vector<ColumnInfo>* columns) {
    columns->clear();
    for (const PlanColumn& c : kPlanColumns) {
        ColumnInfo info;
        info.name = c.name;
        info.type.code = c.code;
        info.type.size = c.size;
        if (c.code == kTypeNumber && std::string(c.name) != "PLAN_ID" && std::string(c.name) != "SEARCH_COLUMNS")
            info.type.precision = 38;
        columns->push_back(info);
    }
}

bool explain_install(sqlite3* db, OraError* err) {
    std::string columns;
    for (const PlanColumn& c : kPlanColumns)
        columns += std::string(columns.empty() ? "" : ", ") + "\"" + c.name + "\" " +
                   (c.code == kTypeNumber ? "NUMERIC" : "TEXT");
    // The session's plan table, and the one its cursors' plans are explained into when
    // DBMS_XPLAN.DISPLAY_CURSOR shows them (never the user's own).
    std::string sql = "CREATE TEMP TABLE IF NOT EXISTS \"PLAN_TABLE\"(" + columns +
                      "); CREATE TEMP TABLE IF NOT EXISTS " + kCursorPlanTable + "(" + columns + ")";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK || !xplan_display_register(db)) {
        *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
        return false;
    }
    return true;
}

namespace {
bool explain_into(const std::string& text, const std::vector<Token>& t, std::size_t p, const TranslateContext& ctx,
                  sqlite3* db, const std::string& target_sql, const std::vector<ColumnInfo>& target_columns,
                  std::uint32_t table_offset, const std::string& statement_id, bool has_id, unsigned* rows,
                  OraError* err);
}  // namespace

bool explain_plan_run(const std::string& text, const std::vector<Token>& t, const TranslateContext& ctx, sqlite3* db,
                      unsigned* rows, OraError* err) {
    *rows = 0;
    if (t.empty()) return fail_at(err, 900, 0);
    std::size_t p = 0;
    auto word = [&](const char* w) { return t[p].kind == TokenKind::Word && t[p].text == w; };
    auto op = [&](const char* o) { return t[p].kind == TokenKind::Operator && t[p].text == o; };
    if (!word("EXPLAIN")) return fail_at(err, 900, t[p].offset);
    ++p;
    if (!word("PLAN")) return fail_at(err, 905, t[p].offset);
    ++p;
    std::string statement_id;
    bool has_id = false;
    if (word("SET")) {
        ++p;
        if (!word("STATEMENT_ID")) return fail_at(err, 905, t[p].offset);
        ++p;
        if (!op("=")) return fail_at(err, 927, t[p].offset);
        ++p;
        if (t[p].kind != TokenKind::String) return fail_at(err, 905, t[p].offset);
        statement_id = t[p].text;
        has_id = !statement_id.empty();
        if (statement_id.size() > 30) {
            fail_at(err, 12899, t[p].offset);
            err->message =
                ora_message(12899, "\"PLAN_TABLE\".\"STATEMENT_ID\" ", std::to_string(statement_id.size()), "30");
            return false;
        }
        ++p;
    }
    std::string target_sql = "temp.\"PLAN_TABLE\"";
    std::vector<ColumnInfo> target_columns;
    explain_plan_table_columns(&target_columns);
    std::string owner, table = "PLAN_TABLE";
    std::uint32_t table_offset = 0;
    bool named = false;
    if (word("INTO")) {
        ++p;
        table_offset = t[p].offset;
        if (t[p].kind != TokenKind::Word && t[p].kind != TokenKind::QuotedWord) return fail_at(err, 903, t[p].offset);
        table = t[p].text;
        ++p;
        if (op(".")) {
            ++p;
            if (t[p].kind != TokenKind::Word && t[p].kind != TokenKind::QuotedWord)
                return fail_at(err, 903, t[p].offset);
            owner = table;
            table = t[p].text;
            ++p;
        }
        named = true;
    }
    if (!word("FOR")) return fail_at(err, 905, t[p].offset);
    ++p;
    if (t[p].kind == TokenKind::End) return fail_at(err, 900, t[p].offset);

    // The plan table: the schema's own PLAN_TABLE when it has one, else the session's.
    std::string schema = owner.empty() ? ctx.schema : owner;
    std::vector<ColumnInfo> own;
    if (ctx.catalog->table_columns(schema, table, &own)) {
        target_columns = own;
        target_sql = "\"" + schema + "\".\"" + table + "\"";
        // A temporary plan table takes the rows as this session's own.
        int code = 0;
        if (ctx.catalog->temporary_rows(schema, table, &target_sql, &code) && code)
            return fail_at(err, code, table_offset);
    } else if (named && !(owner.empty() && table == "PLAN_TABLE")) {
        return fail_at(err, 942, table_offset);
    }

    return explain_into(text, t, p, ctx, db, target_sql, target_columns, table_offset, statement_id, has_id, rows,
                        err);
}

bool explain_statement_into(const std::string& text, const TranslateContext& ctx, sqlite3* db,
                            const std::string& target_sql, const std::string& statement_id, unsigned* rows,
                            OraError* err) {
    *rows = 0;
    std::vector<Token> tokens;
    if (!sql_tokenize(text, &tokens, err)) return false;
    if (tokens.empty() || tokens[0].kind == TokenKind::End) return fail_at(err, 900, 0);
    std::vector<ColumnInfo> columns;
    explain_plan_table_columns(&columns);
    return explain_into(text, tokens, 0, ctx, db, target_sql, columns, 0, statement_id, !statement_id.empty(), rows,
                        err);
}

namespace {

// Explains the statement that starts at token p of t (the text's tokens) into the plan
// table target_sql with target_columns.
bool explain_into(const std::string& text, const std::vector<Token>& t, std::size_t p, const TranslateContext& ctx,
                  sqlite3* db, const std::string& target_sql, const std::vector<ColumnInfo>& target_columns,
                  std::uint32_t table_offset, const std::string& statement_id, bool has_id, unsigned* rows,
                  OraError* err) {
    std::uint32_t start = t[p].offset;
    // The explained statement's tokens keep their offsets in the whole text. It is parsed
    // twice: the translator may rewrite its tree, the plan builder reads the tree as typed.
    std::vector<Token> inner_tokens(t.begin() + static_cast<std::ptrdiff_t>(p), t.end());
    Translation tr;
    Statement translated;
    if (!sql_parse(inner_tokens, &translated, err) || !sql_translate_parsed(text, translated, ctx, &tr, err)) {
        // An error the translator could not place points at the explained statement.
        if (err->offset < start) err->offset = start;
        return false;
    }
    // A statement of several SQLite statements (a multi-table insert) has no one plan.
    if ((tr.kind != StatementKind::Select && tr.kind != StatementKind::Insert && tr.kind != StatementKind::Update &&
         tr.kind != StatementKind::Delete) ||
        !tr.merge_steps.empty())
        return fail_at(err, 900, start);
    Statement ast;
    if (!sql_parse(inner_tokens, &ast, err)) return false;

    PlanBuilder builder(db, ctx, text);
    if (!read_sqlite_plan(db, tr.sql, &builder, err)) {
        err->offset = start;
        return false;
    }
    builder.is_dml = tr.kind != StatementKind::Select;
    builder.collect(ast);
    PlanStep plan = builder.statement(ast);
    std::vector<PlanRow> numbered;
    number_steps(plan, -1, 0, 0, &numbered);

    std::vector<std::string> names;
    for (const PlanColumn& c : kPlanColumns)
        for (const ColumnInfo& have : target_columns)
            if (have.name == c.name) names.push_back(c.name);
    for (const char* needed : {"STATEMENT_ID", "OPERATION", "ID", "PARENT_ID"}) {
        if (std::find(names.begin(), names.end(), needed) == names.end()) {
            *err = ora_error(904, std::string("\"") + needed + "\"");
            err->offset = table_offset;
            return false;
        }
    }
    long long plan_id = 1;
    {
        sqlite3_stmt* st = nullptr;
        std::string sql = "SELECT coalesce(max(\"PLAN_ID\"),0)+1 FROM " + target_sql;
        if (std::find(names.begin(), names.end(), "PLAN_ID") != names.end() &&
            sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            plan_id = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    PlanRun run;
    run.statement_id = statement_id;
    run.has_id = has_id;
    run.plan_id = plan_id;
    run.timestamp = clock_now_stored();

    std::string sql = "INSERT INTO " + target_sql + " (";
    for (std::size_t i = 0; i < names.size(); ++i) sql += (i ? "," : "") + ("\"" + names[i] + "\"");
    sql += ") VALUES (";
    for (std::size_t i = 0; i < names.size(); ++i) sql += (i ? ",?" : "?") + std::to_string(i + 1);
    sql += ")";
    if (sqlite3_exec(db, "SAVEPOINT vantro_explain", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
        return false;
    }
    sqlite3_stmt* ins = nullptr;
    bool ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &ins, nullptr) == SQLITE_OK;
    for (std::size_t r = 0; ok && r < numbered.size(); ++r) {
        const PlanRow& row = numbered[r];
        sqlite3_reset(ins);
        sqlite3_clear_bindings(ins);
        for (std::size_t i = 0; i < names.size(); ++i)
            bind_plan_column(ins, static_cast<int>(i + 1), names[i], row, run);
        ok = sqlite3_step(ins) == SQLITE_DONE;
    }
    if (!ok) *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
    sqlite3_finalize(ins);
    if (!ok) sqlite3_exec(db, "ROLLBACK TO vantro_explain", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "RELEASE vantro_explain", nullptr, nullptr, nullptr);
    if (ok) *rows = static_cast<unsigned>(numbered.size());
    return ok;
}

}  // namespace

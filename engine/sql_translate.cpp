// Oracle-to-SQLite translation of parsed statements. Every name is resolved here, so
// that a wrong table or column is reported with Oracle's error at the token the user
// typed; every Oracle rule SQLite lacks (the empty string as NULL, || ignoring NULLs,
// exact division, dates as text in the session format, stored values converted to the
// column's type) becomes a call of one of the engine's SQL functions (sql_functions.cpp).
#include "sql_translate.h"

#include "constraints.h"
#include "errors.h"
#include "sql_ast.h"
#include "sql_dialect.h"
#include "values.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

struct Source {
  std::string alias;   // upper case or as quoted
  std::string sql;     // how the FROM clause names it
  std::vector<ColumnInfo> columns;
};

struct Scope {
  std::vector<Source> sources;
  const Scope* outer = nullptr;
  bool bare = false;   // emit columns without a qualifier (CHECK constraints)
};

struct Emitted {
  std::string sql;
  OraType type;
  bool aggregate = false;
};

bool is_char(const OraType& t) {
  return t.code == kTypeVarchar2 || t.code == kTypeChar || t.code == kTypeLong || t.code == kTypeClob;
}
bool is_date(const OraType& t) { return t.code == kTypeDate || t.code == kTypeTimestamp; }
bool is_number(const OraType& t) { return t.code == kTypeNumber; }

OraType number_type() {
  OraType t;
  t.code = kTypeNumber;
  t.size = 22;
  t.precision = 0;
  t.scale = -127;
  return t;
}
OraType varchar_type(std::uint32_t size) {
  OraType t;
  t.code = kTypeVarchar2;
  t.size = size > 4000 ? 4000 : size;
  return t;
}
OraType date_type() {
  OraType t;
  t.code = kTypeDate;
  t.size = 7;
  return t;
}

// The type that holds values of both a and b (b's text size given): character types
// widen to the longer size, so that no branch of a CASE or a UNION is cut.
OraType wider(const OraType& a, const OraType& b, std::uint32_t b_text_size) {
  bool a_char = a.code == kTypeVarchar2 || a.code == kTypeChar;
  if (!a_char) return a;
  OraType r = a;
  if (b.code != a.code) r.code = kTypeVarchar2;
  if (b_text_size > r.size) r.size = b_text_size > 4000 ? 4000 : b_text_size;
  return r;
}

std::string quote_name(const std::string& n) {
  std::string r = "\"";
  for (char c : n) {
    r += c;
    if (c == '"') r += '"';
  }
  return r + "\"";
}

std::string quote_text(const std::string& s) {
  std::string r = "'";
  for (char c : s) {
    r += c;
    if (c == '\'') r += '\'';
  }
  return r + "'";
}

bool is_rownum(const Expr& e);

class Translator {
 public:
  Translator(const std::string& text, const TranslateContext& ctx, Translation* out, OraError* err)
      : text_(text), ctx_(ctx), out_(out), err_(err) {}

  bool statement(Statement& s);

 private:
  const std::string& text_;
  const TranslateContext& ctx_;
  Translation* out_;
  OraError* err_;

  bool fail(int code, std::uint32_t offset, const std::string& arg = {}, const std::string& arg2 = {}) {
    *err_ = ora_error(code, arg, arg2);
    err_->offset = offset;
    return false;
  }

  std::string owner_of(const TableRef& t) const { return t.owner.empty() ? ctx_.schema : t.owner; }
  bool table_source(const TableRef& t, Source* src);
  bool select(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
              const std::vector<OraType>* store_types = nullptr);
  bool select_block(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                    const std::vector<OraType>* store_types);
  bool expr(Expr& e, const Scope& scope, Emitted* out);
  bool column(Expr& e, const Scope& scope, Emitted* out);
  bool rownum_limit(const Expr& conjunct, long long* limit);
  bool outer_join_target(const Expr& conjunct, const SelectStmt& s, const Scope& scope, int* target);
  bool function(Expr& e, const Scope& scope, Emitted* out);
  bool comparison_operands(Emitted* a, Emitted* b, std::uint32_t offset);
  std::string as_text(const Emitted& e) const;
  std::string derived_name(const Expr& e) const;
  std::uint32_t text_size(const Emitted& e) const;
  bool ungrouped(Expr& e, const Scope& scope, const std::vector<std::string>& groups, const Expr** bad);
  bool store_value(const Emitted& v, const ColumnInfo& target, const std::string& owner, const std::string& table,
                   std::string* sql, std::uint32_t offset);
  bool column_sql(const ColumnDef& c, std::string* sql);
  void catalog_insert(const std::string& owner, const std::string& table, const ColumnDef& c, int column_id);

  bool insert(Statement& s);
  bool update(Statement& s);
  bool del(Statement& s);
  bool create_table(Statement& s);
  bool drop_table(Statement& s);
  bool alter_table(Statement& s);
  bool create_index(Statement& s);
  bool drop_index(Statement& s);
};

bool Translator::table_source(const TableRef& t, Source* src) {
  std::string owner = owner_of(t);
  if (!ctx_.catalog->table_columns(owner, t.name, &src->columns)) {
    if ((t.owner.empty() || t.owner == "SYS" || t.owner == "PUBLIC") && t.name != "DUAL" &&
        ctx_.catalog->dictionary_view(t.name, &src->columns, &src->sql)) {
      src->alias = t.name;
      return true;
    }
    std::string syn_owner, syn_target;
    if (t.owner.empty() && t.name != "DUAL" && ctx_.catalog->synonym_target(ctx_.schema, t.name, &syn_owner, &syn_target)) {
      if (syn_owner.empty()) syn_owner = ctx_.schema;
      src->alias = t.name;
      if (ctx_.catalog->table_columns(syn_owner, syn_target, &src->columns)) {
        src->sql = quote_name(syn_owner) + "." + quote_name(syn_target);
        return true;
      }
      if ((syn_owner == "SYS" || syn_owner == "PUBLIC") &&
          ctx_.catalog->dictionary_view(syn_target, &src->columns, &src->sql))
        return true;
      return fail(980, t.offset), err_->message = "synonym translation is no longer valid", false;
    }
    if (t.owner.empty() && t.name == "DUAL") {
      ColumnInfo dummy;
      dummy.name = "DUMMY";
      dummy.type = varchar_type(1);
      src->columns.push_back(dummy);
      src->sql = "\"main\".\"DUAL\"";
      src->alias = "DUAL";
      return true;
    }
    return fail(942, t.offset);
  }
  src->sql = quote_name(owner) + "." + quote_name(t.name);
  src->alias = t.name;
  return true;
}

std::string Translator::derived_name(const Expr& e) const {
  if (e.kind == ExprKind::Column) return e.path.back();
  std::string name;
  bool in_quote = false;
  for (std::uint32_t i = e.offset; i < e.end && i < text_.size(); ++i) {
    char c = text_[i];
    if (c == '\'') in_quote = !in_quote;
    if (!in_quote && std::isspace(static_cast<unsigned char>(c))) continue;
    name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return name.size() > 30 ? name.substr(0, 30) : name;
}

std::uint32_t Translator::text_size(const Emitted& e) const {
  if (is_number(e.type)) return 40;
  if (is_date(e.type)) {
    DateValue sample;
    sample.year = 2000;
    sample.month = 9;
    sample.day = 30;
    char buf[256];
    std::size_t n = date_format(sample, ctx_.nls_date_format, buf, sizeof buf);
    return static_cast<std::uint32_t>(n < 9 ? 9 : n);
  }
  if (e.type.code == kTypeRaw) return e.type.size * 2;
  return e.type.size;
}

std::string Translator::as_text(const Emitted& e) const {
  if (is_char(e.type)) return e.sql;
  if (is_number(e.type)) return "vantro_num_text(" + e.sql + ")";
  if (e.type.code == kTypeDate) return "vantro_date_text(" + e.sql + ")";
  if (e.type.code == kTypeTimestamp) return "vantro_timestamp_text(" + e.sql + ")";
  if (e.type.code == kTypeRaw || e.type.code == kTypeBlob) return "hex(" + e.sql + ")";
  return e.sql;
}

bool Translator::column(Expr& e, const Scope& scope, Emitted* out) {
  const std::string& name = e.path.back();
  std::string qualifier;
  if (e.path.size() == 2) qualifier = e.path[0];
  if (e.path.size() == 3) qualifier = e.path[1];
  if (e.path.size() > 3) return fail(904, e.offset, "\"" + e.path[0] + "\"");
  for (const Scope* s = &scope; s; s = s->outer) {
    const Source* found = nullptr;
    const ColumnInfo* col = nullptr;
    for (const Source& src : s->sources) {
      if (!qualifier.empty() && src.alias != qualifier) continue;
      for (const ColumnInfo& c : src.columns) {
        if (c.name != name) continue;
        if (found) return fail(918, e.offset);
        found = &src;
        col = &c;
      }
    }
    if (found) {
      out->sql = s->bare ? quote_name(name) : quote_name(found->alias) + "." + quote_name(name);
      out->type = col->type;
      return true;
    }
  }
  if (is_rownum(e)) {
    out->sql = "row_number() OVER ()";
    out->type = number_type();
    return true;
  }
  if ((e.path.size() == 2 || e.path.size() == 3) && (name == "NEXTVAL" || name == "CURRVAL")) {
    std::string seq_owner = e.path.size() == 3 ? e.path[0] : ctx_.schema;
    const std::string& seq = e.path[e.path.size() - 2];
    if (!ctx_.catalog->sequence_exists(seq_owner, seq))
      return fail(2289, e.offset), err_->message = "sequence does not exist", false;
    out->sql = "vantro_sequence(" + quote_text(seq_owner) + "," + quote_text(seq) + "," +
               (name == "NEXTVAL" ? "1" : "0") + ")";
    out->type = number_type();
    return true;
  }
  std::string shown;
  for (std::size_t i = 0; i < e.path.size(); ++i) shown += (i ? ".\"" : "\"") + e.path[i] + "\"";
  return fail(904, e.offset, shown);
}

bool is_rownum(const Expr& e) { return e.kind == ExprKind::Column && e.path.size() == 1 && e.path[0] == "ROWNUM"; }

const Expr* find_rownum(const Expr& e) {
  if (is_rownum(e)) return &e;
  for (const ExprPtr& a : e.args)
    if (const Expr* r = find_rownum(*a)) return r;
  return nullptr;
}

// *limit: -2 when conjunct does not use ROWNUM, -1 when it keeps every row, else the
// number of rows it lets through. Other uses of ROWNUM in WHERE are refused.
bool Translator::rownum_limit(const Expr& c, long long* limit) {
  *limit = -2;
  const Expr* r = find_rownum(c);
  if (!r) return true;
  if (c.kind == ExprKind::Compare && c.args.size() == 2) {
    bool left = is_rownum(*c.args[0]) && c.args[1]->kind == ExprKind::Number;
    bool right = is_rownum(*c.args[1]) && c.args[0]->kind == ExprKind::Number;
    if (left || right) {
      double n = std::atof((left ? c.args[1] : c.args[0])->text.c_str());
      std::string op = c.text;
      if (right) op = op == "<" ? ">" : op == ">" ? "<" : op == "<=" ? ">=" : op == ">=" ? "<=" : op;
      long long whole = static_cast<long long>(n);
      bool integral = static_cast<double>(whole) == n;
      if (op == "<=") *limit = n < 1 ? 0 : static_cast<long long>(std::floor(n));
      else if (op == "<") *limit = n <= 1 ? 0 : (integral ? whole - 1 : static_cast<long long>(std::floor(n)));
      else if (op == "=") *limit = n == 1 ? 1 : 0;
      else if (op == ">") *limit = n < 1 ? -1 : 0;
      else if (op == ">=") *limit = n <= 1 ? -1 : 0;
      else if (op == "<>" || op == "!=") *limit = n < 1 || !integral ? -1 : whole - 1;
      else return fail(3001, r->offset), err_->message = "unimplemented feature", false;
      return true;
    }
  }
  return fail(3001, r->offset), err_->message = "unimplemented feature", false;
}

void split_conjuncts(Expr* e, std::vector<Expr*>* out) {
  if (e->kind == ExprKind::And) {
    split_conjuncts(e->args[0].get(), out);
    split_conjuncts(e->args[1].get(), out);
  } else {
    out->push_back(e);
  }
}

void outer_join_columns(const Expr& e, std::vector<const Expr*>* out) {
  if (e.kind == ExprKind::Column && e.outer_join) out->push_back(&e);
  for (const ExprPtr& a : e.args) outer_join_columns(*a, out);
}

// The FROM item (index in s.from) whose columns carry (+) in conjunct, -1 when none does.
// Oracle allows (+) on one table per conjunct and not inside OR (ORA-01719).
bool Translator::outer_join_target(const Expr& conjunct, const SelectStmt& s, const Scope& scope, int* target) {
  *target = -1;
  std::vector<const Expr*> cols;
  outer_join_columns(conjunct, &cols);
  if (cols.empty()) return true;
  if (conjunct.kind == ExprKind::Or) return fail(1719, conjunct.offset), err_->message = "outer join operator (+) not allowed in operand of OR or IN", false;
  for (const Expr* c : cols) {
    int found = -1;
    const std::string& name = c->path.back();
    std::string qualifier = c->path.size() >= 2 ? c->path[c->path.size() - 2] : std::string();
    for (std::size_t i = 0; i < scope.sources.size() && i < s.from.size(); ++i) {
      const Source& src = scope.sources[i];
      if (!qualifier.empty() && src.alias != qualifier) continue;
      for (const ColumnInfo& col : src.columns)
        if (col.name == name) found = static_cast<int>(i);
    }
    if (found < 0) return fail(904, c->offset, "\"" + name + "\"");
    if (*target >= 0 && *target != found) return fail(1468, c->offset), err_->message = "a predicate may reference only one outer-joined table", false;
    *target = found;
  }
  return true;
}

bool Translator::comparison_operands(Emitted* a, Emitted* b, std::uint32_t offset) {
  (void)offset;
  if (is_date(a->type) && is_char(b->type)) b->sql = "vantro_to_date(" + b->sql + ")";
  else if (is_date(b->type) && is_char(a->type)) a->sql = "vantro_to_date(" + a->sql + ")";
  else if (is_number(a->type) && is_char(b->type)) b->sql = "vantro_to_number(" + b->sql + ")";
  else if (is_number(b->type) && is_char(a->type)) a->sql = "vantro_to_number(" + a->sql + ")";
  return true;
}

bool Translator::function(Expr& e, const Scope& scope, Emitted* out) {
  const std::string& f = e.text;
  std::vector<Emitted> args(e.args.size());
  for (std::size_t i = 0; i < e.args.size(); ++i)
    if (!expr(*e.args[i], scope, &args[i])) return false;
  auto arity = [&](std::size_t lo, std::size_t hi) {
    if (e.args.size() < lo || e.args.size() > hi) return fail(909, e.offset);
    return true;
  };
  if (f == "COUNT" || f == "SUM" || f == "AVG" || f == "MIN" || f == "MAX") {
    if (e.star) {
      if (f != "COUNT") return fail(936, e.offset);
      out->sql = "count(*)";
      out->type = number_type();
    } else {
      if (!arity(1, 1)) return false;
      std::string arg = args[0].sql;
      if ((f == "SUM" || f == "AVG") && !is_number(args[0].type)) arg = "vantro_to_number(" + arg + ")";
      std::string name = f == "COUNT" ? "count" : f == "SUM" ? "sum" : f == "AVG" ? "avg" : f == "MIN" ? "min" : "max";
      out->sql = name + "(" + (e.distinct ? "DISTINCT " : "") + arg + ")";
      out->type = (f == "MIN" || f == "MAX") ? args[0].type : number_type();
    }
    out->aggregate = true;
    return true;
  }
  if (e.star || e.distinct) return fail(936, e.offset);
  for (const Emitted& a : args) out->aggregate = out->aggregate || a.aggregate;
  if (f == "UPPER" || f == "LOWER") {
    if (!arity(1, 1)) return false;
    out->sql = (f == "UPPER" ? "upper(" : "lower(") + as_text(args[0]) + ")";
    out->type = varchar_type(text_size(args[0]));
    return true;
  }
  if (f == "LENGTH") {
    if (!arity(1, 1)) return false;
    out->sql = "length(" + as_text(args[0]) + ")";
    out->type = number_type();
    return true;
  }
  if (f == "ABS") {
    if (!arity(1, 1)) return false;
    out->sql = "abs(vantro_to_number(" + args[0].sql + "))";
    out->type = number_type();
    return true;
  }
  if (f == "NVL") {
    if (!arity(2, 2)) return false;
    Emitted b = args[1];
    if (is_number(args[0].type) && is_char(b.type)) b.sql = "vantro_to_number(" + b.sql + ")";
    else if (is_char(args[0].type) && !is_char(b.type)) b.sql = as_text(b);
    out->sql = "coalesce(" + args[0].sql + "," + b.sql + ")";
    out->type = args[0].type;
    if (is_char(out->type) && text_size(args[1]) > out->type.size) out->type = varchar_type(text_size(args[1]));
    return true;
  }
  std::vector<DialectArg> dialect_args(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    DialectArg& d = dialect_args[i];
    d.sql = args[i].sql;
    d.text_sql = as_text(args[i]);
    d.type = args[i].type;
    d.text_size = text_size(args[i]);
    d.null_literal = e.args[i]->kind == ExprKind::Null;
    d.is_literal = e.args[i]->kind == ExprKind::String || e.args[i]->kind == ExprKind::Number;
    d.literal = e.args[i]->text;
  }
  switch (dialect_function(f, dialect_args, &out->sql, &out->type)) {
    case DialectResult::Done: return true;
    case DialectResult::WrongArguments: return fail(909, e.offset);
    case DialectResult::NotMine: break;
  }
  return fail(904, e.offset, "\"" + f + "\"");
}

bool Translator::expr(Expr& e, const Scope& scope, Emitted* out) {
  switch (e.kind) {
    case ExprKind::String:
      out->sql = quote_text(e.text);
      out->type.code = kTypeChar;
      out->type.size = static_cast<std::uint32_t>(e.text.size());
      return true;
    case ExprKind::Number:
      out->sql = e.text;
      out->type = number_type();
      return true;
    case ExprKind::Null:
      out->sql = "NULL";
      out->type = varchar_type(0);
      return true;
    case ExprKind::Bind:
      out_->bind_names.push_back(e.text);
      out->sql = "?" + std::to_string(out_->bind_names.size());
      out->type = varchar_type(4000);
      return true;
    case ExprKind::Column:
      return column(e, scope, out);
    case ExprKind::Star:
      return fail(936, e.offset);
    case ExprKind::Sysdate:
      out->sql = "vantro_sysdate()";
      out->type = date_type();
      return true;
    case ExprKind::User:
      out->sql = "vantro_user()";
      out->type = varchar_type(30);
      return true;
    case ExprKind::Unary: {
      Emitted a;
      if (!expr(*e.args[0], scope, &a)) return false;
      out->sql = "(" + e.text + (is_number(a.type) ? a.sql : "vantro_to_number(" + a.sql + ")") + ")";
      out->type = number_type();
      out->aggregate = a.aggregate;
      return true;
    }
    case ExprKind::Binary: {
      Emitted a, b;
      if (!expr(*e.args[0], scope, &a) || !expr(*e.args[1], scope, &b)) return false;
      out->aggregate = a.aggregate || b.aggregate;
      const std::string& op = e.text;
      if (is_date(a.type) || is_date(b.type)) {
        if (op == "+" && is_date(a.type) != is_date(b.type)) {
          const Emitted& d = is_date(a.type) ? a : b;
          const Emitted& n = is_date(a.type) ? b : a;
          out->sql = "vantro_date_add(" + d.sql + ",vantro_to_number(" + n.sql + "))";
          out->type = date_type();
          return true;
        }
        if (op == "-" && is_date(a.type) && !is_date(b.type)) {
          out->sql = "vantro_date_add(" + a.sql + ",-vantro_to_number(" + b.sql + "))";
          out->type = date_type();
          return true;
        }
        if (op == "-" && is_date(a.type) && is_date(b.type)) {
          out->sql = "vantro_date_diff(" + a.sql + "," + b.sql + ")";
          out->type = number_type();
          return true;
        }
        return fail(932, e.offset, "NUMBER", "DATE"), err_->message = "inconsistent datatypes: expected NUMBER got DATE", false;
      }
      std::string x = is_number(a.type) ? a.sql : "vantro_to_number(" + a.sql + ")";
      std::string y = is_number(b.type) ? b.sql : "vantro_to_number(" + b.sql + ")";
      out->sql = op == "/" ? "vantro_div(" + x + "," + y + ")" : "(" + x + op + y + ")";
      out->type = number_type();
      return true;
    }
    case ExprKind::Concat: {
      Emitted a, b;
      if (!expr(*e.args[0], scope, &a) || !expr(*e.args[1], scope, &b)) return false;
      out->sql = "vantro_concat(" + as_text(a) + "," + as_text(b) + ")";
      out->type = varchar_type(text_size(a) + text_size(b));
      out->aggregate = a.aggregate || b.aggregate;
      return true;
    }
    case ExprKind::Compare: {
      Emitted a, b;
      if (!expr(*e.args[0], scope, &a) || !expr(*e.args[1], scope, &b)) return false;
      comparison_operands(&a, &b, e.offset);
      out->sql = "(" + a.sql + e.text + b.sql + ")";
      out->type = number_type();
      out->aggregate = a.aggregate || b.aggregate;
      return true;
    }
    case ExprKind::And:
    case ExprKind::Or: {
      Emitted a, b;
      if (!expr(*e.args[0], scope, &a) || !expr(*e.args[1], scope, &b)) return false;
      out->sql = "(" + a.sql + (e.kind == ExprKind::And ? " AND " : " OR ") + b.sql + ")";
      out->aggregate = a.aggregate || b.aggregate;
      return true;
    }
    case ExprKind::Not: {
      Emitted a;
      if (!expr(*e.args[0], scope, &a)) return false;
      out->sql = "(NOT " + a.sql + ")";
      out->aggregate = a.aggregate;
      return true;
    }
    case ExprKind::IsNull: {
      Emitted a;
      if (!expr(*e.args[0], scope, &a)) return false;
      out->sql = "(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
      out->aggregate = a.aggregate;
      return true;
    }
    case ExprKind::Like: {
      std::vector<Emitted> a(e.args.size());
      for (std::size_t i = 0; i < e.args.size(); ++i)
        if (!expr(*e.args[i], scope, &a[i])) return false;
      out->sql = std::string("(") + (e.negated ? "NOT " : "") + "vantro_like(" + as_text(a[0]) + "," + as_text(a[1]) +
                 (a.size() > 2 ? "," + as_text(a[2]) : std::string()) + "))";
      return true;
    }
    case ExprKind::Between: {
      Emitted v, lo, hi;
      if (!expr(*e.args[0], scope, &v) || !expr(*e.args[1], scope, &lo) || !expr(*e.args[2], scope, &hi))
        return false;
      Emitted v2 = v;
      comparison_operands(&v, &lo, e.offset);
      comparison_operands(&v2, &hi, e.offset);
      out->sql = "(" + v.sql + (e.negated ? " NOT" : "") + " BETWEEN " + lo.sql + " AND " + hi.sql + ")";
      return true;
    }
    case ExprKind::InList: {
      Emitted v;
      if (!expr(*e.args[0], scope, &v)) return false;
      std::string list;
      for (std::size_t i = 1; i < e.args.size(); ++i) {
        Emitted item, lhs = v;
        if (!expr(*e.args[i], scope, &item)) return false;
        comparison_operands(&lhs, &item, e.offset);
        list += (i > 1 ? "," : "") + item.sql;
      }
      out->sql = "(" + v.sql + (e.negated ? " NOT IN (" : " IN (") + list + "))";
      return true;
    }
    case ExprKind::InSubquery:
    case ExprKind::Exists:
    case ExprKind::Subquery: {
      std::vector<ColumnInfo> cols;
      std::string sub;
      if (!select(*e.subquery, &scope, &cols, &sub)) return false;
      if (e.kind == ExprKind::Exists) {
        out->sql = "(EXISTS (" + sub + "))";
        return true;
      }
      if (cols.size() != 1) return fail(913, e.subquery->offset);
      if (e.kind == ExprKind::InSubquery) {
        Emitted v;
        if (!expr(*e.args[0], scope, &v)) return false;
        out->sql = "(" + v.sql + (e.negated ? " NOT IN (" : " IN (") + sub + "))";
        return true;
      }
      // A scalar subquery must deliver at most one row (ORA-01427), which SQLite does not check.
      out->sql = "(SELECT CASE WHEN count(*)>1 THEN vantro_error(1427) ELSE min(" + quote_name(cols[0].name) +
                 ") END FROM (" + sub + "))";
      out->type = cols[0].type;
      return true;
    }
    case ExprKind::Function:
      return function(e, scope, out);
    case ExprKind::Case: {
      std::string sql = "(CASE";
      std::size_t i = 0;
      if (e.has_operand) {
        Emitted op;
        if (!expr(*e.args[0], scope, &op)) return false;
        sql += " " + op.sql;
        i = 1;
      }
      bool typed = false;
      std::size_t pairs_end = e.args.size() - (e.has_else ? 1 : 0);
      for (; i + 1 < pairs_end + 1 && i < pairs_end; i += 2) {
        Emitted w, t;
        if (!expr(*e.args[i], scope, &w) || !expr(*e.args[i + 1], scope, &t)) return false;
        sql += " WHEN " + w.sql + " THEN " + t.sql;
        if (!typed && e.args[i + 1]->kind != ExprKind::Null) {
          out->type = t.type;
          typed = true;
        } else if (typed) {
          out->type = wider(out->type, t.type, text_size(t));
        }
        out->aggregate = out->aggregate || w.aggregate || t.aggregate;
      }
      if (e.has_else) {
        Emitted el;
        if (!expr(*e.args.back(), scope, &el)) return false;
        sql += " ELSE " + el.sql;
        out->type = typed ? wider(out->type, el.type, text_size(el)) : el.type;
      }
      out->sql = sql + " END)";
      if (out->type.code == kTypeChar) out->type.code = kTypeVarchar2;
      return true;
    }
  }
  return fail(936, e.offset);
}

bool Translator::select(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                        const std::vector<OraType>* store_types) {
  std::string text;
  std::vector<ColumnInfo> first_cols;
  for (SelectStmt* b = &s; b; b = b->next.get()) {
    std::vector<ColumnInfo> bc;
    std::string bs;
    if (!select_block(*b, outer, &bc, &bs, store_types)) return false;
    if (b == &s) {
      first_cols = bc;
    } else if (bc.size() != first_cols.size()) {
      return fail(1789, b->offset), err_->message = "query block has incorrect number of result columns", false;
    } else {
      for (std::size_t i = 0; i < bc.size(); ++i) {
        Emitted other;
        other.type = bc[i].type;
        first_cols[i].type = wider(first_cols[i].type, bc[i].type, text_size(other));
      }
    }
    text += bs;
    switch (b->set_op) {
      case SetOp::None: break;
      case SetOp::Union: text += " UNION "; break;
      case SetOp::UnionAll: text += " UNION ALL "; break;
      case SetOp::Intersect: text += " INTERSECT "; break;
      case SetOp::Minus: text += " EXCEPT "; break;
    }
  }
  if (!s.order_by.empty()) {
    // ORDER BY sees the result columns by name or position, and, for a simple query,
    // the tables of its FROM clause.
    Scope scope;
    scope.outer = outer;
    if (!s.next) {
      for (FromItem& f : s.from) {
        Source src;
        if (f.subquery) {
          std::string ignored;
          if (!select(*f.subquery, nullptr, &src.columns, &ignored)) return false;
          src.alias = f.alias;
        } else if (!table_source(f.table, &src)) {
          return false;
        }
        if (!f.alias.empty()) src.alias = f.alias;
        scope.sources.push_back(std::move(src));
      }
    }
    text += " ORDER BY ";
    for (std::size_t i = 0; i < s.order_by.size(); ++i) {
      OrderItem& o = s.order_by[i];
      std::string item;
      bool done = false;
      if (o.expr->kind == ExprKind::Number) {
        int pos = std::atoi(o.expr->text.c_str());
        if (pos < 1 || static_cast<std::size_t>(pos) > first_cols.size()) return fail(1785, o.expr->offset),
                                                                                err_->message = "ORDER BY item must be the number of a SELECT-list expression", false;
        item = o.expr->text;
        done = true;
      } else if (o.expr->kind == ExprKind::Column && o.expr->path.size() == 1) {
        for (const ColumnInfo& c : first_cols) {
          if (c.name == o.expr->path[0]) {
            item = quote_name(c.name);
            done = true;
            break;
          }
        }
      }
      if (!done) {
        if (s.next) return fail(1785, o.expr->offset), err_->message = "ORDER BY item must be the number of a SELECT-list expression", false;
        Emitted e;
        if (!expr(*o.expr, scope, &e)) return false;
        item = e.sql;
      }
      bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
      text += (i ? "," : "") + item + (o.descending ? " DESC" : " ASC") + (nulls_first ? " NULLS FIRST" : " NULLS LAST");
    }
  }
  *cols = first_cols;
  *sql = text;
  return true;
}

bool Translator::select_block(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                              const std::vector<OraType>* store_types) {
  Scope scope;
  scope.outer = outer;
  std::string from;
  std::vector<std::string> from_pieces;   // each FROM item as emitted, without its join word
  for (FromItem& f : s.from) {
    Source src;
    if (f.subquery) {
      std::string sub;
      if (!select(*f.subquery, nullptr, &src.columns, &sub)) return false;
      src.sql = "(" + sub + ")";
    } else if (!table_source(f.table, &src)) {
      return false;
    }
    if (!f.alias.empty()) src.alias = f.alias;
    for (const Source& other : scope.sources)
      if (other.alias == src.alias && !f.alias.empty()) return fail(918, f.table.offset);
    switch (f.join) {
      case JoinKind::First: break;
      case JoinKind::Comma: from += ", "; break;
      case JoinKind::Inner: from += " JOIN "; break;
      case JoinKind::Left: from += " LEFT JOIN "; break;
      case JoinKind::Right: from += " RIGHT JOIN "; break;
      case JoinKind::Full: from += " FULL JOIN "; break;
      case JoinKind::Cross: from += " CROSS JOIN "; break;
    }
    std::size_t piece_start = from.size();
    from += src.sql + " AS " + quote_name(src.alias);
    scope.sources.push_back(std::move(src));
    if (f.on) {
      Emitted on;
      if (!expr(*f.on, scope, &on)) return false;
      from += " ON " + on.sql;
    } else if (!f.using_columns.empty()) {
      from += " USING (";
      for (std::size_t i = 0; i < f.using_columns.size(); ++i) from += (i ? "," : "") + quote_name(f.using_columns[i]);
      from += ")";
    }
    from_pieces.push_back(from.substr(piece_start));
  }
  // Oracle's (+) operator: the conjuncts of WHERE that mark a table's columns become the
  // ON condition of a LEFT JOIN of that table, placed after the tables it depends on.
  std::vector<Expr*> conjuncts;
  std::vector<int> outer_target;
  bool any_outer = false;
  if (s.where) {
    split_conjuncts(s.where.get(), &conjuncts);
    for (Expr* c : conjuncts) {
      int target = -1;
      if (!outer_join_target(*c, s, scope, &target)) return false;
      outer_target.push_back(target);
      any_outer = any_outer || target >= 0;
    }
  }
  // ROWNUM compared with a constant in a WHERE conjunct limits the rows the block
  // produces; Oracle numbers rows before DISTINCT, grouping and ORDER BY, so the limit is
  // applied to the filtered rows and the block is wrapped before any of those apply.
  long long row_limit = -1;
  std::vector<bool> is_limit(conjuncts.size(), false);
  for (std::size_t k = 0; k < conjuncts.size(); ++k) {
    long long limit = -2;
    if (!rownum_limit(*conjuncts[k], &limit)) return false;
    if (limit == -2) continue;
    is_limit[k] = true;
    if (limit >= 0 && (row_limit < 0 || limit < row_limit)) row_limit = limit;
  }
  bool any_limit = false;
  for (bool b : is_limit) any_limit = any_limit || b;
  if (any_outer) {
    std::string rebuilt;
    bool first = true;
    for (std::size_t i = 0; i < s.from.size(); ++i) {
      bool is_target = false;
      for (int t : outer_target) is_target = is_target || t == static_cast<int>(i);
      if (is_target) continue;
      if (!first && s.from[i].join != JoinKind::Comma && s.from[i].join != JoinKind::First)
        return fail(25156, s.from[i].table.offset), err_->message = "old style outer join (+) cannot be used with ANSI joins", false;
      rebuilt += (first ? "" : ", ") + from_pieces[i];
      first = false;
    }
    if (first) return fail(1416, s.where->offset), err_->message = "two tables cannot be outer-joined to each other", false;
    for (std::size_t i = 0; i < s.from.size(); ++i) {
      std::string on;
      for (std::size_t k = 0; k < conjuncts.size(); ++k) {
        if (outer_target[k] != static_cast<int>(i)) continue;
        Emitted c;
        if (!expr(*conjuncts[k], scope, &c)) return false;
        on += (on.empty() ? "" : " AND ") + c.sql;
      }
      if (on.empty()) continue;
      if (s.from[i].join != JoinKind::Comma && s.from[i].join != JoinKind::First)
        return fail(25156, s.from[i].table.offset), err_->message = "old style outer join (+) cannot be used with ANSI joins", false;
      rebuilt += " LEFT JOIN " + from_pieces[i] + " ON " + on;
    }
    from = rebuilt;
  }
  std::string items;
  bool any_aggregate = false;
  std::vector<std::pair<const Expr*, bool>> plain_columns;
  for (SelectItem& it : s.items) {
    if (it.expr->kind == ExprKind::Star) {
      bool matched = false;
      for (const Source& src : scope.sources) {
        if (!it.expr->path.empty() && src.alias != it.expr->path[0]) continue;
        matched = true;
        for (const ColumnInfo& c : src.columns) {
          std::string v = quote_name(src.alias) + "." + quote_name(c.name);
          if (store_types && cols->size() < store_types->size()) {
            Emitted e;
            e.sql = v;
            e.type = c.type;
            ColumnInfo target;
            target.type = (*store_types)[cols->size()];
            if (!store_value(e, target, "", "", &v, it.offset)) return false;
          }
          items += (items.empty() ? "" : ", ") + v + " AS " + quote_name(c.name);
          cols->push_back(c);
        }
      }
      if (!matched) return fail(904, it.expr->offset, "\"" + it.expr->path[0] + "\"");
      continue;
    }
    Emitted e;
    if (!expr(*it.expr, scope, &e)) return false;
    any_aggregate = any_aggregate || e.aggregate;
    if (!e.aggregate) plain_columns.emplace_back(it.expr.get(), false);
    ColumnInfo c;
    c.name = it.alias.empty() ? derived_name(*it.expr) : it.alias;
    c.type = e.type;
    if (c.type.code == kTypeChar && it.expr->kind != ExprKind::String && it.expr->kind != ExprKind::Column)
      c.type.code = kTypeVarchar2;
    std::string v = e.sql;
    if (store_types && cols->size() < store_types->size()) {
      ColumnInfo target;
      target.type = (*store_types)[cols->size()];
      if (!store_value(e, target, "", "", &v, it.offset)) return false;
    }
    items += (items.empty() ? "" : ", ") + v + " AS " + quote_name(c.name);
    cols->push_back(c);
  }
  std::string text = std::string("SELECT ") + (s.distinct ? "DISTINCT " : "") + items + " FROM " + from;
  if (s.where && (any_outer || any_limit)) {
    std::string w;
    for (std::size_t k = 0; k < conjuncts.size(); ++k) {
      if (outer_target[k] >= 0 || is_limit[k]) continue;
      Emitted c;
      if (!expr(*conjuncts[k], scope, &c)) return false;
      if (c.aggregate) return fail(934, conjuncts[k]->offset), err_->message = "group function is not allowed here", false;
      w += (w.empty() ? "" : " AND ") + c.sql;
    }
    if (!w.empty()) text += " WHERE " + w;
  } else if (s.where) {
    Emitted w;
    if (!expr(*s.where, scope, &w)) return false;
    if (w.aggregate) return fail(934, s.where->offset), err_->message = "group function is not allowed here", false;
    text += " WHERE " + w.sql;
  }
  std::vector<std::string> groups;
  if (!s.group_by.empty()) {
    text += " GROUP BY ";
    for (std::size_t i = 0; i < s.group_by.size(); ++i) {
      Emitted g;
      if (!expr(*s.group_by[i], scope, &g)) return false;
      groups.push_back(g.sql);
      text += (i ? "," : "") + g.sql;
    }
  }
  // Oracle refuses a select item that is neither grouped nor an aggregate; SQLite would
  // silently pick a value from some row.
  bool grouping = any_aggregate || !groups.empty();
  if (grouping) {
    for (auto& pc : plain_columns) {
      const Expr* bad = nullptr;
      if (!ungrouped(const_cast<Expr&>(*pc.first), scope, groups, &bad)) return false;
      if (bad) return fail(groups.empty() ? 937 : 979, bad->offset);
    }
  }
  if (s.having) {
    Emitted h;
    if (!expr(*s.having, scope, &h)) return false;
    const Expr* bad = nullptr;
    if (!ungrouped(*s.having, scope, groups, &bad)) return false;
    if (bad) return fail(979, bad->offset);
    text += " HAVING " + h.sql;
  }
  if (row_limit >= 0) {
    if (s.distinct || grouping)
      return fail(3001, s.where->offset), err_->message = "unimplemented feature", false;
    // OFFSET 0 keeps SQLite from moving an outer ORDER BY into the limited block (it may
    // otherwise pick the first rows of the sorted result instead of the rows as read).
    text = "SELECT * FROM (" + text + " LIMIT " + std::to_string(row_limit) + " OFFSET 0)";
  }
  *sql = text;
  return true;
}

bool is_aggregate_call(const Expr& e) {
  return e.kind == ExprKind::Function &&
         (e.text == "COUNT" || e.text == "SUM" || e.text == "AVG" || e.text == "MIN" || e.text == "MAX");
}

// Finds the first column reference of e that is neither inside an aggregate nor part of
// a GROUP BY expression (*bad stays null when there is none).
bool Translator::ungrouped(Expr& e, const Scope& scope, const std::vector<std::string>& groups, const Expr** bad) {
  if (*bad || is_aggregate_call(e) || e.subquery) return true;
  Emitted em;
  if (!expr(e, scope, &em)) return false;
  for (const std::string& g : groups)
    if (g == em.sql) return true;
  if (e.kind == ExprKind::Column) {
    *bad = &e;
    return true;
  }
  for (auto& a : e.args)
    if (!ungrouped(*a, scope, groups, bad)) return false;
  return true;
}

bool Translator::store_value(const Emitted& v, const ColumnInfo& target, const std::string& owner,
                             const std::string& table, std::string* sql, std::uint32_t offset) {
  const OraType& t = target.type;
  std::string colname = owner.empty() ? "NULL" : quote_text("\"" + owner + "\".\"" + table + "\".\"" + target.name + "\"");
  switch (t.code) {
    case kTypeNumber:
      if (is_date(v.type)) return fail(932, offset), err_->message = "inconsistent datatypes: expected NUMBER got DATE", false;
      *sql = "vantro_store_number(" + v.sql + "," + std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
      return true;
    case kTypeDate:
    case kTypeTimestamp:
      if (is_date(v.type)) *sql = v.sql;
      else if (is_number(v.type)) return fail(932, offset), err_->message = "inconsistent datatypes: expected DATE got NUMBER", false;
      else *sql = (t.code == kTypeDate ? "vantro_to_date(" : "vantro_to_timestamp(") + v.sql + ")";
      return true;
    case kTypeRaw:
    case kTypeBlob:
    case kTypeLongRaw:
      *sql = (v.type.code == kTypeRaw || v.type.code == kTypeBlob || v.type.code == kTypeLongRaw)
                 ? v.sql
                 : "vantro_hextoraw(" + v.sql + "," + std::to_string(t.code == kTypeRaw ? t.size : 0) + "," + colname + ")";
      return true;
    default:
      *sql = "vantro_store_text(" + as_text(v) + "," +
             std::to_string(t.code == kTypeVarchar2 || t.code == kTypeChar ? t.size : 0) + "," +
             (t.code == kTypeChar ? "1" : "0") + "," + colname + ")";
      return true;
  }
}

bool Translator::insert(Statement& s) {
  std::string owner = owner_of(s.table);
  std::vector<ColumnInfo> all;
  if (!ctx_.catalog->table_columns(owner, s.table.name, &all)) return fail(942, s.table.offset);
  std::vector<ColumnInfo> targets;
  if (s.columns.empty()) {
    targets = all;
  } else {
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
      const ColumnInfo* found = nullptr;
      for (const ColumnInfo& c : all)
        if (c.name == s.columns[i]) found = &c;
      if (!found) return fail(904, s.column_offsets[i], "\"" + s.columns[i] + "\"");
      for (std::size_t j = 0; j < i; ++j)
        if (s.columns[j] == s.columns[i]) return fail(957, s.column_offsets[i]);
      targets.push_back(*found);
    }
  }
  std::string sql = "INSERT INTO " + quote_name(owner) + "." + quote_name(s.table.name) + " (";
  for (std::size_t i = 0; i < targets.size(); ++i) sql += (i ? "," : "") + quote_name(targets[i].name);
  sql += ") ";
  Scope empty;
  if (s.select) {
    std::vector<OraType> types;
    for (const ColumnInfo& c : targets) types.push_back(c.type);
    std::vector<ColumnInfo> cols;
    std::string sub;
    if (!select(*s.select, nullptr, &cols, &sub, &types)) return false;
    if (cols.size() < targets.size()) return fail(947, s.select->offset);
    if (cols.size() > targets.size()) return fail(913, s.select->offset);
    sql += sub;
  } else {
    std::vector<ExprPtr>& row = s.values[0];
    if (row.size() < targets.size()) return fail(947, row.empty() ? s.table.offset : row.back()->end);
    if (row.size() > targets.size()) return fail(913, row[targets.size()]->offset);
    sql += "VALUES (";
    for (std::size_t i = 0; i < row.size(); ++i) {
      Emitted v;
      if (!expr(*row[i], empty, &v)) return false;
      std::string stored;
      if (!store_value(v, targets[i], owner, s.table.name, &stored, row[i]->offset)) return false;
      sql += (i ? "," : "") + stored;
    }
    sql += ")";
  }
  out_->sql = sql;
  return true;
}

bool Translator::update(Statement& s) {
  Source src;
  if (!table_source(s.table, &src)) return false;
  std::string owner = owner_of(s.table);
  if (!s.alias.empty()) src.alias = s.alias;
  Scope scope;
  scope.bare = true;
  scope.sources.push_back(src);
  std::string sql = "UPDATE " + src.sql + " AS " + quote_name(src.alias) + " SET ";
  scope.bare = false;
  for (std::size_t i = 0; i < s.sets.size(); ++i) {
    const ColumnInfo* target = nullptr;
    for (const ColumnInfo& c : src.columns)
      if (c.name == s.sets[i].first) target = &c;
    if (!target) return fail(904, s.set_offsets[i], "\"" + s.sets[i].first + "\"");
    Emitted v;
    if (!expr(*s.sets[i].second, scope, &v)) return false;
    std::string stored;
    if (!store_value(v, *target, owner, s.table.name, &stored, s.sets[i].second->offset)) return false;
    sql += (i ? "," : "") + quote_name(target->name) + "=" + stored;
  }
  if (s.where) {
    Emitted w;
    if (!expr(*s.where, scope, &w)) return false;
    sql += " WHERE " + w.sql;
  }
  out_->sql = sql;
  return true;
}

bool Translator::del(Statement& s) {
  Source src;
  if (!table_source(s.table, &src)) return false;
  if (!s.alias.empty()) src.alias = s.alias;
  Scope scope;
  scope.sources.push_back(src);
  std::string sql = "DELETE FROM " + src.sql + " AS " + quote_name(src.alias);
  if (s.where) {
    Emitted w;
    if (!expr(*s.where, scope, &w)) return false;
    sql += " WHERE " + w.sql;
  }
  out_->sql = sql;
  return true;
}

bool Translator::column_sql(const ColumnDef& c, std::string* sql) {
  std::string affinity;
  switch (c.type.code) {
    case kTypeNumber: affinity = "NUMERIC"; break;
    case kTypeRaw:
    case kTypeBlob:
    case kTypeLongRaw: affinity = "BLOB"; break;
    default: affinity = "TEXT"; break;
  }
  std::string s = quote_name(c.name) + " " + affinity;
  if (c.not_null || c.primary_key) s += " NOT NULL";
  if (c.primary_key) s += " PRIMARY KEY";
  if (c.unique) s += " UNIQUE";
  if (c.default_value) {
    // The default is evaluated at insert time, converted to the column's type like any
    // value stored there.
    Scope none;
    Emitted d;
    if (!expr(*c.default_value, none, &d)) return false;
    if (c.default_value->kind != ExprKind::Null) {
      ColumnInfo target{c.name, c.type};
      std::string stored;
      if (!store_value(d, target, "", "", &stored, c.default_value->offset)) return false;
      s += " DEFAULT (" + stored + ")";
    }
  }
  if (!c.references.name.empty()) {
    if (!c.references.owner.empty() && c.references.owner != ctx_.schema) return fail(3001, c.references.offset);
    std::vector<ColumnInfo> ref_cols;
    if (!ctx_.catalog->table_columns(owner_of(c.references), c.references.name, &ref_cols))
      return fail(942, c.references.offset);
    s += " REFERENCES " + quote_name(c.references.name);
    if (!c.ref_columns.empty()) s += "(" + quote_name(c.ref_columns[0]) + ")";
    if (!c.on_delete.empty()) s += " ON DELETE " + c.on_delete;
  }
  if (c.check) {
    Scope scope;
    scope.bare = true;
    Source self;
    self.columns.push_back({c.name, c.type});
    scope.sources.push_back(self);
    Emitted e;
    if (!expr(*c.check, scope, &e)) return false;
    s += " CHECK " + e.sql;
  }
  *sql = s;
  return true;
}

void Translator::catalog_insert(const std::string& owner, const std::string& table, const ColumnDef& c,
                                int column_id) {
  out_->catalog_sql.push_back(
      "INSERT INTO main.vantro_columns(owner,table_name,column_name,column_id,type_code,type_name,data_length,"
      "data_precision,data_scale,char_used,national,nullable) VALUES (" +
      quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name) + "," + std::to_string(column_id) + "," +
      std::to_string(c.type.code) + "," + quote_text(c.type_name) + "," + std::to_string(c.type.size) + "," +
      std::to_string(c.type.precision) + "," + std::to_string(c.type.scale) + "," + (c.type.char_used ? "1" : "0") +
      "," + (c.type.national ? "1" : "0") + "," + (c.not_null || c.primary_key ? "0" : "1") + ")");
}

bool Translator::create_table(Statement& s) {
  std::string owner = owner_of(s.table);
  if (!s.table.owner.empty() && !ctx_.catalog->schema_exists(owner)) return fail(1918, s.table.offset),
                                                                        err_->message = "user '" + owner + "' does not exist", false;
  if (ctx_.catalog->object_exists(owner, s.table.name)) return fail(955, s.table.name_offset);
  std::set<std::string> names;
  std::string body;
  for (const ColumnDef& c : s.column_defs) {
    if (!names.insert(c.name).second) return fail(957, c.offset);
    std::string cs;
    if (!column_sql(c, &cs)) return false;
    body += (body.empty() ? "" : ", ") + cs;
  }
  Scope check_scope;
  check_scope.bare = true;
  Source self;
  for (const ColumnDef& c : s.column_defs) self.columns.push_back({c.name, c.type});
  check_scope.sources.push_back(self);
  for (TableConstraint& k : s.constraints) {
    for (const std::string& col : k.columns)
      if (!names.count(col)) return fail(904, k.offset, "\"" + col + "\"");
    auto list = [&](const std::vector<std::string>& cols) {
      std::string l = "(";
      for (std::size_t i = 0; i < cols.size(); ++i) l += (i ? "," : "") + quote_name(cols[i]);
      return l + ")";
    };
    switch (k.kind) {
      case TableConstraint::Kind::PrimaryKey: body += ", PRIMARY KEY " + list(k.columns); break;
      case TableConstraint::Kind::Unique: body += ", UNIQUE " + list(k.columns); break;
      case TableConstraint::Kind::ForeignKey: {
        if (!k.references.owner.empty() && k.references.owner != owner) return fail(3001, k.references.offset);
        std::vector<ColumnInfo> ref_cols;
        if (k.references.name != s.table.name &&
            !ctx_.catalog->table_columns(owner, k.references.name, &ref_cols))
          return fail(942, k.references.offset);
        body += ", FOREIGN KEY " + list(k.columns) + " REFERENCES " + quote_name(k.references.name);
        if (!k.ref_columns.empty()) body += list(k.ref_columns);
        if (!k.on_delete.empty()) body += " ON DELETE " + k.on_delete;
        break;
      }
      case TableConstraint::Kind::Check: {
        Emitted e;
        if (!expr(*k.check, check_scope, &e)) return false;
        body += ", CHECK " + e.sql;
        break;
      }
    }
  }
  for (const ColumnDef& c : s.column_defs)
    for (const TableConstraint& k : s.constraints)
      if (k.kind == TableConstraint::Kind::PrimaryKey)
        for (const std::string& col : k.columns)
          if (col == c.name) const_cast<ColumnDef&>(c).not_null = true;
  out_->sql = "CREATE TABLE " + quote_name(owner) + "." + quote_name(s.table.name) + " (" + body + ")";
  int id = 1;
  for (const ColumnDef& c : s.column_defs) catalog_insert(owner, s.table.name, c, id++);
  constraints_catalog_sql(owner, s.table.name, s.column_defs, s.constraints, text_, &out_->catalog_sql);
  return true;
}

bool Translator::drop_table(Statement& s) {
  std::string owner = owner_of(s.table);
  std::vector<ColumnInfo> cols;
  if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
  out_->sql = "DROP TABLE " + quote_name(owner) + "." + quote_name(s.table.name);
  out_->catalog_sql.push_back("DELETE FROM main.vantro_columns WHERE owner=" + quote_text(owner) +
                              " AND table_name=" + quote_text(s.table.name));
  constraints_drop_sql(owner, s.table.name, &out_->catalog_sql);
  return true;
}

bool Translator::alter_table(Statement& s) {
  std::string owner = owner_of(s.table);
  std::vector<ColumnInfo> cols;
  if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
  std::string target = "ALTER TABLE " + quote_name(owner) + "." + quote_name(s.table.name);
  auto has = [&](const std::string& n) {
    for (const ColumnInfo& c : cols)
      if (c.name == n) return true;
    return false;
  };
  if (s.alter_action == "ADD") {
    if (s.column_defs.size() != 1) return fail(3001, s.table.offset);
    const ColumnDef& c = s.column_defs[0];
    if (has(c.name)) return fail(1430, c.offset), err_->message = "column being added already exists in table", false;
    std::string cs;
    if (!column_sql(c, &cs)) return false;
    out_->sql = target + " ADD COLUMN " + cs;
    catalog_insert(owner, s.table.name, c, static_cast<int>(cols.size()) + 1);
    constraints_column_sql(owner, s.table.name, c, false, text_, &out_->catalog_sql);
    return true;
  }
  if (!has(s.name)) return fail(904, s.name_offset, "\"" + s.name + "\"");
  std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(s.table.name);
  if (s.alter_action == "DROP COLUMN") {
    out_->sql = target + " DROP COLUMN " + quote_name(s.name);
    out_->catalog_sql.push_back("DELETE FROM main.vantro_columns" + where + " AND column_name=" + quote_text(s.name));
    return true;
  }
  if (s.alter_action == "RENAME COLUMN") {
    if (has(s.name2)) return fail(957, s.name_offset);
    out_->sql = target + " RENAME COLUMN " + quote_name(s.name) + " TO " + quote_name(s.name2);
    out_->catalog_sql.push_back("UPDATE main.vantro_columns SET column_name=" + quote_text(s.name2) + where +
                                " AND column_name=" + quote_text(s.name));
    return true;
  }
  return fail(3001, s.table.offset);
}

bool Translator::create_index(Statement& s) {
  std::string owner = owner_of(s.table);
  std::string index_owner = s.index.owner.empty() ? owner : s.index.owner;
  if (index_owner != owner) return fail(3001, s.index.offset);
  if (ctx_.catalog->object_exists(owner, s.index.name)) return fail(955, s.index.name_offset);
  std::vector<ColumnInfo> cols;
  if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
  std::string list;
  for (std::size_t i = 0; i < s.columns.size(); ++i) {
    bool found = false;
    for (const ColumnInfo& c : cols) found = found || c.name == s.columns[i];
    if (!found) return fail(904, s.column_offsets[i], "\"" + s.columns[i] + "\"");
    for (std::size_t j = 0; j < i; ++j)
      if (s.columns[j] == s.columns[i]) return fail(957, s.column_offsets[i]);
    list += (i ? "," : "") + quote_name(s.columns[i]) + (s.column_desc[i] ? " DESC" : "");
  }
  out_->sql = std::string("CREATE ") + (s.unique ? "UNIQUE " : "") + "INDEX " + quote_name(owner) + "." +
              quote_name(s.index.name) + " ON " + quote_name(s.table.name) + " (" + list + ")";
  return true;
}

bool Translator::drop_index(Statement& s) {
  std::string owner = owner_of(s.index);
  if (!ctx_.catalog->index_exists(owner, s.index.name)) return fail(1418, s.index.offset);
  out_->sql = "DROP INDEX " + quote_name(owner) + "." + quote_name(s.index.name);
  return true;
}

bool Translator::statement(Statement& s) {
  out_->kind = s.kind;
  switch (s.kind) {
    case StatementKind::Select: {
      std::string sql;
      if (!select(*s.select, nullptr, &out_->columns, &sql)) return false;
      out_->sql = sql;
      return true;
    }
    case StatementKind::Insert: return insert(s);
    case StatementKind::Update: return update(s);
    case StatementKind::Delete: return del(s);
    case StatementKind::CreateTable: return create_table(s);
    case StatementKind::DropTable: return drop_table(s);
    case StatementKind::AlterTable: return alter_table(s);
    case StatementKind::CreateIndex: return create_index(s);
    case StatementKind::DropIndex: return drop_index(s);
    case StatementKind::Commit:
    case StatementKind::Rollback:
      return true;
    case StatementKind::Savepoint:
    case StatementKind::RollbackToSavepoint:
      out_->name = s.name;
      return true;
    case StatementKind::AlterSession:
      if (s.name != "NLS_DATE_FORMAT" && s.name != "NLS_TIMESTAMP_FORMAT") return fail(2248, s.name_offset);
      if (!date_mask_valid(s.value)) return fail(1821, s.name_offset);
      out_->name = s.name;
      out_->value = s.value;
      return true;
  }
  return fail(900, 0);
}

}  // namespace

bool sql_translate(const std::string& text, const TranslateContext& ctx, Translation* out, OraError* err) {
  std::vector<Token> tokens;
  if (!sql_tokenize(text, &tokens, err)) return false;
  Statement s;
  if (!sql_parse(tokens, &s, err)) return false;
  *out = Translation();
  out->parsed = true;
  out->kind = s.kind;
  out->owner = s.table.owner.empty() ? ctx.schema : s.table.owner;
  Translator t(text, ctx, out, err);
  return t.statement(s);
}

int sql_statement_type(const std::string& text) {
  std::vector<Token> tokens;
  OraError err;
  if (!sql_tokenize(text, &tokens, &err) || tokens.empty() || tokens[0].kind != TokenKind::Word) {
    if (!tokens.empty() && tokens[0].kind == TokenKind::Operator && tokens[0].text == "(") return 1;
    return 0;
  }
  const std::string& w = tokens[0].text;
  if (w == "SELECT" || w == "WITH") return 1;
  if (w == "UPDATE") return 2;
  if (w == "DELETE") return 3;
  if (w == "INSERT") return 4;
  if (w == "CREATE") return 5;
  if (w == "DROP") return 6;
  if (w == "ALTER") return 7;
  if (w == "BEGIN") return 8;
  if (w == "DECLARE") return 9;
  return 0;
}

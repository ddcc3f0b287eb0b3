// The syntax tree of the Oracle SQL subset the engine understands, and the parser that
// builds it from tokens. The parser checks grammar only (ORA-009xx with the offending
// token's offset); names, types and conversions are the translator's business.
#pragma once

#include "sql/sql_lexer.h"
#include "values/sql_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SelectStmt;
struct Expr;

struct OrderItem {
    std::unique_ptr<Expr> expr;
    bool descending = false;
    int nulls = 0;  // 0 default, 1 NULLS FIRST, 2 NULLS LAST
};

// One end of a window frame: UNBOUNDED PRECEDING, n PRECEDING, CURRENT ROW, n FOLLOWING,
// UNBOUNDED FOLLOWING.
struct FrameBound {
    enum class Kind {
        UnboundedPreceding,
        Preceding,
        CurrentRow,
        Following,
        UnboundedFollowing
    } kind = Kind::CurrentRow;
    std::unique_ptr<Expr> offset;  // Preceding and Following
};

// OVER (PARTITION BY ... ORDER BY ... [ROWS|RANGE ...]) of an analytic function.
struct WindowSpec {
    std::vector<std::unique_ptr<Expr>> partition;
    std::vector<OrderItem> order;
    bool has_frame = false;
    bool range = false;  // RANGE rather than ROWS
    FrameBound start, finish;
    std::uint32_t offset = 0;  // of OVER
};

// The clauses an aggregate or analytic call may carry besides its arguments.
struct CallExtras {
    int nulls = 0;           // 1 RESPECT NULLS, 2 IGNORE NULLS
    bool from_last = false;  // NTH_VALUE ... FROM LAST
    bool within_group = false;
    std::vector<OrderItem> within;  // WITHIN GROUP (ORDER BY ...)
    // LISTAGG ... ON OVERFLOW: 0 ERROR (the default), 1 TRUNCATE
    int overflow = 0;
    std::string truncate_text = "...";
    bool with_count = true;
    // KEEP (DENSE_RANK FIRST|LAST ORDER BY ...)
    bool keep = false;
    bool keep_last = false;
    std::vector<OrderItem> keep_order;
    // The parameter name of each argument given in named notation (name => value), empty
    // for one given by position; stored functions and DBMS_XPLAN's table functions take
    // names, the built-in functions none.
    std::vector<std::string> arg_names;

    // True when the call carries parameter names and no other clause.
    bool names_only() const {
        return !arg_names.empty() && nulls == 0 && !from_last && !within_group && within.empty() && overflow == 0 &&
               !keep && keep_order.empty();
    }
};

// JSON_OBJECT, JSON_ARRAY, JSON_OBJECTAGG and JSON_ARRAYAGG (Function nodes): args hold
// the values (JSON_OBJECT and JSON_OBJECTAGG: key, value, key, value ...); JSON_ARRAYAGG's
// ORDER BY is in extras->within.
struct JsonGenClauses {
    std::vector<bool> format_json;  // per value: FORMAT JSON was written
    bool absent_on_null = false;
    bool clob = false;          // RETURNING CLOB
    std::uint32_t size = 4000;  // RETURNING VARCHAR2(size)
    bool strict = false, unique_keys = false;
};

// The SQL/XML generation functions (Function nodes). XMLELEMENT and XMLPI: name is the
// element's (target's) name; XMLELEMENT's args[0..attributes) are XMLATTRIBUTES values and
// the rest its content. names holds per argument of XMLATTRIBUTES and XMLFOREST the
// attribute's or element's name. XMLAGG's ORDER BY is in extras->within. XMLSERIALIZE:
// document, and the type it returns (clob, or VARCHAR2(size)).
struct XmlClauses {
    std::string name;
    std::vector<std::string> names;
    std::size_t attributes = 0;
    bool document = false;
    bool clob = true;
    std::uint32_t size = 4000;
};

enum class ExprKind {
    String,  // text: the value ('' never reaches here: it is Null)
    Number,  // text: as typed
    Null,
    Bind,     // text: placeholder name; path: fields named after it (:NEW.column)
    Column,   // path: qualifiers and the column name
    Star,     // path: optional qualifier (t.*)
    Unary,    // text: "-", "+", "PRIOR" or "CONNECT_BY_ROOT"; args[0]
    Binary,   // text: "+", "-", "*", "/"; args[0], args[1]
    Concat,   // args[0] || args[1]
    Compare,  // text: "=", "<>", "<", "<=", ">", ">="; args[0], args[1]
    And,
    Or,
    Not,
    IsNull,      // negated for IS NOT NULL
    Like,        // args: value, pattern[, escape]; negated
    RegexpLike,  // REGEXP_LIKE: args: source, pattern[, match_param]
    Between,     // args: value, low, high; negated
    InList,      // args[0] value, args[1..] list; negated
    InSubquery,  // args[0] value; subquery; negated
    Exists,      // subquery
    // op ANY|SOME|ALL: text: the operator as Compare has it; star for ALL; args[0] the
    // value, args[1..] the list, or subquery.
    Quantified,
    Subquery,  // scalar subquery
    Function,  // text: name; args; distinct; star for COUNT(*)
    Case,      // args: [operand,] when, then, ..., [else]; has_operand, has_else
    Sysdate,
    User,
    DateLiteral,      // DATE 'YYYY-MM-DD' (text: the stored form); TIMESTAMP '...' when star
    IntervalLiteral,  // INTERVAL '...' qualifier (text: the stored form); YEAR TO MONTH when star
    Attribute,        // path: a name; text: the attribute after '%' (a PL/SQL cursor's FOUND ...)
    IsJson,           // args[0] IS [NOT] JSON; negated; json: strict, unique_keys
    JsonExists,       // JSON_EXISTS: args: document, path; json: on_error
    JsonFunction,     // text: JSON_VALUE or JSON_QUERY; args: document, path, error default, empty default
    Cast,             // CAST(args[0] AS cast_type); text: the type's name as written; path_offsets[0]: the type
    Extract,          // EXTRACT(text FROM args[0]); text: the field; path_offsets[0]: the field
    Row,              // (a, b, ...) compared with rows: args, its values (a list of rows: args are Rows)
    // The multiset conditions and operators of nested tables; text says which:
    // MEMBER (args: value, collection), SUBMULTISET (args: c1, c2), EMPTY (IS EMPTY of
    // args[0]), each negated for its NOT form; UNION, INTERSECT, EXCEPT (MULTISET op of
    // args c1, c2; distinct for DISTINCT).
    Multiset,
    // What follows a call's result (f(x)(i), f(x).a.b, f(x).m(...)): args[0] the value it
    // applies to, then the arguments. text: the member named after a '.', empty for a
    // subscript; has_operand: parentheses follow the member (a method's arguments, which
    // may be none). A first plain member stays the call's own field.
    Postfix,
};

// The clauses of IS JSON, JSON_EXISTS, JSON_VALUE and JSON_QUERY, as the values/sql_json.h
// enums number them.
struct JsonClauses {
    bool strict = false, unique_keys = false;  // IS JSON
    int returning = 0;                         // JSON_VALUE: 0 VARCHAR2, 1 NUMBER
    int precision = 0, scale = -127;           // JSON_VALUE RETURNING NUMBER(p, s); none: 0, -127
    std::uint32_t size = 4000;                 // the VARCHAR2 size returned
    int wrapper = 0;                           // JSON_QUERY: 0 WITHOUT, 1 UNCONDITIONAL, 2 CONDITIONAL
    int on_error = 0;   // NULL, ERROR, DEFAULT, EMPTY ARRAY, EMPTY OBJECT; JSON_EXISTS: FALSE, ERROR, TRUE
    int on_empty = -1;  // the same; -1 when omitted (ON ERROR decides)
};

struct Expr {
    ExprKind kind = ExprKind::Null;
    std::string text;
    std::vector<std::string> path;
    std::vector<std::uint32_t> path_offsets;  // where each part of path starts
    std::vector<std::unique_ptr<Expr>> args;
    std::unique_ptr<SelectStmt> subquery;
    bool negated = false;
    bool distinct = false;
    bool star = false;
    bool has_operand = false;
    bool has_else = false;
    bool outer_join = false;             // Column marked with Oracle's (+) outer-join operator
    std::unique_ptr<WindowSpec> over;    // Function: an analytic call
    std::unique_ptr<CallExtras> extras;  // Function: WITHIN GROUP, IGNORE NULLS, KEEP ...
    std::unique_ptr<JsonClauses> json;   // IsJson, JsonExists, JsonFunction
    std::uint8_t lead_precision = 0;     // IntervalLiteral: the type's precisions
    std::uint8_t fraction_precision = 0;
    OraType cast_type;  // Cast: the target type (CHAR length semantics in char_used)
    // Function: a field named after the call, as PL/SQL names a field of an element of a
    // collection of records (collection(i).field); only a host's name hook resolves it.
    std::string field;
    std::uint32_t field_offset = 0;
    std::uint32_t offset = 0;  // first byte in the statement text
    std::uint32_t end = 0;     // just past the last byte

    // Function: the clauses of JSON_OBJECT, JSON_ARRAY, JSON_OBJECTAGG and JSON_ARRAYAGG.
    std::unique_ptr<JsonGenClauses> json_gen;
    // Function: the clauses of XMLELEMENT, XMLFOREST, XMLAGG and the other SQL/XML functions.
    std::unique_ptr<XmlClauses> xml;

    Expr() = default;
    Expr(const Expr&) = delete;
    Expr& operator=(const Expr&) = delete;
    // Frees the operands without recursion: a chain of ten thousand terms is as deep.
    ~Expr();
};
using ExprPtr = std::unique_ptr<Expr>;

// The keyword DEFAULT as a value of INSERT ... VALUES: a Null carrying the word.
inline bool is_default_value(const Expr& e) {
    return e.kind == ExprKind::Null && e.text == "DEFAULT";
}

struct SelectItem {
    ExprPtr expr;
    std::string alias;  // empty when none was given
    std::uint32_t offset = 0, end = 0;
};

// A partition-extended name after a table: PARTITION (name), PARTITION FOR (key values),
// SUBPARTITION (name) or SUBPARTITION FOR (key values). The rows it names are those whose
// key satisfies the partition's bounds.
struct PartitionExtension {
    bool sub = false;
    std::string name;                         // empty: FOR (keys)
    std::vector<std::unique_ptr<Expr>> keys;  // FOR: one value per key column
    std::uint32_t offset = 0;                 // of PARTITION or SUBPARTITION
    std::uint32_t name_offset = 0;
};

struct TableRef {
    std::string owner;  // empty: the current schema
    std::string name;
    std::uint32_t offset = 0;  // of the name (or the owner when given)
    std::uint32_t name_offset = 0;
    std::shared_ptr<PartitionExtension> partition;  // null: the whole table
};

enum class JoinKind { First, Comma, Inner, Left, Right, Full, Cross };

// PIVOT and UNPIVOT after a FROM item, as the parser reads them. The translator turns
// the item into a query of its own once it knows the source's columns.
struct PivotClause {
    bool unpivot = false;
    std::uint32_t offset = 0;
    std::string base_alias;  // the source rows' alias, when one was given before the clause
    // PIVOT: for each IN value (outer) and aggregate (inner), the aggregate over the rows
    // of that value, already written agg(CASE WHEN for = value THEN arg END), and the
    // name of its column; the FOR columns and those the aggregates read are not grouped.
    std::vector<ExprPtr> cells;
    std::vector<std::string> names;
    std::vector<std::string> for_columns;
    std::vector<std::string> measure_columns;
    // UNPIVOT [INCLUDE NULLS] (values FOR names IN (columns [AS labels], ...)): one row per
    // IN entry, its columns' values under the value columns and its labels under the names.
    bool include_nulls = false;
    std::vector<std::string> value_columns, name_columns;
    std::vector<std::vector<std::string>> in_columns;
    std::vector<std::vector<ExprPtr>> in_labels;  // empty: the columns' names as text
    std::vector<std::uint32_t> in_offsets;
};

// One column of JSON_TABLE: FOR ORDINALITY, a value (JSON_VALUE's semantics), a FORMAT
// JSON fragment (JSON_QUERY's), an EXISTS flag, or a NESTED PATH with columns of its own.
struct JsonTableColumn {
    enum class Kind { Ordinality, Value, Query, Exists, Nested } kind = Kind::Value;
    std::string name;  // as the lexer gives it: unquoted names upper case
    OraType type;
    std::string path;                          // as written; for columns without PATH, '$.' and the name
    bool fold = false;                         // no PATH and an unquoted name: the key is matched without case
    int wrapper = 0;                           // FORMAT JSON: as JsonClauses numbers it
    int on_error = -1, on_empty = -1;          // as JsonClauses numbers them; -1 when omitted
    std::string error_default, empty_default;  // DEFAULT literals' text
    bool error_default_null = true, empty_default_null = true;
    std::uint32_t offset = 0;
    std::vector<JsonTableColumn> nested;  // Nested: its columns
};

// JSON_TABLE(doc [FORMAT JSON], 'row path' [ON ERROR] [ON EMPTY] COLUMNS (...)) in FROM.
struct JsonTableClause {
    ExprPtr doc;
    std::string path;
    int on_error = 0, on_empty = -1;  // NULL or ERROR; -1 when omitted
    std::vector<JsonTableColumn> columns;
};

struct FromItem {
    JoinKind join = JoinKind::First;
    TableRef table;  // when subquery is null
    std::unique_ptr<SelectStmt> subquery;
    std::unique_ptr<PivotClause> pivot;           // PIVOT or UNPIVOT of the item, until translated
    std::unique_ptr<JsonTableClause> json_table;  // a JSON_TABLE item (table holds its offset)
    ExprPtr collection;                           // a TABLE(collection) item (table holds its offset)
    std::string alias;
    ExprPtr on;
    std::vector<std::string> using_columns;
    bool natural = false;  // NATURAL JOIN: using_columns are the names both sides have
    bool lateral = false;  // LATERAL, CROSS APPLY, OUTER APPLY: the subquery reads the items before it
    bool apply_outer = false;  // OUTER APPLY: a LEFT JOIN without ON
};

enum class SetOp { None, Union, UnionAll, Intersect, Minus };

// One element of a GROUP BY that uses ROLLUP, CUBE, GROUPING SETS or composite columns.
struct GroupingElement {
    enum class Kind { Single, List, Rollup, Cube, Sets } kind = Kind::Single;
    ExprPtr expr;                        // Single
    std::vector<GroupingElement> items;  // List: its expressions (() has none); Rollup, Cube, Sets: their elements
    std::uint32_t offset = 0;
};

struct SelectStmt {
    bool distinct = false;
    std::vector<SelectItem> items;
    std::vector<FromItem> from;
    ExprPtr where;
    std::vector<ExprPtr> group_by;
    // GROUP BY with ROLLUP, CUBE, GROUPING SETS or parentheses: the whole list is here and
    // group_by stays empty.
    std::vector<GroupingElement> grouping;
    ExprPtr having;
    SetOp set_op = SetOp::None;  // how `next` combines with this block
    std::unique_ptr<SelectStmt> next;
    std::vector<OrderItem> order_by;  // on the first block of a compound
    // Hierarchical query: START WITH, CONNECT BY [NOCYCLE] and ORDER SIBLINGS BY.
    ExprPtr start_with;
    ExprPtr connect_by;
    bool nocycle = false;
    std::vector<OrderItem> siblings_order;
    // FOR UPDATE [OF column, ...] [NOWAIT | WAIT n | SKIP LOCKED]: the rows are taken for a
    // change; OF names columns (path: qualifiers and name) whose tables the cursor changes.
    bool for_update = false;
    std::vector<ExprPtr> for_update_of;
    std::uint32_t offset = 0;
    // OFFSET n ROWS and FETCH FIRST|NEXT n [PERCENT] ROWS ONLY|WITH TIES, after ORDER BY
    // (on the first block of a compound).
    ExprPtr offset_rows;
    ExprPtr fetch_rows;
    bool fetch_percent = false;
    bool fetch_ties = false;
    std::uint32_t fetch_offset = 0;
    // ORDER BY keys that are not result columns, moved to the end of the select list as
    // hidden columns so that WITH TIES and PERCENT can rank by them; not part of the result.
    std::size_t hidden_items = 0;
    // WITH name [(columns)] AS (subquery), ...: the query names this statement defines.
    // SEARCH DEPTH|BREADTH FIRST BY keys SET column, after a recursive WITH element.
    struct Search {
        bool breadth = false;
        std::vector<OrderItem> keys;  // each a column of the element's alias list
        std::string column;           // the ordering column it adds
        std::uint32_t offset = 0, column_offset = 0;
    };
    // CYCLE columns SET mark_column TO mark DEFAULT no_mark, likewise.
    struct Cycle {
        std::vector<std::string> columns;
        std::vector<std::uint32_t> column_offsets;
        std::string mark_column;
        ExprPtr mark, no_mark;
        std::uint32_t offset = 0, mark_column_offset = 0;
    };
    struct Factored {
        std::string name;
        std::vector<std::string> columns;
        std::unique_ptr<SelectStmt> query;
        std::uint32_t offset = 0;
        std::unique_ptr<Search> search;
        std::unique_ptr<Cycle> cycle;
    };
    std::vector<Factored> with;
    // WITH FUNCTION|PROCEDURE ...: the PL/SQL declarations before the named subqueries, as
    // byte offsets of the statement's text (from the first FUNCTION or PROCEDURE to just
    // past the ';' of the last declaration); equal when there are none.
    std::uint32_t plsql_begin = 0, plsql_end = 0;
};

// The sequence options of an identity column, as typed (empty: Oracle's default).
struct IdentityOptions {
    std::string start, increment, min_value, max_value, cache;
    bool cycle = false, order = false, no_cache = false;
    bool start_limit = false;          // START WITH LIMIT VALUE (ALTER TABLE ... MODIFY only)
    std::uint32_t start_offset = 0;    // where the START WITH value is written
    bool has_cycle = false, has_order = false;  // CYCLE/NOCYCLE, ORDER/NOORDER were written
};

// A constraint's state as declared: DISABLE, NOVALIDATE, DEFERRABLE (INITIALLY IMMEDIATE).
struct ConstraintState {
    bool disabled = false;
    bool novalidate = false;
    bool deferrable = false;
    bool deferred = false;  // INITIALLY DEFERRED: checked at COMMIT
};

struct ColumnDef {
    std::string name;
    std::uint32_t offset = 0;
    OraType type;
    std::string type_name;  // VARCHAR2, NUMBER, ... as declared
    // A column of a schema-level object or collection type: its owner (empty: the
    // table's schema) and the offset of its name; type_name holds the type's name.
    bool user_type = false;
    std::string type_owner;
    std::uint32_t type_offset = 0;
    bool byte_used = false;  // declared with BYTE: the session's NLS_LENGTH_SEMANTICS does not apply
    ExprPtr default_value;
    bool not_null = false;
    bool primary_key = false;
    bool unique = false;
    TableRef references;  // name empty when none
    std::vector<std::string> ref_columns;
    std::string on_delete;  // "CASCADE", "SET NULL" or empty
    ExprPtr check;
    // The names given with CONSTRAINT before each inline constraint (empty: system-named).
    std::string not_null_name, primary_key_name, unique_name, references_name, check_name;
    bool default_on_null = false;  // DEFAULT ON NULL, or GENERATED BY DEFAULT ON NULL AS IDENTITY
    bool has_type = true;          // false: the datatype was left out (an identity or virtual column)
    // GENERATED ALWAYS|BY DEFAULT [ON NULL] AS IDENTITY [(options)]: "ALWAYS" or "BY DEFAULT".
    std::string identity;
    IdentityOptions identity_options;
    std::uint32_t identity_offset = 0;
    ExprPtr virtual_expr;  // [GENERATED ALWAYS] AS (expr) [VIRTUAL]
    ConstraintState not_null_state, primary_key_state, unique_state, references_state, check_state;
};

// A schema-level type as its CREATE TYPE source declares it: an object type's attributes
// (name and datatype, methods left out) or a collection's element type and VARRAY limit.
struct ObjectTypeDecl {
    enum class Kind { Object, Varray, Table } kind = Kind::Object;
    std::string name;
    std::vector<ColumnDef> attributes;  // an object type's, in order
    ColumnDef element;                  // a collection's
    long long limit = 0;                // a VARRAY's
};

struct TableConstraint {
    enum class Kind { PrimaryKey, Unique, ForeignKey, Check } kind = Kind::PrimaryKey;
    std::string name;
    std::vector<std::string> columns;
    TableRef references;
    std::vector<std::string> ref_columns;
    std::string on_delete;
    ExprPtr check;
    std::uint32_t offset = 0;
    ConstraintState state;
};

// Physical attributes of CREATE TABLE and CREATE INDEX: SQLite has no use for them, the
// dictionary views show them (Oracle's defaults where none were given). -1 and empty:
// not given.
struct StorageClause {
    std::string tablespace, buffer_pool, logging;  // logging: "YES", "NO" or empty
    std::string index_type = "NORMAL";             // NORMAL or BITMAP, "/REV" added for REVERSE
    long long pct_free = -1, pct_used = -1, ini_trans = -1, max_trans = -1, initial = -1, next = -1, min_extents = -1,
              max_extents = -1, pct_increase = -1, freelists = -1, freelist_groups = -1;
    // An index's own properties: COMPRESS [n] ("ENABLED", prefix_length) or NOCOMPRESS,
    // PARALLEL [n] / NOPARALLEL (degree "DEFAULT" or the number), VISIBLE / INVISIBLE;
    // empty and -1 when not given.
    std::string compression, degree, visibility;
    long long prefix_length = -1;
    // LOCAL [(PARTITION [name] ..., ...)]: the index is partitioned as its table is, its
    // partitions named as listed (an empty name: the table's partition's name).
    bool local = false;
    std::uint32_t local_offset = 0;
    std::vector<std::string> local_partitions;
};

// One partition of PARTITION BY: a range partition's bounds (one per key column, a null
// pointer for MAXVALUE) or a list partition's values (a Null expression for NULL); a hash
// partition has neither. values_offset..values_end is the bound list as typed.
struct PartitionDef {
    std::string name;  // empty: a system name is given
    std::uint32_t offset = 0;
    std::vector<std::unique_ptr<Expr>> values;
    bool is_default = false;  // VALUES (DEFAULT)
    std::uint32_t values_offset = 0, values_end = 0;
    int subpartitions = 0;
    StorageClause storage;
};

// CREATE TABLE ... PARTITION BY RANGE | LIST | HASH (columns) [INTERVAL (expr)]
// [SUBPARTITION BY ...] (partitions). The table stays one SQLite table; the partitions
// bound the key values its rows may take.
struct Partitioning {
    std::string method;  // RANGE, LIST or HASH; empty: not partitioned
    std::uint32_t offset = 0;
    std::vector<std::string> columns;
    std::vector<std::uint32_t> column_offsets;
    std::unique_ptr<Expr> interval;
    std::string sub_method;  // RANGE, LIST, HASH or empty
    std::vector<std::string> sub_columns;
    int sub_count = 0;  // SUBPARTITIONS n or the template's count
    std::vector<PartitionDef> partitions;
};

// CREATE/ALTER/DROP USER and ROLE, GRANT and REVOKE. Privileges are upper case words
// joined by one space ("CREATE TABLE", "ALL"); a role is given the same way.
struct AccessClause {
    std::string name;  // the user or role created, altered or dropped
    std::uint32_t name_offset = 0;
    std::string password;  // IDENTIFIED BY (empty: not given), as the token has it
    bool identified = false;
    // Where the password was written: an unquoted password keeps the case it was typed
    // in, which the statement's text has and its upper-cased token does not.
    std::uint32_t password_offset = 0, password_end = 0;
    bool password_unquoted = false;
    std::string default_tablespace, temporary_tablespace, profile;
    int lock = -1;  // ACCOUNT LOCK 1, UNLOCK 0, not given -1
    bool expire = false;
    bool cascade = false;
    std::vector<std::string> privileges;
    std::vector<std::uint32_t> privilege_offsets;
    TableRef object;  // ON [owner.]object; name empty for system privileges and roles
    std::vector<std::string> grantees;
    std::vector<std::uint32_t> grantee_offsets;
    bool with_option = false;  // WITH ADMIN OPTION or WITH GRANT OPTION
};

struct Statement;

// One WHEN ... THEN of a multi-table insert (or its ELSE, or the INTO list of an
// unconditional INSERT ALL): the inserts it makes, each a Statement of kind Insert whose
// values (none: the subquery's select list) read the subquery's row.
struct InsertBranch {
    ExprPtr when;  // null: unconditional, or the ELSE branch
    bool is_else = false;
    std::vector<std::unique_ptr<Statement>> intos;
};

struct Statement {
    StatementKind kind = StatementKind::Select;
    std::unique_ptr<SelectStmt> select;  // Select; Insert ... SELECT
    TableRef table;                      // Insert/Update/Delete/DDL target
    std::string alias;                   // Update/Delete alias
    std::vector<std::string> columns;    // Insert column list; index columns
    std::vector<std::uint32_t> column_offsets;
    std::vector<bool> column_desc;                      // index columns: DESC
    std::vector<ExprPtr> index_exprs;                   // index keys: the expression, null for a column
    std::vector<std::vector<ExprPtr>> values;           // Insert VALUES rows
    ExprPtr values_record;                              // Insert VALUES rec (a host language's record)
    std::vector<std::pair<std::string, ExprPtr>> sets;  // Update SET
    ExprPtr set_row;                                    // Update SET ROW = rec
    std::vector<std::uint32_t> set_offsets;
    // Update SET alias.column.attribute = ...: the attribute of each SET (empty: the column).
    std::vector<std::string> set_attributes;
    ExprPtr where;
    std::vector<ColumnDef> column_defs;  // Create table; Alter table add
    std::vector<TableConstraint> constraints;
    TableRef index;                         // Create/Drop index name
    bool unique = false;                    // Create unique index
    std::string alter_action;               // Alter table: "ADD", "DROP COLUMN", "RENAME COLUMN", "RENAME";
                                            // alter index: "REBUILD", "UNUSABLE", "RENAME", ...
    std::string name;                       // savepoint; rename target
    std::string name2;                      // rename column: new name
    std::vector<SessionSetting> settings;   // ALTER SESSION SET
    std::vector<TableRef> set_constraints;  // SET CONSTRAINTS: the names (none: ALL)
    bool constraints_deferred = false;      // ... DEFERRED, else IMMEDIATE
    bool transaction_read_only = false;     // SET TRANSACTION READ ONLY
    std::uint32_t name_offset = 0;
    std::unique_ptr<SelectStmt> target_query;  // INSERT INTO (subquery): the rows' view of the table
    std::vector<ExprPtr> returning;            // DML RETURNING expressions
    std::vector<std::string> returning_into;   // ... INTO these placeholders
    StorageClause storage;                     // Create table; Create index
    Partitioning partitioning;                 // Create table
    // ALTER TABLE ... TRUNCATE | DROP | ADD | RENAME | SPLIT | MERGE | EXCHANGE | MOVE |
    // MODIFY | COALESCE PARTITION: kind AlterTable, alter_action "PARTITION".
    struct PartitionChange {
        std::string action;  // TRUNCATE, DROP, ADD, RENAME, SPLIT, MERGE, EXCHANGE, MOVE, MODIFY, COALESCE
        std::uint32_t offset = 0;
        std::vector<std::string> names;  // the partitions acted on (MERGE: the two merged)
        std::vector<std::uint32_t> name_offsets;
        std::string new_name;  // RENAME ... TO, MERGE ... INTO PARTITION
        std::uint32_t new_name_offset = 0;
        // ADD: the new partitions; SPLIT: the two it makes (their bounds: split_values).
        std::vector<PartitionDef> partitions;
        std::vector<ExprPtr> split_values;  // SPLIT ... AT (values) | VALUES (values)
        bool split_list = false;            // VALUES rather than AT
        std::uint32_t split_offset = 0, split_end = 0;
        TableRef exchange;  // EXCHANGE ... WITH TABLE
        bool including_indexes = false, without_validation = false;
        bool update_indexes = false;
    } partition_change;
    // MERGE INTO table [alias] (table, alias) USING source ON (merge_on): WHEN MATCHED THEN
    // UPDATE SET sets [WHERE where] [DELETE WHERE merge_delete]; WHEN NOT MATCHED THEN
    // INSERT [(columns)] VALUES (values[0]) [WHERE merge_insert_where].
    FromItem merge_source;
    ExprPtr merge_on, merge_delete, merge_insert_where;
    bool merge_update = false, merge_insert = false;
    // CREATE TABLE name OF type: an object table; its column_defs are the properties given
    // to the type's attributes (has_type false), its constraints the table's.
    bool object_table = false;
    TableRef of_type;
    std::string organization;  // Create table: ORGANIZATION INDEX or HEAP, empty when not given
    std::uint32_t organization_offset = 0;
    // Create table: GLOBAL TEMPORARY, with the duration of its rows ("SYS$TRANSACTION" for ON
    // COMMIT DELETE ROWS, "SYS$SESSION" for PRESERVE ROWS); empty for a permanent table.
    std::string temporary_duration;
    AccessClause access;  // user, role and privilege statements
    // INSERT ALL|FIRST ... subquery (select): its branches in order; FIRST inserts a row
    // by the first WHEN that holds only.
    std::vector<InsertBranch> insert_branches;
    bool insert_first = false;
    // CREATE / DROP MATERIALIZED VIEW [LOG]: kind CreateTable / DropTable over its table
    // (the master table for a log), with what the dictionary shows of it.
    struct Mview {
        enum class Kind { None, View, Log } kind = Kind::None;
        std::vector<std::string> columns;  // the view's (column, ...) list
        std::string refresh_method = "FORCE";
        std::string refresh_mode = "DEMAND";
        std::string build_mode = "IMMEDIATE";
        bool rewrite = false;
        bool preserve_table = false;     // DROP ... PRESERVE TABLE
        std::uint32_t query_offset = 0;  // where the query after AS starts
    } mview;
    // ANALYZE TABLE | INDEX name: kind AlterTable over the table (index: s.index).
    struct Analyze {
        bool active = false;
        bool index = false;
        bool remove = false;  // DELETE STATISTICS, else COMPUTE or ESTIMATE
        bool indexes = true;  // a table's indexes too (no FOR clause, or FOR ALL INDEXES)
    } analyze;
};

// Parses one statement of the SQL grammar; false with err set at the offending token.
bool sql_parse(const std::vector<Token>& tokens, Statement* out, OraError* err);
// Parses one expression that makes up the whole token list (PL/SQL expressions and
// conditions); false with err set at the offending token.
bool sql_parse_expression(const std::vector<Token>& tokens, std::unique_ptr<Expr>* out, OraError* err);
// The declaration a CREATE TYPE source makes; false when the source is none the engine reads.
bool sql_parse_type_declaration(const std::string& source, ObjectTypeDecl* out);
// The front door's parse: every statement gets its kind. Statements of the SQL grammar
// are parsed whole, as sql_parse does; for the kinds whose body another module's grammar
// reads (dictionary DDL, stored units, triggers, EXPLAIN PLAN, PL/SQL blocks) only
// out->kind is set, from the first words.
bool sql_parse_statement(const std::vector<Token>& tokens, Statement* out, OraError* err);

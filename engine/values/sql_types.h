// Plain data shared by the SQL translator, the catalog and the OCI surface: Oracle
// column types, described columns, the result of translating one statement and an
// Oracle error with its position. No behaviour lives here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An Oracle datatype as describe reports it.
struct OraType {
    std::uint16_t code = 1;  // describe code: 1 VARCHAR2, 2 NUMBER, 12 DATE, 96 CHAR ...
    std::uint32_t size = 0;  // OCI_ATTR_DATA_SIZE in bytes
    std::int16_t precision = 0;
    std::int8_t scale = 0;
    bool nullable = true;
    bool char_used = false;  // declared with CHAR length semantics
    bool national = false;   // NVARCHAR2 / NCHAR / NCLOB
};

constexpr std::uint16_t kTypeVarchar2 = 1;
constexpr std::uint16_t kTypeNumber = 2;
constexpr std::uint16_t kTypeLong = 8;
constexpr std::uint16_t kTypeDate = 12;
constexpr std::uint16_t kTypeRaw = 23;
constexpr std::uint16_t kTypeBinaryFloat = 100;
constexpr std::uint16_t kTypeBinaryDouble = 101;
constexpr std::uint16_t kTypeLongRaw = 24;
constexpr std::uint16_t kTypeChar = 96;
constexpr std::uint16_t kTypeClob = 112;
constexpr std::uint16_t kTypeBlob = 113;
constexpr std::uint16_t kTypeBfile = 114;
constexpr std::uint16_t kTypeTimestamp = 187;
constexpr std::uint16_t kTypeTimestampTz = 188;   // TIMESTAMP(s) WITH TIME ZONE: scale s
constexpr std::uint16_t kTypeTimestampLtz = 232;  // TIMESTAMP(s) WITH LOCAL TIME ZONE
constexpr std::uint16_t kTypeIntervalYm = 189;    // INTERVAL YEAR(p) TO MONTH: precision p
constexpr std::uint16_t kTypeIntervalDs = 190;    // INTERVAL DAY(p) TO SECOND(s): precision p, scale s
// A column of a schema-level object or collection type, as the catalog records it
// (described as VARCHAR2(4000) holding the constructor's text).
constexpr std::uint16_t kTypeObject = 108;
constexpr std::uint16_t kTypeRowid = 104;  // ROWID (size 18) and UROWID (size 4000): the rowid's text

struct ColumnInfo {
    std::string name;
    OraType type;
    bool name_cut = false;  // a name taken from an expression's text, cut to its first 128 bytes
    bool aliased = false;   // the name is a select item's alias (quoted: any text)
    // A column of a schema-level object or collection type: "OWNER.NAME" (the value is kept
    // as its constructor's text, type is VARCHAR2(4000)).
    std::string object_type = {};
    bool named_by_column = false;  // a select-list column that names a table's column (or a * of them)
};

// An Oracle error: number, the text after "ORA-nnnnn: ", and the 0-based byte offset
// of the offending token in the statement as typed (0 when there is none).
struct OraError {
    int code = 0;
    std::string message;
    std::uint32_t offset = 0;
};

enum class StatementKind {
    Select,
    Insert,
    Update,
    Delete,
    CreateTable,
    DropTable,
    TruncateTable,
    AlterTable,
    CreateIndex,
    DropIndex,
    AlterIndex,
    Commit,
    Rollback,
    RollbackToSavepoint,
    Savepoint,
    AlterSession,
    SetConstraints,
    SetTransaction,
    // Kinds whose body another module's grammar reads (the catalog's DDL, PL/SQL, the
    // plan): the SQL parser names them from their first words.
    AlterTableConstraint,  // ALTER TABLE ... ADD constraint, or MODIFY a column's NOT NULL
    CreateView,
    DropView,
    CreateSequence,
    AlterSequence,
    DropSequence,
    CreateSynonym,
    DropSynonym,
    Comment,
    CreateUnit,  // procedure, function, package, type and their bodies
    AlterUnit,
    DropUnit,
    CreateTrigger,
    AlterTrigger,
    DropTrigger,
    ExplainPlan,
    Merge,
    CreateUser,  // users, roles and privileges: the catalog's (catalog/users_ddl.cpp)
    AlterUser,
    DropUser,
    CreateRole,
    DropRole,
    Grant,
    Revoke,
    CreateDimension,  // dimensions: the catalog's (catalog/dimensions.cpp)
    AlterDimension,
    DropDimension,
    AlterView,   // ALTER VIEW: the catalog's (catalog/dictionary_ddl.cpp)
    Rename,      // RENAME old TO new: the catalog's (catalog/rename_ddl.cpp)
    Purge,       // PURGE RECYCLEBIN | TABLE | INDEX ...: the catalog's (catalog/dictionary_ddl.cpp)
    Flashback,   // FLASHBACK TABLE ... TO BEFORE DROP | SCN | TIMESTAMP: the catalog's (dictionary_ddl.cpp)
    PlsqlBlock,  // keep last: kStatementKinds counts up to it
};
constexpr std::size_t kStatementKinds = static_cast<std::size_t>(StatementKind::PlsqlBlock) + 1;

// One `name = value` of ALTER SESSION SET: the name upper case (a hidden "_name" as
// quoted), the value as typed (a word upper case).
struct SessionSetting {
    std::string name;
    std::string value;
    std::uint32_t name_offset = 0;
    std::uint32_t value_offset = 0;
};

// A schema object named in a statement: its owner, name and the offset of the name.
struct NamedObject {
    std::string owner;
    std::string name;
    std::uint32_t offset = 0;
};

struct Translation {
    StatementKind kind = StatementKind::Select;
    std::string sql;                       // the SQLite statement
    std::vector<std::string> catalog_sql;  // catalog updates run after it, in its transaction
    std::vector<ColumnInfo> columns;       // select list, for queries
    std::vector<std::string> bind_names;   // per SQLite parameter (index + 1): the placeholder name
    std::string name;                      // savepoint name
    std::vector<SessionSetting> settings;  // ALTER SESSION SET's parameters, in order
    std::vector<NamedObject> constraints;  // SET CONSTRAINTS: the constraints named (none: ALL)
    bool deferred = false;                 // ... DEFERRED, else IMMEDIATE
    bool read_only = false;                // SET TRANSACTION READ ONLY
    std::string owner;                     // the schema of the DML or DDL target
    std::string table;                     // ... and its table
    std::vector<ColumnInfo> returning;     // DML RETURNING values, in order
    std::vector<std::string> out_binds;    // ... and the placeholders they go INTO
    std::string returning_sql;             // ... and their SQLite expressions, comma-separated
    std::vector<std::string> set_columns;  // UPDATE: the columns its SET clause names
    bool insert_values = false;            // INSERT ... VALUES (not ... SELECT)
    bool parsed = false;                   // the grammar was accepted (set even when names were not)
    // DDL that changes a table's columns: the table is marked in the catalog while the
    // schema file and the catalog commit, so that a kill between the two is repaired.
    bool alters_columns = false;
    // The schema file commits before the catalog rows change (dropping something: a kill
    // between the two leaves catalog rows of nothing, which can be removed).
    bool schema_first = false;
    // MERGE and INSERT ALL | FIRST: its SQLite statements in the order they run (sql is unused). They share
    // bind_names; :vantro_bound is the target's largest rowid before any row is inserted.
    struct MergeStep {
        enum class Role {
            Unstable,  // a row back means a target row matched twice: ORA-30926
            Bound,     // its one value is :vantro_bound of the steps after it
            Counted,   // its changes count as rows merged
            Uncounted,
        } role = Role::Counted;
        std::string sql;
        MergeStep() = default;
        MergeStep(Role r, std::string text) : role(r), sql(std::move(text)) {}
        // A multi-table insert's INSERT: the table it inserts into, for its triggers.
        std::string owner, table;
    };
    std::vector<MergeStep> merge_steps;
};

// What the translator may ask of the catalog.
// A column whose value the engine supplies or computes: an identity column (kind 'I'), a
// virtual column ('V') or a column with DEFAULT ON NULL ('D').
struct GeneratedColumn {
    std::string name;
    char kind = 'D';
    bool always = false;   // GENERATED ALWAYS: no value may be given
    bool on_null = false;  // an explicit NULL takes the generated value as well
    std::string fill_sql;  // 'I', 'D': the SQLite expression of the value when none is given
};

// An index as ALTER INDEX needs it: its table, the SQLite statement that created it, and
// for a LOCAL index its partitions' names.
// A partitioned table: its method (RANGE, LIST, HASH), whether it has an INTERVAL, its
// key columns, and its partitions' names and HIGH_VALUE text in order.
struct TablePartitions {
    std::string method;
    bool interval = false;
    std::vector<std::string> keys;
    std::vector<std::pair<std::string, std::string>> partitions;
};

struct IndexInfo {
    std::string table, sql;
    bool local = false;
    std::vector<std::string> partitions;
};

class CatalogView {
public:
    virtual ~CatalogView() = default;
    // The columns of owner.table in declared order; false when no such table exists.
    virtual bool table_columns(const std::string& owner, const std::string& table,
                               std::vector<ColumnInfo>* columns) = 0;
    // True when a schema (user) of that name exists and is attached.
    virtual bool schema_exists(const std::string& owner) = 0;
    // True when a user of that name exists, attached to this session or not.
    virtual bool user_exists(const std::string& name) { return schema_exists(name); }
    // True when owner.name names any table or index.
    virtual bool object_exists(const std::string& owner, const std::string& name) = 0;
    virtual bool index_exists(const std::string& owner, const std::string& name) = 0;
    // Index owner.name: false when there is none.
    virtual bool index_info(const std::string& owner, const std::string& name, IndexInfo* out) {
        (void)owner;
        (void)name;
        (void)out;
        return false;
    }
    // The partitioning of owner.table; false when the table is not partitioned.
    virtual bool table_partitions(const std::string& owner, const std::string& table, TablePartitions* out) {
        (void)owner;
        (void)table;
        (void)out;
        return false;
    }
    // True when owner has a constraint of that name.
    virtual bool constraint_exists(const std::string& owner, const std::string& name) = 0;
    // The number the next constraint gets (a constraint without a declared name is known
    // by it).
    virtual long long next_constraint_number() = 0;
    // The engine's triggers that enforce the foreign keys of owner.table, on it and on the
    // tables they reference: a dropped table takes them along.
    virtual std::vector<std::string> foreign_key_triggers(const std::string& owner, const std::string& table) {
        (void)owner;
        (void)table;
        return {};
    }
    // The columns of a data dictionary view (ALL_OBJECTS, V$PARAMETER, ...) and how the
    // SQLite statement names it; false when name is not one.
    // The target of a synonym visible to schema (its own before a public one); false when
    // there is none. An empty owner means the schema itself.
    virtual bool synonym_target(const std::string& schema, const std::string& name, std::string* owner,
                                std::string* target) {
        (void)schema;
        (void)name;
        (void)owner;
        (void)target;
        return false;
    }
    // The target of owner's own (private) synonym name; false when owner has none of
    // that name. An empty *target_owner means owner itself.
    virtual bool private_synonym_target(const std::string& owner, const std::string& name, std::string* target_owner,
                                        std::string* target) {
        (void)owner;
        (void)name;
        (void)target_owner;
        (void)target;
        return false;
    }
    // An index of owner.table that is UNUSABLE and that DML on the table cannot skip:
    // one that is unique or enforces a constraint, or any when skip is false. Its
    // "OWNER.NAME", empty when there is none.
    virtual std::string unusable_index(const std::string& owner, const std::string& table, bool skip) {
        (void)owner;
        (void)table;
        (void)skip;
        return {};
    }
    // Whether the session may use owner.name for `privilege` (SELECT, INSERT, UPDATE,
    // DELETE, EXECUTE; empty: any use): 0 it may, an ORA- code when it may not (942 when
    // it holds no privilege on it at all, 1031 when only others), -1 no such object.
    virtual int object_access(const std::string& owner, const std::string& name, const std::string& privilege) {
        (void)owner;
        (void)name;
        (void)privilege;
        return 0;
    }
    // Whether the session may create an object of the kind (TABLE, VIEW ...) in owner's
    // schema: CREATE kind for its own, CREATE ANY kind for any schema.
    virtual bool may_create(const std::string& owner, const std::string& kind) {
        (void)owner;
        (void)kind;
        return true;
    }
    // Whether the session may change owner.name (DDL on it): it is in its own schema, or
    // it holds any_privilege (DROP ANY TABLE ...), or object_privilege on it when one is
    // given (ALTER, INDEX).
    virtual bool may_change(const std::string& owner, const std::string& name, const std::string& object_privilege,
                            const std::string& any_privilege) {
        (void)owner;
        (void)name;
        (void)object_privilege;
        (void)any_privilege;
        return true;
    }
    // The generated columns of owner.table (none by default).
    virtual void generated_columns(const std::string& owner, const std::string& table,
                                   std::vector<GeneratedColumn>* out) {
        (void)owner;
        (void)table;
        out->clear();
    }
    // The SQLite expression of the plain DEFAULT of owner.table's column, empty when it has
    // none (generated_columns gives the values of identity and ON NULL columns).
    virtual std::string column_default(const std::string& owner, const std::string& table, const std::string& column) {
        (void)owner;
        (void)table;
        (void)column;
        return {};
    }
    virtual bool sequence_exists(const std::string& owner, const std::string& name) {
        (void)owner;
        (void)name;
        return false;
    }
    // What DML may do through owner.name when it is a view: 'O' it is WITH READ ONLY, 'V'
    // WITH CHECK OPTION, 'N' neither, 'M' none (a materialized view); 0 when it is no view.
    virtual char view_restriction(const std::string& owner, const std::string& name) {
        (void)owner;
        (void)name;
        return 0;
    }
    // True when owner.name is a materialized view (its table has the same name).
    virtual bool materialized_view(const std::string& owner, const std::string& name) {
        (void)owner;
        (void)name;
        return false;
    }
    // True when owner.table has a materialized view log.
    virtual bool mview_log(const std::string& owner, const std::string& table) {
        (void)owner;
        (void)table;
        return false;
    }
    // The query of view owner.name as CREATE VIEW was given it (with any WITH READ ONLY or
    // WITH CHECK OPTION); false when there is no such view.
    virtual bool view_text(const std::string& owner, const std::string& name, std::string* text) {
        (void)owner;
        (void)name;
        (void)text;
        return false;
    }
    // The key of owner.table a foreign key may reference: with *columns empty its primary
    // key's columns are put there, otherwise the columns must be exactly those of its
    // primary or a unique key. False when there is no such key.
    virtual bool key_columns(const std::string& owner, const std::string& table, std::vector<std::string>* columns) {
        (void)owner;
        (void)table;
        (void)columns;
        return false;
    }
    // True when owner.table is a global temporary table.
    // The columns of each primary and unique key of owner.table, enabled or not.
    virtual std::vector<std::vector<std::string>> unique_keys(const std::string& owner, const std::string& table) {
        (void)owner;
        (void)table;
        return {};
    }
    virtual bool temporary_table(const std::string& owner, const std::string& table) {
        (void)owner;
        (void)table;
        return false;
    }
    // When owner.table is a global temporary table: how the SQLite statement names this
    // session's rows of it (made on first use), or in *code the ORA- error that refuses
    // them. False for any other table.
    virtual bool temporary_rows(const std::string& owner, const std::string& table, std::string* sql, int* code) {
        (void)owner;
        (void)table;
        (void)sql;
        (void)code;
        return false;
    }
    // The CREATE TYPE source of owner.name; false when there is no such type.
    virtual bool type_source(const std::string& owner, const std::string& name, std::string* source) {
        (void)owner;
        (void)name;
        (void)source;
        return false;
    }
    // The object type owner.table is an object table of ("OWNER.NAME"); false for a relational table.
    virtual bool object_table_type(const std::string& owner, const std::string& table, std::string* object_type) {
        (void)owner;
        (void)table;
        (void)object_type;
        return false;
    }
    virtual bool dictionary_view(const std::string& name, std::vector<ColumnInfo>* columns, std::string* sql) {
        (void)name;
        (void)columns;
        (void)sql;
        return false;
    }
};

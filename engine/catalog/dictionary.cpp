// The data dictionary views. Each view is a temporary SQLite view on the session's
// connection, created at logon for the session's schema, with the column names and
// Oracle types of the real view. The rows come from SQLite's own schema (sqlite_master
// and the index pragmas of the schema file) and from catalog tables for what SQLite
// does not keep: column types, comments, synonyms, sequences, object ids and times, and
// the PL/SQL units' source, errors and arguments (written by the PL/SQL compiler).
// The views never change data; only dictionary_sync_objects writes (the object register).
#include "catalog/dictionary.h"
#include "catalog/catalog_sqlite.h"
#include "catalog/users_ddl.h"

#include "catalog/catalog.h"
#include "catalog/constraints.h"
#include "catalog/dictionary_types.h"
#include "catalog/statistics.h"
#include "os/os.h"
#include "sql/view_keys.h"

#include "values/clock.h"
#include "values/errors.h"
#include "values/session_params.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// Catalog tables the views read. The PL/SQL compiler's vantro_plsql_* tables are
// created by it before these (vantro_plsql_triggers here, where the trigger views need it).
const char* const kDictionarySchema =
    "CREATE TABLE IF NOT EXISTS main.vantro_objects(object_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " owner TEXT NOT NULL, object_name TEXT NOT NULL, object_type TEXT NOT NULL, created TEXT NOT NULL,"
    " last_ddl_time TEXT NOT NULL, UNIQUE(owner, object_name, object_type));"
    "CREATE TABLE IF NOT EXISTS main.vantro_comments(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " column_name TEXT NOT NULL, comments TEXT, PRIMARY KEY(owner, table_name, column_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_synonyms(owner TEXT NOT NULL, synonym_name TEXT NOT NULL,"
    " table_owner TEXT, table_name TEXT NOT NULL, db_link TEXT, PRIMARY KEY(owner, synonym_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_sequences(sequence_owner TEXT NOT NULL, sequence_name TEXT NOT NULL,"
    " min_value TEXT NOT NULL, max_value TEXT NOT NULL, increment_by INTEGER NOT NULL, cycle_flag TEXT NOT NULL,"
    " order_flag TEXT NOT NULL, cache_size INTEGER NOT NULL, last_number TEXT NOT NULL, next_value INTEGER NOT NULL,"
    " PRIMARY KEY(sequence_owner, sequence_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_views(owner TEXT NOT NULL, view_name TEXT NOT NULL, text TEXT,"
    " PRIMARY KEY(owner, view_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_constraints(id INTEGER PRIMARY KEY AUTOINCREMENT, owner TEXT NOT NULL,"
    " constraint_name TEXT, constraint_type TEXT NOT NULL, table_name TEXT NOT NULL, search_condition TEXT,"
    " r_constraint_id INTEGER, delete_rule TEXT, status TEXT NOT NULL DEFAULT 'ENABLED',"
    " is_deferrable TEXT NOT NULL DEFAULT 'NOT DEFERRABLE', is_deferred TEXT NOT NULL DEFAULT 'IMMEDIATE',"
    " validated TEXT NOT NULL DEFAULT 'VALIDATED');"
    "CREATE TABLE IF NOT EXISTS main.vantro_cons_columns(constraint_id INTEGER NOT NULL, column_name TEXT NOT NULL,"
    " position INTEGER);"
    "CREATE TABLE IF NOT EXISTS main.vantro_index_expressions(owner TEXT NOT NULL, index_name TEXT NOT NULL,"
    " table_name TEXT NOT NULL, column_position INTEGER NOT NULL, column_expression TEXT,"
    " hidden_number INTEGER NOT NULL, PRIMARY KEY(owner, index_name, column_position));"
    "CREATE TABLE IF NOT EXISTS main.vantro_column_defaults(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " column_name TEXT NOT NULL, data_default TEXT, PRIMARY KEY(owner, table_name, column_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_generated_columns(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " column_name TEXT NOT NULL, kind TEXT NOT NULL, generation TEXT, on_null INTEGER NOT NULL DEFAULT 0,"
    " sequence_name TEXT, fill_sql TEXT, identity_options TEXT, PRIMARY KEY(owner, table_name, column_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_table_options(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " iot_type TEXT, PRIMARY KEY(owner, table_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_object_tables(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " type_owner TEXT NOT NULL, type_name TEXT NOT NULL, PRIMARY KEY(owner, table_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_part_tables(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " partitioning_type TEXT NOT NULL, subpartitioning_type TEXT NOT NULL, partition_count INTEGER NOT NULL,"
    " def_subpartition_count INTEGER NOT NULL, partitioning_key_count INTEGER NOT NULL,"
    " subpartitioning_key_count INTEGER NOT NULL, interval TEXT, PRIMARY KEY(owner, table_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_part_key_columns(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " column_name TEXT NOT NULL, column_position INTEGER NOT NULL, PRIMARY KEY(owner, table_name, column_position));"
    "CREATE TABLE IF NOT EXISTS main.vantro_tab_partitions(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " partition_name TEXT NOT NULL, partition_position INTEGER NOT NULL, high_value TEXT,"
    " subpartition_count INTEGER NOT NULL, tablespace_name TEXT, pct_free INTEGER, logging TEXT,"
    " PRIMARY KEY(owner, table_name, partition_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_index_options(owner TEXT NOT NULL, index_name TEXT NOT NULL,"
    " table_name TEXT NOT NULL, locality TEXT, compression TEXT, prefix_length INTEGER, degree TEXT,"
    " visibility TEXT, status TEXT, PRIMARY KEY(owner, index_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_ind_partitions(owner TEXT NOT NULL, index_name TEXT NOT NULL,"
    " partition_name TEXT NOT NULL, partition_position INTEGER NOT NULL, high_value TEXT, status TEXT NOT NULL,"
    " PRIMARY KEY(owner, index_name, partition_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_temporary_tables(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " duration TEXT NOT NULL, PRIMARY KEY(owner, table_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_storage(owner TEXT NOT NULL, object_name TEXT NOT NULL,"
    " object_kind TEXT NOT NULL, tablespace_name TEXT, pct_free INTEGER, pct_used INTEGER, ini_trans INTEGER,"
    " max_trans INTEGER, initial_extent INTEGER, next_extent INTEGER, min_extents INTEGER, max_extents INTEGER,"
    " pct_increase INTEGER, freelists INTEGER, freelist_groups INTEGER, buffer_pool TEXT, logging TEXT,"
    " index_type TEXT, PRIMARY KEY(owner, object_name, object_kind));"
    "CREATE TABLE IF NOT EXISTS main.vantro_mviews(owner TEXT NOT NULL, mview_name TEXT NOT NULL, query TEXT,"
    " refresh_sql TEXT NOT NULL, refresh_method TEXT NOT NULL, refresh_mode TEXT NOT NULL, build_mode TEXT NOT NULL,"
    " rewrite_enabled TEXT NOT NULL, last_refresh TEXT, staleness TEXT NOT NULL, PRIMARY KEY(owner, mview_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_mview_logs(log_owner TEXT NOT NULL, master TEXT NOT NULL,"
    " log_table TEXT NOT NULL, PRIMARY KEY(log_owner, master));"
    "CREATE TABLE IF NOT EXISTS main.vantro_tab_stats(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " num_rows INTEGER, blocks INTEGER, avg_row_len INTEGER, sample_size INTEGER, last_analyzed TEXT,"
    " PRIMARY KEY(owner, table_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_col_stats(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " column_name TEXT NOT NULL, num_distinct INTEGER, num_nulls INTEGER, avg_col_len INTEGER,"
    " sample_size INTEGER, last_analyzed TEXT, PRIMARY KEY(owner, table_name, column_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_ind_stats(owner TEXT NOT NULL, index_name TEXT NOT NULL,"
    " table_name TEXT NOT NULL, num_rows INTEGER, distinct_keys INTEGER, last_analyzed TEXT,"
    " PRIMARY KEY(owner, index_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_stats_locks(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " PRIMARY KEY(owner, table_name));"
    "CREATE TABLE IF NOT EXISTS main.vantro_dimensions(owner TEXT NOT NULL, dimension_name TEXT NOT NULL,"
    " revision INTEGER NOT NULL, PRIMARY KEY(owner, dimension_name));"
    // One row per level (L), level key column (K), hierarchy (H), child-parent step (C),
    // join key column (J) and attribute column (A) of a dimension.
    "CREATE TABLE IF NOT EXISTS main.vantro_dim_items(owner TEXT NOT NULL, dimension_name TEXT NOT NULL,"
    " kind TEXT NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL, level_name TEXT, parent_name TEXT,"
    " table_owner TEXT, table_name TEXT, column_name TEXT, flag TEXT);"
    "CREATE TABLE IF NOT EXISTS main.vantro_sessions(last_id INTEGER NOT NULL);"
    "INSERT INTO main.vantro_sessions SELECT 1000 WHERE NOT EXISTS (SELECT 1 FROM main.vantro_sessions);"
    "CREATE TABLE IF NOT EXISTS main.vantro_plsql_triggers(owner TEXT NOT NULL, trigger_name TEXT NOT NULL,"
    " trigger_type TEXT NOT NULL, triggering_event TEXT NOT NULL, table_owner TEXT NOT NULL,"
    " base_object_type TEXT NOT NULL, table_name TEXT NOT NULL, column_name TEXT, referencing_names TEXT NOT NULL,"
    " when_clause TEXT, status TEXT NOT NULL, description TEXT NOT NULL, action_type TEXT NOT NULL,"
    " trigger_body TEXT NOT NULL, update_columns TEXT, PRIMARY KEY(owner, trigger_name));";

#define RECYCLEBIN_ROW                                                                                           \
    "NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL WHERE 0"
const char* const kRecyclebinColumns =
    "OBJECT_NAME VARCHAR2(128), ORIGINAL_NAME VARCHAR2(128), OPERATION VARCHAR2(9), TYPE VARCHAR2(25),"
    " TS_NAME VARCHAR2(30), CREATETIME VARCHAR2(19), DROPTIME VARCHAR2(19), DROPSCN NUMBER,"
    " PARTITION_NAME VARCHAR2(128), CAN_UNDROP VARCHAR2(3), CAN_PURGE VARCHAR2(3), RELATED NUMBER,"
    " BASE_OBJECT NUMBER, PURGE_OBJECT NUMBER, SPACE NUMBER";

// What stored units and triggers name of other units and types: each reference once,
// HARD, with the referenced object's type (a package rather than its body).
#define DEPENDENCY_ROW(where)                                                                                  \
    "d.name,d.type,d.referenced_owner,d.referenced_name,coalesce((SELECT o.type FROM"                  \
    " main.vantro_plsql_objects o WHERE o.owner=d.referenced_owner AND o.name=d.referenced_name AND o.type NOT" \
    " IN ('PACKAGE BODY','TYPE BODY') ORDER BY o.type LIMIT 1),'NON-EXISTENT'),NULL,"                          \
    "(SELECT CASE u.name WHEN 'SYS' THEN 0 ELSE u.rowid+100 END FROM main.vantro_users u WHERE u.name=d.owner)," \
    "'HARD' FROM main.vantro_plsql_dependencies d WHERE " where
const char* const kDependencyColumns =
    "NAME VARCHAR2(128), TYPE VARCHAR2(18), REFERENCED_OWNER VARCHAR2(128), REFERENCED_NAME VARCHAR2(128),"
    " REFERENCED_TYPE VARCHAR2(18), REFERENCED_LINK_NAME VARCHAR2(128), SCHEMAID NUMBER, DEPENDENCY_TYPE VARCHAR2(4)";

struct ViewDef {
    const char* name;
    const char* columns;  // "NAME TYPE, ..." with VARCHAR2(n), CHAR(n), NUMBER, DATE, LONG
    const char* select;   // $S: the schema as a quoted name; $U: the schema as a quoted string
};

// Live objects of the schema, public synonyms and SYS.DUAL.
const char* const kLiveObjects =
    "SELECT $U,name,CASE type WHEN 'table' THEN 'TABLE' ELSE 'VIEW' END"
    " FROM $S.sqlite_master WHERE type IN ('table','view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"
    " UNION ALL SELECT owner,view_name,'VIEW' FROM main.vantro_views v WHERE owner=$U AND NOT EXISTS"
    " (SELECT 1 FROM $S.sqlite_master m WHERE m.type='view' AND m.name=v.view_name)"
    " UNION ALL SELECT $U,vantro_index_name($U,name,tbl_name),'INDEX' FROM $S.sqlite_master WHERE type='index'"
    " AND vantro_index_name($U,name,tbl_name) IS NOT NULL"
    " UNION ALL SELECT owner,synonym_name,'SYNONYM' FROM main.vantro_synonyms WHERE owner IN ($U,'PUBLIC')"
    " UNION ALL SELECT sequence_owner,sequence_name,'SEQUENCE' FROM main.vantro_sequences WHERE sequence_owner=$U"
    " UNION SELECT owner,name,type FROM main.vantro_plsql_objects WHERE owner=$U"
    " UNION ALL SELECT owner,mview_name,'MATERIALIZED VIEW' FROM main.vantro_mviews WHERE owner=$U"
    " UNION ALL SELECT owner,dimension_name,'DIMENSION' FROM main.vantro_dimensions WHERE owner=$U"
    " UNION ALL SELECT 'SYS','DUAL','TABLE'";

// The objects of other schemas the session holds some privilege on (vantro_may_see): what
// ALL_OBJECTS shows beside the session's own.
const char* const kReachableObjects =
    "SELECT owner,object_name,object_type FROM temp.vantro_live_objects"
    " UNION ALL SELECT c.owner,c.table_name,CASE WHEN v.view_name IS NULL THEN 'TABLE' ELSE 'VIEW' END"
    " FROM (SELECT DISTINCT owner,table_name FROM main.vantro_columns WHERE owner<>$U) c"
    " LEFT JOIN main.vantro_views v ON v.owner=c.owner AND v.view_name=c.table_name"
    " WHERE vantro_may_see(c.owner,c.table_name)"
    " UNION ALL SELECT sequence_owner,sequence_name,'SEQUENCE' FROM main.vantro_sequences"
    " WHERE sequence_owner<>$U AND vantro_may_see(sequence_owner,sequence_name)"
    " UNION ALL SELECT owner,name,type FROM main.vantro_plsql_objects WHERE owner<>$U"
    " AND type IN ('PROCEDURE','FUNCTION','PACKAGE','TYPE') AND vantro_may_see(owner,name)";

const char* const kObjectColumns =
    "OBJECT_NAME VARCHAR2(128), SUBOBJECT_NAME VARCHAR2(128), OBJECT_ID NUMBER, DATA_OBJECT_ID NUMBER,"
    " OBJECT_TYPE VARCHAR2(19), CREATED DATE, LAST_DDL_TIME DATE, TIMESTAMP VARCHAR2(19), STATUS VARCHAR2(7),"
    " TEMPORARY VARCHAR2(1), GENERATED VARCHAR2(1), SECONDARY VARCHAR2(1)";

#define OBJECT_ROW OBJECT_ROW_OF("temp.vantro_live_objects")
#define OBJECT_ROW_OF(SOURCE)                                                                           \
    "l.object_name,NULL,o.object_id,CASE WHEN l.object_type IN ('TABLE','INDEX') THEN o.object_id END," \
    "l.object_type,coalesce(o.created,datetime('now','localtime')),"                                    \
    "coalesce(o.last_ddl_time,datetime('now','localtime')),"                                            \
    "replace(coalesce(o.created,datetime('now','localtime')),' ',':'),"                                 \
    "coalesce((SELECT p.status FROM main.vantro_plsql_objects p WHERE p.owner=l.owner"                  \
    " AND p.name=l.object_name AND p.type=l.object_type),CASE WHEN l.object_type='VIEW' AND NOT"        \
    " vantro_view_valid(l.owner,l.object_name) THEN 'INVALID' ELSE 'VALID' END),"                       \
    "CASE WHEN l.object_type='TABLE' AND"                                                               \
    " EXISTS (SELECT 1 FROM main.vantro_temporary_tables t WHERE t.owner=l.owner"                       \
    " AND t.table_name=l.object_name) THEN 'Y' ELSE 'N' END,"                                           \
    "CASE WHEN l.object_name LIKE 'SYS\\_C%' ESCAPE '\\' THEN 'Y' ELSE 'N' END,'N'"                     \
    " FROM " SOURCE                                                                                     \
    " l LEFT JOIN main.vantro_objects o ON o.owner=l.owner"                                             \
    " AND o.object_name=l.object_name AND o.object_type=l.object_type"

// One row per column of the schema's tables, with Oracle's names for the declared types.
#define COLUMN_VALUES                                                                                                  \
    "c.table_name,c.column_name,"                                                                                      \
    "CASE c.type_code WHEN 1 THEN CASE WHEN c.national THEN 'NVARCHAR2' ELSE 'VARCHAR2' END"                           \
    " WHEN 2 THEN CASE WHEN upper(c.type_name) IN ('FLOAT','REAL','DOUBLE PRECISION') THEN 'FLOAT' ELSE 'NUMBER' END"  \
    " WHEN 8 THEN 'LONG' WHEN 12 THEN 'DATE' WHEN 23 THEN 'RAW' WHEN 24 THEN 'LONG RAW'"                               \
    " WHEN 96 THEN CASE WHEN c.national THEN 'NCHAR' ELSE 'CHAR' END"                                                  \
    " WHEN 112 THEN CASE WHEN c.national THEN 'NCLOB' WHEN c.type_name='XMLTYPE' THEN 'XMLTYPE' ELSE 'CLOB' END"       \
    " WHEN 113 THEN 'BLOB' WHEN 114 THEN 'BFILE'"                                                                      \
    " WHEN 187 THEN 'TIMESTAMP('||c.data_scale||')' ELSE upper(c.type_name) END,NULL,NULL,"                            \
    "CASE c.type_code WHEN 2 THEN 22 WHEN 12 THEN 7 WHEN 8 THEN 0 WHEN 24 THEN 0 WHEN 112 THEN 4000"                   \
    " WHEN 113 THEN 4000 WHEN 114 THEN 530 WHEN 187 THEN 11"                                                           \
    " WHEN 1 THEN CASE WHEN c.national THEN 2*c.data_length WHEN c.char_used THEN min(4*c.data_length,4000)"           \
    " ELSE c.data_length END"                                                                                          \
    " WHEN 96 THEN CASE WHEN c.national THEN 2*c.data_length WHEN c.char_used THEN min(4*c.data_length,2000)"          \
    " ELSE c.data_length END ELSE c.data_length END,"                                                                  \
    "CASE WHEN c.type_code=2 AND c.data_precision>0 AND upper(c.type_name) NOT IN ('INTEGER','INT','SMALLINT')"        \
    " THEN c.data_precision WHEN c.type_code IN (189,190) THEN c.data_precision END,"                                  \
    "CASE WHEN c.type_code=2 AND c.data_scale<>-127 AND upper(c.type_name) NOT IN ('FLOAT','REAL','DOUBLE PRECISION')" \
    " THEN c.data_scale WHEN c.type_code IN (187,188,232,190) THEN c.data_scale END,"                                  \
    "CASE WHEN c.nullable THEN 'Y' ELSE 'N' END,c.column_id,"                                                          \
    "(SELECT length(d.data_default) FROM main.vantro_column_defaults d WHERE d.owner=c.owner"                          \
    " AND d.table_name=c.table_name AND d.column_name=c.column_name),"                                                 \
    "(SELECT d.data_default FROM main.vantro_column_defaults d WHERE d.owner=c.owner"                                  \
    " AND d.table_name=c.table_name AND d.column_name=c.column_name),"                                                 \
    "CASE WHEN c.type_code IN (1,96) THEN c.data_length ELSE 0 END,"                                                   \
    "CASE WHEN c.type_code IN (1,96) THEN CASE WHEN c.char_used OR c.national THEN 'C' ELSE 'B' END END,"
#define COLUMN_FROM COLUMN_FROM_WHERE("c.owner=$U")
// ... of the tables and views of every schema the session may reach.
#define COLUMN_FROM_ALL COLUMN_FROM_WHERE("(c.owner=$U OR vantro_may_see(c.owner,c.table_name))")
#define COLUMN_FROM_WHERE(CONDITION)                                                           \
    " FROM main.vantro_columns c LEFT JOIN main.vantro_generated_columns g ON g.owner=c.owner" \
    " AND g.table_name=c.table_name AND g.column_name=c.column_name WHERE " CONDITION

// DEFAULT_ON_NULL and IDENTITY_COLUMN of a column, as the views show them from 12c on.
#define COLUMN_GENERATED "CASE WHEN g.on_null THEN 'YES' ELSE 'NO' END,CASE WHEN g.kind='I' THEN 'YES' ELSE 'NO' END"

// USER_TAB_COLS adds the columns' storage: a virtual column has no place in the row.
#define COLUMN_STORAGE                                                                                      \
    "'NO',CASE WHEN g.kind='V' THEN 'YES' ELSE 'NO' END,CASE WHEN g.kind IS NOT 'V' THEN"                   \
    " (SELECT count(*) FROM main.vantro_columns s WHERE s.owner=c.owner AND s.table_name=c.table_name"      \
    " AND s.column_id<=c.column_id AND NOT EXISTS (SELECT 1 FROM main.vantro_generated_columns v"           \
    " WHERE v.owner=s.owner AND v.table_name=s.table_name AND v.column_name=s.column_name AND v.kind='V'))" \
    " END,c.column_id,'YES',"

#define COLUMN_ROW COLUMN_VALUES COLUMN_GENERATED COLUMN_FROM
#define COLUMN_TAB_COLS COLUMN_VALUES COLUMN_STORAGE COLUMN_GENERATED COLUMN_FROM
#define COLUMN_ROW_ALL COLUMN_VALUES COLUMN_GENERATED COLUMN_FROM_ALL
#define COLUMN_TAB_COLS_ALL COLUMN_VALUES COLUMN_STORAGE COLUMN_GENERATED COLUMN_FROM_ALL

const char* const kColumnColumns =
    "TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), DATA_TYPE VARCHAR2(106), DATA_TYPE_MOD VARCHAR2(3),"
    " DATA_TYPE_OWNER VARCHAR2(128), DATA_LENGTH NUMBER, DATA_PRECISION NUMBER, DATA_SCALE NUMBER,"
    " NULLABLE VARCHAR2(1), COLUMN_ID NUMBER, DEFAULT_LENGTH NUMBER, DATA_DEFAULT LONG, CHAR_LENGTH NUMBER,"
    " CHAR_USED VARCHAR2(1), DEFAULT_ON_NULL VARCHAR2(3), IDENTITY_COLUMN VARCHAR2(3)";

const char* const kTabColsColumns =
    "TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), DATA_TYPE VARCHAR2(106), DATA_TYPE_MOD VARCHAR2(3),"
    " DATA_TYPE_OWNER VARCHAR2(128), DATA_LENGTH NUMBER, DATA_PRECISION NUMBER, DATA_SCALE NUMBER,"
    " NULLABLE VARCHAR2(1), COLUMN_ID NUMBER, DEFAULT_LENGTH NUMBER, DATA_DEFAULT LONG, CHAR_LENGTH NUMBER,"
    " CHAR_USED VARCHAR2(1), HIDDEN_COLUMN VARCHAR2(3), VIRTUAL_COLUMN VARCHAR2(3), SEGMENT_COLUMN_ID NUMBER,"
    " INTERNAL_COLUMN_ID NUMBER, USER_GENERATED VARCHAR2(3), DEFAULT_ON_NULL VARCHAR2(3),"
    " IDENTITY_COLUMN VARCHAR2(3)";

// The identity columns with their sequences and its options as created.
#define IDENTITY_ROW                                                             \
    "g.table_name,g.column_name,g.generation,g.sequence_name,g.identity_options" \
    " FROM main.vantro_generated_columns g WHERE g.owner=$U AND g.kind='I'"

// The columns of USER_TABLES; the object tables' view has two more, the type's owner and name.
#define TABLE_COLUMNS_HEAD                                                                                      \
    "TABLE_NAME VARCHAR2(128), TABLESPACE_NAME VARCHAR2(30), CLUSTER_NAME VARCHAR2(128), IOT_NAME VARCHAR2(128)," \
    " STATUS VARCHAR2(8), PCT_FREE NUMBER, PCT_USED NUMBER, INI_TRANS NUMBER, MAX_TRANS NUMBER,"                \
    " INITIAL_EXTENT NUMBER, NEXT_EXTENT NUMBER, MIN_EXTENTS NUMBER, MAX_EXTENTS NUMBER, PCT_INCREASE NUMBER,"  \
    " FREELISTS NUMBER, FREELIST_GROUPS NUMBER, LOGGING VARCHAR2(3), BACKED_UP VARCHAR2(1), NUM_ROWS NUMBER,"    \
    " BLOCKS NUMBER, EMPTY_BLOCKS NUMBER, AVG_SPACE NUMBER, CHAIN_CNT NUMBER, AVG_ROW_LEN NUMBER,"               \
    " DEGREE VARCHAR2(10), INSTANCES VARCHAR2(10), CACHE VARCHAR2(5), TABLE_LOCK VARCHAR2(8),"                   \
    " SAMPLE_SIZE NUMBER, LAST_ANALYZED DATE, PARTITIONED VARCHAR2(3), IOT_TYPE VARCHAR2(12),"
#define TABLE_COLUMNS_TAIL                                                                                      \
    " TEMPORARY VARCHAR2(1), SECONDARY VARCHAR2(1), NESTED VARCHAR2(3), BUFFER_POOL VARCHAR2(7),"               \
    " ROW_MOVEMENT VARCHAR2(8), DURATION VARCHAR2(15)"
const char* const kObjectTableColumns = TABLE_COLUMNS_HEAD
    " OBJECT_ID_TYPE VARCHAR2(16), TABLE_TYPE_OWNER VARCHAR2(128), TABLE_TYPE VARCHAR2(128)," TABLE_COLUMNS_TAIL;
const char* const kTableColumns = TABLE_COLUMNS_HEAD TABLE_COLUMNS_TAIL;

// Storage attributes as given in the DDL, else those of a heap table in tablespace USERS.
#define TABLE_ROW TABLE_ROW_OF("$U", "$S.sqlite_master")
// The tables of other schemas the session may reach, from the catalog's columns.
#define OTHER_TABLES                                                                             \
    "(SELECT DISTINCT c.owner,c.table_name AS name,'table' AS type FROM main.vantro_columns c"   \
    " WHERE c.owner<>$U AND NOT EXISTS (SELECT 1 FROM main.vantro_views v WHERE v.owner=c.owner" \
    " AND v.view_name=c.table_name) AND vantro_may_see(c.owner,c.table_name))"
// Relational tables only: object tables are the _OBJECT_TABLES views', which add the
// table's type after IOT_TYPE.
#define TABLE_ROW_OF(OWNER, SOURCE) TABLE_ROW_KIND(OWNER, SOURCE, "", "NOT EXISTS")
#define OBJECT_TABLE_OF(OWNER) " FROM main.vantro_object_tables ot WHERE ot.owner=" OWNER " AND ot.table_name=m.name"
#define OBJECT_TABLE_ROW_OF(OWNER, SOURCE)                                                            \
    TABLE_ROW_KIND(OWNER, SOURCE,                                                                     \
                   "'SYSTEM GENERATED',(SELECT ot.type_owner" OBJECT_TABLE_OF(OWNER) "),(SELECT ot.type_name" \
                   OBJECT_TABLE_OF(OWNER) "),",                                                       \
                   "EXISTS")
#define TABLE_ROW_KIND(OWNER, SOURCE, TYPE_COLUMNS, KIND)                                                         \
    "m.name,CASE WHEN x.iot_type IS NULL THEN coalesce(g.tablespace_name,'USERS') "                               \
    "END,NULL,NULL,'VALID',coalesce(g.pct_free,10),"                                                              \
    "coalesce(g.pct_used,40),coalesce(g.ini_trans,1),coalesce(g.max_trans,255),coalesce(g.initial_extent,65536)," \
    "coalesce(g.next_extent,1048576),coalesce(g.min_extents,1),coalesce(g.max_extents,2147483645),"               \
    "coalesce(g.pct_increase,0),coalesce(g.freelists,1),coalesce(g.freelist_groups,1),coalesce(g.logging,'YES')," \
    "'N',st.num_rows,st.blocks,CASE WHEN st.num_rows IS NOT NULL THEN 0 END,"                                     \
    "CASE WHEN st.num_rows IS NOT NULL THEN 0 END,CASE WHEN st.num_rows IS NOT NULL THEN 0 END,st.avg_row_len,"   \
    "'         1','         1','    N','ENABLED',"                                                                \
    "st.sample_size,st.last_analyzed,"                                                                            \
    "CASE WHEN EXISTS (SELECT 1 FROM main.vantro_part_tables pt WHERE pt.owner=$U AND pt.table_name=m.name)"      \
    " THEN 'YES' ELSE 'NO' END,x.iot_type," TYPE_COLUMNS                                                          \
    "CASE WHEN t.duration IS NULL THEN 'N' ELSE 'Y' END,'N','NO',coalesce(g.buffer_pool,'DEFAULT'),'DISABLED',"   \
    "t.duration FROM " SOURCE " m LEFT JOIN main.vantro_temporary_tables t ON t.owner=" OWNER                     \
    " AND "                                                                                                       \
    "t.table_name=m.name"                                                                                         \
    " LEFT JOIN main.vantro_storage g"                                                                            \
    " ON g.owner=" OWNER                                                                                          \
    " AND g.object_name=m.name AND g.object_kind='TABLE'"                                                         \
    " LEFT JOIN main.vantro_tab_stats st ON st.owner=" OWNER                                                      \
    " AND st.table_name=m.name"                                                                                   \
    " LEFT JOIN main.vantro_table_options x ON x.owner=" OWNER                                                    \
    " AND x.table_name=m.name"                                                                                    \
    " WHERE m.type='table' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND " KIND " (SELECT 1" OBJECT_TABLE_OF(OWNER) ")"

// The column statistics gathered, with the table's time of gathering.
const char* const kColStatColumns =
    "TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), NUM_DISTINCT NUMBER, LOW_VALUE RAW(1000),"
    " HIGH_VALUE RAW(1000), DENSITY NUMBER, NUM_NULLS NUMBER, NUM_BUCKETS NUMBER, LAST_ANALYZED DATE,"
    " SAMPLE_SIZE NUMBER, GLOBAL_STATS VARCHAR2(3), USER_STATS VARCHAR2(3), AVG_COL_LEN NUMBER,"
    " HISTOGRAM VARCHAR2(15)";
#define COL_STAT_ROW                                                                                          \
    "c.table_name,c.column_name,c.num_distinct,NULL,NULL,CASE WHEN c.num_distinct>0 THEN 1.0/c.num_distinct"  \
    " WHEN c.num_distinct=0 THEN 0 END,c.num_nulls,1,c.last_analyzed,c.sample_size,'YES','NO',c.avg_col_len," \
    "'NONE' FROM main.vantro_col_stats c"

const char* const kIndexColumns =
    "INDEX_NAME VARCHAR2(128), INDEX_TYPE VARCHAR2(27), TABLE_OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128),"
    " TABLE_TYPE VARCHAR2(11), UNIQUENESS VARCHAR2(9), COMPRESSION VARCHAR2(8), PREFIX_LENGTH NUMBER,"
    " TABLESPACE_NAME VARCHAR2(30), INI_TRANS NUMBER, MAX_TRANS NUMBER, INITIAL_EXTENT NUMBER,"
    " NEXT_EXTENT NUMBER, MIN_EXTENTS NUMBER, MAX_EXTENTS NUMBER, PCT_INCREASE NUMBER, PCT_THRESHOLD NUMBER,"
    " INCLUDE_COLUMN NUMBER, FREELISTS NUMBER, FREELIST_GROUPS NUMBER, PCT_FREE NUMBER, LOGGING VARCHAR2(3),"
    " STATUS VARCHAR2(8), DEGREE VARCHAR2(40), INSTANCES VARCHAR2(40), PARTITIONED VARCHAR2(3),"
    " TEMPORARY VARCHAR2(1), GENERATED VARCHAR2(1), SECONDARY VARCHAR2(1), BUFFER_POOL VARCHAR2(7),"
    " FUNCIDX_STATUS VARCHAR2(8), JOIN_INDEX VARCHAR2(3), VISIBILITY VARCHAR2(9), DISTINCT_KEYS NUMBER,"
    " NUM_ROWS NUMBER, LAST_ANALYZED DATE";

// Indexes created by CREATE INDEX (SQLite's automatic key indexes have no Oracle name).
// A descending makes the index function-based, as in Oracle; indexes keep their
// kind (BITMAP, REVERSE, IOT - TOP for the key of an index-organized table) and storage
// as given, else an index's defaults in USERS.
#define INDEX_DESC "EXISTS (SELECT 1 FROM pragma_index_xinfo(m.name,$U) x WHERE x.key=1 AND (x.desc=1 OR x.cid=-2))"
#define INDEX_ROW                                                                                     \
    "vantro_index_name($U,m.name,m.tbl_name),CASE WHEN " INDEX_DESC                                   \
    " THEN 'FUNCTION-BASED ' ELSE '' END||coalesce(g.index_type,'NORMAL'),"                           \
    "$U,m.tbl_name,'TABLE',"                                                                          \
    "CASE WHEN (SELECT il.\"unique\" FROM pragma_index_list(m.tbl_name,$U) il WHERE il.name=m.name)"  \
    " THEN 'UNIQUE' ELSE 'NONUNIQUE' END,coalesce(o.compression,'DISABLED'),"                         \
    "CASE WHEN o.compression='ENABLED' THEN o.prefix_length END,coalesce(g.tablespace_name,'USERS')," \
    "coalesce(g.ini_trans,2),coalesce(g.max_trans,255),coalesce(g.initial_extent,65536),"             \
    "coalesce(g.next_extent,1048576),coalesce(g.min_extents,1),coalesce(g.max_extents,2147483645),"   \
    "coalesce(g.pct_increase,0),NULL,NULL,coalesce(g.freelists,1),coalesce(g.freelist_groups,1),"     \
    "coalesce(g.pct_free,10),coalesce(g.logging,'YES'),CASE WHEN o.locality='LOCAL' THEN 'N/A' ELSE"  \
    " coalesce(o.status,'VALID') END,coalesce(o.degree,'1'),'1',CASE WHEN o.locality='LOCAL' THEN"    \
    " 'YES' ELSE 'NO' END,CASE WHEN EXISTS (SELECT"                                                   \
    " 1 FROM main.vantro_temporary_tables t WHERE t.owner=$U AND t.table_name=m.tbl_name) THEN 'Y'"   \
    " ELSE 'N' END,'N','N',"                                                                          \
    "coalesce(g.buffer_pool,'DEFAULT'),CASE WHEN " INDEX_DESC                                         \
    " THEN 'ENABLED' END,'NO',coalesce(o.visibility,'VISIBLE'),st.distinct_keys,st.num_rows,st.last_analyzed" \
    " FROM $S.sqlite_master m LEFT JOIN main.vantro_storage g ON g.owner=$U"                          \
    " AND g.object_name=vantro_index_name($U,m.name,m.tbl_name)"                                      \
    " AND g.object_kind='INDEX' LEFT JOIN main.vantro_index_options o ON o.owner=$U"                  \
    " AND o.index_name=vantro_index_name($U,m.name,m.tbl_name)"                                       \
    " LEFT JOIN main.vantro_ind_stats st ON st.owner=$U"                                              \
    " AND st.index_name=vantro_index_name($U,m.name,m.tbl_name)"                                      \
    " WHERE m.type='index' AND vantro_index_name($U,m.name,m.tbl_name) IS NOT NULL"

const char* const kArgumentColumns =
    "OBJECT_NAME VARCHAR2(128), PACKAGE_NAME VARCHAR2(128), OBJECT_ID NUMBER, OVERLOAD VARCHAR2(40),"
    " ARGUMENT_NAME VARCHAR2(128), POSITION NUMBER, SEQUENCE NUMBER, DATA_LEVEL NUMBER, DATA_TYPE VARCHAR2(30),"
    " DEFAULT_VALUE LONG, DEFAULT_LENGTH NUMBER, IN_OUT VARCHAR2(9), DATA_LENGTH NUMBER, DATA_PRECISION NUMBER,"
    " DATA_SCALE NUMBER, RADIX NUMBER, CHARACTER_SET_NAME VARCHAR2(44), TYPE_OWNER VARCHAR2(128),"
    " TYPE_NAME VARCHAR2(128), TYPE_SUBNAME VARCHAR2(128), TYPE_LINK VARCHAR2(128), PLS_TYPE VARCHAR2(128),"
    " SUBPROGRAM_ID NUMBER, DEFAULTED VARCHAR2(1)";

#define ARGUMENT_ROW                                                                                      \
    "a.object_name,a.package_name,(SELECT o.object_id FROM main.vantro_objects o WHERE o.owner=a.owner"   \
    " AND o.object_name=coalesce(a.package_name,a.object_name) AND o.object_type IN"                      \
    " ('PROCEDURE','FUNCTION','PACKAGE','TYPE')),a.overload,a.argument_name,a.position,a.sequence,a.data_level," \
    "a.data_type,NULL,NULL,a.in_out,a.data_length,a.data_precision,"                                      \
    "a.data_scale,a.radix,CASE WHEN a.data_type IN ('VARCHAR2','CHAR','CLOB') THEN 'CHAR_CS' END,"        \
    "NULL,NULL,NULL,NULL,a.data_type,a.subprogram_id,a.defaulted FROM main.vantro_plsql_arguments a"      \
    " WHERE a.owner=$U"

const char* const kProcedureColumns =
    "OBJECT_NAME VARCHAR2(128), PROCEDURE_NAME VARCHAR2(128), OBJECT_ID NUMBER, SUBPROGRAM_ID NUMBER,"
    " OVERLOAD VARCHAR2(40), OBJECT_TYPE VARCHAR2(13), AGGREGATE VARCHAR2(3), PIPELINED VARCHAR2(3),"
    " IMPLTYPEOWNER VARCHAR2(128), IMPLTYPENAME VARCHAR2(128), PARALLEL VARCHAR2(3), INTERFACE VARCHAR2(3),"
    " DETERMINISTIC VARCHAR2(3), AUTHID VARCHAR2(12), RESULT_CACHE VARCHAR2(3), ORIGIN_CON_ID NUMBER";

// One row per stored procedure, function, package and type (PROCEDURE_NAME null), and one
// per subprogram a package header declares, from the argument rows (every subprogram has
// at least one) and the AUTHID and DETERMINISTIC the compiler kept.
#define PROCEDURE_ROW(OWNER_O, OWNER_A, WHERE_O, WHERE_A)                                                       \
    "SELECT " OWNER_O "o.name,NULL,(SELECT x.object_id FROM main.vantro_objects x WHERE x.owner=o.owner"         \
    " AND x.object_name=o.name AND x.object_type=o.type),CASE WHEN o.type IN ('PACKAGE','TYPE') THEN 0 ELSE 1"   \
    " END,NULL,o.type,'NO',CASE WHEN EXISTS(SELECT 1 FROM main.vantro_plsql_arguments a WHERE a.owner=o.owner"  \
    " AND a.package_name IS NULL AND a.object_name=o.name AND a.pipelined='YES') THEN 'YES' ELSE 'NO' END,"      \
    "NULL,NULL,'NO','NO',coalesce(p.deterministic,'NO'),coalesce(p.authid,'DEFINER'),'NO',0"                    \
    " FROM main.vantro_plsql_objects o LEFT JOIN main.vantro_plsql_options p ON p.owner=o.owner"                \
    " AND p.name=o.name AND p.type=o.type AND p.subprogram_id=0"                                                 \
    " WHERE o.type IN ('PROCEDURE','FUNCTION','PACKAGE','TYPE') AND " WHERE_O " UNION ALL SELECT " OWNER_A       \
    "a.package_name,a.object_name,(SELECT x.object_id FROM main.vantro_objects x WHERE x.owner=a.owner"         \
    " AND x.object_name=a.package_name AND x.object_type IN ('PACKAGE','TYPE')),a.subprogram_id,a.overload,"     \
    "coalesce((SELECT t.type FROM main.vantro_plsql_objects t WHERE t.owner=a.owner AND t.name=a.package_name"   \
    " AND t.type='TYPE'),'PACKAGE'),'NO',"                                                                      \
    "CASE WHEN max(a.pipelined)='YES' THEN 'YES' ELSE 'NO' END,NULL,NULL,'NO','NO',"                             \
    "coalesce(d.deterministic,'NO'),coalesce(k.authid,'DEFINER'),'NO',0 FROM main.vantro_plsql_arguments a"      \
    " LEFT JOIN main.vantro_plsql_options k ON k.owner=a.owner AND k.name=a.package_name AND k.type='PACKAGE'"   \
    " AND k.subprogram_id=0 LEFT JOIN main.vantro_plsql_options d ON d.owner=a.owner AND d.name=a.package_name"  \
    " AND d.type='PACKAGE' AND d.subprogram_id=a.subprogram_id WHERE a.package_name IS NOT NULL AND " WHERE_A    \
    " GROUP BY a.owner,a.package_name,a.object_name,a.subprogram_id,a.overload"

const char* const kTriggerColumns =
    "TRIGGER_NAME VARCHAR2(128), TRIGGER_TYPE VARCHAR2(16), TRIGGERING_EVENT VARCHAR2(227),"
    " TABLE_OWNER VARCHAR2(128), BASE_OBJECT_TYPE VARCHAR2(16), TABLE_NAME VARCHAR2(128),"
    " COLUMN_NAME VARCHAR2(4000), REFERENCING_NAMES VARCHAR2(128), WHEN_CLAUSE VARCHAR2(4000),"
    " STATUS VARCHAR2(8), DESCRIPTION VARCHAR2(4000), ACTION_TYPE VARCHAR2(11), TRIGGER_BODY LONG";

#define TRIGGER_ROW                                                                                           \
    "trigger_name,trigger_type,triggering_event,table_owner,base_object_type,table_name,NULL,"                \
    "coalesce(referencing_names,'REFERENCING NEW AS NEW OLD AS OLD'),when_clause,coalesce(status,'ENABLED')," \
    "description,coalesce(action_type,'PL/SQL     '),trigger_body FROM main.vantro_plsql_triggers WHERE owner=$U"

const char* const kSequenceColumns =
    "SEQUENCE_NAME VARCHAR2(128), MIN_VALUE NUMBER, MAX_VALUE NUMBER, INCREMENT_BY NUMBER,"
    " CYCLE_FLAG VARCHAR2(1), ORDER_FLAG VARCHAR2(1), CACHE_SIZE NUMBER, LAST_NUMBER NUMBER";

#define SEQUENCE_ROW                                                                              \
    "sequence_name,min_value,max_value,increment_by,cycle_flag,order_flag,cache_size,last_number" \
    " FROM main.vantro_sequences WHERE sequence_owner=$U"

// The statistics the session counts, under the names and numbers of an 8.x instance's
// V$STATNAME (the numbers the console's statistics query asks for).
// The NLS parameters a session has, in NLS_SESSION_PARAMETERS' order, and the
// database's own values.
#define NLS_NAMES                                                                                             \
    "SELECT 'NLS_LANGUAGE' AS p UNION ALL SELECT 'NLS_TERRITORY' UNION ALL SELECT 'NLS_CURRENCY'"             \
    " UNION ALL SELECT 'NLS_ISO_CURRENCY' UNION ALL SELECT 'NLS_NUMERIC_CHARACTERS' UNION ALL SELECT"         \
    " 'NLS_CALENDAR' UNION ALL SELECT 'NLS_DATE_FORMAT' UNION ALL SELECT 'NLS_DATE_LANGUAGE' UNION ALL"       \
    " SELECT 'NLS_SORT' UNION ALL SELECT 'NLS_TIME_FORMAT' UNION ALL SELECT 'NLS_TIMESTAMP_FORMAT' UNION ALL" \
    " SELECT 'NLS_TIME_TZ_FORMAT' UNION ALL SELECT 'NLS_TIMESTAMP_TZ_FORMAT' UNION ALL SELECT"                \
    " 'NLS_DUAL_CURRENCY' UNION ALL SELECT 'NLS_COMP' UNION ALL SELECT 'NLS_LENGTH_SEMANTICS' UNION ALL"      \
    " SELECT 'NLS_NCHAR_CONV_EXCP'"
#define NLS_DATABASE                                                                                        \
    "SELECT 'NLS_RDBMS_VERSION' AS p,'19.0.0.0.0' AS v UNION ALL SELECT 'NLS_NCHAR_CONV_EXCP','FALSE'"      \
    " UNION ALL SELECT 'NLS_LENGTH_SEMANTICS','BYTE' UNION ALL SELECT 'NLS_COMP','BINARY'"                  \
    " UNION ALL SELECT 'NLS_DUAL_CURRENCY','$' UNION ALL SELECT 'NLS_TIMESTAMP_TZ_FORMAT',"                 \
    "'DD-MON-RR HH.MI.SSXFF AM TZR' UNION ALL SELECT 'NLS_TIME_TZ_FORMAT','HH.MI.SSXFF AM TZR'"             \
    " UNION ALL SELECT 'NLS_TIMESTAMP_FORMAT','DD-MON-RR HH.MI.SSXFF AM' UNION ALL SELECT"                  \
    " 'NLS_TIME_FORMAT','HH.MI.SSXFF AM' UNION ALL SELECT 'NLS_SORT','BINARY' UNION ALL SELECT"             \
    " 'NLS_DATE_LANGUAGE','AMERICAN' UNION ALL SELECT 'NLS_DATE_FORMAT','DD-MON-RR' UNION ALL SELECT"       \
    " 'NLS_CALENDAR','GREGORIAN' UNION ALL SELECT 'NLS_NUMERIC_CHARACTERS','.,' UNION ALL SELECT"           \
    " 'NLS_NCHAR_CHARACTERSET','AL16UTF16' UNION ALL SELECT 'NLS_CHARACTERSET','AL32UTF8' UNION ALL SELECT" \
    " 'NLS_ISO_CURRENCY','AMERICA' UNION ALL SELECT 'NLS_CURRENCY','$' UNION ALL SELECT 'NLS_TERRITORY',"   \
    "'AMERICA' UNION ALL SELECT 'NLS_LANGUAGE','AMERICAN'"
#define STATISTICS                                                                                 \
    "SELECT 7 AS n,'recursive calls' AS name,1 AS class UNION ALL SELECT 38,'db block gets',8"     \
    " UNION ALL SELECT 39,'consistent gets',8 UNION ALL SELECT 40,'physical reads',8"              \
    " UNION ALL SELECT 44,'redo size',2 UNION ALL SELECT 182,'bytes sent via SQL*Net to client',1" \
    " UNION ALL SELECT 183,'bytes received via SQL*Net from client',1"                             \
    " UNION ALL SELECT 184,'SQL*Net roundtrips to/from client',1"                                  \
    " UNION ALL SELECT 188,'sorts (memory)',64 UNION ALL SELECT 189,'sorts (disk)',64"

// A constraint's name: as declared, or the system name of its number.
#define CONSTRAINT_NAME_OF(k) "coalesce(" k ".constraint_name,'SYS_C00'||(" k ".id+4999))"

const char* const kConstraintColumns =
    "OWNER VARCHAR2(128), CONSTRAINT_NAME VARCHAR2(128), CONSTRAINT_TYPE VARCHAR2(1), TABLE_NAME VARCHAR2(128),"
    " SEARCH_CONDITION LONG, R_OWNER VARCHAR2(128), R_CONSTRAINT_NAME VARCHAR2(128), DELETE_RULE VARCHAR2(9),"
    " STATUS VARCHAR2(8), DEFERRABLE VARCHAR2(14), DEFERRED VARCHAR2(9), VALIDATED VARCHAR2(13),"
    " GENERATED VARCHAR2(14), BAD VARCHAR2(3), RELY VARCHAR2(4), LAST_CHANGE DATE, INDEX_OWNER VARCHAR2(128),"
    " INDEX_NAME VARCHAR2(128)";

// The index that enforces an enabled primary or unique key.
#define CONSTRAINT_INDEX_OF "vantro_constraint_index(k.owner,k.table_name,k.id," CONSTRAINT_NAME_OF("k") ")"
#define CONSTRAINT_INDEX \
    "(CASE WHEN k.constraint_type IN ('P','U') AND k.status='ENABLED' THEN " CONSTRAINT_INDEX_OF " END)"
#define CONSTRAINT_ROW \
    CONSTRAINT_NAME_OF("k") ",k.constraint_type,k.table_name,k.search_condition,r.owner," CONSTRAINT_NAME_OF("r") \
  ",k.delete_rule,k.status,k.is_deferrable,k.is_deferred,k.validated,CASE WHEN k.constraint_name IS NULL"            \
  " THEN 'GENERATED NAME' ELSE 'USER NAME' END,NULL,NULL,NULL,CASE WHEN " CONSTRAINT_INDEX \
  " IS NOT NULL THEN k.owner END," CONSTRAINT_INDEX " FROM main.vantro_constraints k"         \
  " LEFT JOIN main.vantro_constraints r ON r.id=k.r_constraint_id WHERE k.owner=$U"

// The session user, PUBLIC and every role they hold, roles granted to roles included.
#define SESSION_ROLES                                                                        \
    "WITH RECURSIVE h(name) AS (SELECT $U UNION SELECT 'PUBLIC' UNION SELECT p.granted_role" \
    " FROM main.vantro_role_privs p JOIN h ON p.grantee=h.name) SELECT name FROM h"
#define TAB_PRIVS_COLUMNS                                                                          \
    "GRANTEE VARCHAR2(128), OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), GRANTOR VARCHAR2(128)," \
    " PRIVILEGE VARCHAR2(40), GRANTABLE VARCHAR2(3), HIERARCHY VARCHAR2(3)"
#define TAB_PRIVS_ROW                                                                                 \
    "grantee,owner,table_name,grantor,privilege,CASE WHEN grantable<>0 THEN 'YES' ELSE 'NO' END,'NO'" \
    " FROM main.vantro_tab_privs"

// The partitioned tables, their partitions (HIGH_VALUE: the bound as written) and keys.
const char* const kPartTableColumns =
    "TABLE_NAME VARCHAR2(128), PARTITIONING_TYPE VARCHAR2(9), SUBPARTITIONING_TYPE VARCHAR2(9),"
    " PARTITION_COUNT NUMBER, DEF_SUBPARTITION_COUNT NUMBER, PARTITIONING_KEY_COUNT NUMBER,"
    " SUBPARTITIONING_KEY_COUNT NUMBER, STATUS VARCHAR2(8), DEF_TABLESPACE_NAME VARCHAR2(30),"
    " DEF_PCT_FREE NUMBER, DEF_LOGGING VARCHAR2(7), INTERVAL VARCHAR2(1000)";
#define PART_TABLE_ROW                                                                                            \
    "p.table_name,p.partitioning_type,p.subpartitioning_type,CASE WHEN p.interval IS NULL THEN p.partition_count" \
    " ELSE 1048575 END,p.def_subpartition_count,p.partitioning_key_count,p.subpartitioning_key_count,'VALID',"    \
    "coalesce(g.tablespace_name,'USERS'),coalesce(g.pct_free,10),CASE g.logging WHEN 'NO' THEN 'NO' ELSE 'NONE'"  \
    " END,p.interval FROM main.vantro_part_tables p LEFT JOIN main.vantro_storage g ON g.owner=p.owner"           \
    " AND g.object_name=p.table_name AND g.object_kind='TABLE' WHERE p.owner=$U"
const char* const kTabPartitionColumns =
    "TABLE_NAME VARCHAR2(128), COMPOSITE VARCHAR2(3), PARTITION_NAME VARCHAR2(128), SUBPARTITION_COUNT NUMBER,"
    " HIGH_VALUE LONG, HIGH_VALUE_LENGTH NUMBER, PARTITION_POSITION NUMBER, TABLESPACE_NAME VARCHAR2(30),"
    " PCT_FREE NUMBER, LOGGING VARCHAR2(7), NUM_ROWS NUMBER, LAST_ANALYZED DATE";
#define TAB_PARTITION_ROW                                                                             \
    "t.table_name,CASE WHEN t.subpartition_count>0 THEN 'YES' ELSE 'NO' END,t.partition_name,"        \
    "t.subpartition_count,t.high_value,coalesce(length(t.high_value),0),t.partition_position,"        \
    "coalesce(t.tablespace_name,'USERS'),coalesce(t.pct_free,10),coalesce(t.logging,'YES'),NULL,NULL" \
    " FROM main.vantro_tab_partitions t WHERE t.owner=$U"
const char* const kPartKeyColumns =
    "NAME VARCHAR2(128), OBJECT_TYPE CHAR(5), COLUMN_NAME VARCHAR2(4000), COLUMN_POSITION NUMBER";
#define PART_KEY_ROW \
    "k.table_name,'TABLE',k.column_name,k.column_position FROM main.vantro_part_key_columns k WHERE k.owner=$U"

// Materialized views (their rows are the table of the same name) and the logs on tables.
const char* const kMviewColumns =
    "OWNER VARCHAR2(128), MVIEW_NAME VARCHAR2(128), CONTAINER_NAME VARCHAR2(128), QUERY LONG, QUERY_LEN NUMBER,"
    " UPDATABLE VARCHAR2(1), REWRITE_ENABLED VARCHAR2(1), REFRESH_MODE VARCHAR2(6), REFRESH_METHOD VARCHAR2(8),"
    " BUILD_MODE VARCHAR2(9), FAST_REFRESHABLE VARCHAR2(18), LAST_REFRESH_TYPE VARCHAR2(8),"
    " LAST_REFRESH_DATE DATE, STALENESS VARCHAR2(19), COMPILE_STATE VARCHAR2(19)";
#define MVIEW_ROW                                                                                             \
    "SELECT owner,mview_name,mview_name,query,length(query),'N',rewrite_enabled,refresh_mode,refresh_method," \
    "build_mode,'NO',CASE WHEN last_refresh IS NULL THEN 'NA' ELSE 'COMPLETE' END,last_refresh,staleness,"    \
    "'VALID' FROM main.vantro_mviews"
const char* const kMviewLogColumns = "LOG_OWNER VARCHAR2(128), MASTER VARCHAR2(128), LOG_TABLE VARCHAR2(128)";
#define MVIEW_LOG_ROW "SELECT log_owner,master,log_table FROM main.vantro_mview_logs"

// Dimensions. One whose level, key or attribute column no longer exists (its table was
// dropped or changed) is INVALID and NEEDS_COMPILE until ALTER DIMENSION ... COMPILE.
const char* const kDimensionColumns =
    "OWNER VARCHAR2(128), DIMENSION_NAME VARCHAR2(128), INVALID VARCHAR2(1), COMPILE_STATE VARCHAR2(13),"
    " REVISION NUMBER";
#define DIMENSION_BROKEN                                                                                  \
    "EXISTS (SELECT 1 FROM main.vantro_dim_items i WHERE i.owner=d.owner AND"                               \
    " i.dimension_name=d.dimension_name AND i.column_name IS NOT NULL AND NOT EXISTS (SELECT 1 FROM"       \
    " main.vantro_columns c WHERE c.owner=i.table_owner AND c.table_name=i.table_name AND"                 \
    " c.column_name=i.column_name))"
#define DIMENSION_ROW                                                                                     \
    "SELECT d.owner,d.dimension_name,CASE WHEN " DIMENSION_BROKEN " THEN 'Y' ELSE 'N' END,CASE WHEN "      \
    DIMENSION_BROKEN " THEN 'NEEDS_COMPILE' ELSE 'VALID' END,d.revision FROM main.vantro_dimensions d"
const char* const kDimLevelColumns =
    "OWNER VARCHAR2(128), DIMENSION_NAME VARCHAR2(128), LEVEL_NAME VARCHAR2(128), NUM_COLUMNS NUMBER,"
    " DETAILOBJ_OWNER VARCHAR2(128), DETAILOBJ_NAME VARCHAR2(128), SKIP_WHEN_NULL VARCHAR2(1)";
#define DIM_LEVEL_ROW                                                                                     \
    "SELECT owner,dimension_name,name,(SELECT count(*) FROM main.vantro_dim_items k WHERE k.owner=l.owner" \
    " AND k.dimension_name=l.dimension_name AND k.kind='K' AND k.name=l.name),table_owner,table_name,flag" \
    " FROM main.vantro_dim_items l WHERE kind='L'"
const char* const kDimLevelKeyColumns =
    "OWNER VARCHAR2(128), DIMENSION_NAME VARCHAR2(128), LEVEL_NAME VARCHAR2(128), KEY_POSITION NUMBER,"
    " COLUMN_NAME VARCHAR2(128)";
#define DIM_LEVEL_KEY_ROW \
    "SELECT owner,dimension_name,name,position,column_name FROM main.vantro_dim_items WHERE kind='K'"
const char* const kDimHierarchyColumns =
    "OWNER VARCHAR2(128), DIMENSION_NAME VARCHAR2(128), HIERARCHY_NAME VARCHAR2(128)";
#define DIM_HIERARCHY_ROW "SELECT owner,dimension_name,name FROM main.vantro_dim_items WHERE kind='H'"
const char* const kDimChildOfColumns =
    "OWNER VARCHAR2(128), DIMENSION_NAME VARCHAR2(128), HIERARCHY_NAME VARCHAR2(128), POSITION NUMBER,"
    " CHILD_LEVEL_NAME VARCHAR2(128), JOIN_KEY_ID VARCHAR2(40), PARENT_LEVEL_NAME VARCHAR2(128)";
#define DIM_CHILD_OF_ROW                                                                               \
    "SELECT owner,dimension_name,name,position,level_name,flag,parent_name FROM main.vantro_dim_items" \
    " WHERE kind='C'"
const char* const kDimJoinKeyColumns =
    "OWNER VARCHAR2(128), DIMENSION_NAME VARCHAR2(128), DIM_KEY_ID NUMBER, LEVEL_NAME VARCHAR2(128),"
    " KEY_POSITION NUMBER, HIERARCHY_NAME VARCHAR2(128), CHILD_JOIN_OWNER VARCHAR2(128),"
    " CHILD_JOIN_TABLE VARCHAR2(128), CHILD_JOIN_COLUMN VARCHAR2(128)";
#define DIM_JOIN_KEY_ROW                                                                             \
    "SELECT owner,dimension_name,CAST(flag AS INTEGER),level_name,position,name,table_owner,table_name," \
    "column_name FROM main.vantro_dim_items WHERE kind='J'"
const char* const kDimAttributeColumns =
    "OWNER VARCHAR2(128), DIMENSION_NAME VARCHAR2(128), ATTRIBUTE_NAME VARCHAR2(128), LEVEL_NAME VARCHAR2(128),"
    " COLUMN_NAME VARCHAR2(128), INFERRED CHAR(1)";
#define DIM_ATTRIBUTE_ROW \
    "SELECT owner,dimension_name,name,level_name,column_name,flag FROM main.vantro_dim_items WHERE kind='A'"

// LOCAL indexes: partitioned as their tables are, one index partition for each table
// partition, PREFIXED when the index leads with the partitioning key.
const char* const kPartIndexColumns =
    "INDEX_NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128), PARTITIONING_TYPE VARCHAR2(9),"
    " SUBPARTITIONING_TYPE VARCHAR2(9), PARTITION_COUNT NUMBER, DEF_SUBPARTITION_COUNT NUMBER,"
    " PARTITIONING_KEY_COUNT NUMBER, SUBPARTITIONING_KEY_COUNT NUMBER, LOCALITY VARCHAR2(6),"
    " ALIGNMENT VARCHAR2(12), DEF_TABLESPACE_NAME VARCHAR2(30), DEF_PCT_FREE NUMBER, DEF_INI_TRANS NUMBER,"
    " DEF_MAX_TRANS NUMBER, DEF_LOGGING VARCHAR2(7)";
#define PART_INDEX_ROW                                                                                      \
    "o.index_name,o.table_name,p.partitioning_type,p.subpartitioning_type,(SELECT count(*) FROM"            \
    " main.vantro_ind_partitions i WHERE i.owner=o.owner AND i.index_name=o.index_name),"                   \
    "p.def_subpartition_count,p.partitioning_key_count,p.subpartitioning_key_count,'LOCAL',CASE WHEN"       \
    " (SELECT x.name FROM pragma_index_info(o.index_name,$U) x WHERE x.seqno=0)=(SELECT k.column_name FROM" \
    " main.vantro_part_key_columns k WHERE k.owner=o.owner AND k.table_name=o.table_name AND"               \
    " k.column_position=1) THEN 'PREFIXED' ELSE 'NON_PREFIXED' END,coalesce(g.tablespace_name,'USERS'),"    \
    "coalesce(g.pct_free,10),coalesce(g.ini_trans,2),coalesce(g.max_trans,255),CASE g.logging WHEN 'NO'"    \
    " THEN 'NO' ELSE 'NONE' END FROM main.vantro_index_options o JOIN main.vantro_part_tables p ON"         \
    " p.owner=o.owner AND p.table_name=o.table_name LEFT JOIN main.vantro_storage g ON g.owner=o.owner AND" \
    " g.object_name=o.index_name AND g.object_kind='INDEX' WHERE o.owner=$U AND o.locality='LOCAL'"
const char* const kIndPartitionColumns =
    "INDEX_NAME VARCHAR2(128), COMPOSITE VARCHAR2(3), PARTITION_NAME VARCHAR2(128), SUBPARTITION_COUNT NUMBER,"
    " HIGH_VALUE LONG, HIGH_VALUE_LENGTH NUMBER, PARTITION_POSITION NUMBER, STATUS VARCHAR2(8),"
    " TABLESPACE_NAME VARCHAR2(30), PCT_FREE NUMBER, INI_TRANS NUMBER, MAX_TRANS NUMBER, LOGGING VARCHAR2(7),"
    " COMPRESSION VARCHAR2(13)";
#define IND_PARTITION_ROW                                                                                \
    "i.index_name,'NO',i.partition_name,0,i.high_value,coalesce(length(i.high_value),0),"                \
    "i.partition_position,i.status,coalesce(g.tablespace_name,'USERS'),coalesce(g.pct_free,10),"         \
    "coalesce(g.ini_trans,2),coalesce(g.max_trans,255),coalesce(g.logging,'YES'),"                       \
    "coalesce(o.compression,'DISABLED') FROM main.vantro_ind_partitions i LEFT JOIN"                     \
    " main.vantro_index_options o ON o.owner=i.owner AND o.index_name=i.index_name LEFT JOIN"            \
    " main.vantro_storage g ON g.owner=i.owner AND g.object_name=i.index_name AND g.object_kind='INDEX'" \
    " WHERE i.owner=$U"

// Schema-level object and collection types (catalog/dictionary_types.cpp reads each
// from its source). CONDITION picks the owners shown.
const char* const kTypeColumns =
    "TYPE_NAME VARCHAR2(128), TYPE_OID RAW(16), TYPECODE VARCHAR2(128), ATTRIBUTES NUMBER, METHODS NUMBER,"
    " PREDEFINED VARCHAR2(3), INCOMPLETE VARCHAR2(3), FINAL VARCHAR2(3), INSTANTIABLE VARCHAR2(3),"
    " PERSISTABLE VARCHAR2(3), SUPERTYPE_OWNER VARCHAR2(128), SUPERTYPE_NAME VARCHAR2(128),"
    " LOCAL_ATTRIBUTES NUMBER, LOCAL_METHODS NUMBER, TYPEID RAW(17)";
#define TYPE_ROW(CONDITION)                                                                                     \
    "t.name,vantro_type_oid(t.object_id),vantro_type_field(t.owner,t.name,0,'TYPECODE'),"                       \
    "coalesce(vantro_type_field(t.owner,t.name,0,'ATTRIBUTES'),0),coalesce(vantro_type_field(t.owner,t.name,0," \
    "'METHODS'),0),'NO',vantro_type_field(t.owner,t.name,0,'INCOMPLETE'),"                                      \
    "coalesce(vantro_type_field(t.owner,t.name,0,'FINAL'),'YES'),"                                              \
    "coalesce(vantro_type_field(t.owner,t.name,0,'INSTANTIABLE'),'YES'),'YES',NULL,NULL,NULL,NULL,NULL"         \
    " FROM main.vantro_plsql_objects t WHERE t.type='TYPE' AND " CONDITION
const char* const kTypeAttrColumns =
    "TYPE_NAME VARCHAR2(128), ATTR_NAME VARCHAR2(128), ATTR_TYPE_MOD VARCHAR2(7), ATTR_TYPE_OWNER VARCHAR2(128),"
    " ATTR_TYPE_NAME VARCHAR2(128), LENGTH NUMBER, PRECISION NUMBER, SCALE NUMBER,"
    " CHARACTER_SET_NAME VARCHAR2(44), ATTR_NO NUMBER, INHERITED VARCHAR2(3), CHAR_USED VARCHAR2(1)";
// One row for each attribute: the attributes are numbered 1 to the type's ATTRIBUTES.
#define TYPE_ATTR_ROW(OWNER, CONDITION)                                                                       \
    "WITH RECURSIVE a(owner,name,n,total) AS (SELECT t.owner,t.name,1,vantro_type_field(t.owner,t.name,0,"    \
    "'ATTRIBUTES') FROM main.vantro_plsql_objects t WHERE t.type='TYPE' AND " CONDITION                       \
    " UNION ALL SELECT owner,name,n+1,total FROM a WHERE n<total)"                                            \
    " SELECT " OWNER                                                                                          \
    "a.name,vantro_type_field(a.owner,a.name,a.n,'NAME'),NULL,"                                               \
    "vantro_type_field(a.owner,a.name,a.n,'TYPE_OWNER'),vantro_type_field(a.owner,a.name,a.n,'TYPE_NAME'),"   \
    "vantro_type_field(a.owner,a.name,a.n,'LENGTH'),vantro_type_field(a.owner,a.name,a.n,'PRECISION'),"       \
    "vantro_type_field(a.owner,a.name,a.n,'SCALE'),vantro_type_field(a.owner,a.name,a.n,'CHARSET'),a.n,'NO'," \
    "vantro_type_field(a.owner,a.name,a.n,'CHAR_USED') FROM a WHERE a.total>0"
const char* const kCollTypeColumns =
    "TYPE_NAME VARCHAR2(128), COLL_TYPE VARCHAR2(128), UPPER_BOUND NUMBER, ELEM_TYPE_MOD VARCHAR2(7),"
    " ELEM_TYPE_OWNER VARCHAR2(128), ELEM_TYPE_NAME VARCHAR2(128), LENGTH NUMBER, PRECISION NUMBER,"
    " SCALE NUMBER, CHARACTER_SET_NAME VARCHAR2(44), ELEM_STORAGE VARCHAR2(7), NULLS_STORED VARCHAR2(3),"
    " CHAR_USED VARCHAR2(1)";
#define COLL_TYPE_ROW(CONDITION)                                                                                \
    "t.name,vantro_type_field(t.owner,t.name,0,'COLL_TYPE'),vantro_type_field(t.owner,t.name,0,'UPPER_BOUND')," \
    "NULL,vantro_type_field(t.owner,t.name,0,'TYPE_OWNER'),vantro_type_field(t.owner,t.name,0,'TYPE_NAME'),"    \
    "vantro_type_field(t.owner,t.name,0,'LENGTH'),vantro_type_field(t.owner,t.name,0,'PRECISION'),"             \
    "vantro_type_field(t.owner,t.name,0,'SCALE'),vantro_type_field(t.owner,t.name,0,'CHARSET'),NULL,'YES',"     \
    "vantro_type_field(t.owner,t.name,0,'CHAR_USED') FROM main.vantro_plsql_objects t WHERE t.type='TYPE'"      \
    " AND vantro_type_field(t.owner,t.name,0,'TYPECODE')='COLLECTION' AND " CONDITION
// Each declared method of each type, numbered from 1 (m.n), and each of its parameters (p.k).
#define TYPE_METHODS_OF(CONDITION)                                                                           \
    "m(owner,name,n,total) AS (SELECT t.owner,t.name,1,vantro_type_field(t.owner,t.name,0,'METHODS')"       \
    " FROM main.vantro_plsql_objects t WHERE t.type='TYPE' AND " CONDITION                                   \
    " UNION ALL SELECT owner,name,n+1,total FROM m WHERE n<total)"
const char* const kTypeMethodColumns =
    "TYPE_NAME VARCHAR2(128), METHOD_NAME VARCHAR2(128), METHOD_NO NUMBER, METHOD_TYPE VARCHAR2(6),"
    " PARAMETERS NUMBER, RESULTS NUMBER, FINAL VARCHAR2(3), INSTANTIABLE VARCHAR2(3), OVERRIDING VARCHAR2(3),"
    " INHERITED VARCHAR2(3)";
#define TYPE_METHOD_ROW(OWNER, CONDITION)                                                                     \
    "WITH RECURSIVE " TYPE_METHODS_OF(CONDITION) " SELECT " OWNER                                             \
    "m.name,vantro_type_method(m.owner,m.name,m.n,'NAME'),m.n,vantro_type_method(m.owner,m.name,m.n,"         \
    "'METHOD_TYPE'),vantro_type_method(m.owner,m.name,m.n,'PARAMETERS'),vantro_type_method(m.owner,m.name,"   \
    "m.n,'RESULTS'),'NO','YES','NO','NO' FROM m WHERE m.total>0"
const char* const kMethodParamColumns =
    "TYPE_NAME VARCHAR2(128), METHOD_NAME VARCHAR2(128), METHOD_NO NUMBER, PARAM_NAME VARCHAR2(128),"
    " PARAM_NO NUMBER, PARAM_MODE VARCHAR2(6), PARAM_TYPE_MOD VARCHAR2(7), PARAM_TYPE_OWNER VARCHAR2(128),"
    " PARAM_TYPE_NAME VARCHAR2(128), CHARACTER_SET_NAME VARCHAR2(44)";
#define METHOD_PARAM_ROW(OWNER, CONDITION)                                                                        \
    "WITH RECURSIVE " TYPE_METHODS_OF(CONDITION) ",p(owner,name,n,k,total) AS (SELECT owner,name,n,1,"           \
    "vantro_type_method(owner,name,n,'PARAMETERS') FROM m WHERE total>0 UNION ALL SELECT owner,name,n,k+1,total" \
    " FROM p WHERE k<total) SELECT " OWNER                                                                        \
    "p.name,vantro_type_method(p.owner,p.name,p.n,'NAME'),p.n,vantro_method_param(p.owner,p.name,p.n,p.k,"       \
    "'NAME'),p.k,vantro_method_param(p.owner,p.name,p.n,p.k,'MODE'),NULL,CASE WHEN vantro_method_param(p.owner," \
    "p.name,p.n,p.k,'TYPE')=p.name THEN p.owner END,vantro_method_param(p.owner,p.name,p.n,p.k,'TYPE'),NULL"    \
    " FROM p WHERE p.total>0"
const char* const kMethodResultColumns =
    "TYPE_NAME VARCHAR2(128), METHOD_NAME VARCHAR2(128), METHOD_NO NUMBER, RESULT_TYPE_MOD VARCHAR2(7),"
    " RESULT_TYPE_OWNER VARCHAR2(128), RESULT_TYPE_NAME VARCHAR2(128), CHARACTER_SET_NAME VARCHAR2(44)";
#define METHOD_RESULT_ROW(OWNER, CONDITION)                                                                  \
    "WITH RECURSIVE " TYPE_METHODS_OF(CONDITION) " SELECT " OWNER                                            \
    "m.name,vantro_type_method(m.owner,m.name,m.n,'NAME'),m.n,NULL,CASE WHEN vantro_type_method(m.owner,"    \
    "m.name,m.n,'RESULT_TYPE')=m.name THEN m.owner END,vantro_type_method(m.owner,m.name,m.n,'RESULT_TYPE')," \
    "NULL FROM m WHERE m.total>0 AND vantro_type_method(m.owner,m.name,m.n,'RESULTS')=1"
#define TYPES_OF_ALL "(t.owner=$U OR vantro_may_see(t.owner,t.name))"

// What DML may do with each column of a table or view: vantro_column_uses gives three
// letters Y or N for UPDATABLE, INSERTABLE and DELETABLE.
#define UPDATABLE_ROW(CONDITION)                                                                   \
    "u.table_name,u.column_name,CASE substr(u.uses,1,1) WHEN 'Y' THEN 'YES' ELSE 'NO' END,"        \
    "CASE substr(u.uses,2,1) WHEN 'Y' THEN 'YES' ELSE 'NO' END,"                                   \
    "CASE substr(u.uses,3,1) WHEN 'Y' THEN 'YES' ELSE 'NO' END FROM (SELECT c.owner,c.table_name," \
    "c.column_name,c.column_id,vantro_column_uses(c.owner,c.table_name,c.column_name) uses"        \
    " FROM main.vantro_columns c WHERE " CONDITION " ORDER BY c.owner,c.table_name,c.column_id) u"
// USER_UPDATABLE_COLUMNS has the OWNER column too, as ALL_ and DBA_ have.
const char* const kUpdatableColumns =
    "OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), UPDATABLE VARCHAR2(3),"
    " INSERTABLE VARCHAR2(3), DELETABLE VARCHAR2(3)";

#define VERSION_COLUMNS "BANNER VARCHAR2(80), BANNER_FULL VARCHAR2(160), BANNER_LEGACY VARCHAR2(80), CON_ID NUMBER"
#define VERSION_ROW "SELECT vantro_instance('BANNER'),vantro_instance('BANNER_FULL'),vantro_instance('BANNER'),0"
#define INSTANCE_COLUMNS                                                                                              \
    "INSTANCE_NUMBER NUMBER, INSTANCE_NAME VARCHAR2(16), HOST_NAME VARCHAR2(64), VERSION VARCHAR2(17),"               \
    " VERSION_LEGACY VARCHAR2(17), VERSION_FULL VARCHAR2(17), STARTUP_TIME DATE, STATUS VARCHAR2(12),"                \
    " PARALLEL VARCHAR2(3), THREAD# NUMBER, ARCHIVER VARCHAR2(7), LOG_SWITCH_WAIT VARCHAR2(15), LOGINS VARCHAR2(10)," \
    " SHUTDOWN_PENDING VARCHAR2(3), DATABASE_STATUS VARCHAR2(17), INSTANCE_ROLE VARCHAR2(18),"                        \
    " ACTIVE_STATE VARCHAR2(9), BLOCKED VARCHAR2(3), CON_ID NUMBER, INSTANCE_MODE VARCHAR2(11)"
#define INSTANCE_ROW                                                                                           \
    "SELECT 1,vantro_sys_context('USERENV','INSTANCE_NAME'),vantro_sys_context('USERENV','SERVER_HOST'),"      \
    "vantro_instance('VERSION'),vantro_instance('VERSION'),vantro_instance('VERSION'),"                        \
    "vantro_instance('STARTUP_TIME'),'OPEN','NO',1,'STOPPED',NULL,'ALLOWED','NO','ACTIVE','PRIMARY_INSTANCE'," \
    "'NORMAL','NO',0,'REGULAR'"
// The database was created with its catalog, when its first user (SYS) was made.
#define DATABASE_COLUMNS                                                                                          \
    "DBID NUMBER, NAME VARCHAR2(9), CREATED DATE, LOG_MODE VARCHAR2(12), OPEN_MODE VARCHAR2(20),"                 \
    " PROTECTION_MODE VARCHAR2(20), DATABASE_ROLE VARCHAR2(16), PLATFORM_ID NUMBER, PLATFORM_NAME VARCHAR2(101)," \
    " DB_UNIQUE_NAME VARCHAR2(30), CON_ID NUMBER"
#define DATABASE_ROW                                                                                   \
    "SELECT vantro_instance('DBID'),upper(vantro_sys_context('USERENV','DB_NAME')),"                   \
    "(SELECT datetime(min(created),'localtime') FROM main.vantro_users),'NOARCHIVELOG','READ WRITE',"  \
    "'MAXIMUM PERFORMANCE','PRIMARY',vantro_instance('PLATFORM_ID'),vantro_instance('PLATFORM_NAME')," \
    "vantro_sys_context('USERENV','DB_NAME'),0"

const ViewDef kViews[] = {
    {"USER_TYPES", kTypeColumns, "SELECT " TYPE_ROW("t.owner=$U")},
    {"ALL_TYPES", nullptr, "SELECT t.owner," TYPE_ROW(TYPES_OF_ALL)},
    {"DBA_TYPES", nullptr, "SELECT t.owner," TYPE_ROW("1")},
    {"USER_TYPE_ATTRS", kTypeAttrColumns, TYPE_ATTR_ROW("", "t.owner=$U")},
    {"ALL_TYPE_ATTRS", nullptr, TYPE_ATTR_ROW("a.owner,", TYPES_OF_ALL)},
    {"DBA_TYPE_ATTRS", nullptr, TYPE_ATTR_ROW("a.owner,", "1")},
    {"USER_TYPE_METHODS", kTypeMethodColumns, TYPE_METHOD_ROW("", "t.owner=$U")},
    {"ALL_TYPE_METHODS", nullptr, TYPE_METHOD_ROW("m.owner,", TYPES_OF_ALL)},
    {"DBA_TYPE_METHODS", nullptr, TYPE_METHOD_ROW("m.owner,", "1")},
    {"USER_METHOD_PARAMS", kMethodParamColumns, METHOD_PARAM_ROW("", "t.owner=$U")},
    {"ALL_METHOD_PARAMS", nullptr, METHOD_PARAM_ROW("p.owner,", TYPES_OF_ALL)},
    {"DBA_METHOD_PARAMS", nullptr, METHOD_PARAM_ROW("p.owner,", "1")},
    {"USER_METHOD_RESULTS", kMethodResultColumns, METHOD_RESULT_ROW("", "t.owner=$U")},
    {"ALL_METHOD_RESULTS", nullptr, METHOD_RESULT_ROW("m.owner,", TYPES_OF_ALL)},
    {"DBA_METHOD_RESULTS", nullptr, METHOD_RESULT_ROW("m.owner,", "1")},
    {"USER_COLL_TYPES", kCollTypeColumns, "SELECT " COLL_TYPE_ROW("t.owner=$U")},
    {"ALL_COLL_TYPES", nullptr, "SELECT t.owner," COLL_TYPE_ROW(TYPES_OF_ALL)},
    {"DBA_COLL_TYPES", nullptr, "SELECT t.owner," COLL_TYPE_ROW("1")},
    {"USER_DIMENSIONS", kDimensionColumns, DIMENSION_ROW " WHERE d.owner=$U"},
    {"ALL_DIMENSIONS", kDimensionColumns, DIMENSION_ROW " WHERE d.owner=$U"},
    {"DBA_DIMENSIONS", kDimensionColumns, DIMENSION_ROW},
    {"USER_DIM_LEVELS", kDimLevelColumns, DIM_LEVEL_ROW " AND owner=$U"},
    {"ALL_DIM_LEVELS", kDimLevelColumns, DIM_LEVEL_ROW " AND owner=$U"},
    {"DBA_DIM_LEVELS", kDimLevelColumns, DIM_LEVEL_ROW},
    {"USER_DIM_LEVEL_KEY", kDimLevelKeyColumns, DIM_LEVEL_KEY_ROW " AND owner=$U"},
    {"ALL_DIM_LEVEL_KEY", kDimLevelKeyColumns, DIM_LEVEL_KEY_ROW " AND owner=$U"},
    {"DBA_DIM_LEVEL_KEY", kDimLevelKeyColumns, DIM_LEVEL_KEY_ROW},
    {"USER_DIM_HIERARCHIES", kDimHierarchyColumns, DIM_HIERARCHY_ROW " AND owner=$U"},
    {"ALL_DIM_HIERARCHIES", kDimHierarchyColumns, DIM_HIERARCHY_ROW " AND owner=$U"},
    {"DBA_DIM_HIERARCHIES", kDimHierarchyColumns, DIM_HIERARCHY_ROW},
    {"USER_DIM_CHILD_OF", kDimChildOfColumns, DIM_CHILD_OF_ROW " AND owner=$U"},
    {"ALL_DIM_CHILD_OF", kDimChildOfColumns, DIM_CHILD_OF_ROW " AND owner=$U"},
    {"DBA_DIM_CHILD_OF", kDimChildOfColumns, DIM_CHILD_OF_ROW},
    {"USER_DIM_JOIN_KEY", kDimJoinKeyColumns, DIM_JOIN_KEY_ROW " AND owner=$U"},
    {"ALL_DIM_JOIN_KEY", kDimJoinKeyColumns, DIM_JOIN_KEY_ROW " AND owner=$U"},
    {"DBA_DIM_JOIN_KEY", kDimJoinKeyColumns, DIM_JOIN_KEY_ROW},
    {"USER_DIM_ATTRIBUTES", kDimAttributeColumns, DIM_ATTRIBUTE_ROW " AND owner=$U"},
    {"ALL_DIM_ATTRIBUTES", kDimAttributeColumns, DIM_ATTRIBUTE_ROW " AND owner=$U"},
    {"DBA_DIM_ATTRIBUTES", kDimAttributeColumns, DIM_ATTRIBUTE_ROW},
    {"USER_MVIEWS", kMviewColumns, MVIEW_ROW " WHERE owner=$U"},
    {"ALL_MVIEWS", kMviewColumns, MVIEW_ROW " WHERE owner=$U OR vantro_may_see(owner,mview_name)"},
    {"DBA_MVIEWS", kMviewColumns, MVIEW_ROW},
    {"USER_MVIEW_LOGS", kMviewLogColumns, MVIEW_LOG_ROW " WHERE log_owner=$U"},
    {"ALL_MVIEW_LOGS", kMviewLogColumns, MVIEW_LOG_ROW " WHERE log_owner=$U OR vantro_may_see(log_owner,master)"},
    {"DBA_MVIEW_LOGS", kMviewLogColumns, MVIEW_LOG_ROW},
    {"USER_MVIEW_COMMENTS", "OWNER VARCHAR2(128), MVIEW_NAME VARCHAR2(128), COMMENTS VARCHAR2(4000)",
     "SELECT m.owner,m.mview_name,k.comments FROM main.vantro_mviews m LEFT JOIN main.vantro_comments k"
     " ON k.owner=m.owner AND k.table_name=m.mview_name AND k.column_name='' WHERE m.owner=$U"},
    {"USER_PART_INDEXES", kPartIndexColumns, "SELECT " PART_INDEX_ROW},
    {"ALL_PART_INDEXES", nullptr, "SELECT o.owner," PART_INDEX_ROW},
    {"DBA_PART_INDEXES", nullptr, "SELECT o.owner," PART_INDEX_ROW},
    {"USER_IND_PARTITIONS", kIndPartitionColumns, "SELECT " IND_PARTITION_ROW},
    {"ALL_IND_PARTITIONS", nullptr, "SELECT i.owner," IND_PARTITION_ROW},
    {"DBA_IND_PARTITIONS", nullptr, "SELECT i.owner," IND_PARTITION_ROW},
    {"USER_PART_TABLES", kPartTableColumns, "SELECT " PART_TABLE_ROW},
    {"ALL_PART_TABLES", nullptr, "SELECT p.owner," PART_TABLE_ROW},
    {"DBA_PART_TABLES", nullptr, "SELECT p.owner," PART_TABLE_ROW},
    {"USER_TAB_PARTITIONS", kTabPartitionColumns, "SELECT " TAB_PARTITION_ROW},
    {"ALL_TAB_PARTITIONS", nullptr, "SELECT t.owner," TAB_PARTITION_ROW},
    {"DBA_TAB_PARTITIONS", nullptr, "SELECT t.owner," TAB_PARTITION_ROW},
    {"USER_PART_KEY_COLUMNS", kPartKeyColumns, "SELECT " PART_KEY_ROW},
    {"ALL_PART_KEY_COLUMNS", nullptr, "SELECT k.owner," PART_KEY_ROW},
    {"DBA_PART_KEY_COLUMNS", nullptr, "SELECT k.owner," PART_KEY_ROW},
    {"USER_OBJECTS", kObjectColumns, "SELECT " OBJECT_ROW " WHERE l.owner=$U"},
    {"ALL_OBJECTS", nullptr, "SELECT l.owner," OBJECT_ROW_OF("temp.vantro_reachable_objects")},
    {"DBA_OBJECTS", nullptr, "SELECT l.owner," OBJECT_ROW_OF("temp.vantro_reachable_objects")},
    {"ALL_USERS", "USERNAME VARCHAR2(128), USER_ID NUMBER, CREATED DATE",
     "SELECT name,CASE name WHEN 'SYS' THEN 0 ELSE rowid+100 END,created FROM main.vantro_users"
     " WHERE name<>'PUBLIC'"},
    {"USER_TABLES", kTableColumns, "SELECT " TABLE_ROW},
    {"USER_OBJECT_TABLES", kObjectTableColumns, "SELECT " OBJECT_TABLE_ROW_OF("$U", "$S.sqlite_master")},
    {"ALL_OBJECT_TABLES", nullptr,
     "SELECT $U," OBJECT_TABLE_ROW_OF("$U", "$S.sqlite_master") " UNION ALL SELECT m.owner," OBJECT_TABLE_ROW_OF(
         "m.owner", OTHER_TABLES)},
    {"ALL_TABLES", nullptr, "SELECT $U," TABLE_ROW " UNION ALL SELECT m.owner," TABLE_ROW_OF("m.owner", OTHER_TABLES)},
    {"USER_TAB_COLUMNS", kColumnColumns, "SELECT " COLUMN_ROW},
    {"USER_UPDATABLE_COLUMNS", kUpdatableColumns, "SELECT u.owner," UPDATABLE_ROW("c.owner=$U")},
    {"ALL_UPDATABLE_COLUMNS", kUpdatableColumns,
     "SELECT u.owner," UPDATABLE_ROW("(c.owner=$U OR vantro_may_see(c.owner,c.table_name))")},
    {"DBA_UPDATABLE_COLUMNS", kUpdatableColumns, "SELECT u.owner," UPDATABLE_ROW("1")},
    {"USER_TAB_COL_STATISTICS", kColStatColumns, "SELECT " COL_STAT_ROW " WHERE c.owner=$U"},
    {"ALL_TAB_COL_STATISTICS", nullptr,
     "SELECT c.owner," COL_STAT_ROW " WHERE c.owner=$U OR vantro_may_see(c.owner,c.table_name)"},
    {"ALL_TAB_COLUMNS", nullptr, "SELECT c.owner," COLUMN_ROW_ALL},
    {"USER_TAB_COLS", kTabColsColumns, "SELECT " COLUMN_TAB_COLS},
    {"ALL_TAB_COLS", nullptr, "SELECT c.owner," COLUMN_TAB_COLS_ALL},
    {"USER_TAB_IDENTITY_COLS",
     "TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), GENERATION_TYPE VARCHAR2(10),"
     " SEQUENCE_NAME VARCHAR2(128), IDENTITY_OPTIONS VARCHAR2(298)",
     "SELECT " IDENTITY_ROW},
    {"ALL_TAB_IDENTITY_COLS", nullptr, "SELECT g.owner," IDENTITY_ROW},
    {"ALL_COL_COMMENTS",
     "OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), COMMENTS VARCHAR2(4000)",
     "SELECT c.owner,c.table_name,c.column_name,k.comments FROM main.vantro_columns c LEFT JOIN main.vantro_comments k"
     " ON k.owner=c.owner AND k.table_name=c.table_name AND k.column_name=c.column_name WHERE c.owner=$U"},
    {"USER_COL_COMMENTS", "TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), COMMENTS VARCHAR2(4000)",
     "SELECT table_name,column_name,comments FROM temp.\"ALL_COL_COMMENTS\""},
    {"ALL_TAB_COMMENTS",
     "OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), TABLE_TYPE VARCHAR2(11), COMMENTS VARCHAR2(4000)",
     "SELECT $U,m.name,upper(m.type),k.comments FROM $S.sqlite_master m LEFT JOIN main.vantro_comments k"
     " ON k.owner=$U AND k.table_name=m.name AND k.column_name='' WHERE m.type IN ('table','view')"
     " AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"},
    {"USER_TAB_COMMENTS", "TABLE_NAME VARCHAR2(128), TABLE_TYPE VARCHAR2(11), COMMENTS VARCHAR2(4000)",
     "SELECT table_name,table_type,comments FROM temp.\"ALL_TAB_COMMENTS\""},
    {"ALL_VIEWS",
     "OWNER VARCHAR2(128), VIEW_NAME VARCHAR2(128), TEXT_LENGTH NUMBER, TEXT LONG, EDITIONING_VIEW VARCHAR2(1),"
     " READ_ONLY VARCHAR2(1)",
     "SELECT $U,m.name,length(coalesce(v.text,m.sql)),coalesce(v.text,m.sql),'N',CASE WHEN EXISTS (SELECT 1 FROM"
     " main.vantro_constraints k WHERE k.owner=$U AND k.table_name=m.name AND k.constraint_type='O') THEN 'Y'"
     " ELSE 'N' END FROM $S.sqlite_master m"
     " LEFT JOIN main.vantro_views v ON v.owner=$U AND v.view_name=m.name WHERE m.type='view'"
     " UNION ALL SELECT v.owner,v.view_name,length(v.text),v.text,'N','N' FROM main.vantro_views v WHERE v.owner=$U"
     " AND NOT EXISTS (SELECT 1 FROM $S.sqlite_master m WHERE m.type='view' AND m.name=v.view_name)"
     " UNION ALL SELECT v.owner,v.view_name,length(v.text),v.text,'N',CASE WHEN EXISTS (SELECT 1 FROM"
     " main.vantro_constraints k WHERE k.owner=v.owner AND k.table_name=v.view_name AND k.constraint_type='O')"
     " THEN 'Y' ELSE 'N' END FROM main.vantro_views v WHERE v.owner<>$U AND vantro_may_see(v.owner,v.view_name)"},
    {"USER_VIEWS",
     "VIEW_NAME VARCHAR2(128), TEXT_LENGTH NUMBER, TEXT LONG, EDITIONING_VIEW VARCHAR2(1),"
     " READ_ONLY VARCHAR2(1)",
     "SELECT view_name,text_length,text,editioning_view,read_only FROM temp.\"ALL_VIEWS\" WHERE owner=$U"},
    {"ALL_SYNONYMS",
     "OWNER VARCHAR2(128), SYNONYM_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128),"
     " DB_LINK VARCHAR2(128)",
     "SELECT owner,synonym_name,table_owner,table_name,db_link FROM main.vantro_synonyms WHERE owner IN ($U,'PUBLIC')"},
    {"USER_SYNONYMS",
     "SYNONYM_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), DB_LINK VARCHAR2(128)",
     "SELECT synonym_name,table_owner,table_name,db_link FROM main.vantro_synonyms WHERE owner=$U"},
    {"ALL_SEQUENCES", nullptr, "SELECT sequence_owner," SEQUENCE_ROW},
    {"USER_SEQUENCES", kSequenceColumns, "SELECT " SEQUENCE_ROW},
    {"ALL_TRIGGERS", nullptr, "SELECT owner," TRIGGER_ROW},
    {"USER_TRIGGERS", kTriggerColumns, "SELECT " TRIGGER_ROW},
    {"ALL_SOURCE", nullptr, "SELECT owner,name,type,line,text FROM main.vantro_plsql_source WHERE owner=$U"},
    {"USER_SOURCE", "NAME VARCHAR2(128), TYPE VARCHAR2(12), LINE NUMBER, TEXT VARCHAR2(4000)",
     "SELECT name,type,line,text FROM main.vantro_plsql_source WHERE owner=$U"},
    {"ALL_ERRORS", nullptr,
     "SELECT owner,name,type,sequence,line,position,text,coalesce(attribute,'ERROR'),message_number"
     " FROM main.vantro_plsql_errors WHERE owner=$U"},
    {"USER_ERRORS",
     "NAME VARCHAR2(128), TYPE VARCHAR2(12), SEQUENCE NUMBER, LINE NUMBER, POSITION NUMBER,"
     " TEXT VARCHAR2(4000), ATTRIBUTE VARCHAR2(9), MESSAGE_NUMBER NUMBER",
     "SELECT name,type,sequence,line,position,text,coalesce(attribute,'ERROR'),message_number"
     " FROM main.vantro_plsql_errors WHERE owner=$U"},
    // A dropped table is gone at once (DROP purges): the recycle bin is always empty.
    {"USER_RECYCLEBIN", kRecyclebinColumns, "SELECT " RECYCLEBIN_ROW},
    {"RECYCLEBIN", kRecyclebinColumns, "SELECT " RECYCLEBIN_ROW},
    {"DBA_RECYCLEBIN", nullptr, "SELECT NULL," RECYCLEBIN_ROW},
    {"ALL_DEPENDENCIES", nullptr, "SELECT DISTINCT d.owner," DEPENDENCY_ROW("d.owner=$U")},
    {"DBA_DEPENDENCIES", nullptr, "SELECT DISTINCT d.owner," DEPENDENCY_ROW("1")},
    {"USER_DEPENDENCIES", kDependencyColumns, "SELECT DISTINCT " DEPENDENCY_ROW("d.owner=$U")},
    {"ALL_ARGUMENTS", nullptr, "SELECT a.owner," ARGUMENT_ROW},
    {"USER_PROCEDURES", kProcedureColumns, PROCEDURE_ROW("", "", "o.owner=$U", "a.owner=$U")},
    {"ALL_PROCEDURES", nullptr,
     PROCEDURE_ROW("o.owner,", "a.owner,", "(o.owner=$U OR vantro_may_see(o.owner,o.name))",
                   "(a.owner=$U OR vantro_may_see(a.owner,a.package_name))")},
    {"DBA_PROCEDURES", nullptr, PROCEDURE_ROW("o.owner,", "a.owner,", "1", "1")},
    {"USER_ARGUMENTS", kArgumentColumns, "SELECT " ARGUMENT_ROW},
    {"USER_INDEXES", kIndexColumns, "SELECT " INDEX_ROW},
    {"ALL_INDEXES", nullptr, "SELECT $U," INDEX_ROW},
    {"ALL_IND_COLUMNS",
     "INDEX_OWNER VARCHAR2(128), INDEX_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128),"
     " TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(4000), COLUMN_POSITION NUMBER, COLUMN_LENGTH NUMBER,"
     " CHAR_LENGTH NUMBER, DESCEND VARCHAR2(4)",
     "SELECT $U,vantro_index_name($U,m.name,m.tbl_name),$U,m.tbl_name,coalesce(x.name,(SELECT"
     " printf('SYS_NC%05d$',e.hidden_number) FROM main.vantro_index_expressions e WHERE e.owner=$U AND"
     " e.index_name=vantro_index_name($U,m.name,m.tbl_name) AND e.column_position=x.seqno+1)),x.seqno+1,"
     "coalesce(c.data_length,22),"
     "CASE WHEN c.type_code IN (1,96) THEN c.data_length ELSE 0 END,CASE WHEN x.desc THEN 'DESC' ELSE 'ASC' END"
     " FROM $S.sqlite_master m JOIN pragma_index_xinfo(m.name,$U) x ON x.key=1"
     " LEFT JOIN main.vantro_columns c ON c.owner=$U AND c.table_name=m.tbl_name AND c.column_name=x.name"
     " WHERE m.type='index' AND vantro_index_name($U,m.name,m.tbl_name) IS NOT NULL"},
    {"USER_IND_COLUMNS",
     "INDEX_NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(4000),"
     " COLUMN_POSITION NUMBER, COLUMN_LENGTH NUMBER, CHAR_LENGTH NUMBER, DESCEND VARCHAR2(4)",
     "SELECT index_name,table_name,column_name,column_position,column_length,char_length,descend"
     " FROM temp.\"ALL_IND_COLUMNS\""},
    {"ALL_IND_EXPRESSIONS",
     "INDEX_OWNER VARCHAR2(128), INDEX_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128),"
     " COLUMN_EXPRESSION LONG, COLUMN_POSITION NUMBER",
     "SELECT $U,e.index_name,$U,e.table_name,e.column_expression,e.column_position"
     " FROM main.vantro_index_expressions e JOIN $S.sqlite_master m ON m.type='index' AND m.tbl_name=e.table_name"
     " AND vantro_index_name($U,m.name,m.tbl_name)=e.index_name WHERE e.owner=$U"},
    {"USER_IND_EXPRESSIONS",
     "INDEX_NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128), COLUMN_EXPRESSION LONG, COLUMN_POSITION NUMBER",
     "SELECT index_name,table_name,column_expression,column_position FROM temp.\"ALL_IND_EXPRESSIONS\""},
    {"ALL_CONSTRAINTS", nullptr, "SELECT k.owner," CONSTRAINT_ROW},
    {"USER_CONSTRAINTS", nullptr, "SELECT k.owner," CONSTRAINT_ROW},
    {"ALL_CONS_COLUMNS",
     "OWNER VARCHAR2(128), CONSTRAINT_NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128),"
     " COLUMN_NAME VARCHAR2(4000), POSITION NUMBER",
     "SELECT k.owner," CONSTRAINT_NAME_OF(
         "k") ",k.table_name,c.column_name,c.position FROM main.vantro_constraints k"
              " JOIN main.vantro_cons_columns c ON c.constraint_id=k.id WHERE k.owner=$U"},
    {"USER_CONS_COLUMNS",
     "OWNER VARCHAR2(128), CONSTRAINT_NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128),"
     " COLUMN_NAME VARCHAR2(4000), POSITION NUMBER",
     "SELECT * FROM temp.\"ALL_CONS_COLUMNS\""},
    {"DBA_USERS",
     "USERNAME VARCHAR2(128), USER_ID NUMBER, PASSWORD VARCHAR2(30), ACCOUNT_STATUS VARCHAR2(32),"
     " LOCK_DATE DATE, EXPIRY_DATE DATE, DEFAULT_TABLESPACE VARCHAR2(30), TEMPORARY_TABLESPACE VARCHAR2(30),"
     " CREATED DATE, PROFILE VARCHAR2(128), INITIAL_RSRC_CONSUMER_GROUP VARCHAR2(128), EXTERNAL_NAME VARCHAR2(4000)",
     "SELECT u.name,CASE u.name WHEN 'SYS' THEN 0 ELSE u.rowid+100 END,CASE WHEN u.password_digest IS NULL THEN"
     " 'EXTERNAL' WHEN $U='SYS' OR EXISTS (SELECT 1 FROM temp.\"SESSION_ROLES\" WHERE role IN ('DBA',"
     "'SELECT_CATALOG_ROLE')) THEN upper(u.password_digest) END,CASE WHEN coalesce(s.expired,0)<>0 AND coalesce(s.locked,0)<>0"
     " THEN 'EXPIRED & LOCKED' WHEN coalesce(s.expired,0)<>0 THEN 'EXPIRED' WHEN coalesce(s.locked,0)<>0 THEN"
     " 'LOCKED' ELSE 'OPEN' END,s.lock_date,NULL,coalesce(s.default_tablespace,'USERS'),"
     "coalesce(s.temporary_tablespace,'TEMP'),u.created,coalesce(s.profile,'DEFAULT'),'DEFAULT_CONSUMER_GROUP',NULL"
     " FROM main.vantro_users u LEFT JOIN main.vantro_user_settings s ON s.name=u.name WHERE u.name<>'PUBLIC'"},
    // Roles and the privileges granted (catalog/users_ddl.cpp). Every user may do
    // everything in its own schema whatever it was granted; the grants decide what it
    // may do beyond it.
    {"DBA_ROLES", "ROLE VARCHAR2(128), PASSWORD_REQUIRED VARCHAR2(8)", "SELECT name,'NO' FROM main.vantro_roles"},
    {"DBA_SYS_PRIVS", "GRANTEE VARCHAR2(128), PRIVILEGE VARCHAR2(40), ADMIN_OPTION VARCHAR2(3)",
     "SELECT grantee,privilege,CASE WHEN admin_option<>0 THEN 'YES' ELSE 'NO' END FROM main.vantro_sys_privs"},
    {"USER_SYS_PRIVS", "USERNAME VARCHAR2(128), PRIVILEGE VARCHAR2(40), ADMIN_OPTION VARCHAR2(3)",
     "SELECT grantee,privilege,CASE WHEN admin_option<>0 THEN 'YES' ELSE 'NO' END FROM main.vantro_sys_privs"
     " WHERE grantee IN ($U,'PUBLIC')"},
    {"DBA_ROLE_PRIVS",
     "GRANTEE VARCHAR2(128), GRANTED_ROLE VARCHAR2(128), ADMIN_OPTION VARCHAR2(3), DEFAULT_ROLE VARCHAR2(3)",
     "SELECT grantee,granted_role,CASE WHEN admin_option<>0 THEN 'YES' ELSE 'NO' END,'YES'"
     " FROM main.vantro_role_privs"},
    {"USER_ROLE_PRIVS",
     "USERNAME VARCHAR2(128), GRANTED_ROLE VARCHAR2(128), ADMIN_OPTION VARCHAR2(3), DEFAULT_ROLE VARCHAR2(3),"
     " OS_GRANTED VARCHAR2(3)",
     "SELECT grantee,granted_role,CASE WHEN admin_option<>0 THEN 'YES' ELSE 'NO' END,'YES','NO'"
     " FROM main.vantro_role_privs WHERE grantee IN ($U,'PUBLIC')"},
    {"SESSION_ROLES", "ROLE VARCHAR2(128)", "SELECT name FROM (" SESSION_ROLES ") WHERE name NOT IN ($U,'PUBLIC')"},
    {"ROLE_SYS_PRIVS", "ROLE VARCHAR2(128), PRIVILEGE VARCHAR2(40), ADMIN_OPTION VARCHAR2(3)",
     "SELECT grantee,privilege,CASE WHEN admin_option<>0 THEN 'YES' ELSE 'NO' END FROM main.vantro_sys_privs"
     " WHERE grantee IN (SELECT name FROM (" SESSION_ROLES ") WHERE name NOT IN ($U,'PUBLIC'))"},
    {"SESSION_PRIVS", "PRIVILEGE VARCHAR2(40)",
     "SELECT DISTINCT privilege FROM main.vantro_sys_privs WHERE grantee IN (SELECT name FROM (" SESSION_ROLES "))"
     " OR (grantee='DBA' AND $U IN ('SYS','SYSTEM'))"},
    {"DBA_TAB_PRIVS", TAB_PRIVS_COLUMNS, "SELECT " TAB_PRIVS_ROW},
    {"USER_TAB_PRIVS", TAB_PRIVS_COLUMNS, "SELECT " TAB_PRIVS_ROW " WHERE $U IN (grantee,owner,grantor)"},
    {"ALL_TAB_PRIVS",
     "GRANTOR VARCHAR2(128), GRANTEE VARCHAR2(128), TABLE_SCHEMA VARCHAR2(128), TABLE_NAME VARCHAR2(128),"
     " PRIVILEGE VARCHAR2(40), GRANTABLE VARCHAR2(3), HIERARCHY VARCHAR2(3)",
     "SELECT grantor,grantee,owner,table_name,privilege,CASE WHEN grantable<>0 THEN 'YES' ELSE 'NO' END,'NO'"
     " FROM main.vantro_tab_privs WHERE $U IN (grantor,owner) OR grantee IN (SELECT name FROM (" SESSION_ROLES "))"},
    {"USER_TAB_PRIVS_MADE",
     "GRANTEE VARCHAR2(128), TABLE_NAME VARCHAR2(128), GRANTOR VARCHAR2(128), PRIVILEGE VARCHAR2(40),"
     " GRANTABLE VARCHAR2(3), HIERARCHY VARCHAR2(3)",
     "SELECT grantee,table_name,grantor,privilege,CASE WHEN grantable<>0 THEN 'YES' ELSE 'NO' END,'NO'"
     " FROM main.vantro_tab_privs WHERE owner=$U"},
    {"USER_TAB_PRIVS_RECD",
     "OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), GRANTOR VARCHAR2(128), PRIVILEGE VARCHAR2(40),"
     " GRANTABLE VARCHAR2(3), HIERARCHY VARCHAR2(3)",
     "SELECT owner,table_name,grantor,privilege,CASE WHEN grantable<>0 THEN 'YES' ELSE 'NO' END,'NO'"
     " FROM main.vantro_tab_privs WHERE grantee=$U"},
    {"DBA_PROFILES", "PROFILE VARCHAR2(128), RESOURCE_NAME VARCHAR2(32), RESOURCE_TYPE VARCHAR2(8), LIMIT VARCHAR2(40)",
     "SELECT 'DEFAULT',r,t,'UNLIMITED' FROM (SELECT 'COMPOSITE_LIMIT' r,'KERNEL' t UNION ALL SELECT"
     " 'SESSIONS_PER_USER','KERNEL' UNION ALL SELECT 'CPU_PER_SESSION','KERNEL' UNION ALL SELECT 'CPU_PER_CALL',"
     "'KERNEL' UNION ALL SELECT 'LOGICAL_READS_PER_SESSION','KERNEL' UNION ALL SELECT 'LOGICAL_READS_PER_CALL',"
     "'KERNEL' UNION ALL SELECT 'IDLE_TIME','KERNEL' UNION ALL SELECT 'CONNECT_TIME','KERNEL' UNION ALL SELECT"
     " 'PRIVATE_SGA','KERNEL' UNION ALL SELECT 'FAILED_LOGIN_ATTEMPTS','PASSWORD' UNION ALL SELECT"
     " 'PASSWORD_LIFE_TIME','PASSWORD' UNION ALL SELECT 'PASSWORD_REUSE_TIME','PASSWORD' UNION ALL SELECT"
     " 'PASSWORD_REUSE_MAX','PASSWORD' UNION ALL SELECT 'PASSWORD_LOCK_TIME','PASSWORD' UNION ALL SELECT"
     " 'PASSWORD_GRACE_TIME','PASSWORD')"},
    {"DBA_TABLESPACES",
     "TABLESPACE_NAME VARCHAR2(30), BLOCK_SIZE NUMBER, INITIAL_EXTENT NUMBER, NEXT_EXTENT NUMBER,"
     " MIN_EXTENTS NUMBER, MAX_EXTENTS NUMBER, PCT_INCREASE NUMBER, MIN_EXTLEN NUMBER, STATUS VARCHAR2(9),"
     " CONTENTS VARCHAR2(9), LOGGING VARCHAR2(9), FORCE_LOGGING VARCHAR2(3), EXTENT_MANAGEMENT VARCHAR2(10),"
     " ALLOCATION_TYPE VARCHAR2(9), PLUGGED_IN VARCHAR2(3), SEGMENT_SPACE_MANAGEMENT VARCHAR2(6)",
     "SELECT 'USERS',(SELECT page_size FROM pragma_page_size($U)),65536,NULL,1,2147483645,NULL,65536,'ONLINE',"
     "'PERMANENT','LOGGING','NO','LOCAL','SYSTEM','NO','AUTO'"},
    {"ALL_CLUSTERS", "OWNER VARCHAR2(128), CLUSTER_NAME VARCHAR2(128), TABLESPACE_NAME VARCHAR2(30)",
     "SELECT NULL,NULL,NULL WHERE 0"},
    {"ALL_DIRECTORIES", "OWNER VARCHAR2(128), DIRECTORY_NAME VARCHAR2(128), DIRECTORY_PATH VARCHAR2(4000)",
     "SELECT NULL,NULL,NULL WHERE 0"},
    {"ALL_INDEXTYPES",
     "OWNER VARCHAR2(128), INDEXTYPE_NAME VARCHAR2(128), IMPLEMENTATION_SCHEMA VARCHAR2(128),"
     " IMPLEMENTATION_NAME VARCHAR2(128), NUMBER_OF_OPERATORS NUMBER",
     "SELECT NULL,NULL,NULL,NULL,NULL WHERE 0"},
    {"ALL_LIBRARIES",
     "OWNER VARCHAR2(128), LIBRARY_NAME VARCHAR2(128), FILE_SPEC VARCHAR2(2000), DYNAMIC VARCHAR2(1),"
     " STATUS VARCHAR2(7)",
     "SELECT NULL,NULL,NULL,NULL,NULL WHERE 0"},
    {"ALL_OPERATORS", "OWNER VARCHAR2(128), OPERATOR_NAME VARCHAR2(128), NUMBER_OF_BINDS NUMBER",
     "SELECT NULL,NULL,NULL WHERE 0"},
    {"ALL_OUTLINES",
     "NAME VARCHAR2(128), OWNER VARCHAR2(128), CATEGORY VARCHAR2(128), USED VARCHAR2(6),"
     " TIMESTAMP DATE, VERSION VARCHAR2(64), SQL_TEXT LONG",
     "SELECT NULL,NULL,NULL,NULL,NULL,NULL,NULL WHERE 0"},
    {"ALL_SNAPSHOTS",
     "OWNER VARCHAR2(128), NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128), MASTER_VIEW VARCHAR2(128),"
     " MASTER_OWNER VARCHAR2(128), MASTER VARCHAR2(128)",
     "SELECT NULL,NULL,NULL,NULL,NULL,NULL WHERE 0"},
    {"V$PARAMETER",
     "NUM NUMBER, NAME VARCHAR2(64), TYPE NUMBER, VALUE VARCHAR2(512), ISDEFAULT VARCHAR2(9),"
     " ISSES_MODIFIABLE VARCHAR2(5), ISSYS_MODIFIABLE VARCHAR2(9), ISMODIFIED VARCHAR2(10), ISADJUSTED VARCHAR2(5),"
     " DESCRIPTION VARCHAR2(64), UPDATE_COMMENT VARCHAR2(255)",
     "SELECT n,name,t,v,d,s,'FALSE',CASE WHEN d='FALSE' AND s='TRUE' THEN 'MODIFIED' ELSE 'FALSE' END,'FALSE',"
     "descr,NULL FROM ("
     "SELECT 1 n,'db_name' name,2 t,vantro_sys_context('USERENV','DB_NAME') v,'FALSE' d,'FALSE' s,"
     "'database name specified in CREATE DATABASE' descr"
     " UNION ALL SELECT 2,'db_block_size',3,(SELECT page_size FROM pragma_page_size($U)),'FALSE','FALSE',"
     "'Size of database block in bytes'"
     " UNION ALL SELECT 3,'db_cache_size',6,(SELECT CASE WHEN c.cache_size<0 THEN -1024*c.cache_size"
     " ELSE c.cache_size*p.page_size END FROM pragma_cache_size($U) c,pragma_page_size($U) p),'FALSE','FALSE',"
     "'Size of DEFAULT buffer pool for standard block size buffers'"
     " UNION ALL SELECT 4,'nls_date_format',2,vantro_sys_context('USERENV','NLS_DATE_FORMAT'),"
     "CASE WHEN vantro_sys_context('USERENV','NLS_DATE_FORMAT')='DD-MON-RR' THEN 'TRUE' ELSE 'FALSE' END,'TRUE',"
     "'NLS Oracle date format'"
     " UNION ALL SELECT 5,'nls_language',2,vantro_nls('NLS_LANGUAGE'),"
     "CASE WHEN vantro_nls('NLS_LANGUAGE')='AMERICAN' THEN 'TRUE' ELSE 'FALSE' END,'TRUE','NLS language name'"
     " UNION ALL SELECT 6,'nls_territory',2,vantro_nls('NLS_TERRITORY'),"
     "CASE WHEN vantro_nls('NLS_TERRITORY')='AMERICA' THEN 'TRUE' ELSE 'FALSE' END,'TRUE','NLS territory name'"
     " UNION ALL SELECT 7,'nls_numeric_characters',2,vantro_nls('NLS_NUMERIC_CHARACTERS'),"
     "CASE WHEN vantro_nls('NLS_NUMERIC_CHARACTERS')='.,' THEN 'TRUE' ELSE 'FALSE' END,'TRUE',"
     "'NLS numeric characters'"
     " UNION ALL SELECT 8,'control_files',2,(SELECT file FROM pragma_database_list WHERE name='main'),'FALSE',"
     "'FALSE','control file names list'"
     " UNION ALL SELECT 9,'db_files',3,(SELECT count(*) FROM pragma_database_list),'FALSE','FALSE',"
     "'max allowable # db files'"
     " UNION ALL SELECT 10,'timed_statistics',1,'TRUE','TRUE','FALSE','maintain internal timing statistics')"},
    {"NLS_SESSION_PARAMETERS", "PARAMETER VARCHAR2(30), VALUE VARCHAR2(64)",
     "SELECT p,vantro_nls(p) FROM (" NLS_NAMES ")"},
    {"NLS_INSTANCE_PARAMETERS", "PARAMETER VARCHAR2(30), VALUE VARCHAR2(64)",
     "SELECT p,CASE p WHEN 'NLS_LANGUAGE' THEN 'AMERICAN' WHEN 'NLS_TERRITORY' THEN 'AMERICA' WHEN 'NLS_COMP'"
     " THEN 'BINARY' WHEN 'NLS_LENGTH_SEMANTICS' THEN 'BYTE' WHEN 'NLS_NCHAR_CONV_EXCP' THEN 'FALSE' END"
     " FROM (" NLS_NAMES ")"},
    {"NLS_DATABASE_PARAMETERS", "PARAMETER VARCHAR2(128), VALUE VARCHAR2(64)", "SELECT p,v FROM (" NLS_DATABASE ")"},
    // The database's permanent properties: its default tablespaces and edition, its name
    // and time zone, and the NLS parameters it was created with.
    {"DATABASE_PROPERTIES", "PROPERTY_NAME VARCHAR2(128), PROPERTY_VALUE VARCHAR2(4000), DESCRIPTION VARCHAR2(4000)",
     "SELECT 'DICT.BASE','2','dictionary base tables version #' UNION ALL SELECT 'DEFAULT_TEMP_TABLESPACE','TEMP',"
     "'Name of default temporary tablespace' UNION ALL SELECT 'DEFAULT_PERMANENT_TABLESPACE','USERS',"
     "'Name of default permanent tablespace' UNION ALL SELECT 'DEFAULT_EDITION','ORA$BASE',"
     "'Name of the database default edition' UNION ALL SELECT 'DBTIMEZONE','+00:00','DB time zone'"
     " UNION ALL SELECT 'DEFAULT_TBS_TYPE','SMALLFILE','Default tablespace type'"
     " UNION ALL SELECT 'GLOBAL_DB_NAME',vantro_sys_context('USERENV','DB_NAME'),'Global database name'"
     " UNION ALL SELECT p,v,CASE p WHEN 'NLS_RDBMS_VERSION' THEN 'RDBMS version for NLS parameters'"
     " ELSE p||' parameter' END FROM (" NLS_DATABASE ")"},
    {"V$NLS_PARAMETERS", "PARAMETER VARCHAR2(64), VALUE VARCHAR2(64)",
     "SELECT p,vantro_nls(p) FROM (" NLS_NAMES ") UNION ALL SELECT 'NLS_CHARACTERSET','AL32UTF8'"
     " UNION ALL SELECT 'NLS_NCHAR_CHARACTERSET','AL16UTF16'"},
    {"V$STATNAME", "STATISTIC# NUMBER, NAME VARCHAR2(64), CLASS NUMBER", STATISTICS},
    {"V$SESSTAT", "SID NUMBER, STATISTIC# NUMBER, VALUE NUMBER",
     "SELECT vantro_session_id(),n,vantro_statistic(n) FROM (" STATISTICS ")"},
    {"V$MYSTAT", "SID NUMBER, STATISTIC# NUMBER, VALUE NUMBER",
     "SELECT vantro_session_id(),n,vantro_statistic(n) FROM (" STATISTICS ")"},
    // The instance and its database. The GV$ forms add the instance number of the one
    // instance there is.
    {"V$VERSION", VERSION_COLUMNS, VERSION_ROW},
    {"GV$VERSION", "INST_ID NUMBER, " VERSION_COLUMNS, "SELECT 1,* FROM (" VERSION_ROW ")"},
    {"V$INSTANCE", INSTANCE_COLUMNS, INSTANCE_ROW},
    {"GV$INSTANCE", "INST_ID NUMBER, " INSTANCE_COLUMNS, "SELECT 1,* FROM (" INSTANCE_ROW ")"},
    {"V$DATABASE", DATABASE_COLUMNS, DATABASE_ROW},
    {"GV$DATABASE", "INST_ID NUMBER, " DATABASE_COLUMNS, "SELECT 1,* FROM (" DATABASE_ROW ")"},
    {"PRODUCT_COMPONENT_VERSION",
     "PRODUCT VARCHAR2(80), VERSION VARCHAR2(80), VERSION_FULL VARCHAR2(80),"
     " STATUS VARCHAR2(80)",
     "SELECT 'Vantro Embedded Database',vantro_instance('VERSION'),vantro_instance('VERSION'),'Production'"
     " UNION ALL SELECT 'SQLite',sqlite_version(),sqlite_version(),'Production'"},
    {"V$SESSION",
     "SID NUMBER, SERIAL# NUMBER, AUDSID NUMBER, USERNAME VARCHAR2(128), COMMAND NUMBER,"
     " STATUS VARCHAR2(8), SERVER VARCHAR2(9), SCHEMANAME VARCHAR2(128), OSUSER VARCHAR2(30), PROGRAM VARCHAR2(48),"
     " TYPE VARCHAR2(10), LOGON_TIME DATE, SQL_ID VARCHAR2(13), SQL_CHILD_NUMBER NUMBER, PREV_SQL_ID VARCHAR2(13),"
     " PREV_CHILD_NUMBER NUMBER",
     "SELECT vantro_session_id(),1,vantro_session_id(),$U,3,'ACTIVE','DEDICATED',$U,"
     "vantro_sys_context('USERENV','OS_USER'),'vantro','USER',vantro_sys_context('USERENV','LOGON_TIME'),"
     "vantro_sql_cursor_id('CURRENT'),CASE WHEN vantro_sql_cursor_id('CURRENT') IS NOT NULL THEN 0 END,"
     "vantro_sql_cursor_id('PREV'),CASE WHEN vantro_sql_cursor_id('PREV') IS NOT NULL THEN 0 END"},
    // The session's cursor cache (the statements its client ran), one child per statement.
    {"V$SQL",
     "SQL_ID VARCHAR2(13), SQL_TEXT VARCHAR2(1000), SQL_FULLTEXT CLOB, HASH_VALUE NUMBER, CHILD_NUMBER NUMBER,"
     " EXECUTIONS NUMBER, PARSE_CALLS NUMBER, LOADS NUMBER, PARSING_SCHEMA_NAME VARCHAR2(128)",
     "SELECT json_extract(value,'$[0]'),json_extract(value,'$[2]'),json_extract(value,'$[3]'),"
     "json_extract(value,'$[1]'),0,json_extract(value,'$[4]'),json_extract(value,'$[4]'),1,"
     "json_extract(value,'$[5]')"
     " FROM json_each(vantro_sql_area())"},
    {"V$SQLAREA",
     "SQL_ID VARCHAR2(13), SQL_TEXT VARCHAR2(1000), SQL_FULLTEXT CLOB, HASH_VALUE NUMBER, VERSION_COUNT NUMBER,"
     " EXECUTIONS NUMBER, PARSE_CALLS NUMBER, LOADS NUMBER, PARSING_SCHEMA_NAME VARCHAR2(128)",
     "SELECT json_extract(value,'$[0]'),json_extract(value,'$[2]'),json_extract(value,'$[3]'),"
     "json_extract(value,'$[1]'),1,json_extract(value,'$[4]'),json_extract(value,'$[4]'),1,"
     "json_extract(value,'$[5]')"
     " FROM json_each(vantro_sql_area())"},
};

// The columns of a view: its own list, or the USER_ form's list with the owner first
// (ALL_SEQUENCES names it SEQUENCE_OWNER).
std::string columns_of(const ViewDef& v) {
    if (v.columns) return v.columns;
    if (std::strstr(v.name, "CONSTRAINTS")) return kConstraintColumns;
    std::string base = std::string(v.name);
    std::string user_name = "USER_" + base.substr(base.find('_') + 1);
    const char* owner = base == "ALL_SEQUENCES" ? "SEQUENCE_OWNER VARCHAR2(128), " : "OWNER VARCHAR2(128), ";
    for (const ViewDef& u : kViews)
        if (user_name == u.name && u.columns) return std::string(owner) + u.columns;
    return std::string(owner) + kObjectColumns;
}

bool parse_columns(const std::string& list, std::vector<ColumnInfo>* out) {
    out->clear();
    std::size_t i = 0;
    while (i < list.size()) {
        std::size_t end = list.find(',', i);
        if (end == std::string::npos) end = list.size();
        std::string item = list.substr(i, end - i);
        i = end + 1;
        std::size_t a = item.find_first_not_of(' ');
        std::size_t sp = item.find(' ', a);
        if (a == std::string::npos || sp == std::string::npos) return false;
        ColumnInfo c;
        c.name = item.substr(a, sp - a);
        std::string type = item.substr(sp + 1);
        std::size_t paren = type.find('(');
        std::string base = type.substr(0, paren);
        std::uint32_t size =
            paren == std::string::npos ? 0 : static_cast<std::uint32_t>(std::atoi(type.c_str() + paren + 1));
        if (base == "VARCHAR2") {
            c.type.code = kTypeVarchar2;
            c.type.size = size;
        } else if (base == "CHAR") {
            c.type.code = kTypeChar;
            c.type.size = size;
        } else if (base == "NUMBER") {
            c.type.code = kTypeNumber;
            c.type.size = 22;
            c.type.scale = -127;
        } else if (base == "DATE") {
            c.type.code = kTypeDate;
            c.type.size = 7;
        } else if (base == "CLOB") {
            c.type.code = kTypeClob;
            c.type.size = 4000;
        } else if (base == "LONG") {
            c.type.code = kTypeLong;
            c.type.size = 0;
        } else if (base == "RAW") {
            c.type.code = kTypeRaw;
            c.type.size = size;
        } else {
            return false;
        }
        out->push_back(c);
    }
    return true;
}

std::string expand(const char* sql, const std::string& user) {
    std::string quoted_name = "\"" + user + "\"";
    std::string quoted_text = "'" + user + "'";
    std::string r;
    for (const char* p = sql; *p; ++p) {
        if (p[0] == '$' && p[1] == 'S') {
            r += quoted_name;
            ++p;
        } else if (p[0] == '$' && p[1] == 'U') {
            r += quoted_text;
            ++p;
        } else {
            r += *p;
        }
    }
    return r;
}

using catalog_sqlite::settings_of;

using catalog_sqlite::result_text;

std::string upper(const unsigned char* p) {
    std::string s;
    for (; p && *p; ++p) s += static_cast<char>(std::toupper(*p));
    return s;
}

// The number ALL_USERS shows for the user name (SYS 0); NULL when there is no such user.
void result_user_id(sqlite3_context* ctx, const std::string& name) {
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(sqlite3_context_db_handle(ctx),
                           "SELECT CASE name WHEN 'SYS' THEN 0 ELSE rowid+100 END FROM main.vantro_users WHERE name=?1",
                           -1, &q, nullptr) != SQLITE_OK) {
        sqlite3_finalize(q);
        return sqlite3_result_null(ctx);
    }
    sqlite3_bind_text(q, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(q) == SQLITE_ROW)
        sqlite3_result_int64(ctx, sqlite3_column_int64(q, 0));
    else
        sqlite3_result_null(ctx);
    sqlite3_finalize(q);
}

// The USERENV parameters whose value is a fact of every session here: a local database
// reached without a network, by password, in a database that is no container, has no
// domain, proxies, editions or standby role. nullptr: the parameter is NULL, as Oracle
// gives it for such a session.
struct FixedUserenv {
    const char* name;
    const char* value;
};
const FixedUserenv kFixedUserenv[] = {
    {"AUTHENTICATION_METHOD", "PASSWORD"},
    {"IDENTIFICATION_TYPE", "LOCAL"},
    {"CURRENT_EDITION_NAME", "ORA$BASE"},
    {"SESSION_EDITION_NAME", "ORA$BASE"},
    {"DATABASE_ROLE", "PRIMARY"},
    {"CON_ID", "0"},
    {"CLIENT_PROGRAM_NAME", "vantro"},
    {"IP_ADDRESS", nullptr},
    {"NETWORK_PROTOCOL", nullptr},
    {"PROXY_USER", nullptr},
    {"PROXY_USERID", nullptr},
    {"CLIENT_IDENTIFIER", nullptr},
    {"DB_DOMAIN", nullptr},
    {"BG_JOB_ID", nullptr},
    {"FG_JOB_ID", "0"},
    {"EXTERNAL_NAME", nullptr},
    {"ENTERPRISE_IDENTITY", nullptr},
};

// SYS_CONTEXT('USERENV', parameter): the session's own values. Other namespaces hold no
// values here (there is no CREATE CONTEXT), so they answer NULL as an unset one does.
void fn_sys_context(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string ns = upper(sqlite3_value_text(argv[0]));
    std::string p = upper(sqlite3_value_text(argv[1]));
    if (ns != "USERENV") {
        sqlite3_result_null(ctx);
        return;
    }
    const SessionSettings* s = settings_of(ctx);
    std::string nls;
    if (p.compare(0, 4, "NLS_") == 0 && session_nls_value(*s, p, &nls)) return result_text(ctx, nls);
    if (p == "CURRENT_SCHEMA") return result_text(ctx, s->current_schema.empty() ? s->user : s->current_schema);
    if (p == "SESSION_USER" || p == "CURRENT_USER") return result_text(ctx, s->user);
    if (p == "SESSION_USERID" || p == "CURRENT_USERID") return result_user_id(ctx, s->user);
    if (p == "CURRENT_SCHEMAID" || p == "SCHEMAID")
        return result_user_id(ctx, s->current_schema.empty() ? s->user : s->current_schema);
    if (p == "ISDBA") return result_text(ctx, s->user == "SYS" ? "TRUE" : "FALSE");
    if (p == "DB_NAME" || p == "INSTANCE_NAME") return result_text(ctx, s->db_name);
    if (p == "SESSIONID") return sqlite3_result_int64(ctx, s->session_id);
    if (p == "LANGUAGE") return result_text(ctx, s->nls_language + "_" + s->nls_territory + ".AL32UTF8");
    // The language's abbreviation, of the languages a session can set.
    if (p == "LANG") return result_text(ctx, s->nls_language == "ENGLISH" ? "GB" : "US");
    if (p == "OS_USER") return result_text(ctx, s->os_user);
    if (p == "LOGON_TIME") return result_text(ctx, s->logon_time);
    if (p == "INSTANCE") return sqlite3_result_int(ctx, 1);
    if (p == "SERVER_HOST" || p == "HOST") return result_text(ctx, os_host_name());
    if (p == "SID") return sqlite3_result_int64(ctx, s->session_id);
    if (p == "TERMINAL") return result_text(ctx, "unknown");
    if (p == "CON_NAME" || p == "DB_UNIQUE_NAME" || p == "SERVICE_NAME") return result_text(ctx, s->db_name);
    if (p == "AUTHENTICATED_IDENTITY") return result_text(ctx, s->user);
    for (const FixedUserenv& f : kFixedUserenv)
        if (p == f.name) return f.value ? result_text(ctx, f.value) : sqlite3_result_null(ctx);
    // DBMS_APPLICATION_INFO's settings; unset ones are NULL.
    const std::string* app = p == "MODULE"        ? &s->module
                             : p == "ACTION"      ? &s->action
                             : p == "CLIENT_INFO" ? &s->client_info
                                                  : nullptr;
    if (app) return app->empty() ? sqlite3_result_null(ctx) : result_text(ctx, *app);
    std::string msg = ora_line(2003);
    sqlite3_result_error(ctx, msg.c_str(), -1);
}

// When the engine (the one instance there is) started: the first logon of the process.
const std::string& instance_startup_time() {
    static const std::string started = clock_now_stored();
    return started;
}

// vantro_instance(item): facts of the instance and its database that V$VERSION,
// V$INSTANCE and V$DATABASE show. The banner is the one the server version call gives.
void fn_instance(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* raw = sqlite3_value_text(argv[0]);
    std::string item = raw ? reinterpret_cast<const char*>(raw) : "";
    const std::string banner =
        std::string("Vantro Embedded Database Release ") + VANTRO_VERSION + " - SQLite " + sqlite3_libversion();
    if (item == "BANNER") return result_text(ctx, banner);
    if (item == "BANNER_FULL") return result_text(ctx, banner + "\nVersion " + VANTRO_VERSION_FIVE);
    if (item == "VERSION") return result_text(ctx, VANTRO_VERSION_FIVE);
    if (item == "STARTUP_TIME") return result_text(ctx, instance_startup_time());
    if (item == "PLATFORM_ID") return sqlite3_result_int(ctx, os_platform_id());
    if (item == "PLATFORM_NAME") return result_text(ctx, os_platform_name());
    if (item == "DBID") {
        // A stable number of the database: a hash of its name and creation time.
        std::string key = settings_of(ctx)->db_name;
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(sqlite3_context_db_handle(ctx), "SELECT min(created) FROM main.vantro_users", -1, &q,
                               nullptr) == SQLITE_OK &&
            sqlite3_step(q) == SQLITE_ROW && sqlite3_column_text(q, 0))
            key += reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
        std::uint32_t h = 2166136261u;
        for (unsigned char c : key) h = (h ^ c) * 16777619u;
        return sqlite3_result_int64(ctx, h & 0x7fffffff);
    }
    sqlite3_result_null(ctx);
}

// vantro_index_name(owner, index, table): the index's Oracle name. SQLite's automatic
// indexes of PRIMARY KEY and UNIQUE constraints are known by their constraint's name,
// as Oracle names the index it creates for one; NULL for SQLite's other internal names.
void fn_index_name(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* owner_raw = sqlite3_value_text(argv[0]);
    const unsigned char* raw = sqlite3_value_text(argv[1]);
    const unsigned char* table_raw = sqlite3_value_text(argv[2]);
    if (!owner_raw || !raw || !table_raw) return sqlite3_result_null(ctx);
    std::string owner = reinterpret_cast<const char*>(owner_raw);
    std::string index = reinterpret_cast<const char*>(raw);
    if (index.compare(0, 7, "sqlite_") != 0) return result_text(ctx, index);
    if (index.compare(0, 17, "sqlite_autoindex_") != 0 || !catalog_valid_user_name(owner))
        return sqlite3_result_null(ctx);
    sqlite3* db = sqlite3_context_db_handle(ctx);
    std::string columns;
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_index_info(?1,?2) ORDER BY seqno", -1, &q, nullptr) ==
        SQLITE_OK) {
        sqlite3_bind_text(q, 1, index.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(q, 2, owner.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(q) == SQLITE_ROW)
            columns +=
                (columns.empty() ? "" : ",") + std::string(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)));
    }
    sqlite3_finalize(q);
    std::string named = catalog_constraint_name(db, owner, reinterpret_cast<const char*>(table_raw), 'U', columns);
    std::size_t dot = named.find('.');
    if (dot == std::string::npos) return sqlite3_result_null(ctx);
    result_text(ctx, named.substr(dot + 1));
}

// vantro_constraint_index(owner, table, constraint id, constraint name): the Oracle name
// of the index that enforces an enabled primary or unique key: the index of the table
// whose columns are the key's (SQLite's automatic one is known by the constraint's name);
// NULL for other constraints and for a key without one.
void fn_constraint_index(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* owner_raw = sqlite3_value_text(argv[0]);
    const unsigned char* table_raw = sqlite3_value_text(argv[1]);
    const unsigned char* name_raw = sqlite3_value_text(argv[3]);
    if (!owner_raw || !table_raw || !name_raw) return sqlite3_result_null(ctx);
    std::string owner = reinterpret_cast<const char*>(owner_raw);
    if (!catalog_valid_user_name(owner)) return sqlite3_result_null(ctx);
    sqlite3* db = sqlite3_context_db_handle(ctx);
    auto column_list = [&](const char* sql, const std::string& a, const std::string& b, long long id) {
        std::string out;
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &q, nullptr) == SQLITE_OK) {
            if (id >= 0)
                sqlite3_bind_int64(q, 1, id);
            else {
                sqlite3_bind_text(q, 1, a.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(q, 2, b.c_str(), -1, SQLITE_TRANSIENT);
            }
            while (sqlite3_step(q) == SQLITE_ROW)
                if (const unsigned char* t = sqlite3_column_text(q, 0))
                    out += (out.empty() ? "" : ",") + std::string(reinterpret_cast<const char*>(t));
        }
        sqlite3_finalize(q);
        return out;
    };
    std::string key = column_list(
        "SELECT column_name FROM main.vantro_cons_columns WHERE constraint_id=?1"
        " ORDER BY position",
        "", "", sqlite3_value_int64(argv[2]));
    if (key.empty()) return sqlite3_result_null(ctx);
    std::vector<std::string> indexes;
    {
        std::string table = reinterpret_cast<const char*>(table_raw);
        sqlite3_stmt* q = nullptr;
        // Indexes made for keys first, then the others by name.
        if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_index_list(?1,?2) ORDER BY origin='c', name", -1, &q,
                               nullptr) == SQLITE_OK) {
            sqlite3_bind_text(q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(q, 2, owner.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(q) == SQLITE_ROW)
                indexes.push_back(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)));
        }
        sqlite3_finalize(q);
    }
    for (const std::string& index : indexes) {
        if (column_list("SELECT name FROM pragma_index_info(?1,?2) ORDER BY seqno", index, owner, -1) != key) continue;
        if (index.compare(0, 17, "sqlite_autoindex_") == 0)
            return result_text(ctx, reinterpret_cast<const char*>(name_raw));
        if (index.compare(0, 7, "sqlite_") != 0) return result_text(ctx, index);
    }
    sqlite3_result_null(ctx);
}

void fn_session_id(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_int64(ctx, settings_of(ctx)->session_id);
}

// The value of one statistic for the session. The cache counters are SQLite's own for
// the session's connection: a page found in the cache is a consistent get, a page read
// from the file a physical read, a page written a block change (db block get), and the
// bytes of written pages the redo.
void fn_statistic(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const SessionSettings* s = settings_of(ctx);
    sqlite3* db = sqlite3_context_db_handle(ctx);
    int cur = 0, hi = 0;
    auto db_status = [&](int op) {
        cur = 0;
        sqlite3_db_status(db, op, &cur, &hi, 0);
        return static_cast<sqlite3_int64>(cur);
    };
    sqlite3_int64 page = 4096;
    {
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA main.page_size", -1, &q, nullptr) == SQLITE_OK &&
            sqlite3_step(q) == SQLITE_ROW)
            page = sqlite3_column_int64(q, 0);
        sqlite3_finalize(q);
    }
    switch (sqlite3_value_int(argv[0])) {
    case 7:
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s->stats.recursive_calls));
    case 38:
        return sqlite3_result_int64(ctx, db_status(SQLITE_DBSTATUS_CACHE_WRITE));
    case 39:
        return sqlite3_result_int64(ctx, db_status(SQLITE_DBSTATUS_CACHE_HIT));
    case 40:
        return sqlite3_result_int64(ctx, db_status(SQLITE_DBSTATUS_CACHE_MISS));
    case 44:
        return sqlite3_result_int64(ctx, db_status(SQLITE_DBSTATUS_CACHE_WRITE) * page);
    case 182:
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s->stats.bytes_sent));
    case 183:
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s->stats.bytes_received));
    case 184:
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s->stats.roundtrips));
    case 188:
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s->stats.sorts));
    case 189:
        return sqlite3_result_int64(ctx, 0);
    default:
        sqlite3_result_null(ctx);
    }
}

bool run_script(sqlite3* db, const std::string& sql, OraError* err) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) == SQLITE_OK) return true;
    *err = ora_from_sqlite(sqlite3_extended_errcode(db), msg ? msg : "dictionary");
    sqlite3_free(msg);
    return false;
}

}  // namespace

bool dictionary_view_columns(const std::string& name, std::vector<ColumnInfo>* columns) {
    for (const ViewDef& v : kViews)
        if (name == v.name) return parse_columns(columns_of(v), columns);
    return false;
}

namespace {

// vantro_may_see(owner, name): 1 when the session holds some privilege on another
// schema's object (the ALL_ views list it), else 0.
void fn_may_see(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* owner = sqlite3_value_text(argv[0]);
    const unsigned char* name = sqlite3_value_text(argv[1]);
    if (!owner || !name) return sqlite3_result_int(ctx, 0);
    sqlite3* db = sqlite3_context_db_handle(ctx);
    sqlite3_result_int(ctx, users_object_access(db, reinterpret_cast<const char*>(owner),
                                                reinterpret_cast<const char*>(name), std::string()) == 0);
}

// vantro_column_uses(owner, table, column): "YYY" for a table's column; for a view's,
// whether DML through the view may update, insert and delete it (Y or N each).
void fn_column_uses(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* owner = sqlite3_value_text(argv[0]);
    const unsigned char* table = sqlite3_value_text(argv[1]);
    const unsigned char* column = sqlite3_value_text(argv[2]);
    if (!owner || !table || !column) return sqlite3_result_null(ctx);
    SqliteCatalog catalog(sqlite3_context_db_handle(ctx));
    std::vector<ViewColumnUse> uses;
    std::string letters = "YYY";
    if (view_column_uses(&catalog, reinterpret_cast<const char*>(owner), reinterpret_cast<const char*>(table), &uses)) {
        letters = "NNN";
        for (const ViewColumnUse& u : uses)
            if (u.name == reinterpret_cast<const char*>(column))
                letters = std::string(u.updatable ? "Y" : "N") + (u.insertable ? "Y" : "N") + (u.deletable ? "Y" : "N");
    }
    sqlite3_result_text(ctx, letters.c_str(), 3, SQLITE_TRANSIENT);
}

// vantro_view_valid(owner, name): 1 when the view compiles, that is SQLite has it and
// everything it reads exists; else 0 (created with FORCE over what is missing, or a
// table it reads was dropped).
bool view_compiles(sqlite3* db, const std::string& owner, const std::string& name);

void fn_view_valid(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* owner = sqlite3_value_text(argv[0]);
    const unsigned char* name = sqlite3_value_text(argv[1]);
    if (!owner || !name) return sqlite3_result_int(ctx, 0);
    sqlite3_result_int(ctx, view_compiles(sqlite3_context_db_handle(ctx), reinterpret_cast<const char*>(owner),
                                          reinterpret_cast<const char*>(name)));
}

}  // namespace

bool dictionary_functions_register(sqlite3* db, SessionSettings* settings) {
    const int flags = SQLITE_UTF8;
    if (sqlite3_create_function(db, "vantro_constraint_index", 4, flags, nullptr, fn_constraint_index, nullptr,
                                nullptr) != SQLITE_OK)
        return false;
    if (!statistics_functions_register(db) || !dictionary_types_register(db) ||
        sqlite3_create_function(db, "vantro_index_name", 3, flags, nullptr, fn_index_name, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function(db, "vantro_may_see", 2, flags, nullptr, fn_may_see, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "vantro_view_valid", 2, flags, nullptr, fn_view_valid, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function(db, "vantro_column_uses", 3, flags, nullptr, fn_column_uses, nullptr, nullptr) !=
            SQLITE_OK)
        return false;
    return sqlite3_create_function(db, "vantro_sys_context", 2, flags, settings, fn_sys_context, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_session_id", 0, flags, settings, fn_session_id, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_statistic", 1, flags, settings, fn_statistic, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_instance", 1, flags, settings, fn_instance, nullptr, nullptr) ==
               SQLITE_OK;
}

// Databases written before constraints were numbered kept one row per constraint with
// its columns comma-joined. They are carried over once, every name kept as it was.
bool migrate_old_constraints(sqlite3* db, OraError* err) {
    bool old_layout = false;
    {
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT 1 FROM pragma_table_info('vantro_constraints','main') WHERE name='columns'",
                               -1, &q, nullptr) == SQLITE_OK)
            old_layout = sqlite3_step(q) == SQLITE_ROW;
        sqlite3_finalize(q);
    }
    if (!old_layout) return true;
    if (!run_script(db, "SAVEPOINT vantro_migrate; ALTER TABLE main.vantro_constraints RENAME TO vantro_constraints_old;",
              err))
        return false;
    std::vector<std::string> sql;
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT owner,constraint_name,constraint_type,table_name,columns,r_table_name,r_columns,"
                           "delete_rule,search_condition FROM main.vantro_constraints_old"
                           " ORDER BY constraint_type NOT IN ('P','U')",
                           -1, &q, nullptr) == SQLITE_OK) {
        auto text = [&](int i) {
            const unsigned char* t = sqlite3_column_text(q, i);
            return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
        };
        auto split = [](const std::string& list) {
            std::vector<std::string> parts;
            std::size_t start = 0;
            while (!list.empty() && start <= list.size()) {
                std::size_t comma = list.find(',', start);
                if (comma == std::string::npos) comma = list.size();
                parts.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
            return parts;
        };
        while (sqlite3_step(q) == SQLITE_ROW) {
            ConstraintRecord r;
            r.name = text(1);
            r.type = text(2).empty() ? 'C' : text(2)[0];
            r.columns = split(text(4));
            r.column_positions = r.type != 'C';
            r.r_table = text(5);
            r.r_columns = split(text(6));
            r.delete_rule = text(7);
            r.search_condition = text(8);
            constraints_record_sql(text(0), text(3), r, &sql);
        }
    }
    sqlite3_finalize(q);
    sql.push_back("DROP TABLE main.vantro_constraints_old");
    sql.push_back("RELEASE vantro_migrate");
    std::string all = std::string(kDictionarySchema);
    for (const std::string& one : sql) all += ";" + one;
    if (!run_script(db, all, err)) {
        sqlite3_exec(db, "ROLLBACK TO vantro_migrate; RELEASE vantro_migrate", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

bool dictionary_install(sqlite3* db, const std::string& user, SessionSettings* settings, OraError* err) {
    instance_startup_time();
    if (!migrate_old_constraints(db, err) || !run_script(db, kDictionarySchema, err)) return false;
    if (!run_script(db, "UPDATE main.vantro_sessions SET last_id=last_id+1", err)) return false;
    {
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT last_id FROM main.vantro_sessions", -1, &q, nullptr) == SQLITE_OK &&
            sqlite3_step(q) == SQLITE_ROW)
            settings->session_id = sqlite3_column_int64(q, 0);
        sqlite3_finalize(q);
        if (sqlite3_prepare_v2(db, "SELECT datetime('now','localtime')", -1, &q, nullptr) == SQLITE_OK &&
            sqlite3_step(q) == SQLITE_ROW)
            settings->logon_time = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
    }
    if (!run_script(db,
              "CREATE TEMP VIEW IF NOT EXISTS vantro_live_objects(owner,object_name,object_type) AS " +
                  expand(kLiveObjects, user),
              err) ||
        !run_script(db,
              "CREATE TEMP VIEW IF NOT EXISTS vantro_reachable_objects(owner,object_name,object_type) AS " +
                  expand(kReachableObjects, user),
              err))
        return false;
    // A view SQLite refuses (a catalog table another part of the engine laid out
    // differently) is left out rather than refusing the logon: queries of it then fail
    // with an error of their own while every other view works.
    for (const ViewDef& v : kViews) {
        std::vector<ColumnInfo> cols;
        if (!parse_columns(columns_of(v), &cols)) continue;
        std::string sql = "CREATE TEMP VIEW IF NOT EXISTS \"" + std::string(v.name) + "\"(";
        for (std::size_t i = 0; i < cols.size(); ++i) sql += (i ? ",\"" : "\"") + cols[i].name + "\"";
        sql += ") AS " + expand(v.select, user);
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    return true;
}

// The register is brought up to date outside transactions only: written inside one, the
// catalog would stay locked for every other session until this one commits. DDL runs
// outside transactions and registers its objects when it is done.
namespace {

bool view_compiles(sqlite3* db, const std::string& owner, const std::string& name) {
    const std::string sql = "SELECT 1 FROM \"" + owner + "\".\"" + name + "\"";
    sqlite3_stmt* q = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr);
    sqlite3_finalize(q);
    return rc == SQLITE_OK;
}

}  // namespace

bool dictionary_invalid_view(sqlite3* db, const std::string& schema, const std::vector<Token>& tokens,
                             std::string* name, std::uint32_t* offset) {
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM main.vantro_views WHERE owner=?1 AND view_name=?2", -1, &q, nullptr) !=
        SQLITE_OK)
        return false;
    auto is_name = [&](std::size_t i) {
        return i < tokens.size() && (tokens[i].kind == TokenKind::Word || tokens[i].kind == TokenKind::QuotedWord);
    };
    bool found = false;
    for (std::size_t i = 0; i < tokens.size() && !found; ++i) {
        if (!is_name(i)) continue;
        const bool qualified = i + 2 < tokens.size() && tokens[i + 1].kind == TokenKind::Operator &&
                               tokens[i + 1].text == "." && is_name(i + 2);
        const std::string owner = qualified ? tokens[i].text : schema;
        const std::string view = qualified ? tokens[i + 2].text : tokens[i].text;
        sqlite3_reset(q);
        sqlite3_bind_text(q, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(q, 2, view.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(q) == SQLITE_ROW && !view_compiles(db, owner, view)) {
            *name = owner + "." + view;
            *offset = tokens[i].offset;
            found = true;
        }
        if (qualified) i += 2;
    }
    sqlite3_finalize(q);
    return found;
}

void dictionary_sync_objects(sqlite3* db) {
    if (!sqlite3_get_autocommit(db) && sqlite3_txn_state(db, "main") != SQLITE_TXN_WRITE) return;
    sqlite3_exec(db,
                 "INSERT OR IGNORE INTO main.vantro_objects(owner,object_name,object_type,created,last_ddl_time)"
                 " SELECT owner,object_name,object_type,datetime('now','localtime'),datetime('now','localtime')"
                 " FROM temp.vantro_live_objects;"
                 "DELETE FROM main.vantro_objects WHERE NOT EXISTS (SELECT 1 FROM temp.vantro_live_objects l"
                 " WHERE l.owner=vantro_objects.owner AND l.object_name=vantro_objects.object_name"
                 " AND l.object_type=vantro_objects.object_type)"
                 " AND owner IN (SELECT owner FROM temp.vantro_live_objects)",
                 nullptr, nullptr, nullptr);
}

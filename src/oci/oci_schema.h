// The DDL writers of the schema browser: each reads one object from the data dictionary
// over the session and appends its DDL, piece by piece, to a schema pane through
// schema_print. The pane is the front end's (a Win32 edit control, the terminal's
// console and spool, the headless test host's text); the writers never touch it
// directly, so they run unchanged on every front end. Everything here runs on the thread
// that owns the session at that moment (the GUI thread, or the terminal's command).
#pragma once

#include <functional>
#include <string>

#include "console/console_buffer.h"  // VANTRO_PRINTF

// The common form of every writer: (pane window, owner, object name) -> 0 written,
// -1 failed (the failure was reported into the pane). The window is opaque to the core:
// it is handed back to the front end's schema pane sink.
using DdlWriter = int (*)(void* window, const char* owner, const char* name);

// Appends printf-formatted text to the schema pane of `window`; each "\n" is a line
// break of the pane.
void schema_print(void* window, const char* format, ...) VANTRO_PRINTF(2, 3);

// ---- the type table ------------------------------------------------------------------

struct SchemaWriterEntry {
    const char* object_type;  // exactly as all_objects.object_type gives it
    DdlWriter writer;
};
// The object types that have a writer, in lookup order.
extern const SchemaWriterEntry kSchemaWriters[];
extern const int kSchemaWriterCount;
// The writer of an object type (exact comparison), or null when the type has none.
DdlWriter schema_writer_for(const char* object_type);
// Writes the DDL of one object into the pane: the type's writer, or the line
// "Feature not implemented yet: <type>" when the type has none. Nothing is written for
// an empty name; while a statement worker of another thread runs, a line says so and
// nothing is read. Returns the writer's status (0 for the message, -1 for an empty name
// or a running statement).
int schema_show_ddl(void* window, const char* owner, const char* object_type, const char* name);

// ---- the browser's three lists (each name handed to `add`; nothing while a worker runs)

// Owners with at least one visible object, PUBLIC among them when it owns one.
void schema_list_owners(const std::function<void(const char*)>& add);
// The object types of an owner, partitions left out.
void schema_list_types(const char* owner, const std::function<void(const char*)>& add);
// The objects of one owner and type.
void schema_list_names(const char* owner, const char* object_type, const std::function<void(const char*)>& add);

// ---- tables (oci_schema_tables) ------------------------------------------------------

int schema_table_ddl(void* window, const char* owner, const char* table);
int schema_table_columns(void* window, const char* owner, const char* table);

// ---- constraints (oci_schema_constraints) --------------------------------------------

int schema_constraint_ddl(void* window, const char* owner, const char* constraint);
int schema_constraint_columns(void* window, const char* owner, const char* constraint);
int schema_constraint_ref_table(void* window, const char* owner, const char* ref_owner, const char* ref_constraint);
// True when the whole text matches the pattern: * any run, ? one character, [set] with
// ! or ^ to invert and a-z ranges, backslash quotes the next character. A malformed
// pattern (empty or unterminated set, trailing backslash) never matches.
bool wildcard_match(const char* pattern, const char* text);

// ---- indexes (oci_schema_indexes) ----------------------------------------------------

int schema_index_ddl(void* window, const char* owner, const char* index);
int schema_index_columns(void* window, const char* owner, const char* index);

// ---- stored source and the name runner (oci_schema_general) --------------------------

// Runs a one-column query with :schema_name and :object_name bound to owner and object
// and calls `writer` (window, owner, name) for every name fetched. 0, -1 (failed, or a
// writer failed), -2 out of memory.
int schema_for_each_name(void* window, const char* query, const char* owner, const char* object, DdlWriter writer);
// Writes the stored lines of one unit of the given type. 0, -1 failed, -2 out of memory.
int schema_source_ddl(void* window, const char* owner, const char* name, const char* type);
int schema_procedure_ddl(void* window, const char* owner, const char* name);
int schema_function_ddl(void* window, const char* owner, const char* name);
int schema_package_ddl(void* window, const char* owner, const char* name);
int schema_package_body_ddl(void* window, const char* owner, const char* name);
int schema_type_ddl(void* window, const char* owner, const char* name);
int schema_type_body_ddl(void* window, const char* owner, const char* name);
int schema_java_source_ddl(void* window, const char* owner, const char* name);

// ---- sequences, synonyms, triggers, views --------------------------------------------

int schema_sequence_ddl(void* window, const char* owner, const char* name);
int schema_synonym_ddl(void* window, const char* owner, const char* name);
int schema_trigger_ddl(void* window, const char* owner, const char* name);
int schema_view_ddl(void* window, const char* owner, const char* name);
int schema_view_columns(void* window, const char* owner, const char* view);

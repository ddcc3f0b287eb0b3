// The schema-level object and collection types as USER_TYPES, USER_TYPE_ATTRS and
// USER_COLL_TYPES show them, read from each type's CREATE TYPE source.
#pragma once

#include <sqlite3.h>

// Registers vantro_type_field(owner, name, item, field) on db: a property of the type
// (item 0; for a collection also its element's) or of its item-th attribute, NULL when
// the type has none; vantro_type_method and vantro_method_param, a property of a method or of
// one of its parameters; and vantro_type_oid(object_id), a type's TYPE_OID. False when SQLite refuses it.
bool dictionary_types_register(sqlite3* db);

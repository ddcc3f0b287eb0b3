// What the data dictionary shows of a schema-level type beyond its attributes or
// element: the methods an object type declares and whether it is FINAL and INSTANTIABLE.
#pragma once

#include "sql/sql_ast.h"

#include <string>

struct TypeDetails {
    int methods = 0;       // MEMBER, STATIC and CONSTRUCTOR subprograms declared
    int constructors = 0;  // ... of them CONSTRUCTOR
    bool final = true;
    bool instantiable = true;
};

// The declaration a CREATE TYPE source makes with its details; false when the source is
// none the engine reads.
bool sql_parse_type_details(const std::string& source, ObjectTypeDecl* decl, TypeDetails* details);

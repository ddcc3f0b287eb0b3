// What the data dictionary shows of a schema-level type beyond its attributes or
// element: the methods an object type declares and whether it is FINAL and INSTANTIABLE.
#pragma once

#include "sql/sql_ast.h"

#include <cstdint>
#include <string>
#include <vector>

// One method an object type declares, placed by byte offsets into the type's source.
struct TypeMethodDecl {
    enum class Kind { Member, Static, Constructor } kind = Kind::Member;
    bool map = false, order = false;  // MAP MEMBER / ORDER MEMBER FUNCTION
    bool function = false;
    std::string name;
    std::vector<std::string> params;       // parameter names in order, an explicit SELF included
    std::vector<std::string> param_types;  // ... the first word of each one's datatype
    std::vector<bool> param_defaults;      // ... whether it has a default (DEFAULT or :=)
    std::vector<std::string> param_modes;  // ... "IN", "OUT" or "IN OUT" as declared
    bool explicit_self = false;            // the first parameter is SELF
    std::string return_type;               // first word of the result type ("SELF" for a constructor)
    std::uint32_t offset = 0;              // first word of the declaration
    std::uint32_t name_offset = 0;
    std::uint32_t params_begin = 0, params_end = 0;  // "(" and just past ")"; both 0 without a list
    std::uint32_t return_begin = 0, return_end = 0;  // the result type's text
    std::uint32_t end = 0;                           // just past the declaration
    // Whether a call with `given` arguments (SELF left out) fits the parameters.
    bool takes(std::size_t given) const {
        const std::size_t first = explicit_self ? 1 : 0;
        if (given + first > params.size()) return false;
        for (std::size_t k = first + given; k < params.size(); ++k)
            if (k >= param_defaults.size() || !param_defaults[k]) return false;
        return true;
    }
};

struct TypeDetails {
    int methods = 0;       // MEMBER, STATIC and CONSTRUCTOR subprograms declared
    int constructors = 0;  // ... of them CONSTRUCTOR
    bool final = true;
    bool instantiable = true;
    std::vector<TypeMethodDecl> declared;  // the methods, in order
    // The MAP or ORDER method, or null.
    const TypeMethodDecl* map_method() const {
        for (const TypeMethodDecl& m : declared)
            if (m.map) return &m;
        return nullptr;
    }
    const TypeMethodDecl* order_method() const {
        for (const TypeMethodDecl& m : declared)
            if (m.order) return &m;
        return nullptr;
    }
};

// The declaration a CREATE TYPE source makes with its details; false when the source is
// none the engine reads.
bool sql_parse_type_details(const std::string& source, ObjectTypeDecl* decl, TypeDetails* details);

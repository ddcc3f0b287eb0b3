// The parameter names of the supplied functions that SQL and PL/SQL call in named
// notation (dbms_metadata.get_ddl(object_type => 'TABLE', name => 'T')), in order, with
// the value each parameter defaults to. Data only; the translator puts the arguments in
// order (sql/sql_translate_named.cpp).
#pragma once

#include <string>
#include <vector>

struct NamedParam {
    const char* name;
    const char* default_value;  // SQL text of a literal; nullptr: no default
};

struct NamedFunction {
    const char* function;
    NamedParam params[7];  // the unused ones have a null name
};

// The function named (with or without SYS.), or null when it takes no names.
const NamedFunction* named_function(const std::string& name);
std::size_t named_param_count(const NamedFunction& f);
// Every function of the table, for its consistency test.
std::vector<const NamedFunction*> named_function_catalogue();

// The parameter names of the supplied functions that take named notation.
#include "values/named_params.h"

namespace {

const NamedFunction kNamedFunctions[] = {
    {"DBMS_METADATA.GET_DDL",
     {{"OBJECT_TYPE", nullptr},
      {"NAME", nullptr},
      {"SCHEMA", "NULL"},
      {"VERSION", "'COMPATIBLE'"},
      {"MODEL", "'ORACLE'"},
      {"TRANSFORM", "'DDL'"}}},
    {"DBMS_METADATA.GET_DEPENDENT_DDL",
     {{"OBJECT_TYPE", nullptr},
      {"BASE_OBJECT_NAME", nullptr},
      {"BASE_OBJECT_SCHEMA", "NULL"},
      {"VERSION", "'COMPATIBLE'"},
      {"MODEL", "'ORACLE'"},
      {"TRANSFORM", "'DDL'"},
      {"OBJECT_COUNT", "10000"}}},
    {"DBMS_METADATA.GET_GRANTED_DDL",
     {{"OBJECT_TYPE", nullptr},
      {"GRANTEE", "NULL"},
      {"VERSION", "'COMPATIBLE'"},
      {"MODEL", "'ORACLE'"},
      {"TRANSFORM", "'DDL'"},
      {"OBJECT_COUNT", "10000"}}},
    {"DBMS_RANDOM.VALUE", {{"LOW", nullptr}, {"HIGH", nullptr}}},
    {"DBMS_RANDOM.STRING", {{"OPT", nullptr}, {"LEN", nullptr}}},
    {"DBMS_ASSERT.NOOP", {{"STR", nullptr}}},
    {"DBMS_ASSERT.ENQUOTE_LITERAL", {{"STR", nullptr}}},
    {"DBMS_ASSERT.ENQUOTE_NAME", {{"STR", nullptr}, {"CAPITALIZE", "1"}}},
    {"DBMS_ASSERT.SIMPLE_SQL_NAME", {{"STR", nullptr}}},
    {"DBMS_ASSERT.QUALIFIED_SQL_NAME", {{"STR", nullptr}}},
    {"DBMS_LOB.GETLENGTH", {{"LOB_LOC", nullptr}}},
    {"DBMS_LOB.SUBSTR", {{"LOB_LOC", nullptr}, {"AMOUNT", "32767"}, {"OFFSET", "1"}}},
    {"DBMS_LOB.INSTR", {{"LOB_LOC", nullptr}, {"PATTERN", nullptr}, {"OFFSET", "1"}, {"NTH", "1"}}},
    {"DBMS_LOB.COMPARE",
     {{"LOB_1", nullptr}, {"LOB_2", nullptr}, {"AMOUNT", "18446744073709551615"}, {"OFFSET_1", "1"}, {"OFFSET_2", "1"}}},
    {"DBMS_LOB.ISTEMPORARY", {{"LOB_LOC", nullptr}}},
    {"DBMS_XMLGEN.GETXML", {{"SQLQUERY", nullptr}, {"DTDORSCHEMA", "0"}}},
    {"DBMS_XMLGEN.GETXMLTYPE", {{"SQLQUERY", nullptr}, {"DTDORSCHEMA", "0"}}},
};

}  // namespace

const NamedFunction* named_function(const std::string& name) {
    const std::string bare = name.compare(0, 4, "SYS.") == 0 ? name.substr(4) : name;
    for (const NamedFunction& f : kNamedFunctions)
        if (bare == f.function) return &f;
    return nullptr;
}

std::size_t named_param_count(const NamedFunction& f) {
    std::size_t n = 0;
    while (n < sizeof f.params / sizeof f.params[0] && f.params[n].name) ++n;
    return n;
}

std::vector<const NamedFunction*> named_function_catalogue() {
    std::vector<const NamedFunction*> out;
    for (const NamedFunction& f : kNamedFunctions) out.push_back(&f);
    return out;
}

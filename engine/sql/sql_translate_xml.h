// What the translator's FROM clause asks of the SQL/XML translation: XMLTABLE items.
#pragma once

#include "sql/sql_ast.h"
#include "values/sql_types.h"

#include <string>
#include <vector>

// The object type name an XMLTYPE value carries through translation.
extern const char* const kXmlTypeName;

// True for the XMLTABLE call that the parser makes a FROM item's value, and for
// XMLSEQUENCE (in TABLE(XMLSEQUENCE(xml))).
bool xml_table_call(const Expr& e);

// The rows of XMLTABLE call over its translated document (doc_sql, of type doc_type and
// doc_object): the call of vantro_xml_table and the columns (c0, c1 ... in order). False
// with *err set when the document is not XML or the columns are too many or repeated.
bool xml_table_sql(const Expr& call, const std::string& doc_sql, const OraType& doc_type, const std::string& doc_object,
                   std::vector<ColumnInfo>* columns, std::string* sql, OraError* err);

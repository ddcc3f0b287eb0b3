// Oracle's SQL/XML generation functions over SQLite: XMLELEMENT, XMLFOREST, XMLCONCAT,
// XMLCOMMENT, XMLCDATA, XMLPI, the aggregate XMLAGG and XMLSERIALIZE's size check. XML
// values are their serialised text.
#pragma once

#include <sqlite3.h>

#include <string>

// How a value becomes XML content: text (escaped), XML inserted as it is, a DATE in its
// stored form written as an XML Schema date (YYYY-MM-DD), a TIMESTAMP in its stored form
// written as an XML Schema dateTime (YYYY-MM-DDTHH:MM:SS[.f]).
enum class XmlValueKind { Text = 0, Xml = 1, Date = 2, Timestamp = 3 };

// s with & < > as entities (and " too when attribute is set), as element content and
// attribute values hold them.
std::string xml_escape(const std::string& s, bool attribute);

// Registers vantro_xmlelement(name, attribute count, [name, kind, value] ..., [kind,
// value] ...), vantro_xmlforest([name, kind, value] ...), vantro_xmlconcat(value ...),
// vantro_xmlcomment(value), vantro_xmlcdata(value), vantro_xmlpi(name [, value]),
// vantro_xmlagg(value [, order flags, order key] ...) and vantro_xmlserialize(size,
// value). False when SQLite refuses one.
bool xml_functions_register(sqlite3* db);

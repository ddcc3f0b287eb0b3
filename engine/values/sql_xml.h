// Oracle's SQL/XML generation functions over SQLite: XMLELEMENT, XMLFOREST, XMLCONCAT,
// XMLCOMMENT, XMLCDATA, XMLPI, the aggregate XMLAGG and XMLSERIALIZE's size check. XML
// values are their serialised text.
#pragma once

#include <sqlite3.h>

#include <cstddef>
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

// What vantro_xml_modify(op, mappings, doc, path, ...) does to the nodes of the path.
enum class XmlModifyKind {
    Update = 0,
    Delete = 1,
    InsertChild = 2,
    AppendChild = 3,
    InsertBefore = 4,
    InsertAfter = 5
};

// Registers vantro_xml_modify (UPDATEXML, DELETEXML, INSERTCHILDXML, APPENDCHILDXML,
// INSERTXMLBEFORE, INSERTXMLAFTER) and vantro_xmlroot(value, version, standalone).
bool xml_modify_functions_register(sqlite3* db);

// The most columns one XMLTABLE has (Oracle's limit for a table).
constexpr std::size_t kXmlTableColumns = 1000;

// What vantro_xml_path(kind, doc, path) computes: EXTRACT (the nodes as XML, NULL for
// none), EXTRACTVALUE (the text of one node), EXISTSNODE (1 or 0), XMLQUERY ... RETURNING
// CONTENT (the sequence as XML or text) and XMLEXISTS (1 when the result is not empty).
enum class XmlPathKind { Extract = 0, ExtractValue = 1, ExistsNode = 2, Query = 3, Exists = 4 };

// Registers vantro_xmltype(text, flags) (the text, once it reads as one XML document, or
// as XML content with flags 2: ORA-31011 otherwise; NULL is ORA-19032 with flags 1), vantro_xml_path(kind, doc, path)
// (ORA-31013 for a path outside the XPath language), vantro_xml_atom(doc) (the text of a value of at most one item) and
// the table-valued function vantro_xml_table(doc, layout) behind XMLTABLE: layout is the row path, then one line per
// column "kind\ttype\tsize\tchar_used\t precision\tscale\tpath" (kind 0 FOR ORDINALITY, 1 a value; type 0 VARCHAR2, 1
// NUMBER, 2 XMLTYPE); a row's values come in columns c0, c1 ... False when SQLite refuses one.
bool xml_query_functions_register(sqlite3* db);

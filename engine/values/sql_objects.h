// Values of schema-level object and collection types (sql_objects.cpp): what the SQL
// translator shares with the functions that read them.
#pragma once

// TABLE() over a collection of an object type gives the objects' attributes in the
// columns A1 .. A<this> of vantro_collection_rows (Oracle's own limit of attributes).
constexpr int kMaxTableAttributes = 1000;

// Values of schema-level object and collection types (sql_objects.cpp): what the SQL
// translator shares with the functions that read them.
#pragma once

// TABLE() over a collection of an object type gives the objects' attributes in the
// columns A1 .. A<this> of vantro_collection_rows (Oracle's own limit of attributes).
constexpr int kMaxTableAttributes = 1000;

#include <cstddef>
#include <string>
#include <vector>

// The constructor text of an object value with its n-th (1-based) attribute replaced: by
// NULL when value is null, else by value (written as it is when number, quoted otherwise).
// False when text is no constructor text or has no n-th attribute.
bool object_text_set_item(const std::string& text, std::size_t n, const std::string* value, bool number,
                          std::string* out);

// One item of a constructor text: NULL, or its value (a quoted text without its quotes,
// a number or an inner object's constructor as written).
struct ObjectTextItem {
    bool null = true;
    bool quoted = false;
    std::string value;
};

// The items of a constructor text, in order; false when text is no constructor text.
bool object_text_items(const std::string& text, std::vector<ObjectTextItem>* items);

// Constraint DDL: one table constraint as ALTER TABLE ... ADD, with its columns, the
// referenced key of a foreign key, and its state; and the wildcard matcher that
// recognises the check constraints a NOT NULL column carries.
#include <cstring>
#include <utility>
#include <vector>

#include "oci/oci_schema_query.h"

namespace {

constexpr const char* kModule = "oci_schema_constraints";

constexpr const char* kConstraintQuery =
    "select CONSTRAINT_TYPE,TABLE_NAME,SEARCH_CONDITION,R_OWNER,R_CONSTRAINT_NAME,DELETE_RULE,STATUS,DEFERRABLE,"
    "DEFERRED,VALIDATED,GENERATED from all_constraints where owner=:p_schema and constraint_name=:p_constraint";
constexpr const char* kColumnQuery =
    "select COLUMN_NAME from all_cons_columns where owner=:p_schema and constraint_name=:p_constraint order by "
    "position";
constexpr const char* kRefTableQuery =
    "select TABLE_NAME from all_constraints where owner=:p_schema and constraint_name=:p_constraint";

// One item of the constraint row: its buffer width and whether it was NULL.
struct Item {
    std::vector<char> text;
    sb2 indicator = -1;
    explicit Item(size_t width) : text(width, '\0') {}
    bool null() const { return indicator == -1; }
    const char* c_str() const { return text.data(); }
    bool is(const char* value) const { return !null() && std::strcmp(c_str(), value) == 0; }
};

// Matches one bracketed set at pattern[0] == '[' against c. Returns the position after
// the closing bracket, or null when the set is malformed; *hit tells whether c is in it.
const char* match_set(const char* pattern, char c, bool* hit) {
    const char* p = pattern + 1;
    bool invert = false;
    if (*p == '!' || *p == '^') {
        invert = true;
        ++p;
    }
    bool found = false;
    bool empty = true;
    while (*p != ']') {
        if (*p == '\0') return nullptr;
        char low = *p;
        if (low == '\\') {
            if (*++p == '\0') return nullptr;
            low = *p;
        }
        ++p;
        char high = low;
        if (*p == '-' && p[1] != ']' && p[1] != '\0') {
            ++p;
            high = *p;
            if (high == '\\') {
                if (*++p == '\0') return nullptr;
                high = *p;
            }
            ++p;
        }
        if (low > high) std::swap(low, high);
        if (static_cast<unsigned char>(c) >= static_cast<unsigned char>(low) &&
            static_cast<unsigned char>(c) <= static_cast<unsigned char>(high))
            found = true;
        empty = false;
    }
    if (empty) return nullptr;
    *hit = found != invert;
    return p + 1;
}

}  // namespace

bool wildcard_match(const char* pattern, const char* text) {
    // Iterative matching with one backtrack point: the last star and the text position
    // it has swallowed up to, so long texts cost no recursion.
    const char* star = nullptr;
    const char* star_text = nullptr;
    const char* p = pattern;
    const char* t = text;
    while (true) {
        if (*p == '*') {
            while (*p == '*') ++p;
            star = p;
            star_text = t;
            continue;
        }
        if (*t == '\0') {
            if (*p == '\0') return true;
            // Only a malformed rest or further characters remain; neither matches an
            // empty text, but a malformed pattern must fail regardless of the star.
            return false;
        }
        bool step = false;
        const char* next = p;
        if (*p == '?') {
            step = true;
            next = p + 1;
        } else if (*p == '[') {
            bool hit = false;
            next = match_set(p, *t, &hit);
            if (!next) return false;
            step = hit;
        } else if (*p == '\\') {
            if (p[1] == '\0') return false;
            step = p[1] == *t;
            next = p + 2;
        } else if (*p != '\0') {
            step = *p == *t;
            next = p + 1;
        }
        if (step) {
            p = next;
            ++t;
            continue;
        }
        if (!star) return false;
        p = star;
        t = ++star_text;
    }
}

int schema_constraint_ddl(void* window, const char* owner, const char* constraint) {
    Item type(2), table(kNameBufferBytes), condition(32000), ref_owner(kNameBufferBytes), ref_name(kNameBufferBytes),
        delete_rule(10), status(9), deferrable(15), deferred(10), validated(14), generated(15);
    Item* items[] = {&type,   &table,      &condition, &ref_owner, &ref_name, &delete_rule,
                     &status, &deferrable, &deferred,  &validated, &generated};
    {
        SchemaQuery query(window, kModule);
        if (query.open(kConstraintQuery, __LINE__) || query.bind(":p_schema", owner, __LINE__) ||
            query.bind(":p_constraint", constraint, __LINE__))
            return -1;
        for (ub4 i = 0; i < 11; ++i)
            if (query.define_text(i + 1, items[i]->text.data(), static_cast<sb4>(items[i]->text.size()),
                                  &items[i]->indicator, __LINE__))
                return -1;
        for (Item* item : items) item->indicator = -1;
        if (query.execute(__LINE__) || query.fetch_one(__LINE__)) return -1;
    }

    // The checks the database keeps for NOT NULL columns; the column line says NOT NULL.
    if (type.is("C") && !condition.null() && wildcard_match("\"*\" IS NOT NULL", condition.c_str())) return 0;

    schema_print(window, "ALTER TABLE \"%s\" ADD", table.c_str());
    if (generated.is("USER NAME")) schema_print(window, " CONSTRAINT \"%s\"", constraint);
    if (type.is("C")) {
        schema_print(window, "\nCHECK (%s)\n", condition.null() ? "" : condition.c_str());
    } else if (type.is("P") || type.is("U")) {
        schema_print(window, type.is("P") ? "\nPRIMARY KEY (\n" : "\nUNIQUE (\n");
        schema_constraint_columns(window, owner, constraint);
        schema_print(window, ")\n");
    } else if (type.is("R")) {
        schema_print(window, "\nFOREIGN KEY (\n");
        schema_constraint_columns(window, owner, constraint);
        schema_print(window, ")\nREFERENCES");
        schema_constraint_ref_table(window, owner, ref_owner.c_str(), ref_name.c_str());
        schema_print(window, " (\n");
        schema_constraint_columns(window, ref_owner.c_str(), ref_name.c_str());
        schema_print(window, ")\n");
        // The delete rule is part of the key: without it the text would recreate a key
        // that refuses deletes the original cascades or nulls.
        if (delete_rule.is("CASCADE") || delete_rule.is("SET NULL"))
            schema_print(window, "ON DELETE %s\n", delete_rule.c_str());
    }
    if (!deferrable.null()) schema_print(window, "%s\n", deferrable.c_str());
    if (!deferred.null()) schema_print(window, "INITIALLY %s\n", deferred.c_str());
    if (!status.null()) {
        if (status.is("ENABLED")) {
            schema_print(window, "ENABLE");
            if (!validated.null()) schema_print(window, validated.is("VALIDATED") ? " VALIDATE" : " NOVALIDATE");
            schema_print(window, "\n");
        } else {
            schema_print(window, "DISABLE\n");
        }
    }
    schema_print(window, "/\n\n");
    return 0;
}

int schema_constraint_columns(void* window, const char* owner, const char* constraint) {
    std::vector<char> name(4001, '\0');
    sb2 indicator = -1;
    SchemaQuery query(window, kModule);
    if (query.open(kColumnQuery, __LINE__) || query.bind(":p_schema", owner, __LINE__) ||
        query.bind(":p_constraint", constraint, __LINE__) ||
        query.define_text(1, name.data(), static_cast<sb4>(name.size()), &indicator, __LINE__) ||
        query.execute(__LINE__))
        return -1;
    bool failed = false;
    for (int row = 0; query.next_row(__LINE__, &failed); ++row)
        schema_print(window, row == 0 ? "  \"%s\"\n" : " ,\"%s\"\n", indicator == -1 ? "" : name.data());
    return failed ? -1 : 0;
}

int schema_constraint_ref_table(void* window, const char* owner, const char* ref_owner, const char* ref_constraint) {
    char table[kNameBufferBytes] = {};
    sb2 indicator = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open(kRefTableQuery, __LINE__) || query.bind(":p_schema", ref_owner, __LINE__) ||
            query.bind(":p_constraint", ref_constraint, __LINE__) ||
            query.define_text(1, table, sizeof table, &indicator, __LINE__) || query.execute(__LINE__) ||
            query.fetch_one(__LINE__))
            return -1;
    }
    if (std::strcmp(ref_owner, owner) != 0)
        schema_print(window, " \"%s\".\"%s\"", ref_owner, table);
    else
        schema_print(window, " \"%s\"", table);
    return 0;
}

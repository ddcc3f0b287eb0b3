// The SQL functions of number arithmetic: + - * / (vantro_add, vantro_sub, vantro_mul,
// vantro_div) and SUM and AVG (vantro_sum, vantro_avg, also over windows). They compute
// in decimal, so 0.1 + 0.2 is 0.3 and ten times 0.1 add up to 1, as in Oracle.
#pragma once

#include "values/decimal.h"

#include <sqlite3.h>

#include <string>

// A number value as a decimal: integers and doubles as they are, a BLOB as NUMBER bytes
// (values/number_bytes.h), text read as number text. false when it is none of these.
bool decimal_of_value(sqlite3_value* v, Decimal* out);
// The same as a function's argument: false, with ORA-01722 raised, when it is no number.
bool decimal_arg(sqlite3_context* ctx, sqlite3_value* v, Decimal* out);
// Returns d in its stored form (number_stored): an integer when it is whole and fits 64
// bits, else the double whose shortest text it is, else its NUMBER bytes; ORA-01426 at
// 1E126 and above, zero below 1E-130, as NUMBER's range has it.
void result_decimal(sqlite3_context* ctx, const Decimal& d);
struct NumberStored;
void result_stored(sqlite3_context* ctx, const NumberStored& n);
// A number value as a double, for the functions that compute in binary (SQRT, LN ...):
// NUMBER bytes read as the nearest double. false when v is no number.
bool number_value_double(sqlite3_value* v, double* out);
// Oracle's text of a stored number value (integer, double or NUMBER bytes); false for
// any other value (text, NULL, bytes that are no number).
bool number_value_text(sqlite3_value* v, std::string* out);

// A running SUM: integers added natively while they fit, the rest in decimal.
struct DecimalSum {
    std::int64_t ints = 0;
    Decimal rest;
    std::int64_t count = 0;
    void add(const Decimal& d, bool negate);
    void add_int(std::int64_t v, bool negate);
    Decimal total() const;
};

bool sql_arithmetic_register(sqlite3* db);
// vantro_num_key, vantro_num_greatest, vantro_num_least, vantro_num_min and vantro_num_max (values/number_order.cpp).
bool number_order_register(sqlite3* db);

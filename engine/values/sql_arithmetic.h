// The SQL functions of number arithmetic: + - * / (vantro_add, vantro_sub, vantro_mul,
// vantro_div) and SUM and AVG (vantro_sum, vantro_avg, also over windows). They compute
// in decimal, so 0.1 + 0.2 is 0.3 and ten times 0.1 add up to 1, as in Oracle.
#pragma once

#include "values/decimal.h"

#include <sqlite3.h>

// A numeric argument as a decimal: integers and doubles as they are, text read as number
// text. false, with ORA-01722 raised, for text that is no number.
bool decimal_arg(sqlite3_context* ctx, sqlite3_value* v, Decimal* out);
// Returns d: an integer when it is whole and fits 64 bits, else the nearest double;
// ORA-01426 at 1E126 and above, zero below 1E-130, as NUMBER's range has it.
void result_decimal(sqlite3_context* ctx, const Decimal& d);

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

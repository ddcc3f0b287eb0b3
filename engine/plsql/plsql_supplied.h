// The procedures of Oracle's supplied packages a block can call (DBMS_LOB's writers,
// DBMS_RANDOM.SEED, DBMS_SESSION/DBMS_LOCK.SLEEP, DBMS_APPLICATION_INFO, DBMS_STATS):
// one table of name, parameters and the code that runs a call. Their functions are SQL
// functions (values/sql_supplied.h) that expressions reach through the translator.
#pragma once

#include <cstddef>

#include "plsql/plsql.h"

#include <string>
#include <vector>

// One call being run: every argument's value and type (an IN OUT argument: its
// variable's current value); the code replaces the values of the OUT and IN OUT ones.
struct PlSuppliedCall {
    SessionHandle* session = nullptr;
    std::vector<PlValue> args;
    std::vector<OraType> types;
    std::vector<bool> given;  // false for a trailing parameter left to its default
};

struct PlSuppliedProc {
    const char* name;  // PACKAGE.PROCEDURE
    // The parameters' names in order, comma-separated (named notation maps onto them);
    // min_args of them must be given.
    const char* params;
    int min_args;
    int out_mask;  // bit n: parameter n is OUT or IN OUT (a variable written back)
    bool (*run)(PlSuppliedCall* call, PlError* err);
};

// Bit n of a parameter mask; false past the mask's width, for calls given more arguments
// than any procedure takes.
inline bool plsql_mask_bit(int mask, std::size_t n) {
    return n < 31 && ((static_cast<unsigned>(mask) >> n) & 1u) != 0;
}

// The procedure of that name (upper case, PACKAGE.PROCEDURE); nullptr when none.
const PlSuppliedProc* plsql_supplied_procedure(const std::string& name);
// True for a package the table has procedures of (a wrong member is PLS-00302).
bool plsql_supplied_package(const std::string& package);
// The parameter names of p, in order.
std::vector<std::string> plsql_supplied_params(const PlSuppliedProc& p);
// The value of a supplied package's constant (DBMS_LOB.LOB_READWRITE, ...); false when
// package.name is none.
bool plsql_supplied_constant(const std::string& package, const std::string& name, std::string* sql);

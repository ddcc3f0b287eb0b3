// The value check of `accept`: the database module installs a routine that asks the
// session whether a typed value is a valid number or date (optionally under a format
// mask). This header only carries the hook; it must not depend on the database layer.
#pragma once

#include <string>

struct ConsoleBuffer;

enum class AcceptType { Char, Number, Date };

enum class AcceptCheck {
    Valid,       // the value passed; it may have been normalised in place
    Invalid,     // the database refused the value (its error has been printed)
    NoSession    // no session is connected ("Not connected to a database" printed)
};

// Checks `value` of the given type; `format` is null when none was given.
using AcceptCheckRoutine = AcceptCheck (*)(ConsoleBuffer* console, AcceptType type, const char* format,
                                           std::string* value);

// Installs the routine (null: none; the check then reports NoSession).
void accept_install_check(AcceptCheckRoutine routine);

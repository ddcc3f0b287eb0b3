// The database's check of an `accept` value (module oci_checkformat).
#pragma once

#include <string>

// Checks *value as a number (date false) or a date, under format when it is not empty;
// on success replaces *value by the database's answer. 0, or -1 (no session or handle),
// -2 prepare, -3..-5 the binds, -6 execute (reported).
int oci_checkformat(bool date, const char* format, std::string* value);

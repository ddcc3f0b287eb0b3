// TO_NUMBER, TO_CHAR and TO_DATE with an explicit format mask, as SQL functions the
// translated statements call (vantro_to_number_mask, vantro_to_date_mask,
// vantro_date_to_char_mask). Registered on each connection beside sql_functions.
#pragma once

#include <sqlite3.h>

// Registers the functions on db; false when SQLite refuses one.
bool sql_conversions_register(sqlite3* db);

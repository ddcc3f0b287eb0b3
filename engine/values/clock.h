// The engine's one clock: the local time as dates and timestamps are stored.
#pragma once

#include <string>

// Now in the stored form of a DATE (fraction_digits 0) or of a TIMESTAMP with that many
// fractional digits (at most 6: the clock counts microseconds).
std::string clock_now_stored(int fraction_digits = 0);

// The widest text a date mask formats to, for describing TO_CHAR of a date before any
// row is read. Pure function over the mask; no SQLite, no session.
#pragma once

#include "values/values.h"

#include <cstdint>
#include <string>

// The most bytes date_format writes for any date or timestamp with mask: names at their
// longest (MONTH and DAY 9, whatever FM does), numbers at their widest, literals as they
// are, spelled numbers (SP, SPTH) at their longest words.
std::uint32_t date_mask_width(const std::string& mask);
std::uint32_t date_mask_width(const DateMask& mask);

// Date format masks over arbitrary masks and texts: compiling, formatting dates at the
// edges of the calendar into a small buffer, and parsing text with the mask. No crash,
// no write past the buffer, and a parsed date is always a real date within the years
// the engine keeps.
#include <cstring>
#include <string>

#include "fuzz_console.h"
#include "values/values.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::string input = fuzz_text(data, size);
    const size_t bar = input.find('|');
    const std::string mask_text = input.substr(0, bar);
    const std::string value = bar == std::string::npos ? std::string() : input.substr(bar + 1);
    const DateMask mask = date_mask_compile(mask_text);
    date_mask_valid(mask_text);

    const DateValue dates[] = {{1, 1, 1, 0, 0, 0, 0}, {9999, 12, 31, 23, 59, 59, 999999999},
                               {2024, 2, 29, 12, 30, 45, 123456789}, {1582, 10, 15, 0, 0, 0, 0}};
    for (const DateValue& d : dates) {
        char small[24];
        std::memset(small, 'x', sizeof small);
        const size_t n = date_format(d, mask, small, sizeof small);
        FUZZ_CHECK(n < sizeof small);
        FUZZ_CHECK(small[n] == '\0');
        char large[4096];
        date_format(d, mask, large, sizeof large);
    }
    DateValue parsed;
    OraError err;
    if (date_parse(value, mask, dates[2], &parsed, &err))
        FUZZ_CHECK(date_in_range(parsed));
    else
        FUZZ_CHECK(err.code > 0);
    return 0;
}

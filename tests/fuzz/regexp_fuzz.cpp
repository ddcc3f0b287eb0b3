// The regular-expression compiler and matcher over arbitrary patterns, match parameters
// and subjects ("pattern|flags|subject"): no crash, no read past the subject, every
// match and group inside the subject with its start before its end, and a compile
// failure always one of Oracle's pattern errors.
#include <string>
#include <vector>

#include "fuzz_console.h"
#include "values/regexp.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::string input = fuzz_text(data, size);
    const size_t bar = input.find('|');
    const std::string pattern = input.substr(0, bar);
    const std::string rest = bar == std::string::npos ? std::string() : input.substr(bar + 1);
    const size_t bar2 = rest.find('|');
    const std::string flag_text = rest.substr(0, bar2 == std::string::npos ? 0 : bar2);
    const std::string subject = bar2 == std::string::npos ? rest : rest.substr(bar2 + 1);
    RegexFlags flags;
    if (!regex_flags_parse(flag_text, &flags)) return 0;
    Regex re;
    const int e = regex_compile(pattern, flags, &re);
    if (e != 0) {
        FUZZ_CHECK(e >= 12725 && e <= 12733);
        return 0;
    }
    RegexSubject s(re, subject);
    std::vector<std::int32_t> g;
    size_t from = 0;
    for (int k = 0; k < 4 && from <= s.length(); ++k) {
        const int r = s.search(from, &g);
        FUZZ_CHECK(r == 0 || r == 1 || r == -12722);
        if (r != 1) break;
        FUZZ_CHECK(g.size() == static_cast<size_t>(2 * (re.groups + 1)));
        for (size_t i = 0; i < g.size(); i += 2) {
            if (g[i] < 0) continue;
            FUZZ_CHECK(g[i] <= g[i + 1] && static_cast<size_t>(g[i + 1]) <= s.length());
        }
        FUZZ_CHECK(static_cast<size_t>(g[0]) >= from);
        from = static_cast<size_t>(g[1]) + 1;
    }
    return 0;
}

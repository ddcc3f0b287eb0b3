// The argument tokenizer shared by `set` and script arguments, and option lookup by
// prefix: words never hold a separator unless quoted, and lookups stay in the table.
#include <string>
#include <vector>

#include "fuzz_console.h"
#include "settings/options.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::string text = fuzz_text(data, size);
    const std::string cut = text.substr(0, text.find('\0'));
    const std::vector<std::string> words = split_arguments(cut.c_str());
    size_t total = 0;
    for (const std::string& word : words) {
        total += word.size();
        const int index = option_find(word.c_str());
        FUZZ_CHECK(index >= -1 && index < kOptionCount);
    }
    FUZZ_CHECK(total <= cut.size());
    if (cut.find_first_of("'\"") == std::string::npos)
        for (const std::string& word : words) FUZZ_CHECK(word.find_first_of(" \t") == std::string::npos);
    return 0;
}

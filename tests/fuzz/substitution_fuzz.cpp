// Substitution of script lines: arbitrary lines against a few defined variables, some of
// whose values hold ampersands again. A line without an ampersand comes out unchanged,
// and so does every line while `scan` is off.
#include "command/variables.h"
#include "fuzz_console.h"
#include "settings/options.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    ConsoleBuffer* console = fuzz_console();
    static bool defined = [] {
        variable_define("a", "1");
        variable_define("ab", "&a&a");
        variable_define("self", "<&self>");
        variable_define("long", std::string(5000, 'v').c_str());
        return true;
    }();
    (void)defined;
    const std::string line = fuzz_text(data, size);
    // Names asked for with "&&" are kept: each input starts from the same table.
    HashTable own{};
    variables_create(&own, variables_current());
    HashTable* outer = variables_swap(&own);
    OptionEntry& scan = (*console->options)[Option::Scan];
    scan.number.store(1);
    const std::string result = variables_substitute(console, line);
    if (line.find('&') == std::string::npos) FUZZ_CHECK(result == line);
    scan.number.store(0);
    FUZZ_CHECK(variables_substitute(console, line) == line);
    scan.number.store(1);
    variables_swap(outer);
    variables_destroy(&own);
    return 0;
}

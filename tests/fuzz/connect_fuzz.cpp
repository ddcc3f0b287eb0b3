// The connect grammar: the connect string read as the connect command reads it, the
// descriptor built from a host:port:sid text, the description shown afterwards, and the
// history's copy of a connect command, which must never keep a password the command
// would have used.
#include <string>
#include <vector>

#include "command/history.h"
#include "fuzz_console.h"
#include "oci/db_session.h"
#include "settings/options.h"

namespace {

// The password the connect command takes from its argument text: the first word's part
// between "/" and the first "@" after it.
std::string password_of(const std::string& argument) {
    const std::vector<std::string> words = split_arguments(argument.c_str());
    if (words.empty()) return std::string();
    const std::string& connect = words[0];
    const size_t slash = connect.find('/');
    if (slash == std::string::npos) return std::string();
    const size_t at = connect.find('@', slash + 1);
    return connect.substr(slash + 1, at == std::string::npos ? std::string::npos : at - slash - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    fuzz_console();
    const std::string text = fuzz_text(data, size);
    const std::string cut = text.substr(0, text.find('\0'));
    build_connect_descriptor(cut.c_str());
    build_connect_description(cut.c_str(), cut.c_str(), cut.c_str(), cut.c_str());

    // As a typed command: the history copy of "connect <text>" has no password left.
    const std::string line = "connect " + cut;
    const std::string kept = history_text_without_password(line);
    if (kept != line) {
        FUZZ_CHECK(kept.rfind("connect ", 0) == 0);
        FUZZ_CHECK(password_of(kept.substr(8)).empty());
    }
    // No library is loaded: the command parses, may ask for a password (answered empty)
    // and reports that it cannot connect.
    db_connect_command(cut.c_str());
    return 0;
}

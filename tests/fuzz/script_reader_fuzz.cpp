// The script line reader: the input is a script file, run by the script routine with a
// console whose dispatcher only collects what is typed. With `scan` off and plain text,
// exactly the file's lines arrive, in order, each once.
#include <cstdio>
#include <string>
#include <vector>

#include "command/scripts.h"
#include "command/statement.h"
#include "fuzz_console.h"
#include "settings/options.h"

namespace {

std::vector<std::string> g_typed;

int collect(ConsoleBuffer*) {
    g_typed.push_back(g_input.text);
    input_reset();
    return 1;
}

void forget(ConsoleBuffer*, bool, bool) { input_reset(); }

bool plain(const std::string& text) {
    for (unsigned char c : text)
        if (c != '\n' && (c < 0x20 || c > 0x7e)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    ConsoleBuffer* console = fuzz_console();
    static const std::string path = std::string(std::getenv("VANTRO_HOME")) + "/fuzz.sql";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    ConsoleCommandHooks hooks;
    hooks.dispatch = collect;
    hooks.finish = forget;
    console_install_command_hooks(hooks);
    (*console->options)[Option::Scan].number.store(0);
    g_typed.clear();
    auto* job = new StatementJob();
    job->console = console;
    job->text = "@\"" + path + "\"";
    run_script_worker(job);
    console->script_stop.store(0);
    console->input_ended.store(false);

    const std::string text = fuzz_text(data, size);
    if (plain(text)) {
        std::vector<std::string> lines;
        size_t start = 0, newline;
        while ((newline = text.find('\n', start)) != std::string::npos) {
            lines.push_back(text.substr(start, newline - start));
            start = newline + 1;
        }
        if (start < text.size()) lines.push_back(text.substr(start));
        std::vector<std::string> expected;
        for (const std::string& line : lines)
            if (!line.empty()) expected.push_back(line);
        if (g_typed != expected)
            for (const std::string& line : g_typed) std::fprintf(stderr, "typed [%s]\n", line.c_str());
        FUZZ_CHECK(g_typed == expected);
    }
    return 0;
}

// A stand-in for the external editor in the edit tests: copies the file it is given (its
// last argument) to "<file>.seen" (so the test can check what was written), writes that
// argument as given to "<file>.name" and the arguments before it to "<file>.args", one a
// line, and replaces the file with an edited statement, with CR LF line ends or, when
// STAND_IN_EDITOR_LF is set, with LF ends and a final line end as POSIX editors save it.
// When STAND_IN_EDITOR_WAIT names a file, it first waits until that file exists (at most a
// minute), as a user would take time to edit; when STAND_IN_EDITOR_KEEP is set, it leaves
// the file as it is. Exit status 2 when the file cannot be read.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    if (const char* wait = std::getenv("STAND_IN_EDITOR_WAIT"); wait && *wait)
        for (int i = 0; i < 600 && !std::ifstream(wait); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string name = argv[argc - 1];
    if (argc > 2) {
        std::ofstream args(name + ".args", std::ios::binary);
        for (int i = 1; i < argc - 1; ++i) args << argv[i] << '\n';
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) return 2;
    std::ostringstream content;
    content << in.rdbuf();
    in.close();
    std::ofstream(name + ".seen", std::ios::binary) << content.str();
    std::ofstream(name + ".name", std::ios::binary) << name;
    if (const char* keep = std::getenv("STAND_IN_EDITOR_KEEP"); keep && *keep) return 0;
    const char* lf = std::getenv("STAND_IN_EDITOR_LF");
    std::ofstream(name, std::ios::binary) << (lf && *lf ? "select ename\nfrom emp;\n" : "select ename\r\nfrom emp;");
    return 0;
}

// A stand-in for the external editor in the edit tests: copies the file it is given to
// "<file>.seen" (so the test can check what was written) and replaces the file with an
// edited statement. Exit status 2 when the file cannot be read.
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) return 2;
    std::ostringstream content;
    content << in.rdbuf();
    in.close();
    std::ofstream(std::string(argv[1]) + ".seen", std::ios::binary) << content.str();
    std::ofstream(argv[1], std::ios::binary) << "select ename\r\nfrom emp;";
    return 0;
}

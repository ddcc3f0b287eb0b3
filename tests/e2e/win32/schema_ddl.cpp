// vantro_schema_ddl.exe CONNECT OWNER TYPE NAME: the text the DDL writers give for one
// object, without a window. The core runs under the headless front end on its own session
// (the same database as the vantro.exe under test), picks the writer for TYPE as the
// schema browser does, and prints what the writer appended to the pane, with the line
// breaks the pane shows (CR LF). The end-to-end test compares it with the pane's text.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "oci/db_session.h"
#include "oci/oci_schema.h"
#include "ui/headless/headless_frontend.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: vantro_schema_ddl CONNECT OWNER TYPE NAME\n", stderr);
        return 2;
    }
    HeadlessFrontend front;
    front.start();
    if (db_connect_command(argv[1]) != 0 || session_open.load() == 0) {
        std::fprintf(stderr, "cannot connect: %s\n", front.screen().c_str());
        front.stop();
        return 1;
    }
    schema_show_ddl(nullptr, argv[2], argv[3], argv[4]);
    std::string text;
    for (char c : front.schema_text) {
        if (c == '\n' && (text.empty() || text.back() != '\r')) text += '\r';
        text += c;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(text.data(), 1, text.size(), stdout);
    db_disconnect();
    front.stop();
    return 0;
}

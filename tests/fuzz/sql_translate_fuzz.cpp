// The SQL lexer, parser and translator over arbitrary statement text, against a small
// in-memory catalog: no crash, no unbounded recursion, and every answer keeps its
// contract (a translation has SQL and result types; a refusal has an ORA code and an
// offset inside the text).
#include <map>
#include <string>
#include <vector>

#include "fuzz_console.h"
#include "fuzz_catalog.h"
#include "sql/sql_translate.h"



extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static fuzz::FuzzCatalog catalog;
    TranslateContext ctx;
    ctx.schema = "SCOTT";
    ctx.nls_date_format = "DD-MON-RR";
    ctx.catalog = &catalog;
    const std::string text = fuzz_text(data, size);
    Translation tr;
    OraError err;
    if (sql_translate(text, ctx, &tr, &err)) {
        FUZZ_CHECK(err.code == 0);
    } else {
        FUZZ_CHECK(err.code > 0);
        FUZZ_CHECK(err.offset <= text.size());
    }
    sql_statement_type(text);
    return 0;
}

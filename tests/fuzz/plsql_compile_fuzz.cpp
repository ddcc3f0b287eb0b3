// The PL/SQL parser and compiler over arbitrary block text (nothing runs): no crash, no
// unbounded recursion, and a block that does not compile always says why.
#include <string>

#include "fuzz_catalog.h"
#include "fuzz_console.h"
#include "plsql/plsql.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::string text = fuzz_text(data, size);
    static fuzz::FuzzCatalog catalog;
    PlCompileContext ctx;
    ctx.catalog = &catalog;
    ctx.schema = "SCOTT";
    ctx.nls_date_format = "DD-MON-RR";
    PlProgram program;
    if (!plsql_compile(text, ctx, &program)) FUZZ_CHECK(!program.errors.empty());
    PlProgram unit;
    if (!plsql_compile_unit(text, ctx, &unit)) FUZZ_CHECK(!unit.errors.empty());
    return 0;
}

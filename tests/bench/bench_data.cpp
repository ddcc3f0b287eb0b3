// Creates the benchmark data in an embedded database under the VANTRO_HOME given: in the
// schema BENCH the table BIG (id, name, amount, day, note) of the given row count, SMALL
// with its first small_rows rows and the empty INS for inserts; in the schema TABS the
// given number of tables T00001 ... (for completion), in the database TABS.
// Usage: vantro_bench_data home rows small_rows tables. Prints what it made; status 1 on
// a failure.
#include "oci/oci_loader.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const OciApi* oci = nullptr;
OCIEnv* env = nullptr;
OCIError* err = nullptr;

struct Session {
    OCIServer* server = nullptr;
    OCISvcCtx* service = nullptr;
    OCISession* session = nullptr;
};

[[noreturn]] void die(const std::string& what) {
    OraText text[1024] = {0};
    sb4 code = 0;
    if (err) oci->OCIErrorGet(err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
    std::fprintf(stderr, "%s failed: %s\n", what.c_str(), reinterpret_cast<char*>(text));
    std::exit(1);
}

void exec(const Session& s, const std::string& sql) {
    OCIStmt* statement = nullptr;
    oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&statement), OCI_HTYPE_STMT, 0, nullptr);
    oci->OCIStmtPrepare(statement, err, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()),
                        OCI_NTV_SYNTAX, OCI_DEFAULT);
    if (oci->OCIStmtExecute(s.service, statement, err, 1, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) die(sql);
    oci->OCIHandleFree(statement, OCI_HTYPE_STMT);
}

Session logon(const char* user, const char* database) {
    Session s;
    oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&s.server), OCI_HTYPE_SERVER, 0, nullptr);
    oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&s.service), OCI_HTYPE_SVCCTX, 0, nullptr);
    oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&s.session), OCI_HTYPE_SESSION, 0, nullptr);
    if (oci->OCIServerAttach(s.server, err, reinterpret_cast<const OraText*>(database),
                             static_cast<sb4>(std::string(database).size()), OCI_DEFAULT) != OCI_SUCCESS)
        die("attach");
    oci->OCIAttrSet(s.service, OCI_HTYPE_SVCCTX, s.server, 0, OCI_ATTR_SERVER, err);
    const ub4 length = static_cast<ub4>(std::string(user).size());
    oci->OCIAttrSet(s.session, OCI_HTYPE_SESSION, const_cast<char*>(user), length, OCI_ATTR_USERNAME, err);
    oci->OCIAttrSet(s.session, OCI_HTYPE_SESSION, const_cast<char*>(user), length, OCI_ATTR_PASSWORD, err);
    if (oci->OCISessionBegin(s.service, err, s.session, OCI_CRED_RDBMS, OCI_DEFAULT) != OCI_SUCCESS) die("session");
    oci->OCIAttrSet(s.service, OCI_HTYPE_SVCCTX, s.session, 0, OCI_ATTR_SESSION, err);
    return s;
}

void logoff(Session& s) {
    oci->OCISessionEnd(s.service, err, s.session, OCI_DEFAULT);
    oci->OCIServerDetach(s.server, err, OCI_DEFAULT);
}

// A seed of rows inserted one by one, then doubled with INSERT ... SELECT, then topped up.
void fill_big(const Session& s, long rows) {
    exec(s, "create table big (id number(10), name varchar2(20), amount number(12,2), day date, note varchar2(40))");
    const long seed = std::min(rows, 1000L);
    for (long i = 1; i <= seed; ++i) {
        exec(s, "insert into big values (" + std::to_string(i) + ", 'name " + std::to_string(i) + "', " +
                    std::to_string(i % 1000) + ".25, '" + std::to_string(1 + i % 28) +
                    "-MAR-04', 'a note of some length')");
    }
    long count = seed;
    while (count * 2 <= rows) {
        exec(s, "insert into big select id + " + std::to_string(count) + ", name, amount, day, note from big");
        count *= 2;
    }
    if (count < rows) {
        exec(s, "insert into big select id + " + std::to_string(count) + ", name, amount, day, note from big where id <= " +
                    std::to_string(rows - count));
    }
    exec(s, "commit");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s home rows small_rows tables\n", argv[0]);
        return 2;
    }
    const std::string home = argv[1];
    const long rows = std::atol(argv[2]);
    const long small_rows = std::atol(argv[3]);
    const long tables = std::atol(argv[4]);
    if (rows < 1 || small_rows < 1 || small_rows > rows || tables < 0) {
        std::fprintf(stderr, "usage: %s home rows small_rows tables\n", argv[0]);
        return 2;
    }
    std::error_code ignored;
    std::filesystem::create_directories(home, ignored);
    setenv("VANTRO_HOME", home.c_str(), 1);
    setenv("VANTRO_OCI_LIB", "embedded", 1);
    const OciLoadResult loaded = oci_load();
    if (loaded.code != 0) {
        std::fprintf(stderr, "%s\n", loaded.message.c_str());
        return 1;
    }
    oci = oci_api();
    oci->OCIEnvCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);

    Session bench = logon("bench", "bench");
    fill_big(bench, rows);
    exec(bench, "create table small (id number(10), name varchar2(20), amount number(12,2), day date, note varchar2(40))");
    exec(bench, "insert into small select * from big where id <= " + std::to_string(small_rows));
    exec(bench, "commit");
    exec(bench, "create table ins (id number(10), name varchar2(30))");
    logoff(bench);

    // A database of its own: a session attaches every schema of its database, and the
    // many tables would weigh on every other benchmark's connect.
    Session tabs = logon("tabs", "tabs");
    for (long i = 1; i <= tables; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "T%05ld", i);
        exec(tabs, std::string("create table ") + name + " (id number)");
    }
    logoff(tabs);
    oci->OCIHandleFree(env, OCI_HTYPE_ENV);
    std::printf("%s: BENCH.BIG with %ld rows, BENCH.SMALL with %ld; %ld tables in TABS@TABS\n", home.c_str(), rows,
                small_rows, tables);
    return 0;
}

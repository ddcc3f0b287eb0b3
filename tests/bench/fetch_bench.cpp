// Benchmark: fetch a 5-column table through the embedded engine's OCI array defines,
// and the same query through the SQLite C API directly, and print both times and their
// ratio. Usage: vantro_fetch_bench [rows=1000000] [batch=1000]. Builds its own database
// under a temporary VANTRO_HOME.
#include "oci/oci_loader.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

const OciApi* oci = nullptr;
OCIEnv* env = nullptr;
OCIError* err = nullptr;
OCISvcCtx* svc = nullptr;

void die(const char* what) {
  OraText buf[1024] = {0};
  sb4 code = 0;
  if (err) oci->OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR);
  std::fprintf(stderr, "%s failed: %s\n", what, reinterpret_cast<char*>(buf));
  std::exit(1);
}

void exec(const std::string& sql, ub4 iters = 1) {
  OCIStmt* st = nullptr;
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  oci->OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()),
                      OCI_NTV_SYNTAX, OCI_DEFAULT);
  if (oci->OCIStmtExecute(svc, st, err, iters, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) die(sql.c_str());
  oci->OCIHandleFree(st, OCI_HTYPE_STMT);
}

void set_env(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  ub4 batch = argc > 2 ? static_cast<ub4>(std::atol(argv[2])) : 1000;
  if (rows < 1 || batch < 1) {
    std::fprintf(stderr, "usage: %s [rows] [batch]\n", argv[0]);
    return 2;
  }
#ifdef _WIN32
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  std::string home = std::string(tmp) + "vantro_bench_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(home.c_str(), nullptr);
#else
  std::string home = "/tmp/vantro_bench_" + std::to_string(getpid());
#endif
  set_env("VANTRO_HOME", home);
  set_env("VANTRO_OCI_LIB", "embedded");
  OciLoadResult loaded = oci_load();
  if (loaded.code != 0) {
    std::fprintf(stderr, "%s\n", loaded.message.c_str());
    return 1;
  }
  oci = oci_api();
  OCIServer* srv = nullptr;
  OCISession* ses = nullptr;
  oci->OCIEnvCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
  if (oci->OCIServerAttach(srv, err, reinterpret_cast<const OraText*>("bench"), 5, OCI_DEFAULT) != OCI_SUCCESS)
    die("attach");
  oci->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
  oci->OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>("bench"), 5, OCI_ATTR_USERNAME, err);
  oci->OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>("bench"), 5, OCI_ATTR_PASSWORD, err);
  if (oci->OCISessionBegin(svc, err, ses, OCI_CRED_RDBMS, OCI_DEFAULT) != OCI_SUCCESS) die("session");
  oci->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);

  // Fill: a seed of rows inserted one by one, then doubled with INSERT ... SELECT.
  long seed = rows;
  int doublings = 0;
  while (seed % 2 == 0 && seed / 2 >= 1000) {
    seed /= 2;
    ++doublings;
  }
  exec("create table bench (id number(10), name varchar2(20), amount number(12,2), day date, note varchar2(40))");
  for (long i = 1; i <= seed; ++i) {
    exec("insert into bench values (" + std::to_string(i) + ", 'name " + std::to_string(i) + "', " +
         std::to_string(i % 1000) + ".25, '" + std::to_string(1 + i % 28) + "-MAR-04', 'a note of some length')");
  }
  long count = seed;
  for (int d = 0; d < doublings; ++d) {
    exec("insert into bench select id + " + std::to_string(count) + ", name, amount, day, note from bench");
    count *= 2;
  }
  exec("commit");

  const ub4 widths[5] = {41, 21, 41, 41, 41};
  std::vector<char> data[5];
  std::vector<sb2> ind[5];
  OCIStmt* st = nullptr;
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  const char* query = "select id, name, amount, day, note from bench";
  auto start = std::chrono::steady_clock::now();
  oci->OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(query), static_cast<ub4>(std::string(query).size()),
                      OCI_NTV_SYNTAX, OCI_DEFAULT);
  if (oci->OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) die("query");
  for (int c = 0; c < 5; ++c) {
    data[c].resize(static_cast<std::size_t>(widths[c]) * batch);
    ind[c].resize(batch);
    OCIDefine* d = nullptr;
    oci->OCIDefineByPos(st, &d, err, static_cast<ub4>(c + 1), data[c].data(), static_cast<sb4>(widths[c]), SQLT_STR,
                        ind[c].data(), nullptr, nullptr, OCI_DEFAULT);
  }
  long fetched = 0;
  unsigned long checksum = 0;
  for (;;) {
    sword r = oci->OCIStmtFetch(st, err, batch, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (r != OCI_SUCCESS && r != OCI_NO_DATA) die("fetch");
    ub4 got = 0;
    oci->OCIAttrGet(st, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, err);
    fetched += got;
    if (got > 0) checksum += static_cast<unsigned char>(data[1][(got - 1) * widths[1]]);
    if (r == OCI_NO_DATA) break;
  }
  double oci_time = seconds_since(start);
  oci->OCIHandleFree(st, OCI_HTYPE_STMT);

  std::string path = home + "/databases/bench/BENCH.db";
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  start = std::chrono::steady_clock::now();
  sqlite3_stmt* vm = nullptr;
  sqlite3_prepare_v2(db, "select \"ID\",\"NAME\",\"AMOUNT\",\"DAY\",\"NOTE\" from \"BENCH\"", -1, &vm, nullptr);
  long direct = 0;
  std::size_t bytes = 0;
  while (sqlite3_step(vm) == SQLITE_ROW) {
    for (int c = 0; c < 5; ++c) {
      sqlite3_column_text(vm, c);
      bytes += static_cast<std::size_t>(sqlite3_column_bytes(vm, c));
    }
    ++direct;
  }
  sqlite3_finalize(vm);
  double sqlite_time = seconds_since(start);
  sqlite3_close(db);

  oci->OCISessionEnd(svc, err, ses, OCI_DEFAULT);
  oci->OCIServerDetach(srv, err, OCI_DEFAULT);
  oci->OCIHandleFree(env, OCI_HTYPE_ENV);
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  std::printf("rows: %ld through OCI (batch %u), %ld through SQLite (checksum %lu, %zu bytes)\n", fetched, batch,
              direct, checksum, bytes);
  std::printf("OCI array fetch: %.3f s\nSQLite C API:    %.3f s\nratio OCI/SQLite: %.2f\n", oci_time, sqlite_time,
              sqlite_time > 0 ? oci_time / sqlite_time : 0.0);
  return fetched == rows && direct == rows ? 0 : 1;
}

// The test session helper: connects through the OCI function table from the loader.
#include "oci_session.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::string g_home_root;
std::atomic<int> g_home_counter{0};

void set_env(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

std::string env_value(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

void make_folder(const std::string& path) {
#ifdef _WIN32
  CreateDirectoryA(path.c_str(), nullptr);
#else
  std::string cmd = "mkdir -p '" + path + "'";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot create %s\n", path.c_str());
#endif
}

}  // namespace

bool test_against_oracle() { return !env_value("VANTRO_TEST_ORACLE_LIB").empty(); }

std::string test_home() {
  if (g_home_root.empty()) {
#ifdef _WIN32
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    g_home_root = std::string(tmp) + "vantro_engine_tests_" + std::to_string(GetCurrentProcessId());
#else
    g_home_root = "/tmp/vantro_engine_tests_" + std::to_string(getpid());
#endif
    // Process ids repeat (under Wine especially): never reuse a previous run's databases.
    std::error_code cleared;
    std::filesystem::remove_all(g_home_root, cleared);
    make_folder(g_home_root);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(g_home_root, ec);
    });
  }
  std::string home = g_home_root + "/h" + std::to_string(g_home_counter++);
  make_folder(home);
  set_env("VANTRO_HOME", home);
  return home;
}

const OciApi* test_oci() {
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (test_against_oracle()) {
      set_env("VANTRO_OCI_LIB", env_value("VANTRO_TEST_ORACLE_LIB"));
    } else {
      set_env("VANTRO_OCI_LIB", "embedded");
    }
    OciLoadResult r = oci_load();
    if (r.code != 0) std::fprintf(stderr, "%s\n", r.message.c_str());
  }
  return oci_api();
}

OciSession::OciSession() : oci(test_oci()) {
  if (!oci) return;
  oci->OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr);
  oci->OCIEnvInit(&env, OCI_DEFAULT, 0, nullptr);
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
}

OciSession::~OciSession() {
  if (!oci) return;
  disconnect();
  oci->OCIHandleFree(env, OCI_HTYPE_ENV);
}

sword OciSession::connect(const std::string& user, const std::string& password, const std::string& database,
                          ub4 mode) {
  sword st = oci->OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(database.c_str()),
                                  static_cast<sb4>(database.size()), OCI_DEFAULT);
  if (st != OCI_SUCCESS) return st;
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
  oci->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
  oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
  ub4 cred = OCI_CRED_EXT;
  if (user != "/" && !password.empty()) {
    oci->OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()), static_cast<ub4>(user.size()),
                    OCI_ATTR_USERNAME, err);
    oci->OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()), static_cast<ub4>(password.size()),
                    OCI_ATTR_PASSWORD, err);
    cred = OCI_CRED_RDBMS;
  }
  st = oci->OCISessionBegin(svc, err, ses, cred, mode);
  if (st != OCI_SUCCESS) {
    oci->OCIHandleFree(ses, OCI_HTYPE_SESSION);
    oci->OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
    ses = nullptr;
    svc = nullptr;
    oci->OCIServerDetach(srv, nullptr, OCI_DEFAULT);
    return st;
  }
  oci->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);
  open = true;
  return OCI_SUCCESS;
}

sword OciSession::connect_test_user() {
  if (test_against_oracle()) {
    std::string c = env_value("VANTRO_TEST_ORACLE_CONNECT");
    std::size_t slash = c.find('/'), at = c.find('@');
    return connect(c.substr(0, slash), c.substr(slash + 1, at == std::string::npos ? std::string::npos : at - slash - 1),
                   at == std::string::npos ? std::string() : c.substr(at + 1));
  }
  return connect("scott", "tiger", "");
}

void OciSession::disconnect() {
  if (!open) return;
  oci->OCISessionEnd(svc, err, ses, OCI_DEFAULT);
  oci->OCIServerDetach(srv, err, OCI_DEFAULT);
  oci->OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
  oci->OCIHandleFree(ses, OCI_HTYPE_SESSION);
  svc = nullptr;
  ses = nullptr;
  open = false;
}

sword OciSession::exec(const std::string& sql) {
  OciStatement st(*this, sql);
  return st.execute(st.attr_ub2(OCI_ATTR_STMT_TYPE) == OCI_STMT_SELECT ? 0 : 1);
}

std::string OciSession::error_text(sb4* code) {
  OraText buf[1024] = {0};
  sb4 c = 0;
  if (oci->OCIErrorGet(err, 1, nullptr, &c, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS) return "";
  if (code) *code = c;
  return reinterpret_cast<char*>(buf);
}

int OciSession::error_code() {
  sb4 c = 0;
  error_text(&c);
  return c;
}

std::vector<std::string> OciSession::rows(const std::string& sql) {
  std::vector<std::string> out;
  OciStatement st(*this, sql);
  if (st.execute(0) != OCI_SUCCESS) {
    out.push_back("error: " + error_text());
    return out;
  }
  ub4 n = st.attr_ub4(OCI_ATTR_PARAM_COUNT);
  const ub4 batch = 3;
  std::vector<std::vector<char>> bufs(n, std::vector<char>(batch * 4001));
  std::vector<std::vector<sb2>> inds(n, std::vector<sb2>(batch));
  for (ub4 i = 0; i < n; ++i) {
    OCIDefine* d = nullptr;
    oci->OCIDefineByPos(st.stmt, &d, err, i + 1, bufs[i].data(), 4001, SQLT_STR, inds[i].data(), nullptr, nullptr,
                        OCI_DEFAULT);
  }
  for (;;) {
    sword f = st.fetch(batch);
    if (f != OCI_SUCCESS && f != OCI_NO_DATA && f != OCI_SUCCESS_WITH_INFO) {
      out.push_back("error: " + error_text());
      break;
    }
    ub4 got = st.attr_ub4(OCI_ATTR_ROWS_FETCHED);
    for (ub4 r = 0; r < got; ++r) {
      std::string row;
      for (ub4 i = 0; i < n; ++i) {
        if (i) row += "|";
        row += inds[i][r] == -1 ? std::string("<null>") : std::string(&bufs[i][r * 4001]);
      }
      out.push_back(row);
    }
    if (f == OCI_NO_DATA) break;
  }
  return out;
}

std::string OciSession::value(const std::string& sql) {
  std::vector<std::string> r = rows(sql);
  return r.size() == 1 ? r[0] : (r.empty() ? "<no rows>" : "<" + std::to_string(r.size()) + " rows>");
}

std::string server_output_of(OciSession& s, const std::string& block) {
  EXPECT_EQ(s.exec("begin dbms_output.enable(100000); end;"), OCI_SUCCESS) << s.error_text();
  if (s.exec(block) != OCI_SUCCESS) return "error: " + s.error_text();
  std::string all;
  OciStatement st(s, "begin dbms_output.get_line(:1,:2); end;");
  char line[512];
  int status = 0;
  sb2 ind = 0;
  OCIBind* b1 = nullptr;
  OCIBind* b2 = nullptr;
  s.oci->OCIBindByPos(st.stmt, &b1, s.err, 1, line, sizeof line, SQLT_STR, &ind, nullptr, nullptr, 0, nullptr,
                      OCI_DEFAULT);
  s.oci->OCIBindByPos(st.stmt, &b2, s.err, 2, &status, sizeof status, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                      OCI_DEFAULT);
  for (int guard = 0; guard < 1000 && st.execute(1) == OCI_SUCCESS && status == 0; ++guard) {
    if (guard) all += "|";
    all += ind == -1 ? "" : line;
  }
  return all;
}

OciStatement::OciStatement(OciSession& session, const std::string& sql) : s(session) {
  s.oci->OCIHandleAlloc(s.env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  if (!sql.empty()) prepare(sql);
}

OciStatement::~OciStatement() { s.oci->OCIHandleFree(stmt, OCI_HTYPE_STMT); }

sword OciStatement::prepare(const std::string& sql) {
  return s.oci->OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText*>(sql.c_str()),
                               static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
}

sword OciStatement::execute(ub4 iters) {
  return s.oci->OCIStmtExecute(s.svc, stmt, s.err, iters, 0, nullptr, nullptr, OCI_DEFAULT);
}

sword OciStatement::fetch(ub4 rows) { return s.oci->OCIStmtFetch(stmt, s.err, rows, OCI_FETCH_NEXT, OCI_DEFAULT); }

ub4 OciStatement::attr_ub4(ub4 attr) {
  ub4 v = 0;
  s.oci->OCIAttrGet(stmt, OCI_HTYPE_STMT, &v, nullptr, attr, s.err);
  return v;
}

ub2 OciStatement::attr_ub2(ub4 attr) {
  ub2 v = 0;
  s.oci->OCIAttrGet(stmt, OCI_HTYPE_STMT, &v, nullptr, attr, s.err);
  return v;
}

bool create_emp_table(OciSession& s, std::string* error) {
  const char* const rows[] = {
      "7369,'SMITH','CLERK',7902,800,null,20",      "7499,'ALLEN','SALESMAN',7698,1600,300,30",
      "7521,'WARD','SALESMAN',7698,1250,500,30",    "7566,'JONES','MANAGER',7839,2975,null,20",
      "7654,'MARTIN','SALESMAN',7698,1250,1400,30", "7698,'BLAKE','MANAGER',7839,2850,null,30",
      "7782,'CLARK','MANAGER',7839,2450,null,10",   "7788,'SCOTT','ANALYST',7566,3000,null,20",
      "7839,'KING','PRESIDENT',null,5000,null,10",  "7844,'TURNER','SALESMAN',7698,1500,0,30",
      "7876,'ADAMS','CLERK',7788,1100,null,20",     "7900,'JAMES','CLERK',7698,950,null,30",
      "7902,'FORD','ANALYST',7566,3000,null,20",    "7934,'MILLER','CLERK',7782,1300,null,10"};
  std::vector<std::string> sql = {
      "create table emp (empno number(4), ename varchar2(10), job varchar2(9), mgr number(4), sal number(7,2),"
      " comm number(7,2), deptno number(2))"};
  for (const char* r : rows) sql.push_back(std::string("insert into emp values (") + r + ")");
  for (const std::string& statement : sql) {
    if (s.exec(statement) == OCI_SUCCESS) continue;
    *error = statement + "\n" + s.error_text();
    return false;
  }
  return true;
}

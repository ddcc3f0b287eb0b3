// Test helper: one OCI session driven through the loaded function table, with small
// wrappers for the call sequences the console uses. The backend is the embedded engine
// unless VANTRO_TEST_ORACLE_LIB and VANTRO_TEST_ORACLE_CONNECT (user/password@database)
// point at Oracle's client library and a server.
#pragma once

#include "oci/oci_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Loads the library once (embedded, or Oracle's when configured) and isolates the
// engine's databases under a fresh VANTRO_HOME. Returns the table or null.
const OciApi* test_oci();
bool test_against_oracle();
// A fresh folder for one test's databases (only meaningful for the embedded engine).
std::string test_home();

struct OciSession {
  const OciApi* oci = nullptr;
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCIServer* srv = nullptr;
  OCISvcCtx* svc = nullptr;
  OCISession* ses = nullptr;
  bool open = false;

  OciSession();
  ~OciSession();
  OciSession(const OciSession&) = delete;
  OciSession& operator=(const OciSession&) = delete;

  // Attach + session begin; the OCI status of the first failing call.
  sword connect(const std::string& user, const std::string& password, const std::string& database,
                ub4 mode = OCI_DEFAULT);
  // Connects as the test user of the configured backend (a fresh schema natively).
  sword connect_test_user();
  void disconnect();
  // Prepares and executes one statement with 1 iteration (0 for queries) and frees it.
  sword exec(const std::string& sql);
  // The first error record: "ORA-nnnnn: text\n" and the code.
  std::string error_text(sb4* code = nullptr);
  int error_code();
  // Runs a query and returns every row as text (NULL as "<null>"), columns joined by '|'.
  std::vector<std::string> rows(const std::string& sql);
  // The single value of a one-row, one-column query.
  std::string value(const std::string& sql);
};

// Runs a PL/SQL block with server output on and returns the lines it printed joined by
// '|', or "error: " and the error text when the block fails.
std::string server_output_of(OciSession& s, const std::string& block);
// Creates the classic EMP table with its fourteen rows; false with the failing statement's
// error text in *error.
bool create_emp_table(OciSession& s, std::string* error);

// A statement handle with the allocate/prepare/free boilerplate.
struct OciStatement {
  OciSession& s;
  OCIStmt* stmt = nullptr;
  explicit OciStatement(OciSession& session, const std::string& sql = std::string());
  ~OciStatement();
  OciStatement(const OciStatement&) = delete;
  OciStatement& operator=(const OciStatement&) = delete;
  sword prepare(const std::string& sql);
  sword execute(ub4 iters);
  sword fetch(ub4 rows);
  ub4 attr_ub4(ub4 attr);
  ub2 attr_ub2(ub4 attr);
};

// OCIBreak and OCIReset issued from a second thread while the first is inside a call.
#include "oci_session.h"

#include <chrono>
#include <thread>

namespace {

class Oci : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr) << "the OCI library did not load";
  }
  void connect(OciSession& s) { ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text(); }
};

TEST_F(Oci, BreakFromAnotherThreadCancelsTheRunningCall) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table big (n number)"), OCI_SUCCESS) << s.error_text();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(s.exec("insert into big values (" + std::to_string(i) + ")"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("commit"), OCI_SUCCESS);
  // Ten billion combinations: runs far longer than the test waits.
  OciStatement st(s, "select count(*) from big a, big b, big c, big d, big e");
  int count = 0;
  OCIDefine* d = nullptr;
  s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, &count, sizeof count, SQLT_INT, nullptr, nullptr, nullptr,
                        OCI_DEFAULT);
  OCIError* err2 = nullptr;
  s.oci->OCIHandleAlloc(s.env, reinterpret_cast<void**>(&err2), OCI_HTYPE_ERROR, 0, nullptr);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    s.oci->OCIBreak(s.svc, err2);
    s.oci->OCIReset(s.svc, err2);
  });
  auto start = std::chrono::steady_clock::now();
  sword r = st.execute(1);
  canceller.join();
  EXPECT_EQ(r, OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01013: user requested cancel of current operation\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_EQ(s.value("select count(*) from big"), "100") << "the session stays usable";
  s.oci->OCIHandleFree(err2, OCI_HTYPE_ERROR);
}

}  // namespace

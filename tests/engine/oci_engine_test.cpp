// OCI-level tests of the embedded engine, loaded through the console's loader: statuses,
// error records and offsets, describe, array fetch, indicators and truncation, binds,
// transactions, LOB pieces and cancel. Tests that check the engine's own conventions
// (schemas created on first connect, the banner, the databases folder) skip when the
// suite runs against Oracle's client library.
#include "oci_session.h"

#include <cstring>
#include <fstream>

namespace {

class Oci : public ::testing::Test {
 protected:
  void SetUp() override {
    home = test_home();
    ASSERT_NE(test_oci(), nullptr) << "the OCI library did not load";
  }
  void connect(OciSession& s) { ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text(); }
  void embedded_only() {
    if (test_against_oracle()) GTEST_SKIP() << "checks the embedded engine's own conventions";
  }
  std::string home;
};

TEST(OciLoader, MissingLibraryAndMissingFunctionAreNamed) {
  OciLoadResult r = oci_load_path("/nonexistent/libnothing.so", OciLibraryKind::Explicit);
  EXPECT_EQ(r.code, -1);
  EXPECT_NE(r.message.find("/nonexistent/libnothing.so"), std::string::npos);
#ifdef _WIN32
  r = oci_load_path("kernel32.dll", OciLibraryKind::Explicit);
#else
  r = oci_load_path("libm.so.6", OciLibraryKind::Explicit);
#endif
  EXPECT_EQ(r.code, -2);
  EXPECT_NE(r.message.find("lacks the function OCIInitialize"), std::string::npos) << r.message;
}

TEST_F(Oci, FirstConnectCreatesTheSchemaAndLaterConnectsCheckThePassword) {
  embedded_only();
  OciSession a;
  ASSERT_EQ(a.connect("alice", "secret", "proj"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select user from dual"), "ALICE");
  a.disconnect();
  OciSession b;
  EXPECT_EQ(b.connect("ALICE", "wrong", "proj"), OCI_ERROR);
  EXPECT_EQ(b.error_text(), "ORA-01017: invalid username/password; logon denied\n");
  ASSERT_EQ(b.connect("Alice", "secret", "proj"), OCI_SUCCESS) << b.error_text();
  std::ifstream catalog(home + "/databases/proj/catalog.db");
  EXPECT_TRUE(catalog.good()) << "a plain database name is a folder under VANTRO_HOME/databases";
}

TEST_F(Oci, SchemasAreApartExceptForSysdba) {
  embedded_only();
  {
    OciSession alice;
    ASSERT_EQ(alice.connect("alice", "a", ""), OCI_SUCCESS) << alice.error_text();
    ASSERT_EQ(alice.exec("create table secrets (n number)"), OCI_SUCCESS) << alice.error_text();
    ASSERT_EQ(alice.exec("insert into secrets values (42)"), OCI_SUCCESS);
    ASSERT_EQ(alice.exec("commit"), OCI_SUCCESS);
  }
  OciSession bob;
  ASSERT_EQ(bob.connect("bob", "b", ""), OCI_SUCCESS) << bob.error_text();
  OciStatement st(bob, "select n from alice.secrets");
  EXPECT_EQ(st.execute(0), OCI_ERROR);
  EXPECT_EQ(bob.error_code(), 942);
  EXPECT_EQ(st.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), 14);
  EXPECT_EQ(bob.exec("select n from secrets"), OCI_ERROR) << "an unqualified name is the user's own";
  bob.disconnect();
  // Administrative modes belong to SYS alone, with its own password; a refused try
  // creates no user (SYS does not exist until it is first connected normally).
  for (ub4 mode : {OCI_SYSDBA, OCI_SYSOPER}) {
    OciSession refused;
    EXPECT_EQ(refused.connect("bob", "b", "", mode), OCI_ERROR);
    EXPECT_EQ(refused.error_code(), 1031);
    EXPECT_EQ(refused.connect("sys", "any", "", mode), OCI_ERROR) << "no SYS yet";
    EXPECT_EQ(refused.error_code(), 1031);
    EXPECT_EQ(refused.connect("newcomer", "x", "", mode), OCI_ERROR);
    EXPECT_EQ(refused.error_code(), 1031);
  }
  {
    OciSession sys;
    ASSERT_EQ(sys.connect("sys", "change_on_install", ""), OCI_SUCCESS) << sys.error_text();
    EXPECT_EQ(sys.value("select count(*) from all_users where username in ('NEWCOMER')"), "0");
    EXPECT_EQ(sys.value("select n from alice.secrets"), "42") << "SYS holds every privilege";
  }
  OciSession wrong;
  EXPECT_EQ(wrong.connect("sys", "guess", "", OCI_SYSDBA), OCI_ERROR);
  EXPECT_EQ(wrong.error_code(), 1017);
  EXPECT_EQ(wrong.connect("/", "", "", OCI_SYSDBA), OCI_ERROR) << "operating-system credentials";
  EXPECT_EQ(wrong.error_code(), 1031);
  OciSession dba;
  ASSERT_EQ(dba.connect("sys", "change_on_install", "", OCI_SYSDBA), OCI_SUCCESS) << dba.error_text();
  EXPECT_EQ(dba.value("select user, n from alice.secrets"), "SYS|42");
}

TEST_F(Oci, ExternalCredentialsUseTheOperatingSystemUser) {
  embedded_only();
  OciSession s;
  ASSERT_EQ(s.connect("/", "", ""), OCI_SUCCESS) << s.error_text();
  std::string user = s.value("select user from dual");
  EXPECT_FALSE(user.empty());
  EXPECT_EQ(user.find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos);
}

TEST_F(Oci, NetworkConnectDescriptorsAreRefused) {
  embedded_only();
  OciSession s;
  std::string tns = "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(PROTOCOL=TCP)(HOST=db)(PORT=1521)))(CONNECT_DATA=(SID=ORCL)))";
  EXPECT_EQ(s.connect("scott", "tiger", tns), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 12541);
  EXPECT_EQ(s.connect("scott", "tiger", "db.example:1521/orcl"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-12154: TNS:could not resolve the connect identifier specified\n");
}

TEST_F(Oci, ServerVersionNamesTheEngineAndSqlite) {
  embedded_only();
  OciSession s;
  connect(s);
  OraText buf[512];
  ASSERT_EQ(s.oci->OCIServerVersion(s.svc, s.err, buf, sizeof buf, OCI_HTYPE_SVCCTX), OCI_SUCCESS);
  std::string banner = reinterpret_cast<char*>(buf);
  EXPECT_EQ(banner.rfind("Vantro Embedded Database Release ", 0), 0u) << banner;
  EXPECT_NE(banner.find(" - SQLite 3."), std::string::npos) << banner;
  EXPECT_NE(banner.find("\nVersion "), std::string::npos) << banner;
  OraText small[10];
  ASSERT_EQ(s.oci->OCIServerVersion(s.svc, s.err, small, sizeof small, OCI_HTYPE_SVCCTX), OCI_SUCCESS);
  EXPECT_EQ(std::strlen(reinterpret_cast<char*>(small)), 9u);
}

TEST_F(Oci, HandlesAttributesAndCallOrder) {
  OciSession s;
  connect(s);
  const OciApi* oci = s.oci;
  EXPECT_EQ(oci->OCIHandleAlloc(nullptr, nullptr, OCI_HTYPE_STMT, 0, nullptr), OCI_INVALID_HANDLE);
  EXPECT_EQ(oci->OCIHandleFree(s.err, OCI_HTYPE_STMT), OCI_INVALID_HANDLE) << "wrong type for the handle";
  EXPECT_EQ(oci->OCIStmtExecute(s.svc, nullptr, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_INVALID_HANDLE);
  OraText buf[64];
  sb4 code = 0;
  EXPECT_EQ(oci->OCIErrorGet(s.env, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ENV), OCI_NO_DATA);

  ASSERT_EQ(s.exec("create table h (v varchar2(3))"), OCI_SUCCESS) << s.error_text();
  OciStatement st(s, "select v from h");
  EXPECT_EQ(st.attr_ub2(OCI_ATTR_STMT_TYPE), OCI_STMT_SELECT) << "known right after prepare";
  EXPECT_EQ(st.fetch(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 24338);
  // Fixed-width attributes are written with their own width and nothing beyond it.
  unsigned char wide[8];
  std::memset(wide, 0xAB, sizeof wide);
  ASSERT_EQ(oci->OCIAttrGet(st.stmt, OCI_HTYPE_STMT, wide, nullptr, OCI_ATTR_STMT_TYPE, s.err), OCI_SUCCESS);
  EXPECT_EQ(wide[2], 0xAB);
  ASSERT_EQ(oci->OCIStmtExecute(s.svc, st.stmt, s.err, 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY), OCI_SUCCESS);
  void* p = nullptr;
  ASSERT_EQ(oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, 1), OCI_SUCCESS);
  std::memset(wide, 0xAB, sizeof wide);
  ub4 size = 0;
  ASSERT_EQ(oci->OCIAttrGet(p, OCI_HTYPE_DESCRIBE, wide, &size, OCI_ATTR_DATA_SIZE, s.err), OCI_SUCCESS)
      << "parameters answer as OCI_HTYPE_DESCRIBE too";
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(wide[2], 0xAB);
  std::memset(wide, 0xAB, sizeof wide);
  ASSERT_EQ(oci->OCIAttrGet(p, OCI_DTYPE_PARAM, wide, nullptr, OCI_ATTR_SCALE, s.err), OCI_SUCCESS);
  EXPECT_EQ(wide[1], 0xAB);

  ASSERT_EQ(oci->OCIStmtPrepare(st.stmt, s.err, reinterpret_cast<const OraText*>("insert into h values ('a')"), 26,
                                OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(st.execute(0), OCI_ERROR) << "a DML statement needs an iteration";
  EXPECT_EQ(s.error_code(), 24333);
  ASSERT_EQ(oci->OCIStmtExecute(s.svc, st.stmt, s.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  ASSERT_EQ(oci->OCITransRollback(s.svc, s.err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(s.value("select v from h"), "a") << "OCI_COMMIT_ON_SUCCESS committed";

  // Re-executing a query keeps its defines; CHR defines get no terminator.
  OciStatement q(s, "select v from h");
  char chr[3];
  ub2 rlen = 0;
  OCIDefine* d = nullptr;
  oci->OCIDefineByPos(q.stmt, &d, s.err, 1, chr, sizeof chr, SQLT_CHR, nullptr, &rlen, nullptr, OCI_DEFAULT);
  for (int round = 0; round < 2; ++round) {
    std::memset(chr, '#', sizeof chr);
    ASSERT_EQ(q.execute(1), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(std::string(chr, 3), "a##");
    EXPECT_EQ(rlen, 1);
  }
  OCIDefine* extra = nullptr;
  oci->OCIDefineByPos(q.stmt, &extra, s.err, 2, chr, sizeof chr, SQLT_CHR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(q.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1007);
}

TEST_F(Oci, ErrorRecordsAndParseOffsets) {
  OciSession s;
  connect(s);
  struct Case {
    const char* sql;
    int code;
    const char* at;  // the token the offset must point at
  } cases[] = {
      {"select * from no_such_table", 942, "no_such_table"},
      {"select ename, nocol from emp_e", 904, "nocol"},
      {"select 1 frm dual", 923, "dual"},
      {"select 1 from dual where", 936, ""},
      {"selec 1 from dual", 900, "selec"},
      {"select 1 from dual dual2 x", 933, "x"},
      {"select (1 from dual", 907, "from"},
      {"select 'abc from dual", 1756, "'abc"},
      {"select 1 from dual;", 911, ";"},
  };
  ASSERT_EQ(s.exec("create table emp_e (ename varchar2(10))"), OCI_SUCCESS) << s.error_text();
  for (const Case& c : cases) {
    OciStatement st(s, c.sql);
    EXPECT_EQ(st.execute(0), OCI_ERROR) << c.sql;
    sb4 code = 0;
    std::string text = s.error_text(&code);
    EXPECT_EQ(code, c.code) << c.sql << ": " << text;
    EXPECT_EQ(text.compare(0, 4, "ORA-"), 0);
    EXPECT_EQ(text.back(), '\n');
    std::string sql = c.sql;
    std::size_t expected = *c.at ? sql.find(c.at) : sql.size();
    EXPECT_EQ(st.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), expected) << c.sql;
  }
  OraText buf[64];
  sb4 code = 0;
  EXPECT_EQ(s.oci->OCIErrorGet(s.err, 2, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR), OCI_NO_DATA);
  EXPECT_EQ(s.exec("select * from no_such_table"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00942: table or view does not exist\n");
  EXPECT_EQ(s.oci->OCIErrorGet(s.err, 1, nullptr, &code, buf, 10, OCI_HTYPE_ERROR), OCI_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "ORA-00942");
}

TEST_F(Oci, ArrayFetchCountsRowsCumulativelyAndEndsWithNoData) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table nums (n number)"), OCI_SUCCESS) << s.error_text();
  for (int i = 1; i <= 5; ++i) ASSERT_EQ(s.exec("insert into nums values (" + std::to_string(i) + ")"), OCI_SUCCESS);
  OciStatement st(s, "select n from nums order by n");
  ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(st.attr_ub4(OCI_ATTR_ROW_COUNT), 0u);
  EXPECT_EQ(st.attr_ub4(OCI_ATTR_PARAM_COUNT), 1u);
  int values[2] = {0, 0};
  sb2 ind[2];
  OCIDefine* d = nullptr;
  ASSERT_EQ(s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, values, sizeof(int), SQLT_INT, ind, nullptr, nullptr,
                                  OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(st.fetch(2), OCI_SUCCESS);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], 2);
  EXPECT_EQ(st.attr_ub4(OCI_ATTR_ROW_COUNT), 2u);
  EXPECT_EQ(st.fetch(2), OCI_SUCCESS);
  EXPECT_EQ(st.attr_ub4(OCI_ATTR_ROW_COUNT), 4u);
  EXPECT_EQ(st.fetch(2), OCI_NO_DATA);
  EXPECT_EQ(st.attr_ub4(OCI_ATTR_ROWS_FETCHED), 1u);
  EXPECT_EQ(st.attr_ub4(OCI_ATTR_ROW_COUNT), 5u);
  EXPECT_EQ(values[0], 5);
}

TEST_F(Oci, ExecuteWithOneIterationDeliversTheFirstRow) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table names (n varchar2(20))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into names values ('first')"), OCI_SUCCESS);
  char buf[40] = "untouched";
  for (const char* v : {"first", "missing"}) {
    OciStatement st(s, "select n from names where n = :v");
    OCIBind* b = nullptr;
    ASSERT_EQ(s.oci->OCIBindByPos(st.stmt, &b, s.err, 1, const_cast<char*>(v), static_cast<sb4>(std::strlen(v)),
                                  SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    OCIDefine* d = nullptr;
    ASSERT_EQ(s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, sizeof buf, SQLT_STR, nullptr, nullptr, nullptr,
                                    OCI_DEFAULT),
              OCI_SUCCESS);
    sword status = st.execute(1);
    if (std::strcmp(v, "first") == 0) {
      EXPECT_EQ(status, OCI_SUCCESS) << s.error_text();
      EXPECT_STREQ(buf, "first");
    } else {
      EXPECT_EQ(status, OCI_NO_DATA);
    }
  }
  OciStatement undefined(s, "select n from names");
  EXPECT_EQ(undefined.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 24374);
}

struct Described {
  ub2 type, size;
  sb2 precision;
  sb1 scale;
  std::string name;
};

std::vector<Described> describe(OciSession& s, const std::string& sql) {
  OciStatement st(s, sql);
  std::vector<Described> out;
  if (st.execute(0) != OCI_SUCCESS) {
    ADD_FAILURE() << sql << ": " << s.error_text();
    return out;
  }
  for (ub4 i = 1; i <= st.attr_ub4(OCI_ATTR_PARAM_COUNT); ++i) {
    void* p = nullptr;
    EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, i), OCI_SUCCESS);
    Described d{};
    OraText* name = nullptr;
    ub4 len = 0;
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &d.type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &d.size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &d.precision, nullptr, OCI_ATTR_PRECISION, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &d.scale, nullptr, OCI_ATTR_SCALE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, s.err);
    d.name.assign(reinterpret_cast<char*>(name), len);
    s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
    out.push_back(d);
  }
  void* past = nullptr;
  EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &past, static_cast<ub4>(out.size() + 1)), OCI_ERROR);
  return out;
}

TEST_F(Oci, DescribeReportsOracleTypeCodesAndSizes) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table typed (v varchar2(20), c char(5), n number(7,2), f number, i integer, d date,"
                   " r raw(16), cl clob, bl blob, l long, nv nvarchar2(10), ts timestamp)"),
            OCI_SUCCESS)
      << s.error_text();
  std::vector<Described> d = describe(s, "select * from typed");
  ASSERT_EQ(d.size(), 12u);
  EXPECT_EQ(d[0].type, 1);
  EXPECT_EQ(d[0].size, 20);
  EXPECT_EQ(d[0].name, "V");
  EXPECT_EQ(d[1].type, 96);
  EXPECT_EQ(d[1].size, 5);
  EXPECT_EQ(d[2].type, 2);
  EXPECT_EQ(d[2].size, 22);
  EXPECT_EQ(d[2].precision, 7);
  EXPECT_EQ(d[2].scale, 2);
  EXPECT_EQ(d[3].precision, 0);
  EXPECT_EQ(d[3].scale, -127);
  EXPECT_EQ(d[4].precision, 38);
  EXPECT_EQ(d[4].scale, 0);
  EXPECT_EQ(d[5].type, 12);
  EXPECT_EQ(d[5].size, 7);
  EXPECT_EQ(d[6].type, 23);
  EXPECT_EQ(d[6].size, 16);
  EXPECT_EQ(d[7].type, 112);
  EXPECT_EQ(d[8].type, 113);
  EXPECT_EQ(d[9].type, 8);
  EXPECT_EQ(d[10].type, 1);
  EXPECT_EQ(d[11].type, 187);

  d = describe(s, "select 'abc', v || 'xy' joined, count(*), sysdate, n * 2, upper(c) from typed group by 'abc', v || 'xy', sysdate, n * 2, upper(c)");
  ASSERT_EQ(d.size(), 6u);
  EXPECT_EQ(d[0].type, 96);
  EXPECT_EQ(d[0].size, 3);
  EXPECT_EQ(d[0].name, "'ABC'");
  EXPECT_EQ(d[1].type, 1);
  EXPECT_EQ(d[1].size, 22) << "a concatenation is as wide as its parts, no wider";
  EXPECT_EQ(d[1].name, "JOINED");
  EXPECT_EQ(d[2].type, 2);
  EXPECT_EQ(d[2].name, "COUNT(*)");
  EXPECT_EQ(d[3].type, 12);
  EXPECT_EQ(d[4].type, 2);
  EXPECT_EQ(d[4].name, "N*2");
  EXPECT_EQ(d[5].type, 1);
  EXPECT_EQ(d[5].size, 5);

  // A column fed by several branches is as wide as the widest, so no value is cut.
  d = describe(s, "select case when 1 = 1 then 'a' else 'abcdef' end from dual union all select 'abcdefgh' from dual");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].type, 1);
  EXPECT_EQ(d[0].size, 8);
}

TEST_F(Oci, ValuesComeOutAsOraclePrintsThem) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table vals (n number, d date, c char(5), r raw(4), v varchar2(10))"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into vals values (1.50, '15-MAR-04', 'ab', 'c0ffee', '')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select n, d, c, r, v from vals"), "1.5|15-MAR-04|ab   |C0FFEE|<null>");
  EXPECT_EQ(s.value("select 0.5, -0.5, 7/2, 6/3, 100, 1e3 from dual"), ".5|-.5|3.5|2|100|1000");
  EXPECT_EQ(s.value("select 'a' || null || 'b', null || null from dual"), "ab|<null>");
  EXPECT_EQ(s.value("select 1 + 2 || 3 from dual"), "33") << "|| binds as loosely as + and -";
  EXPECT_EQ(s.value("select d + 1 from vals"), "16-MAR-04");
  EXPECT_EQ(s.value("select count(*) from vals where d = date '2004-03-15' and d = timestamp '2004-03-15 00:00:00'"
                    " and d < timestamp '2004-03-15 00:00:00.5'"),
            "1");
  ASSERT_EQ(s.exec("create table moments (ts timestamp, dt date)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into moments select d, timestamp '2004-03-15 10:11:12.75' from vals"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select count(*) from moments where ts = date '2004-03-15'"), "1");
  EXPECT_EQ(s.value("select ts, dt from moments"), "15-MAR-04 12.00.00.000000 AM|15-MAR-04");
  EXPECT_EQ(s.value("select count(*) from moments where dt = timestamp '2004-03-15 10:11:12'"), "1")
      << "a TIMESTAMP stored into a DATE drops the fraction";
  EXPECT_EQ(s.exec("select date '2004-02-30' from dual"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1839);
  EXPECT_EQ(s.value("select d - 1e7 from vals"), "error: ORA-01841: (full) year must be between -4713 and +9999, and not be 0\n");
  EXPECT_EQ(s.value("select count(*) from vals where d > '14-MAR-04'"), "1");
  ASSERT_EQ(s.exec("alter session set nls_date_format = 'YYYY-MM-DD HH24:MI:SS'"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select d from vals"), "2004-03-15 00:00:00");
  EXPECT_EQ(s.exec("alter session set nls_date_format = 'ZZZ'"), OCI_ERROR);
  EXPECT_EQ(s.value("select count(*) from vals where v is null and c = 'ab'"), "1");
  // CHAR compares blank-padded with text literals, padded with VARCHAR2 values.
  EXPECT_EQ(s.value("select count(*) from vals where c = 'ab   ' and c || '|' = 'ab   |' and length(c) = 5"), "1");
  {
    OciStatement q(s, "select count(*) from vals where c = :v");
    OCIBind* b = nullptr;
    s.oci->OCIBindByPos(q.stmt, &b, s.err, 1, const_cast<char*>("ab"), 2, SQLT_CHR, nullptr, nullptr, nullptr, 0,
                        nullptr, OCI_DEFAULT);
    int n = -1;
    OCIDefine* d = nullptr;
    s.oci->OCIDefineByPos(q.stmt, &d, s.err, 1, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
    ASSERT_EQ(q.execute(1), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(n, 0) << "a VARCHAR2 bind 'ab' does not equal CHAR(5) 'ab   '";
  }
  EXPECT_EQ(s.value("select count(*) from vals where 'AB' like 'a%'"), "0") << "LIKE is case-sensitive";
  ASSERT_EQ(s.exec("create table scaled (m number(7,2), h number(7,-2), i integer)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into scaled values (1.005, 1250, 2.5)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into scaled values ('-0.125', '-49', -2.5)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select m, h, i from scaled order by m desc"),
            (std::vector<std::string>{"1.01|1300|3", "-.13|0|-3"}));
}

TEST_F(Oci, IndicatorsAndTruncationFollowTheReturnCodeRule) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table tr (v varchar2(10))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into tr values ('abcdef')"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into tr values (null)"), OCI_SUCCESS);
  const char* sql = "select v from tr order by v nulls last";
  {
    OciStatement st(s, sql);
    ASSERT_EQ(st.execute(0), OCI_SUCCESS);
    char buf[2][4];
    sb2 ind[2];
    ub2 rcode[2], rlen[2];
    OCIDefine* d = nullptr;
    s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, 4, SQLT_STR, ind, rlen, rcode, OCI_DEFAULT);
    EXPECT_EQ(st.fetch(2), OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(s.error_code(), 24345);
    EXPECT_STREQ(buf[0], "abc");
    EXPECT_EQ(ind[0], 6);
    EXPECT_EQ(rcode[0], 1406);
    EXPECT_EQ(rlen[0], 3);
    EXPECT_EQ(ind[1], -1);
    EXPECT_EQ(rcode[1], 0);
  }
  {
    OciStatement st(s, sql);
    ASSERT_EQ(st.execute(0), OCI_SUCCESS);
    char buf[4];
    sb2 ind;
    OCIDefine* d = nullptr;
    s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, 4, SQLT_STR, &ind, nullptr, nullptr, OCI_DEFAULT);
    EXPECT_EQ(st.fetch(1), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 1406);
    EXPECT_STREQ(buf, "abc") << "never more than the buffer holds";
  }
  {
    OciStatement st(s, "select v from tr where v is null");
    ASSERT_EQ(st.execute(0), OCI_SUCCESS);
    char buf[16];
    OCIDefine* d = nullptr;
    s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, sizeof buf, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
    EXPECT_EQ(st.fetch(1), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 1405);
  }
}

// A number longer than a text buffer arrives rounded to the digits that fit (plain or
// scientific, whichever keeps more), never cut to a different number.
TEST_F(Oci, NumbersLongerThanATextBufferAreRoundedToFit) {
  OciSession s;
  connect(s);
  const struct {
    const char* expr;
    const char* shown;
  } kCases[] = {
      {"1/3", ".33333333333333333333333333333333333333"},
      {"-1/3", "-.3333333333333333333333333333333333333"},
      {"sqrt(2)", "1.4142135623730950488016887242096980786"},
      {"2/3 * 1000", "666.66666666666666666666666666666666667"},
      {"1234567890123456789012345678901234567890", "1.234567890123456789012345678901235E+39"},
      {"-15e-39", "-1.5E-38"},
      {"123456789012345678901234567890123456789", "123456789012345678901234567890123456789"},
  };
  for (const auto& c : kCases) {
    OciStatement st(s, std::string("select ") + c.expr + " from dual");
    ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
    char buf[40];
    sb2 ind = 0;
    OCIDefine* d = nullptr;
    s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, sizeof buf, SQLT_STR, &ind, nullptr, nullptr, OCI_DEFAULT);
    EXPECT_EQ(st.fetch(1), OCI_SUCCESS) << c.expr << ": " << s.error_text();
    EXPECT_STREQ(buf, c.shown) << c.expr;
    EXPECT_EQ(ind, 0) << c.expr;
  }
  // Where not even one digit fits, the value is reported as truncated.
  OciStatement st(s, "select 1e100 from dual");
  ASSERT_EQ(st.execute(0), OCI_SUCCESS);
  char small[4];
  sb2 ind = 0;
  OCIDefine* d = nullptr;
  s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, small, sizeof small, SQLT_STR, &ind, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(st.fetch(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1406);
}

TEST_F(Oci, BindsByPositionAndByName) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table b (id number, name varchar2(20))"), OCI_SUCCESS) << s.error_text();
  OciStatement ins(s, "insert into b (id, name) values (:id, :name)");
  int id = 7;
  char name[] = "seven";
  OCIBind* b1 = nullptr;
  OCIBind* b2 = nullptr;
  ASSERT_EQ(s.oci->OCIBindByName(ins.stmt, &b1, s.err, reinterpret_cast<const OraText*>(":ID"), 3, &id, sizeof id,
                                 SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(s.oci->OCIBindByName(ins.stmt, &b2, s.err, reinterpret_cast<const OraText*>(":name"), 5, name,
                                 sizeof name, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(ins.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(ins.attr_ub4(OCI_ATTR_ROW_COUNT), 1u);
  sb2 null_ind = -1;
  id = 8;
  ASSERT_EQ(s.oci->OCIBindByName(ins.stmt, &b2, s.err, reinterpret_cast<const OraText*>(":name"), 5, name,
                                 sizeof name, SQLT_STR, &null_ind, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(ins.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select id, name from b order by id"), (std::vector<std::string>{"7|seven", "8|<null>"}));

  // Array DML: one execution per element, stopping at the first failing one.
  ASSERT_EQ(s.exec("create unique index b_id on b (id)"), OCI_SUCCESS) << s.error_text();
  OciStatement many(s, "insert into b (id, name) values (:1, :2)");
  int ids[4] = {20, 21, 7, 22};
  char names[4][8] = {"twenty", "", "dup", "x"};
  sb2 name_inds[4] = {0, -1, 0, 0};
  s.oci->OCIBindByPos(many.stmt, &b1, s.err, 1, ids, sizeof ids[0], SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                      OCI_DEFAULT);
  s.oci->OCIBindByPos(many.stmt, &b2, s.err, 2, names, sizeof names[0], SQLT_STR, name_inds, nullptr, nullptr, 0,
                      nullptr, OCI_DEFAULT);
  EXPECT_EQ(many.execute(4), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1);
  EXPECT_EQ(many.attr_ub4(OCI_ATTR_ROW_COUNT), 2u);
  EXPECT_EQ(s.rows("select id, name from b where id >= 20 order by id"),
            (std::vector<std::string>{"20|twenty", "21|<null>"}));
  ASSERT_EQ(s.oci->OCIStmtExecute(s.svc, many.stmt, s.err, 4, 3, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
      << "row offset 3 runs the last element only";
  EXPECT_EQ(s.value("select name from b where id = 22"), "x");

  OciStatement upd(s, "update b set name = :1 where id >= :2");
  const char* text = "x";
  int low = 0;
  s.oci->OCIBindByPos(upd.stmt, &b1, s.err, 1, const_cast<char*>(text), 1, SQLT_CHR, nullptr, nullptr, nullptr, 0,
                      nullptr, OCI_DEFAULT);
  EXPECT_EQ(upd.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1008);
  s.oci->OCIBindByPos(upd.stmt, &b2, s.err, 2, &low, sizeof low, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                      OCI_DEFAULT);
  ASSERT_EQ(upd.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(upd.attr_ub4(OCI_ATTR_ROW_COUNT), 5u);
}

TEST_F(Oci, ReturningIntoWritesOutBinds) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table r (id number, name varchar2(10), born date)"), OCI_SUCCESS) << s.error_text();
  OciStatement ins(s, "insert into r values (:id, 'abcdef', '01-JAN-2000') returning name, born, id * 2 into :n, :b, :twice");
  int id = 21, twice = 0;
  char name[4], born[16];
  sb2 name_ind = 0, born_ind = 0;
  ub2 name_rcode = 0;
  OCIBind* b = nullptr;
  s.oci->OCIBindByName(ins.stmt, &b, s.err, reinterpret_cast<const OraText*>(":id"), 3, &id, sizeof id, SQLT_INT,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  s.oci->OCIBindByName(ins.stmt, &b, s.err, reinterpret_cast<const OraText*>(":n"), 2, name, sizeof name, SQLT_STR,
                       &name_ind, nullptr, &name_rcode, 0, nullptr, OCI_DEFAULT);
  s.oci->OCIBindByName(ins.stmt, &b, s.err, reinterpret_cast<const OraText*>(":b"), 2, born, sizeof born, SQLT_STR,
                       &born_ind, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  s.oci->OCIBindByName(ins.stmt, &b, s.err, reinterpret_cast<const OraText*>(":twice"), 6, &twice, sizeof twice,
                       SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(ins.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(twice, 42);
  EXPECT_STREQ(born, "01-JAN-00");
  EXPECT_STREQ(name, "abc") << "an out bind is cut to its buffer, with the indicator saying so";
  EXPECT_EQ(name_ind, 6);
  EXPECT_EQ(name_rcode, 1406);

  ASSERT_EQ(s.exec("insert into r (id) values (2)"), OCI_SUCCESS);
  OciStatement upd(s, "update r set id = id + 1 returning id into :x");
  int x = 0;
  s.oci->OCIBindByPos(upd.stmt, &b, s.err, 1, &x, sizeof x, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                      OCI_DEFAULT);
  EXPECT_EQ(upd.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1422);
  EXPECT_EQ(s.rows("select id from r order by id"), (std::vector<std::string>{"2", "21"})) << "the update was undone";
}

// Literal values in DML are stored as computed when the statement is translated; the same
// value given as text goes through the store functions as the statement runs. Both must
// store exactly the same value and refuse the same values.
TEST_F(Oci, LiteralValuesAreStoredAsTheStoreFunctionsStoreThem) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table t (k number, n number, n12_2 number(12,2), n5 number(5), n3_m1 number(3,-1))"),
            OCI_SUCCESS)
      << s.error_text();
  struct Case {
    const char* column;
    const char* literal;
    const char* shown;  // as stored and fetched, or "" for ORA-01438
  } cases[] = {
      {"n", "0.1", ".1"},
      {"n", "123.25", "123.25"},
      {"n", "5.0", "5"},
      {"n", "1e5", "100000"},
      {"n", "2.5e-3", ".0025"},
      {"n", "1e-20", ".00000000000000000001"},
      {"n", "123456789012345", "123456789012345"},
      {"n", "1234567890123456789", "1234567890123456789"},
      {"n", "0.1234567890123456789", ".1234567890123456789"},
      {"n", "3.14159265358979323846264338327950288419", "3.14159265358979323846264338327950288419"},
      {"n12_2", "1.005", "1.01"},
      {"n12_2", "123.456", "123.46"},
      {"n12_2", "9999999999.994", "9999999999.99"},
      {"n12_2", "9999999999.995", ""},
      {"n5", "2.5", "3"},
      {"n5", "99999", "99999"},
      {"n5", "100000", ""},
      {"n3_m1", "1234", "1230"},
      {"n3_m1", "9995", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.column) + " " + c.literal);
    ASSERT_EQ(s.exec("delete from t"), OCI_SUCCESS);
    std::string col = c.column;
    sword literal = s.exec("insert into t (k, " + col + ") values (1, " + c.literal + ")");
    int literal_code = literal == OCI_SUCCESS ? 0 : s.error_code();
    sword text = s.exec("insert into t (k, " + col + ") values (2, '" + c.literal + "')");
    int text_code = text == OCI_SUCCESS ? 0 : s.error_code();
    if (!*c.shown) {
      EXPECT_EQ(literal_code, 1438);
      EXPECT_EQ(text_code, 1438);
      continue;
    }
    ASSERT_EQ(literal_code, 0) << s.error_text();
    ASSERT_EQ(text_code, 0) << s.error_text();
    EXPECT_EQ(s.rows("select " + col + " from t order by k"), (std::vector<std::string>{c.shown, c.shown}));
    EXPECT_EQ(s.value("select count(*) from t a, t b where a.k = 1 and b.k = 2 and a." + col + " = b." + col), "1");
  }

  ASSERT_EQ(s.exec("create table w (k number, c char(5), v varchar2(3), vc varchar2(3 char))"), OCI_SUCCESS)
      << s.error_text();
  const std::string euro = "\xE2\x82\xAC";
  ASSERT_EQ(s.exec("insert into w values (1, 'ab   ', 'it''', '" + euro + euro + euro + "')"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into w values (2, '', '   ', '')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select k, c || '|', v, vc from w order by k"),
            (std::vector<std::string>{"1|ab   ||it'|" + euro + euro + euro, "2|||   |<null>"}));
  EXPECT_EQ(s.value("select count(*) from w where c = 'ab' and v = 'it'''"), "1");
  EXPECT_EQ(s.exec("insert into w (v) values ('abcd')"), OCI_ERROR);
  EXPECT_NE(s.error_text().find(".\"W\".\"V\" (actual: 4, maximum: 3)"), std::string::npos) << s.error_text();
  EXPECT_EQ(s.exec("insert into w (vc) values ('" + euro + euro + euro + euro + "')"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 12899);
}

TEST_F(Oci, SqliteFailuresBecomeOracleErrors) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table dept (deptno number(2) primary key, dname varchar2(5) not null)"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create table emp (empno number primary key, deptno number references dept(deptno))"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into dept values (10, 'SALES')"), OCI_SUCCESS) << s.error_text();
  struct Case {
    const char* sql;
    int code;
  } cases[] = {
      {"insert into dept values (10, 'X')", 1},
      {"insert into dept (deptno) values (20)", 1400},
      {"insert into dept values ('ten', 'X')", 1722},
      {"insert into dept values (100, 'X')", 1438},
      {"insert into dept values (30, 'TOOLONG')", 12899},
      {"create table dept (x number)", 955},
      {"insert into emp values (1, 99)", 2291},
      {"select 1/0 from dual", 1476},
      {"insert into dept values (40)", 947},
      {"insert into dept values (40, 'A', 'B')", 913},
      {"select deptno, count(*) from dept", 937},
      {"select dname, count(*) from dept group by deptno", 979},
      {"select (select deptno from dept union all select deptno from dept) from dual", 1427},
      {"drop table nothing_here", 942},
      {"select dummy, dummy from dual a, dual b", 918},
  };
  for (const Case& c : cases) {
    // Queries fail when executed or, for errors in the values, when fetched.
    std::vector<std::string> rows = s.rows(c.sql);
    if (std::string(c.sql).compare(0, 6, "select") != 0) EXPECT_EQ(s.exec(c.sql), OCI_ERROR) << c.sql;
    else EXPECT_EQ(rows.back().compare(0, 6, "error:"), 0) << c.sql;
    EXPECT_EQ(s.error_code(), c.code) << c.sql << ": " << s.error_text();
  }
  ASSERT_EQ(s.exec("insert into emp values (1234567890123456789, 10)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select empno from emp"), "1234567890123456789") << "64-bit integers are kept exactly";
  ASSERT_EQ(s.exec("insert into emp values (1, 10)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("delete from dept"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2292);
  EXPECT_EQ(s.exec("drop table dept"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2449);
  EXPECT_EQ(s.exec("alter table emp add (mandatory number not null)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1758);
  EXPECT_EQ(s.exec("insert into dept (deptno) values (20)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01400: cannot insert NULL into (\"SCOTT\".\"DEPT\".\"DNAME\")\n");
  // Constraint errors name the constraint, given or system-generated.
  ASSERT_EQ(s.exec("create table named (k number constraint named_pk primary key, v number check (v > 0),"
                   " p number, constraint named_fk foreign key (p) references dept (deptno))"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into named values (1, 1, 10)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("insert into named values (1, 1, 10)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00001: unique constraint (SCOTT.NAMED_PK) violated\n");
  ASSERT_EQ(s.exec("alter table named rename column k to kk"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("insert into named values (1, 1, 10)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00001: unique constraint (SCOTT.NAMED_PK) violated\n") << "still named after a rename";
  EXPECT_EQ(s.exec("insert into named values (2, 1, 99)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02291: integrity constraint (SCOTT.NAMED_FK) violated - parent key not found\n");
  EXPECT_EQ(s.exec("insert into named values (3, -1, 10)"), OCI_ERROR);
  EXPECT_EQ(s.error_text().rfind("ORA-02290: check constraint (SCOTT.SYS_C", 0), 0u) << s.error_text();
  EXPECT_EQ(s.exec("insert into dept select 50, dname || 'xx' from dept"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-12899: value too large for column \"SCOTT\".\"DEPT\".\"DNAME\" (actual: 7, maximum: 5)\n");
}

TEST_F(Oci, TransactionsFollowOracleRules) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table t (n number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into t values (1)"), OCI_SUCCESS);
  ASSERT_EQ(s.oci->OCITransRollback(s.svc, s.err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(s.value("select count(*) from t"), "0");

  ASSERT_EQ(s.exec("insert into t values (1)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("savepoint a"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into t values (2)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("rollback to savepoint a"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select count(*) from t"), "1");
  EXPECT_EQ(s.exec("rollback to nowhere"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1086);
  ASSERT_EQ(s.exec("commit"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(s.value("select count(*) from t"), "1");

  ASSERT_EQ(s.exec("insert into t values (3)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create table t2 (n number)"), OCI_SUCCESS) << "DDL commits what came before";
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(s.value("select count(*) from t"), "2");

  ASSERT_EQ(s.exec("insert into t values (4)"), OCI_SUCCESS);
  s.disconnect();
  OciSession again;
  connect(again);
  EXPECT_EQ(again.value("select count(*) from t"), "2") << "an open transaction is rolled back at session end";
  ASSERT_EQ(again.exec("insert into t values (5)"), OCI_SUCCESS);
  ASSERT_EQ(again.oci->OCITransCommit(again.svc, again.err, OCI_DEFAULT), OCI_SUCCESS);
  again.disconnect();
  OciSession third;
  connect(third);
  EXPECT_EQ(third.value("select count(*) from t"), "3");
}

// Every kind of statement goes through one routing table: DDL of every family commits the
// open transaction first (even when its names then fail to check out), a statement the
// grammar refuses changes nothing, and a statement that runs once refuses an iteration
// count of 0 before it does anything.
TEST_F(Oci, EveryKindOfStatementFollowsItsRoute) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table r (n number)"), OCI_SUCCESS) << s.error_text();
  const char* ddl[] = {
      "create table r2 (n number) tablespace users",
      "create index r_n on r (n)",
      "alter table r add (m number)",
      "alter table r add constraint r_pos check (n > 0)",
      "alter table r modify n not null",
      "create sequence r_seq",
      "alter sequence r_seq increment by 2",
      "create view r_v as select n from r",
      "create synonym r_syn for r",
      "comment on table r is 'routed'",
      "create procedure r_p as begin null; end;",
      "alter procedure r_p compile",
      "create trigger r_t before insert on r2 begin null; end;",
      "alter trigger r_t disable",
      "drop trigger r_t",
      "drop procedure r_p",
      "drop synonym r_syn",
      "drop view r_v",
      "drop sequence r_seq",
      "drop index r_n",
      "truncate table r2",
      "drop table r2",
      "drop table no_such_table",
      "drop sequence no_such_sequence",
  };
  int rows = 0;
  for (const char* sql : ddl) {
    ASSERT_EQ(s.exec("insert into r (n) values (1)"), OCI_SUCCESS) << s.error_text();
    ++rows;
    sword st = s.exec(sql);
    bool missing = std::strstr(sql, "no_such") != nullptr;
    EXPECT_EQ(st, missing ? OCI_ERROR : OCI_SUCCESS) << sql << ": " << s.error_text();
    ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select count(*) from r"), std::to_string(rows)) << sql << " commits first";
  }

  ASSERT_EQ(s.exec("insert into r (n) values (1)"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("create table (n number)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 903);
  EXPECT_EQ(s.exec("create sequence"), OCI_ERROR) << "the catalog's own grammar";
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  ++rows;  // CREATE SEQUENCE's names are checked after the commit, as Oracle does
  EXPECT_EQ(s.value("select count(*) from r"), std::to_string(rows));

  ASSERT_EQ(s.exec("insert into r (n) values (1)"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("create table r3 (n number"), OCI_ERROR);
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(s.value("select count(*) from r"), std::to_string(rows)) << "a refused DDL does not commit";

  const char* once[] = {"create table r4 (n number)",
                        "create sequence r4_seq",
                        "begin null; end;",
                        "explain plan for select * from r",
                        "commit",
                        "insert into r (n) values (1)",
                        "create procedure r4_p as begin null; end;"};
  for (const char* sql : once) {
    OciStatement st(s, sql);
    EXPECT_EQ(st.execute(0), OCI_ERROR) << sql;
    EXPECT_EQ(s.error_code(), 24333) << sql;
  }
  EXPECT_EQ(s.value("select count(*) from user_objects where object_name like 'R4%'"), "0");
  EXPECT_EQ(s.value("select count(*) from r"), std::to_string(rows));

  // Errors inside the explained statement point into the whole text.
  OciStatement bad(s, "explain plan for select nope from r");
  EXPECT_EQ(bad.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 904);
  EXPECT_EQ(bad.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), 24);
}

TEST_F(Oci, SqlRoundTrips) {
  OciSession s;
  connect(s);
  for (const char* sql :
       {"create table dept (deptno number(2) constraint pk_dept primary key, dname varchar2(14), loc varchar2(13))",
        "create table emp (empno number(4) not null, ename varchar2(10), sal number(7,2), deptno number(2),"
        " hiredate date, constraint fk_dept foreign key (deptno) references dept (deptno))",
        "create index emp_dept on emp (deptno desc)", "insert into dept values (10, 'ACCOUNTING', 'NEW YORK')",
        "insert into dept values (20, 'RESEARCH', 'DALLAS')", "insert into dept values (30, 'SALES', 'CHICAGO')",
        "insert into emp values (7369, 'SMITH', 800, 20, '17-DEC-80')",
        "insert into emp values (7499, 'ALLEN', 1600, 30, '20-FEB-81')",
        "insert into emp values (7521, 'WARD', 1250.5, 30, '22-FEB-81')",
        "insert into emp values (7839, 'KING', 5000, 10, '17-NOV-81')",
        "update emp set sal = sal * 1.1 where deptno = 30", "delete from emp e where e.ename = 'KING'",
        "alter table emp add (comm number(7,2))", "create table \"Mixed\" (\"lower\" number)",
        "insert into \"Mixed\" values (1)"}) {
    ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text();
  }
  EXPECT_EQ(s.rows("select d.dname, count(e.empno), sum(e.sal) from dept d left join emp e on e.deptno = d.deptno"
                   " group by d.dname order by 1"),
            (std::vector<std::string>{"ACCOUNTING|0|<null>", "RESEARCH|1|800", "SALES|2|3135.55"}));
  EXPECT_EQ(s.rows("select ename from emp where deptno in (select deptno from dept where loc like 'C%') order by"
                   " ename desc"),
            (std::vector<std::string>{"WARD", "ALLEN"}));
  EXPECT_EQ(s.rows("select ename, hiredate from emp where sal > (select avg(sal) from emp) order by hiredate"),
            (std::vector<std::string>{"ALLEN|20-FEB-81", "WARD|22-FEB-81"}));
  EXPECT_EQ(s.value("select \"lower\" from \"Mixed\""), "1");
  EXPECT_EQ(s.value("select count(*) from emp where comm is null"), "3");
  EXPECT_EQ(s.rows("select deptno + 1, count(*) from emp group by deptno having count(*) > 1"),
            (std::vector<std::string>{"31|2"}));
  EXPECT_EQ(s.exec("select deptno from emp group by deptno having sal > 1"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 979);
  ASSERT_EQ(s.exec("create table audit_t (who varchar2(30) default user, at date default sysdate,"
                   " n number default 42, d date default '01-JAN-2000', x varchar2(5))"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into audit_t (x) values ('x')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select who, n, d, count(*) from audit_t where at <= sysdate group by who, n, d"),
            "SCOTT|42|01-JAN-00|1");
  EXPECT_EQ(s.exec("select * from mixed"), OCI_ERROR) << "quoted names keep their case";
  ASSERT_EQ(s.exec("create table emp_copy as select empno, ename, sal * 2 doubled, hiredate from emp where deptno = 30"),
            OCI_SUCCESS)
      << s.error_text();
  std::vector<Described> copy = describe(s, "select * from emp_copy");
  ASSERT_EQ(copy.size(), 4u);
  EXPECT_EQ(copy[0].precision, 4) << "copied columns keep their declared types";
  EXPECT_EQ(copy[1].size, 10);
  EXPECT_EQ(copy[2].name, "DOUBLED");
  EXPECT_EQ(copy[3].type, 12);
  EXPECT_EQ(s.value("select count(*) from emp_copy"), "2");
  EXPECT_EQ(s.exec("create table bad_copy as select count(*) from emp"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 998);
  ASSERT_EQ(s.exec("insert into emp_copy (empno) values (1)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("truncate table emp_copy"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(s.value("select count(*) from emp_copy"), "0") << "TRUNCATE is DDL: committed, not undone";
  EXPECT_EQ(s.exec("truncate table dept"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2266);
  EXPECT_EQ(s.exec("drop index emp_dept"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("drop index emp_dept"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1418);
  EXPECT_EQ(s.exec("drop table emp"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("select * from emp"), OCI_ERROR);
}

TEST_F(Oci, QueryShapesRoundTrip) {
  OciSession s;
  connect(s);
  for (const char* sql : {"create table a (id number, v varchar2(10))", "create table b (id number, w varchar2(10))",
                          "insert into a values (1, 'one')", "insert into a values (2, 'two')",
                          "insert into a values (3, 'x_3')", "insert into b values (2, 'deux')",
                          "insert into b values (4, 'quatre')", "insert into b select id + 10, v from a where id < 3"}) {
    ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text();
  }
  EXPECT_EQ(s.rows("select id from a union select id from b minus select 4 from dual order by 1"),
            (std::vector<std::string>{"1", "2", "3", "11", "12"}));
  EXPECT_EQ(s.rows("select a.v, b.w from a full join b on a.id = b.id order by a.id nulls first, b.id"),
            (std::vector<std::string>{"<null>|quatre", "<null>|one", "<null>|two", "one|<null>", "two|deux",
                                      "x_3|<null>"}));
  EXPECT_EQ(s.rows("select id, v from a join b using (id)"), (std::vector<std::string>{"2|two"}));
  EXPECT_EQ(s.rows("select v from a where v like 'x\\_%' escape '\\' or id between 1 and 1 order by v"),
            (std::vector<std::string>{"one", "x_3"}));
  EXPECT_EQ(s.rows("select case id when 1 then 'I' when 2 then 'II' else 'many' end from a where id not in (3)"
                   " order by id desc"),
            (std::vector<std::string>{"II", "I"}));
  EXPECT_EQ(s.value("select count(distinct w) from (select w from b union all select w from b) t"), "4");
  EXPECT_EQ(s.value("select max(v) from sys.dual d, a where exists (select 1 from b where b.id = a.id)"), "two");
  std::string deep = "select " + std::string(300, '(') + "1" + std::string(300, ')') + " from dual";
  EXPECT_EQ(s.exec(deep), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 3095) << "deep nesting is refused, not a crash";
}

TEST_F(Oci, LobReadsInPiecesFromOffsetOne) {
  OciSession s;
  connect(s);
  ASSERT_EQ(s.exec("create table docs (c clob, b blob)"), OCI_SUCCESS) << s.error_text();
  std::string text(10000, 'x');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  {
    OciStatement ins(s, "insert into docs (c) values (:1)");
    OCIBind* b = nullptr;
    s.oci->OCIBindByPos(ins.stmt, &b, s.err, 1, const_cast<char*>(text.data()), static_cast<sb4>(text.size()),
                        SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    ASSERT_EQ(ins.execute(1), OCI_SUCCESS) << s.error_text();
  }
  OciStatement st(s, "select c from docs");
  ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
  OCILobLocator* loc = nullptr;
  ASSERT_EQ(s.oci->OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr),
            OCI_SUCCESS);
  sb2 ind = 0;
  OCIDefine* d = nullptr;
  ASSERT_EQ(s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, &loc, sizeof loc, SQLT_CLOB, &ind, nullptr, nullptr,
                                  OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(st.fetch(1), OCI_SUCCESS) << s.error_text();
  std::string got;
  char buf[4000];
  ub4 amount = 0;
  ub4 offset = 1;
  std::vector<sword> statuses;
  for (;;) {
    sword r = s.oci->OCILobRead(s.svc, s.err, loc, &amount, offset, buf, sizeof buf, nullptr, nullptr, 0,
                                SQLCS_IMPLICIT);
    statuses.push_back(r);
    if (r != OCI_SUCCESS && r != OCI_NEED_DATA) break;
    got.append(buf, amount);
    if (r == OCI_SUCCESS) break;
  }
  EXPECT_EQ(statuses, (std::vector<sword>{OCI_NEED_DATA, OCI_NEED_DATA, OCI_SUCCESS}));
  EXPECT_EQ(got, text);
  amount = 5;
  ASSERT_EQ(s.oci->OCILobRead(s.svc, s.err, loc, &amount, 27, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_SUCCESS);
  EXPECT_EQ(std::string(buf, amount), "abcde");
  s.oci->OCIDescriptorFree(loc, OCI_DTYPE_LOB);

  OCILobLocator* file = nullptr;
  s.oci->OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&file), OCI_DTYPE_FILE, 0, nullptr);
  EXPECT_EQ(s.oci->OCILobFileOpen(s.svc, s.err, file, OCI_FILE_READONLY), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 22285);
  EXPECT_EQ(s.oci->OCILobFileClose(s.svc, s.err, file), OCI_ERROR);
  s.oci->OCIDescriptorFree(file, OCI_DTYPE_FILE);
}

}  // namespace

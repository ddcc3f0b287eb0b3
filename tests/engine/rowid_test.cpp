// The ROWID pseudo-column on the embedded engine: its text, uniqueness and order, the
// round trip from text back to the row (queries, UPDATE, DELETE, CHARTOROWID and
// ROWIDTOCHAR), PL/SQL ROWID variables, the describe code, and the errors Oracle gives
// for bad rowids, ambiguous references and rows that have none.
#include "oci_session.h"

#include <regex>
#include <set>

namespace {

class Rowids : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table t (k number, v varchar2(10))");
    for (const char* row : {"1,'a'", "1,'b'", "2,'c'", "2,'d'", "3,'e'"})
      run(std::string("insert into t values (") + row + ")");
    run("create table u (k number)");
    run("insert into u values (1)");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string error_of(const std::string& sql) {
    s.exec(sql);
    return s.error_text();
  }
  OciSession s;
};

TEST_F(Rowids, TextIdentifiesTheRowAndRoundTrips) {
  std::vector<std::string> ids = s.rows("select rowid from t order by rowid");
  ASSERT_EQ(ids.size(), 5u);
  const std::regex shape("[A-Za-z0-9+/]{18}");
  for (const std::string& id : ids) EXPECT_TRUE(std::regex_match(id, shape)) << id;
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 5u);
  // Ordered by place: the rows in the order they were inserted.
  EXPECT_EQ(s.rows("select v from t order by rowid"), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  std::string c = s.value("select rowid from t where v = 'c'");
  EXPECT_EQ(s.value("select v from t where rowid = '" + c + "'"), "c");
  EXPECT_EQ(s.value("select v from t where rowid = chartorowid('" + c + "')"), "c");
  EXPECT_EQ(s.value("select rowidtochar(rowid) from t where v = 'c'"), c);
  EXPECT_EQ(s.value("select x.rowid from t x where x.v = 'c'"), c);
  EXPECT_EQ(s.rows("select rowid, e.* from t e where v = 'c'"), (std::vector<std::string>{c + "|2|c"}));
  // Another table's first row has a rowid of its own, and a rowid of t names none of u's rows.
  std::string u1 = s.value("select rowid from u");
  EXPECT_NE(u1, ids[0]);
  EXPECT_EQ(s.value("select count(*) from u where rowid = '" + ids[0] + "'"), "0");
  EXPECT_EQ(s.value("select count(*) from t where rowid = '" + u1 + "'"), "0");

  run("update t set v = 'x' where rowid = '" + c + "'");
  EXPECT_EQ(s.value("select v from t where rowid = '" + c + "'"), "x");
  // The classic removal of duplicate keys keeps each key's first row.
  run("delete from t a where rowid > (select min(rowid) from t b where b.k = a.k)");
  EXPECT_EQ(s.rows("select k, v from t order by k"), (std::vector<std::string>{"1|a", "2|x", "3|e"}));
  run("delete from t where rowid = chartorowid('" + ids[0] + "')");
  EXPECT_EQ(s.value("select count(*) from t"), "2");

  OciStatement st(s, "select rowid from u");
  ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
  void* p = nullptr;
  ASSERT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, 1), OCI_SUCCESS);
  ub2 type = 0;
  s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
  EXPECT_EQ(type, SQLT_RDD);
}

TEST_F(Rowids, ErrorsForBadRowidsAndRowsWithout) {
  EXPECT_EQ(error_of("select * from t where rowid = 'abc'"), "ORA-01410: invalid ROWID\n");
  EXPECT_EQ(error_of("select chartorowid('AAAAAAAAAAAAAAAAA*') from dual"), "ORA-01410: invalid ROWID\n");
  EXPECT_EQ(error_of("select * from t where rowid = 5"),
            "ORA-00932: inconsistent datatypes: expected ROWID got NUMBER\n");
  EXPECT_EQ(error_of("select rowid from t, u"), "ORA-00918: column ambiguously defined\n");
  run("create view tv as select * from t");
  const std::string no_key = "ORA-01445: cannot select ROWID from, or sample, a join view without a key-preserved table\n";
  EXPECT_EQ(error_of("select rowid from tv"), no_key);
  EXPECT_EQ(error_of("select rowid from (select * from t)"), no_key);
  EXPECT_EQ(s.value("select q.rowid from t, u q where t.v = 'a'"), s.value("select rowid from u"));
  EXPECT_EQ(error_of("create view rv as select rowid r from t"), "ORA-03001: unimplemented feature\n");
  EXPECT_EQ(error_of("create table rt (r rowid)"), "ORA-00902: invalid datatype\n");
}

TEST_F(Rowids, PlsqlRowidVariables) {
  std::string c = s.value("select rowid from t where v = 'c'");
  EXPECT_EQ(server_output_of(s,
                             "declare r rowid; w urowid; n varchar2(20); begin"
                             " select rowid into r from t where v = 'c';"
                             " w := r; n := rowidtochar(r);"
                             " update t set v = 'y' where rowid = r;"
                             " dbms_output.put_line(n || ' ' || sql%rowcount);"
                             " select v into n from t where rowid = w;"
                             " dbms_output.put_line(n); end;"),
            c + " 1|y");
  EXPECT_EQ(server_output_of(s, "declare r rowid; begin r := 'not a rowid'; end;"),
            "error: ORA-01410: invalid ROWID\nORA-06512: at line 1\n");
}

}  // namespace

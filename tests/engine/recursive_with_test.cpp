// Recursive WITH with SEARCH and CYCLE: the ordering column numbers the rows depth first
// or breadth first with siblings in BY order, the cycle mark flags a row that repeats an
// ancestor's cycle columns and stops the recursion there, and misuse of either clause
// gives Oracle's error at the offending name.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class RecursiveWith : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table node (id number, parent number, name varchar2(10))");
    // Inserted out of order, so that the table's order is not the answer.
    const char* const nodes[] = {"4, 2, 'b1'", "1, null, 'root'", "6, 3, 'c2'", "3, 1, 'c'",
                                 "2, 1, 'b'",  "5, 3, 'c1'",      "7, 4, 'b1x'"};
    for (const char* n : nodes) run(std::string("insert into node values (") + n + ")");
    run("create table edge (src number, dst number)");
    for (const char* e : {"1, 2", "2, 3", "3, 1", "2, 4"}) run(std::string("insert into edge values (") + e + ")");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string error_at(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(0) == OCI_SUCCESS && st.fetch(1) != OCI_ERROR) return "no error";
    ub2 offset = 0;
    s.oci->OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, s.err);
    std::string text = s.error_text();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text + " @" + std::to_string(offset);
  }
  OciSession s;
};

const char* const kTree =
    "with t (id, name, lvl) as (select id, name, 1 from node where parent is null"
    " union all select n.id, n.name, t.lvl + 1 from t join node n on n.parent = t.id) ";

TEST_F(RecursiveWith, SearchNumbersRowsDepthOrBreadthFirst) {
  EXPECT_EQ(s.rows(std::string(kTree) + "search depth first by name set ord select ord, name, lvl from t order by ord"),
            (Rows{"1|root|1", "2|b|2", "3|b1|3", "4|b1x|4", "5|c|2", "6|c1|3", "7|c2|3"}));
  EXPECT_EQ(s.rows(std::string(kTree) + "search depth first by name desc set ord select name from t order by ord"),
            (Rows{"root", "c", "c2", "c1", "b", "b1", "b1x"}));
  // Breadth first: a level's rows all come before the next level's, each level in BY order.
  EXPECT_EQ(s.rows(std::string(kTree) + "search breadth first by name desc set ord select ord, name from t order by ord"),
            (Rows{"1|root", "2|c", "3|b", "4|c2", "5|c1", "6|b1", "7|b1x"}));
  // The ordering column is the element's last column and is a number the query can use.
  EXPECT_EQ(s.rows(std::string(kTree) + "search breadth first by id set seq select * from t where seq between 2 and 3"
                                        " order by seq desc"),
            (Rows{"3|c|2|3", "2|b|2|2"}));
}

TEST_F(RecursiveWith, CycleMarksTheRepeatingRowAndStopsThere) {
  const std::string walk =
      "with w (id, lvl) as (select 1, 1 from dual union all"
      " select e.dst, w.lvl + 1 from w join edge e on e.src = w.id) ";
  // 1 -> 2 -> 3 -> 1 again (marked, not followed) and 2 -> 4.
  EXPECT_EQ(s.rows(walk + "search depth first by id set ord cycle id set is_cycle to 'Y' default 'N'"
                          " select * from w order by ord"),
            (Rows{"1|1|1|N", "2|2|2|N", "3|3|3|N", "1|4|4|Y", "4|3|5|N"}));
  // Without SEARCH the mark column follows the element's columns.
  EXPECT_EQ(s.rows(walk + "cycle id set c to '1' default '0' select c, count(*) from w group by c order by c"),
            (Rows{"0|4", "1|1"}));
  // A member condition with OR keeps its meaning next to the cycle test.
  EXPECT_EQ(s.rows("with w (id, lvl) as (select 1, 1 from dual union all select e.dst, w.lvl + 1 from w, edge e"
                   " where e.src = w.id and w.lvl < 9 or 1 = 0) cycle id set c to 'Y' default 'N'"
                   " select count(*), max(lvl) from w"),
            Rows{"5|4"});
  // Cycle columns compare as a whole row, NULL equal to NULL.
  run("create table pair (a number, b varchar2(5), na number, nb varchar2(5))");
  run("insert into pair values (1, null, 2, null)");
  run("insert into pair values (2, null, 1, null)");
  run("insert into pair values (2, null, 1, 'x')");
  EXPECT_EQ(s.rows("with p (a, b, lvl) as (select 1, cast(null as varchar2(5)), 1 from dual union all"
                   " select x.na, x.nb, p.lvl + 1 from p join pair x on x.a = p.a and (x.b = p.b or x.b is null and"
                   " p.b is null)) search depth first by lvl set o cycle a, b set m to 'Y' default 'N'"
                   " select a, b, m from p order by o"),
            (Rows{"1|<null>|N", "2|<null>|N", "1|<null>|Y", "1|x|N"}));
}

TEST_F(RecursiveWith, MisusedClausesGiveOraclesErrors) {
  const std::string head =
      "with t (id, lvl) as (select 1, 1 from dual union all select id + 1, lvl + 1 from t where id < 3) ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"with t (id) as (select 1 from dual) search depth first by id set o select * from t",
       "ORA-32480: SEARCH and CYCLE clauses can only be specified for recursive WITH clause elements @36"},
      {head + "search depth first by id set lvl select * from t",
       "ORA-32046: sequence column name for SEARCH clause must not be part of the column alias list @126"},
      {head + "search depth first by nope set o select * from t",
       "ORA-32489: element in sort specification list of SEARCH clause did not appear in the column alias list of "
       "the WITH clause element @119"},
      {head + "search depth first by id, lvl desc, id set o select * from t",
       "ORA-32483: duplicate name found in sort specification list for SEARCH clause of WITH clause @133"},
      {head + "cycle id set id to 'Y' default 'N' select * from t",
       "ORA-32048: cycle mark column name for CYCLE clause must not be part of the column alias list @110"},
      {head + "search depth first by id set o cycle id set o to 'Y' default 'N' select * from t",
       "ORA-32482: sequence column for SEARCH clause must be different from the cycle mark column for CYCLE clause "
       "@141"},
      {head + "cycle id, nope set c to 'Y' default 'N' select * from t",
       "ORA-32485: element in cycle column list of CYCLE clause must appear in the column alias list of the WITH "
       "clause element @107"},
      {head + "cycle lvl, lvl set c to 'Y' default 'N' select * from t",
       "ORA-32484: duplicate name found in cycle column list for CYCLE clause of WITH clause @108"},
      {head + "cycle id set c to 'YES' default 'N' select * from t",
       "ORA-32047: cycle mark value and non-cycle mark value must be one byte character string values @115"},
      {head + "cycle id set c to 'Y' default 1 select * from t",
       "ORA-32047: cycle mark value and non-cycle mark value must be one byte character string values @127"},
      {head + "cycle id set c to 'Y' default 'Y' select * from t",
       "ORA-32481: cycle value for CYCLE clause must be different from the non-cycle value @127"},
      {"with t (id, n) as (select 1, 1 from dual union all select max(id) + 1, 1 from t where id < 3)"
       " cycle id set c to 'Y' default 'N' select * from t",
       "ORA-32486: unsupported operation in recursive branch of recursive WITH clause @51"},
  };
  for (const auto& c : cases) EXPECT_EQ(error_at(c.first), c.second) << c.first;
}

}  // namespace

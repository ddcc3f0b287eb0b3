// Hierarchical queries beyond the demo tree: depth-first order when sibling groups of one
// level hang under different parents, CONNECT BY without PRIOR over more than one row,
// loops found at any depth (and none reported for a chain as long as the table), and
// generators deep enough that work per row must not grow with the level.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class Hierarchy : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  OciSession s;
};

TEST_F(Hierarchy, RowsComeDepthFirstWithSiblingsInOrder) {
  run("create table node (id number, parent number, name varchar2(10))");
  // Inserted out of order, so that the table's order is not the answer.
  const char* const nodes[] = {"4, 2, 'b1'", "1, null, 'root'", "6, 3, 'c2'", "3, 1, 'c'", "2, 1, 'b'",
                               "5, 3, 'c1'", "7, 4, 'b1x'", "8, null, 'other'"};
  for (const char* n : nodes) run(std::string("insert into node values (") + n + ")");
  EXPECT_EQ(s.rows("select level, name, connect_by_root name, prior name, sys_connect_by_path(name, '/') from node"
                   " start with parent is null connect by prior id = parent order siblings by name"),
            (Rows{"1|other|other|<null>|/other", "1|root|root|<null>|/root", "2|b|root|root|/root/b",
                  "3|b1|root|b|/root/b/b1", "4|b1x|root|b1|/root/b/b1/b1x", "2|c|root|root|/root/c",
                  "3|c1|root|c|/root/c/c1", "3|c2|root|c|/root/c/c2"}));
  EXPECT_EQ(s.rows("select name from node start with id = 1 connect by prior id = parent"
                   " order siblings by name desc"),
            (Rows{"root", "c", "c2", "c1", "b", "b1", "b1x"}));
  // WHERE filters the rows after the walk; the order of what is left stays.
  EXPECT_EQ(s.rows("select name from node where level > 2 start with parent is null connect by prior id = parent"
                   " order siblings by name"),
            (Rows{"b1", "b1x", "c1", "c2"}));
  // A chain as long as the table is not a loop.
  run("create table chain (id number, parent number)");
  run("insert into chain values (1, null)");
  run("insert into chain values (2, 1)");
  run("insert into chain values (3, 2)");
  EXPECT_EQ(s.rows("select max(level), count(*) from chain start with id = 1 connect by prior id = parent"),
            Rows{"3|3"});
  // A loop below the root (a second row for node 2, under 3): found, and left out with
  // NOCYCLE; a loop the walk does not reach is no error.
  run("insert into chain values (2, 3)");
  EXPECT_EQ(s.rows("select count(*) from chain start with id = 1 connect by prior id = parent"),
            Rows{"error: ORA-01436: CONNECT BY loop in user data\n"});
  EXPECT_EQ(s.rows("select id, parent, level from chain start with id = 1 connect by nocycle prior id = parent"),
            (Rows{"1|<null>|1", "2|1|2", "3|2|3", "2|3|4"}));
  run("insert into chain values (5, null)");
  EXPECT_EQ(s.rows("select id from chain start with id = 5 connect by prior id = parent"), Rows{"5"});
}

// CONNECT_BY_ISLEAF asks whether any row meets the CONNECT BY condition as a child of this
// one, before WHERE filters the rows; it is not known in START WITH or CONNECT BY.
TEST_F(Hierarchy, ConnectByIsLeafLooksForChildrenUnderTheCondition) {
  run("create table node (id number, parent number, name varchar2(10))");
  const char* const nodes[] = {"1, null, 'root'", "2, 1, 'b'", "3, 1, 'c'", "4, 2, 'b1'", "5, 3, 'c1'"};
  for (const char* n : nodes) run(std::string("insert into node values (") + n + ")");
  EXPECT_EQ(s.rows("select name, connect_by_isleaf from node start with parent is null"
                   " connect by prior id = parent order siblings by name"),
            (Rows{"root|0", "b|0", "b1|1", "c|0", "c1|1"}));
  // The condition decides what a child is: c1 is left out, so c has none.
  EXPECT_EQ(s.rows("select name, connect_by_isleaf leaf from node start with id = 1"
                   " connect by prior id = parent and name <> 'c1' order siblings by name"),
            (Rows{"root|0", "b|0", "b1|1", "c|1"}));
  // WHERE does not change which rows are leaves; LEVEL in the condition does.
  EXPECT_EQ(s.rows("select name from node where connect_by_isleaf = 1 start with id = 1 connect by prior id = parent"
                   " order by name"),
            (Rows{"b1", "c1"}));
  EXPECT_EQ(s.rows("select name, connect_by_isleaf from node where level = 2 start with id = 1"
                   " connect by prior id = parent and level <= 2 order by name"),
            (Rows{"b|1", "c|1"}));
  EXPECT_EQ(s.rows("select sum(connect_by_isleaf) from node start with id = 1 connect by prior id = parent"),
            (Rows{"2"}));
  EXPECT_EQ(s.exec("select connect_by_isleaf from node"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01788: CONNECT BY clause required in this query block\n");
  EXPECT_EQ(s.exec("select name from node start with connect_by_isleaf = 1 connect by prior id = parent"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 976);
}

TEST_F(Hierarchy, WithoutPriorEveryRowIsAChildOfEveryRow) {
  run("create table two (n number)");
  run("insert into two values (1)");
  run("insert into two values (2)");
  EXPECT_EQ(s.rows("select level, n from two connect by level <= 2 order siblings by n"),
            (Rows{"1|1", "2|1", "2|2", "1|2", "2|1", "2|2"}));
  EXPECT_EQ(s.value("select count(*) from two connect by level <= 10"), "2046");
}

TEST_F(Hierarchy, DeepGeneratorsFromDual) {
  EXPECT_EQ(s.value("select count(*) || '/' || max(level) || '/' || sum(level) from dual"
                    " connect by level <= 300000"),
            "300000/300000/45000150000");
  EXPECT_EQ(s.rows("select level, sys_connect_by_path(level, ',') from dual connect by level <= 3"),
            (Rows{"1|,1", "2|,1,2", "3|,1,2,3"}));
  EXPECT_EQ(s.rows("select connect_by_root level, level from dual connect by level <= 2"), (Rows{"1|1", "1|2"}));
  EXPECT_EQ(s.value("select count(*) from dual connect by level <= 0"), "1");
}

}  // namespace

// ALTER VIEW (COMPILE, READ ONLY, READ WRITE) and the compile an invalid view gets on its
// next use: valid again once what it reads exists, else ORA-04063 and its error kept.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class ViewAlter : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  // "ok", "warning" (success with info) or the statement's error code.
  std::string outcome(OciSession& session, const std::string& sql) {
    sword st = session.exec(sql);
    if (st == OCI_SUCCESS) return "ok";
    if (st == OCI_SUCCESS_WITH_INFO) return "warning " + session.error_text().substr(0, 9);
    return session.error_text().substr(0, 9);
  }
  std::string outcome(const std::string& sql) { return outcome(s, sql); }
  std::string status(const std::string& view) {
    return s.value("select status from user_objects where object_type = 'VIEW' and object_name = '" + view + "'");
  }
  OciSession s;
};

TEST_F(ViewAlter, CompileMakesAViewValidOnceItsTablesExist) {
  EXPECT_EQ(outcome("alter view no_such_v compile"), "ORA-00942");
  EXPECT_EQ(outcome("create force view fv as select a, b from ft where a > 0"), "warning ORA-24344");
  EXPECT_EQ(outcome("alter view fv compile"), "warning ORA-24344");
  EXPECT_EQ(status("FV"), "INVALID");
  EXPECT_EQ(s.rows("select text from user_errors where name = 'FV'"),
            (Rows{"ORA-00942: table or view does not exist"}));
  run("create table ft (a number, b varchar2(5))");
  run("insert into ft values (1, 'x')");
  EXPECT_EQ(outcome("alter view fv compile"), "ok");
  EXPECT_EQ(status("FV"), "VALID");
  EXPECT_EQ(s.value("select count(*) from user_errors where name = 'FV'"), "0");
  EXPECT_EQ(s.rows("select * from fv"), (Rows{"1|x"}));
  // A compile keeps the view's column names and text; one that fails keeps the view.
  run("create view nv (k, v) as select a, b from ft");
  run("drop table ft");
  EXPECT_EQ(outcome("alter view nv compile"), "warning ORA-24344");
  EXPECT_EQ(status("NV"), "INVALID");
  run("create table ft (a number, b varchar2(5))");
  EXPECT_EQ(outcome("alter view nv compile"), "ok");
  EXPECT_EQ(status("NV"), "VALID");
  EXPECT_EQ(s.rows("select column_name from user_tab_columns where table_name = 'NV' order by column_id"),
            (Rows{"K", "V"}));
  EXPECT_EQ(s.value("select text from user_views where view_name = 'FV'"), "select a, b from ft where a > 0");
  // The invalid views a view reads are compiled with it.
  EXPECT_EQ(outcome("create force view inner_v as select x from later_t"), "warning ORA-24344");
  EXPECT_EQ(outcome("create force view outer_v as select x from inner_v"), "warning ORA-24344");
  run("create table later_t (x number)");
  EXPECT_EQ(outcome("alter view outer_v compile"), "ok");
  EXPECT_EQ(status("INNER_V"), "VALID");
  EXPECT_EQ(status("OUTER_V"), "VALID");
  // WITH CHECK OPTION and its name stay the view's.
  run("create view cv as select a from ft where a > 0 with check option constraint cv_check");
  EXPECT_EQ(outcome("alter view cv compile"), "ok");
  // Replacing the view keeps the name too; another object's constraint name is taken.
  run("create or replace view cv as select a from ft where a > 0 with check option constraint cv_check");
  EXPECT_EQ(outcome("create view cv2 as select a from ft with check option constraint cv_check"), "ORA-02264");
  EXPECT_EQ(s.rows("select constraint_name, constraint_type from user_constraints where table_name = 'CV'"),
            (Rows{"CV_CHECK|V"}));
  EXPECT_EQ(outcome("insert into cv values (-1)"), "ORA-01402");
  EXPECT_EQ(outcome("alter view cv compile extra"), "ORA-00933");
  EXPECT_EQ(outcome("alter view cv rebuild"), "ORA-00922");
  EXPECT_EQ(outcome("alter view cv add constraint cv_pk primary key (a) disable novalidate"), "ORA-03001");
  EXPECT_EQ(outcome("alter view cv"), "ORA-00922");
}

TEST_F(ViewAlter, InvalidViewsCompileOnTheirNextUse) {
  EXPECT_EQ(outcome("create force view later_v as select a from later_t"), "warning ORA-24344");
  EXPECT_EQ(outcome("create force view over_v as select a * 2 twice from later_v"), "warning ORA-24344");
  EXPECT_EQ(outcome("select * from over_v"), "ORA-04063");
  EXPECT_EQ(status("OVER_V"), "INVALID");
  run("create table later_t (a number)");
  run("insert into later_t values (4)");
  // Inside an open transaction the view is not compiled (that would hold the catalog for
  // the transaction's length); after the commit it is, with the invalid view it reads.
  EXPECT_EQ(outcome("select * from over_v"), "ORA-04063");
  run("commit");
  EXPECT_EQ(s.rows("select * from over_v"), (Rows{"8"}));
  EXPECT_EQ(status("OVER_V"), "VALID");
  EXPECT_EQ(status("LATER_V"), "VALID");
  EXPECT_EQ(s.value("select count(*) from user_errors"), "0");
  EXPECT_EQ(s.value("select count(*) from later_t"), "1");
  // DML compiles its target too.
  EXPECT_EQ(outcome("create force view dml_v as select a from dml_t"), "warning ORA-24344");
  run("create table dml_t (a number)");
  EXPECT_EQ(outcome("insert into dml_v values (3)"), "ok");
  EXPECT_EQ(s.value("select a from dml_t"), "3");
}

TEST_F(ViewAlter, ReadOnlyAndReadWrite) {
  run("create table rt (a number)");
  run("insert into rt values (1)");
  run("create view rv as select a from rt where a > 0 with check option");
  run("alter view rv read only");
  EXPECT_EQ(s.value("select read_only from user_views where view_name = 'RV'"), "Y");
  EXPECT_EQ(outcome("delete from rv"), "ORA-42399");
  EXPECT_EQ(outcome("update rv set a = 2"), "ORA-42399");
  run("alter view rv read only");
  run("alter view rv read write");
  EXPECT_EQ(s.value("select read_only from user_views where view_name = 'RV'"), "N");
  // The check option is still there.
  EXPECT_EQ(outcome("update rv set a = -1"), "ORA-01402");
  EXPECT_EQ(outcome("update rv set a = 2"), "ok");
  EXPECT_EQ(outcome("alter view rv read sometimes"), "ORA-00922");
}

TEST_F(ViewAlter, AnotherSchemasViewNeedsAlterAnyTable) {
  run("create table ot (a number)");
  run("create view ov as select a from ot");
  const std::string owner = s.value("select user from dual");
  OciSession other;
  ASSERT_EQ(other.connect("viewer", "viewerpw", ""), OCI_SUCCESS) << other.error_text();
  EXPECT_EQ(outcome(other, "alter view " + owner + ".ov compile"), "ORA-00942");
  run("grant select on ov to viewer");
  EXPECT_EQ(outcome(other, "alter view " + owner + ".ov compile"), "ORA-01031");
  EXPECT_EQ(outcome(other, "alter view " + owner + ".no_such compile"), "ORA-00942");
  OciSession sys;
  ASSERT_EQ(sys.connect("sys", "syspw", ""), OCI_SUCCESS) << sys.error_text();
  ASSERT_EQ(sys.exec("grant alter any table to viewer"), OCI_SUCCESS) << sys.error_text();
  EXPECT_EQ(outcome(other, "alter view " + owner + ".ov compile"), "ok");
  EXPECT_EQ(outcome(other, "alter view " + owner + ".ov read only"), "ok");
  EXPECT_EQ(outcome("delete from ov"), "ORA-42399");
}

}  // namespace

namespace {

// A view's column is named by its alias, and a quoted alias may be any text; an expression
// without an alias whose text is no name is ORA-00998.
TEST_F(ViewAlter, QuotedAliasesNameViewColumns) {
  run("create table va_items (cat number, price number)");
  run("insert into va_items values (1, 10)");
  run("insert into va_items values (1, 30)");
  EXPECT_EQ(outcome("create or replace view va_prices as select cat, count(*) as \"#_OF_ITEMS\","
                    " min(price) as low_price, max(price) \"a b\" from va_items group by cat"),
            "ok");
  EXPECT_EQ(s.rows("select \"#_OF_ITEMS\", low_price, \"a b\" from va_prices"), Rows{"2|10|30"});
  EXPECT_EQ(s.rows("select column_name from user_tab_columns where table_name = 'VA_PRICES' order by column_id"),
            (Rows{"CAT", "#_OF_ITEMS", "LOW_PRICE", "a b"}));
  EXPECT_EQ(outcome("create or replace view va_bad as select cat, count(*) from va_items group by cat"), "ORA-00998");
}

}  // namespace

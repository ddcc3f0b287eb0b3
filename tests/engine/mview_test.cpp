// Materialized views through OCI: CREATE with its clauses, the rows of the query and of a
// refresh, the dictionary (USER_MVIEWS, USER_OBJECTS, USER_MVIEW_LOGS), DROP [PRESERVE
// TABLE] and the errors Oracle gives.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class Mview : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create table sales (region varchar2(10), amount number)");
        run("insert into sales values ('N', 10)");
        run("insert into sales values ('N', 5)");
        run("insert into sales values ('S', 7)");
        run("commit");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error_of(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        return s.error_text();
    }
    OciSession s;
};

TEST_F(Mview, RowsRefreshAndDictionary) {
    run("create materialized view sales_mv (region, total) tablespace users pctfree 5 nologging"
        " build immediate refresh complete on demand start with sysdate next sysdate + 1 enable query rewrite"
        " as select region, sum(amount) from sales group by region");
    EXPECT_EQ(s.rows("select region, total from sales_mv order by region"), (Rows{"N|15", "S|7"}));
    EXPECT_EQ(s.rows("select mview_name, query, refresh_method, refresh_mode, build_mode, rewrite_enabled,"
                     " staleness, last_refresh_type, nvl2(last_refresh_date, 'Y', 'N') from user_mviews"),
              (Rows{"SALES_MV|select region, sum(amount) from sales group by region|COMPLETE|DEMAND|IMMEDIATE|Y|"
                    "FRESH|COMPLETE|Y"}));
    EXPECT_EQ(s.rows("select object_type from user_objects where object_name = 'SALES_MV' order by 1"),
              (Rows{"MATERIALIZED VIEW", "TABLE"}));
    EXPECT_EQ(s.value("select count(*) from all_mviews where mview_name = 'SALES_MV'"), "1");

    // The table keeps the rows of its build until a refresh, which commits as Oracle's does.
    run("insert into sales values ('E', 1)");
    EXPECT_EQ(s.value("select count(*) from sales_mv"), "2");
    run("begin dbms_mview.refresh('sales_mv', 'C'); end;");
    run("rollback");
    EXPECT_EQ(s.rows("select region, total from sales_mv order by region"), (Rows{"E|1", "N|15", "S|7"}));
    EXPECT_EQ(s.value("select count(*) from sales"), "4");

    // BUILD DEFERRED: no rows and UNUSABLE until refreshed; a list and named notation.
    run("create materialized view later_mv build deferred refresh fast as select * from sales where amount > 5");
    EXPECT_EQ(s.value("select count(*) from later_mv"), "0");
    EXPECT_EQ(s.value("select staleness || ',' || last_refresh_type from user_mviews where mview_name = 'LATER_MV'"),
              "UNUSABLE,NA");
    run("begin dbms_mview.refresh(list => 'LATER_MV, sales_mv', method => '?'); end;");
    EXPECT_EQ(s.value("select count(*) from later_mv"), "2");
    EXPECT_EQ(s.value("select staleness from user_mviews where mview_name = 'LATER_MV'"), "FRESH");
    run("delete from sales where region = 'E'");
    run("declare n binary_integer; begin dbms_mview.refresh_all_mviews(n); end;");
    EXPECT_EQ(s.value("select count(*) from sales_mv"), "2");

    // DML on the view's table is refused; it stays queryable in joins.
    EXPECT_EQ(error_of("insert into sales_mv values ('W', 1)").substr(0, 9), "ORA-01732");
    EXPECT_EQ(error_of("update sales_mv set total = 0").substr(0, 9), "ORA-01732");
    EXPECT_EQ(error_of("delete from sales_mv").substr(0, 9), "ORA-01732");
    EXPECT_EQ(s.value("select count(*) from sales_mv m join sales s on s.region = m.region"), "3");

    run("comment on materialized view sales_mv is 'totals by region'");
    EXPECT_EQ(s.rows("select mview_name, comments from user_mview_comments where mview_name = 'SALES_MV'"),
              (Rows{"SALES_MV|totals by region"}));

    // DROP: the table goes with the view, or stays as a table with PRESERVE TABLE.
    EXPECT_EQ(error_of("drop table sales_mv").substr(0, 9), "ORA-12083");
    run("drop materialized view later_mv");
    EXPECT_EQ(error_of("select * from later_mv").substr(0, 9), "ORA-00942");
    run("drop materialized view sales_mv preserve table");
    EXPECT_EQ(s.value("select count(*) from user_mviews"), "0");
    EXPECT_EQ(s.rows("select object_type from user_objects where object_name = 'SALES_MV'"), (Rows{"TABLE"}));
    run("insert into sales_mv values ('W', 1)");
}

TEST_F(Mview, LogsAndErrors) {
    run("create materialized view log on sales with rowid, sequence (region, amount) including new values");
    EXPECT_EQ(s.rows("select master, log_table from user_mview_logs"), (Rows{"SALES|MLOG$_SALES"}));
    EXPECT_EQ(error_of("create materialized view log on sales").substr(0, 9), "ORA-12000");
    run("drop materialized view log on sales");
    EXPECT_EQ(s.value("select count(*) from user_mview_logs"), "0");
    EXPECT_EQ(error_of("drop materialized view log on sales").substr(0, 9), "ORA-12002");
    EXPECT_EQ(error_of("create materialized view log on nosuch").substr(0, 9), "ORA-00942");

    EXPECT_EQ(error_of("create materialized view m1 as select * from nosuch").substr(0, 9), "ORA-00942");
    EXPECT_EQ(error_of("create materialized view sales as select * from dual").substr(0, 9), "ORA-00955");
    EXPECT_EQ(error_of("create materialized view m1 (a) as select region, amount from sales").substr(0, 9),
              "ORA-01730");
    EXPECT_EQ(error_of("create materialized view m1 refresh on commit as select * from sales").substr(0, 9),
              "ORA-12054");
    EXPECT_EQ(error_of("create materialized view m1 refresh sometimes as select * from sales").substr(0, 9),
              "ORA-00905");
    EXPECT_EQ(error_of("drop materialized view nosuch").substr(0, 9), "ORA-12003");
    EXPECT_EQ(error_of("comment on materialized view sales is 'x'").substr(0, 9), "ORA-12003");
    EXPECT_EQ(error_of("drop materialized view sales").substr(0, 9), "ORA-12003");
    EXPECT_EQ(error_of("begin dbms_mview.refresh('nosuch'); end;").substr(0, 9), "ORA-12003");
    EXPECT_EQ(s.value("select count(*) from user_objects where object_name = 'M1'"), "0");

    run("create materialized view frozen never refresh as select region from sales");
    EXPECT_EQ(s.value("select refresh_method from user_mviews"), "NEVER");
    EXPECT_EQ(error_of("begin dbms_mview.refresh('frozen'); end;").substr(0, 9), "ORA-23538");
    // A failing refresh leaves the rows it had.
    run("create materialized view ratio as select 10 / amount r from sales");
    run("insert into sales values ('Z', 0)");
    run("commit");
    EXPECT_EQ(error_of("begin dbms_mview.refresh('ratio'); end;").substr(0, 9), "ORA-01476");
    EXPECT_EQ(s.value("select count(*) from ratio"), "3");
}

}  // namespace

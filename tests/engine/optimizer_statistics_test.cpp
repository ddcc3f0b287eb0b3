// Optimizer statistics through OCI: DBMS_STATS gathering and deleting a table's, an
// index's and a schema's statistics, locking them, and what USER_TABLES, USER_INDEXES and
// USER_TAB_COL_STATISTICS show before and after; the errors Oracle gives.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class Statistics : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create table t (id number, name varchar2(20), note clob)");
        run("create index t_name on t (name)");
        run("create index t_both on t (id, name)");
        run("insert into t values (1, 'ab', 'x')");
        run("insert into t values (2, 'ab', null)");
        run("insert into t values (3, null, null)");
        run("insert into t values (4, 'abcd', null)");
        run("create table u (k number)");
        run("commit");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error_of(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        return s.error_text();
    }
    OciSession s;
};

TEST_F(Statistics, GatherDeleteLockAndErrors) {
    const std::string table_stats =
        "select table_name, num_rows, blocks, avg_row_len, sample_size, nvl2(last_analyzed, 'Y', 'N')"
        " from user_tables where table_name in ('T', 'U') order by 1";
    EXPECT_EQ(s.rows(table_stats), (Rows{"T|<null>|<null>|<null>|<null>|N", "U|<null>|<null>|<null>|<null>|N"}));
    EXPECT_EQ(s.rows("select index_name, num_rows, distinct_keys from user_indexes where table_name = 'T'"
                     " order by 1"),
              (Rows{"T_BOTH|<null>|<null>", "T_NAME|<null>|<null>"}));
    EXPECT_EQ(s.value("select count(*) from user_tab_col_statistics"), "0");

    // Named notation, lower-case names, CASCADE; the call commits the open transaction.
    run("insert into u values (1)");
    run("begin dbms_stats.gather_table_stats(ownname => user, tabname => 't', estimate_percent => 30,"
        " method_opt => 'FOR ALL COLUMNS SIZE AUTO', degree => 4, cascade => true); end;");
    run("rollback");
    EXPECT_EQ(s.value("select count(*) from u"), "1");
    // Average lengths rounded up, plus a length byte: ID 1 + 1, NAME 2 + 1, NOTE 0.25 -> 1 + 1.
    EXPECT_EQ(s.rows(table_stats), (Rows{"T|4|1|7|4|Y", "U|<null>|<null>|<null>|<null>|N"}));
    EXPECT_EQ(s.rows("select column_name, num_distinct, num_nulls, avg_col_len, nvl2(last_analyzed, 'Y', 'N')"
                     " from user_tab_col_statistics where table_name = 'T' order by column_name"),
              (Rows{"ID|4|0|2|Y", "NAME|2|1|3|Y", "NOTE|<null>|3|2|Y"}));
    // An index holds the rows whose key is not all NULL.
    EXPECT_EQ(s.rows("select index_name, num_rows, distinct_keys, nvl2(last_analyzed, 'Y', 'N') from user_indexes"
                     " where table_name = 'T' order by 1"),
              (Rows{"T_BOTH|4|4|Y", "T_NAME|3|2|Y"}));

    // DELETE_TABLE_STATS clears all three; GATHER_INDEX_STATS fills one index.
    run("begin dbms_stats.delete_table_stats(user, 'T'); end;");
    EXPECT_EQ(s.rows(table_stats), (Rows{"T|<null>|<null>|<null>|<null>|N", "U|<null>|<null>|<null>|<null>|N"}));
    EXPECT_EQ(s.value("select count(*) from user_tab_col_statistics"), "0");
    run("begin dbms_stats.gather_index_stats(user, 'T_NAME'); end;");
    EXPECT_EQ(s.rows("select index_name, num_rows, distinct_keys from user_indexes where table_name = 'T'"
                     " order by 1"),
              (Rows{"T_BOTH|<null>|<null>", "T_NAME|3|2"}));

    // CASCADE FALSE leaves the indexes; the schema call does every table.
    run("begin dbms_stats.delete_schema_stats(user); end;");
    run("begin dbms_stats.gather_table_stats(user, 'T', cascade => false); end;");
    EXPECT_EQ(s.value("select count(*) from user_indexes where num_rows is not null"), "0");
    run("begin dbms_stats.gather_schema_stats(ownname => user, estimate_percent => dbms_stats.auto_sample_size);"
        " end;");
    EXPECT_EQ(s.rows(table_stats), (Rows{"T|4|1|7|4|Y", "U|1|1|2|1|Y"}));
    EXPECT_EQ(s.value("select count(*) from user_indexes where num_rows is not null"), "2");

    // Locked statistics are neither gathered nor deleted; the schema calls pass them by.
    run("begin dbms_stats.lock_table_stats(user, 'U'); end;");
    EXPECT_EQ(error_of("begin dbms_stats.gather_table_stats(user, 'U'); end;").substr(0, 9), "ORA-20005");
    EXPECT_EQ(error_of("begin dbms_stats.delete_table_stats(user, 'U'); end;").substr(0, 9), "ORA-20005");
    run("begin dbms_stats.delete_schema_stats(user); end;");
    EXPECT_EQ(s.rows(table_stats), (Rows{"T|<null>|<null>|<null>|<null>|N", "U|1|1|2|1|Y"}));
    run("begin dbms_stats.unlock_table_stats(user, 'U'); end;");
    run("begin dbms_stats.delete_table_stats(user, 'U'); end;");
    EXPECT_EQ(s.rows(table_stats), (Rows{"T|<null>|<null>|<null>|<null>|N", "U|<null>|<null>|<null>|<null>|N"}));

    // Unknown objects, a bad percentage, a missing argument; a dropped table's
    // statistics do not come back with a new table of its name.
    const std::string missing = error_of("begin dbms_stats.gather_table_stats(user, 'NOPE'); end;");
    EXPECT_NE(missing.find("ORA-20000"), std::string::npos) << missing;
    EXPECT_NE(missing.find("\"NOPE\""), std::string::npos) << missing;
    EXPECT_EQ(error_of("begin dbms_stats.gather_index_stats(user, 'NOPE'); end;").substr(0, 9), "ORA-20000");
    EXPECT_EQ(error_of("begin dbms_stats.delete_table_stats('NOBODY', 'T'); end;").substr(0, 9), "ORA-20000");
    EXPECT_EQ(error_of("begin dbms_stats.gather_table_stats(user, 'T', stattab => 'ST'); end;").substr(0, 9),
              "ORA-20000");
    EXPECT_EQ(error_of("begin dbms_stats.gather_table_stats(user, 'T', estimate_percent => 101); end;").substr(0, 9),
              "ORA-20001");
    EXPECT_NE(error_of("begin dbms_stats.gather_table_stats(user); end;").find("PLS-00306"), std::string::npos);
    run("begin dbms_stats.gather_table_stats(user, 'U'); end;");
    run("drop table u");
    run("create table u (k number)");
    EXPECT_EQ(s.rows(table_stats), (Rows{"T|<null>|<null>|<null>|<null>|N", "U|<null>|<null>|<null>|<null>|N"}));
}

// ANALYZE fills and clears the same statistics; as DDL it commits.
TEST_F(Statistics, AnalyzeTableAndIndex) {
    const std::string table_stats =
        "select num_rows, avg_row_len, sample_size, nvl2(last_analyzed, 'Y', 'N') from user_tables"
        " where table_name = 'T'";
    const std::string index_stats =
        "select index_name, num_rows, distinct_keys from user_indexes where table_name = 'T' order by 1";
    run("insert into u values (1)");
    run("analyze table t compute statistics");
    run("rollback");
    EXPECT_EQ(s.value("select count(*) from u"), "1");
    EXPECT_EQ(s.rows(table_stats), (Rows{"4|7|4|Y"}));
    EXPECT_EQ(s.rows(index_stats), (Rows{"T_BOTH|4|4", "T_NAME|3|2"}));
    EXPECT_EQ(s.value("select num_distinct || '/' || num_nulls from user_tab_col_statistics"
                      " where table_name = 'T' and column_name = 'NAME'"),
              "2/1");

    run("analyze table t delete statistics");
    EXPECT_EQ(s.rows(table_stats), (Rows{"<null>|<null>|<null>|N"}));
    EXPECT_EQ(s.rows(index_stats), (Rows{"T_BOTH|<null>|<null>", "T_NAME|<null>|<null>"}));
    // FOR TABLE and FOR COLUMNS leave the indexes; FOR ALL INDEXES takes them.
    run("analyze table t estimate statistics for table for columns id size 10, name sample 20 percent");
    EXPECT_EQ(s.rows(table_stats), (Rows{"4|7|4|Y"}));
    EXPECT_EQ(s.rows(index_stats), (Rows{"T_BOTH|<null>|<null>", "T_NAME|<null>|<null>"}));
    run("analyze table t compute statistics for all indexed columns size 1 for all indexes");
    EXPECT_EQ(s.rows(index_stats), (Rows{"T_BOTH|4|4", "T_NAME|3|2"}));
    run("analyze index t_both delete statistics");
    EXPECT_EQ(s.rows(index_stats), (Rows{"T_BOTH|<null>|<null>", "T_NAME|3|2"}));
    run("analyze index t_both estimate statistics sample 100 rows");
    EXPECT_EQ(s.rows(index_stats), (Rows{"T_BOTH|4|4", "T_NAME|3|2"}));

    run("create view v as select * from t");
    EXPECT_EQ(error_of("analyze table nope compute statistics").substr(0, 9), "ORA-00942");
    EXPECT_EQ(error_of("analyze table v compute statistics").substr(0, 9), "ORA-00942");
    EXPECT_EQ(error_of("analyze index nope compute statistics").substr(0, 9), "ORA-01418");
    EXPECT_EQ(error_of("analyze table t estimate statistics sample 101 percent").substr(0, 9), "ORA-01490");
    EXPECT_EQ(error_of("analyze table t").substr(0, 9), "ORA-00905");
    EXPECT_EQ(error_of("analyze table t validate structure").substr(0, 9), "ORA-03001");
    EXPECT_EQ(error_of("analyze index t_name compute statistics for table").substr(0, 9), "ORA-00905");
    run("begin dbms_stats.lock_table_stats(user, 'T'); end;");
    EXPECT_EQ(error_of("analyze table t delete statistics").substr(0, 9), "ORA-38029");
    EXPECT_EQ(error_of("analyze index t_name compute statistics").substr(0, 9), "ORA-38029");
    EXPECT_EQ(s.rows(table_stats), (Rows{"4|7|4|Y"}));
}

}  // namespace

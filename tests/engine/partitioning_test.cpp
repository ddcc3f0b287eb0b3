// Partitioned tables beyond CREATE TABLE, through OCI: partition-extended names in
// queries and DML, ALTER TABLE's partition maintenance, and the index clauses of
// warehouse scripts (BITMAP, LOCAL, COMPRESS, ALTER INDEX) with their dictionary views.
#include "oci_session.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

class Partitioning : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    if (test_against_oracle()) GTEST_SKIP() << "needs a fresh schema";
    ASSERT_EQ(s.connect("scott", "tiger", "parts"), OCI_SUCCESS) << s.error_text();
    run("create table sales (prod_id number, time_id date, amount number) partition by range (time_id)"
        " (partition q1 values less than (date '1998-04-01'), partition q2 values less than (date '1998-07-01'),"
        " partition rest values less than (maxvalue))");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  int error_of(const std::string& sql) { return s.exec(sql) == OCI_SUCCESS ? 0 : s.error_code(); }
  Rows rows(const std::string& sql) { return s.rows(sql); }
  OciSession s;
};

TEST_F(Partitioning, IndexClausesAndAlterIndex) {
  run("create bitmap index sales_prod_bix on sales (prod_id) local nologging compute statistics");
  run("create index sales_time_ix on sales (time_id, prod_id) local (partition i1, partition i2 tablespace users,"
      " partition i3) compress 1 parallel 4 online invisible pctfree 5 initrans 3 storage (initial 64k) nosort");
  run("create unique index sales_uk on sales (prod_id, time_id) reverse noparallel");
  EXPECT_EQ(rows("select index_name, index_type, uniqueness, compression, prefix_length, status, degree,"
                 " partitioned, visibility, logging from user_indexes order by index_name"),
            (Rows{"SALES_PROD_BIX|BITMAP|NONUNIQUE|DISABLED|<null>|N/A|1|YES|VISIBLE|NO",
                  "SALES_TIME_IX|NORMAL|NONUNIQUE|ENABLED|1|N/A|4|YES|INVISIBLE|YES",
                  "SALES_UK|NORMAL/REV|UNIQUE|DISABLED|<null>|VALID|1|NO|VISIBLE|YES"}));
  EXPECT_EQ(rows("select index_name, partitioning_type, partition_count, locality, alignment from user_part_indexes"
                 " order by 1"),
            (Rows{"SALES_PROD_BIX|RANGE|3|LOCAL|NON_PREFIXED", "SALES_TIME_IX|RANGE|3|LOCAL|PREFIXED"}));
  EXPECT_EQ(rows("select partition_name, partition_position, high_value, status from user_ind_partitions"
                 " where index_name = 'SALES_TIME_IX' order by 2"),
            (Rows{"I1|1|date '1998-04-01'|USABLE", "I2|2|date '1998-07-01'|USABLE", "I3|3|maxvalue|USABLE"}));
  EXPECT_EQ(rows("select count(*) from all_ind_partitions where index_name = 'SALES_PROD_BIX'"), Rows{"3"});

  // The index state follows ALTER INDEX as Oracle's does.
  run("alter index sales_uk unusable");
  EXPECT_EQ(rows("select status from user_indexes where index_name = 'SALES_UK'"), Rows{"UNUSABLE"});
  run("alter index sales_uk rebuild online parallel 2");
  EXPECT_EQ(rows("select status, degree from user_indexes where index_name = 'SALES_UK'"), Rows{"VALID|2"});
  run("alter index sales_time_ix unusable");
  run("alter index sales_time_ix rebuild partition i2");
  EXPECT_EQ(rows("select partition_name, status from user_ind_partitions where index_name = 'SALES_TIME_IX'"
                 " order by partition_position"),
            (Rows{"I1|UNUSABLE", "I2|USABLE", "I3|UNUSABLE"}));
  run("alter index sales_time_ix visible");
  run("alter index sales_time_ix noparallel");
  run("alter index sales_time_ix compile");
  EXPECT_EQ(rows("select visibility, degree from user_indexes where index_name = 'SALES_TIME_IX'"),
            Rows{"VISIBLE|1"});
  run("alter index sales_time_ix rename to sales_t_ix");
  EXPECT_EQ(rows("select index_name, visibility, compression from user_indexes where index_name like 'SALES_T%'"),
            Rows{"SALES_T_IX|VISIBLE|ENABLED"});
  EXPECT_EQ(rows("select count(*) from user_ind_partitions where index_name = 'SALES_T_IX'"), Rows{"3"});
  run("insert into sales values (1, date '1998-02-01', 10)");
  EXPECT_EQ(rows("select count(*) from sales where time_id = date '1998-02-01' and prod_id = 1"), Rows{"1"});
  run("drop index sales_t_ix");
  EXPECT_EQ(rows("select count(*) from user_ind_partitions where index_name = 'SALES_T_IX'"), Rows{"0"});

  // Constraints' USING INDEX takes the same properties.
  run("create table k (id number constraint k_pk primary key using index compress nologging parallel 2, v number)");

  EXPECT_EQ(error_of("alter index sales_prod_bix rebuild"), 14086);
  EXPECT_EQ(error_of("alter index sales_prod_bix rebuild partition nope"), 2149);
  EXPECT_EQ(error_of("alter index no_such_ix rebuild"), 1418);
  EXPECT_EQ(error_of("alter index sales_uk rename to sales"), 955);
  EXPECT_EQ(error_of("alter index sales_uk coalesce cleanup"), 2243);
  EXPECT_EQ(error_of("create unique index sales_pu on sales (prod_id) local"), 14039);
  EXPECT_EQ(error_of("create index k_local on k (v) local"), 14016);
  EXPECT_EQ(error_of("create index sales_two on sales (amount) local (partition a, partition b)"), 14024);
  EXPECT_EQ(error_of("create bitmap index sales_gb on sales (amount)"), 25122);
  EXPECT_EQ(error_of("create index sales_g on sales (amount) global partition by hash (amount) partitions 4"),
            3001);
  EXPECT_EQ(error_of("create index sales_c on sales (amount, prod_id) compress 3"), 25194);
  EXPECT_EQ(error_of("create bitmap unique index sales_bu on sales (amount)"), 901);
  EXPECT_EQ(rows("select count(*) from user_indexes where index_name like 'SALES%'"), Rows{"2"})
      << "the refused indexes were not created";
}

// What the one SQLite table cannot tell apart is refused, and nothing is changed.
TEST_F(Partitioning, PartitionExtendedNamesAndMaintenanceAreRefused) {
  run("insert into sales values (1, date '1998-02-01', 10)");
  for (const char* sql : {"select * from sales partition (q1)", "select * from sales partition for (date '1998-02-01') s",
                          "select * from sales subpartition (sp1)", "delete from sales partition (q1)",
                          "update sales partition (q1) set amount = 0",
                          "insert into sales partition (q1) values (2, date '1998-02-02', 1)",
                          "alter table sales truncate partition q1", "alter table sales drop partition q1",
                          "alter table sales add partition q5 values less than (date '2000-01-01')",
                          "alter table sales rename partition q1 to q0",
                          "alter table sales split partition rest at (date '1999-01-01') into (partition a, partition b)",
                          "alter table sales merge partitions q1, q2 into partition h1",
                          "alter table sales exchange partition q1 with table k",
                          "alter table sales move partition q1", "alter table sales modify partition q1 nologging"})
    EXPECT_EQ(error_of(sql), 3001) << sql;
  EXPECT_EQ(rows("select count(*), sum(amount) from sales"), Rows{"1|10"});
  EXPECT_EQ(rows("select count(*) from user_tab_partitions where table_name = 'SALES'"), Rows{"3"});
  run("create table plain (partition number)");
  EXPECT_EQ(rows("select count(*) from plain partition"), Rows{"0"}) << "a plain alias named PARTITION";
}

}  // namespace

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

// A partition-extended name reads and changes the rows whose key meets the partition's
// bounds: RANGE (NULL above every bound), LIST with DEFAULT, and HASH's buckets.
TEST_F(Partitioning, PartitionExtendedNames) {
  run("insert into sales values (1, date '1998-02-01', 10)");
  run("insert into sales values (2, date '1998-05-01', 20)");
  run("insert into sales values (3, date '1999-01-01', 30)");
  run("insert into sales values (4, null, 40)");
  EXPECT_EQ(rows("select prod_id from sales partition (q1)"), Rows{"1"});
  EXPECT_EQ(rows("select s.prod_id from sales partition (q2) s where s.amount > 0"), Rows{"2"});
  EXPECT_EQ(rows("select prod_id from sales partition (rest) order by 1"), (Rows{"3", "4"}));
  EXPECT_EQ(rows("select prod_id from sales partition for (date '1998-06-30')"), Rows{"2"});
  EXPECT_EQ(
      rows("select count(*) from sales partition (q1) a join sales partition (q2) b on a.prod_id < b.prod_id"),
      Rows{"1"});
  EXPECT_EQ(
      rows("select count(*) from sales partition (q1) where rowid = (select rowid from sales where prod_id = 1)"),
      Rows{"1"});
  run("update sales partition (q2) set amount = 0");
  run("delete from sales partition (rest) where amount > 35");
  run("update sales partition (rest) set amount = amount + 1 where rownum = 1");
  EXPECT_EQ(rows("select sum(amount) from sales"), Rows{"41"}) << "ROWNUM counts the partition's rows only";
  run("update sales set amount = amount - 1 where prod_id = 3");
  EXPECT_EQ(rows("select prod_id, amount from sales order by 1"), (Rows{"1|10", "2|0", "3|30"}));
  run("insert into sales partition (q1) values (5, date '1998-03-01', 50)");
  run("insert into sales partition for (date '2005-01-01') (prod_id, time_id) select 6, date '2000-01-01' from "
      "dual");
  EXPECT_EQ(error_of("insert into sales partition (q1) values (7, date '1998-05-01', 1)"), 14401);
  EXPECT_EQ(error_of("insert into sales partition (q2) select * from sales partition (q1)"), 14401);
  run("create table tot (prod_id number, amount number)");
  run("merge into tot t using sales partition (q1) s on (t.prod_id = s.prod_id)"
      " when not matched then insert values (s.prod_id, s.amount)");
  EXPECT_EQ(rows("select prod_id from tot order by 1"), (Rows{"1", "5"}));
  EXPECT_EQ(rows("select count(*) from sales"), Rows{"5"}) << "the refused inserts left nothing";
  EXPECT_EQ(error_of("insert all into sales partition (q2) values (prod_id, time_id, amount) select * from sales"),
            14401);
  run("insert all into sales partition (q2) values (prod_id + 10, date '1998-04-15', amount)"
      " select * from sales partition (q1)");
  EXPECT_EQ(rows("select prod_id from sales partition (q2) order by 1"), (Rows{"2", "11", "15"}));
  run("delete from sales where prod_id > 10");

  run("create table regions (r varchar2(10), n number) partition by list (r) (partition east values ('NY', 'NJ'),"
      " partition west values ('CA', null), partition other values (default))");
  for (const char* r : {"'NY'", "'CA'", "null", "'TX'"})
    run(std::string("insert into regions values (") + r + ", 1)");
  EXPECT_EQ(rows("select count(*) from regions partition (west)"), Rows{"2"});
  EXPECT_EQ(rows("select r from regions partition (other)"), Rows{"TX"});
  EXPECT_EQ(rows("select r from regions partition for ('NJ')"), Rows{"NY"});

  run("create table h (id number) partition by hash (id) partitions 4");
  run("insert into h select level from dual connect by level <= 20");
  EXPECT_EQ(
      rows("select (select count(*) from h partition (sys_p1)) + (select count(*) from h partition (sys_p2)) +"
           " (select count(*) from h partition (sys_p3)) + (select count(*) from h partition (sys_p4)) from dual"),
      Rows{"20"})
      << "each row is in exactly one bucket";
  EXPECT_EQ(rows("select count(*) from h partition for (7) where id = 7"), Rows{"1"});

  run("create table plain (partition number)");
  run("create view sales_v as select * from sales");
  EXPECT_EQ(rows("select count(*) from plain partition"), Rows{"0"}) << "a plain alias named PARTITION";
  EXPECT_EQ(error_of("select * from sales partition (nope)"), 2149);
  EXPECT_EQ(error_of("select * from plain partition (p1)"), 14501);
  EXPECT_EQ(error_of("delete from plain partition (p1)"), 14501);
  EXPECT_EQ(error_of("select * from sales_v partition (q1)"), 14109);
  EXPECT_EQ(error_of("update sales_v partition (q1) set amount = 1"), 14109);
  EXPECT_EQ(error_of("select * from sales partition for (date '1998-01-01', 1)"), 14017);
  EXPECT_EQ(error_of("select * from sales subpartition (sp1)"), 3001);
  // The error points at the unknown name.
  OciStatement st(s, "select * from sales partition (nope)");
  EXPECT_NE(st.execute(0), OCI_SUCCESS);
  EXPECT_EQ(st.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), 31);
}

// ALTER TABLE's partition maintenance: the rows, the dictionary and the key checks follow.
TEST_F(Partitioning, PartitionMaintenance) {
  run("create table r2 (k number, v varchar2(10)) partition by range (k)"
      " (partition p10 values less than (10), partition p20 values less than (20))");
  run("create index r2_ix on r2 (k) local");
  for (int k : {5, 12, 17}) run("insert into r2 values (" + std::to_string(k) + ", 'x')");
  auto parts = [&](const std::string& table) {
    return rows(
        "select partition_name || ':' || partition_position || ':' || high_value from user_tab_partitions"
        " where table_name = '" +
        table + "' order by partition_position");
  };
  run("alter table r2 add partition p30 values less than (30)");
  EXPECT_EQ(error_of("alter table r2 add partition p25 values less than (25)"), 14074);
  run("insert into r2 values (25, 'x')");
  run("alter table r2 drop partition p30 update global indexes");
  EXPECT_EQ(error_of("insert into r2 values (25, 'x')"), 14400) << "the key check follows the dropped bound";
  run("alter table r2 split partition p20 at (15) into (partition p15, partition p20)");
  EXPECT_EQ(parts("R2"), (Rows{"P10:1:10", "P15:2:15", "P20:3:20"}));
  EXPECT_EQ(rows("select partition_name || ':' || partition_position from user_ind_partitions"
                 " where index_name = 'R2_IX' order by partition_position"),
            (Rows{"P10:1", "P15:2", "P20:3"}));
  EXPECT_EQ(rows("select k from r2 partition (p15)"), Rows{"12"});
  EXPECT_EQ(error_of("alter table r2 split partition p20 at (25) into (partition a, partition b)"), 14080);
  EXPECT_EQ(error_of("alter table r2 split partition p20 at (12) into (partition a, partition b)"), 14080);
  EXPECT_EQ(error_of("alter table r2 split partition p20 at (17) into (partition p10, partition b)"), 14012);
  EXPECT_EQ(error_of("alter table r2 merge partitions p10, p20 into partition x"), 14274);
  run("alter table r2 merge partitions p10, p15 into partition p15b");
  EXPECT_EQ(parts("R2"), (Rows{"P15B:1:15", "P20:2:20"}));
  EXPECT_EQ(rows("select count(*) from r2 partition (p15b)"), Rows{"2"});
  run("alter table r2 rename partition p20 to p_twenty");
  EXPECT_EQ(error_of("alter table r2 rename partition p_twenty to p15b"), 14082);
  run("alter table r2 move partition p_twenty tablespace users nologging");
  run("alter table r2 modify partition p_twenty pctfree 20");
  run("alter table r2 modify partition p_twenty rebuild unusable local indexes");
  EXPECT_EQ(error_of("alter table r2 modify partition p_twenty add values (3)"), 3001);
  run("alter table r2 truncate partition p15b drop storage");
  EXPECT_EQ(rows("select k from r2"), Rows{"17"});
  EXPECT_EQ(error_of("alter table r2 drop partition p15b, p_twenty"), 14083);
  EXPECT_EQ(error_of("alter table r2 truncate partition nope"), 2149);
  EXPECT_EQ(error_of("alter table r2 set interval (10)"), 3001);
  EXPECT_EQ(parts("R2"), (Rows{"P15B:1:15", "P_TWENTY:2:20"})) << "the refused changes changed nothing";

  run("create table l2 (c varchar2(2)) partition by list (c) (partition a values ('A', 'B'), partition z values "
      "('Z'))");
  run("insert into l2 values ('B')");
  run("alter table l2 add partition c values ('C')");
  EXPECT_EQ(error_of("alter table l2 add partition d values ('D', 'B')"), 14312);
  EXPECT_NE(s.error_text().find("Value 'B' already exists in partition A"), std::string::npos) << s.error_text();
  run("alter table l2 split partition a values ('A') into (partition a1, partition a2)");
  EXPECT_EQ(parts("L2"), (Rows{"A1:1:'A'", "A2:2:'B'", "Z:3:'Z'", "C:4:'C'"}));
  EXPECT_EQ(rows("select c from l2 partition (a2)"), Rows{"B"});
  EXPECT_EQ(error_of("alter table l2 split partition a2 values ('B') into (partition x, partition y)"), 14314);
  EXPECT_EQ(error_of("alter table l2 split partition a2 values ('Q') into (partition x, partition y)"), 14313);
  run("alter table l2 merge partitions a1, z into partition az");
  EXPECT_EQ(parts("L2"), (Rows{"AZ:1:'A', 'Z'", "A2:2:'B'", "C:3:'C'"}));
  run("alter table l2 drop partition c");
  EXPECT_EQ(error_of("insert into l2 values ('C')"), 14400);
  run("alter table l2 add partition rest values (default)");
  EXPECT_EQ(error_of("alter table l2 add partition e values ('E')"), 14323);

  // EXCHANGE swaps the partition's rows and the table's in one statement.
  run("insert into sales values (1, date '1998-02-01', 10)");
  run("create table stage (id number, t date, amt number)");
  run("insert into stage values (2, date '1998-03-01', 20)");
  run("insert into stage values (3, date '1998-03-02', 30)");
  run("alter table sales exchange partition q1 with table stage including indexes with validation");
  EXPECT_EQ(rows("select prod_id from sales partition (q1) order by 1"), (Rows{"2", "3"}));
  EXPECT_EQ(rows("select id from stage"), Rows{"1"});
  run("insert into stage values (9, date '1999-03-01', 90)");
  EXPECT_EQ(error_of("alter table sales exchange partition q1 with table stage"), 14099);
  EXPECT_EQ(rows("select count(*) from stage"), Rows{"2"});
  run("create table narrow (a number, b date)");
  run("create table mismatch (a number, b varchar2(10), c number)");
  EXPECT_EQ(error_of("alter table sales exchange partition q1 with table narrow"), 14096);
  EXPECT_EQ(error_of("alter table sales exchange partition q1 with table mismatch"), 14097);
  EXPECT_EQ(error_of("alter table sales exchange partition q1 with table l2"), 14095);

  // HASH: the bucket rule follows the partition count, so every row stays in one bucket.
  run("create table h (id number) partition by hash (id) partitions 3");
  run("insert into h select level from dual connect by level <= 30");
  auto spread = [&](int n) {
    std::string sql = "select 0";
    for (int i = 1; i <= n; ++i) sql += " + (select count(*) from h partition (sys_p" + std::to_string(i) + "))";
    return rows(sql + " from dual");
  };
  run("alter table h add partition");
  EXPECT_EQ(spread(4), Rows{"30"});
  run("alter table h coalesce partition");
  EXPECT_EQ(spread(3), Rows{"30"});
  EXPECT_EQ(rows("select partition_count from user_part_tables where table_name = 'H'"), Rows{"3"});
  EXPECT_EQ(error_of("alter table h drop partition sys_p1"), 14255);
  EXPECT_EQ(error_of("alter table r2 coalesce partition"), 14259);
  run("create table plain (a number)");
  EXPECT_EQ(error_of("alter table plain drop partition p"), 14501);

  // A composite table's new partitions get its default subpartitions.
  run("create table rh (k number, id number) partition by range (k) subpartition by hash (id) subpartitions 2"
      " (partition a values less than (10), partition b values less than (20))");
  run("alter table rh split partition b at (15) into (partition b1, partition b2)");
  EXPECT_EQ(rows("select partition_name || ':' || composite || ':' || subpartition_count from user_tab_partitions"
                 " where table_name = 'RH' order by partition_position"),
            (Rows{"A:YES:2", "B1:YES:2", "B2:YES:2"}));

  // DDL commits: the row inserted before it stays after a rollback.
  run("insert into plain values (1)");
  run("alter table r2 rename partition p15b to p15");
  run("rollback");
  EXPECT_EQ(rows("select count(*) from plain"), Rows{"1"});
}

}  // namespace

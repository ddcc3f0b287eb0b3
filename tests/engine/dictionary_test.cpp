// The embedded engine's data dictionary through OCI: the console's own lookups (objects,
// columns, comments, indexes, parameters, statistics) answered with the rows Oracle
// gives for the same schema.
#include "oci_session.h"

#include <sqlite3.h>

#include <filesystem>

#include <cstdlib>

namespace {

class Dictionary : public ::testing::Test {
 protected:
  void SetUp() override {
    // The home folder is named after the process id: clear what an earlier process with
    // the same id may have left, since these tests need a fresh database.
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    if (test_against_oracle()) GTEST_SKIP() << "checks the embedded engine's fresh schema";
    ASSERT_EQ(s.connect("scott", "tiger", "dict"), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::vector<std::string> rows(const std::string& sql) { return s.rows(sql); }
  OciSession s;
};

using Rows = std::vector<std::string>;

TEST_F(Dictionary, UserObjectsListsTablesAndIndexesWithIdsAndTimes) {
  run("create table dept (deptno number(2) primary key, dname varchar2(14))");
  run("create index dept_name on dept(dname)");
  EXPECT_EQ(rows("select object_name,object_type,status from user_objects order by 2,1"),
            (Rows{"DEPT_NAME|INDEX|VALID", "SYS_C005000|INDEX|VALID", "DEPT|TABLE|VALID"}))
      << "the primary key's index is named after its constraint";
  EXPECT_EQ(rows("SELECT user  FROM user_objects WHERE object_name=upper('dept') and object_type!='SYNONYM'"),
            Rows{"SCOTT"});
  EXPECT_EQ(rows("select count(*) from all_objects where owner='SCOTT' and object_id is not null"
                 " and created is not null and data_object_id=object_id"),
            Rows{"3"});
  std::string id = s.value("select object_id from user_objects where object_name='DEPT'");
  run("create table emp (empno number(4))");
  EXPECT_EQ(s.value("select object_id from user_objects where object_name='DEPT'"), id) << "ids are stable";
  run("drop table emp");
  EXPECT_EQ(rows("select object_name from user_objects where object_type='TABLE'"), Rows{"DEPT"});
  EXPECT_EQ(rows("SELECT object_type FROM all_objects WHERE owner=upper('sys') AND object_name=upper('dual')"),
            Rows{"TABLE"});
}

TEST_F(Dictionary, TabColumnsShowOracleTypesLengthsAndNullability) {
  run("create table t (id number(10) not null, amount number(8,2), n number, i integer, name varchar2(20),"
      " code char(3), born date, notes clob)");
  EXPECT_EQ(rows("select column_name,data_type,data_length,data_precision,data_scale,nullable,column_id,char_length"
                 " from all_tab_columns where owner='SCOTT' and table_name='T' order by column_id"),
            (Rows{"ID|NUMBER|22|10|0|N|1|0", "AMOUNT|NUMBER|22|8|2|Y|2|0", "N|NUMBER|22|<null>|<null>|Y|3|0",
                  "I|NUMBER|22|<null>|0|Y|4|0", "NAME|VARCHAR2|20|<null>|<null>|Y|5|20",
                  "CODE|CHAR|3|<null>|<null>|Y|6|3", "BORN|DATE|7|<null>|<null>|Y|7|0",
                  "NOTES|CLOB|4000|<null>|<null>|Y|8|0"}));
  EXPECT_EQ(rows("select distinct lower(column_name) from user_tab_columns where column_name like upper('a'||'%')"),
            Rows{"amount"});
  EXPECT_EQ(rows("select comments from all_col_comments where owner='SCOTT' and table_name='T' and column_name='ID'"),
            Rows{"<null>"})
      << "every column has a comment row";
}

TEST_F(Dictionary, NumberWithAnyPrecisionKeepsItsScale) {
  run("create table t (a number(*,0), b number(*,2), c number(*))");
  EXPECT_EQ(rows("select column_name,data_precision,data_scale from user_tab_columns where table_name='T'"
                 " order by column_id"),
            (Rows{"A|<null>|0", "B|<null>|2", "C|<null>|<null>"}));
  run("insert into t values (1.5, 1.234, 1.234)");
  EXPECT_EQ(rows("select a, b, c from t"), Rows{"2|1.23|1.234"});
}

TEST_F(Dictionary, AddedKeysUseAMatchingUniqueIndexAndTakeTheDefaultState) {
  run("create table p (id number, code varchar2(5), n number)");
  run("create unique index pk_p on p (id)");
  run("create unique index sys_c000777 on p (code)");
  // The key takes the index's name or a generated one; neither creates another index.
  run("alter table p add constraint pk_p primary key (id) not deferrable initially immediate enable validate");
  run("alter table p add unique (code) enable validate");
  EXPECT_EQ(rows("select index_name from user_indexes where table_name='P' order by 1"),
            (Rows{"PK_P", "SYS_C000777"}));
  EXPECT_EQ(rows("select constraint_type,generated from user_constraints where table_name='P' order by 1"),
            (Rows{"P|USER NAME", "U|GENERATED NAME"}));
  EXPECT_NE(s.exec("insert into p values (1, 'a', 0)"), OCI_ERROR);
  EXPECT_EQ(s.exec("insert into p values (1, 'b', 0)"), OCI_ERROR) << "the reused index still enforces the key";
  run("alter table p add constraint ck_p check (n >= 0) not deferrable");
  run("alter table p add constraint ck_q check (n < 9) deferrable initially deferred");
  EXPECT_EQ(rows("select deferrable, deferred from user_constraints where constraint_name='CK_Q'"),
            Rows{"DEFERRABLE|DEFERRED"});
  // States the engine cannot keep are refused, not ignored.
  EXPECT_EQ(s.exec("alter table p add constraint ck_q check (n < 9) disable validate"), OCI_ERROR);
  // A name already used by a constraint is refused whatever the indexes.
  EXPECT_EQ(s.exec("alter table p add constraint ck_p check (n < 9)"), OCI_ERROR);
  // An index that does not fit the key keeps its name to itself.
  run("create index p_n on p (n)");
  EXPECT_EQ(s.exec("alter table p add constraint p_n unique (n)"), OCI_ERROR);
}

TEST_F(Dictionary, TablesAndIndexesShowStorageDefaultsAndKeys) {
  run("create table t (a number, b varchar2(10))");
  run("create unique index t_a on t(a)");
  run("create index t_ba on t(b desc, a)");
  EXPECT_EQ(rows("select tablespace_name,cluster_name,iot_name,pct_free,pct_used,ini_trans,max_trans,initial_extent,"
                 "next_extent,min_extents,max_extents,pct_increase,freelists,freelist_groups,iot_type from all_tables"
                 " where owner='SCOTT' and table_name='T'"),
            Rows{"USERS|<null>|<null>|10|40|1|255|65536|1048576|1|2147483645|0|1|1|<null>"});
  EXPECT_EQ(rows("select index_name,index_type,uniqueness,ini_trans,table_name from all_indexes"
                 " where owner='SCOTT' order by index_name"),
            (Rows{"T_A|NORMAL|UNIQUE|2|T", "T_BA|FUNCTION-BASED NORMAL|NONUNIQUE|2|T"}));
  EXPECT_EQ(rows("select column_name,descend,column_length from all_ind_columns where index_owner='SCOTT'"
                 " and index_name='T_BA' order by column_position"),
            (Rows{"B|DESC|10", "A|ASC|22"}));
  EXPECT_EQ(rows("select table_name from user_tables"), Rows{"T"});
}

TEST_F(Dictionary, ParametersAreTheEngineSettings) {
  EXPECT_EQ(rows("select value from v$parameter where name like lower('%db_name%')"), Rows{"DICT"});
  EXPECT_EQ(rows("select value,isdefault,ismodified from v$parameter where name='nls_date_format'"),
            Rows{"DD-MON-RR|TRUE|FALSE"});
  run("alter session set nls_date_format='YYYY-MM-DD'");
  EXPECT_EQ(rows("select value,isdefault,ismodified from v$parameter where name='nls_date_format'"),
            Rows{"YYYY-MM-DD|FALSE|MODIFIED"});
  std::string block = s.value("select value from v$parameter where name='db_block_size'");
  EXPECT_GE(std::atoi(block.c_str()), 512);
}

TEST_F(Dictionary, SessionStatisticsCountTheSessionsWork) {
  const std::string stats =
      "select n.statistic#,s.value,n.name from v$statname n,v$sesstat s where s.statistic#=n.statistic# and"
      " sid=(select sid from v$session where audsid=userenv('sessionid')) and n.statistic# in"
      " (7,38,39,40,44,182,183,184,188,189) order by 1";
  Rows before = rows(stats);
  ASSERT_EQ(before.size(), 10u);
  EXPECT_NE(before[5].find("|bytes sent via SQL*Net to client"), std::string::npos) << before[5];
  run("create table t (a number)");
  run("insert into t values (3)");
  run("insert into t values (1)");
  EXPECT_EQ(rows("select a from t order by a"), (Rows{"1", "3"}));
  Rows after = rows(stats);
  ASSERT_EQ(after.size(), 10u);
  auto value = [](const std::string& row) { return std::atoll(row.substr(row.find('|') + 1).c_str()); };
  for (int i : {5, 6, 7, 8}) EXPECT_GT(value(after[i]), value(before[i])) << after[i];
  EXPECT_GT(value(after[1]), 0) << "blocks were changed: " << after[1];
}

TEST_F(Dictionary, UserenvSessionIdsDifferBetweenSessions) {
  OciSession other;
  ASSERT_EQ(other.connect("scott", "tiger", "dict"), OCI_SUCCESS);
  std::string a = s.value("select userenv('sessionid') from dual");
  std::string b = other.value("select sys_context('USERENV','SESSIONID') from dual");
  EXPECT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(s.value("select sys_context('userenv','nls_date_format') from dual"), "DD-MON-RR");
  EXPECT_EQ(s.value("select sys_context('userenv','current_schema') from dual"), "SCOTT");
  EXPECT_EQ(s.value("select sys_context('userenv','no_such_thing') from dual"),
            "error: ORA-02003: invalid USERENV parameter\n");
}

TEST_F(Dictionary, NameListsOfObjectKindsTheEngineLacksAreEmptyButValid) {
  for (const char* q :
       {"select distinct lower(cluster_name) from all_clusters where cluster_name like upper('a'||'%')",
        "select distinct lower(dimension_name) from all_dimensions where dimension_name like upper('a'||'%')",
        "select distinct lower(directory_name) from all_directories where directory_name like upper('a'||'%')",
        "select distinct lower(indextype_name) from all_indextypes where indextype_name like upper('a'||'%')",
        "select distinct lower(library_name) from all_libraries where library_name like upper('a'||'%')",
        "select distinct lower(operator_name) from all_operators where operator_name like upper('a'||'%')",
        "select distinct lower(name) from all_outlines where name like upper('a'||'%')",
        "select distinct lower(name) from all_snapshots where name like upper('a'||'%')",
        "select distinct lower(trigger_name) from all_triggers where trigger_name like upper('a'||'%')",
        "select distinct lower(sequence_name) from all_sequences where sequence_name like upper('a'||'%')"})
    EXPECT_TRUE(rows(q).empty()) << q;
  EXPECT_EQ(rows("select distinct lower(tablespace_name) from dba_tablespaces where tablespace_name like upper('u'||'%')"),
            Rows{"users"});
  EXPECT_EQ(rows("select distinct lower(username) from dba_users where username like upper('s'||'%')"),
            Rows{"scott"});
  EXPECT_EQ(rows("select distinct lower(role) from dba_roles where role like upper('c'||'%')"), Rows{"connect"});
}

TEST_F(Dictionary, DescribeJoinsColumnsToTheirCommentsWithOuterJoin) {
  run("create table emp (empno number(4) not null, ename varchar2(10), hired date)");
  run("comment on table emp is 'People'");
  run("comment on column emp.ename is 'Name as written'");
  const std::string describe =
      "select t.column_name,t.data_type,t.data_length,t.data_precision,t.data_scale,t.nullable,c.comments from"
      " all_tab_columns t,all_col_comments c where t.table_name='EMP' and t.owner='SCOTT' and c.owner(+)=t.owner and"
      " c.table_name(+)=t.table_name and c.column_name(+)=t.column_name order by column_id";
  EXPECT_EQ(rows(describe), (Rows{"EMPNO|NUMBER|22|4|0|N|<null>", "ENAME|VARCHAR2|10|<null>|<null>|Y|Name as written",
                                  "HIRED|DATE|7|<null>|<null>|Y|<null>"}));
  EXPECT_EQ(rows("select table_type,comments from all_tab_comments where owner='SCOTT' and table_name='EMP'"),
            Rows{"TABLE|People"});
  run("comment on column emp.ename is ''");
  EXPECT_EQ(rows("select count(*) from all_col_comments where table_name='EMP' and comments is not null"), Rows{"0"});
  EXPECT_EQ(s.exec("comment on column emp.nosuch is 'x'"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00904: \"NOSUCH\": invalid identifier\n");
  EXPECT_EQ(s.exec("comment on table nosuch is 'x'"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 942);
}

TEST_F(Dictionary, SynonymsResolveOwnBeforePublicInSqlAndInTheLookup) {
  run("create table a (v varchar2(6))");
  run("create table b (v varchar2(6))");
  run("insert into a values ('from a')");
  run("insert into b values ('from b')");
  run("create public synonym s for scott.a");
  EXPECT_EQ(rows("select v from s"), Rows{"from a"});
  run("create synonym s for b");
  EXPECT_EQ(rows("select v from s"), Rows{"from b"}) << "the user's own synonym comes before the public one";
  const std::string lookup =
      "SELECT table_owner,table_name FROM all_synonyms WHERE synonym_name=upper('s') and owner in (user,'PUBLIC')"
      " order by decode(owner,user,0,1)";
  EXPECT_EQ(rows(lookup), (Rows{"SCOTT|B", "SCOTT|A"}));
  EXPECT_EQ(s.exec("create synonym s for a"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 955);
  run("create or replace synonym s for a");
  EXPECT_EQ(rows("select table_name,db_link from all_synonyms where owner='SCOTT' and synonym_name='S'"),
            Rows{"A|<null>"});
  EXPECT_EQ(rows("select object_type from user_objects where object_name='S'"), Rows{"SYNONYM"});
  EXPECT_EQ(s.exec("create synonym a for b"), OCI_ERROR) << "a synonym may not take a table's name";
  EXPECT_EQ(s.error_code(), 955);
  run("drop synonym s");
  run("drop public synonym s");
  EXPECT_EQ(s.exec("drop synonym s"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01434: private synonym to be dropped does not exist\n");
  EXPECT_EQ(s.exec("drop public synonym s"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1432);
  run("create synonym gone for nothing_here");
  EXPECT_EQ(s.value("select * from gone"), "error: ORA-00980: synonym translation is no longer valid\n");
}

TEST_F(Dictionary, SequencesFollowOracleDefaultsBoundsAndSessionCurrval) {
  run("create sequence s1");
  EXPECT_EQ(rows("select min_value,max_value,increment_by,cycle_flag,order_flag,cache_size,last_number"
                 " from all_sequences where sequence_owner='SCOTT' and sequence_name='S1'"),
            Rows{"1|999999999999999999999999999|1|N|N|20|1"});
  EXPECT_EQ(s.value("select s1.currval from dual"),
            "error: ORA-08002: sequence S1.CURRVAL is not yet defined in this session\n");
  EXPECT_EQ(s.value("select s1.nextval from dual"), "1");
  EXPECT_EQ(s.value("select s1.nextval from dual"), "2");
  EXPECT_EQ(s.value("select s1.currval from dual"), "2");
  EXPECT_EQ(s.value("select last_number from user_sequences where sequence_name='S1'"), "21");
  run("create table t (id number)");
  run("insert into t values (s1.nextval)");
  EXPECT_EQ(s.value("select id from t"), "3");
  run("create sequence down increment by -2 start with 3 minvalue 0 maxvalue 10 nocache");
  EXPECT_EQ(s.value("select down.nextval from dual"), "3");
  EXPECT_EQ(s.value("select down.nextval from dual"), "1");
  EXPECT_EQ(s.value("select down.nextval from dual"),
            "error: ORA-08004: sequence DOWN.NEXTVAL goes below MINVALUE and cannot be instantiated\n");
  run("alter sequence down cycle");
  EXPECT_EQ(s.value("select down.nextval from dual"), "10");
  run("create sequence c3 start with 1 maxvalue 2 cycle nocache");
  EXPECT_EQ(s.value("select c3.nextval||c3.nextval from dual").size(), 2u);
  EXPECT_EQ(s.value("select c3.nextval from dual"), "1") << "a cycling sequence starts again at MINVALUE";
  EXPECT_EQ(s.exec("create sequence s1"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 955);
  EXPECT_EQ(s.exec("create sequence bad start with 0"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04006: START WITH cannot be less than MINVALUE\n");
  EXPECT_EQ(s.exec("create sequence bad increment by 0"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 4002);
  EXPECT_EQ(s.exec("alter sequence s1 start with 5"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2283);
  EXPECT_EQ(rows("select distinct lower(sequence_name) from all_sequences where sequence_name like upper('s'||'%')"),
            Rows{"s1"});
  run("drop sequence s1");
  EXPECT_EQ(s.value("select s1.nextval from dual"), "error: ORA-02289: sequence does not exist\n");
  EXPECT_EQ(s.exec("drop sequence s1"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2289);
}

// NEXTVAL takes a cache's worth of numbers at a time: they come out one after another,
// the high-water mark moves by the cache, the end of the sequence inside a cache's worth
// still fails at its place, and ALTER SEQUENCE takes effect at once.
TEST_F(Dictionary, SequenceNumbersComeFromTheCacheInOrder) {
  run("create sequence q20");
  std::string got;
  for (int i = 1; i <= 45; ++i) got += s.value("select q20.nextval from dual") + ",";
  std::string want;
  for (int i = 1; i <= 45; ++i) want += std::to_string(i) + ",";
  EXPECT_EQ(got, want);
  EXPECT_EQ(s.value("select last_number from user_sequences where sequence_name='Q20'"), "61");
  run("create sequence m25 maxvalue 25");
  for (int i = 0; i < 24; ++i) s.value("select m25.nextval from dual");
  EXPECT_EQ(s.value("select m25.nextval from dual"), "25");
  EXPECT_EQ(s.value("select m25.nextval from dual"),
            "error: ORA-08004: sequence M25.NEXTVAL exceeds MAXVALUE and cannot be instantiated\n");
  run("alter sequence q20 increment by 5");
  const long long a = std::stoll(s.value("select q20.nextval from dual"));
  const long long b = std::stoll(s.value("select q20.nextval from dual"));
  EXPECT_EQ(b - a, 5);
  EXPECT_GT(a, 45);
  run("drop sequence q20");
  run("create sequence q20 start with 61");
  EXPECT_EQ(s.value("select q20.nextval from dual"), "61") << "a new sequence of the same name starts afresh";
}

TEST_F(Dictionary, ConstraintsAreNamedAsDeclaredOrBySystemWithNotNullChecks) {
  run("create table dept (deptno number(2) constraint pk_dept primary key, dname varchar2(14) unique)");
  run("create table emp (empno number(4) primary key, ename varchar2(10) not null, sal number check (sal > 0),"
      " deptno number(2) constraint fk_deptno references dept on delete cascade,"
      " constraint uk_emp unique (ename, deptno))");
  Rows names = rows("SELECT CONSTRAINT_NAME FROM ALL_CONSTRAINTS WHERE OWNER='SCOTT' AND CONSTRAINT_TYPE='C'"
                    " AND table_name='EMP' order by 1");
  ASSERT_EQ(names.size(), 2u);
  for (const std::string& n : names) EXPECT_EQ(n.rfind("SYS_C00", 0), 0u) << n;
  EXPECT_NE(names[0], names[1]);
  EXPECT_EQ(rows("select CONSTRAINT_TYPE,TABLE_NAME,SEARCH_CONDITION,R_OWNER,R_CONSTRAINT_NAME,DELETE_RULE,STATUS,"
                 "DEFERRABLE,DEFERRED,VALIDATED,GENERATED from all_constraints where owner='SCOTT' and table_name='EMP'"
                 " and constraint_type='C' order by search_condition"),
            (Rows{"C|EMP|\"ENAME\" IS NOT NULL|<null>|<null>|<null>|ENABLED|NOT DEFERRABLE|IMMEDIATE|VALIDATED|GENERATED NAME",
                  "C|EMP|sal > 0|<null>|<null>|<null>|ENABLED|NOT DEFERRABLE|IMMEDIATE|VALIDATED|GENERATED NAME"}));
  EXPECT_EQ(rows("select CONSTRAINT_TYPE,R_OWNER,R_CONSTRAINT_NAME,DELETE_RULE,GENERATED from all_constraints"
                 " where owner='SCOTT' and constraint_name='FK_DEPTNO'"),
            Rows{"R|SCOTT|PK_DEPT|CASCADE|USER NAME"});
  EXPECT_EQ(rows("select COLUMN_NAME from all_cons_columns where owner='SCOTT' and constraint_name='UK_EMP'"
                 " order by position"),
            (Rows{"ENAME", "DEPTNO"}));
  EXPECT_EQ(rows("SELECT CONSTRAINT_NAME FROM ALL_CONSTRAINTS WHERE OWNER='SCOTT' AND CONSTRAINT_TYPE='U'"
                 " AND table_name='DEPT'").size(), 1u);
  EXPECT_EQ(rows("select TABLE_NAME from all_constraints where owner='SCOTT' and constraint_name='PK_DEPT'"),
            Rows{"DEPT"});
  run("drop table emp");
  EXPECT_EQ(rows("select count(*) from all_constraints where table_name='EMP'"), Rows{"0"});
  EXPECT_EQ(rows("select count(*) from all_cons_columns where table_name='EMP'"), Rows{"0"});
}

TEST_F(Dictionary, RownumLimitsRowsBeforeTheyAreSortedAndFindsSchemasWithObjects) {
  run("create table t (n number)");
  for (int i = 1; i <= 5; ++i) run("insert into t values (" + std::to_string(6 - i) + ")");
  EXPECT_EQ(rows("select n from t where rownum <= 2 order by n"), (Rows{"4", "5"}));
  EXPECT_EQ(rows("select n from t where rownum < 2"), Rows{"5"});
  EXPECT_EQ(rows("select n from t where rownum = 2"), Rows{});
  EXPECT_EQ(rows("select rownum,n from t where n < 3"), (Rows{"1|2", "2|1"}));
  EXPECT_EQ(rows("select count(*) from t where rownum <= 3"), Rows{"3"}) << "rows are counted after the limit";
  EXPECT_EQ(rows("select count(*) from t a, t b where rownum <= 3"),
            Rows{"error: ORA-03001: unimplemented feature\n"})
      << "a limited join that is then counted is refused rather than answered wrong";
  EXPECT_EQ(rows("select username from (select username from all_users union select 'PUBLIC' from dual) u where"
                 " exists (select 1 from all_objects where owner=u.username and rownum=1)"),
            (Rows{"SCOTT"}));
}

TEST_F(Dictionary, RownumLimitsTheRowsUpdateAndDeleteChange) {
  run("create table t (n number, m number)");
  for (int i = 1; i <= 5; ++i) run("insert into t values (" + std::to_string(i) + ", 0)");
  run("update t set m = 1 where n > 2 and rownum = 1");
  EXPECT_EQ(rows("select count(*), sum(n) from t where m = 1"), Rows{"1|3"});
  run("update t x set m = m + 10 where rownum <= 2 and x.m = 0");
  EXPECT_EQ(rows("select n from t where m = 10 order by n"), (Rows{"1", "2"}));
  run("delete from t where rownum < 3 and m > 0");
  EXPECT_EQ(rows("select n from t order by n"), (Rows{"3", "4", "5"}));
  run("delete from t where rownum = 2");
  EXPECT_EQ(rows("select count(*) from t"), Rows{"3"});
  run("delete from t where rownum >= 1 and n <> 4");
  EXPECT_EQ(rows("select n from t"), Rows{"4"});
}

TEST_F(Dictionary, UpdateRefusesAColumnSetTwice) {
  run("create table t (n number, m number)");
  run("insert into t values (1, 0)");
  EXPECT_NE(s.exec("update t set n = 1, n = 2"), OCI_SUCCESS);
  EXPECT_EQ(s.error_text(), "ORA-00957: duplicate column name\n");
  EXPECT_NE(s.exec("update t x set m = 1, x.n = 3, n = n + 1"), OCI_SUCCESS);
  EXPECT_EQ(s.error_text(), "ORA-00957: duplicate column name\n");
  EXPECT_EQ(rows("select n || ',' || m from t"), Rows{"1,0"});
  run("update t set n = 2, m = n");
  EXPECT_EQ(rows("select n || ',' || m from t"), Rows{"2,1"});
}

TEST_F(Dictionary, DefaultsAreShownAsTypedAndTableKeysAddNoNotNullCheck) {
  run("create table t (id number, created date default sysdate, flag char(1) default 'N', n number default  0,"
      " constraint t_pk primary key (id))");
  run("alter table t add (note varchar2(10) default 'x''y')");
  EXPECT_EQ(rows("select column_name,nullable,default_length,data_default from all_tab_columns where owner='SCOTT'"
                 " and table_name='T' order by column_id"),
            (Rows{"ID|N|<null>|<null>", "CREATED|Y|7|sysdate", "FLAG|Y|3|'N'", "N|Y|1|0", "NOTE|Y|6|'x''y'"}));
  EXPECT_EQ(rows("select constraint_type,constraint_name from all_constraints where table_name='T'"), Rows{"P|T_PK"});
}

// The console's fixed lookups with their placeholders filled, against a small schema:
// each must run and give Oracle's answer.
TEST_F(Dictionary, ConsoleLookupsAnswerForASchema) {
  run("create table dept (deptno number(2) constraint pk_dept primary key, dname varchar2(14))");
  run("create index dept_dname on dept(dname)");
  run("create sequence dept_seq start with 50 increment by 10 nocache");
  run("create public synonym departments for dept");
  EXPECT_EQ(rows("select object_name,object_type,status from user_objects order by 2,1"),
            (Rows{"DEPT_DNAME|INDEX|VALID", "PK_DEPT|INDEX|VALID", "DEPT_SEQ|SEQUENCE|VALID", "DEPT|TABLE|VALID"}));
  EXPECT_EQ(rows("SELECT user FROM dual"), Rows{"SCOTT"});
  EXPECT_EQ(rows("SELECT object_type FROM all_objects WHERE owner=upper('scott') AND object_name=upper('dept_seq')"
                 " AND subobject_name IS NULL AND object_type!='PACKAGE BODY'"),
            Rows{"SEQUENCE"});
  EXPECT_EQ(rows("select distinct object_type from all_objects where owner='PUBLIC' and object_type not in"
                 " ('TABLE PARTITION','INDEX PARTITION')"),
            Rows{"SYNONYM"});
  EXPECT_EQ(rows("select object_name from all_objects where owner='SCOTT' and object_type='INDEX' order by 1"),
            (Rows{"DEPT_DNAME", "PK_DEPT"}));
  EXPECT_EQ(rows("select distinct lower(table_name) from all_tables where table_name like upper('d'||'%') union"
                 " select distinct lower(view_name) from all_views where view_name like upper('d'||'%') union"
                 " select distinct lower(synonym_name) from all_synonyms where synonym_name like upper('d'||'%')"),
            (Rows{"departments", "dept"}));
  EXPECT_EQ(rows("select distinct lower(object_name) from all_objects where object_name like upper('dept_')||'%'"
                 " and owner=upper('scott')"),
            (Rows{"dept_dname", "dept_seq"}));
  EXPECT_EQ(rows("select lower(column_name) from all_tab_columns where column_name like upper('d')||'%' and"
                 " owner=upper('scott') and table_name=upper('dept')"),
            (Rows{"deptno", "dname"}));
  EXPECT_EQ(rows("select index_name from user_indexes where table_name='DEPT' order by 1"),
            (Rows{"DEPT_DNAME", "PK_DEPT"}));
  EXPECT_EQ(rows("select INDEX_TYPE,UNIQUENESS,TABLESPACE_NAME,INI_TRANS,MAX_TRANS,INITIAL_EXTENT,NEXT_EXTENT,"
                 "MIN_EXTENTS,MAX_EXTENTS,PCT_INCREASE,PCT_THRESHOLD,FREELISTS,FREELIST_GROUPS,PCT_FREE,TABLE_NAME"
                 " from all_indexes where owner='SCOTT' and index_name='DEPT_DNAME'"),
            Rows{"NORMAL|NONUNIQUE|USERS|2|255|65536|1048576|1|2147483645|0|<null>|1|1|10|DEPT"});
  EXPECT_EQ(rows("select MIN_VALUE,MAX_VALUE,INCREMENT_BY,CYCLE_FLAG,ORDER_FLAG,CACHE_SIZE,LAST_NUMBER from"
                 " all_sequences where sequence_owner='SCOTT' and sequence_name='DEPT_SEQ'"),
            Rows{"1|999999999999999999999999999|10|N|N|0|50"});
  EXPECT_EQ(rows("select TABLE_OWNER,TABLE_NAME,DB_LINK from all_synonyms where owner='PUBLIC' and"
                 " synonym_name='DEPARTMENTS'"),
            Rows{"SCOTT|DEPT|<null>"});
  EXPECT_EQ(rows("select column_name,data_type,data_type_mod,data_type_owner,data_length,data_precision,data_scale,"
                 "nullable,default_length,data_default from all_tab_columns where owner='SCOTT' and table_name='DEPT'"
                 " order by column_id"),
            (Rows{"DEPTNO|NUMBER|<null>|<null>|22|2|0|N|<null>|<null>",
                  "DNAME|VARCHAR2|<null>|<null>|14|<null>|<null>|Y|<null>|<null>"}));
  for (const char* empty :
       {"select text from all_source where owner='SCOTT' and name='P' and type='PROCEDURE' order by line",
        "select TRIGGER_BODY,DESCRIPTION from all_triggers where owner='SCOTT' and trigger_name='T'",
        "select TEXT_LENGTH from all_views where owner='SCOTT' and view_name='V'",
        "select lpad(line,5)||'/'||rpad(position,5)||' '||text \" line/col   error\" from all_errors where"
        " owner=upper('scott') and name=upper('p') and type=upper('procedure') order by line, position, sequence",
        "select nvl(argument_name,decode(in_out,'OUT','<return value>','<none>')) argument,in_out,"
        "decode(type_subname,null,decode(data_type,'VARCHAR2',decode(data_length,null,data_type,data_type||' ('||"
        "data_length||')'),data_type),data_type||' ('||type_subname||')') datatype from all_arguments where"
        " owner='SCOTT' and object_name='P' order by object_name,overload,position",
        "select decode(overload,null,object_name,object_name||' ('||to_char(overload)||')')||decode(position,0,"
        "' (FUNCTION)','') procedure,nvl(argument_name,decode(in_out,'OUT','<return value>','<none>')) argument,"
        "in_out from all_arguments where owner='SCOTT' and package_name='K' order by object_name,overload,position"})
    EXPECT_EQ(rows(empty), Rows{}) << empty;
}

TEST_F(Dictionary, ViewsKeepTheirTextAsTypedAndDescribeLikeTables) {
  run("create table emp (empno number(4), ename varchar2(10), sal number(7,2))");
  run("insert into emp values (1,'KING',5000)");
  const std::string query = "select empno, ename,\n       sal*12 annual from emp  where sal > 0";
  run("create or replace view emp_year as\n" + query + ";");
  EXPECT_EQ(rows("select ename,annual from emp_year"), Rows{"KING|60000"});
  EXPECT_EQ(rows("select TEXT from all_views where owner='SCOTT' and view_name='EMP_YEAR'"), Rows{query});
  EXPECT_EQ(rows("select TEXT_LENGTH from all_views where owner='SCOTT' and view_name='EMP_YEAR'"),
            Rows{std::to_string(query.size())});
  EXPECT_EQ(rows("select column_name,data_type,data_length from all_tab_columns where owner='SCOTT' and"
                 " table_name='EMP_YEAR' order by column_id"),
            (Rows{"EMPNO|NUMBER|22", "ENAME|VARCHAR2|10", "ANNUAL|NUMBER|22"}));
  EXPECT_EQ(rows("select object_type from user_objects where object_name='EMP_YEAR'"), Rows{"VIEW"});
  EXPECT_EQ(rows("select table_type from all_tab_comments where table_name='EMP_YEAR'"), Rows{"VIEW"});
  EXPECT_EQ(s.exec("create view emp_year as select * from emp"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 955);
  EXPECT_EQ(s.exec("create view v2 as select sal*2 from emp"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 998);
  EXPECT_EQ(s.exec("create view v3 as select * from missing"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 942);
  run("create view v4 (a, b) as select empno, ename from emp");
  EXPECT_EQ(rows("select b from v4"), Rows{"KING"});
  // A view may read DUAL, alone or joined (it once failed with ORA-00600).
  run("create view today as select trunc(sysdate) - trunc(sysdate) d, dummy from dual");
  EXPECT_EQ(rows("select d, dummy from today"), Rows{"0|X"});
  run("create view king as select e.ename from emp e, dual where e.empno = 1");
  EXPECT_EQ(rows("select * from king"), Rows{"KING"});
  run("drop view emp_year");
  EXPECT_EQ(rows("select count(*) from all_views where view_name='EMP_YEAR'"), Rows{"0"});
  EXPECT_EQ(s.exec("drop view emp_year"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 942);
}

TEST_F(Dictionary, SessionDateFormatRoundTrips) {
  run("alter session set nls_date_format='YYYY-MM-DD HH24:MI:SS'");
  EXPECT_EQ(rows("select sys_context('userenv','nls_date_format') from dual"), Rows{"YYYY-MM-DD HH24:MI:SS"});
  EXPECT_EQ(rows("select to_char(to_date('2024-02-29 23:59:58')) from dual"), Rows{"2024-02-29 23:59:58"});
  EXPECT_EQ(rows("select to_date('2024-02-29 23:59:58') + 1/86400*2 from dual"), Rows{"2024-03-01 00:00:00"});
}

TEST_F(Dictionary, StorageClausesAndIndexKindsAreAcceptedAndShown) {
  run("create table t (a number, b number) tablespace tools pctfree 20 initrans 3"
      " storage (initial 128K next 1M maxextents unlimited buffer_pool keep) nologging");
  run("create index t_a on t (a) reverse tablespace indx pctfree 5 storage (initial 64k)");
  run("create bitmap index t_b on t (b)");
  EXPECT_EQ(rows("select tablespace_name,pct_free,ini_trans,max_trans,initial_extent,next_extent,max_extents,"
                 "logging,buffer_pool from all_tables where owner='SCOTT' and table_name='T'"),
            Rows{"TOOLS|20|3|255|131072|1048576|2147483645|NO|KEEP"});
  EXPECT_EQ(rows("select index_name,index_type,tablespace_name,pct_free,ini_trans,initial_extent from all_indexes"
                 " where owner='SCOTT' order by 1"),
            (Rows{"T_A|NORMAL/REV|INDX|5|2|65536", "T_B|BITMAP|USERS|10|2|65536"}));
  EXPECT_EQ(s.exec("create table u (a number) tablespace"), OCI_ERROR) << "a clause cut short is not dropped silently";
  EXPECT_EQ(s.exec("create table u (a number) pctfree 10 wrongword"), OCI_ERROR);
  run("insert into t values (1, 2)");
  EXPECT_EQ(rows("select a from t where a = 1"), Rows{"1"});
}

TEST_F(Dictionary, ConstraintsAddedLaterAreValidatedEnforcedAndListed) {
  run("create table emp (empno number(4), ename varchar2(10), sal number(7,2))");
  run("insert into emp values (1, 'KING', 5000)");
  run("insert into emp values (2, null, 0)");
  EXPECT_EQ(s.exec("alter table emp add constraint ck_sal check (sal > 0)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02293: cannot validate (SCOTT.CK_SAL) - check constraint violated\n");
  EXPECT_EQ(s.exec("alter table emp modify ename not null"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2296);
  run("delete from emp where empno = 2");
  run("alter table emp add constraint ck_sal check (sal > 0)");
  run("alter table emp modify ename not null");
  run("alter table emp add primary key (empno)");
  run("alter table emp add constraint uk_name unique (ename)");
  EXPECT_EQ(s.exec("insert into emp values (3, 'X', -1)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02290: check constraint (SCOTT.CK_SAL) violated\n");
  EXPECT_EQ(s.exec("insert into emp values (3, null, 1)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1400);
  EXPECT_EQ(s.exec("insert into emp values (4, 'KING', 1)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1);
  EXPECT_EQ(s.exec("update emp set sal = -5"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2290);
  run("insert into emp values (3, 'SMITH', 800)");
  EXPECT_EQ(rows("select constraint_type,search_condition,generated from all_constraints where owner='SCOTT'"
                 " and table_name='EMP' order by constraint_type,search_condition"),
            (Rows{"C|\"ENAME\" IS NOT NULL|GENERATED NAME", "C|sal > 0|USER NAME", "P|<null>|GENERATED NAME",
                  "U|<null>|USER NAME"}));
  EXPECT_EQ(rows("select nullable from all_tab_columns where table_name='EMP' order by column_id"),
            (Rows{"N", "N", "Y"}));
  EXPECT_EQ(rows("select index_name,uniqueness from user_indexes where index_name='UK_NAME'"),
            Rows{"UK_NAME|UNIQUE"});
  EXPECT_EQ(s.exec("alter table emp add primary key (ename)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2260);
}

TEST_F(Dictionary, ForeignKeysAddedLaterCheckParentsAndApplyTheirDeleteRule) {
  run("create table dept (deptno number(2) constraint pk_dept primary key, dname varchar2(10))");
  run("create table emp (empno number(4), deptno number(2))");
  run("insert into dept values (10, 'A')");
  run("insert into dept values (20, 'B')");
  run("insert into emp values (1, 30)");
  EXPECT_EQ(s.exec("alter table emp add constraint fk_dept foreign key (deptno) references dept"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02298: cannot validate (SCOTT.FK_DEPT) - parent keys not found\n");
  run("update emp set deptno = 10");
  run("alter table emp add constraint fk_dept foreign key (deptno) references dept");
  EXPECT_EQ(s.exec("insert into emp values (2, 99)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-02291: integrity constraint (SCOTT.FK_DEPT) violated - parent key not found\n");
  run("insert into emp values (3, null)");
  EXPECT_EQ(s.exec("delete from dept where deptno = 10"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2292);
  run("delete from dept where deptno = 20");
  EXPECT_EQ(rows("select R_OWNER,R_CONSTRAINT_NAME,DELETE_RULE from all_constraints where constraint_name='FK_DEPT'"),
            Rows{"SCOTT|PK_DEPT|NO ACTION"});
  run("create table bonus (empno number(4) primary key, amount number)");
  run("create table bonus_note (empno number(4), note varchar2(10))");
  run("alter table bonus_note add foreign key (empno) references bonus (empno) on delete cascade");
  run("insert into bonus values (1, 5)");
  run("insert into bonus_note values (1, 'x')");
  run("delete from bonus where empno = 1");
  EXPECT_EQ(rows("select count(*) from bonus_note"), Rows{"0"});
  EXPECT_EQ(s.exec("alter table emp add foreign key (empno) references bonus (amount)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2270);
}

// "NAME:size" of each select-list column, as a client sizes its fetch buffers.
Rows described_sizes(OciSession& s, const std::string& sql) {
  Rows out;
  OciStatement st(s, sql);
  if (st.execute(0) != OCI_SUCCESS) {
    ADD_FAILURE() << sql << ": " << s.error_text();
    return out;
  }
  for (ub4 i = 1; i <= st.attr_ub4(OCI_ATTR_PARAM_COUNT); ++i) {
    void* p = nullptr;
    EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, i), OCI_SUCCESS);
    ub2 size = 0;
    OraText* name = nullptr;
    ub4 length = 0;
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_NAME, s.err);
    out.push_back(std::string(reinterpret_cast<char*>(name), length) + ":" + std::to_string(size));
    s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
  }
  return out;
}

// Identifier columns describe as VARCHAR2(128), as from Oracle 12.2 on, so that a client
// sizing its buffers by the describe gets long names whole; other columns keep their size.
TEST_F(Dictionary, NameColumnsDescribeAs128Bytes) {
  EXPECT_EQ(described_sizes(s, "select table_name, tablespace_name, cluster_name, iot_name, status from user_tables"),
            (Rows{"TABLE_NAME:128", "TABLESPACE_NAME:30", "CLUSTER_NAME:128", "IOT_NAME:128", "STATUS:8"}));
  EXPECT_EQ(described_sizes(s, "select owner, object_name, subobject_name, object_type from all_objects"),
            (Rows{"OWNER:128", "OBJECT_NAME:128", "SUBOBJECT_NAME:128", "OBJECT_TYPE:19"}));
  EXPECT_EQ(described_sizes(s, "select owner, table_name, column_name, data_type, data_type_owner from all_tab_columns"),
            (Rows{"OWNER:128", "TABLE_NAME:128", "COLUMN_NAME:128", "DATA_TYPE:106", "DATA_TYPE_OWNER:128"}));
  EXPECT_EQ(described_sizes(s, "select owner, constraint_name, constraint_type, r_owner, r_constraint_name,"
                               " index_owner, index_name from user_constraints"),
            (Rows{"OWNER:128", "CONSTRAINT_NAME:128", "CONSTRAINT_TYPE:1", "R_OWNER:128", "R_CONSTRAINT_NAME:128",
                  "INDEX_OWNER:128", "INDEX_NAME:128"}));
  EXPECT_EQ(described_sizes(s, "select sequence_owner, sequence_name from all_sequences"),
            (Rows{"SEQUENCE_OWNER:128", "SEQUENCE_NAME:128"}));
  EXPECT_EQ(described_sizes(s, "select object_name, package_name, argument_name, data_type, type_name, pls_type"
                               " from user_arguments"),
            (Rows{"OBJECT_NAME:128", "PACKAGE_NAME:128", "ARGUMENT_NAME:128", "DATA_TYPE:30", "TYPE_NAME:128",
                  "PLS_TYPE:128"}));
  EXPECT_EQ(described_sizes(s, "select username, default_tablespace from dba_users"),
            (Rows{"USERNAME:128", "DEFAULT_TABLESPACE:30"}));
  EXPECT_EQ(described_sizes(s, "select name, type from user_errors"), (Rows{"NAME:128", "TYPE:12"}));
  EXPECT_EQ(described_sizes(s, "select owner, synonym_name, table_owner, table_name from all_synonyms"),
            (Rows{"OWNER:128", "SYNONYM_NAME:128", "TABLE_OWNER:128", "TABLE_NAME:128"}));
  EXPECT_EQ(described_sizes(s, "select parameter from nls_session_parameters"), (Rows{"PARAMETER:30"}));
}

// A view's columns may carry names of up to 128 bytes taken from its query.
TEST_F(Dictionary, ViewsTakeLongColumnNamesFromTheirQuery) {
  const std::string column(128, 'C'), table(100, 'T');
  run("create table " + table + " (" + column + " number)");
  run("insert into " + table + " values (4)");
  run("create view long_v as select " + column + " from " + table);
  EXPECT_EQ(rows("select " + column + " from long_v"), Rows{"4"});
  EXPECT_EQ(rows("select length(column_name) from user_tab_columns where table_name='LONG_V'"), Rows{"128"});
  EXPECT_EQ(s.exec("create view long_w as select " + column + " + 1 a from " + table), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("create view long_x as select 1 + " + column + " from " + table), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 998) << "an expression still needs an alias";
  // An expression's text up to 128 bytes is its name; beyond that it is cut, and what is
  // cut is no name.
  const std::string mid(40, 'M');
  run("alter table " + table + " add " + mid + " number");
  Rows heading = described_sizes(s, "select " + mid + " + 1 from " + table);
  ASSERT_EQ(heading.size(), 1u);
  EXPECT_EQ(heading[0].substr(0, heading[0].find(':')), mid + "+1");
  EXPECT_EQ(s.exec("create view long_y as select " + column + " + 1 from " + table), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 998) << "a cut expression is no name";
  EXPECT_EQ(s.exec("create table long_t as select " + column + " * 2 from " + table), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 998) << "an expression still needs an alias";
  run("create table long_u as select " + column + " from " + table);
  EXPECT_EQ(rows("select length(column_name) from user_tab_columns where table_name='LONG_U'"), Rows{"128"});
}

}  // namespace

// A catalog written when each constraint was one row with comma-joined columns is
// carried over at the next logon: names, columns and references survive.
TEST_F(Dictionary, ConstraintsOfAnEarlierCatalogLayoutAreCarriedOver) {
  run("create table dept (deptno number(2) constraint pk_dept primary key)");
  s.disconnect();
  const char* home = std::getenv("VANTRO_HOME");
  ASSERT_NE(home, nullptr);
  std::string catalog = (std::filesystem::path(home) / "databases" / "dict" / "catalog.db").string();
  ASSERT_TRUE(std::filesystem::exists(catalog)) << catalog;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(catalog.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  const char* old_layout =
      "DROP TABLE vantro_constraints; DELETE FROM vantro_cons_columns;"
      "CREATE TABLE vantro_constraints(owner TEXT NOT NULL, constraint_name TEXT NOT NULL,"
      " constraint_type TEXT NOT NULL, table_name TEXT NOT NULL, columns TEXT, r_owner TEXT, r_table_name TEXT,"
      " r_columns TEXT, delete_rule TEXT, search_condition TEXT, generated INTEGER,"
      " PRIMARY KEY(owner, constraint_name));"
      "INSERT INTO vantro_constraints VALUES ('SCOTT','FK_X','R','EMP','DEPTNO,MGR','SCOTT','DEPT','DEPTNO',"
      " 'CASCADE',NULL,0);"
      "INSERT INTO vantro_constraints VALUES ('SCOTT','PK_DEPT','P','DEPT','DEPTNO',NULL,NULL,NULL,NULL,NULL,0);";
  char* message = nullptr;
  EXPECT_EQ(sqlite3_exec(db, old_layout, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
  sqlite3_free(message);
  sqlite3_close(db);
  ASSERT_EQ(s.connect("scott", "tiger", "dict"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(rows("select constraint_name,constraint_type,r_constraint_name,delete_rule from user_constraints"
                 " order by 1"),
            (Rows{"FK_X|R|PK_DEPT|CASCADE", "PK_DEPT|P|<null>|<null>"}));
  EXPECT_EQ(rows("select column_name from all_cons_columns where constraint_name='FK_X' order by position"),
            (Rows{"DEPTNO", "MGR"}));
}

TEST_F(Dictionary, FunctionBasedIndexesKeepTheirExpressionsAndEnforceUniqueness) {
  run("create table fb (id number, name varchar2(20), d date, a number, b number)");
  run("create unique index fb_upper on fb (upper(name))");
  run("create index fb_mix on fb (id, a + b desc, trunc(d))");
  run("insert into fb values (1, 'Smith', sysdate, 1, 2)");
  EXPECT_EQ(s.exec("insert into fb values (2, 'SMITH', sysdate, 3, 4)"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("ORA-00001"), std::string::npos) << s.error_text();
  EXPECT_NE(s.error_text().find("FB_UPPER"), std::string::npos) << s.error_text();
  run("insert into fb values (2, 'Jones', sysdate, 3, 4)");
  EXPECT_EQ(rows("select id from fb where upper(name) = 'JONES'"), Rows{"2"});
  EXPECT_EQ(rows("select index_name,index_type,uniqueness,funcidx_status from user_indexes order by index_name"),
            (Rows{"FB_MIX|FUNCTION-BASED NORMAL|NONUNIQUE|ENABLED", "FB_UPPER|FUNCTION-BASED NORMAL|UNIQUE|ENABLED"}));
  EXPECT_EQ(rows("select index_name,column_name,column_position,descend from user_ind_columns"
                 " order by index_name,column_position"),
            (Rows{"FB_MIX|ID|1|ASC", "FB_MIX|SYS_NC00007$|2|DESC", "FB_MIX|SYS_NC00008$|3|ASC",
                  "FB_UPPER|SYS_NC00006$|1|ASC"}));
  EXPECT_EQ(rows("select index_owner,index_name,table_name,column_expression,column_position from all_ind_expressions"
                 " order by index_name,column_position"),
            (Rows{"SCOTT|FB_MIX|FB|a + b|2", "SCOTT|FB_MIX|FB|trunc(d)|3", "SCOTT|FB_UPPER|FB|upper(name)|1"}));
  // Only functions that give the same result for the same arguments can be indexed.
  EXPECT_EQ(s.exec("create index fb_now on fb (d - sysdate)"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("ORA-01743"), std::string::npos) << s.error_text();
  EXPECT_EQ(s.exec("create index fb_bad on fb (upper(nosuch))"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("ORA-00904"), std::string::npos) << s.error_text();
  run("drop index fb_mix");
  EXPECT_EQ(rows("select count(*) from user_ind_expressions"), Rows{"1"});
  run("drop table fb");
  EXPECT_EQ(rows("select count(*) from user_ind_expressions"), Rows{"0"});
}

TEST_F(Dictionary, InstanceViewsDescribeTheRunningEngine) {
  Rows banner = rows("select banner, banner_legacy, con_id, instr(banner_full, chr(10) || 'Version ') from v$version");
  ASSERT_EQ(banner.size(), 1u);
  EXPECT_EQ(banner[0].rfind("Vantro Embedded Database Release ", 0), 0u) << banner[0];
  EXPECT_NE(banner[0].find("|0|"), std::string::npos) << "con_id 0 and the version line in BANNER_FULL";
  EXPECT_EQ(rows("select count(*) from v$version where banner_full like banner || chr(10) || 'Version %'"),
            Rows{"1"});
  EXPECT_EQ(rows("select instance_number, status, database_status, logins, archiver,"
                 " case when instance_name = sys_context('userenv', 'instance_name') then 'same' end,"
                 " case when host_name is not null and startup_time <= sysdate then 'ok' end from v$instance"),
            Rows{"1|OPEN|ACTIVE|ALLOWED|STOPPED|same|ok"});
  EXPECT_EQ(rows("select log_mode, open_mode, database_role, case when dbid > 0 and created <= sysdate"
                 " and name = upper(sys_context('userenv', 'db_name')) then 'ok' end from v$database"),
            Rows{"NOARCHIVELOG|READ WRITE|PRIMARY|ok"});
  EXPECT_EQ(s.value("select dbid from v$database"), s.value("select dbid from gv$database")) << "a stable id";
  EXPECT_EQ(rows("select inst_id, count(*) from gv$instance group by inst_id"), Rows{"1|1"});
  EXPECT_EQ(rows("select count(*) from gv$version v join v$version w on v.banner = w.banner where v.inst_id = 1"),
            Rows{"1"});
  EXPECT_EQ(rows("select product, status from product_component_version where product like 'Vantro%'"),
            Rows{"Vantro Embedded Database|Production"});
  EXPECT_EQ(s.value("select version from product_component_version where product like 'Vantro%'"),
            s.value("select version from v$instance"));
}

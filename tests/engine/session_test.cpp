// ALTER SESSION on the embedded engine: NLS parameters as NLS_SESSION_PARAMETERS and
// SYS_CONTEXT show them and as conversions use them, CURRENT_SCHEMA, TIME_ZONE, the
// parameters accepted without effect, Oracle's errors for unknown names and bad values;
// views WITH READ ONLY and WITH CHECK OPTION; TRUNCATE TABLE's clauses and its refusal
// of referenced keys; COMMENT ON with multi-line texts and the kinds no object has here.
#include "oci_session.h"

namespace {

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }
    std::string nls(const std::string& name) {
        return s.value("select value from nls_session_parameters where parameter = '" + name + "'");
    }
    // The error text of a statement that must fail.
    std::string error_of(const std::string& sql) {
        if (s.exec(sql) != OCI_ERROR) return "succeeded";
        return s.error_text();
    }

    OciSession s;
};

TEST_F(Session, SeveralParametersInOneStatementShowInTheDictionary) {
    EXPECT_EQ(s.value("select count(*) from nls_session_parameters"), "17");
    EXPECT_EQ(nls("NLS_NUMERIC_CHARACTERS"), ".,");
    ASSERT_EQ(s.exec("alter session set nls_date_format = 'YYYY-MM-DD' nls_timestamp_format = 'YYYY-MM-DD HH24:MI:SS.FF3'"
                     " nls_sort = binary nls_comp = linguistic nls_length_semantics = char"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(nls("NLS_DATE_FORMAT"), "YYYY-MM-DD");
    EXPECT_EQ(nls("NLS_TIMESTAMP_FORMAT"), "YYYY-MM-DD HH24:MI:SS.FF3");
    EXPECT_EQ(nls("NLS_COMP"), "LINGUISTIC");
    EXPECT_EQ(nls("NLS_LENGTH_SEMANTICS"), "CHAR");
    EXPECT_EQ(s.value("select to_char(date '2024-02-29') from dual"), "2024-02-29");
    EXPECT_EQ(s.value("select count(*) from dual where date '2024-02-29' = '2024-02-29'"), "1");
    EXPECT_EQ(s.value("select value from nls_database_parameters where parameter = 'NLS_DATE_FORMAT'"), "DD-MON-RR");
    EXPECT_EQ(s.value("select value from nls_database_parameters where parameter = 'NLS_CHARACTERSET'"), "AL32UTF8");
    EXPECT_EQ(s.value("select nvl(value, '-') from nls_instance_parameters where parameter = 'NLS_DATE_FORMAT'"), "-");
    // DATABASE_PROPERTIES names the default tablespace DBA_TABLESPACES has and the
    // database's own NLS parameters, not the session's.
    EXPECT_EQ(s.value("select count(*) from dba_tablespaces where tablespace_name = (select property_value from"
                      " database_properties where property_name = 'DEFAULT_PERMANENT_TABLESPACE')"),
              "1");
    EXPECT_EQ(s.value("select property_value from database_properties where property_name = 'NLS_DATE_FORMAT'"),
              "DD-MON-RR");
    EXPECT_EQ(s.value("select count(*) - count(distinct property_name) from database_properties"), "0");
    EXPECT_EQ(s.value("select sys_context('USERENV', 'NLS_DATE_FORMAT') from dual"), "YYYY-MM-DD");
    // Columns declared without BYTE or CHAR now count characters.
    ASSERT_EQ(s.exec("create table sem (a varchar2(10), b varchar2(10 byte), c char(2))"), OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.rows("select column_name, char_used from user_tab_columns where table_name = 'SEM' order by column_id"),
              (std::vector<std::string>{"A|C", "B|B", "C|C"}));
}

TEST_F(Session, LanguageAndTerritory) {
    ASSERT_EQ(s.exec("alter session set nls_territory = germany"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(nls("NLS_TERRITORY"), "GERMANY");
    EXPECT_EQ(nls("NLS_DATE_FORMAT"), "DD.MM.RR");
    EXPECT_EQ(nls("NLS_NUMERIC_CHARACTERS"), ",.");
    EXPECT_EQ(nls("NLS_ISO_CURRENCY"), "GERMANY");
    EXPECT_EQ(s.value("select to_char(date '2024-03-05') from dual"), "05.03.24");
    EXPECT_EQ(s.value("select sys_context('userenv', 'nls_territory') from dual"), "GERMANY");
    EXPECT_EQ(s.value("select sys_context('userenv', 'language') from dual"), "AMERICAN_GERMANY.AL32UTF8");
    ASSERT_EQ(s.exec("alter session set nls_language = 'english'"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(nls("NLS_LANGUAGE"), "ENGLISH");
    EXPECT_EQ(nls("NLS_DATE_LANGUAGE"), "ENGLISH");
    // What the engine cannot honour is refused, not pretended.
    EXPECT_EQ(error_of("alter session set nls_language = klingon"),
              "ORA-12705: Cannot access NLS data files or invalid environment specified\n");
    EXPECT_EQ(s.error_code(), 12705);
    EXPECT_EQ(error_of("alter session set nls_territory = 'ATLANTIS'").substr(0, 9), "ORA-12705");
    EXPECT_EQ(error_of("alter session set nls_sort = german").substr(0, 9), "ORA-12705");
    EXPECT_EQ(error_of("alter session set nls_calendar = 'Thai Buddha'").substr(0, 9), "ORA-12705");
    ASSERT_EQ(s.exec("alter session set nls_calendar = gregorian nls_date_language = american"), OCI_SUCCESS);
    EXPECT_EQ(nls("NLS_CALENDAR"), "GREGORIAN");
}

TEST_F(Session, NumericCharactersInMasksAndConversions) {
    ASSERT_EQ(s.exec("alter session set nls_numeric_characters = ',.'"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select to_char(1234.5, '9G999D99') from dual"), " 1.234,50");
    EXPECT_EQ(s.value("select to_char(1234.5, '9,999.99') from dual"), " 1,234.50") << "',' and '.' stay themselves";
    EXPECT_EQ(s.value("select to_number('1.234,5', '9G999D9') from dual"), "1234.5");
    EXPECT_EQ(s.value("select to_char(1.5) from dual"), "1,5");
    EXPECT_EQ(s.value("select to_number('2,25') * 4 from dual"), "9");
    EXPECT_EQ(s.value("select to_number('2.25') from dual").substr(0, 16), "error: ORA-01722");
    ASSERT_EQ(s.exec("alter session set nls_numeric_characters = '.,'"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select to_char(1234.5, '9G999D99') from dual"), " 1,234.50");
    for (const char* bad : {"'..'", "'1,'", "'.'", "'.,;'", "'-,'"})
        EXPECT_EQ(error_of(std::string("alter session set nls_numeric_characters = ") + bad).substr(0, 9), "ORA-12705")
            << bad;
}

TEST_F(Session, RefusedValuesAndNamesChangeNothing) {
    EXPECT_EQ(error_of("alter session set nls_date_format = 'YYYY-MM-DD' nls_length_semantics = words"),
              "ORA-02097: parameter cannot be modified because specified value is invalid\n"
              "ORA-00096: invalid value WORDS for parameter nls_length_semantics, must be from among byte, char\n");
    EXPECT_EQ(s.error_code(), 2097);
    EXPECT_EQ(nls("NLS_DATE_FORMAT"), "DD-MON-RR") << "the good first pair took no effect either";
    EXPECT_EQ(error_of("alter session set plsql_optimize_level = 9"),
              "ORA-02097: parameter cannot be modified because specified value is invalid\n"
              "ORA-00068: invalid value 9 for parameter plsql_optimize_level, must be between 0 and 3\n");
    EXPECT_EQ(error_of("alter session set nls_date_format = 'YYYY-ZZZ'"), "ORA-01821: date format not recognized\n");
    EXPECT_EQ(error_of("alter session set nls_timestamp_tz_format = 'YYYY TZX'").substr(0, 9), "ORA-01821");
    EXPECT_EQ(error_of("alter session set no_such_parameter = 1"), "ORA-02248: invalid option for ALTER SESSION\n");
    EXPECT_EQ(error_of("alter session set optimizer_mode = fastest").substr(0, 9), "ORA-02097");
    EXPECT_EQ(error_of("alter session set nls_date_format =").substr(0, 9), "ORA-00922");
    EXPECT_EQ(error_of("alter session set nls_date_format").substr(0, 9), "ORA-00922");
    EXPECT_EQ(error_of("alter session enable parallel everything").substr(0, 9), "ORA-00922");
    // Parameters without effect here are accepted as scripts set them.
    for (const char* ok : {"alter session set optimizer_mode = all_rows statistics_level = all",
                           "alter session set plsql_warnings = 'ENABLE:ALL' plsql_optimize_level = 2",
                           "alter session set plscope_settings = 'IDENTIFIERS:ALL' ddl_lock_timeout = 30",
                           "alter session set cursor_sharing = exact \"_optimizer_use_feedback\" = false",
                           "alter session set nls_timestamp_tz_format = 'YYYY-MM-DD HH24:MI:SS TZH:TZM'",
                           "alter session enable parallel dml", "alter session disable parallel query",
                           "alter session force parallel ddl parallel 4"})
        EXPECT_EQ(s.exec(ok), OCI_SUCCESS) << ok << ": " << s.error_text();
    EXPECT_EQ(nls("NLS_TIMESTAMP_TZ_FORMAT"), "YYYY-MM-DD HH24:MI:SS TZH:TZM");
}

TEST_F(Session, TimeZone) {
    EXPECT_EQ(s.value("select case when sessiontimezone = dbtimezone then 'same' end from dual"), "same");
    ASSERT_EQ(s.exec("alter session set time_zone = '+05:30'"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select sessiontimezone from dual"), "+05:30");
    ASSERT_EQ(s.exec("alter session set time_zone = '-3:00'"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select sessiontimezone from dual"), "-03:00");
    ASSERT_EQ(s.exec("alter session set time_zone = 'UTC'"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select sessiontimezone from dual"), "UTC");
    ASSERT_EQ(s.exec("alter session set time_zone = local"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select case when sessiontimezone = dbtimezone then 'same' end from dual"), "same");
    EXPECT_EQ(error_of("alter session set time_zone = '+16:00'").substr(0, 9), "ORA-01874");
    EXPECT_EQ(error_of("alter session set time_zone = '+01:75'").substr(0, 9), "ORA-01875");
    EXPECT_EQ(error_of("alter session set time_zone = 'Mars/Olympus'"), "ORA-01882: timezone region not found\n");
}

TEST_F(Session, CurrentSchemaResolvesUnqualifiedNames) {
    ASSERT_EQ(s.exec("create table mine (x number)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into mine values (7)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("commit"), OCI_SUCCESS);
    {
        OciSession first;  // SYS exists from its first normal logon
        ASSERT_EQ(first.connect("sys", "change_on_install", ""), OCI_SUCCESS) << first.error_text();
    }
    OciSession dba;
    ASSERT_EQ(dba.connect("sys", "change_on_install", "", OCI_SYSDBA), OCI_SUCCESS) << dba.error_text();
    EXPECT_EQ(dba.exec("select x from mine"), OCI_ERROR);
    ASSERT_EQ(dba.exec("alter session set current_schema = scott"), OCI_SUCCESS) << dba.error_text();
    EXPECT_EQ(dba.value("select x from mine"), "7");
    EXPECT_EQ(dba.value("select sys_context('USERENV', 'CURRENT_SCHEMA') || ' ' || user from dual"), "SCOTT SYS");
    EXPECT_EQ(server_output_of(dba, "declare n number; begin select x into n from mine; dbms_output.put_line(n); end;"),
              "7");
    EXPECT_EQ(dba.exec("alter session set current_schema = nobody_here"), OCI_ERROR);
    EXPECT_EQ(dba.error_text(), "ORA-01435: user does not exist\n");
    EXPECT_EQ(dba.value("select x from mine"), "7") << "the refused schema left the current one";
}

TEST_F(Session, TruncateClausesAndReferencedKeys) {
    ASSERT_EQ(s.exec("create table parent (id number primary key)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create table child (id number, pid number references parent on delete cascade)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create table tree (id number primary key, up number references tree)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into parent values (1)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into tree values (1, null)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into tree values (2, 1)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into child values (10, 1)"), OCI_SUCCESS);
    // Refused while another table's foreign key refers to the key, whatever its rows;
    // a cascading key is not followed either.
    EXPECT_EQ(error_of("truncate table parent"),
              "ORA-02266: unique/primary keys in table referenced by enabled foreign keys\n");
    EXPECT_EQ(s.value("select count(*) from child"), "1");
    ASSERT_EQ(s.exec("truncate table child drop storage"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(error_of("truncate table parent reuse storage").substr(0, 9), "ORA-02266");
    EXPECT_EQ(s.value("select count(*) from parent"), "1");
    EXPECT_EQ(s.exec("truncate table tree drop all storage"), OCI_SUCCESS) << "a reference to itself does not count";
    EXPECT_EQ(s.value("select count(*) from tree"), "0");
    // Row and statement triggers do not fire for it.
    ASSERT_EQ(s.exec("create table audit_log (what varchar2(20))"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create trigger child_del after delete on child for each row\n"
                     "begin insert into audit_log values ('row'); end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create trigger child_stmt before delete on child\n"
                     "begin insert into audit_log values ('statement'); end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("insert into child values (11, null)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("truncate table child"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from child"), "0");
    EXPECT_EQ(s.value("select count(*) from audit_log"), "0");
    EXPECT_EQ(error_of("truncate table child cascade").substr(0, 9), "ORA-03001");
    EXPECT_EQ(error_of("truncate table child reuse").substr(0, 9), "ORA-00905");
    // A key added by ALTER TABLE counts the same while it is enabled, and not once disabled.
    ASSERT_EQ(s.exec("create table orders (id number, pid number)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("alter table orders add (constraint orders_parent foreign key (pid) references parent)"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("insert into orders values (1, 1)"), OCI_SUCCESS);
    EXPECT_EQ(error_of("truncate table parent").substr(0, 9), "ORA-02266");
    ASSERT_EQ(s.exec("delete from orders"), OCI_SUCCESS);
    EXPECT_EQ(error_of("truncate table parent").substr(0, 9), "ORA-02266");
    ASSERT_EQ(s.exec("drop table child"), OCI_SUCCESS);
    EXPECT_EQ(error_of("truncate table parent").substr(0, 9), "ORA-02266");
    ASSERT_EQ(s.exec("alter table orders disable constraint orders_parent"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.exec("truncate table parent"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from parent"), "0");
}

// Tables, views, sequences and private synonyms share one name space in a schema.
TEST_F(Session, ATableNameTakenBySynonymOrSequenceIsRefused) {
    ASSERT_EQ(s.exec("create table base (a number)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create synonym taken_syn for base"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create sequence taken_seq"), OCI_SUCCESS);
    EXPECT_EQ(error_of("create table taken_syn (a number)"), "ORA-00955: name is already used by an existing object\n");
    EXPECT_EQ(error_of("create table taken_seq as select * from base").substr(0, 9), "ORA-00955");
    EXPECT_EQ(error_of("create synonym base for taken_seq").substr(0, 9), "ORA-00955");
    EXPECT_EQ(s.value("select count(*) from user_objects where object_name like 'TAKEN%'"), "2");
}

TEST_F(Session, ViewsWithReadOnlyAndCheckOption) {
    ASSERT_EQ(s.exec("create table staff (id number, dept number)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into staff values (1, 10)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into staff values (2, 20)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create view staff_ro as select * from staff with read only"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create or replace force view staff10 as select id, dept from staff where dept = 10\n"
                     "  with check option constraint staff10_ck"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create view staff_nested as select * from (select id from staff where id in (select min(id) from staff))"
                     " with read only constraint nested_ro;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select count(*) from staff10"), "1");
    EXPECT_EQ(s.value("select count(*) from staff_nested"), "1");
    for (const char* dml : {"insert into staff_ro values (3, 30)", "update staff_ro set dept = 0",
                            "delete from staff_ro where id = 1", "insert into staff_nested (id) values (9)"}) {
        EXPECT_EQ(error_of(dml), "ORA-42399: cannot perform a DML operation on a read-only view\n") << dml;
    }
    // In PL/SQL the block does not compile.
    EXPECT_NE(server_output_of(s, "begin delete from staff_ro; end;")
                  .find("PL/SQL: ORA-42399: cannot perform a DML operation on a read-only view"),
              std::string::npos);
    // A view that is not read only passes DML to its table, within its check option.
    EXPECT_EQ(error_of("insert into staff10 values (3, 20)"),
              "ORA-01402: view WITH CHECK OPTION where-clause violation\n");
    ASSERT_EQ(s.exec("insert into staff10 values (3, 10)"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from staff"), "3");
    ASSERT_EQ(s.exec("delete from staff where id = 3"), OCI_SUCCESS);
    EXPECT_EQ(s.rows("select view_name, read_only from user_views order by view_name"),
              (std::vector<std::string>{"STAFF10|N", "STAFF_NESTED|Y", "STAFF_RO|Y"}));
    EXPECT_EQ(s.rows("select table_name, constraint_type, case when constraint_name like 'SYS_C%' then 'SYS'"
                     " else constraint_name end from user_constraints where constraint_type in ('O', 'V')"
                     " order by table_name"),
              (std::vector<std::string>{"STAFF10|V|STAFF10_CK", "STAFF_NESTED|O|NESTED_RO", "STAFF_RO|O|SYS"}));
    EXPECT_EQ(s.value("select text from user_views where view_name = 'STAFF_RO'"),
              "select * from staff with read only");
    EXPECT_EQ(error_of("create view other as select * from staff with check option constraint staff10_ck"),
              "ORA-02264: name already used by an existing constraint\n");
    EXPECT_EQ(error_of("create view other as select * from staff with read").substr(0, 9), "ORA-00905");
    EXPECT_EQ(error_of("create view other as select * from staff with read only order").substr(0, 9), "ORA-00933");
    // Replaced without the clause, the view loses its constraint; dropped, the row goes.
    ASSERT_EQ(s.exec("create or replace view staff_ro as select * from staff"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select read_only from user_views where view_name = 'STAFF_RO'"), "N");
    ASSERT_EQ(s.exec("delete from staff_ro where id = 2"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from staff"), "1");
    ASSERT_EQ(s.exec("drop view staff10"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select count(*) from user_constraints where constraint_type in ('O', 'V')"), "1");
    ASSERT_EQ(s.exec("create view staff10 as select * from staff with check option constraint staff10_ck"),
              OCI_SUCCESS)
        << "the dropped view's constraint name is free again: " << s.error_text();
}

TEST_F(Session, CommentsKeepTheirText) {
    ASSERT_EQ(s.exec("create table notes (id number, body varchar2(20))"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("comment on table notes is 'Line one\nit''s line two'"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("comment on column notes.body is '\"quoted\" and ''single'''"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select comments from user_tab_comments where table_name = 'NOTES'"), "Line one\nit's line two");
    EXPECT_EQ(s.value("select comments from user_col_comments where table_name = 'NOTES' and column_name = 'BODY'"),
              "\"quoted\" and 'single'");
    ASSERT_EQ(s.exec("comment on column notes.body is ''"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select nvl(comments, '-') from user_col_comments where column_name = 'BODY'"), "-");
    EXPECT_EQ(error_of("comment on column notes.nothing is 'x'"), "ORA-00904: \"NOTHING\": invalid identifier\n");
    EXPECT_EQ(error_of("comment on table nowhere is 'x'").substr(0, 9), "ORA-00942");
    EXPECT_EQ(error_of("comment on table notes is 42"), "ORA-01780: string literal required\n");
    EXPECT_EQ(error_of("comment on materialized view mv1 is 'x'"),
              "ORA-12003: materialized view \"SCOTT\".\"MV1\" does not exist\n");
    EXPECT_EQ(error_of("comment on operator op1 is 'x'"), "ORA-29807: specified operator does not exist\n");
    EXPECT_EQ(error_of("comment on indextype it1 is 'x'").substr(0, 9), "ORA-29833");
    EXPECT_EQ(error_of("comment on mining model m1 is 'x'").substr(0, 9), "ORA-40284");
    EXPECT_EQ(error_of("comment on synonym notes is 'x'").substr(0, 9), "ORA-00905");
}

}  // namespace

namespace {

// SET TRANSACTION starts the transaction (ORA-01453 once one runs). READ ONLY refuses
// every change until the transaction ends, in SQL and PL/SQL alike (ORA-01456), and
// reads the rows as they were when it began; COMMIT, ROLLBACK or DDL end it.
TEST_F(Session, SetTransactionReadOnlyRefusesChangesAndKeepsItsSnapshot) {
    ASSERT_EQ(s.exec("create table ro_rows (n number)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into ro_rows values (1)"), OCI_SUCCESS);
    EXPECT_EQ(error_of("set transaction read only"),
              "ORA-01453: SET TRANSACTION must be first statement of transaction\n");
    ASSERT_EQ(s.exec("commit"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("set transaction read only"), OCI_SUCCESS) << s.error_text();
    const std::string refused = "ORA-01456: may not perform insert/delete/update operation inside a READ ONLY transaction";
    EXPECT_EQ(error_of("insert into ro_rows values (2)"), refused + "\n");
    EXPECT_EQ(error_of("update ro_rows set n = 3"), refused + "\n");
    EXPECT_EQ(error_of("delete from ro_rows"), refused + "\n");
    EXPECT_EQ(error_of("merge into ro_rows t using dual on (t.n = 9) when not matched then insert values (4)"),
              refused + "\n");
    EXPECT_EQ(error_of("begin insert into ro_rows values (5); end;").substr(0, refused.size()), refused);
    EXPECT_EQ(error_of("begin execute immediate 'delete from ro_rows'; end;").substr(0, refused.size()), refused);
    EXPECT_EQ(error_of("set transaction read write").substr(0, 9), "ORA-01453");
    {
        OciSession other;
        ASSERT_EQ(other.connect("sys", "change_on_install", ""), OCI_SUCCESS) << other.error_text();
        EXPECT_EQ(s.value("select count(*) from ro_rows"), "1");
        ASSERT_EQ(other.exec("insert into scott.ro_rows values (6)"), OCI_SUCCESS) << other.error_text();
        ASSERT_EQ(other.exec("commit"), OCI_SUCCESS) << other.error_text();
        EXPECT_EQ(s.value("select count(*) from ro_rows"), "1") << "the transaction's snapshot";
    }
    ASSERT_EQ(s.exec("commit"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from ro_rows"), "2");
    ASSERT_EQ(s.exec("insert into ro_rows values (7)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
    // ROLLBACK and DDL end a read-only transaction too.
    ASSERT_EQ(s.exec("set transaction read only name 'reporting'"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into ro_rows values (8)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("set transaction read only"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create table ro_other (n number)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into ro_rows values (9)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("commit"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select count(*) from ro_rows"), "3");
    // The other forms start an ordinary transaction; bad ones change nothing.
    for (const char* form : {"set transaction read write", "set transaction isolation level serializable",
                             "set transaction isolation level read committed", "set transaction name 'batch'",
                             "set transaction use rollback segment rbs1 name 'x'"}) {
        SCOPED_TRACE(form);
        ASSERT_EQ(s.exec(form), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("insert into ro_rows values (10)"), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
    }
    EXPECT_EQ(error_of("set transaction isolation level dirty").substr(0, 9), "ORA-02179");
    EXPECT_EQ(error_of("set transaction read").substr(0, 9), "ORA-00905");
    EXPECT_EQ(error_of("set transaction").substr(0, 9), "ORA-00905");
    EXPECT_EQ(s.value("select count(*) from ro_rows"), "3");
}

}  // namespace

// INSERT ALL and INSERT FIRST through OCI and PL/SQL: the rows each INTO clause takes,
// the row count, the errors Oracle gives, the undo of a failing statement, triggers and
// sequences.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class MultiInsert : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create table t1 (id number primary key, name varchar2(10))");
        run("create table t2 (id number, name varchar2(10), qty number(3))");
        run("create table src (id number, name varchar2(10), qty number)");
        run("insert into src values (1, 'a', 5)");
        run("insert into src values (2, 'b', 50)");
        run("insert into src values (3, 'c', 5000)");
        run("insert into src values (4, null, null)");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    // Executes the statement and answers its row count, or the error.
    std::string inserted(const std::string& sql) {
        OciStatement st(s, sql);
        if (st.execute(1) != OCI_SUCCESS) return s.error_text();
        return std::to_string(st.attr_ub4(OCI_ATTR_ROW_COUNT));
    }
    Rows t1() { return s.rows("select id, name from t1 order by id"); }
    Rows t2() { return s.rows("select id, name, qty from t2 order by id, name"); }
    OciSession s;
};

TEST_F(MultiInsert, UnconditionalIntoEveryTable) {
    OciStatement type(s, "insert all into t1 values (1, 'a') select * from dual");
    EXPECT_EQ(type.attr_ub2(OCI_ATTR_STMT_TYPE), 4);
    // The idiom of several rows from DUAL, with and without a column list.
    EXPECT_EQ(inserted("insert all into t1 values (1, 'a') into t1 (name, id) values ('b', 2) select * from dual"),
              "2");
    EXPECT_EQ(t1(), (Rows{"1|a", "2|b"}));
    // INTO without VALUES takes the select list; VALUES read the subquery's columns and aliases.
    EXPECT_EQ(inserted("insert all into t2 into t1 values (k + 10, upper(nm))"
                       " select id + 100 k, name nm, qty from src where id < 3"),
              "4");
    EXPECT_EQ(t1(), (Rows{"1|a", "2|b", "111|A", "112|B"}));
    EXPECT_EQ(t2(), (Rows{"101|a|5", "102|b|50"}));
    // The subquery is read once, before any row goes in: its own table's new rows are not its rows.
    EXPECT_EQ(inserted("insert all into t1 values (id + 1000, name) into t1 values (id + 2000, name)"
                       " select id, name from t1"),
              "8");
    EXPECT_EQ(s.value("select count(*) from t1"), "12");
    // No subquery rows: nothing is inserted.
    EXPECT_EQ(inserted("insert all into t1 values (id, name) select id, name from src where 1 = 0"), "0");
}

TEST_F(MultiInsert, ConditionalAllFirstAndElse) {
    // ALL: every WHEN that holds; ELSE when none does (a NULL condition does not hold).
    EXPECT_EQ(inserted("insert all when qty > 10 then into t1 values (id, name)"
                       " when qty > 100 then into t2 values (id, name, 1) into t2 (id, qty) values (id, 2)"
                       " else into t2 (id, name) values (id, 'else') select id, name, qty from src"),
              "6");
    EXPECT_EQ(t1(), (Rows{"2|b", "3|c"}));
    EXPECT_EQ(t2(), (Rows{"1|else|<null>", "3|c|1", "3|<null>|2", "4|else|<null>"}));
    run("delete from t1");
    run("delete from t2");
    // FIRST: only the first WHEN that holds; the conditions read the select list's aliases.
    EXPECT_EQ(inserted("insert first when q > 100 then into t1 values (k, 'big')"
                       " when q > 1 then into t1 values (k, 'some') into t2 (id) values (k)"
                       " select id k, qty * 2 q from src"),
              "5");
    EXPECT_EQ(t1(), (Rows{"1|some", "2|some", "3|big"}));
    EXPECT_EQ(t2(), (Rows{"1|<null>|<null>", "2|<null>|<null>"}));
    run("delete from t1");
    // INSERT WHEN without ALL or FIRST is ALL.
    EXPECT_EQ(
        inserted("insert when id in (1, 2) then into t1 values (id, 'x') when id = 2 then into t2 (id) values (id)"
                 " select id from src"),
        "3");
    EXPECT_EQ(t1(), (Rows{"1|x", "2|x"}));
}

TEST_F(MultiInsert, ErrorsAndUndo) {
    EXPECT_EQ(inserted("insert all select * from dual"), "ORA-00925: missing INTO keyword\n");
    EXPECT_EQ(inserted("insert all when 1 = 1 then select * from dual"), "ORA-00925: missing INTO keyword\n");
    EXPECT_EQ(inserted("insert all into t1 values (1, 'a')"), "ORA-00928: missing SELECT keyword\n");
    EXPECT_EQ(inserted("insert first into t1 values (1, 'a') select * from dual"), "ORA-00905: missing keyword\n");
    EXPECT_EQ(inserted("insert all when 1 = 1 into t1 values (1, 'a') select * from dual"),
              "ORA-00905: missing keyword\n");
    EXPECT_EQ(inserted("insert all into t1 values (1) select * from dual"), "ORA-00947: not enough values\n");
    EXPECT_EQ(inserted("insert all into t1 values (1, 'a', 3) select * from dual"), "ORA-00913: too many values\n");
    EXPECT_EQ(inserted("insert all into t1 select id, name, qty from src"), "ORA-00913: too many values\n");
    EXPECT_EQ(inserted("insert all into t1 (id, nope) values (1, 'a') select * from dual"),
              "ORA-00904: \"NOPE\": invalid identifier\n");
    EXPECT_EQ(inserted("insert all into t1 values (zz, 'a') select * from dual"),
              "ORA-00904: \"ZZ\": invalid identifier\n");
    EXPECT_EQ(inserted("insert all when nope = 1 then into t1 values (1, 'a') select * from dual"),
              "ORA-00904: \"NOPE\": invalid identifier\n");
    EXPECT_EQ(inserted("insert all into nosuch values (1) select * from dual"),
              "ORA-00942: table or view does not exist\n");
    EXPECT_EQ(inserted("explain plan for insert all into t1 values (1, 'a') select * from dual"),
              "ORA-00900: invalid SQL statement\n");
    EXPECT_EQ(inserted("insert all into t1 values (count(*), 'a') select * from dual"),
              "ORA-00934: group function is not allowed here\n");
    {
        OciStatement st(s, "insert all into t1 values (1, 'a') into t2 (id, nope) values (1, 2) select * from dual");
        EXPECT_NE(st.execute(1), OCI_SUCCESS);
        EXPECT_EQ(st.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), 48);
    }
    // A failing row undoes the whole statement: the rows of the INTO clauses before it too.
    run("insert into t1 values (3, 'old')");
    EXPECT_EQ(inserted("insert all into t2 (id) values (id) into t1 values (id, name) select id, name from src")
                  .substr(0, 10),
              "ORA-00001:");
    EXPECT_EQ(
        inserted("insert all into t1 values (id + 10, name) into t2 (id, qty) values (id, qty) select * from src")
            .substr(0, 10),
        "ORA-01438:");
    EXPECT_EQ(t1(), (Rows{"3|old"}));
    EXPECT_EQ(t2(), Rows{});
    // ... and the statement after it starts afresh.
    EXPECT_EQ(inserted("insert all into t1 values (id + 10, name) select * from src where id = 1"), "1");
    EXPECT_EQ(t1(), (Rows{"3|old", "11|a"}));
}

TEST_F(MultiInsert, TriggersSequencesAndPlsql) {
    run("create table log (msg varchar2(30))");
    run("create or replace trigger t1_row before insert on t1 for each row begin :new.name := :new.name || '!'; end;");
    run("create or replace trigger t2_statement after insert on t2 begin insert into log values ('t2'); end;");
    run("create sequence sq");
    // One number per subquery row, whichever INTO clauses read it.
    EXPECT_EQ(inserted("insert all into t1 values (sq.nextval, name) into t2 (id, name) values (sq.nextval, name)"
                       " into t2 (id, name) values (sq.currval, 'again') select name from src where id < 3"),
              "6");
    EXPECT_EQ(t1(), (Rows{"1|a!", "2|b!"}));
    EXPECT_EQ(t2(), (Rows{"1|a|<null>", "1|again|<null>", "2|again|<null>", "2|b|<null>"}));
    EXPECT_EQ(s.value("select sq.currval from dual"), "2");
    // A statement trigger fires once for each table the statement inserts into.
    EXPECT_EQ(s.value("select count(*) from log"), "1");
    EXPECT_EQ(inserted("insert all into t1 values (n, 'x') select sq.nextval n from dual"),
              "ORA-02287: sequence number not allowed here\n");
    // In PL/SQL: the block's variables in the values, SQL%ROWCOUNT the rows inserted.
    EXPECT_EQ(server_output_of(s,
                               "declare v number := 7; begin"
                               " insert all when id = 1 then into t1 values (v, 'p') when 1 = 1 then into t2 (id)"
                               " values (v + id) select id from src;"
                               " dbms_output.put_line(sql%rowcount); end;"),
              "5");
    EXPECT_EQ(s.value("select count(*) from t2 where id between 8 and 11"), "4");
    EXPECT_EQ(s.value("select count(*) from log"), "2");
    EXPECT_EQ(server_output_of(s,
                               "begin insert all into t1 values (1, 'dup') select * from dual;"
                               " exception when dup_val_on_index then dbms_output.put_line(sql%rowcount); end;"),
              "0");
}

}  // namespace

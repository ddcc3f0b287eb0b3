// PL/SQL bulk binds on the embedded engine: SELECT, FETCH (with LIMIT) and DML
// RETURNING ... BULK COLLECT INTO collections, single-row RETURNING INTO variables,
// FORALL over ranges, INDICES OF and VALUES OF with SQL%BULK_ROWCOUNT, and SAVE
// EXCEPTIONS with SQL%BULK_EXCEPTIONS and ORA-24381.
#include "oci_session.h"

namespace {

class Bulk : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("create table emp (id number primary key, name varchar2(20), sal number)"), OCI_SUCCESS)
            << s.error_text();
        ASSERT_EQ(s.exec("begin for i in 1..5 loop insert into emp values (i, 'e' || i, i * 100); end loop; end;"),
                  OCI_SUCCESS)
            << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(Bulk, SelectBulkCollectFillsCollectionsFromOne) {
    EXPECT_EQ(output_of("declare\n"
                        "  type ids_t is table of number;\n"
                        "  type names_t is table of varchar2(20) index by pls_integer;\n"
                        "  ids ids_t := ids_t(7, 8, 9, 10, 11, 12, 13);\n"
                        "  names names_t;\n"
                        "begin\n"
                        "  names(100) := 'gone';\n"
                        "  select id, name bulk collect into ids, names from emp where id > 2 order by id desc;\n"
                        "  dbms_output.put_line(ids.count || ' ' || names.count || ' ' || sql%rowcount);\n"
                        "  for i in ids.first .. ids.last loop\n"
                        "    dbms_output.put_line(i || ':' || ids(i) || ':' || names(i));\n"
                        "  end loop;\n"
                        "  select id bulk collect into ids from emp where id > 99;\n"
                        "  dbms_output.put_line('none ' || ids.count || ' ' || nvl(to_char(ids.first), 'null'));\n"
                        "end;"),
              "3 3 3|1:5:e5|2:4:e4|3:3:e3|none 0 null");
}

TEST_F(Bulk, BulkCollectChecksItsTargets) {
    // A scalar among the targets, and a column count that differs, do not compile.
    std::string out = output_of(
        "declare type t is table of number; a t; n number;"
        " begin select id, sal bulk collect into a, n from emp; end;");
    EXPECT_NE(out.find("PLS-00497"), std::string::npos) << out;
    out = output_of("declare type t is table of number; a t; begin select id, sal bulk collect into a from emp; end;");
    EXPECT_NE(out.find("ORA-00947"), std::string::npos) << out;
    // A varray too small for the rows, and an element that does not fit its type.
    out = output_of("declare type v is varray(3) of number; a v;"
                    " begin select id bulk collect into a from emp; end;");
    EXPECT_NE(out.find("ORA-22165: given index [4] must be in the range of [1] to [3]"), std::string::npos) << out;
    out = output_of("declare type t is table of varchar2(1); a t := t('x');"
                    " begin select name bulk collect into a from emp; exception when value_error then"
                    " dbms_output.put_line('kept ' || a.count || a(1)); end;");
    EXPECT_EQ(out, "kept 1x");
}

TEST_F(Bulk, FetchBulkCollectWithLimitWalksTheCursorInBatches) {
    EXPECT_EQ(output_of("declare\n"
                        "  cursor c is select id, sal from emp order by id;\n"
                        "  type t is table of number;\n"
                        "  ids t; sals t;\n"
                        "begin\n"
                        "  open c;\n"
                        "  loop\n"
                        "    fetch c bulk collect into ids, sals limit 2;\n"
                        "    dbms_output.put_line(ids.count || ' rows, total ' || c%rowcount ||"
                        " case when c%notfound then ' end' end);\n"
                        "    for i in 1 .. ids.count loop dbms_output.put_line(ids(i) || '=' || sals(i)); end loop;\n"
                        "    exit when c%notfound;\n"
                        "  end loop;\n"
                        "  fetch c bulk collect into ids, sals;\n"
                        "  dbms_output.put_line('after ' || ids.count);\n"
                        "  close c;\n"
                        "  open c;\n"
                        "  fetch c bulk collect into ids, sals;\n"
                        "  dbms_output.put_line('all ' || ids.count || ' ' || c%rowcount);\n"
                        "  close c;\n"
                        "end;"),
              "2 rows, total 2|1=100|2=200|2 rows, total 4|3=300|4=400|1 rows, total 5 end|5=500|after 0|all 5 5");
    std::string out = output_of(
        "declare cursor c is select id from emp; type t is table of number; a t;"
        " begin open c; fetch c bulk collect into a limit -1; end;");
    EXPECT_NE(out.find("ORA-06502"), std::string::npos) << out;
}

TEST_F(Bulk, ReturningIntoVariablesAndCollections) {
    EXPECT_EQ(output_of("declare\n"
                        "  type t is table of number;\n"
                        "  ids t; sals t;\n"
                        "  n varchar2(20); v number;\n"
                        "begin\n"
                        "  update emp set sal = sal + 1 where id = 2 returning name, sal into n, v;\n"
                        "  dbms_output.put_line(n || ' ' || v || ' ' || sql%rowcount);\n"
                        "  update emp set sal = sal * 2 where id >= 4 returning id, sal bulk collect into ids, sals;\n"
                        "  dbms_output.put_line(ids.count || ' ' || sql%rowcount);\n"
                        "  for i in 1 .. ids.count loop dbms_output.put_line(ids(i) || '=' || sals(i)); end loop;\n"
                        "  delete from emp where id = 99 returning sal into v;\n"
                        "  dbms_output.put_line('none ' || nvl(to_char(v), 'null'));\n"
                        "  insert into emp values (6, 'six', 600) returning id into v;\n"
                        "  dbms_output.put_line('new ' || v);\n"
                        "end;"),
              "e2 201 1|2 2|4=800|5=1000|none null|new 6");
    // Several rows into single variables: ORA-01422, and the UPDATE is undone.
    std::string out = output_of(
        "declare v number; begin update emp set sal = 0 returning sal into v;"
        " exception when too_many_rows then dbms_output.put_line('too many'); end;");
    EXPECT_EQ(out, "too many");
    EXPECT_EQ(s.value("select count(*) from emp where sal = 0"), "0");
}

TEST_F(Bulk, ForallRunsTheStatementPerIndexAndCountsRows) {
    EXPECT_EQ(output_of("declare\n"
                        "  type t is table of number index by pls_integer;\n"
                        "  ids t; idx t;\n"
                        "begin\n"
                        "  ids(1) := 1; ids(2) := 3; ids(3) := 99;\n"
                        "  forall i in 1 .. 3 update emp set sal = sal + 1 where id = ids(i);\n"
                        "  dbms_output.put_line(sql%rowcount || ' ' || sql%bulk_rowcount(1) || sql%bulk_rowcount(2)"
                        " || sql%bulk_rowcount(3));\n"
                        "  forall i in 2 .. 1 delete from emp;\n"
                        "  dbms_output.put_line('empty ' || sql%rowcount);\n"
                        "  ids.delete; ids(10) := 10; ids(20) := 20; ids(30) := 30;\n"
                        "  forall i in indices of ids insert into emp values (ids(i), 'n' || i, 0);\n"
                        "  dbms_output.put_line('indices ' || sql%rowcount || ' ' || sql%bulk_rowcount(20));\n"
                        "  forall i in indices of ids between 15 and 40 delete from emp where id = ids(i);\n"
                        "  dbms_output.put_line('between ' || sql%rowcount);\n"
                        "  idx(1) := 5; idx(7) := 4;\n"
                        "  forall i in values of idx delete from emp where id = i;\n"
                        "  dbms_output.put_line('values ' || sql%rowcount || ' ' || sql%bulk_rowcount(5));\n"
                        "end;"),
              "2 110|empty 0|indices 3 1|between 2|values 2 1");
    EXPECT_EQ(s.rows("select id, sal from emp order by id"),
              (std::vector<std::string>{"1|101", "2|200", "3|301", "10|0"}));
}

TEST_F(Bulk, ForallStopsAtTheFirstErrorUnlessSavingExceptions) {
    const char* setup = "declare type t is table of number index by pls_integer; ids t;\n";
    std::string out = output_of(std::string(setup) +
                                "begin ids(1) := 10; ids(2) := 1; ids(3) := 11;\n"
                                "  forall i in 1 .. 3 insert into emp (id, name) values (ids(i), 'x');\n"
                                "exception when dup_val_on_index then\n"
                                "  dbms_output.put_line('dup ' || sql%rowcount);\n"
                                "end;");
    EXPECT_EQ(out, "dup 1");
    EXPECT_EQ(s.value("select count(*) from emp where id >= 10"), "1");
    out = output_of(std::string(setup) +
                    "  errors exception; pragma exception_init(errors, -24381);\n"
                    "begin ids(1) := 20; ids(2) := 2; ids(3) := 21; ids(4) := 3;\n"
                    "  forall i in 1 .. 4 save exceptions insert into emp (id, name) values (ids(i), 'x');\n"
                    "exception when errors then\n"
                    "  dbms_output.put_line(sqlcode || ' ' || sql%rowcount || ' ' || sql%bulk_exceptions.count);\n"
                    "  for j in 1 .. sql%bulk_exceptions.count loop\n"
                    "    dbms_output.put_line(sql%bulk_exceptions(j).error_index || ' ' ||"
                    " sql%bulk_exceptions(j).error_code);\n"
                    "  end loop;\n"
                    "end;");
    EXPECT_EQ(out, "-24381 2 2|2 1|4 1");
    EXPECT_EQ(s.value("select count(*) from emp where id in (20, 21)"), "2");
    out = output_of(std::string(setup) +
                    "begin ids(1) := 2;\n"
                    "  forall i in 1 .. 1 save exceptions insert into emp (id) values (ids(i));\n"
                    "end;");
    EXPECT_NE(out.find("ORA-24381: error(s) in array DML"), std::string::npos) << out;
    // The body must be one DML statement, and a null bound is an error.
    out = output_of(std::string(setup) + "begin forall i in 1 .. 2 ids(i) := 0; end;");
    EXPECT_NE(out.find("PLS-00103"), std::string::npos) << out;
    out = output_of(std::string(setup) + "n number; begin forall i in 1 .. n delete from emp; end;");
    EXPECT_NE(out.find("ORA-06502"), std::string::npos) << out;
    EXPECT_EQ(s.value("select count(*) from emp"), "8");
}

}  // namespace

// Cursor variables on the embedded engine: SYS_REFCURSOR and REF CURSOR types in
// blocks and package headers, OPEN FOR static and dynamic queries, FETCH (into
// variables, records, BULK COLLECT with LIMIT), CLOSE and the cursor attributes, the
// reference semantics of assignment and parameters, cursors returned by stored
// procedures and functions, and the hand-over to a caller's statement handle.
#include "oci_session.h"

namespace {

class CursorVars : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("create table cv (n number, s varchar2(10))"), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("insert into cv select level, 'r' || level from dual connect by level <= 5"), OCI_SUCCESS)
            << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(CursorVars, OpenFetchCloseAndAttributes) {
    EXPECT_EQ(output_of("declare c sys_refcursor; n number; t varchar2(10); low number := 3;\n"
                        "begin\n"
                        "  if not c%isopen then dbms_output.put_line('closed'); end if;\n"
                        "  open c for select n, s from cv where n >= low order by n;\n"
                        "  loop\n"
                        "    fetch c into n, t;\n"
                        "    exit when c%notfound;\n"
                        "    dbms_output.put_line(n || t || ' ' || c%rowcount);\n"
                        "  end loop;\n"
                        "  dbms_output.put_line(case when c%found then 'found' else 'not found' end || c%rowcount);\n"
                        "  close c;\n"
                        "  dbms_output.put_line(case when c%isopen then 'open' else 'closed' end);\n"
                        "end;"),
              "closed|3r3 1|4r4 2|5r5 3|not found3|closed");
    // A strong type is read as a weak one; a record takes the row.
    EXPECT_EQ(output_of("declare type rc is ref cursor return cv%rowtype; c rc; r cv%rowtype;\n"
                        "begin\n"
                        "  open c for select * from cv where n = 2;\n"
                        "  fetch c into r;\n"
                        "  dbms_output.put_line(r.n || r.s);\n"
                        "  open c for select * from cv where n = 4;\n"  // re-opening closes first
                        "  fetch c into r;\n"
                        "  dbms_output.put_line(r.n || r.s || c%rowcount);\n"
                        "  close c;\n"
                        "end;"),
              "2r2|4r41");
}

TEST_F(CursorVars, DynamicOpenAndBulkFetch) {
    EXPECT_EQ(output_of("declare type weak is ref cursor; c weak;\n"
                        "  type nt is table of number; ns nt; type st is table of varchar2(10); ss st;\n"
                        "begin\n"
                        "  open c for 'select n, s from cv where n > :1 order by n' using 1;\n"
                        "  fetch c bulk collect into ns, ss limit 3;\n"
                        "  dbms_output.put_line(ns.count || ss(1) || ss(3) || c%rowcount);\n"
                        "  fetch c bulk collect into ns, ss limit 3;\n"
                        "  dbms_output.put_line(ns.count || ss(1) || case when c%notfound then ' end' end);\n"
                        "  close c;\n"
                        "  open c for 'select n from cv';\n"
                        "  fetch c bulk collect into ns;\n"
                        "  dbms_output.put_line(ns.count);\n"
                        "  close c;\n"
                        "end;"),
              "3r2r43|1r5 end|5");
}

TEST_F(CursorVars, LocalSubprogramsPassAndReturnCursors) {
    EXPECT_EQ(output_of("declare c sys_refcursor; n number;\n"
                        "  function opened(low number) return sys_refcursor is r sys_refcursor;\n"
                        "  begin open r for select n from cv where n > low order by n; return r; end;\n"
                        "  procedure next_of(x in out sys_refcursor, v out number) is begin fetch x into v; end;\n"
                        "begin\n"
                        "  c := opened(3);\n"
                        "  next_of(c, n); dbms_output.put_line(n);\n"
                        "  next_of(c, n); dbms_output.put_line(n || ' ' || c%rowcount);\n"
                        "  close c;\n"
                        "end;"),
              "4|5 2");
}

TEST_F(CursorVars, AssignmentSharesTheCursor) {
    EXPECT_EQ(output_of("declare a sys_refcursor; b sys_refcursor; n number;\n"
                        "begin\n"
                        "  open a for select n from cv order by n;\n"
                        "  b := a;\n"
                        "  fetch a into n; dbms_output.put_line(n);\n"
                        "  fetch b into n; dbms_output.put_line(n || ' ' || b%rowcount);\n"
                        "  close b;\n"
                        "  dbms_output.put_line(case when a%isopen then 'open' else 'closed' end);\n"
                        "end;"),
              "1|2 2|closed");
}

TEST_F(CursorVars, InvalidCursorAndWrongUses) {
    // FETCH, CLOSE and %ROWCOUNT of a variable never opened, or closed.
    EXPECT_EQ(output_of("declare c sys_refcursor; n number;\n"
                        "begin\n"
                        "  begin fetch c into n; exception when invalid_cursor then dbms_output.put_line('f'); end;\n"
                        "  begin close c; exception when invalid_cursor then dbms_output.put_line('c'); end;\n"
                        "  open c for select 1 from dual; close c;\n"
                        "  begin close c; exception when invalid_cursor then dbms_output.put_line('again'); end;\n"
                        "end;"),
              "f|c|again");
    EXPECT_EQ(output_of("declare c sys_refcursor; begin open c for select 1 from dual; close c;\n"
                        "  dbms_output.put_line(c%rowcount); end;")
                  .substr(0, 24),
              "error: ORA-01001: invali");
    // A row of other columns than the targets.
    EXPECT_EQ(output_of("declare c sys_refcursor; n number;\n"
                        "begin open c for select 1, 2 from dual; fetch c into n; end;")
                  .substr(0, 16),
              "error: ORA-06504");
    // A cursor variable holds no number, no number takes a cursor, and a package cannot keep one.
    EXPECT_EQ(output_of("declare c sys_refcursor; begin c := 5; end;"),
              "error: ORA-06550: line 1, column 37:\nPLS-00382: expression is of wrong type\n"
              "ORA-06550: line 1, column 32:\nPL/SQL: Statement ignored\n");
    EXPECT_EQ(output_of("declare c sys_refcursor; n number;\n"
                        "begin open c for select 1 from dual; n := c; end;")
                  .substr(0, 46),
              "error: ORA-06550: line 2, column 43:\nPLS-00382");
    EXPECT_EQ(output_of("declare c sys_refcursor; begin c := null; dbms_output.put_line('ok'); end;"), "ok");
    // A function's cursor reaches PL/SQL, never a query's column or a variable of another type.
    ASSERT_EQ(s.exec("create or replace function cv_g return sys_refcursor as c sys_refcursor;\n"
                     "begin open c for select 1 from dual; return c; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.exec("select cv_g() from dual"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 932);
    EXPECT_EQ(output_of("declare n number; begin select cv_g() into n from dual; end;").substr(0, 63),
              "error: ORA-00932: inconsistent datatypes: expected - got CURSOR");
    ASSERT_EQ(s.exec("create or replace package cvp as c sys_refcursor; end;"), OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(s.rows("select text from user_errors where name = 'CVP'"),
              (std::vector<std::string>{"PLS-00994: Cursor Variables cannot be declared as part of a package"}));
}

TEST_F(CursorVars, ReturnedByStoredProceduresAndFunctions) {
    ASSERT_EQ(s.exec("create or replace procedure cv_open(low number, c out sys_refcursor) as\n"
                     "begin open c for select n from cv where n > low order by n; end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace function cv_f(low number) return sys_refcursor as c sys_refcursor;\n"
                     "begin open c for select s from cv where n > low order by n; return c; end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package cv_pkg as type rc is ref cursor;\n"
                     "  procedure take(c in rc, total out number); end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body cv_pkg as\n"
                     "  procedure take(c in rc, total out number) is n number; begin\n"
                     "    total := 0;\n"
                     "    loop fetch c into n; exit when c%notfound; total := total + n; end loop;\n"
                     "  end;\nend;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare c cv_pkg.rc; n number; t varchar2(10); total number;\n"
                        "begin\n"
                        "  cv_open(3, c);\n"
                        "  fetch c into n; dbms_output.put_line(n);\n"
                        "  cv_pkg.take(c, total); dbms_output.put_line(total);\n"  // the rest: 5
                        "  close c;\n"
                        "  c := cv_f(1);\n"
                        "  fetch c into t; dbms_output.put_line(t || c%rowcount);\n"
                        "  close c;\n"
                        "end;"),
              "4|5|r21");
}

// A cursor a procedure opens into an OUT parameter reaches the caller's statement
// handle bound as SQLT_RSET, as OPEN :rc FOR does.
TEST_F(CursorVars, HandedToTheCallersStatementHandle) {
    ASSERT_EQ(s.exec("create or replace procedure cv_out(c out sys_refcursor) as\n"
                     "begin open c for select n, s from cv where n <= 2 order by n; end;"),
              OCI_SUCCESS)
        << s.error_text();
    OciStatement cursor(s);
    OciStatement block(s, "begin cv_out(:rc); end;");
    OCIBind* b = nullptr;
    OCIStmt* handle = cursor.stmt;
    ASSERT_EQ(s.oci->OCIBindByName(block.stmt, &b, s.err, reinterpret_cast<const OraText*>(":rc"), -1, &handle, 0,
                                   SQLT_RSET, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(block.execute(1), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(cursor.attr_ub4(OCI_ATTR_PARAM_COUNT), 2u);
    int n = 0;
    char text[11] = {};
    OCIDefine* d = nullptr;
    s.oci->OCIDefineByPos(cursor.stmt, &d, s.err, 1, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
    s.oci->OCIDefineByPos(cursor.stmt, &d, s.err, 2, text, sizeof text, SQLT_STR, nullptr, nullptr, nullptr,
                          OCI_DEFAULT);
    std::string got;
    while (cursor.fetch(1) == OCI_SUCCESS) got += std::to_string(n) + text + ";";
    EXPECT_EQ(got, "1r1;2r2;");

    // A local cursor variable assigned to the bind goes the same way.
    OciStatement local(s, "declare c sys_refcursor; begin open c for select 7, 'x' from dual; :rc := c; end;");
    ASSERT_EQ(s.oci->OCIBindByName(local.stmt, &b, s.err, reinterpret_cast<const OraText*>(":rc"), -1, &handle, 0,
                                   SQLT_RSET, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(local.execute(1), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(cursor.fetch(1), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(n, 7);

    // One read to its end by the block hands over no rows.
    OciStatement spent(s,
                       "declare c sys_refcursor; n number; t varchar2(10);\n"
                       "begin open c for select n, s from cv;\n"
                       "  loop fetch c into n, t; exit when c%notfound; end loop;\n"
                       "  :rc := c; end;");
    ASSERT_EQ(s.oci->OCIBindByName(spent.stmt, &b, s.err, reinterpret_cast<const OraText*>(":rc"), -1, &handle, 0,
                                   SQLT_RSET, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(spent.execute(1), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(cursor.fetch(1), OCI_NO_DATA) << s.error_text();
}

TEST_F(CursorVars, StrongTypesCheckTheirRows) {
    // Queries of the return type's shape open, from a table's row, a record type or a
    // record variable; a row of the right families converts into the fields.
    EXPECT_EQ(output_of("declare type rec_t is record (k number, v varchar2(20)); r rec_t;\n"
                        "  type by_table is ref cursor return cv%rowtype; a by_table;\n"
                        "  type by_record is ref cursor return rec_t; b by_record;\n"
                        "  type by_var is ref cursor return r%type; c by_var;\n"
                        "begin\n"
                        "  open a for select n * 10, s from cv where n = 1; fetch a into r;\n"
                        "  dbms_output.put_line(r.k || r.v); close a;\n"
                        "  open b for select 2, 'two' from dual; fetch b into r; dbms_output.put_line(r.k || r.v);\n"
                        "  open c for select n, s from cv where n = 3; fetch c into r; dbms_output.put_line(r.k || r.v);\n"
                        "end;"),
              "10r1|2two|3r3");
    // A static query of another shape is refused when the block compiles: too few columns,
    // or a column of another family.
    EXPECT_EQ(output_of("declare type t is ref cursor return cv%rowtype; c t;\n"
                        "begin open c for select n from cv; end;"),
              "error: ORA-06550: line 2, column 18:\nPLS-00382: expression is of wrong type\n"
              "ORA-06550: line 2, column 7:\nPL/SQL: Statement ignored\n");
    EXPECT_EQ(output_of("declare type rec_t is record (k number, v varchar2(20));\n"
                        "  type t is ref cursor return rec_t; c t;\n"
                        "begin dbms_output.put_line('never'); open c for select s, n from cv; end;")
                  .substr(0, 75),
              "error: ORA-06550: line 3, column 49:\nPLS-00382: expression is of wrong type");
    // Its query cannot be built at run time; a weak one can.
    EXPECT_EQ(output_of("declare type t is ref cursor return cv%rowtype; c t;\n"
                        "begin open c for 'select * from cv'; end;"),
              "error: ORA-06550: line 2, column 12:\n"
              "PLS-00455: cursor 'C' cannot be used in dynamic SQL OPEN statement\n"
              "ORA-06550: line 2, column 7:\nPL/SQL: Statement ignored\n");
    // A return type that names nothing.
    EXPECT_EQ(output_of("declare type t is ref cursor return no_such%rowtype; begin null; end;").substr(0, 85),
              "error: ORA-06550: line 1, column 37:\nPLS-00201: identifier 'NO_SUCH' must be declared");
    // FETCH into a record of another shape than the row fails when it runs.
    EXPECT_EQ(output_of("declare c sys_refcursor; r cv%rowtype;\n"
                        "begin open c for select s, n from cv; fetch c into r; end;")
                  .substr(0, 16),
              "error: ORA-06504");
    EXPECT_EQ(output_of("declare c sys_refcursor; r cv%rowtype;\n"
                        "begin open c for select n from cv; fetch c into r; end;")
                  .substr(0, 16),
              "error: ORA-06504");
    // NULL columns fit any field.
    EXPECT_EQ(output_of("declare c sys_refcursor; r cv%rowtype;\n"
                        "begin open c for select null, null from dual; fetch c into r;\n"
                        "  dbms_output.put_line(nvl(to_char(r.n), 'null')); end;"),
              "null");
    // A package header's strong type is checked where a block uses it.
    ASSERT_EQ(s.exec("create or replace package cv_p as type rows_t is ref cursor return cv%rowtype; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare c cv_p.rows_t; begin open c for select n from cv; end;").substr(0, 75),
              "error: ORA-06550: line 1, column 41:\nPLS-00382: expression is of wrong type");
}

}  // namespace

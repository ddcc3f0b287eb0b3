// PL/SQL blocks on the embedded engine through the real loader: the console's own blocks
// (value checks, server output), variables and control flow, SQL inside blocks,
// exceptions with Oracle's exact error records, compile errors, cursors, out binds and
// the DBMS_OUTPUT buffer limits.
#include "oci_session.h"

#include <cstring>

namespace {

class Plsql : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }

  // Runs a block with server output on and returns the lines it printed, joined by '\n'.
  std::string output_of(const std::string& block) {
    EXPECT_EQ(s.exec("begin dbms_output.enable(100000); end;"), OCI_SUCCESS) << s.error_text();
    sword st = s.exec(block);
    EXPECT_EQ(st, OCI_SUCCESS) << block << "\n" << s.error_text();
    return drain();
  }

  // The console's read loop: get_line with a string and an integer bind until status 1.
  std::string drain() {
    std::string all;
    OciStatement st(s, "begin dbms_output.get_line(:1,:2); end;");
    char line[512];
    int status = 0;
    sb2 ind = 0;
    OCIBind* b1 = nullptr;
    OCIBind* b2 = nullptr;
    s.oci->OCIBindByPos(st.stmt, &b1, s.err, 1, line, sizeof line, SQLT_STR, &ind, nullptr, nullptr, 0, nullptr,
                        OCI_DEFAULT);
    s.oci->OCIBindByPos(st.stmt, &b2, s.err, 2, &status, sizeof status, SQLT_INT, nullptr, nullptr, nullptr, 0,
                        nullptr, OCI_DEFAULT);
    for (int guard = 0; guard < 10000; ++guard) {
      if (st.execute(1) != OCI_SUCCESS) {
        ADD_FAILURE() << s.error_text();
        break;
      }
      if (status != 0) {
        EXPECT_EQ(ind, -1) << "no line left comes back as NULL";
        break;
      }
      if (!all.empty() || guard > 0) all += "\n";
      all += ind == -1 ? "" : line;
    }
    return all;
  }

  // The console's value check: :new_value out, :value and an optional :format in.
  sword check(const std::string& block, const char* value, const char* format, std::string* result) {
    OciStatement st(s, block);
    char out[1000] = "untouched";
    sb2 ind = 0;
    OCIBind* b = nullptr;
    s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":new_value"), -1, out, 999, SQLT_STR,
                         &ind, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":value"), -1,
                         const_cast<char*>(value), static_cast<sb4>(std::strlen(value) + 1), SQLT_STR, nullptr,
                         nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    if (format)
      s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":format"), -1,
                           const_cast<char*>(format), static_cast<sb4>(std::strlen(format) + 1), SQLT_STR, nullptr,
                           nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    sword rc = st.execute(1);
    *result = ind == -1 ? "<null>" : out;
    return rc;
  }

  OciSession s;
};

TEST_F(Plsql, ValueChecksNormaliseNumbersRejectTextAndKeepDates) {
  const char* number_block = "begin :new_value:=to_char(to_number(:value)); end;";
  const char* number_mask_block = "begin :new_value:=to_char(to_number(:value,:format)); end;";
  const char* date_block = "begin :new_value:=to_char(to_date(:value)); :new_value:=:value; end;";
  const char* date_mask_block = "begin :new_value:=to_char(to_date(:value,:format)); :new_value:=:value; end;";
  std::string r;
  ASSERT_EQ(check(number_block, "1.50", nullptr, &r), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(r, "1.5");
  ASSERT_EQ(check(number_block, "-0.250", nullptr, &r), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(r, "-.25");
  ASSERT_EQ(check(number_mask_block, "12.50", "99.99", &r), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(r, "12.5");
  EXPECT_EQ(check(number_block, "abc", nullptr, &r), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06502: PL/SQL: numeric or value error: character to number conversion error\n"
            "ORA-06512: at line 1\n");
  ASSERT_EQ(check(date_block, "01-JAN-20", nullptr, &r), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(r, "01-JAN-20");
  ASSERT_EQ(check(date_mask_block, "2020-02-29", "YYYY-MM-DD", &r), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(r, "2020-02-29");
  EXPECT_EQ(check(date_mask_block, "2021-02-29", "YYYY-MM-DD", &r), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1839);
  EXPECT_EQ(check(number_block, "", nullptr, &r), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(r, "<null>") << "an empty value is NULL and comes back NULL";
}

TEST_F(Plsql, ServerOutputLinesComeBackInOrderAndThenStatusOne) {
  EXPECT_EQ(output_of("begin dbms_output.put_line('one'); dbms_output.put('t'); dbms_output.put('wo');"
                      " dbms_output.new_line; dbms_output.put_line(null); dbms_output.put('partial'); end;"),
            "one\ntwo\n");
  // A partial line is not returned until a later block ends it.
  EXPECT_EQ(output_of("begin dbms_output.new_line; dbms_output.put_line('x'); end;"), "partial\nx");
  // Disabled output keeps nothing.
  ASSERT_EQ(s.exec("begin dbms_output.disable; dbms_output.put_line('lost'); end;"), OCI_SUCCESS);
  EXPECT_EQ(drain(), "");
}

TEST_F(Plsql, OutputBufferAndLineLimitsRaiseOracleErrors) {
  ASSERT_EQ(s.exec("begin dbms_output.enable(10); end;"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("declare v varchar2(1000); begin for i in 1..90 loop v := v || 'xxxxxxxxxx'; end loop;"
                   " for i in 1..3 loop dbms_output.put_line(v); end loop; end;"),
            OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20000: ORU-10027: buffer overflow, limit of 2000 bytes\nORA-06512: at line 1\n")
      << "a size below 2000 is raised to 2000";
  ASSERT_EQ(s.exec("begin dbms_output.enable(null); end;"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("declare v varchar2(32767); begin for i in 1..3276 loop v := v || 'yyyyyyyyyy'; end loop;"
                   " dbms_output.put(v);\ndbms_output.put('12345678'); end;"),
            OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-20000: ORU-10028: line length overflow, limit of 32767 bytes per line\nORA-06512: at line 2\n");
}

TEST_F(Plsql, HugeNumbersInDeclarationsAreCompileErrorsNotCrashes) {
  // Lengths, precisions and error codes beyond any integer type once ended the process
  // from inside the parser; a length is refused by its range check, and the session
  // lives on after each.
  EXPECT_EQ(s.exec("declare v varchar2(99999999999999999999999); begin null; end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00215"), std::string::npos) << s.error_text();
  s.exec("declare n number(99999999999999999999, 2); begin null; end;");
  s.exec("declare e exception; pragma exception_init(e, -99999999999999999999); begin null; end;");
  EXPECT_EQ(s.exec("begin null; end;"), OCI_SUCCESS);
}

TEST_F(Plsql, NumberConstraintsAndExceptionCodesOutOfRangeAreRefused) {
  // A precision is reported at its number.
  EXPECT_EQ(s.exec("declare n number(39); begin null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 1, column 18:\nPLS-00216: NUMBER precision constraint must be in range (1 .. 38)\n");
  const std::pair<const char*, const char*> kCases[] = {
      {"declare n number(0); begin null; end;", "PLS-00216: NUMBER precision constraint must be in range (1 .. 38)"},
      {"declare n number(5, 128); begin null; end;",
       "PLS-00217: NUMBER scale constraint must be in range (-84 .. 127)"},
      {"declare n number(5, -85); begin null; end;",
       "PLS-00217: NUMBER scale constraint must be in range (-84 .. 127)"},
      {"declare e exception; pragma exception_init(e, 1); begin null; end;",
       "PLS-00701: illegal ORACLE error number 1 for PRAGMA EXCEPTION_INIT"},
      {"declare e exception; pragma exception_init(e, -1403); begin null; end;",
       "PLS-00701: illegal ORACLE error number -1403 for PRAGMA EXCEPTION_INIT"},
      {"declare e exception; pragma exception_init(e, -10000000); begin null; end;",
       "PLS-00701: illegal ORACLE error number -10000000 for PRAGMA EXCEPTION_INIT"},
  };
  for (const auto& [block, error] : kCases) {
    EXPECT_EQ(s.exec(block), OCI_ERROR) << block;
    EXPECT_NE(s.error_text().find(std::string("\n") + error + "\n"), std::string::npos) << s.error_text();
  }
  // The edges that Oracle takes.
  EXPECT_EQ(s.exec("declare a number(1); b number(38, -84); c number(38, 127); e exception; f exception;"
                   " pragma exception_init(e, 100); pragma exception_init(f, -9999999); begin null; end;"),
            OCI_SUCCESS)
      << s.error_text();
}

TEST_F(Plsql, VariablesAndControlFlow) {
  EXPECT_EQ(output_of(R"(declare
  n number(6,2) := 10 / 4;
  c constant varchar2(10) := 'ab' || 'c';
  d date := to_date('2024-03-01', 'YYYY-MM-DD');
  total pls_integer := 0;
  b boolean := n > 2;
  k integer;
begin
  dbms_output.put_line(n || ' ' || c || ' ' || to_char(d - 1, 'YYYY-MM-DD'));
  for i in reverse 1 .. 4 loop
    continue when i = 2;
    total := total + i;
  end loop;
  dbms_output.put_line('total ' || total);
  k := 0;
  while k < 10 loop
    k := k + 3;
  end loop;
  loop
    k := k - 1;
    exit when k <= 5;
  end loop;
  if b and k = 5 then dbms_output.put_line('if');
  elsif k > 5 then dbms_output.put_line('elsif');
  else dbms_output.put_line('else'); end if;
  case k - 3 when 0 then dbms_output.put_line('zero'); when 2 then dbms_output.put_line('two'); end case;
  case when k is null then null; else dbms_output.put_line('searched ' || case k when 5 then 'five' end); end case;
  declare
    n varchar2(5) := 'inner';
  begin
    dbms_output.put_line(n);
  end;
  dbms_output.put_line(n);
end;)"),
            "2.5 abc 2024-02-29\ntotal 8\nif\ntwo\nsearched five\ninner\n2.5");
}

TEST_F(Plsql, ErrorsPropagateOutwardAndLabelledExitsLeaveOuterLoops) {
  EXPECT_EQ(output_of(R"(declare
  flag boolean;
  limit_v number := 2;
  copy limit_v%type := limit_v;
begin
  begin
    declare
      v number(1) := 10;
    begin
      null;
    exception when others then dbms_output.put_line('inner handler must not see its own declarations');
    end;
  exception when value_error then dbms_output.put_line('outer ' || sqlcode);
  end;
  <<outer>>
  for i in 1 .. 3 loop
    for j in 1 .. 3 loop
      exit outer when i = copy;
      dbms_output.put(i || j || ' ');
    end loop;
  end loop;
  dbms_output.new_line;
  while flag loop
    null;
  end loop;
  if not flag or flag is null then dbms_output.put_line('null is not true'); end if;
  flag := copy > 1;
  if flag then dbms_output.put_line('true'); end if;
end;)"),
            "outer -6502\n11 12 13 \nnull is not true\ntrue");
  EXPECT_EQ(s.exec("declare n number not null := 1; begin\n n := null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-06502: PL/SQL: numeric or value error\nORA-06512: at line 2\n");
}

TEST_F(Plsql, ConversionMasksCheckTheTextAgainstTheMask) {
  EXPECT_EQ(s.value("select to_number('1,234.50', '9,999.99') from dual"), "1234.5");
  EXPECT_EQ(s.value("select to_number('12-', '99MI') from dual"), "-12");
  EXPECT_EQ(s.value("select to_char(to_date('2024-02-29', 'YYYY-MM-DD'), 'DD.MM.YYYY') from dual"), "29.02.2024");
  OciStatement st(s, "select to_number('123', '99') from dual");
  char buf[32];
  OCIDefine* d = nullptr;
  s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, sizeof buf, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(st.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1722) << "more digits than the mask has";
  st.prepare("select to_number('1.5', '9X') from dual");
  s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, sizeof buf, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(st.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1481);
}

TEST_F(Plsql, ValueErrorsAndCaseNotFound) {
  EXPECT_EQ(s.exec("declare v varchar2(3); begin\n v := 'abcd'; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06502: PL/SQL: numeric or value error: character string buffer too small\nORA-06512: at line 2\n");
  EXPECT_EQ(s.exec("declare n number(2); begin n := 123; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 6502);
  EXPECT_EQ(s.exec("declare n number := 1; begin case n when 2 then null; end case; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-06592: CASE not found while executing CASE statement\nORA-06512: at line 1\n");
  EXPECT_EQ(s.exec("declare n number; begin n := 1 / 0; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1476);
}

TEST_F(Plsql, SqlInsideBlocks) {
  ASSERT_EQ(s.exec("create table t (id number(4) primary key, name varchar2(10))"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(output_of(R"(declare
  v_name t.name%type;
  r t%rowtype;
  cnt number;
begin
  for i in 1 .. 5 loop
    insert into t values (i, 'n' || i);
  end loop;
  update t set name = upper(name) where id > 2;
  dbms_output.put_line('updated ' || sql%rowcount);
  select name into v_name from t where id = 4;
  select * into r from t where id = 1;
  select count(*) into cnt from t;
  dbms_output.put_line(v_name || ' ' || r.id || r.name || ' ' || cnt);
  delete from t where id = 99;
  if sql%notfound then dbms_output.put_line('none deleted'); end if;
end;)"),
            "updated 3\nN4 1n1 5\nnone deleted");
  EXPECT_EQ(s.exec("declare v varchar2(10); begin\n  select name into v from t where id = 42;\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01403: no data found\nORA-06512: at line 2\n");
  EXPECT_EQ(s.exec("declare v varchar2(10); begin select name into v from t; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-01422: exact fetch returns more than requested number of rows\nORA-06512: at line 1\n");
  EXPECT_EQ(s.exec("begin insert into t values (1, 'dup'); end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1);
}

TEST_F(Plsql, AFailingBlockUndoesOnlyItsOwnChanges) {
  ASSERT_EQ(s.exec("create table t (id number primary key)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into t values (1)"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("begin insert into t values (2); insert into t values (1); end;"), OCI_ERROR);
  EXPECT_EQ(s.rows("select id from t order by id"), (std::vector<std::string>{"1"}));
  ASSERT_EQ(s.exec("begin insert into t values (3); savepoint a; insert into t values (4); rollback to a; end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(s.rows("select id from t order by id"), std::vector<std::string>{});
  ASSERT_EQ(s.exec("begin insert into t values (5); commit; insert into t values (6); rollback; end;"), OCI_SUCCESS);
  EXPECT_EQ(s.rows("select id from t order by id"), (std::vector<std::string>{"5"}));
}

TEST_F(Plsql, ExceptionsHandlersAndUnhandledErrors) {
  EXPECT_EQ(output_of(R"(declare
  e exception;
  child exception;
  pragma exception_init(child, -2292);
  v number;
begin
  begin
    raise e;
  exception
    when no_data_found then dbms_output.put_line('wrong');
    when e then dbms_output.put_line('e ' || sqlcode || ' ' || sqlerrm);
  end;
  begin
    select 1 into v from dual where 1 = 0;
  exception
    when others then dbms_output.put_line(sqlcode || ' ' || sqlerrm);
  end;
  begin
    raise_application_error(-20123, 'custom');
  exception
    when others then dbms_output.put_line(sqlcode || ' ' || sqlerrm);
  end;
  begin
    v := 1 / 0;
  exception
    when zero_divide or value_error then dbms_output.put_line('zero ' || sqlcode);
  end;
  dbms_output.put_line(sqlcode || ' ' || sqlerrm);
end;)"),
            "e 1 User-Defined Exception\n100 ORA-01403: no data found\n-20123 ORA-20123: custom\nzero -1476\n"
            "0 ORA-0000: normal, successful completion");
  EXPECT_EQ(s.exec("begin\n  raise_application_error(-20001, 'Salary too high');\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-20001: Salary too high\nORA-06512: at line 2\n");
  EXPECT_EQ(s.error_code(), 20001);
  EXPECT_EQ(s.exec("declare e exception; begin\n\n raise e; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-06510: PL/SQL: unhandled user-defined exception\nORA-06512: at line 3\n");
  EXPECT_EQ(s.exec("begin raise_application_error(-1, 'x'); end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 21000);
  EXPECT_EQ(s.exec("begin begin raise no_data_found; exception when others then\n raise; end; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01403: no data found\nORA-06512: at line 2\n");
}

TEST_F(Plsql, CompileErrorsAreReportedBeforeAnythingRuns) {
  ASSERT_EQ(s.exec("create table t (id number)"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("begin\n  insert into t values (1);\n  x := 1;\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 3, column 3:\nPLS-00201: identifier 'X' must be declared\n"
            "ORA-06550: line 3, column 3:\nPL/SQL: Statement ignored\n");
  EXPECT_EQ(s.value("select count(*) from t"), "0");
  EXPECT_EQ(s.exec("begin\n  insert into nowhere values (1);\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 2, column 15:\nPL/SQL: ORA-00942: table or view does not exist\n"
            "ORA-06550: line 2, column 3:\nPL/SQL: SQL Statement ignored\n");
  EXPECT_EQ(s.exec("declare n number; begin\n  n := 2 * nvl(missing, 1);\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 2, column 16:\nPLS-00201: identifier 'MISSING' must be declared\n"
            "ORA-06550: line 2, column 3:\nPL/SQL: Statement ignored\n");
  EXPECT_EQ(s.exec("begin null end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 6550);
  EXPECT_NE(s.error_text().find("line 1, column 12:\nPLS-00103: Encountered the symbol \"END\""), std::string::npos)
      << s.error_text();
  EXPECT_EQ(s.exec("begin dbms_output.shout('x'); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00302: component 'SHOUT' must be declared"), std::string::npos);
  EXPECT_EQ(s.exec("declare c constant number; begin null; end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00322"), std::string::npos);
}

TEST_F(Plsql, ExplicitCursorsAndCursorForLoops) {
  ASSERT_EQ(s.exec("create table t (id number, name varchar2(10))"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("begin for i in 1..3 loop\n"
                   "insert into t values (i, case i when 1 then 'a' when 2 then 'b' else 'c' end);\n"
                   "end loop; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(output_of(R"(declare
  cursor c is select id, name from t order by id desc;
  r c%rowtype;
  v_id number;
  v_name varchar2(10);
begin
  open c;
  loop
    fetch c into v_id, v_name;
    exit when c%notfound;
    dbms_output.put_line(c%rowcount || ':' || v_id || v_name);
  end loop;
  close c;
  open c;
  fetch c into r;
  dbms_output.put_line('rec ' || r.name || ' ' || case when c%isopen then 'open' end);
  close c;
  for x in c loop
    dbms_output.put(x.name);
  end loop;
  for x in (select count(*) n from t) loop
    dbms_output.put_line(' ' || x.n);
  end loop;
end;)"),
            "1:3c\n2:2b\n3:1a\nrec c open\ncba 3");
  EXPECT_EQ(s.exec("declare cursor c is select 1 from dual; begin open c; open c; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 6511);
  EXPECT_EQ(s.exec("declare cursor c is select 1 from dual; n number; begin fetch c into n; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01001: invalid cursor\nORA-06512: at line 1\n");
}

// Cursor parameters: by position and by name, defaults for those left out, a new value
// at each OPEN, also for a cursor of a package; a missing value is a compile error.
TEST_F(Plsql, CursorsTakeParameters) {
  ASSERT_EQ(s.exec("create table cp (id number, grp varchar2(5))"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("begin for i in 1..6 loop insert into cp values (i, case when i < 4 then 'a' else 'b' end);"
                   " end loop; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(output_of(R"(declare
  cursor c (p_grp varchar2, p_min in number default 0) is
    select id from cp where grp = p_grp and id >= p_min order by id;
  n number;
  k number := 0;
begin
  for r in c('a') loop dbms_output.put(r.id); end loop;
  for r in c('b', 5) loop dbms_output.put(r.id); end loop;
  open c(p_min => 2, p_grp => 'a');
  loop fetch c into n; exit when c%notfound; k := k + n; end loop;
  close c;
  open c('b');
  fetch c into n;
  close c;
  dbms_output.put_line(' ' || k || ' ' || n);
end;)"),
            "12356 5 4");
  EXPECT_EQ(s.exec("declare cursor c (p number) is select 1 from dual where 1 = p; begin open c; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 6550);
  EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'C'"), std::string::npos);
  EXPECT_EQ(s.exec("declare cursor c (p number) is select 1 from dual; begin for r in c(1, 2) loop null; end loop;"
                   " end;"),
            OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00306"), std::string::npos);
  ASSERT_EQ(s.exec("create or replace package cpk is\n"
                   "  cursor pc (g varchar2) return cp%rowtype is select * from cp where grp = g;\n"
                   "  function cnt(g varchar2) return number;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace package body cpk is function cnt(g varchar2) return number is k number := 0;"
                   " begin for r in pc(g) loop k := k + 1; end loop; return k; end; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select cpk.cnt('a') || cpk.cnt('b') || cpk.cnt('z') from dual"), "330");
}

TEST_F(Plsql, OutBindsAreCheckedAgainstTheCallersBuffer) {
  OciStatement st(s, "begin :r := 'xxxxxxxxxx'; :n := 7 * 6; end;");
  char small[5];
  int n = 0;
  OCIBind* b = nullptr;
  s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":r"), -1, small, sizeof small, SQLT_STR,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":n"), -1, &n, sizeof n, SQLT_INT,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  EXPECT_EQ(st.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06502: PL/SQL: numeric or value error: character string buffer too small\nORA-06512: at line 1\n");
  EXPECT_EQ(n, 0) << "nothing is written back when the block fails";
  char big[20];
  s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":r"), -1, big, sizeof big, SQLT_STR,
                       nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_STREQ(big, "xxxxxxxxxx");
  EXPECT_EQ(n, 42);
  OciStatement missing(s, "begin :nobody := 1; end;");
  EXPECT_EQ(missing.execute(1), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1008);
}

}  // namespace

namespace {

// A REF CURSOR: the block opens a query on a statement handle the caller bound as
// SQLT_RSET; the caller describes and fetches it like a query it executed itself.
TEST_F(Plsql, RefCursorOpenedInABlockIsFetchedThroughTheCallersHandle) {
  ASSERT_EQ(s.exec("create table rc_t (n number, s varchar2(10))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into rc_t select level, 'row ' || level from dual connect by level <= 5"), OCI_SUCCESS)
      << s.error_text();
  OciStatement cursor(s);
  OciStatement block(s, "declare low number := 2; begin open :rc for select n, s from rc_t where n > low order by n; end;");
  OCIBind* b = nullptr;
  OCIStmt* handle = cursor.stmt;
  ASSERT_EQ(s.oci->OCIBindByName(block.stmt, &b, s.err, reinterpret_cast<const OraText*>(":rc"), -1, &handle, 0,
                                 SQLT_RSET, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(block.execute(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(cursor.attr_ub4(OCI_ATTR_PARAM_COUNT), 2u);
  EXPECT_EQ(cursor.attr_ub2(OCI_ATTR_STMT_TYPE), OCI_STMT_SELECT);
  int n = 0;
  char text[11] = {};
  OCIDefine* d = nullptr;
  s.oci->OCIDefineByPos(cursor.stmt, &d, s.err, 1, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  s.oci->OCIDefineByPos(cursor.stmt, &d, s.err, 2, text, sizeof text, SQLT_STR, nullptr, nullptr, nullptr,
                        OCI_DEFAULT);
  std::string got;
  while (cursor.fetch(1) == OCI_SUCCESS) got += std::to_string(n) + ":" + text + ";";
  EXPECT_EQ(got, "3:row 3;4:row 4;5:row 5;");

  // Opening it again starts the query afresh.
  ASSERT_EQ(block.execute(1), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(cursor.fetch(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(n, 3);

  // A placeholder bound as anything but a statement handle cannot take a cursor.
  OciStatement wrong(s, "begin open :rc for select 1 from dual; end;");
  char buffer[10] = {};
  s.oci->OCIBindByName(wrong.stmt, &b, s.err, reinterpret_cast<const OraText*>(":rc"), -1, buffer, sizeof buffer,
                       SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  EXPECT_EQ(wrong.execute(1), OCI_ERROR);
  EXPECT_NE(s.error_code(), 0);
}

}  // namespace

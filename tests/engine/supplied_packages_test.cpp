// Oracle's supplied packages on the embedded engine: EMPTY_CLOB/EMPTY_BLOB and DBMS_LOB
// in SQL and PL/SQL, DBMS_RANDOM (repeatable after SEED), DBMS_UTILITY's error stack and
// backtrace, SLEEP, DBMS_APPLICATION_INFO through SYS_CONTEXT, DBMS_ASSERT, and the
// errors Oracle gives for bad arguments.
#include "oci_session.h"

#include <filesystem>

namespace {

class SuppliedPackages : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string v(const std::string& expr) {
    return s.value("select " + expr + (expr.find(" from ") == std::string::npos ? " from dual" : ""));
  }
  std::string out(const std::string& block) { return server_output_of(s, block); }
  std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }
  OciSession s;
};

TEST_F(SuppliedPackages, DbmsLobReadsInSqlAndEditsInPlsql) {
  run("create table docs (id number primary key, doc clob, pic blob)");
  run("insert into docs values (1, 'hello', empty_blob())");
  run("insert into docs values (2, empty_clob(), hextoraw('00ff10ff'))");
  run("insert into docs values (3, null, null)");
  EXPECT_EQ(s.rows("select id, dbms_lob.getlength(doc), dbms_lob.getlength(pic) from docs order by id"),
            (std::vector<std::string>{"1|5|0", "2|<null>|4", "3|<null>|<null>"}));
  EXPECT_EQ(s.value("select count(*) from docs where pic is null"), "1");
  EXPECT_EQ(s.value("select dbms_lob.substr(doc, 3, 2) from docs where id = 1"), "ell");
  EXPECT_EQ(s.value("select dbms_lob.substr(doc, 3, 9) from docs where id = 1"), "<null>");
  EXPECT_EQ(s.value("select dbms_lob.substr(doc, 0, 1) from docs where id = 1"), "<null>");
  EXPECT_EQ(s.value("select rawtohex(dbms_lob.substr(pic, 2, 2)) from docs where id = 2"), "FF10");
  EXPECT_EQ(s.value("select dbms_lob.instr(pic, 'ff', 1, 2) from docs where id = 2"), "4");
  const std::vector<std::pair<const char*, const char*>> reads = {
      {"dbms_lob.substr('grüße', 3, 3)", "üße"},
      {"dbms_lob.instr('abcabc', 'bc')", "2"},
      {"dbms_lob.instr('abcabc', 'bc', 3)", "5"},
      {"dbms_lob.instr('abcabc', 'bc', 1, 3)", "0"},
      {"dbms_lob.instr('abcabc', 'bc', 0)", "<null>"},
      {"dbms_lob.compare('abc', 'abc')", "0"},
      {"dbms_lob.compare('abc', 'abd')", "-1"},
      {"dbms_lob.compare('xbc', 'abc', 2, 2, 2)", "0"},
      {"dbms_lob.getlength(null)", "<null>"},
  };
  for (const auto& c : reads) EXPECT_EQ(v(c.first), c.second) << c.first;

  // The writers change the variable; the row takes it when the block stores it.
  EXPECT_EQ(out("declare c clob; n number := 3; begin"
                " select doc into c from docs where id = 1 for update;"
                " dbms_lob.append(c, ' world'); dbms_lob.writeappend(c, 1, '!?');"
                " dbms_lob.write(c, 5, 1, 'HELLO'); dbms_lob.write(c, 2, 15, 'ab');"
                " dbms_output.put_line(c || '|' || dbms_lob.getlength(c));"
                " dbms_lob.erase(c, n, 2); dbms_output.put_line(c || '|' || n);"
                " dbms_lob.trim(c, 4); dbms_output.put_line(c);"
                " update docs set doc = c where id = 1; end;"),
            "HELLO world!  ab|16|H   O world!  ab|3|H   ");
  EXPECT_EQ(s.value("select doc from docs where id = 1"), "H   ");
  EXPECT_EQ(out("declare c clob; d clob := 'abcdef'; begin"
                " dbms_lob.createtemporary(c, true, dbms_lob.session);"
                " dbms_lob.open(c, dbms_lob.lob_readwrite);"
                " dbms_output.put_line(nvl(to_char(dbms_lob.getlength(c)), 'null'));"
                " dbms_lob.copy(c, d, 3, 1, 2); dbms_lob.copy(c, d, 1, 6, 1); dbms_lob.close(c);"
                " dbms_output.put_line(c);"
                " dbms_lob.freetemporary(c); dbms_output.put_line(nvl(c, 'freed')); end;"),
            "0|bcd  a|freed");
  const std::vector<std::pair<const char*, const char*>> errors = {
      {"declare c clob; begin dbms_lob.append(c, 'x'); end;", "ORA-22275"},
      {"declare c clob := 'ab'; begin dbms_lob.write(c, 0, 1, 'x'); end;",
       "ORA-21560: argument 2 is null, invalid, or out of range"},
      {"declare c clob := 'ab'; begin dbms_lob.writeappend(c, 5, 'xy'); end;",
       "ORA-21560: argument 2 is null, invalid, or out of range"},
      {"declare c clob := 'ab'; begin dbms_lob.trim(c, 5); end;",
       "ORA-22926"},
      {"declare c clob := 'ab'; begin dbms_lob.open(c, 7); end;",
       "ORA-21560: argument 2 is null, invalid, or out of range"},
  };
  for (const auto& c : errors) {
    EXPECT_NE(s.exec(c.first), OCI_SUCCESS) << c.first;
    EXPECT_EQ(first_line(s.error_text()).substr(0, std::string(c.second).size()), c.second) << c.first;
  }
  EXPECT_NE(s.exec("begin dbms_lob.append('x'); end;"), OCI_SUCCESS);
  EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'APPEND'"),
            std::string::npos)
      << s.error_text();
  EXPECT_NE(s.exec("declare c clob; begin dbms_lob.appendx(c, 'x'); end;"), OCI_SUCCESS);
  EXPECT_NE(s.error_text().find("PLS-00302"), std::string::npos) << s.error_text();
  EXPECT_NE(s.exec("begin dbms_lob.append('x', 'y'); end;"), OCI_SUCCESS);
  EXPECT_NE(s.error_text().find("PLS-00363"), std::string::npos) << s.error_text();
}

// ISTEMPORARY tells a table's LOB column (0) from LOBs made by an expression or held by a
// variable (1); READ copies a piece into a buffer and says how much it read.
TEST_F(SuppliedPackages, DbmsLobIsTemporaryAndRead) {
  run("create table docs (id number, doc clob, pic blob)");
  run("insert into docs values (1, 'hello world', hextoraw('0102030405'))");
  run("insert into docs values (2, null, null)");
  EXPECT_EQ(s.rows("select id, dbms_lob.istemporary(doc), dbms_lob.istemporary(pic), dbms_lob.istemporary(doc || 'x')"
                   " from docs order by id"),
            (std::vector<std::string>{"1|0|0|1", "2|<null>|<null>|1"}));
  EXPECT_EQ(v("dbms_lob.istemporary(to_clob('x'))"), "1");
  EXPECT_EQ(v("dbms_lob.istemporary(null)"), "<null>");
  EXPECT_EQ(out("declare l clob; buf varchar2(100); amt number := 5; begin\n"
                " dbms_output.put_line('before ' || nvl(to_char(dbms_lob.istemporary(l)), 'null'));\n"
                " dbms_lob.createtemporary(l, true);\n"
                " dbms_output.put_line('temp ' || dbms_lob.istemporary(l));\n"
                " dbms_lob.writeappend(l, 11, 'abcdefghijk');\n"
                " dbms_lob.read(l, amt, 3, buf); dbms_output.put_line(amt || ':' || buf);\n"
                " amt := 100; dbms_lob.read(l, amt, 9, buf); dbms_output.put_line(amt || ':' || buf);\n"
                " amt := 1; dbms_lob.read(lob_loc => l, amount => amt, offset => 11, buffer => buf);"
                " dbms_output.put_line(amt || ':' || buf);\n"
                "end;"),
            "before null|temp 1|5:cdefg|3:ijk|1:k");
  EXPECT_EQ(out("declare b blob; r raw(10); n number := 3; begin select pic into b from docs where id = 1;\n"
                " dbms_lob.read(b, n, 2, r); dbms_output.put_line(n || ':' || rawtohex(r)); end;"),
            "3:020304");
  const std::pair<const char*, const char*> errors[] = {
      {"declare l clob := 'abc'; b varchar2(9); n number := 2; begin dbms_lob.read(l, n, 4, b); end;",
       "ORA-01403: no data found"},
      {"declare l clob := 'abc'; b varchar2(9); n number := 0; begin dbms_lob.read(l, n, 1, b); end;",
       "ORA-21560: argument 2 is null, invalid, or out of range"},
      {"declare l clob := 'abc'; b varchar2(9); n number := 32768; begin dbms_lob.read(l, n, 1, b); end;",
       "ORA-21560: argument 2 is null, invalid, or out of range"},
      {"declare l clob := 'abc'; b varchar2(9); n number := 1; begin dbms_lob.read(l, n, 0, b); end;",
       "ORA-21560: argument 3 is null, invalid, or out of range"},
      {"declare l clob; b varchar2(9); n number := 1; begin dbms_lob.read(l, n, 1, b); end;",
       "ORA-22275: invalid LOB locator specified"},
      {"declare l clob := 'abcdef'; b varchar2(2); n number := 5; begin dbms_lob.read(l, n, 1, b); end;",
       "ORA-06502"},
  };
  for (const auto& c : errors) {
    EXPECT_NE(s.exec(c.first), OCI_SUCCESS) << c.first;
    EXPECT_EQ(first_line(s.error_text()).substr(0, std::string(c.second).size()), c.second) << c.first;
  }
  EXPECT_NE(s.exec("declare l clob := 'abc'; b varchar2(9); n number := 1; begin dbms_lob.read(l, 1, 1, b); end;"),
            OCI_SUCCESS);
  EXPECT_NE(s.error_text().find("PLS-00363"), std::string::npos) << s.error_text();
}

// OPEN and CLOSE keep a LOB variable's state, which ISOPEN reads: opened once, closed
// once, written only when opened read-write; a LOB SQL reads is not open.
TEST_F(SuppliedPackages, DbmsLobOpenCloseAndIsOpen) {
  EXPECT_EQ(out("declare c clob; b blob := hextoraw('01'); begin\n"
                " dbms_lob.createtemporary(c, true);\n"
                " dbms_output.put_line(dbms_lob.isopen(c));\n"
                " dbms_lob.open(c, dbms_lob.lob_readwrite);\n"
                " dbms_lob.writeappend(c, 5, 'hello');\n"
                " dbms_output.put_line(dbms_lob.isopen(c) || ' ' || c);\n"
                " dbms_lob.close(c);\n"
                " dbms_output.put_line(dbms_lob.isopen(c) || ' ' || dbms_lob.getlength(c));\n"
                " dbms_lob.open(b, dbms_lob.lob_readonly);\n"
                " if dbms_lob.isopen(b) = 1 then dbms_output.put_line('blob open'); end if;\n"
                " dbms_lob.close(b);\n"
                " dbms_lob.open(c, dbms_lob.lob_readonly);\n"
                " c := 'new';\n"
                " dbms_output.put_line(dbms_lob.isopen(c));\n"
                " dbms_lob.freetemporary(c);\n"
                " dbms_output.put_line(nvl(to_char(dbms_lob.isopen(c)), 'null'));\n"
                "end;"),
            "0|1 hello|0 5|blob open|0|null");
  EXPECT_EQ(v("dbms_lob.isopen(to_clob('x'))"), "0");
  const std::pair<const char*, const char*> errors[] = {
      {"declare c clob := 'ab'; begin dbms_lob.close(c); end;",
       "ORA-22289: cannot perform LOB CLOSE operation on an unopened file or LOB"},
      {"declare c clob := 'ab'; begin dbms_lob.open(c, 0); dbms_lob.open(c, 1); end;",
       "ORA-22293: LOB already opened in the same transaction"},
      {"declare c clob := 'ab'; begin dbms_lob.open(c, dbms_lob.lob_readonly); dbms_lob.writeappend(c, 1, 'x'); end;",
       "ORA-22294: cannot update a LOB opened in read-only mode"},
      {"declare c clob := 'ab'; begin dbms_lob.open(c, dbms_lob.lob_readonly); dbms_lob.trim(c, 1); end;",
       "ORA-22294: cannot update a LOB opened in read-only mode"},
      {"declare c clob; begin dbms_lob.open(c, 1); end;", "ORA-22275: invalid LOB locator specified"},
  };
  for (const auto& c : errors) {
    EXPECT_NE(s.exec(c.first), OCI_SUCCESS) << c.first;
    EXPECT_EQ(first_line(s.error_text()), c.second) << c.first;
  }
}

// GETXML writes a query's rows as <ROWSET> of <ROW>s, a column per element, nulls left out.
TEST_F(SuppliedPackages, DbmsXmlgenGetXmlWritesTheRowsOfAQuery) {
  run("create table staff (id number, name varchar2(20), note varchar2(20))");
  run("insert into staff values (1, 'Ann', 'a<b & c>d')");
  run("insert into staff values (2, 'Bob', null)");
  EXPECT_EQ(s.value("select dbms_xmlgen.getxml('select id, name, note from staff order by id') from dual"),
            "<?xml version=\"1.0\"?>\n<ROWSET>\n <ROW>\n  <ID>1</ID>\n  <NAME>Ann</NAME>\n"
            "  <NOTE>a&lt;b &amp; c&gt;d</NOTE>\n </ROW>\n <ROW>\n  <ID>2</ID>\n  <NAME>Bob</NAME>\n </ROW>\n"
            "</ROWSET>\n");
  EXPECT_EQ(s.value("select dbms_xmlgen.getxml('select count(*), 0.5 half from staff') from dual"),
            "<?xml version=\"1.0\"?>\n<ROWSET>\n <ROW>\n  <COUNT_x0028__x002A__x0029_>2</COUNT_x0028__x002A__x0029_>\n"
            "  <HALF>.5</HALF>\n </ROW>\n</ROWSET>\n");
  // A value longer than the 32767 bytes fetched is refused, not cut.
  std::string long_value = "to_clob(rpad(''x'', 4000, ''x''))";
  for (int k = 0; k < 8; ++k) long_value += " || rpad(''y'', 4000, ''y'')";
  EXPECT_NE(s.exec("select dbms_xmlgen.getxml('select " + long_value + " v from dual') from dual"), OCI_SUCCESS);
  EXPECT_EQ(first_line(s.error_text()).substr(0, 9), "ORA-01406");
  EXPECT_EQ(s.value("select dbms_xmlgen.getxml('select * from staff where id > 5') from dual"), "<null>");
  EXPECT_EQ(out("declare c clob; begin c := dbms_xmlgen.getxml('select name from staff where id = 2');"
                " dbms_output.put_line(dbms_lob.getlength(c) || ' ' || dbms_lob.instr(c, '<NAME>Bob')); end;"),
            "75 41");
  const std::pair<const char*, const char*> errors[] = {
      {"select dbms_xmlgen.getxml('select * from nosuch') from dual", "ORA-00942"},
      {"select dbms_xmlgen.getxml('delete from staff') from dual",
       "ORA-19206: Invalid value for query or REF CURSOR parameter"},
      {"select dbms_xmlgen.getxml(null) from dual", "ORA-19206"},
  };
  for (const auto& c : errors) {
    EXPECT_NE(s.exec(c.first), OCI_SUCCESS) << c.first;
    EXPECT_EQ(first_line(s.error_text()).substr(0, std::string(c.second).size()), c.second) << c.first;
  }
  EXPECT_EQ(s.value("select count(*) from staff"), "2");
}

// A DBMS_XMLGEN context: tags, rows to skip and to take (each GETXML the next ones), the
// null handling, the rows processed, and a closed or unknown handle.
TEST_F(SuppliedPackages, DbmsXmlgenContextsPageThroughTheRows) {
  run("create table staff (id number, name varchar2(20), note varchar2(20))");
  for (const char* row : {"1, 'Ann', 'x'", "2, 'Bob', null", "3, 'Cy', 'z'", "4, 'Di', null"})
    run(std::string("insert into staff values (") + row + ")");
  EXPECT_EQ(out("declare ctx number := dbms_xmlgen.newcontext('select id, note from staff order by id');"
                " x clob; begin"
                " dbms_xmlgen.setrowsettag(ctx, 'STAFF'); dbms_xmlgen.setrowtag(ctx, 'P');"
                " dbms_xmlgen.setskiprows(ctx, 1); dbms_xmlgen.setmaxrows(ctx, 2);"
                " dbms_xmlgen.setnullhandling(ctx, dbms_xmlgen.empty_tag);"
                " loop x := dbms_xmlgen.getxml(ctx); exit when dbms_xmlgen.getnumrowsprocessed(ctx) = 0;"
                " dbms_output.put_line(dbms_xmlgen.getnumrowsprocessed(ctx) || ':' || replace(x, chr(10)));"
                " end loop; dbms_output.put_line(nvl(x, 'null'));"
                " dbms_xmlgen.restartquery(ctx); dbms_xmlgen.setskiprows(ctx, 0); dbms_xmlgen.setmaxrows(ctx, 1);"
                " dbms_xmlgen.setrowsettag(ctx, null); dbms_xmlgen.setnullhandling(ctx, dbms_xmlgen.null_attr);"
                " dbms_output.put_line(replace(dbms_xmlgen.getxmltype(ctx).getclobval(), chr(10)));"
                " dbms_xmlgen.closecontext(ctx); end;"),
            "2:<?xml version=\"1.0\"?><STAFF> <P>  <ID>2</ID>  <NOTE/> </P> <P>  <ID>3</ID>  <NOTE>z</NOTE> </P></STAFF>|"
            "1:<?xml version=\"1.0\"?><STAFF> <P>  <ID>4</ID>  <NOTE/> </P></STAFF>|null|"
            "<P> <ID>1</ID> <NOTE>x</NOTE></P>");
  // NULL_ATTR marks a null column and declares the prefix on the rowset; no row element.
  EXPECT_EQ(out("declare ctx number := dbms_xmlgen.newcontext('select note from staff where id = 2');"
                " begin dbms_xmlgen.setnullhandling(ctx, 1); dbms_xmlgen.setrowtag(ctx, null);"
                " dbms_output.put_line(replace(dbms_xmlgen.getxml(ctx), chr(10), '/')); end;"),
            "<?xml version=\"1.0\"?>/<ROWSET xmlns:xsi = \"http://www.w3.org/2001/XMLSchema-instance\">/"
            " <NOTE xsi:nil = \"true\"/>/</ROWSET>/");
  // In SQL too; the query runs when GETXML does.
  const std::string ctx = s.value("select dbms_xmlgen.newcontext('select name from staff where id < 3 order by id')"
                                  " from dual");
  EXPECT_EQ(s.value("select dbms_xmlgen.getxml(" + ctx + ") from dual"),
            "<?xml version=\"1.0\"?>\n<ROWSET>\n <ROW>\n  <NAME>Ann</NAME>\n </ROW>\n <ROW>\n  <NAME>Bob</NAME>\n"
            " </ROW>\n</ROWSET>\n");
  EXPECT_EQ(s.value("select dbms_xmlgen.getnumrowsprocessed(" + ctx + ") from dual"), "2");
  EXPECT_EQ(s.value("select dbms_xmlgen.getxml(" + ctx + ") from dual"), "<null>");
  EXPECT_EQ(s.value("select dbms_xmlgen.getnumrowsprocessed(" + ctx + ") from dual"), "0");
  // SYS_XMLGEN: an element named after the column, ROW for another expression.
  EXPECT_EQ(s.rows("select sys_xmlgen(name), sys_xmlgen(id * 10), sys_xmlgen(note) from staff where id = 2"),
            std::vector<std::string>{"<?xml version=\"1.0\"?>\n<NAME>Bob</NAME>\n|"
                                     "<?xml version=\"1.0\"?>\n<ROW>20</ROW>\n|<null>"});
  EXPECT_EQ(s.value("select extractvalue(sys_xmlgen(name), '/NAME') from staff where id = 1"), "Ann");

  const std::pair<std::string, const char*> errors[] = {
      {"begin dbms_xmlgen.closecontext(" + ctx + "); dbms_xmlgen.closecontext(" + ctx + "); end;", "ORA-19202"},
      {"select dbms_xmlgen.getxml(" + ctx + ") from dual", "ORA-19202"},
      {"begin dbms_xmlgen.setmaxrows(12345, 1); end;", "ORA-19202"},
      {"declare c number := dbms_xmlgen.newcontext('select 1 from dual'); begin dbms_xmlgen.setmaxrows(c, -1); end;",
       "ORA-06502"},
      {"declare c number := dbms_xmlgen.newcontext('select 1 from dual');"
       " begin dbms_xmlgen.setnullhandling(c, 3); end;",
       "ORA-06502"},
      {"select dbms_xmlgen.newcontext(null) from dual", "ORA-19206"},
      {"declare c number := dbms_xmlgen.newcontext('select * from nosuch'); x clob;"
       " begin x := dbms_xmlgen.getxml(c); end;",
       "ORA-00942"},
      {"declare c number := dbms_xmlgen.newcontext('select id from staff'); x clob;"
       " begin dbms_xmlgen.setrowsettag(c, null); x := dbms_xmlgen.getxml(c); end;",
       "ORA-19202"},
      {"select sys_xmlgen() from dual", "ORA-00909"},
  };
  for (const auto& c : errors) {
    EXPECT_NE(s.exec(c.first), OCI_SUCCESS) << c.first;
    EXPECT_EQ(first_line(s.error_text()).substr(0, std::string(c.second).size()), c.second) << c.first;
  }
}

TEST_F(SuppliedPackages, DbmsRandomIsInRangeAndRepeatableAfterSeed) {
  EXPECT_EQ(v("count(*) from (select dbms_random.value(1, 10) x from dual connect by level <= 200)"
              " where x >= 1 and x < 10 "),
            "200");
  EXPECT_EQ(v("count(distinct dbms_random.value) from dual connect by level <= 50"), "50");
  EXPECT_EQ(v("count(*) from (select dbms_random.random r from dual connect by level <= 50)"
              " where r between -2147483648 and 2147483647"),
            "50");
  EXPECT_EQ(v("count(*) from (select dbms_random.normal n from dual connect by level <= 100) where abs(n) < 10"),
            "100");
  const std::vector<std::pair<const char*, const char*>> shapes = {
      {"U", "^[A-Z]{12}$"}, {"l", "^[a-z]{12}$"},          {"A", "^[A-Za-z]{12}$"},
      {"x", "^[A-Z0-9]{12}$"}, {"P", "^[ -~]{12}$"},       {"?", "^[A-Z]{12}$"},
  };
  for (const auto& c : shapes)
    EXPECT_EQ(s.value(std::string("select count(*) from dual where regexp_like(dbms_random.string('") + c.first + "', 12), '" +
                c.second + "')"),
              "1")
        << c.first;
  EXPECT_EQ(v("dbms_random.string('U', 0)"), "<null>");
  EXPECT_EQ(v("length(dbms_random.string('U', 5000))"), "4000");
  std::string first = out("begin dbms_random.seed(42); dbms_output.put_line(dbms_random.value || ' ' ||"
                          " dbms_random.string('A', 8)); end;");
  std::string again = out("begin dbms_random.initialize(7); dbms_random.seed(42); dbms_output.put_line("
                          "dbms_random.value || ' ' || dbms_random.string('A', 8)); dbms_random.terminate; end;");
  EXPECT_EQ(first, again);
  EXPECT_EQ(first.rfind("error", 0), std::string::npos) << first;
  std::string other = out("begin dbms_random.seed('other'); dbms_output.put_line(dbms_random.value); end;");
  EXPECT_NE(first.substr(0, first.find(' ')), other);
  EXPECT_NE(s.exec("select dbms_random.value(1) from dual"), OCI_SUCCESS);
  EXPECT_EQ(first_line(s.error_text()), "ORA-00909: invalid number of arguments");
}

TEST_F(SuppliedPackages, DbmsUtilitySleepAndApplicationInfo) {
  run("create or replace procedure fail_deep as x number; begin x := 1 / 0; end;");
  EXPECT_EQ(out("begin\n fail_deep;\nexception when others then\n"
                " dbms_output.put_line(rtrim(dbms_utility.format_error_stack, chr(10)));\n"
                " dbms_output.put_line(replace(dbms_utility.format_error_backtrace, chr(10), '/'));\nend;"),
            "ORA-01476: divisor is equal to zero|"
            "ORA-06512: at \"SCOTT.FAIL_DEEP\", line 1/ORA-06512: at line 2/");
  EXPECT_EQ(out("declare e exception; begin raise e; exception when e then"
                " dbms_output.put_line(rtrim(dbms_utility.format_error_stack, chr(10))); end;"),
            "ORA-06510: PL/SQL: unhandled user-defined exception");
  EXPECT_EQ(out("begin dbms_output.put_line(nvl(dbms_utility.format_error_stack, 'none')); end;"), "none");
  EXPECT_EQ(out("declare t0 number := dbms_utility.get_time; begin dbms_session.sleep(0.2); dbms_lock.sleep(0.05);"
                " dbms_output.put_line(case when dbms_utility.get_time - t0 between 20 and 200 then 'slept' end); end;"),
            "slept");
  EXPECT_NE(s.exec("begin dbms_session.sleep(-1); end;"), OCI_SUCCESS);
  EXPECT_EQ(s.error_text().substr(0, 9), "ORA-38148");
  EXPECT_EQ(v("nvl(sys_context('USERENV', 'MODULE'), 'unset')"), "unset");
  run("begin dbms_application_info.set_module('loader', 'parse'); dbms_application_info.set_client_info('batch 7');"
      " end;");
  EXPECT_EQ(v("sys_context('USERENV','MODULE') || '/' || sys_context('USERENV','ACTION') || '/' ||"
              " sys_context('USERENV','CLIENT_INFO')"),
            "loader/parse/batch 7");
  run("begin dbms_application_info.set_action(action_name => 'load'); end;");
  EXPECT_EQ(out("declare m varchar2(64); a varchar2(64); begin dbms_application_info.read_module(m, a);"
                " dbms_output.put_line(m || ' ' || a); end;"),
            "loader load");
}

TEST_F(SuppliedPackages, DbmsAssertChecksNamesAndQuotes) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"dbms_assert.noop('any thing')", "any thing"},
      {"dbms_assert.enquote_literal('it''''s')", "'it''s'"},
      {"dbms_assert.enquote_literal('''done''')", "'done'"},
      {"dbms_assert.enquote_literal('it''s')", "error: ORA-06502: PL/SQL: numeric or value error\n"},
      {"dbms_assert.enquote_name('emp')", "\"EMP\""},
      {"dbms_assert.enquote_name('\"Mixed\"')", "\"Mixed\""},
      {"dbms_assert.enquote_name('a\"b')", "error: ORA-06502: PL/SQL: numeric or value error\n"},
      {"dbms_assert.simple_sql_name('  emp_1$ ')", "  emp_1$ "},
      {"dbms_assert.simple_sql_name('\"a \"\" b\"')", "\"a \"\" b\""},
      {"dbms_assert.simple_sql_name('1emp')", "error: ORA-44003: invalid SQL name\n"},
      {"dbms_assert.simple_sql_name('emp; drop table x')", "error: ORA-44003: invalid SQL name\n"},
      {"dbms_assert.simple_sql_name('scott.emp')", "error: ORA-44003: invalid SQL name\n"},
      {"dbms_assert.qualified_sql_name('scott.\"Emp\"@link.world')", "scott.\"Emp\"@link.world"},
      {"dbms_assert.qualified_sql_name('scott..emp')", "error: ORA-44004: invalid qualified SQL name\n"},
      {"dbms_assert.qualified_sql_name('a@b@c')", "error: ORA-44004: invalid qualified SQL name\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
  EXPECT_EQ(out("begin dbms_output.put_line(dbms_assert.enquote_name('t', false)); end;"), "\"t\"");
}

}  // namespace

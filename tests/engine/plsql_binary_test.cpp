// RAW and BLOB values in PL/SQL on the embedded engine: variables, parameters and results
// of those types, their conversions to and from hex text, binds into SQL, UTL_RAW's
// members, DBMS_LOB on BLOB variables and its conversions between BLOB and CLOB, and the
// errors Oracle gives for bad hex, values too long and bad arguments.
#include "oci_session.h"

#include <filesystem>

namespace {

class PlsqlBinary : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string out(const std::string& block) { return server_output_of(s, block); }
  OciSession s;
};

// RAW variables, parameters and results: hex text both ways, the length limit, compares,
// and binds into SQL that store and find RAW columns.
TEST_F(PlsqlBinary, RawVariablesConvertCompareAndBind) {
  run("create table bins (id number, r raw(4), b blob)");
  run("create or replace function xor_key(p raw, k in raw default hextoraw('FF')) return raw is"
      " begin return utl_raw.bit_xor(p, k); end;");
  run("create or replace procedure flip(p in out raw) is begin p := utl_raw.reverse(p); end;");
  EXPECT_EQ(out("declare r raw(4) := hextoraw('0aff'); v varchar2(10); begin v := r;"
                " dbms_output.put_line(v || ' ' || rawtohex(r) || ' ' || utl_raw.length(r));"
                " r := 'C3A4'; dbms_output.put_line(utl_raw.cast_to_varchar2(r)); end;"),
            "0AFF 0AFF 2|ä");
  EXPECT_EQ(out("declare r raw(4) := '0102'; q raw(4) := hextoraw('0102'); begin"
                " if r = q then dbms_output.put_line('eq'); end if;"
                " if r < hextoraw('02') then dbms_output.put_line('lt'); end if;"
                " flip(r); dbms_output.put_line(r || ' ' || xor_key(r) || ' ' || xor_key(r, r)); end;"),
            "eq|lt|0201 FD01 0000");
  EXPECT_EQ(s.value("select xor_key(hextoraw('0F')) from dual"), "F0");
  EXPECT_EQ(out("declare r raw(4) := '0A0B'; n number; begin insert into bins (id, r) values (7, r);"
                " select id into n from bins where r = hextoraw('0a0b'); dbms_output.put_line(n);"
                " select utl_raw.concat(r, '0C') into r from bins where id = 7; dbms_output.put_line(r); end;"),
            "7|0A0B0C");
  EXPECT_EQ(s.value("select rawtohex(r) from bins where id = 7"), "0A0B");
  EXPECT_EQ(out("declare r long raw; begin r := hextoraw('00'); dbms_output.put_line(r); end;"), "00");
  const std::vector<std::pair<const char*, const char*>> errors = {
      {"declare r raw(2); begin r := 'ABCDEF'; end;",
       "ORA-06502: PL/SQL: numeric or value error: raw variable length too long"},
      {"declare r raw(2); begin r := 'XY'; end;",
       "ORA-06502: PL/SQL: numeric or value error: hex to raw conversion error"},
      {"declare r raw(1); begin select r into r from bins where id = 7; end;",
       "ORA-06502: PL/SQL: numeric or value error: raw variable length too long"},
      {"declare v varchar2(3); begin v := hextoraw('0102'); end;",
       "ORA-06502: PL/SQL: numeric or value error: character string buffer too small"},
      {"declare r raw; begin null; end;", "PLS-00215: String length constraints must be in range (1 .. 32767)"},
      {"declare r raw(40000); begin null; end;",
       "PLS-00215: String length constraints must be in range (1 .. 32767)"},
  };
  for (const auto& e : errors) EXPECT_NE(out(e.first).find(e.second), std::string::npos) << e.first << "\n" << out(e.first);
}

TEST_F(PlsqlBinary, UtlRawBitsCompareReverseAndNumbers) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"utl_raw.bit_and('0F0F', 'FF00FF')", "0F00FF"},
      {"utl_raw.bit_or('0F', 'F1')", "FF"},
      {"utl_raw.bit_xor('0F', 'FF')", "F0"},
      {"utl_raw.bit_xor(null, 'FF')", "<null>"},
      {"utl_raw.bit_complement('0F')", "F0"},
      {"utl_raw.compare('0102', '0103')", "2"},
      {"utl_raw.compare('01', '0100')", "0"},
      {"utl_raw.compare('01', '01FF', 'FF')", "0"},
      {"utl_raw.compare('01', '0102')", "2"},
      {"utl_raw.reverse('010203')", "030201"},
      {"utl_raw.reverse(null)", "error: ORA-06502: PL/SQL: numeric or value error\n"},
      {"utl_raw.cast_from_number(1)", "C102"},
      {"utl_raw.cast_from_number(100)", "C202"},
      {"utl_raw.cast_from_number(0.5)", "C033"},
      {"utl_raw.cast_from_number(0)", "80"},
      {"utl_raw.cast_from_number(-1)", "3E6466"},
      {"utl_raw.cast_from_number(-123.45)", "3D644E3866"},
      {"utl_raw.cast_to_number('C102')", "1"},
      {"utl_raw.cast_to_number(utl_raw.cast_from_number(-123.45))", "-123.45"},
      {"utl_raw.cast_to_number(utl_raw.cast_from_number(12345678.9))", "12345678.9"},
      {"utl_raw.cast_to_number('C1FF')", "error: ORA-06502: PL/SQL: numeric or value error\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(s.value(std::string("select ") + c.first + " from dual"), c.second) << c.first;
  EXPECT_EQ(out("declare r raw(8); begin r := utl_raw.bit_or(utl_raw.cast_from_number(7), '00');"
                " dbms_output.put_line(utl_raw.cast_to_number(r) || ' ' || utl_raw.compare(r, 'C109')); end;"),
            "7 2");
}

// BLOB variables: read from and stored into columns, edited by DBMS_LOB (RAW buffers),
// and converted to and from CLOBs with the offsets and warning coming back.
TEST_F(PlsqlBinary, BlobVariablesDbmsLobAndConversions) {
  run("create table pics (id number, b blob)");
  EXPECT_EQ(out("declare b blob; begin dbms_lob.createtemporary(b, true);"
                " dbms_lob.writeappend(b, 2, hextoraw('ABCD')); dbms_lob.append(b, hextoraw('EF'));"
                " dbms_lob.writeappend(b, 1, '10');"
                " dbms_output.put_line(dbms_lob.getlength(b) || ' ' || rawtohex(dbms_lob.substr(b, 3, 2)) || ' ' ||"
                " dbms_lob.instr(b, hextoraw('EF')));"
                " insert into pics values (1, b); b := to_blob(utl_raw.cast_to_raw('hi'));"
                " insert into pics values (2, b); end;"),
            "4 CDEF10 3");
  EXPECT_EQ(s.rows("select id, rawtohex(b), dbms_lob.getlength(b) from pics order by id"),
            (std::vector<std::string>{"1|ABCDEF10|4", "2|6869|2"}));
  EXPECT_EQ(out("declare b blob; begin select b into b from pics where id = 2;"
                " dbms_lob.append(b, utl_raw.cast_to_raw('!')); update pics set b = b where id = 2;"
                " dbms_output.put_line(utl_raw.cast_to_varchar2(dbms_lob.substr(b, 10, 1))); end;"),
            "hi!");
  EXPECT_EQ(out("declare b blob; c clob := 'grüße'; d integer := 1; o integer := 1; l integer := 0; w integer;"
                " begin dbms_lob.createtemporary(b, true);"
                " dbms_lob.converttoblob(b, c, dbms_lob.lobmaxsize, d, o, dbms_lob.default_csid, l, w);"
                " dbms_output.put_line(rawtohex(b) || ' ' || d || ' ' || o || ' ' || w); end;"),
            "6772C3BCC39F65 8 6 0");
  EXPECT_EQ(out("declare c clob; b blob := hextoraw('41C3A4FF42'); d integer := 1; o integer := 2; l integer := 0;"
                " w integer; begin dbms_lob.createtemporary(c, true);"
                " dbms_lob.converttoclob(c, b, 3, d, o, 873, l, w);"
                " dbms_output.put_line(c || ' ' || d || ' ' || o || ' ' || w || ' ' ||"
                " case when w = dbms_lob.warn_inconvertible_char then 'warned' end); end;"),
            "ä? 3 5 1 warned");
  const std::vector<std::pair<const char*, const char*>> errors = {
      {"declare c clob; b blob := hextoraw('41'); d integer := 1; o integer := 1; l integer := 0; w integer;"
       " begin dbms_lob.createtemporary(c, true); dbms_lob.converttoclob(c, b, 9, d, o, 0, l, w); end;",
       "ORA-22993: input amount is greater than actual source amount"},
      {"declare b blob; c clob := 'x'; d integer := 1; o integer := 1; l integer := 0; w integer;"
       " begin dbms_lob.converttoblob(b, c, 1, d, o, 0, l, w); end;",
       "ORA-22275: invalid LOB locator"},
      {"declare b blob := empty_blob(); c clob := 'x'; d integer := 1; o integer := 1; l integer := 0; w integer;"
       " begin dbms_lob.converttoblob(b, c, 1, d, o, 31, l, w); end;",
       "ORA-21560: argument 6 is null, invalid, or out of range"},
      {"declare b blob := empty_blob(); begin dbms_lob.writeappend(b, 1, 'zz'); end;",
       "ORA-06502: PL/SQL: numeric or value error: hex to raw conversion error"},
  };
  for (const auto& e : errors) EXPECT_NE(out(e.first).find(e.second), std::string::npos) << e.first << "\n" << out(e.first);
}

// FORMAT_CALL_STACK: the header, then a frame per running unit (and local subprogram
// call), innermost first, with the line running in it.
TEST_F(PlsqlBinary, CallStackAndDbVersion) {
  run("create or replace procedure inner_p is begin\n"
      "  dbms_output.put(dbms_utility.format_call_stack);\nend;");
  run("create or replace procedure outer_p is\n  procedure loc is begin\n    inner_p;\n  end;\nbegin\n"
      "  loc;\nend;");
  std::string stack = out("begin\n  null;\n  outer_p;\n  dbms_output.new_line;\nend;");
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < stack.size();) {
    std::size_t bar = stack.find('\n', at);
    if (bar == std::string::npos) bar = stack.size();
    lines.push_back(stack.substr(at, bar - at));
    at = bar + 1;
  }
  ASSERT_EQ(lines.size(), 7u) << stack;
  EXPECT_EQ(lines[0], "----- PL/SQL Call Stack -----");
  EXPECT_EQ(lines[1], "  object      line  object");
  EXPECT_EQ(lines[2], "  handle    number  name");
  const std::string user = s.value("select user from dual");
  const std::string frames[] = {"         2  procedure " + user + ".INNER_P", "         3  procedure " + user + ".OUTER_P",
                                "         6  procedure " + user + ".OUTER_P", "         3  anonymous block"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(lines[3 + k].compare(0, 2, "0x"), 0) << lines[3 + k];
    EXPECT_NE(lines[3 + k].find(frames[k]), std::string::npos) << lines[3 + k];
  }
  EXPECT_EQ(out("declare v1 varchar2(40); v2 varchar2(40); begin dbms_utility.db_version(v1, v2);"
                " dbms_output.put_line(v1 || ' ' || v2); end;"),
            "19.0.0.0.0 19.0.0");
  EXPECT_NE(out("begin dbms_utility.no_such_thing; end;").find("PLS-00302"), std::string::npos);
}

}  // namespace

// SQL functions in PL/SQL expressions: every function of the SQL catalogue is called from
// a block with the arguments a query gives it and must answer as the query does, or be
// refused with PLS-00204 where Oracle keeps it to SQL statements; aggregates, analytic
// calls and GROUPING are refused the same way, and stay usable inside embedded SQL.
#include "oci_session.h"

#include "values/sql_dialect.h"

namespace {

class PlsqlSqlFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  // The query's one value, or its first error line.
  std::string sql_value(const std::string& expr) {
    std::vector<std::string> r = s.rows("select " + expr + " from dual");
    if (r.size() == 1 && r[0].rfind("error: ", 0) != 0) return r[0];
    std::string t = s.error_text();
    return "error: " + t.substr(0, t.find('\n'));
  }
  // The same expression assigned in a block and printed, or the block's first error line.
  std::string plsql_value(const std::string& expr) {
    std::string out = server_output_of(
        s, "declare v varchar2(4000); begin v := " + expr + "; dbms_output.put_line(nvl(v, '<null>')); end;");
    if (out.rfind("error: ", 0) == 0) {
      std::string t = out.substr(7);
      // A runtime error: its own record, not ORA-06512; a compile error: the PLS line.
      std::size_t pls = t.find("PLS-");
      if (t.rfind("ORA-06550", 0) == 0 && pls != std::string::npos) t = t.substr(pls);
      return "error: " + t.substr(0, t.find('\n'));
    }
    return out;
  }
  OciSession s;
};

// Arguments a query accepts for each catalogue function, so that the call computes
// something; the rest take '1' for every argument.
std::string arguments_for(const std::string& name, int count) {
  static const std::pair<const char*, const char*> kArgs[] = {
      {"TO_TIMESTAMP", "'2020-01-01 10:00:00','YYYY-MM-DD HH24:MI:SS'"},
      {"TO_TIMESTAMP_TZ", "'2020-01-01 10:00:00 +02:00','YYYY-MM-DD HH24:MI:SS TZH:TZM'"},
      {"TO_DATE", "'2020-01-31','YYYY-MM-DD'"},
      {"ADD_MONTHS", "date '2020-01-31',1"},
      {"LAST_DAY", "date '2020-02-03'"},
      {"NEXT_DAY", "date '2020-02-03','FRIDAY'"},
      {"MONTHS_BETWEEN", "date '2020-03-31',date '2020-01-31'"},
      {"FROM_TZ", "timestamp '2020-01-01 10:00:00','+03:00'"},
      {"SYS_EXTRACT_UTC", "timestamp '2020-01-01 10:00:00 +02:00'"},
      {"TZ_OFFSET", "'-04:30'"},
      {"NUMTODSINTERVAL", "36,'HOUR'"},
      {"NUMTOYMINTERVAL", "14,'MONTH'"},
      {"TO_DSINTERVAL", "'1 02:03:04'"},
      {"TO_YMINTERVAL", "'1-2'"},
      {"SYS_CONTEXT", "'USERENV','CURRENT_SCHEMA'"},
      {"USERENV", "'LANGUAGE'"},
      {"TO_CHAR", "date '2020-01-31','YYYY MM DD'"},
      {"REGEXP_SUBSTR", "'abc123','[0-9]+'"},
      {"REGEXP_INSTR", "'abc123','[0-9]+'"},
      {"REGEXP_REPLACE", "'abc123','[0-9]','#'"},
      {"REGEXP_COUNT", "'abc123','[0-9]'"},
      {"HEXTORAW", "'4142'"},
      {"UTL_RAW.SUBSTR", "hextoraw('414243'),2"},
      {"UTL_RAW.CAST_TO_NUMBER", "'C102'"},
      {"TRANSLATE", "'abc','ab','xy'"},
      {"SUBSTR", "'hello',-3"},
      {"INSTR", "'hello','l'"},
      {"LPAD", "'ab',5"},
      {"RPAD", "'ab',5"},
      {"REPLACE", "'hello','l'"},
      {"ROUND", "2.567,2"},
      {"TRUNC", "2.567,1"},
      {"POWER", "2,10"},
      {"MOD", "17,5"},
      {"CHARTOROWID", "'AAAR3sAAEAAAACXAAA'"},
      {"ROWIDTOCHAR", "chartorowid('AAAR3sAAEAAAACXAAA')"},
      {"DBMS_METADATA.GET_DDL", "'TABLE','CATALOGUE_T'"},
      {"DBMS_METADATA.GET_DEPENDENT_DDL", "'COMMENT','CATALOGUE_T'"},
      {"DBMS_METADATA.GET_GRANTED_DDL", "'ROLE_GRANT'"},
      {"DBMS_XMLGEN.GETXML", "'select 1 x from dual'"},
      {"DBMS_XMLGEN.GETXMLTYPE", "'select 1 x from dual'"},
      {"DBMS_XMLGEN.NEWCONTEXT", "'select 1 x from dual'"},
  };
  for (const auto& a : kArgs) {
    std::string list = a.second;
    int n = 1;
    for (char c : list) n += c == ',';
    if (name == a.first && n == count) return list;
  }
  std::string list;
  for (int i = 0; i < count; ++i) list += i ? ",'1'" : "'1'";
  return list;
}

TEST_F(PlsqlSqlFunctions, EveryCatalogueFunctionAnswersInABlockAsInAQuery) {
  std::vector<DialectFunctionInfo> rows = dialect_function_catalogue();
  ASSERT_GE(rows.size(), 30u);
  // DBMS_METADATA's functions describe a table of the schema.
  ASSERT_EQ(s.exec("create table catalogue_t (a number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("comment on table catalogue_t is 'described'"), OCI_SUCCESS) << s.error_text();
  int computed = 0;
  for (const DialectFunctionInfo& f : rows) {
    int count = f.min_args;
    if (f.name == "TO_TIMESTAMP" || f.name == "TO_TIMESTAMP_TZ" || f.name == "TO_DATE" || f.name == "TO_CHAR" ||
        f.name == "ROUND" || f.name == "TRUNC")
      count = 2;
    std::string call = f.name + "(" + arguments_for(f.name, count) + ")";
    // RAW and BLOB results are compared as their hex text in both languages.
    if (f.name == "HEXTORAW" || f.name == "UTL_RAW.CAST_TO_RAW" || f.name == "UTL_RAW.CONCAT" ||
        f.name == "UTL_RAW.SUBSTR" || f.name == "TO_BLOB")
      call = "rawtohex(" + call + ")";
    // A new GUID each call: compare the shape of the value, 16 bytes.
    if (f.name == "SYS_GUID") call = "length(rawtohex(" + call + "))";
    // A binary value is fetched as number text but converted to text as TO_CHAR writes it.
    if (f.name == "TO_BINARY_DOUBLE" || f.name == "TO_BINARY_FLOAT") call = "to_char(" + call + ")";
    // Random numbers and the clock differ per call: compare that both give a value.
    // So do DBMS_XMLGEN's new context handles.
    if (f.name.rfind("DBMS_RANDOM.", 0) == 0 || f.name == "DBMS_UTILITY.GET_TIME" ||
        f.name == "DBMS_XMLGEN.NEWCONTEXT")
      call = "sign(length(" + call + "))";
    std::string in_sql = sql_value(call);
    std::string in_plsql = plsql_value(call);
    if (!f.plsql) {
      EXPECT_EQ(in_plsql, "error: PLS-00204: function or pseudo-column '" + f.name +
                              "' may be used inside a SQL statement only")
          << call;
      continue;
    }
    EXPECT_EQ(in_plsql, in_sql) << call;
    if (in_sql.rfind("error: ", 0) != 0) ++computed;
  }
  // The arguments above give values, not errors, for nearly all of them.
  EXPECT_GE(computed, static_cast<int>(rows.size()) - 8);
}

TEST_F(PlsqlSqlFunctions, ToTimestampReadsItsMaskInBothLanguages) {
  ASSERT_EQ(s.exec("alter session set nls_timestamp_format='YYYY-MM-DD HH24:MI:SSXFF'"), OCI_SUCCESS);
  EXPECT_EQ(server_output_of(s,
                             "declare x timestamp; begin"
                             " x := to_timestamp('2020-01-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS');"
                             " dbms_output.put_line(x); dbms_output.put_line(x + interval '90' minute); end;"),
            "2020-01-01 10:00:00.000000|2020-01-01 11:30:00.000000");
  EXPECT_EQ(sql_value("to_timestamp('31.12.2019 23:59:58.25','DD.MM.YYYY HH24:MI:SS.FF')"),
            "2019-12-31 23:59:58.250000");
  EXPECT_EQ(sql_value("to_timestamp('2019-12-31 23:59:58.5')"), "2019-12-31 23:59:58.500000");
  EXPECT_EQ(sql_value("to_timestamp(date '2019-12-31')"), "2019-12-31 00:00:00.000000");
  EXPECT_EQ(sql_value("nvl(to_char(to_timestamp('', 'YYYY')), 'null')"), "null");
  EXPECT_EQ(sql_value("to_timestamp('2020-01-01 +02:00','YYYY-MM-DD TZH:TZM')"),
            "error: ORA-01821: date format not recognized");
  EXPECT_EQ(sql_value("to_timestamp('2020-13-01','YYYY-MM-DD')"),
            "error: ORA-01843: not a valid month");
  EXPECT_EQ(sql_value("to_timestamp('a','b','c')"), "error: ORA-12702: invalid NLS parameter string used in SQL function");
  EXPECT_EQ(sql_value("to_timestamp('a','b','c','d')"), "error: ORA-00909: invalid number of arguments");
}

TEST_F(PlsqlSqlFunctions, SqlOnlyCallsAreRefusedAtTheirNameButWorkInEmbeddedSql) {
  EXPECT_EQ(server_output_of(s, "declare x number; begin x := 1 + count(1); end;"),
            "error: ORA-06550: line 1, column 34:\n"
            "PLS-00204: function or pseudo-column 'COUNT' may be used inside a SQL statement only\n"
            "ORA-06550: line 1, column 25:\nPL/SQL: Statement ignored\n");
  const char* refused[][2] = {
      {"max(1)", "MAX"},
      {"rank() over (order by 1)", "RANK"},
      {"sum(1) over ()", "SUM"},
      {"grouping_id(1)", "GROUPING_ID"},
      {"decode(1, 1, 2)", "DECODE"},
      {"nvl2(1, 2, 3)", "NVL2"},
      {"ora_hash('a')", "ORA_HASH"},
      {"nvl(abs(-1), decode(1, 1, 2))", "DECODE"},
  };
  for (const auto& r : refused) {
    std::string out = plsql_value(r[0]);
    EXPECT_EQ(out, std::string("error: PLS-00204: function or pseudo-column '") + r[1] +
                       "' may be used inside a SQL statement only")
        << r[0];
  }
  EXPECT_EQ(plsql_value("if_only"), "error: PLS-00201: identifier 'IF_ONLY' must be declared");
  // Inside SQL statements of a block, the same calls are the query's own.
  EXPECT_EQ(server_output_of(s,
                             "declare x number; y varchar2(10); begin"
                             " select count(*) + max(level), decode(1, 1, 'one') into x, y from dual connect by level <= 3;"
                             " dbms_output.put_line(x || y);"
                             " for r in (select row_number() over (order by 1) n, nvl2(null, 1, 2) m from dual) loop"
                             "   dbms_output.put_line(r.n || r.m); end loop; end;"),
            "6one|12");
  // A block's own function of such a name is its own.
  EXPECT_EQ(server_output_of(s,
                             "declare function decode(a number) return number is begin return a * 2; end;"
                             " begin dbms_output.put_line(decode(21)); end;"),
            "42");
}

}  // namespace

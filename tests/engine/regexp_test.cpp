// Oracle's regular-expression functions on the embedded engine, against the answers of
// Oracle's documentation: the POSIX syntax and its Perl extensions, match parameters,
// character positions, NULL rules and the errors of bad patterns; and the matcher on
// pathological patterns over long inputs, which must end quickly, never crash.
#include "oci_session.h"
#include "values/regexp.h"

#include <chrono>
#include <filesystem>

namespace {

class Regexp : public ::testing::Test {
 public:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  // 'Y' or 'N' for REGEXP_LIKE(args).
  std::string like(const std::string& args) { return v("case when regexp_like(" + args + ") then 'Y' else 'N' end"); }
  OciSession s;
};

struct Case {
  const char* expr;
  const char* expected;
};

void expect_all(Regexp* t, const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(t->v(c.expr), c.expected) << c.expr;
}

TEST_F(Regexp, DocumentedExamplesGiveOraclesAnswers) {
  expect_all(this, {
    {"regexp_substr('500 Oracle Parkway, Redwood Shores, CA', ',[^,]+,')", ", Redwood Shores,"},
    {"regexp_substr('http://www.example.com/products', 'http://([[:alnum:]]+\\.?){3,4}/?')",
     "http://www.example.com/"},
    {"regexp_substr('1234567890', '(123)(4(56)(78))', 1, 1, 'i', 4)", "78"},
    {"regexp_substr('1234567890', '(123)(4(56)(78))', 1, 1, 'i', 0)", "12345678"},
    {"regexp_instr('500 Oracle Parkway, Redwood Shores, CA', '[^ ]+', 1, 6)", "37"},
    {"regexp_instr('500 Oracle Parkway, Redwood Shores, CA', '[s|r|p][[:alpha:]]{6}', 3, 2, 1, 'i')", "28"},
    {"regexp_instr('1234567890', '(123)(4(56)(78))', 1, 1, 0, 'i', 2)", "4"},
    {"regexp_instr('1234567890', '(123)(4(56)(78))', 1, 1, 0, 'i', 4)", "7"},
    {"regexp_instr('1234567890', '(123)(4(56)(78))', 1, 1, 0, 'i', 5)", "0"},
    {"regexp_replace('515.123.4567', '([[:digit:]]{3})\\.([[:digit:]]{3})\\.([[:digit:]]{4})', '(\\1) \\2-\\3')",
     "(515) 123-4567"},
    {"regexp_replace('500   Oracle     Parkway,    Redwood  Shores, CA', '( ){2,}', ' ')",
     "500 Oracle Parkway, Redwood Shores, CA"},
    {"regexp_replace('Chile', '(.)', '\\1 ')", "C h i l e "},
    {"regexp_count('123123123123123', '(12)3', 1, 'i')", "5"},
    {"regexp_count('123123123123', '123', 3, 'i')", "3"},
    {"regexp_count('ABC123', '[A-Z]') || regexp_count('A1B2C3', '[A-Z]')", "33"},
    {"regexp_count('ABC123', '[A-Z][0-9]') || regexp_count('A1B2C3', '[A-Z][0-9]')", "13"},
    {"regexp_count('ABC123', '[A-Z][0-9]{2}') || regexp_count('A1B2C3', '[A-Z][0-9]{2}')", "10"},
    {"regexp_count('ABC123', '([A-Z][0-9]){2}') || regexp_count('A1B2C3', '([A-Z][0-9]){2}')", "01"},
  });
}

TEST_F(Regexp, SyntaxOfClassesQuantifiersAndBackReferences) {
  expect_all(this, {
    {"regexp_substr('aaa', 'a+?') || '|' || regexp_substr('aaa', 'a{2,}?') || '|' || regexp_substr('aaa', 'a??b?')",
     "a|aa|"},
    {"regexp_substr('<b>x</b>', '<.*?>') || regexp_substr('<b>x</b>', '<.*>')", "<b><b>x</b>"},
    {"regexp_substr('abcd', 'a|ab') || '|' || regexp_substr('xabcd', '(b|ab)c')", "a|abc"},
    {"regexp_substr('tel 0711-555', '\\d+-\\d+') || '|' || regexp_substr('a_b1 c', '\\w+')", "0711-555|a_b1"},
    {"regexp_replace('a b\tc', '\\s', '') || '|' || regexp_replace('a1b2', '\\D', '')", "abc|12"},
    {"regexp_substr('x]-y', '[]-]+') || '|' || regexp_substr('a-z', '[a\\-]+')", "]-|a-"},
    {"regexp_count('Hello, World!', '[[:punct:]]') || regexp_count('Hello, World!', '[[:upper:]]')", "22"},
    {"regexp_count('ab 12 FF', '[[:xdigit:]]') || regexp_count('a b', '[[:space:]]')", "61"},
    {"regexp_substr('abcabc xyzxy', '(\\w+)\\1') || '|' || regexp_substr('aa bb cd', '(.)\\1', 1, 2)", "abcabc|bb"},
    {"regexp_count('aàáâb', '[[=a=]]') || regexp_count('eéÉE', '[[=e=]]')", "42"},
    {"regexp_substr('x.y', '[[.-.][.y.]]+') || regexp_substr('a*b', 'a\\*b')", "ya*b"},
    {"regexp_substr('aaaa', 'a{3}') || '|' || regexp_substr('aaaaa', 'a{1,2}') || '|' || regexp_substr('a{b', 'a{b')",
     "aaa|aa|a{b"},
    {"regexp_replace('ab', '^|$', '#') || '|' || regexp_replace('abc', 'x*', '-')", "#ab#|-a-b-c-"},
    {"regexp_instr('abc', '\\Aa') || regexp_instr('abc', 'c\\z') || regexp_instr('abc', 'b\\Z')", "130"},
  });
}

TEST_F(Regexp, MatchParametersChangeCaseLinesAndDot) {
  std::string two_lines = "'one' || chr(10) || 'two'";
  expect_all(this, {
    {"regexp_count('ABCabc', 'abc', 1, 'i') || regexp_count('ABCabc', 'abc', 1, 'c')", "21"},
    {"regexp_count('ABCabc', 'abc', 1, 'ic') || regexp_count('ABCabc', 'abc', 1, 'ci')", "12"},
    {"regexp_count('ABCabc', '[a-c]', 1, 'i') || regexp_count('aA', '(a)\\1', 1, 'i')", "61"},
    {("regexp_count(" + two_lines + ", '^t') || regexp_count(" + two_lines + ", '^t', 1, 'm')").c_str(), "01"},
    {("regexp_count(" + two_lines + ", 'e$') || regexp_count(" + two_lines + ", 'e$', 1, 'm')").c_str(), "01"},
    {("regexp_instr(" + two_lines + ", 'e.t') || regexp_instr(" + two_lines + ", 'e.t', 1, 1, 0, 'n')").c_str(), "03"},
    {"regexp_substr('abc123', 'a b c \\d +', 1, 1, 'x')", "abc123"},
    {"regexp_substr('abc', 'b', 1, 1, null)", "b"},
  });
  const char* email = "'^[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}$'";
  EXPECT_EQ(like(std::string("'j.doe+x@example.co.uk', ") + email), "Y");
  EXPECT_EQ(like(std::string("'j.doe@example', ") + email), "N");
  EXPECT_EQ(v("regexp_replace('  a  b ', '^\\s+|\\s+$', '') || '|' || regexp_replace('(555) 12-34', '[^0-9]')"),
            "a  b|5551234");
  EXPECT_EQ(like("'ABC', 'abc', 'i'"), "Y");
  EXPECT_EQ(like("'ABC', 'abc'"), "N");
}

// Positions, occurrences and results count characters, not bytes.
TEST_F(Regexp, PositionsCountCharacters) {
  expect_all(this, {
    {"regexp_instr('äöü x', 'x')", "5"},
    {"regexp_instr('äöü x', 'ü', 1, 1, 1)", "4"},
    {"regexp_substr('ßaé', '.$') || regexp_substr('ßaé', '^.')", "éß"},
    {"regexp_replace('ääa', 'ä', 'o', 2)", "äoa"},
    {"regexp_count('€€x€', '€', 2)", "2"},
    {"regexp_substr('жёлтый', '[[:alpha:]]{3}', 2)", "ёлт"},
  });
}

TEST_F(Regexp, NullsAndEdgePositions) {
  expect_all(this, {
    {"regexp_substr(null, 'a')", "<null>"},
    {"regexp_substr('a', null)", "<null>"},
    {"regexp_instr('a', null)", "<null>"},
    {"regexp_count('a', null)", "<null>"},
    {"regexp_replace('abc', null, 'x')", "abc"},
    {"regexp_replace('abc', 'b')", "ac"},
    {"regexp_replace('abc', 'b', null)", "ac"},
    {"regexp_replace('aaa', 'a')", "<null>"},
    {"regexp_substr('abc', 'b', null)", "<null>"},
    {"regexp_substr('abc', 'x')", "<null>"},
    {"regexp_substr('abc', 'b', 5)", "<null>"},
    {"regexp_instr('abc', 'b', 5) || regexp_count('abc', 'b', 5)", "00"},
    {"regexp_replace('abc', 'b', 'x', 9)", "abc"},
    {"regexp_substr('abc', '(x)?b', 1, 1, null, 1)", "<null>"},
    {"regexp_instr('abc', 'b', 1, 2)", "0"},
    {"regexp_replace('a.b.c', '\\.', '-', 1, 2)", "a.b-c"},
    {"regexp_replace('a.b.c', '\\.', '-', 1, 0)", "a-b-c"},
    {"regexp_instr('abc', 'b', 1.9)", "2"},
  });
  EXPECT_EQ(like("'abc', null"), "N");
  EXPECT_EQ(v("case when not regexp_like('abc', null) then 'Y' else 'N' end"), "N");
}

TEST_F(Regexp, BadPatternsAndArgumentsGiveOraclesErrors) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"regexp_substr('a', '(a')", "ORA-12725: unmatched parentheses in regular expression"},
      {"regexp_substr('a', 'a)')", "ORA-12725: unmatched parentheses in regular expression"},
      {"regexp_substr('a', '[a')", "ORA-12726: unmatched bracket in regular expression"},
      {"regexp_substr('a', '\\1(a)')", "ORA-12727: invalid back reference in regular expression"},
      {"regexp_substr('a', '[z-a]')", "ORA-12728: invalid range in regular expression"},
      {"regexp_substr('a', '[[:letter:]]')", "ORA-12729: invalid character class in regular expression"},
      {"regexp_substr('a', '[[=ab=]]')", "ORA-12730: invalid equivalence class in regular expression"},
      {"regexp_substr('a', '[[.ab.]]')", "ORA-12731: invalid collation class in regular expression"},
      {"regexp_substr('a', 'a{2,1}')", "ORA-12732: invalid interval value in regular expression"},
      {"regexp_substr('a', 'a{2')", "ORA-12732: invalid interval value in regular expression"},
      {"regexp_substr('a', rpad('a', 600, 'a'))", "ORA-12733: regular expression too long"},
      {"regexp_substr('a', 'a', 1, 1, 'z')", "ORA-01760: illegal argument for function"},
      {"regexp_substr('a', 'a', 0)", "ORA-01428: argument '0' is out of range"},
      {"regexp_instr('a', 'a', 1, 0)", "ORA-01428: argument '0' is out of range"},
      {"regexp_replace('a', 'a', 'b', 1, -1)", "ORA-01428: argument '-1' is out of range"},
      {"regexp_count('a', 'a', -2)", "ORA-01428: argument '-2' is out of range"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c.first), std::string("error: ") + c.second + "\n") << c.first;
  EXPECT_EQ(like("'a', 'a', 'q'"), "error: ORA-01760: illegal argument for function\n");
  EXPECT_EQ(s.exec("select 1 from dual where regexp_like('a')"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 909);
}

// REGEXP_LIKE is a condition wherever one is allowed: WHERE, CASE, CHECK constraints
// and PL/SQL.
TEST_F(Regexp, RegexpLikeIsACondition) {
  run("create table emps (first_name varchar2(20), last_name varchar2(20))");
  run("insert into emps values ('Steven', 'King')");
  run("insert into emps values ('Stephen', 'Stiles')");
  run("insert into emps values ('Stefan', 'De Haan')");
  run("insert into emps values ('Ellen', 'Greenberg')");
  EXPECT_EQ(s.rows("select first_name from emps where regexp_like(first_name, '^Ste(v|ph)en$') order by 1"),
            (std::vector<std::string>{"Stephen", "Steven"}));
  EXPECT_EQ(s.rows("select last_name from emps where regexp_like(last_name, '([aeiou])\\1', 'i') order by 1"),
            (std::vector<std::string>{"De Haan", "Greenberg"}));
  EXPECT_EQ(s.rows("select first_name from emps where not regexp_like(first_name, '^S') or last_name = 'King'"
                   " order by 1"),
            (std::vector<std::string>{"Ellen", "Steven"}));
  run("create table codes (code varchar2(10) constraint code_digits check (regexp_like(code, '^[0-9]{3}$')))");
  run("insert into codes values ('123')");
  EXPECT_EQ(s.exec("insert into codes values ('12a')"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2290);
  EXPECT_EQ(s.value("select count(*) from codes"), "1");
  EXPECT_EQ(server_output_of(s, "declare t varchar2(10) := 'abc'; begin "
                                "if regexp_like(t, '^A', 'i') then dbms_output.put_line('yes'); end if; "
                                "if not regexp_like(t, 'z') then dbms_output.put_line('no z'); end if; "
                                "dbms_output.put_line(regexp_replace(t, '(b)', '[\\1]')); end;"),
            "yes|no z|a[b]c");
}

// The common idiom that splits a list into rows with LEVEL as the occurrence.
TEST_F(Regexp, SplittingAListWithConnectBy) {
  EXPECT_EQ(s.rows("select regexp_substr('a,bb,,c', '[^,]+', 1, level) from dual "
                   "connect by regexp_substr('a,bb,,c', '[^,]+', 1, level) is not null"),
            (std::vector<std::string>{"a", "bb", "c"}));
  EXPECT_EQ(s.rows("select level, regexp_substr('x;y;z', '[^;]+', 1, level) from dual "
                   "connect by level <= regexp_count('x;y;z', ';') + 1"),
            (std::vector<std::string>{"1|x", "2|y", "3|z"}));
}

// A column's pattern changes from row to row: each row uses its own.
TEST_F(Regexp, PatternsFromColumnsAreCompiledPerValue) {
  run("create table pats (p varchar2(20), t varchar2(20))");
  run("insert into pats values ('^a', 'abc')");
  run("insert into pats values ('c$', 'abc')");
  run("insert into pats values ('^c', 'abc')");
  run("insert into pats values ('(', 'abc')");
  EXPECT_EQ(s.rows("select p, regexp_instr(t, p) from pats where p <> '(' order by p"),
            (std::vector<std::string>{"^a|1", "^c|0", "c$|3"}));
  EXPECT_EQ(s.value("select count(regexp_instr(t, p)) from pats"),
            "error: ORA-12725: unmatched parentheses in regular expression\n");
}

// Patterns that backtrack exponentially in a naive matcher: memoised ones stay fast,
// the others stop with ORA-12722 within the step budget; nothing recurses on the input.
TEST(RegexpMatcher, PathologicalPatternsEndQuickly) {
  auto search = [](const std::string& pattern, const std::string& text, std::vector<std::int32_t>* g) {
    Regex re;
    EXPECT_EQ(regex_compile(pattern, RegexFlags(), &re), 0) << pattern;
    RegexSubject s(re, text);
    return s.search(0, g);
  };
  std::vector<std::int32_t> g;
  auto begin = std::chrono::steady_clock::now();
  const std::string as(10000, 'a');
  EXPECT_EQ(search("(a*)*b", as, &g), 0);
  EXPECT_EQ(search("(a|aa)+$", as + "b", &g), 0);
  EXPECT_EQ(search("(a+)+$", as, &g), 1);
  EXPECT_EQ(g[1], 10000);
  EXPECT_EQ(search("(x+x+)+y", std::string(5000, 'x'), &g), 0);
  EXPECT_EQ(search("a*", std::string(200000, 'a'), &g), 1);
  EXPECT_EQ(g[1], 200000);
  EXPECT_EQ(search("(a*)*\\1b", as, &g), -12722);
  EXPECT_EQ(search("((a{1,10}){1,10}){1,10}", "a", &g), 1) << "written out within the size limit";
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(60));
  Regex re;
  EXPECT_EQ(regex_compile("((a{1,200}){1,200}){1,200}", RegexFlags(), &re), 12733);
  EXPECT_EQ(regex_compile(std::string(300, '(') + std::string(300, ')'), RegexFlags(), &re), 12733);
  EXPECT_EQ(regex_compile(std::string(250, '(') + "a" + std::string(250, ')'), RegexFlags(), &re), 0);
}

TEST_F(Regexp, PathologicalPatternThroughSql) {
  run("create table big (c clob)");
  run("insert into big values (rpad('a', 4000, 'a'))");
  run("update big set c = c || c || c");
  EXPECT_EQ(s.value("select length(c) from big"), "12000");
  EXPECT_EQ(s.value("select count(*) from big where regexp_like(c, '(a*)*b')"), "0");
  EXPECT_EQ(s.value("select regexp_instr(c, '(a|aa)+$') from big"), "1");
  EXPECT_EQ(s.value("select regexp_count(c, 'a') from big"), "12000");
}

}  // namespace

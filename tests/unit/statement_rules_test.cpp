// Word splitting, the classification table and the completion rules of statements,
// checked on plain text without a console.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/classify.h"
#include "command/statement_scan.h"
#include "command/words.h"

namespace {

std::vector<std::string> split(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    char* words[kMaxWords] = {};
    const int count = split_words(buffer.data(), words);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i) result.emplace_back(words[i]);
    return result;
}

using Words = std::vector<std::string>;

Classification classify(const std::string& text, bool plsql_flag = false) {
    std::vector<std::string> words = split(text);
    std::vector<const char*> pointers;
    for (const std::string& w : words) pointers.push_back(w.c_str());
    return classify_words(pointers.data(), static_cast<int>(pointers.size()), plsql_flag);
}

StatementKind kind_of(const std::string& text) { return classify(text).kind; }
ClientCommandId command_of(const std::string& text) { return classify(text).command; }

bool complete(const std::string& text, bool plsql_flag = false) {
    return is_complete(classify(text, plsql_flag).completion, text, find_terminator(text));
}

}  // namespace

TEST(SplitWords, SeparatorsAndQuotes) {
    EXPECT_EQ(split("  select\t*\nfrom\r dual  "), (Words{"select", "*", "from", "dual"}));
    EXPECT_EQ(split("exec p(1,2)x"), (Words{"exec", "p", "1,2", "x"}));
    EXPECT_EQ(split("prompt 'a b' \"c 'd' e\""), (Words{"prompt", "a b", "c 'd' e"}));
    // Two adjacent quotes make an empty word.
    EXPECT_EQ(split("define x = '' y"), (Words{"define", "x", "=", "", "y"}));
    // Text before a quote in the same word is dropped, except an "@" word.
    EXPECT_EQ(split("ab'cd ef'gh"), (Words{"cd ef", "gh"}));
    EXPECT_EQ(split("@\"my file.sql\" arg"), (Words{"@", "my file.sql", "arg"}));
    EXPECT_EQ(split("x@'a b'"), (Words{"x@", "a b"}));
    // An unclosed quote yields nothing for its contents.
    EXPECT_EQ(split("select 'abc def"), (Words{"select"}));
    EXPECT_EQ(split(""), Words{});
    EXPECT_EQ(split(" \n\t "), Words{});
}

TEST(SplitWords, StopsAtTenWords) {
    EXPECT_EQ(split("1 2 3 4 5 6 7 8 9 10 11 12").size(), 10u);
    EXPECT_EQ(split("1 2 3 4 5 6 7 8 9 10 11 12").back(), "10");
    EXPECT_EQ(split("1 2 3 4 5 6 7 8 9 '10 ten' 11").back(), "10 ten");
    // The tenth word may be the "@" emitted before a quote.
    EXPECT_EQ(split("1 2 3 4 5 6 7 8 9 @'x'").back(), "@");
}

// Typed names keep their double quotes, and a quoted run with blanks, dots or doubled
// quotes stays in its word, so that the name rules can tell "lower" from LOWER.
TEST(SplitNameWords, QuotedNamesKeepTheirQuotesAndStayWhole) {
    EXPECT_EQ(split_name_words("ddl scott.\"Mixed Name\" table"), (Words{"ddl", "scott.\"Mixed Name\"", "table"}));
    EXPECT_EQ(split_name_words("show errors procedure \"lower_p\""),
              (Words{"show", "errors", "procedure", "\"lower_p\""}));
    EXPECT_EQ(split_name_words("ddl \"a \"\"q\"\" b\".\"c(d)\""), (Words{"ddl", "\"a \"\"q\"\" b\".\"c(d)\""}));
    EXPECT_EQ(split_name_words("  create procedure \"P\"(a number)\tis "),
              (Words{"create", "procedure", "\"P\"", "a", "number", "is"}));
    // Single quotes are no name quotes; an unclosed double quote runs to the end.
    EXPECT_EQ(split_name_words("x 'a b'"), (Words{"x", "'a", "b'"}));
    EXPECT_EQ(split_name_words("ddl \"open end"), (Words{"ddl", "\"open end"}));
    EXPECT_EQ(split_name_words(" \n "), Words{});
    EXPECT_EQ(split_name_words("a b c d", 2), (Words{"a", "b"}));
    EXPECT_EQ(split_name_words("a b", 2), (Words{"a", "b"}));
    EXPECT_EQ(split_name_words("a", 0), Words{});
}

TEST(Classify, DatabaseStatementKinds) {
    EXPECT_EQ(kind_of("begin null; end;"), StatementKind::PlsqlBlock);
    EXPECT_EQ(kind_of("DECLARE x number;"), StatementKind::PlsqlBlock);
    EXPECT_EQ(kind_of("create procedure p"), StatementKind::PlsqlBlock);
    EXPECT_EQ(kind_of("create or replace package body pk"), StatementKind::PlsqlBlock);
    EXPECT_EQ(kind_of("create or replace trigger t"), StatementKind::PlsqlBlock);
    EXPECT_EQ(kind_of("create or replace editionable procedure p"), StatementKind::PlsqlBlock);
    EXPECT_EQ(kind_of("CREATE NONEDITIONABLE PACKAGE pk"), StatementKind::PlsqlBlock);
    EXPECT_EQ(kind_of("create editionable"), StatementKind::OtherSql);
    EXPECT_EQ(kind_of("create or replace"), StatementKind::OtherSql);   // too few words yet
    EXPECT_EQ(kind_of("create table t (a number)"), StatementKind::OtherSql);
    EXPECT_EQ(kind_of("exec p"), StatementKind::Exec);
    EXPECT_EQ(kind_of("Execute p"), StatementKind::Exec);
    EXPECT_EQ(kind_of("exe p"), StatementKind::OtherSql);
    EXPECT_EQ(kind_of("create view v as select 1 from dual"), StatementKind::ObjectDdl);
    EXPECT_EQ(kind_of("create force view v"), StatementKind::ObjectDdl);
    EXPECT_EQ(kind_of("create or replace view v"), StatementKind::ObjectDdl);
    EXPECT_EQ(kind_of("create or replace force view v"), StatementKind::ObjectDdl);
    EXPECT_EQ(kind_of("alter package pk compile body"), StatementKind::ObjectDdl);
    EXPECT_EQ(kind_of("alter table t compile"), StatementKind::OtherSql);
    EXPECT_EQ(kind_of("with q as (select 1 from dual) select * from q"), StatementKind::Query);
    EXPECT_EQ(kind_of("SELECT 1 FROM dual"), StatementKind::Query);
    EXPECT_EQ(kind_of("delete from t"), StatementKind::Dml);
    EXPECT_EQ(kind_of("merge into t"), StatementKind::OtherSql);
    // First match wins: a procedure named "view" is still a PL/SQL unit.
    EXPECT_EQ(kind_of("create procedure view is"), StatementKind::PlsqlBlock);
}

TEST(Classify, ClientCommandSpellings) {
    struct Case {
        const char* text;
        ClientCommandId command;
    };
    const Case accepted[] = {
        {"exit", ClientCommandId::Exit}, {"commit work", ClientCommandId::Commit},
        {"rollback", ClientCommandId::Rollback}, {"ls", ClientCommandId::Dir}, {"DIR x", ClientCommandId::Dir},
        {"r", ClientCommandId::RunLast}, {"/", ClientCommandId::RerunLast}, {"ed", ClientCommandId::Edit},
        {"edit f.sql", ClientCommandId::Edit}, {"desc emp", ClientCommandId::Describe},
        {"describe emp", ClientCommandId::Describe}, {"show err", ClientCommandId::ShowErrors},
        {"show errors package body pk", ClientCommandId::ShowErrors}, {"spool off", ClientCommandId::Spool},
        {"set timing off", ClientCommandId::Set}, {"set", ClientCommandId::Set},
        {"define a=1", ClientCommandId::Define}, {"undef a", ClientCommandId::Undefine},
        {"undefine a", ClientCommandId::Undefine}, {"acc x", ClientCommandId::Accept},
        {"accept x", ClientCommandId::Accept}, {"conn scott/tiger", ClientCommandId::Connect},
        {"disc", ClientCommandId::Disconnect}, {"disconnect", ClientCommandId::Disconnect},
        {"prompt hi", ClientCommandId::Prompt}, {"pro hi", ClientCommandId::Prompt},
        {"def a = 1", ClientCommandId::Define}, {"spoo x", ClientCommandId::Spool}, {"tune", ClientCommandId::Tune},
        {"col x format a10", ClientCommandId::Column}, {"column", ClientCommandId::Column},
        {"show par db", ClientCommandId::ShowParameter}, {"SHOW PARAMETER db", ClientCommandId::ShowParameter},
        {"show user", ClientCommandId::Show}, {"show pa x", ClientCommandId::Show}, {"show", ClientCommandId::Show},
    };
    for (const Case& c : accepted) {
        EXPECT_EQ(kind_of(c.text), StatementKind::ClientCommand) << c.text;
        EXPECT_EQ(command_of(c.text), c.command) << c.text;
    }
    // Spellings outside the lists are SQL for the database.
    const char* refused[] = {"ac x", "dis", "di", "un a", "con x", "des emp", "descri_be x",
                             "e", "exi", "rollback to savepoint a", "sho user", "shows",
                             "set role all", "SET TRANSACTION read only", "set constraints all deferred",
                             "set constraint c deferred", "sp x", "co x", "rems", "pr x", "de x"};
    for (const char* text : refused) {
        EXPECT_EQ(kind_of(text), StatementKind::OtherSql) << text;
        EXPECT_EQ(command_of(text), ClientCommandId::None) << text;
    }
    EXPECT_EQ(command_of("undefi a"), ClientCommandId::Undefine);
    EXPECT_EQ(command_of("undefin a"), ClientCommandId::Undefine);
}

TEST(Classify, ScriptsAndComments) {
    EXPECT_EQ(kind_of("@demo"), StatementKind::Script);
    EXPECT_EQ(kind_of("@@nested.sql x"), StatementKind::Script);
    EXPECT_EQ(kind_of("@\"my file.sql\""), StatementKind::Script);
    EXPECT_EQ(kind_of("-- note"), StatementKind::Comment);
    EXPECT_EQ(kind_of("--note"), StatementKind::Comment);
    EXPECT_EQ(kind_of("REM note"), StatementKind::Comment);
    EXPECT_EQ(classify("rem").completion, Completion::AtOnce);
    EXPECT_EQ(kind_of("/* a"), StatementKind::Comment);
    EXPECT_EQ(classify("/*a").completion, Completion::CommentEnd);
    // The flag of a long open block overrides the words.
    EXPECT_EQ(classify("select 1 from dual", true).kind, StatementKind::PlsqlBlock);
}

TEST(Completion, TerminatorsPerKind) {
    EXPECT_FALSE(complete("select * from dual"));
    EXPECT_TRUE(complete("select * from dual;"));
    EXPECT_TRUE(complete("select * from dual\n;"));
    EXPECT_TRUE(complete("select 1 from dual /"));
    EXPECT_FALSE(complete("select 1 from dual */"));
    EXPECT_TRUE(complete("update t set a = 1 ; \n\t "));
    EXPECT_FALSE(complete("delete from t /* x */"));
    EXPECT_TRUE(complete("create table t (a number);"));
    EXPECT_TRUE(complete("grant select on t to u /"));
    EXPECT_FALSE(complete("grant select on t to u"));
    EXPECT_TRUE(complete("create view v as select 1 from dual /"));
    EXPECT_TRUE(complete("exec p;"));
    EXPECT_FALSE(complete("exec p"));
    EXPECT_FALSE(complete("exec p /"));
    EXPECT_FALSE(complete("commit"));
    EXPECT_TRUE(complete("commit;"));
    EXPECT_TRUE(complete("commit /"));
    EXPECT_FALSE(complete("rollback"));
    EXPECT_TRUE(complete("rollback;"));
    EXPECT_TRUE(complete("exit"));
    EXPECT_TRUE(complete("desc emp"));
    EXPECT_TRUE(complete("show par db"));
    // A carriage return is an ordinary character, not a blank.
    EXPECT_EQ(find_terminator("select 1;\r").character, '\r');
    EXPECT_EQ(find_terminator(" \n\t").character, '\n');
    EXPECT_EQ(find_terminator(" \n\t").index, -1);
    EXPECT_EQ(find_terminator("a; \n").index, 1);
}

TEST(Completion, PlsqlBlockEnd) {
    EXPECT_FALSE(complete("begin null; end;"));
    EXPECT_TRUE(complete("begin null; end;\n/"));
    EXPECT_TRUE(complete("begin null; end; /"));                 // a "/" ending a code line
    EXPECT_FALSE(complete("begin null; end;\n-- x /"));          // "--" on the last line
    EXPECT_TRUE(complete("begin -- a\nnull; end;\n/"));          // "--" on an earlier line
    EXPECT_FALSE(complete("begin null; end; /* open\n/"));       // unclosed "/*"
    EXPECT_TRUE(complete("begin /* a */ null; /* b */ end;\n/"));
    EXPECT_FALSE(complete("begin /* a */ null; /* b end;\n/"));
    EXPECT_FALSE(complete("begin null; end; /* x */"));          // slash closing a comment
    EXPECT_FALSE(complete("create or replace procedure p is begin null; end;"));
    EXPECT_TRUE(complete("create or replace procedure p is begin null; end;\n/"));
    EXPECT_FALSE(complete("begin null; end;\n/\n;"));
    // A query with PL/SQL declarations ends only at a "/" line; a factor named FUNCTION does not.
    const std::string with_function = "with function f(n number) return number is begin return n * 2; end;\n"
                                      "select f(1) from dual";
    EXPECT_EQ(kind_of(with_function), StatementKind::Query);
    EXPECT_FALSE(complete(with_function + ";"));
    EXPECT_TRUE(complete(with_function + "\n/"));
    EXPECT_FALSE(complete("with procedure p is begin null; end;"));
    EXPECT_TRUE(complete("with function as (select 1 from dual) select * from function;"));
    EXPECT_TRUE(complete("with function (a) as (select 1 from dual) select * from function;"));
    // The same for the query of a view or of CREATE TABLE ... AS.
    for (const char* head : {"create view v as ", "create or replace force view v (a) as ",
                             "create table t as "}) {
        const std::string text = std::string(head) + with_function;
        EXPECT_FALSE(complete(text + ";")) << head;
        EXPECT_TRUE(complete(text + "\n/")) << head;
    }
    EXPECT_EQ(kind_of("create view v as " + with_function), StatementKind::ObjectDdl);
    EXPECT_TRUE(complete("create view v as with function as (select 1 from dual) select * from function;"));
    EXPECT_TRUE(complete("create table t as with w as (select 1 a from dual) select * from w;"));
    EXPECT_TRUE(complete("create table function (a number);"));
    // DML with the WITH_PLSQL hint that declares PL/SQL, in the first ten words or later.
    const std::string insert = "insert /*+ with_plsql */ into t " + with_function;
    EXPECT_EQ(kind_of(insert), StatementKind::Dml);
    EXPECT_FALSE(complete(insert + ";"));
    EXPECT_TRUE(complete(insert + "\n/"));
    EXPECT_FALSE(complete("INSERT /*+WITH_PLSQL*/ INTO t (a, b) WITH FUNCTION f RETURN NUMBER IS BEGIN RETURN 1; END;"));
    const std::string update = "update /*+ with_plsql */ emp e set e.sal = (with function f(n number) return number"
                               " is begin return n; end; select f(1) from dual)";
    EXPECT_FALSE(complete(update + ";"));
    EXPECT_TRUE(complete(update + "\n/"));
    // Without the hint, or with another hint, or without a declaration, ";" still ends it.
    EXPECT_TRUE(complete("insert into t with function as (select 1 from dual) select * from function;"));
    EXPECT_TRUE(complete("insert /*+ append */ into t with function f return number is begin return 1; end;"));
    EXPECT_TRUE(complete("update /*+ with_plsql */ t set a = 1;"));
    EXPECT_TRUE(complete("insert /*+ with_plsql */ into t with w as (select 1 from dual) select * from w;"));
}

TEST(Completion, CommentEnd) {
    EXPECT_FALSE(comment_is_complete("/* a"));
    EXPECT_TRUE(comment_is_complete("/* a\nb */"));
    EXPECT_TRUE(comment_is_complete("/* a */ \r\n\t"));
    EXPECT_FALSE(comment_is_complete("/* a */ x"));
    EXPECT_TRUE(comment_is_complete("/**/"));
}

// A terminator inside a literal, a quoted identifier or a comment is text of the
// statement: the statement goes on until a terminator stands in code.
TEST(Completion, TerminatorInsideLiteralsAndCommentsDoesNotCount) {
    EXPECT_FALSE(complete("comment on table t is 'Does not store addresses /"));
    EXPECT_TRUE(complete("comment on table t is 'Does not store addresses /\nlocations of customers.';"));
    EXPECT_FALSE(complete("insert into t values ('a;"));
    EXPECT_TRUE(complete("insert into t values ('a;\nb');"));
    EXPECT_FALSE(complete("select 'it''s;"));                 // a doubled quote stays inside
    EXPECT_TRUE(complete("select 'it''s' from dual;"));
    EXPECT_FALSE(complete("select q'[a ';"));                 // q-quotes end only at ]'
    EXPECT_FALSE(complete("select q'[a ]' ;' x from dual /"));   // q'[a ]' then a plain literal
    EXPECT_TRUE(complete("select q'[a ';\n]' from dual;"));
    EXPECT_FALSE(complete("select Q'{x};"));
    EXPECT_TRUE(complete("select nq'!a;!' from dual;"));
    EXPECT_FALSE(complete("select q'<a>;"));
    EXPECT_TRUE(complete("select 'x' q from dual;"));         // an alias q is no q-quote
    EXPECT_TRUE(complete("select aq'x' from dual;"));         // nor is a q inside a name
    EXPECT_FALSE(complete("select 1 \"a;"));                  // quoted identifier
    EXPECT_TRUE(complete("select 1 \"a;\" from dual;"));
    EXPECT_FALSE(complete("select 1 from dual -- done;"));    // line comment
    EXPECT_TRUE(complete("select 1 -- note;\nfrom dual;"));
    EXPECT_FALSE(complete("select 1 from dual /* still;"));
    EXPECT_TRUE(complete("select 1 /* a; */ from dual;"));
    EXPECT_FALSE(complete("commit -- later;"));
    EXPECT_FALSE(complete("exec p('x;"));
    EXPECT_TRUE(complete("exec p('x;\ny');"));
}

TEST(Completion, PlsqlBlockEndOutsideLiterals) {
    EXPECT_FALSE(complete("begin x := 'a\n/"));
    EXPECT_TRUE(complete("begin x := 'a\n/\n'; end;\n/"));
    EXPECT_FALSE(complete("begin x := q'[\n/"));
    EXPECT_TRUE(complete("begin x := 'a--b'; end; /"));       // "--" inside a literal is no comment
    EXPECT_FALSE(complete("begin null; end; -- x /"));
    EXPECT_TRUE(complete("begin x := '/*'; end;\n/"));        // "/*" inside a literal opens nothing
}

TEST(StatementScan, StatesAtPositions) {
    EXPECT_EQ(scan_state_at_end("select 'a"), ScanState::Literal);
    EXPECT_EQ(scan_state_at_end("select 'a'"), ScanState::Code);
    EXPECT_EQ(scan_state_at_end("select q'(a)"), ScanState::QLiteral);
    EXPECT_EQ(scan_state_at_end("select q'(a)'"), ScanState::Code);
    EXPECT_EQ(scan_state_at_end("select \"x"), ScanState::Identifier);
    EXPECT_EQ(scan_state_at_end("x -- y"), ScanState::LineComment);
    EXPECT_EQ(scan_state_at_end("x -- y\n"), ScanState::Code);
    EXPECT_EQ(scan_state_at_end("x /* y"), ScanState::BlockComment);
    EXPECT_EQ(scan_state_at_end("x /* y */"), ScanState::Code);
    EXPECT_EQ(scan_state_at("x 'a' y", 3), ScanState::Literal);
    EXPECT_EQ(scan_state_at("", 5), ScanState::Code);
}

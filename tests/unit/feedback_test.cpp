// Feedback texts chosen from a statement's words, and the last compiled object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/feedback.h"
#include "command/statement.h"
#include "command/words.h"

namespace {

struct Messages {
    std::string progress, done;
};

Messages messages_for(StatementKind kind, const std::string& statement) {
    std::vector<char> buffer(statement.begin(), statement.end());
    buffer.push_back('\0');
    char* words[kMaxWords];
    const int count = split_words(buffer.data(), words);
    StatementJob job;
    job.kind = kind;
    job.text = statement;
    feedback_fill_messages(&job, words, count);
    return {job.progress_message, job.done_message};
}

TEST(Feedback, PlainSqlNamesTypeInLowerAndNameInUpperCase) {
    Messages m = messages_for(StatementKind::OtherSql, "create table emp (a number)");
    EXPECT_EQ(m.progress, "Creating table EMP");
    EXPECT_EQ(m.done, "table EMP created");
    m = messages_for(StatementKind::OtherSql, "DROP Sequence s1");
    EXPECT_EQ(m.done, "sequence S1 dropped");
    m = messages_for(StatementKind::OtherSql, "create public synonym syn for emp");
    EXPECT_EQ(m.done, "public synonym SYN created");
    m = messages_for(StatementKind::OtherSql, "create global temporary table gt (a number) on commit delete rows");
    EXPECT_EQ(m.done, "table GT created");
    m = messages_for(StatementKind::OtherSql, "comment on column emp.ename is 'x'");
    EXPECT_EQ(m.done, "comment on column EMP.ENAME created");
    m = messages_for(StatementKind::OtherSql, "rename a to b");
    EXPECT_EQ(m.done, "Object A is renamed to B");
    m = messages_for(StatementKind::OtherSql, "lock table emp in exclusive mode");
    EXPECT_EQ(m.done, "table EMP is locked");
    m = messages_for(StatementKind::OtherSql, "truncate table \"Mixed\"");
    EXPECT_EQ(m.done, "table MIXED truncated");
}

TEST(Feedback, RowsThatDoNotMatchLeaveBothMessagesEmpty) {
    for (const char* statement : {"drop type t", "create unique index i on t(a)", "savepoint a b",
                                  "rename a b c", "show user", "rename a to b c"}) {
        const Messages m = messages_for(StatementKind::OtherSql, statement);
        EXPECT_EQ(m.progress, "") << statement;
        EXPECT_EQ(m.done, "") << statement;
    }
    EXPECT_EQ(messages_for(StatementKind::OtherSql, "savepoint sp1").done, "savepoint SP1 set");
    EXPECT_EQ(messages_for(StatementKind::OtherSql, "rollback to sp1").done, "Rollback complete");
    EXPECT_EQ(messages_for(StatementKind::OtherSql, "grant select on t to u").done, "Grant succeeded");
}

TEST(Feedback, StoredUnitsKeepTheirNameAndBecomeTheLastCompiledObject) {
    Messages m = messages_for(StatementKind::PlsqlBlock, "create or replace package body pk is");
    EXPECT_EQ(m.progress, "Creating package body pk");
    EXPECT_EQ(m.done, "Package body pk created");
    EXPECT_EQ(last_compiled_object().type, "PACKAGE BODY");
    EXPECT_EQ(last_compiled_object().name, "pk");

    m = messages_for(StatementKind::PlsqlBlock, "create function f(a number) return number");
    EXPECT_EQ(m.done, "Function f created");
    EXPECT_EQ(last_compiled_object().type, "FUNCTION");

    m = messages_for(StatementKind::ObjectDdl, "alter package pk compile body");
    EXPECT_EQ(m.progress, "Altering package body pk");
    EXPECT_EQ(last_compiled_object().type, "PACKAGE BODY");
    m = messages_for(StatementKind::ObjectDdl, "alter type t compile");
    EXPECT_EQ(m.done, "Type t altered");
    m = messages_for(StatementKind::ObjectDdl, "create or replace force view v as select 1 from dual");
    EXPECT_EQ(m.done, "View v created");
    EXPECT_EQ(last_compiled_object().type, "VIEW");

    // Anonymous blocks leave the last compiled object alone.
    m = messages_for(StatementKind::PlsqlBlock, "declare x number; begin null; end;");
    EXPECT_EQ(m.done, "PL/SQL procedure successfully completed");
    EXPECT_EQ(last_compiled_object().name, "v");
}

// EDITIONABLE and NONEDITIONABLE do not change which unit row a statement takes.
TEST(Feedback, EditionableUnitsTakeTheirUnitsRow) {
    const struct {
        const char* statement;
        const char* done;
    } cases[] = {
        {"create or replace editionable procedure p is", "Procedure p created"},
        {"create noneditionable package body pk as", "Package body pk created"},
        {"create editionable trigger tr before insert on t", "Trigger tr created"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(messages_for(StatementKind::PlsqlBlock, c.statement).done, c.done) << c.statement;
    messages_for(StatementKind::PlsqlBlock, "create or replace editionable function \"Fx\" return number");
    EXPECT_EQ(last_compiled_object().type, "FUNCTION");
    EXPECT_EQ(last_compiled_object().name, "\"Fx\"");
}

TEST(Feedback, QueriesDmlAndExec) {
    EXPECT_EQ(messages_for(StatementKind::Query, "select * from dual").done, "\r%d row%s selected");
    EXPECT_EQ(messages_for(StatementKind::Dml, "UPDATE t set a = 1").done, "updated");
    EXPECT_EQ(messages_for(StatementKind::Dml, "insert into t values (1)").done, "inserted");
    EXPECT_EQ(messages_for(StatementKind::Dml, "delete t").progress, "");
    EXPECT_EQ(messages_for(StatementKind::Exec, "exec p").progress, "Executing PL/SQL procedure");
}

TEST(Feedback, LongNamesAreCutToTheMessageBufferAndNeverActAsFormats) {
    const std::string name(800, 'n');
    const Messages m = messages_for(StatementKind::OtherSql, "create table " + name);
    EXPECT_EQ(m.done.size(), static_cast<size_t>(kMessageSize - 1));
    EXPECT_EQ(messages_for(StatementKind::OtherSql, "drop table \"%s%n\"").done, "table %S%N dropped");
}

}  // namespace

// show errors looks the last unit up by its name as typed: quotes and owner stay, while
// the messages show the name as the split words give it.
TEST(Feedback, TheLastCompiledObjectKeepsQuotesAndOwnerAsTyped) {
    Messages m = messages_for(StatementKind::PlsqlBlock, "create or replace procedure \"lower_p\" is");
    EXPECT_EQ(m.done, "Procedure lower_p created");
    EXPECT_EQ(last_compiled_object().name, "\"lower_p\"");
    messages_for(StatementKind::PlsqlBlock, "create package body scott.\"Mixed Pk\" as");
    EXPECT_EQ(last_compiled_object().type, "PACKAGE BODY");
    EXPECT_EQ(last_compiled_object().name, "scott.\"Mixed Pk\"");
    messages_for(StatementKind::PlsqlBlock, "create function \"F\"(a number) return number");
    EXPECT_EQ(last_compiled_object().name, "\"F\"");
    messages_for(StatementKind::ObjectDdl, "alter package \"pk\" compile body");
    EXPECT_EQ(last_compiled_object().type, "PACKAGE BODY");
    EXPECT_EQ(last_compiled_object().name, "\"pk\"");
}

// The DDL writers on a real session of the embedded engine, through the headless front
// end's schema pane: the exact text of every object of the demo schema (and of the
// objects that cover the writers' other cases), and a round trip: the DDL of a whole
// schema run as a script into an empty schema recreates the same dictionary rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "console_harness.h"
#include "oci/db_session.h"
#include "oci/oci_schema.h"
#include "oci/oci_schema_query.h"
#include "platform/platform.h"
#include "test_home.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const bool kFreshHome = use_fresh_vantro_home();
const fs::path kDdlDir = fs::path(VANTRO_DDL_DIR);
const fs::path kDemoScript = fs::path(VANTRO_DEMO_DIR) / "demo.sql";

class SchemaDdlTest : public ConsoleTest {
protected:
    void SetUp() override {
        const fs::path library = fs::path(VANTRO_BINARY_DIR) / VANTRO_ENGINE_FILE;
        if (!fs::exists(library)) GTEST_SKIP() << "the embedded OCI library is not built";
        test_support::set_env("VANTRO_OCI_LIB", library.string().c_str());
        ConsoleTest::SetUp();
        run("set serveroutput off");
        run("set autotrace off");
        database_ = test_support::unique_name("ddl");
        connect("scott");
    }

    void TearDown() override {
        if (!console) return;
        db_disconnect();
        ConsoleTest::TearDown();
    }

    void run(const std::string& line) {
        front.type(line + "\n");
        ASSERT_TRUE(front.wait_idle(120000)) << line;
    }
    void connect(const std::string& user) {
        run("connect " + user + "/" + user + "@" + database_);
        ASSERT_EQ(session_open.load(), 1) << front.screen();
    }
    void build_source_schema() {
        run("@" + kDemoScript.string());
        run("@" + (kDdlDir / "ddl_objects.sql").string());
    }

    // The pane text of one writer call, and the writer's status.
    std::string ddl_of(const char* owner, const char* type, const char* name, int* status = nullptr) {
        front.schema_text.clear();
        const int result = schema_show_ddl(nullptr, owner, type, name);
        if (status) *status = result;
        return front.schema_text;
    }

    // Every row of a query, its columns joined by " | " (NULL shown as <null>).
    std::vector<std::string> rows_of(const std::string& sql, int columns) {
        std::vector<std::string> out;
        front.schema_text.clear();
        SchemaQuery query(nullptr, "schema_ddl_tests");
        std::vector<std::vector<char>> buffers(static_cast<size_t>(columns), std::vector<char>(4001));
        std::vector<sb2> nulls(static_cast<size_t>(columns), -1);
        if (query.open(sql.c_str(), __LINE__)) {
            ADD_FAILURE() << sql << ": " << front.schema_text;
            return out;
        }
        for (int i = 0; i < columns; ++i)
            if (query.define_text(static_cast<ub4>(i + 1), buffers[static_cast<size_t>(i)].data(), 4001,
                                  &nulls[static_cast<size_t>(i)], __LINE__)) {
                ADD_FAILURE() << sql << ": " << front.schema_text;
                return out;
            }
        if (query.execute(__LINE__)) {
            ADD_FAILURE() << sql << ": " << front.schema_text;
            return out;
        }
        bool failed = false;
        while (query.next_row(__LINE__, &failed)) {
            std::string row;
            for (int i = 0; i < columns; ++i) {
                if (i) row += " | ";
                row += nulls[static_cast<size_t>(i)] == -1 ? "<null>" : buffers[static_cast<size_t>(i)].data();
            }
            out.push_back(row);
        }
        EXPECT_FALSE(failed) << sql << ": " << front.schema_text;
        return out;
    }

    std::string database_;
};

// ---- the writers' exact texts ---------------------------------------------------------

TEST_F(SchemaDdlTest, EveryObjectOfTheDemoSchemaHasItsExactText) {
    build_source_schema();
    std::string all;
    for (const std::string& row : rows_of("select object_type, object_name from user_objects order by object_type, "
                                          "object_name",
                                          2)) {
        const size_t bar = row.find(" | ");
        const std::string type = row.substr(0, bar), name = row.substr(bar + 3);
        int status = -1;
        const std::string text = ddl_of("SCOTT", type.c_str(), name.c_str(), &status);
        EXPECT_EQ(status, 0) << type << " " << name << ": " << text;
        all += "-- " + type + " " + name + "\n" + text;
    }
    all += "-- PUBLIC SYNONYM DEPARTMENTS\n" + ddl_of("PUBLIC", "SYNONYM", "DEPARTMENTS");
    const std::string expected = read_file((kDdlDir / "schema_ddl.expected").string());
    if (all != expected) {
        std::ofstream((fs::path(VANTRO_BINARY_DIR) / "schema_ddl.actual").string(), std::ios::binary) << all;
        EXPECT_EQ(all, expected) << "actual text in " << VANTRO_BINARY_DIR << "/schema_ddl.actual";
    }
}

TEST_F(SchemaDdlTest, TypesWithoutAWriterAndMissingObjectsSayWhy) {
    int status = -1;
    EXPECT_EQ(ddl_of("SCOTT", "DATABASE LINK", "L", &status), "Feature not implemented yet: DATABASE LINK");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ddl_of("SCOTT", "TABLE", "", &status), "");
    EXPECT_EQ(status, -1);
    // No such object: the dictionary has no row, which is reported in the pane and
    // nothing of the statement is written.
    for (const char* type : {"TABLE", "INDEX", "SEQUENCE", "SYNONYM", "TRIGGER", "VIEW"}) {
        const std::string text = ddl_of("SCOTT", type, "NO_SUCH_OBJECT", &status);
        EXPECT_EQ(status, -1) << type;
        EXPECT_NE(text.find("ORA-01403"), std::string::npos) << type << ": " << text;
        EXPECT_EQ(text.find("CREATE"), std::string::npos) << type << ": " << text;
    }
    // A statement worker of another thread owns the session: nothing is read.
    busy_thread_id.store(platform_current_thread_id() + 1);
    EXPECT_EQ(ddl_of("SCOTT", "TABLE", "EMP", &status), "A statement is running; try again when it has finished\n");
    busy_thread_id.store(0);
    EXPECT_EQ(status, -1);
    // Stored source without lines: the prefix, the closing line feed, the slash line.
    EXPECT_EQ(ddl_of("SCOTT", "PROCEDURE", "NO_SUCH_OBJECT", &status), "create or replace \n/\nshow err\n");
    EXPECT_EQ(status, 0);
}

TEST_F(SchemaDdlTest, LongStoredSourceIsReadInBatchesWithNothingLost) {
    // 2500 lines: three fetches of 1000, 1000 and 500; 1000 lines: a second, empty fetch.
    for (int lines : {2500, 1000}) {
        std::string body = "create or replace procedure long_" + std::to_string(lines) + " is\n  n number;\nbegin\n";
        for (int i = 0; i < lines - 4; ++i) body += "  n := " + std::to_string(i) + ";\n";
        body += "end;";
        const fs::path script = fs::path(VANTRO_BINARY_DIR) / (database_ + "-long.sql");
        std::ofstream(script.string(), std::ios::binary) << body << "\n/\n";
        run("@" + script.string());
        fs::remove(script);
        const std::string name = "LONG_" + std::to_string(lines);
        int status = -1;
        const std::string text = ddl_of("SCOTT", "PROCEDURE", name.c_str(), &status);
        EXPECT_EQ(status, 0);
        // The stored lines are the unit as typed after "create or replace ".
        EXPECT_EQ(text, body + "\n/\nshow err\n") << name;
    }
}

std::vector<std::string> g_names_written;
int record_name(void*, const char* owner, const char* name) {
    g_names_written.push_back(std::string(owner) + "." + name);
    return g_names_written.size() == 1500 ? -1 : 0;
}

TEST_F(SchemaDdlTest, NameRunnerFetchesInBatchesAndStopsAtAFailingWriter) {
    const auto names = [](int count) {
        return "select 'N'||to_char(level) from dual where :schema_name is not null and :object_name is not null "
               "connect by level <= " +
               std::to_string(count);
    };
    // Short of, exactly at and past one batch of 1000 (exactly 1000 needs one more, empty
    // fetch), and well into a second batch.
    for (int count : {999, 1000, 1001, 1499}) {
        g_names_written.clear();
        EXPECT_EQ(schema_for_each_name(nullptr, names(count).c_str(), "SCOTT", "T", record_name), 0) << count;
        ASSERT_EQ(g_names_written.size(), static_cast<size_t>(count)) << front.schema_text;
        EXPECT_EQ(g_names_written.front(), "SCOTT.N1");
        EXPECT_EQ(g_names_written.back(), "SCOTT.N" + std::to_string(count));
    }
    g_names_written.clear();
    EXPECT_EQ(schema_for_each_name(nullptr, names(2500).c_str(), "SCOTT", "T", record_name), -1);
    EXPECT_EQ(g_names_written.size(), 1500u) << "the names after a failing writer are not written";
}

// ---- the terminal's ddl command ------------------------------------------------------

TEST_F(SchemaDdlTest, DdlCommandResolvesNamesLikeDescribeAndSpoolsTheText) {
    build_source_schema();
    const auto output_of = [&](const std::string& line) {
        const size_t before = rows().size();
        run(line);
        std::string text;
        const std::vector<std::string> all = rows();
        for (size_t i = before; i + 1 < all.size(); ++i) text += all[i] + "\n";
        return text;
    };
    EXPECT_EQ(output_of("ddl"), "Usage: ddl [owner.]object [type]\n");
    // A name without a type: the object itself, or a synonym's target.
    EXPECT_EQ(output_of("ddl emp_seq"), ddl_of("SCOTT", "SEQUENCE", "EMP_SEQ"));
    EXPECT_EQ(output_of("ddl employees"), ddl_of("SCOTT", "TABLE", "EMP"));
    EXPECT_EQ(output_of("ddl scott.ix_emp_mgr;"), ddl_of("SCOTT", "INDEX", "IX_EMP_MGR"));
    // The type word chooses: a package or its body, a synonym rather than its target,
    // PUBLIC's synonym when the user has none of that name.
    EXPECT_EQ(output_of("ddl emp_admin"), ddl_of("SCOTT", "PACKAGE", "EMP_ADMIN"));
    EXPECT_EQ(output_of("ddl emp_admin package body"), ddl_of("SCOTT", "PACKAGE BODY", "EMP_ADMIN"));
    EXPECT_EQ(output_of("ddl employees synonym"), ddl_of("SCOTT", "SYNONYM", "EMPLOYEES"));
    EXPECT_EQ(output_of("ddl departments synonym"), ddl_of("PUBLIC", "SYNONYM", "DEPARTMENTS"));
    EXPECT_EQ(output_of("ddl no_such_object"), "Object NO_SUCH_OBJECT does not exist\n");
    EXPECT_EQ(output_of("ddl emp view"), "Object SCOTT.EMP of type VIEW does not exist\n");

    const fs::path spool = fs::path(VANTRO_BINARY_DIR) / (database_ + "-ddl.lst");
    run("spool " + spool.string());
    run("ddl emp_dept");
    run("spool off");
    const std::string spooled = read_file(spool.string());
    fs::remove(spool);
    std::string expected = ddl_of("SCOTT", "VIEW", "EMP_DEPT");
    for (size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2) expected.replace(at, 1, "\r\n");
    EXPECT_NE(spooled.find(expected), std::string::npos) << spooled;

    db_disconnect();
    EXPECT_EQ(output_of("ddl emp"), "Not connected to a database\n");
}

// ddl reads quoted names as written, with or without an owner and a type word.
TEST_F(SchemaDdlTest, DdlCommandKeepsTheCaseOfQuotedNames) {
    run("create table \"lower\" (a number);");
    run("create table \"Mixed\" (b number);");
    run("create table upper_t (c number);");
    const auto output_of = [&](const std::string& line) {
        const size_t before = rows().size();
        run(line);
        std::string text;
        const std::vector<std::string> all = rows();
        for (size_t i = before; i + 1 < all.size(); ++i) text += all[i] + "\n";
        return text;
    };
    const std::string lower = ddl_of("SCOTT", "TABLE", "lower"), mixed = ddl_of("SCOTT", "TABLE", "Mixed"),
                      upper = ddl_of("SCOTT", "TABLE", "UPPER_T");
    ASSERT_NE(lower.find("CREATE TABLE \"lower\""), std::string::npos) << lower;
    EXPECT_EQ(output_of("ddl \"lower\""), lower);
    EXPECT_EQ(output_of("ddl scott.\"lower\" table"), lower);
    EXPECT_EQ(output_of("ddl scott.\"Mixed\""), mixed);
    EXPECT_EQ(output_of("ddl \"SCOTT\".\"Mixed\" table;"), mixed);
    EXPECT_EQ(output_of("ddl Upper_T"), upper);
    EXPECT_EQ(output_of("ddl \"upper_t\""), "Object upper_t does not exist\n");
    EXPECT_EQ(output_of("ddl lower"), "Object LOWER does not exist\n");
    EXPECT_EQ(output_of("ddl scott.\"mixed\""), "Object SCOTT.mixed does not exist\n");
    EXPECT_EQ(output_of("ddl \"Mixed\" view"), "Object SCOTT.Mixed of type VIEW does not exist\n");
}

// Names of up to 128 bytes come out whole in every writer, never cut to an old 30.
TEST_F(SchemaDdlTest, LongNamesAreWrittenWhole) {
    const std::string table(100, 'T'), column(128, 'C'), key(128, 'K'), index(128, 'I'), foreign(128, 'F'),
        synonym(128, 'S');
    run("create table " + table + " (" + column + " number constraint " + key + " primary key, r number);");
    run("alter table " + table + " add constraint " + foreign + " foreign key (r) references " + table + ";");
    run("create index " + index + " on " + table + " (r);");
    run("create synonym " + synonym + " for " + table + ";");
    int status = -1;
    const std::string text = ddl_of("SCOTT", "TABLE", table.c_str(), &status);
    EXPECT_EQ(status, 0) << text;
    for (const std::string* name : {&table, &column, &key, &index, &foreign})
        EXPECT_NE(text.find("\"" + *name + "\""), std::string::npos) << name->substr(0, 1) << "\n" << text;
    EXPECT_NE(text.find("REFERENCES \"" + table + "\""), std::string::npos) << text;
    const std::string synonym_text = ddl_of("SCOTT", "SYNONYM", synonym.c_str(), &status);
    EXPECT_EQ(status, 0) << synonym_text;
    EXPECT_NE(synonym_text.find("\"SCOTT\".\"" + table + "\""), std::string::npos) << synonym_text;
}

TEST_F(SchemaDdlTest, ATriggerBodyLongerThanItsBufferIsRefusedNotCut) {
    run("create table t (a number);");
    // A body of more than 32000 characters does not fit the fetch buffer: the writer
    // says so in the pane and writes no statement rather than a shortened one.
    std::string body = "begin\n";
    while (body.size() < 33000) body += "  :new.a := nvl(:new.a, 0) + 1;\n";
    body += "end;";
    const fs::path script = fs::path(VANTRO_BINARY_DIR) / (database_ + "-trigger.sql");
    std::ofstream(script.string(), std::ios::binary)
        << "create or replace trigger t_long before insert on t for each row\n"
        << body << "\n/\n";
    run("@" + script.string());
    fs::remove(script);
    int status = 0;
    const std::string text = ddl_of("SCOTT", "TRIGGER", "T_LONG", &status);
    EXPECT_EQ(status, -1);
    EXPECT_NE(text.find("ORA-01406"), std::string::npos) << text.substr(0, 300);
    EXPECT_EQ(text.find("CREATE"), std::string::npos);
}

// ---- the round trip -----------------------------------------------------------------

// The dictionary rows a schema's DDL must reproduce. System-generated constraint names
// differ by nature, so constraints are keyed by their content, not their name.
struct DictionaryQuery {
    const char* sql;
    int columns;
};
const DictionaryQuery kDictionaryQueries[] = {
    {"select table_name, column_name, data_type, data_length, data_precision, data_scale, nullable, column_id, "
     "data_default from user_tab_columns order by table_name, column_id",
     9},
    {"select c.table_name, c.constraint_type, decode(c.generated,'USER NAME',c.constraint_name,'(generated)'), "
     "c.search_condition, (select r.table_name from user_constraints r where r.constraint_name=c.r_constraint_name), "
     "c.delete_rule, c.status, c.deferrable, c.deferred, c.validated from user_constraints c order by 1, 2, 3, 4",
     10},
    {"select c.table_name, c.constraint_type, decode(c.generated,'USER NAME',c.constraint_name,'(generated)'), "
     "c.search_condition, k.column_name, k.position from user_constraints c, user_cons_columns k where "
     "k.constraint_name=c.constraint_name order by 1, 2, 3, 4, 6",
     6},
    {"select index_name, index_type, table_name, uniqueness, tablespace_name, pct_free, ini_trans, initial_extent "
     "from user_indexes order by index_name",
     8},
    {"select index_name, table_name, column_name, column_position from user_ind_columns order by index_name, "
     "column_position",
     4},
    {"select sequence_name, min_value, max_value, increment_by, cycle_flag, order_flag, cache_size, last_number from "
     "user_sequences order by sequence_name",
     8},
    {"select synonym_name, table_owner, table_name, db_link from user_synonyms order by synonym_name", 4},
    {"select trigger_name, trigger_type, triggering_event, table_name, when_clause, status, description, "
     "trigger_body from user_triggers order by trigger_name",
     8},
    {"select view_name, text_length, text from user_views order by view_name", 3},
    // A trigger's stored text begins with the writer's own upper-case keywords; the
    // words' case is all that may differ.
    {"select name, type, line, decode(type,'TRIGGER',upper(text),text) from user_source order by name, type, line", 4},
    {"select object_name, object_type, status from user_objects order by object_name, object_type", 3},
    {"select table_name, tablespace_name, pct_free, ini_trans, initial_extent, next_extent from user_tables order "
     "by table_name",
     6},
};

TEST_F(SchemaDdlTest, DdlOfAWholeSchemaRecreatesItsDictionaryRowsInAnEmptySchema) {
    build_source_schema();
    // The script: sequences and types first, tables in an order in which every foreign
    // key finds its table, then views, synonyms, stored code and triggers. Indexes come
    // with their tables; PUBLIC's synonyms are not the schema's.
    std::vector<std::string> tables;
    std::map<std::string, std::set<std::string>> needs;
    for (const std::string& row : rows_of("select table_name from user_tables order by table_name", 1))
        tables.push_back(row);
    for (const std::string& row :
         rows_of("select c.table_name, r.table_name from user_constraints c, user_constraints r where "
                 "c.constraint_type='R' and r.constraint_name=c.r_constraint_name",
                 2)) {
        const size_t bar = row.find(" | ");
        if (row.substr(0, bar) != row.substr(bar + 3)) needs[row.substr(0, bar)].insert(row.substr(bar + 3));
    }
    std::string script;
    const auto add = [&](const char* type, const std::string& name) {
        int status = -1;
        script += ddl_of("SCOTT", type, name.c_str(), &status);
        EXPECT_EQ(status, 0) << type << " " << name;
    };
    const auto add_all = [&](const char* type) {
        for (const std::string& name : rows_of(std::string("select object_name from user_objects where "
                                                           "object_type='") +
                                                   type + "' order by object_name",
                                               1))
            add(type, name);
    };
    add_all("SEQUENCE");
    add_all("TYPE");
    add_all("TYPE BODY");
    std::set<std::string> written;
    while (written.size() < tables.size()) {
        const size_t before = written.size();
        for (const std::string& table : tables) {
            if (written.count(table)) continue;
            bool ready = true;
            for (const std::string& other : needs[table]) ready = ready && written.count(other) > 0;
            if (!ready) continue;
            add("TABLE", table);
            written.insert(table);
        }
        ASSERT_GT(written.size(), before) << "foreign keys form a cycle";
    }
    for (const char* type : {"VIEW", "SYNONYM", "FUNCTION", "PROCEDURE", "PACKAGE", "PACKAGE BODY", "TRIGGER"})
        add_all(type);

    std::map<int, std::vector<std::string>> source_rows;
    for (size_t i = 0; i < sizeof kDictionaryQueries / sizeof kDictionaryQueries[0]; ++i)
        source_rows[static_cast<int>(i)] = rows_of(kDictionaryQueries[i].sql, kDictionaryQueries[i].columns);

    const fs::path file = fs::path(VANTRO_BINARY_DIR) / (database_ + "-schema.sql");
    std::ofstream(file.string(), std::ios::binary) << script;
    connect("copy");
    ASSERT_TRUE(rows_of("select object_name from user_objects", 1).empty()) << "the second schema is not empty";
    run("@" + file.string());
    const std::string screen = front.screen();
    EXPECT_EQ(screen.find("\nORA-"), std::string::npos) << screen;
    for (size_t i = 0; i < sizeof kDictionaryQueries / sizeof kDictionaryQueries[0]; ++i) {
        const std::vector<std::string> copy = rows_of(kDictionaryQueries[i].sql, kDictionaryQueries[i].columns);
        const std::vector<std::string>& source = source_rows[static_cast<int>(i)];
        std::string differences;
        for (const std::string& row : source)
            if (std::find(copy.begin(), copy.end(), row) == copy.end())
                differences += "  only in the source: " + row + "\n";
        for (const std::string& row : copy)
            if (std::find(source.begin(), source.end(), row) == source.end())
                differences += "  only in the copy: " + row + "\n";
        EXPECT_EQ(copy, source) << kDictionaryQueries[i].sql << "\n" << differences << "script in " << file.string();
    }
}

}  // namespace

namespace {

TEST(WildcardMatch, StarsQuestionMarksSetsAndEscapes) {
    // The one pattern in use: the checks the database keeps for NOT NULL columns.
    const char* not_null = "\"*\" IS NOT NULL";
    EXPECT_TRUE(wildcard_match(not_null, "\"ENAME\" IS NOT NULL"));
    EXPECT_TRUE(wildcard_match(not_null, "\"\" IS NOT NULL"));
    EXPECT_FALSE(wildcard_match(not_null, "ENAME IS NOT NULL")) << "a user's own check, unquoted";
    EXPECT_FALSE(wildcard_match(not_null, "\"ENAME\" IS NOT NULL AND \"JOB\" > 0")) << "further text";
    EXPECT_FALSE(wildcard_match(not_null, "\"ENAME\" is not null")) << "case-sensitive";
    // A star backtracks: the last matching quote is found.
    EXPECT_TRUE(wildcard_match(not_null, "\"A\" IS NOT NULL\" IS NOT NULL"));

    EXPECT_TRUE(wildcard_match("a?c", "abc"));
    EXPECT_FALSE(wildcard_match("a?c", "ac"));
    EXPECT_TRUE(wildcard_match("*", ""));
    EXPECT_TRUE(wildcard_match("a*", "a"));
    EXPECT_FALSE(wildcard_match("", "a"));
    EXPECT_TRUE(wildcard_match("[a-c]x", "bx"));
    EXPECT_TRUE(wildcard_match("[c-a]x", "bx")) << "a descending range is taken ascending";
    EXPECT_FALSE(wildcard_match("[!a-c]x", "bx"));
    EXPECT_TRUE(wildcard_match("[^a-c]x", "dx"));
    EXPECT_TRUE(wildcard_match("[\\]]", "]"));
    EXPECT_TRUE(wildcard_match("\\*", "*"));
    EXPECT_FALSE(wildcard_match("\\*", "a"));
    // Malformed patterns never match, even where a star could swallow the rest.
    EXPECT_FALSE(wildcard_match("[]", "a"));
    EXPECT_FALSE(wildcard_match("*[a", "xa"));
    EXPECT_FALSE(wildcard_match("a\\", "a"));
    EXPECT_FALSE(wildcard_match("*\\", "abc"));
}

}  // namespace

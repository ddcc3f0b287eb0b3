// The workload of the crash test (crash_test.sh), and its checker. `run FIRST SEED`
// inserts rows numbered from FIRST into T in batches, each committed, with DDL every few
// batches, and writes to standard output what it starts and what the engine
// acknowledged; the script kills it at a random moment. `check LOG` reads every run's
// log and checks the database: each acknowledged batch is whole, an unacknowledged one
// is whole or absent (its commit may have finished just before the kill), no other row
// exists, each acknowledged table exists, every table of USER_TABLES can be queried,
// the dictionary names exactly each table's real columns, an acknowledged ALTER TABLE
// on columns holds, and SQLite finds both files intact.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "oci_session.h"

namespace {

const char* const kDatabase = "crash";

// One line, written at once, so that a kill never cuts it.
void say(const std::string& line) {
    const std::string text = line + "\n";
    if (write(1, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::exit(3);
}

[[noreturn]] void give_up(const std::string& what, OciSession& s) {
    std::fprintf(stderr, "%s: %s\n", what.c_str(), s.error_text().c_str());
    std::exit(2);
}

void must(OciSession& s, const std::string& sql) {
    if (s.exec(sql) != OCI_SUCCESS) give_up(sql, s);
}

int run(long first, unsigned seed) {
    OciSession s;
    if (!s.oci || s.connect("scott", "tiger", kDatabase) != OCI_SUCCESS) give_up("connect", s);
    if (s.exec("create table t (n number, pad varchar2(100))") != OCI_SUCCESS && s.error_code() != 955)
        give_up("create table t", s);
    std::mt19937 random(seed);
    long next = first;
    std::string previous;
    for (int batch = 1;; ++batch) {
        const long size = 1 + static_cast<long>(random() % 20);
        say("begin " + std::to_string(next) + " " + std::to_string(next + size - 1));
        for (long n = next; n < next + size; ++n)
            must(s, "insert into t values (" + std::to_string(n) + ", rpad('x', " + std::to_string(n % 100) + ", 'y'))");
        must(s, "commit");
        say("commit " + std::to_string(next));
        if (batch % 4 == 0) {
            const std::string name = "D" + std::to_string(next);
            must(s, "create table " + name + " (n number primary key, s varchar2(20) default 'z')");
            say("table " + name);
            must(s, "insert into " + name + " (n) values (" + std::to_string(next) + ")");
            must(s, "commit");
            // Column DDL: each step commits the schema file and the catalog apart.
            const char* const kSteps[][2] = {{"add (c2 varchar2(10))", "C2"},
                                             {"rename column c2 to c3", "C3"},
                                             {"drop column c3", "-"}};
            for (const auto& step : kSteps) {
                say(std::string("altering ") + name + " " + step[1]);
                must(s, "alter table " + name + " " + step[0]);
                say(std::string("altered ") + name + " " + step[1]);
            }
            if (!previous.empty()) {
                say("dropping " + previous);
                must(s, "drop table " + previous);
                say("dropped " + previous);
            }
            previous = name;
        }
        next += size;
    }
}

bool intact(const std::string& file) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    sqlite3_stmt* vm = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &vm, nullptr) == SQLITE_OK &&
         sqlite3_step(vm) == SQLITE_ROW &&
         std::string(reinterpret_cast<const char*>(sqlite3_column_text(vm, 0))) == "ok";
    if (!ok) std::fprintf(stderr, "%s is damaged: %s\n", file.c_str(), sqlite3_errmsg(db));
    sqlite3_finalize(vm);
    sqlite3_close(db);
    return ok;
}

// The columns of a table as its schema file has them, read past the engine.
std::vector<std::string> real_columns(const std::string& file, const std::string& table) {
    std::vector<std::string> names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* vm = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1) ORDER BY cid", -1, &vm, nullptr) ==
            SQLITE_OK) {
            sqlite3_bind_text(vm, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(vm) == SQLITE_ROW)
                names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(vm, 0)));
        }
        sqlite3_finalize(vm);
    }
    sqlite3_close(db);
    return names;
}

int check(const std::string& log) {
    const char* home = std::getenv("VANTRO_HOME");
    const std::string folder = std::string(home ? home : ".") + "/databases/" + kDatabase;

    std::map<long, long> batches;  // first -> last
    std::set<long> committed;
    // Acknowledged created (true), or its drop begun (false: it may exist or not).
    std::map<std::string, bool> tables;
    // Per table: the extra column its last acknowledged ALTER left ("-" none, "" no
    // ALTER yet), and the one an unacknowledged ALTER was making.
    struct Columns {
        std::string acked, pending;
    };
    std::map<std::string, Columns> extra;
    std::ifstream in(log);
    std::string word;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        fields >> word;
        if (word == "begin") {
            long a = 0, b = 0;
            fields >> a >> b;
            batches[a] = b;
        } else if (word == "commit") {
            long a = 0;
            fields >> a;
            committed.insert(a);
        } else if (word == "altering" || word == "altered") {
            std::string name, column;
            fields >> name >> column;
            Columns& c = extra[name];
            if (word == "altered") c.acked = column;
            c.pending = word == "altering" ? column : "";
        } else if (word == "table" || word == "dropping" || word == "dropped") {
            std::string name;
            fields >> name;
            tables[name] = word == "table";
        }
    }
    // Killed before its first acknowledgement, the first run may not have made the files.
    if (committed.empty() && access((folder + "/SCOTT.db").c_str(), F_OK) != 0) return 0;
    if (!intact(folder + "/catalog.db") || !intact(folder + "/SCOTT.db")) return 1;
    OciSession s;
    if (!s.oci || s.connect("scott", "tiger", kDatabase) != OCI_SUCCESS) give_up("connect after the kill", s);
    std::set<long> rows;
    // Killed before its first acknowledged DDL, the first run may have left no table T.
    const bool has_t = s.value("select count(*) from user_tables where table_name = 'T'") == "1";
    if (!has_t && !committed.empty()) {
        std::fprintf(stderr, "table T is missing\n");
        return 1;
    }
    if (has_t)
        for (const std::string& r : s.rows("select n from t")) rows.insert(std::atol(r.c_str()));
    if (has_t && s.value("select count(*) - count(distinct n) from t") != "0") {
        std::fprintf(stderr, "a row was stored twice\n");
        return 1;
    }
    int faults = 0;
    std::size_t accounted = 0;
    for (const auto& [a, b] : batches) {
        long present = 0;
        for (long n = a; n <= b; ++n) present += rows.count(n);
        accounted += static_cast<std::size_t>(present);
        const long size = b - a + 1;
        if (committed.count(a) && present != size) {
            std::fprintf(stderr, "acknowledged batch %ld-%ld has %ld of its rows\n", a, b, present);
            ++faults;
        } else if (present != 0 && present != size) {
            std::fprintf(stderr, "unacknowledged batch %ld-%ld is half there (%ld rows)\n", a, b, present);
            ++faults;
        }
    }
    if (accounted != rows.size()) {
        std::fprintf(stderr, "%zu rows belong to no batch\n", rows.size() - accounted);
        ++faults;
    }
    std::set<std::string> listed;
    for (const std::string& name : s.rows("select table_name from user_tables")) {
        listed.insert(name);
        if (s.exec("select count(*) from " + name) != OCI_SUCCESS) {
            std::fprintf(stderr, "table %s cannot be queried: %s\n", name.c_str(), s.error_text().c_str());
            ++faults;
        }
    }
    for (const std::string& name : s.rows("select distinct table_name from user_tab_columns"))
        if (!listed.count(name) && s.value("select count(*) from user_views where view_name = '" + name + "'") == "0") {
            std::fprintf(stderr, "columns of %s, which does not exist\n", name.c_str());
            ++faults;
        }
    for (const std::string& name : listed) {
        const std::vector<std::string> real = real_columns(folder + "/SCOTT.db", name);
        const std::vector<std::string> known =
            s.rows("select column_name from user_tab_columns where table_name = '" + name + "' order by column_id");
        if (real != known) {
            std::fprintf(stderr, "the dictionary's columns of %s are not the table's\n", name.c_str());
            ++faults;
        }
        auto it = extra.find(name);
        if (it == extra.end() || it->second.acked.empty()) continue;
        const std::string have = real.size() > 2 ? real[2] : "-";
        if (have != it->second.acked && have != it->second.pending) {
            std::fprintf(stderr, "%s has column %s, acknowledged %s\n", name.c_str(), have.c_str(),
                         it->second.acked.c_str());
            ++faults;
        }
    }
    for (const auto& [name, created] : tables)
        if (created && !listed.count(name)) {
            std::fprintf(stderr, "acknowledged table %s is missing\n", name.c_str());
            ++faults;
        }
    std::printf("%zu rows in %zu batches (%zu acknowledged), %zu tables: %s\n", rows.size(), batches.size(),
                committed.size(), listed.size(), faults ? "FAULTS" : "consistent");
    return faults ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run" && argc == 4) return run(std::atol(argv[2]), static_cast<unsigned>(std::atol(argv[3])));
    if (mode == "check" && argc == 3) return check(argv[2]);
    std::fprintf(stderr, "usage: crash_workload run FIRST SEED | check LOG\n");
    return 2;
}

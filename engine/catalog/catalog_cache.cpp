// Per-connection bookkeeping of the catalog: kept lookup statements and the catalog's
// generation. A connection's bookkeeping is found by its sqlite3 pointer in one table of
// the library; the lock around that table is taken once per lookup, never while SQLite
// runs.
#include "catalog/catalog_cache.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// Kept statements per connection: enough for every fixed lookup of the engine; lookups
// whose text is built from names (per schema) beyond this are prepared each time.
constexpr std::size_t kMaxKept = 256;
// Tables whose columns are remembered per connection; more start the memory afresh.
constexpr std::size_t kMaxTables = 1024;

struct Kept {
    sqlite3_stmt* vm = nullptr;
    bool in_use = false;
};

struct Connection {
    sqlite3* db = nullptr;
    std::unordered_map<std::string, std::unique_ptr<Kept>> kept;
    std::uint64_t prepared = 0;
    std::uint64_t generation = 1;
    bool dirty = false;                    // catalog rows written and not yet committed or rolled back
    long long data_version = -1;           // PRAGMA main.data_version when last read (other connections' commits)
    unsigned file_version = 0;             // the pager's data version of main (every commit, ours included)
    int pins = 0;                          // CatalogPin objects alive
    bool pin_checked = false;              // the data version was read since the outermost pin began
    std::uint64_t columns_generation = 0;  // the generation the remembered columns belong to
    std::unordered_map<std::string, std::vector<ColumnInfo>> columns;
    std::uint64_t answers_generation = 0;  // the generation the remembered answers belong to
    std::unordered_map<std::string, std::string> answers;
    std::uint64_t attached_generation = 0;  // the generation the attached names belong to
    std::vector<std::string> attached;      // names of the attached databases, sorted
    bool wal = false;         // the catalog file is in WAL mode (readers and one writer at once)
    sqlite3* side = nullptr;  // a second connection to the catalog file, opened on first use
    CatalogDomain domain;     // whose privileges the statements use
};

std::mutex registry_mutex;
std::unordered_map<sqlite3*, std::unique_ptr<Connection>>& registry() {
    static std::unordered_map<sqlite3*, std::unique_ptr<Connection>> connections;
    return connections;
}

Connection* connection(sqlite3* db) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    auto it = registry().find(db);
    return it == registry().end() ? nullptr : it->second.get();
}

// Rows of the main database's tables are the catalog, except the two whose values change
// with use rather than with DDL: sequence values and the session counter.
void on_update(void* data, int, const char* database, const char* table, sqlite3_int64) {
    if (std::strcmp(database, "main") != 0) return;
    if (std::strcmp(table, "vantro_sequences") == 0 || std::strcmp(table, "vantro_sessions") == 0) return;
    static_cast<Connection*>(data)->dirty = true;
}

sqlite3_stmt* prepare(Connection* c, sqlite3* db, const std::string& sql) {
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), c ? SQLITE_PREPARE_PERSISTENT : 0, &vm,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(vm);
        return nullptr;
    }
    if (c) ++c->prepared;
    return vm;
}

}  // namespace

void catalog_cache_attach(sqlite3* db) {
    auto c = std::make_unique<Connection>();
    c->db = db;
    sqlite3_update_hook(db, on_update, c.get());
    std::lock_guard<std::mutex> lock(registry_mutex);
    registry()[db] = std::move(c);
}

void catalog_close(sqlite3* db) {
    if (!db) return;
    std::unique_ptr<Connection> c;
    {
        std::lock_guard<std::mutex> lock(registry_mutex);
        auto it = registry().find(db);
        if (it != registry().end()) {
            c = std::move(it->second);
            registry().erase(it);
        }
    }
    if (c) {
        for (auto& k : c->kept) sqlite3_finalize(k.second->vm);
        sqlite3_update_hook(db, nullptr, nullptr);
        sqlite3_close_v2(c->side);
    }
    sqlite3_close_v2(db);
}

void catalog_cache_set_wal(sqlite3* db, bool wal) {
    if (Connection* c = connection(db)) c->wal = wal;
}

sqlite3* catalog_side_connection(sqlite3* db) {
    Connection* c = connection(db);
    // Without WAL the second connection could not write while this one reads, and while
    // this one holds the catalog's write lock it would wait for itself.
    if (!c || !c->wal || sqlite3_txn_state(db, "main") == SQLITE_TXN_WRITE) return nullptr;
    if (c->side) return c->side;
    const char* path = sqlite3_db_filename(db, "main");
    if (!path || !*path) return nullptr;
    sqlite3* side = nullptr;
    if (sqlite3_open_v2(path, &side, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(side);
        return nullptr;
    }
    sqlite3_busy_timeout(side, 5000);
    sqlite3_extended_result_codes(side, 1);
    c->side = side;
    return side;
}

void catalog_cache_invalidate(sqlite3* db) {
    if (Connection* c = connection(db)) ++c->generation;
}

std::uint64_t catalog_generation(sqlite3* db) {
    Connection* c = connection(db);
    if (!c) return 0;
    if (c->dirty) {
        // The writes are committed or undone once main's write transaction is over.
        if (sqlite3_txn_state(db, "main") == SQLITE_TXN_WRITE) return 0;
        c->dirty = false;
        ++c->generation;
    }
    // The pager's data version of main changes with every commit to the file, ours
    // and other connections' alike; it notices another connection's commit when it
    // takes its read lock. While this connection holds that lock nobody else can
    // commit, so the version is current; without it, reading the data version takes
    // the lock (and gives it back outside a transaction) and brings it up to date.
    if (c->pins > 0 && c->pin_checked) return c->generation;
    c->pin_checked = c->pins > 0;
    long long version = c->data_version;
    if (sqlite3_txn_state(db, "main") == SQLITE_TXN_NONE) {
        CatalogStatement q(db, "PRAGMA main.data_version");
        if (q.row()) version = q.column_int64(0);
    }
    unsigned file_version = c->file_version;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &file_version);
    if (version != c->data_version || file_version != c->file_version) {
        c->data_version = version;
        c->file_version = file_version;
        ++c->generation;
    }
    return c->generation;
}

bool catalog_remembered_columns(sqlite3* db, std::uint64_t generation, const std::string& key,
                                std::vector<ColumnInfo>* columns) {
    Connection* c = connection(db);
    if (!c || generation == 0 || c->columns_generation != generation) return false;
    auto it = c->columns.find(key);
    if (it == c->columns.end()) return false;
    *columns = it->second;
    return true;
}

void catalog_remember_columns(sqlite3* db, std::uint64_t generation, const std::string& key,
                              const std::vector<ColumnInfo>& columns) {
    Connection* c = connection(db);
    if (!c || generation == 0) return;
    if (c->columns_generation != generation || c->columns.size() >= kMaxTables) {
        c->columns.clear();
        c->columns_generation = generation;
    }
    c->columns[key] = columns;
}

bool catalog_remembered_answer(sqlite3* db, std::uint64_t generation, const std::string& key, std::string* answer) {
    Connection* c = connection(db);
    if (!c || generation == 0 || c->answers_generation != generation) return false;
    auto it = c->answers.find(key);
    if (it == c->answers.end()) return false;
    *answer = it->second;
    return true;
}

void catalog_remember_answer(sqlite3* db, std::uint64_t generation, const std::string& key, const std::string& answer) {
    Connection* c = connection(db);
    if (!c || generation == 0) return;
    if (c->answers_generation != generation || c->answers.size() >= kMaxTables) {
        c->answers.clear();
        c->answers_generation = generation;
    }
    c->answers[key] = answer;
}

bool catalog_schema_attached(sqlite3* db, const std::string& name) {
    const std::uint64_t generation = catalog_generation(db);
    Connection* c = connection(db);
    if (!c || generation == 0) {
        CatalogStatement q(db, "SELECT 1 FROM pragma_database_list WHERE name=?1");
        q.text(1, name);
        return q.row();
    }
    if (c->attached_generation != generation) {
        c->attached.clear();
        CatalogStatement q(db, "SELECT name FROM pragma_database_list");
        while (q.row()) c->attached.push_back(q.column(0));
        std::sort(c->attached.begin(), c->attached.end());
        c->attached_generation = generation;
    }
    return std::binary_search(c->attached.begin(), c->attached.end(), name);
}

std::uint64_t catalog_statements_prepared(sqlite3* db) {
    Connection* c = connection(db);
    return c ? c->prepared : 0;
}

void catalog_set_domain(sqlite3* db, const std::string& user) {
    if (Connection* c = connection(db)) c->domain = CatalogDomain{user, true};
}

CatalogDomain catalog_domain(sqlite3* db) {
    Connection* c = connection(db);
    return c ? c->domain : CatalogDomain();
}

CatalogDefiner::CatalogDefiner(sqlite3* db, const std::string& owner) : db_(db) {
    if (Connection* c = connection(db)) {
        saved_ = c->domain;
        c->domain = CatalogDomain{owner, false};
    }
}

CatalogDefiner::~CatalogDefiner() {
    if (Connection* c = connection(db_)) c->domain = saved_;
}

CatalogPin::CatalogPin(sqlite3* db) : db_(db) {
    if (Connection* c = connection(db))
        if (c->pins++ == 0) c->pin_checked = false;
}

CatalogPin::~CatalogPin() {
    if (Connection* c = connection(db_)) --c->pins;
}

CatalogStatement::CatalogStatement(sqlite3* db, const std::string& sql) {
    Connection* c = connection(db);
    if (c) {
        std::unique_ptr<Kept>& k = c->kept[sql];
        if (!k && c->kept.size() <= kMaxKept) k = std::make_unique<Kept>();
        if (k && !k->in_use) {
            if (!k->vm) k->vm = prepare(c, db, sql);
            if (k->vm) {
                k->in_use = true;
                in_use_ = &k->in_use;
                vm_ = k->vm;
                return;
            }
        }
        if (!k) c->kept.erase(sql);
    }
    vm_ = prepare(nullptr, db, sql);
}

CatalogStatement::~CatalogStatement() {
    if (!in_use_) {
        sqlite3_finalize(vm_);
        return;
    }
    sqlite3_reset(vm_);
    sqlite3_clear_bindings(vm_);
    *in_use_ = false;
}

CatalogStatement& CatalogStatement::text(int i, const std::string& v) {
    if (vm_) sqlite3_bind_text(vm_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
}

CatalogStatement& CatalogStatement::integer(int i, std::int64_t v) {
    if (vm_) sqlite3_bind_int64(vm_, i, v);
    return *this;
}

CatalogStatement& CatalogStatement::null(int i) {
    if (vm_) sqlite3_bind_null(vm_, i);
    return *this;
}

std::string CatalogStatement::column(int c) const {
    const unsigned char* t = vm_ ? sqlite3_column_text(vm_, c) : nullptr;
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(vm_, c)))
             : std::string();
}

// The PL/SQL interpreter: runs a compiled block on the session's connection. Every
// expression and SQL statement is a SQLite statement prepared from its translation,
// with the block's variables, cursor attributes and the caller's OCI binds bound as
// parameters; this file only moves values, follows the control flow and raises and
// handles Oracle errors. It never evaluates an operator or a function itself.
#include "plsql/plsql.h"

#include "catalog/catalog.h"
#include "values/clock.h"
#include "values/errors.h"
#include "os/os.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

enum class Flow { Next, Exit, Continue, Return, Error };

struct CursorState {
    bool open = false;
    int found = -1;  // -1 before the first fetch
    std::int64_t rowcount = 0;
};

struct HostState {
    BindHandle* bind = nullptr;
    bool read = false;
    bool written = false;
    PlValue value;
};

const char* const kSavepoint = "\"VANTRO$PLSQL\"";

PlError make_error(int code, const std::string& message) {
    PlError e;
    e.code = code;
    e.message = message;
    return e;
}

PlError value_error(const char* detail) {
    return make_error(6502, std::string("PL/SQL: numeric or value error") + (detail[0] ? ": " : "") + detail);
}

class Interpreter {
public:
    Interpreter(StmtHandle* s, PlProgram* p, Interpreter* root = nullptr)
        : s_(s), ses_(s->session), db_(s->session->server->db), p_(p), root_(root ? root : this) {
        vars_.resize(p->vars.size());
        cursors_.resize(p->cursors.size());
    }

    // Runs a stored unit called with args (one per parameter; NULL value slots take the
    // parameter's default). Out values are read back from out_values afterwards.
    bool run_unit(const std::vector<PlValue>& args, const std::vector<bool>& given, std::vector<PlValue>* out_values,
                  PlError* err, const PlSubprogram* sub = nullptr) {
        const std::vector<PlParam>& params = sub ? sub->params : p_->params;
        const PlBlock& body = sub ? sub->body : p_->main;
        bool is_function = sub ? sub->is_function : p_->is_function;
        return_slot_ = sub ? sub->return_slot : p_->return_slot;
        for (std::size_t k = 0; k < params.size(); ++k) {
            const PlParam& prm = params[k];
            PlValue v;
            OraType from = prm.type;
            if (!given[k] && prm.default_value) {
                if (!eval(prm.default_value, &v, err)) return false;
                from = type_of(prm.default_value);
            } else if (prm.mode != "OUT") {
                v = args[k];
            }
            if (!assign_var(prm.slot, v, from, err)) {
                if (err->line == 0) err->line = 1;
                return false;
            }
        }
        Flow f = block(body);
        if (f == Flow::Error) {
            *err = error_;
            return false;
        }
        if (is_function && f != Flow::Return) {
            *err = make_error(6503, "PL/SQL: Function returned without value");
            err->line = last_line(body);
            return false;
        }
        out_values->clear();
        if (return_slot_ >= 0) return_value_ = var(return_slot_);
        for (const PlParam& prm : params) out_values->push_back(var(prm.slot));
        return true;
    }

    void run_inside_statement() { in_statement_ = true; }

    // Slots [0, count) of this program are the package state values.
    void attach_package(std::vector<PlValue>* values, int count) {
        pkg_ = values;
        pkg_slots_ = count;
    }

    // Runs a package's declarations and initialisation section into its fresh state.
    bool init_package(PlError* err) {
        Flow f = block(p_->main);
        if (f == Flow::Error) {
            *err = error_;
            return false;
        }
        return true;
    }

    // Runs a trigger body on a row; new_values comes back as the body left :NEW.
    bool run_trigger(const std::string& event, std::vector<PlValue>* old_values, std::vector<PlValue>* new_values,
                     bool* fire, PlError* err) {
        for (std::size_t k = 0; k < old_values->size() && k < p_->old_slots.size(); ++k)
            var(p_->old_slots[k]) = (*old_values)[k];
        for (std::size_t k = 0; k < new_values->size() && k < p_->new_slots.size(); ++k)
            var(p_->new_slots[k]) = (*new_values)[k];
        var(p_->inserting_slot) = int_value(event == "INSERT" ? 1 : 0);
        var(p_->updating_slot) = int_value(event == "UPDATE" ? 1 : 0);
        var(p_->deleting_slot) = int_value(event == "DELETE" ? 1 : 0);
        bool ok = run_trigger_body(fire, err);
        finish_unit();
        for (std::size_t k = 0; k < new_values->size() && k < p_->new_slots.size(); ++k)
            (*new_values)[k] = var(p_->new_slots[k]);
        return ok;
    }

    bool run_trigger_body(bool* fire, PlError* err) {
        if (p_->trigger_when) {
            if (!test(p_->trigger_when, fire, err)) return false;
            if (!*fire) return true;
        }
        *fire = true;
        Flow f = block(p_->main);
        if (f == Flow::Error) {
            *err = error_;
            if (err->code == 0) err->code = 6510;
            return false;
        }
        return true;
    }

    PlValue& var(int slot) {
        std::size_t k = static_cast<std::size_t>(slot);
        return slot < pkg_slots_ ? (*pkg_)[k] : vars_[k];
    }

    // Checks that every placeholder of the block is bound before anything runs.
    bool check_binds(PlError* err) {
        for (const auto& q : p_->sql)
            for (const std::string& n : q->tr.bind_names)
                if (n[0] != '#' && !host(n, err)) return false;
        for (const std::string& n : p_->host_targets)
            if (!host(n, err)) return false;
        return true;
    }

    const PlValue& return_value() const { return return_value_; }
    // Ends a unit run on its own (a function called from SQL): keeps its changes.
    void finish_unit() { release_savepoint(); }

    static int last_line(const PlBlock& b) {
        int line = 1;
        for (const PlStmt& st : b.body) line = st.line;
        return line;
    }

    // Runs the program; false with err set when an error was not handled.
    bool run(PlError* err) {
        Flow f = block(p_->main);
        if (f == Flow::Error) {
            *err = error_;
            if (savepoint_) {
                std::string sql = std::string("ROLLBACK TO ") + kSavepoint;
                sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
            }
            release_savepoint();
            return false;
        }
        release_savepoint();
        return flush_hosts(err);
    }

private:
    StmtHandle* s_;
    SessionHandle* ses_;
    sqlite3* db_;
    PlProgram* p_;
    std::vector<PlValue> vars_;
    std::vector<CursorState> cursors_;
    std::map<int, std::vector<PlValue>> collections_;  // collection variables' elements, by slot
    std::map<std::string, HostState> hosts_;
    std::int64_t sql_rowcount_ = 0;
    int sql_found_ = -1;
    std::vector<PlError> handling_;  // the errors whose handlers are running
    PlValue return_value_;
    int return_slot_ = -1;
    std::vector<PlValue>* pkg_ = nullptr;  // the package state, for a package's program
    int pkg_slots_ = 0;
    bool in_statement_ = false;  // runs inside a SQL statement (a trigger or a function)
    bool savepoint_ = false;     // the root's: the block's changes can be undone
    Interpreter* root_;          // the interpreter of the block the client sent
    PlError error_;
    std::string exit_label_;

    Flow raise(PlError e, int line) {
        if (e.line == 0 || e.trace.empty()) e.line = line;
        error_ = std::move(e);
        return Flow::Error;
    }

    void release_savepoint() {
        if (!savepoint_) return;
        std::string sql = std::string("RELEASE ") + kSavepoint;
        sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
        savepoint_ = false;
    }

    // --- Binds in and out ---------------------------------------------------------------

    HostState* host(const std::string& name, PlError* err) {
        auto it = hosts_.find(name);
        if (it != hosts_.end()) return &it->second;
        BindHandle* found = nullptr;
        for (BindHandle* b : s_->binds)
            if (!b->name.empty() && b->name == name) found = b;
        if (!found && !name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
            ub4 pos = static_cast<ub4>(std::stoul(name));
            for (BindHandle* b : s_->binds)
                if (b->position == pos) found = b;
        }
        if (!found) {
            // Placeholders are numbered in order of first appearance for positional binds.
            std::vector<std::string> order;
            for (const auto& q : p_->sql)
                for (const std::string& n : q->tr.bind_names)
                    if (n[0] != '#' && std::find(order.begin(), order.end(), n) == order.end()) order.push_back(n);
            auto at = std::find(order.begin(), order.end(), name);
            if (at != order.end()) {
                ub4 pos = static_cast<ub4>(at - order.begin()) + 1;
                for (BindHandle* b : s_->binds)
                    if (b->position == pos && b->name.empty()) found = b;
            }
        }
        if (!found) {
            *err = make_error(1008, ora_message(1008));
            return nullptr;
        }
        HostState& h = hosts_[name];
        h.bind = found;
        return &h;
    }

    bool host_read(HostState* h, PlError* err) {
        if (h->read || h->written) return true;
        h->read = true;
        BindHandle* b = h->bind;
        h->value = PlValue();
        if ((b->indicator && *b->indicator == OCI_IND_NULL) || !b->value) return true;
        const char* p = static_cast<const char*>(b->value);
        std::size_t cap = static_cast<std::size_t>(b->value_size > 0 ? b->value_size : 0);
        switch (b->dty) {
        case SQLT_STR: {
            const void* nul = std::memchr(p, 0, cap);
            if (!nul) {
                *err = make_error(1480, ora_message(1480));
                return false;
            }
            std::size_t len = static_cast<std::size_t>(static_cast<const char*>(nul) - p);
            if (len) {
                h->value.kind = PlKind::Text;
                h->value.s.assign(p, len);
            }
            return true;
        }
        case SQLT_CHR:
        case SQLT_AFC:
        case SQLT_LNG: {
            std::size_t len = b->alen ? *b->alen : cap;
            if (len > cap) len = cap;
            if (len) {
                h->value.kind = PlKind::Text;
                h->value.s.assign(p, len);
            }
            return true;
        }
        case SQLT_INT: {
            std::int64_t v = 0;
            switch (b->value_size) {
            case 1:
                v = *reinterpret_cast<const sb1*>(p);
                break;
            case 2: {
                sb2 x;
                std::memcpy(&x, p, 2);
                v = x;
                break;
            }
            case 4: {
                sb4 x;
                std::memcpy(&x, p, 4);
                v = x;
                break;
            }
            case 8:
                std::memcpy(&v, p, 8);
                break;
            default:
                *err = make_error(3115, ora_message(3115));
                return false;
            }
            h->value.kind = PlKind::Int;
            h->value.i = v;
            return true;
        }
        case SQLT_FLT: {
            double v = 0;
            if (b->value_size == 4) {
                float f;
                std::memcpy(&f, p, 4);
                v = f;
            } else if (b->value_size == 8) {
                std::memcpy(&v, p, 8);
            } else {
                *err = make_error(3115, ora_message(3115));
                return false;
            }
            h->value.kind = PlKind::Real;
            h->value.d = v;
            return true;
        }
        default:
            *err = make_error(3115, "unsupported network datatype or representation");
            return false;
        }
    }

    // Checks that v fits the caller's buffer and keeps it for the end of the block.
    bool host_assign(const std::string& name, const PlValue& v, const OraType& type, PlError* err) {
        HostState* h = host(name, err);
        if (!h) return false;
        BindHandle* b = h->bind;
        PlValue out;
        if (v.kind != PlKind::Null) {
            if (b->dty == SQLT_INT || b->dty == SQLT_FLT || b->dty == SQLT_UIN) {
                OraType num;
                num.code = kTypeNumber;
                if (!convert_number(v, type, num, &out, err)) return false;
            } else {
                out.kind = PlKind::Text;
                out.s = text_of(v, type);
                std::size_t cap = static_cast<std::size_t>(b->value_size > 0 ? b->value_size : 0);
                if (b->dty == SQLT_STR && cap > 0) --cap;
                if (out.s.size() > cap) {
                    *err = value_error("character string buffer too small");
                    return false;
                }
            }
        }
        h->value = out;
        h->written = true;
        return true;
    }

    bool flush_hosts(PlError* err) {
        (void)err;
        for (auto& entry : hosts_) {
            HostState& h = entry.second;
            if (!h.written) continue;
            BindHandle* b = h.bind;
            char* p = static_cast<char*>(b->value);
            bool null = h.value.kind == PlKind::Null;
            if (b->indicator) *b->indicator = null ? OCI_IND_NULL : 0;
            if (b->rcode) *b->rcode = 0;
            if (!p) continue;
            switch (b->dty) {
            case SQLT_INT:
            case SQLT_UIN: {
                std::int64_t v =
                    h.value.kind == PlKind::Real ? static_cast<std::int64_t>(std::llround(h.value.d)) : h.value.i;
                if (null) v = 0;
                switch (b->value_size) {
                case 1: {
                    sb1 x = static_cast<sb1>(v);
                    std::memcpy(p, &x, 1);
                    break;
                }
                case 2: {
                    sb2 x = static_cast<sb2>(v);
                    std::memcpy(p, &x, 2);
                    break;
                }
                case 4: {
                    sb4 x = static_cast<sb4>(v);
                    std::memcpy(p, &x, 4);
                    break;
                }
                case 8:
                    std::memcpy(p, &v, 8);
                    break;
                default:
                    break;
                }
                if (b->alen) *b->alen = static_cast<ub2>(b->value_size);
                break;
            }
            case SQLT_FLT: {
                double v = h.value.kind == PlKind::Int ? static_cast<double>(h.value.i) : h.value.d;
                if (b->value_size == 4) {
                    float f = static_cast<float>(v);
                    std::memcpy(p, &f, 4);
                } else if (b->value_size == 8) {
                    std::memcpy(p, &v, 8);
                }
                if (b->alen) *b->alen = static_cast<ub2>(b->value_size);
                break;
            }
            default: {
                std::size_t len = null ? 0 : h.value.s.size();
                std::memcpy(p, h.value.s.data(), len);
                if (b->dty == SQLT_STR) p[len] = 0;
                if (b->alen) *b->alen = static_cast<ub2>(len);
                break;
            }
            }
        }
        return true;
    }

    // --- Values -------------------------------------------------------------------------

    std::string text_of(const PlValue& v, const OraType& type) const {
        char buf[320];
        switch (v.kind) {
        case PlKind::Null:
            return std::string();
        case PlKind::Int:
            return std::string(buf, number_text_int(v.i, buf, sizeof buf));
        case PlKind::Real:
            return std::string(buf, number_text_double(v.d, buf, sizeof buf));
        case PlKind::Text:
            if (type.code == kTypeDate || type.code == kTypeTimestamp || type.code == kTypeTimestampTz) {
                DateValue d;
                if (date_parse_stored(v.s.data(), v.s.size(), &d)) {
                    std::string shown(
                        buf, date_format(
                                 d, type.code == kTypeDate ? ses_->settings.date_mask : ses_->settings.timestamp_mask,
                                 buf, sizeof buf));
                    if (type.code == kTypeTimestampTz)
                        shown += " " + time_zone_text(os_local_time().utc_offset_minutes);
                    return shown;
                }
            }
            return v.s;
        }
        return std::string();
    }

    bool convert_number(const PlValue& v, const OraType& from, const OraType& to, PlValue* out, PlError* err) const {
        (void)from;
        double d = 0;
        std::int64_t iv = 0;
        bool is_int = false;
        switch (v.kind) {
        case PlKind::Null:
            *out = v;
            return true;
        case PlKind::Int:
            iv = v.i;
            d = static_cast<double>(iv);
            is_int = true;
            break;
        case PlKind::Real:
            d = v.d;
            break;
        case PlKind::Text:
            if (!number_parse(v.s.data(), v.s.size(), &d, &iv, &is_int)) {
                *err = value_error("character to number conversion error");
                return false;
            }
            break;
        }
        if (!is_int && to.precision > 0) {
            double f = std::pow(10.0, to.scale);
            d = std::round(d * f) / f;
        }
        if (to.precision > 0) {
            double limit = std::pow(10.0, to.precision - to.scale);
            if (std::fabs(is_int ? static_cast<double>(iv) : d) >= limit) {
                *err = value_error("number precision too large");
                return false;
            }
        }
        if (!is_int && to.precision > 0 && to.scale <= 0 && std::fabs(d) < 9.2e18) {
            iv = static_cast<std::int64_t>(d);
            is_int = true;
        }
        if (!is_int && d == std::trunc(d) && std::fabs(d) < 9.2e18) {
            iv = static_cast<std::int64_t>(d);
            is_int = true;
        }
        out->kind = is_int ? PlKind::Int : PlKind::Real;
        out->i = iv;
        out->d = d;
        return true;
    }

    // Converts v (of Oracle type from) into a value of variable slot's type.
    bool assign_var(int slot, const PlValue& v, const OraType& from, PlError* err) {
        PlValue out;
        if (!convert_to(p_->vars[static_cast<std::size_t>(slot)], v, from, &out, err)) return false;
        var(slot) = out;
        return true;
    }

    // Converts v (of Oracle type from) into a value of the type info declares.
    bool convert_to(const PlVarInfo& info, const PlValue& v, const OraType& from, PlValue* result, PlError* err) {
        PlValue& out = *result;
        out = PlValue();
        if (v.kind == PlKind::Null) {
            if (info.not_null) {
                *err = value_error("");
                return false;
            }
            return true;
        }
        const OraType& to = info.type;
        if (info.boolean || to.code == kTypeNumber) {
            if (!convert_number(v, from, to, &out, err)) return false;
        } else if (to.code == kTypeDate || to.code == kTypeTimestamp) {
            if (from.code == kTypeDate || from.code == kTypeTimestamp || from.code == kTypeTimestampTz) {
                out = v;
            } else if (v.kind == PlKind::Text) {
                DateValue now;
                DateValue d;
                OraError e;
                if (!date_parse(v.s, ses_->settings.nls_date_format, now, &d, &e)) {
                    *err = make_error(e.code, e.message);
                    return false;
                }
                out.kind = PlKind::Text;
                out.s = date_stored_text(d);
            } else {
                *err = value_error("");
                return false;
            }
        } else {
            out.kind = PlKind::Text;
            out.s = text_of(v, from);
            if (to.size && out.s.size() > to.size && to.code != kTypeClob) {
                *err = value_error("character string buffer too small");
                return false;
            }
            if (to.code == kTypeChar && out.s.size() < to.size) out.s.append(to.size - out.s.size(), ' ');
        }
        return true;
    }

    bool assign(const PlTarget& t, const PlValue& v, const OraType& from, PlError* err) {
        if (t.host) return host_assign(t.name, v, from, err);
        if (!t.package.empty()) {
            PlPackageState* st = package_state(t.package, nullptr, err);
            PlValue out;
            if (!st || !convert_to(*t.info, v, from, &out, err)) return false;
            st->values[static_cast<std::size_t>(t.slot)] = out;
            return true;
        }
        return assign_var(t.slot, v, from, err);
    }

    static PlValue column_value(sqlite3_stmt* vm, int col) {
        PlValue v;
        switch (sqlite3_column_type(vm, col)) {
        case SQLITE_INTEGER:
            v.kind = PlKind::Int;
            v.i = sqlite3_column_int64(vm, col);
            break;
        case SQLITE_FLOAT:
            v.kind = PlKind::Real;
            v.d = sqlite3_column_double(vm, col);
            break;
        case SQLITE_NULL:
            break;
        default: {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
            int n = sqlite3_column_bytes(vm, col);
            if (n > 0) {
                v.kind = PlKind::Text;
                v.s.assign(t, static_cast<std::size_t>(n));
            }
            break;
        }
        }
        return v;
    }

    static void bind_value(sqlite3_stmt* vm, int idx, const PlValue& v) {
        switch (v.kind) {
        case PlKind::Null:
            sqlite3_bind_null(vm, idx);
            break;
        case PlKind::Int:
            sqlite3_bind_int64(vm, idx, v.i);
            break;
        case PlKind::Real:
            sqlite3_bind_double(vm, idx, v.d);
            break;
        case PlKind::Text:
            sqlite3_bind_text(vm, idx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
            break;
        }
    }

    static PlValue int_value(std::int64_t i) {
        PlValue v;
        v.kind = PlKind::Int;
        v.i = i;
        return v;
    }
    static PlValue flag_value(int f) { return f < 0 ? PlValue() : int_value(f); }

    bool ref_value(const PlRef& r, PlValue* v, PlError* err) {
        switch (r.kind) {
        case PlRefKind::Variable:
            *v = var(r.slot);
            return true;
        case PlRefKind::Element: {
            PlValue at;
            OraType num;
            num.code = kTypeNumber;
            if (!eval(r.index, &at, err) || !convert_number(at, type_of(r.index), num, &at, err)) return false;
            const std::vector<PlValue>& items = collections_[r.slot];
            bool varray = p_->vars[static_cast<std::size_t>(r.slot)].collection == PlCollection::Varray;
            std::int64_t k = at.kind == PlKind::Int ? at.i : static_cast<std::int64_t>(std::floor(at.d));
            if (at.kind == PlKind::Null) {
                *err = value_error("NULL index table key value");
                return false;
            }
            if (k < 1 || k > static_cast<std::int64_t>(items.size())) {
                if (!varray)
                    *err = make_error(1403, ora_message(1403));
                else if (k < 1)
                    *err = make_error(6532, "Subscript outside of limit");
                else
                    *err = make_error(6533, "Subscript beyond count");
                return false;
            }
            *v = items[static_cast<std::size_t>(k - 1)];
            return true;
        }
        case PlRefKind::UpdatingColumn: {
            const auto& sets = plsql_session(ses_)->set_columns;
            bool hit = var(p_->updating_slot).kind == PlKind::Int && var(p_->updating_slot).i == 1 && !sets.empty() &&
                       std::find(sets.back().begin(), sets.back().end(), r.name) != sets.back().end();
            *v = int_value(hit ? 1 : 0);
            return true;
        }
        case PlRefKind::CollectionAttr: {
            std::size_t n = collections_[r.slot].size();
            *v = r.name == "COUNT" ? int_value(static_cast<std::int64_t>(n))
                 : n == 0          ? PlValue()
                                   : int_value(r.name == "FIRST" ? 1 : static_cast<std::int64_t>(n));
            return true;
        }
        case PlRefKind::PackageVar: {
            PlPackageState* st = package_state(r.name, nullptr, err);
            if (!st) return false;
            *v = st->values[static_cast<std::size_t>(r.slot)];
            return true;
        }
        case PlRefKind::HostBind: {
            HostState* h = host(r.name, err);
            if (!h || !host_read(h, err)) return false;
            *v = h->value;
            return true;
        }
        case PlRefKind::CursorAttr: {
            const CursorState& c = cursors_[static_cast<std::size_t>(r.slot)];
            if (r.attr == PlAttr::IsOpen) {
                *v = int_value(c.open ? 1 : 0);
                return true;
            }
            if (!c.open) {
                *err = make_error(1001, "invalid cursor");
                return false;
            }
            switch (r.attr) {
            case PlAttr::Found:
                *v = flag_value(c.found);
                break;
            case PlAttr::NotFound:
                *v = flag_value(c.found < 0 ? -1 : 1 - c.found);
                break;
            case PlAttr::RowCount:
                *v = int_value(c.rowcount);
                break;
            case PlAttr::IsOpen:
                break;
            }
            return true;
        }
        case PlRefKind::SqlAttr:
            switch (r.attr) {
            case PlAttr::Found:
                *v = flag_value(sql_found_);
                break;
            case PlAttr::NotFound:
                *v = flag_value(sql_found_ < 0 ? -1 : 1 - sql_found_);
                break;
            case PlAttr::RowCount:
                *v = sql_found_ < 0 ? PlValue() : int_value(sql_rowcount_);
                break;
            case PlAttr::IsOpen:
                *v = int_value(0);
                break;
            }
            return true;
        case PlRefKind::SqlCode: {
            std::int64_t code = 0;
            if (!handling_.empty()) {
                const PlError& e = handling_.back();
                code = e.user_id ? 1 : (e.code == 1403 ? 100 : -e.code);
            }
            *v = int_value(code);
            return true;
        }
        case PlRefKind::SqlErrm: {
            v->kind = PlKind::Text;
            if (handling_.empty()) {
                v->s = "ORA-0000: normal, successful completion";
            } else {
                const PlError& e = handling_.back();
                if (e.user_id) {
                    v->s = "User-Defined Exception";
                } else {
                    v->s = ora_format(e.code, e.message);
                    v->s.pop_back();
                }
            }
            return true;
        }
        }
        return false;
    }

    // Prepares q when needed and binds its parameters.
    bool prepare(PlSql* q, PlError* err) {
        for (const std::string& table : plsql_session(ses_)->mutating) {
            if (q->tr.sql.find(table) == std::string::npos) continue;
            std::string shown;
            for (char c : table)
                if (c != '"') shown += c;
            *err = make_error(4091, "table " + shown + " is mutating, trigger/function may not see it");
            return false;
        }
        if (!q->vm) {
            if (sqlite3_prepare_v2(db_, q->tr.sql.c_str(), -1, &q->vm, nullptr) != SQLITE_OK) {
                OraError e = ora_from_sqlite(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
                *err = make_error(e.code, e.message);
                q->vm = nullptr;
                return false;
            }
        }
        sqlite3_reset(q->vm);
        sqlite3_clear_bindings(q->vm);
        for (std::size_t k = 0; k < q->tr.bind_names.size(); ++k) {
            const std::string& name = q->tr.bind_names[k];
            PlValue v;
            if (name[0] == '#') {
                if (!ref_value(q->refs[static_cast<std::size_t>(std::stoi(name.substr(1)))], &v, err)) return false;
            } else {
                HostState* h = host(name, err);
                if (!h || !host_read(h, err)) return false;
                v = h->value;
            }
            bind_value(q->vm, static_cast<int>(k + 1), v);
        }
        return true;
    }

    PlError sqlite_error(bool expression) {
        OraError e = ora_from_sqlite(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
        if (expression && e.code == 1722) return value_error("character to number conversion error");
        if (e.code == 1013) ses_->server->cancel = false;
        return make_error(e.code, e.message);
    }

    // Evaluates an expression or condition.
    bool eval(PlSql* q, PlValue* v, PlError* err) {
        if (!prepare(q, err)) return false;
        int rc = sqlite3_step(q->vm);
        if (rc != SQLITE_ROW) {
            *err = sqlite_error(true);
            sqlite3_reset(q->vm);
            return false;
        }
        *v = column_value(q->vm, 0);
        sqlite3_reset(q->vm);
        return true;
    }

    static const OraType& type_of(const PlSql* q) {
        static const OraType kText;
        return q->tr.columns.empty() ? kText : q->tr.columns[0].type;
    }

    // A condition: true only when it is TRUE (NULL counts as not true).
    bool test(PlSql* q, bool* result, PlError* err) {
        PlValue v;
        if (!eval(q, &v, err)) return false;
        *result = v.kind == PlKind::Int && v.i == 1;
        return true;
    }

    bool begin_transaction(PlError* err) {
        if (!ses_->in_transaction) {
            if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
                *err = sqlite_error(false);
                return false;
            }
            ses_->in_transaction = true;
        }
        return true;
    }

    bool take_savepoint(PlError* err) {
        if (!begin_transaction(err)) return false;
        // Inside a running SQL statement (a trigger, a function in SQL) SQLite opens no
        // savepoint; that statement's own undo covers the changes.
        if (!root_->savepoint_ && !root_->in_statement_) {
            std::string sql = std::string("SAVEPOINT ") + kSavepoint;
            if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                *err = sqlite_error(false);
                return false;
            }
            root_->savepoint_ = true;
        }
        return true;
    }

    // Copies the current row of vm into targets (a record or a list of variables).
    bool fetch_into(sqlite3_stmt* vm, const PlSql* q, const std::vector<PlTarget>& targets, PlError* err) {
        std::vector<PlTarget> flat = targets;
        if (targets.size() == 1 && !targets[0].host) {
            const PlVarInfo& v = p_->vars[static_cast<std::size_t>(targets[0].slot)];
            if (!v.fields.empty()) {
                flat.clear();
                for (int f : v.fields) flat.push_back(pl_var_target(f));
            }
        }
        int ncols = sqlite3_column_count(vm);
        if (static_cast<int>(flat.size()) != ncols) {
            *err = make_error(6504, "PL/SQL: Return types of Result Set variables or query do not match");
            return false;
        }
        for (int c = 0; c < ncols; ++c) {
            PlValue v = column_value(vm, c);
            if (!assign(flat[static_cast<std::size_t>(c)], v, q->tr.columns[static_cast<std::size_t>(c)].type, err))
                return false;
        }
        return true;
    }

    // --- Statements ---------------------------------------------------------------------

    Flow block(const PlBlock& b) {
        PlError err;
        for (const PlDecl& d : b.decls) {
            var(d.slot) = PlValue();
            collections_.erase(d.slot);
            for (int f : p_->vars[static_cast<std::size_t>(d.slot)].fields) var(f) = PlValue();
            if (!d.init) continue;
            PlValue v;
            if (!eval(d.init, &v, &err) || !assign_var(d.slot, v, type_of(d.init), &err))
                return raise(err, d.init->line);
        }
        Flow f = statements(b.body);
        for (int c : b.cursors) close_cursor(c);
        if (f != Flow::Error || b.handlers.empty()) return f;
        for (const PlHandler& h : b.handlers) {
            bool match = h.exceptions.empty();
            for (const PlExceptionInfo& ex : h.exceptions)
                match = match ||
                        (ex.user_id ? ex.user_id == error_.user_id : (error_.user_id == 0 && ex.code == error_.code));
            if (!match) continue;
            handling_.push_back(error_);
            Flow hf = statements(h.body);
            handling_.pop_back();
            return hf;
        }
        return f;
    }

    void close_cursor(int c) {
        CursorState& cs = cursors_[static_cast<std::size_t>(c)];
        if (cs.open) {
            PlSql* q = p_->cursors[static_cast<std::size_t>(c)].query;
            if (q && q->vm) sqlite3_reset(q->vm);
        }
        cs = CursorState();
    }

    Flow statements(const std::vector<PlStmt>& list) {
        for (const PlStmt& st : list) {
            if (ses_->server->cancel) {
                ses_->server->cancel = false;
                return raise(make_error(1013, ora_message(1013)), st.line);
            }
            Flow f = statement(st);
            if (f != Flow::Next) return f;
        }
        return Flow::Next;
    }

    // Runs a loop body once; true when the loop goes on.
    bool loop_step(const PlStmt& st, Flow* f) {
        *f = statements(st.bodies[0]);
        if (*f == Flow::Continue) *f = Flow::Next;
        if (*f == Flow::Exit) {
            if (exit_label_.empty() || exit_label_ == st.name) {
                exit_label_.clear();
                *f = Flow::Next;
            }
            return false;
        }
        return *f == Flow::Next;
    }

    Flow statement(const PlStmt& st) {
        PlError err;
        switch (st.kind) {
        case PlStmtKind::Null:
            return Flow::Next;
        case PlStmtKind::Assign: {
            PlValue v;
            if (!eval(st.exprs[0], &v, &err) || !assign(st.targets[0], v, type_of(st.exprs[0]), &err))
                return raise(err, st.line);
            return Flow::Next;
        }
        case PlStmtKind::If: {
            if (st.selector) {
                PlValue v;
                if (!eval(st.selector, &v, &err) || !assign_var(st.slot, v, type_of(st.selector), &err))
                    return raise(err, st.line);
            }
            for (std::size_t k = 0; k < st.exprs.size(); ++k) {
                bool yes = false;
                if (!test(st.exprs[k], &yes, &err)) return raise(err, st.line);
                if (yes) return statements(st.bodies[k]);
            }
            if (st.has_else) return statements(st.bodies.back());
            if (st.name == "case")
                return raise(make_error(6592, "CASE not found while executing CASE statement"), st.line);
            return Flow::Next;
        }
        case PlStmtKind::Loop: {
            Flow f = Flow::Next;
            while (loop_step(st, &f)) {
            }
            return f;
        }
        case PlStmtKind::While: {
            Flow f = Flow::Next;
            for (;;) {
                bool yes = false;
                if (!test(st.exprs[0], &yes, &err)) return raise(err, st.line);
                if (!yes || !loop_step(st, &f)) break;
            }
            return f;
        }
        case PlStmtKind::ForRange: {
            PlValue lo, hi;
            OraType num;
            num.code = kTypeNumber;
            PlValue a, b;
            if (!eval(st.exprs[0], &lo, &err) || !eval(st.exprs[1], &hi, &err) ||
                !convert_number(lo, type_of(st.exprs[0]), num, &a, &err) ||
                !convert_number(hi, type_of(st.exprs[1]), num, &b, &err))
                return raise(err, st.line);
            if (a.kind == PlKind::Null || b.kind == PlKind::Null)
                return raise(value_error("NULL index table key value"), st.line);
            std::int64_t from = a.kind == PlKind::Int ? a.i : std::llround(a.d);
            std::int64_t to = b.kind == PlKind::Int ? b.i : std::llround(b.d);
            Flow f = Flow::Next;
            for (std::int64_t k = st.reverse ? to : from; st.reverse ? k >= from : k <= to; st.reverse ? --k : ++k) {
                var(st.slot) = int_value(k);
                if (!loop_step(st, &f)) break;
            }
            return f;
        }
        case PlStmtKind::ForCursor: {
            int c = st.targets[0].slot;
            PlSql* q = p_->cursors[static_cast<std::size_t>(c)].query;
            if (cursors_[static_cast<std::size_t>(c)].open)
                return raise(make_error(6511, "PL/SQL: cursor already open"), st.line);
            if (!prepare(q, &err)) return raise(err, st.line);
            cursors_[static_cast<std::size_t>(c)].open = true;
            Flow f = Flow::Next;
            for (;;) {
                int rc = sqlite3_step(q->vm);
                if (rc == SQLITE_DONE) break;
                if (rc != SQLITE_ROW) {
                    close_cursor(c);
                    return raise(sqlite_error(false), st.line);
                }
                CursorState& cs = cursors_[static_cast<std::size_t>(c)];
                cs.found = 1;
                ++cs.rowcount;
                if (!fetch_into(q->vm, q, {pl_var_target(st.slot)}, &err)) {
                    close_cursor(c);
                    return raise(err, st.line);
                }
                if (!loop_step(st, &f)) break;
            }
            close_cursor(c);
            return f;
        }
        case PlStmtKind::Exit:
        case PlStmtKind::Continue: {
            if (!st.exprs.empty()) {
                bool yes = false;
                if (!test(st.exprs[0], &yes, &err)) return raise(err, st.line);
                if (!yes) return Flow::Next;
            }
            exit_label_ = st.name;
            return st.kind == PlStmtKind::Exit ? Flow::Exit : Flow::Continue;
        }
        case PlStmtKind::Block:
            return block(*st.block);
        case PlStmtKind::Call:
            return call(st);
        case PlStmtKind::SelectInto: {
            PlSql* q = st.exprs[0];
            if (!prepare(q, &err)) return raise(err, st.line);
            int rc = sqlite3_step(q->vm);
            if (rc == SQLITE_DONE) {
                sql_found_ = 0;
                sql_rowcount_ = 0;
                sqlite3_reset(q->vm);
                return raise(make_error(1403, ora_message(1403)), st.line);
            }
            if (rc != SQLITE_ROW) {
                err = sqlite_error(false);
                sqlite3_reset(q->vm);
                return raise(err, st.line);
            }
            if (!fetch_into(q->vm, q, st.targets, &err)) {
                sqlite3_reset(q->vm);
                return raise(err, st.line);
            }
            rc = sqlite3_step(q->vm);
            sqlite3_reset(q->vm);
            sql_found_ = 1;
            sql_rowcount_ = 1;
            if (rc == SQLITE_ROW) {
                sql_rowcount_ = 2;
                return raise(make_error(1422, "exact fetch returns more than requested number of rows"), st.line);
            }
            return Flow::Next;
        }
        case PlStmtKind::Dml: {
            PlSql* q = st.exprs[0];
            if (!take_savepoint(&err) || !prepare(q, &err)) return raise(err, st.line);
            OraError trigger_error;
            if (!plsql_triggers_sync(ses_, &trigger_error))
                return raise(make_error(trigger_error.code, trigger_error.message), st.line);
            // What statement triggers change belongs to the statement: a failure undoes it too
            // (inside a running SQL statement that statement's own undo does it).
            bool guarded = !root_->in_statement_ && plsql_has_statement_triggers(ses_, q->tr) &&
                           sqlite3_exec(db_, "SAVEPOINT vantro_triggered", nullptr, nullptr, nullptr) == SQLITE_OK;
            auto undo = [&]() {
                if (!guarded || sqlite3_get_autocommit(db_)) return;
                sqlite3_exec(db_, "ROLLBACK TO vantro_triggered", nullptr, nullptr, nullptr);
                sqlite3_exec(db_, "RELEASE vantro_triggered", nullptr, nullptr, nullptr);
            };
            if (!plsql_statement_triggers(ses_, q->tr, PlTriggerTiming::Before, &trigger_error)) {
                sqlite3_reset(q->vm);
                undo();
                return raise(make_error(trigger_error.code, trigger_error.message), st.line);
            }
            std::int64_t outer_redone = plsql_take_redone_rows(ses_);
            plsql_dml_begin(ses_, q->tr);
            int rc = sqlite3_step(q->vm);
            plsql_dml_end(ses_);
            if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
                err = sqlite_error(false);
                sqlite3_reset(q->vm);
                plsql_session(ses_)->redone_rows = outer_redone;
                undo();
                if (sqlite3_get_autocommit(db_)) {
                    ses_->in_transaction = false;
                    root_->savepoint_ = false;
                }
                return raise(err, st.line);
            }
            sqlite3_reset(q->vm);
            sql_rowcount_ = sqlite3_changes(db_) + plsql_take_redone_rows(ses_);
            plsql_session(ses_)->redone_rows = outer_redone;
            sql_found_ = sql_rowcount_ > 0 ? 1 : 0;
            if (!plsql_statement_triggers(ses_, q->tr, PlTriggerTiming::After, &trigger_error)) {
                undo();
                sql_rowcount_ = 0;
                return raise(make_error(trigger_error.code, trigger_error.message), st.line);
            }
            if (guarded) sqlite3_exec(db_, "RELEASE vantro_triggered", nullptr, nullptr, nullptr);
            return Flow::Next;
        }
        case PlStmtKind::Commit:
        case PlStmtKind::Rollback: {
            if (st.kind == PlStmtKind::Rollback && !st.name.empty()) {
                std::string sql = "ROLLBACK TO \"" + st.name + "\"";
                if (!ses_->in_transaction || sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                    return raise(make_error(1086, ora_message(1086, st.name)), st.line);
                return Flow::Next;
            }
            root_->savepoint_ = false;
            sword rc = st.kind == PlStmtKind::Commit ? session_commit(ses_, nullptr) : session_rollback(ses_, nullptr);
            if (rc != OCI_SUCCESS) return raise(sqlite_error(false), st.line);
            return Flow::Next;
        }
        case PlStmtKind::Savepoint: {
            if (!begin_transaction(&err)) return raise(err, st.line);
            std::string sql = "SAVEPOINT \"" + st.name + "\"";
            if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                return raise(sqlite_error(false), st.line);
            return Flow::Next;
        }
        case PlStmtKind::Open: {
            CursorState& cs = cursors_[static_cast<std::size_t>(st.slot)];
            if (cs.open) return raise(make_error(6511, "PL/SQL: cursor already open"), st.line);
            if (!prepare(p_->cursors[static_cast<std::size_t>(st.slot)].query, &err)) return raise(err, st.line);
            cs = CursorState();
            cs.open = true;
            return Flow::Next;
        }
        case PlStmtKind::OpenFor: {
            HostState* h = host(st.name, &err);
            if (!h) return raise(err, st.line);
            BindHandle* b = h->bind;
            StmtHandle* target = b->dty == SQLT_RSET && b->value
                                     ? handle_cast<StmtHandle>(*static_cast<void**>(b->value), OCI_HTYPE_STMT)
                                     : nullptr;
            if (!target) return raise(make_error(3115, ora_message(3115)), st.line);
            PlSql* q = st.exprs[0];
            if (!prepare(q, &err)) return raise(err, st.line);
            // The caller's handle takes the prepared statement; the next OPEN prepares anew.
            sqlite3_stmt* vm = q->vm;
            q->vm = nullptr;
            stmt_open_result(target, ses_, q->text, q->tr, vm);
            if (b->indicator) *b->indicator = 0;
            return Flow::Next;
        }
        case PlStmtKind::Fetch: {
            CursorState& cs = cursors_[static_cast<std::size_t>(st.slot)];
            if (!cs.open) return raise(make_error(1001, "invalid cursor"), st.line);
            PlSql* q = p_->cursors[static_cast<std::size_t>(st.slot)].query;
            if (cs.found == 0) return Flow::Next;
            int rc = sqlite3_step(q->vm);
            if (rc == SQLITE_DONE) {
                cs.found = 0;
                return Flow::Next;
            }
            if (rc != SQLITE_ROW) return raise(sqlite_error(false), st.line);
            cs.found = 1;
            ++cs.rowcount;
            if (!fetch_into(q->vm, q, st.targets, &err)) return raise(err, st.line);
            return Flow::Next;
        }
        case PlStmtKind::Close: {
            if (!cursors_[static_cast<std::size_t>(st.slot)].open)
                return raise(make_error(1001, "invalid cursor"), st.line);
            close_cursor(st.slot);
            return Flow::Next;
        }
        case PlStmtKind::Return:
            if (!st.exprs.empty()) {
                PlValue v;
                if (!eval(st.exprs[0], &v, &err)) return raise(err, st.line);
                int slot = return_slot_;
                if (slot >= 0 && !assign_var(slot, v, type_of(st.exprs[0]), &err)) return raise(err, st.line);
            }
            return Flow::Return;
        case PlStmtKind::Raise: {
            if (st.name == "reraise") {
                if (handling_.empty()) {
                    return raise(make_error(0, ""), st.line);
                }
                PlError e = handling_.back();
                e.line = st.line;
                return raise(e, st.line);
            }
            PlError e;
            e.user_id = st.exception.user_id;
            e.code = st.exception.code;
            if (e.user_id) {
                e.code = 6510;
                e.message = "PL/SQL: unhandled user-defined exception";
            } else {
                e.message = ora_message(e.code);
            }
            return raise(e, st.line);
        }
        }
        return Flow::Next;
    }

    PlCompileContext compile_context(const std::string& owner, CatalogView* catalog) const {
        PlCompileContext ctx;
        ctx.schema = owner;
        ctx.nls_date_format = ses_->settings.nls_date_format;
        ctx.catalog = catalog;
        ctx.db = db_;
        return ctx;
    }

public:
    // The session's state of package "OWNER.NAME", built (declarations and initialisation
    // section run) on first use and again after the package changed. program, when given,
    // receives the compiled package.
    PlPackageState* package_state(const std::string& qualified, std::shared_ptr<PlCachedUnit>* program, PlError* err) {
        std::size_t dot = qualified.find('.');
        std::string owner = qualified.substr(0, dot), name = qualified.substr(dot + 1);
        std::shared_ptr<PlCachedUnit> unit = plsql_package_program(ses_, owner, name, err);
        if (!unit) return nullptr;
        if (program) *program = unit;
        PlProgram* prog = &unit->program;
        PlPackageState& st = plsql_session(ses_)->packages[qualified];
        if (st.initialized && st.stamp == prog->text) return &st;
        if (st.initialized && !st.values.empty()) {
            // The package changed since this session built its state: the state is dropped
            // and the call that finds out fails; the next one starts afresh.
            plsql_session(ses_)->packages.erase(qualified);
            *err = make_error(4068, "existing state of packages has been discarded");
            err->trace = {"ORA-04061: existing state of package body \"" + qualified + "\" has been invalidated",
                          "ORA-04065: not executed, altered or dropped package body \"" + qualified + "\"",
                          "ORA-06508: PL/SQL: could not find program unit being called: \"" + qualified + "\""};
            return nullptr;
        }
        st = PlPackageState();
        st.stamp = prog->text;
        st.initialized = true;
        st.values.assign(static_cast<std::size_t>(prog->package_slots), PlValue());
        Interpreter init(s_, prog, root_);
        init.attach_package(&st.values, prog->package_slots);
        BusyUnit busy(unit.get());
        if (!init.init_package(err)) {
            err->trace.insert(err->trace.begin(),
                              "ORA-06512: at \"" + qualified + "\", line " + std::to_string(err->line));
            plsql_session(ses_)->packages.erase(qualified);
            return nullptr;
        }
        return &st;
    }

private:
    Flow call_package(const PlStmt& st, const std::vector<PlValue>& args, const std::vector<bool>& given) {
        std::string qualified = st.unit_owner + "." + st.unit_name;
        std::shared_ptr<PlCachedUnit> unit;
        PlError err;
        PlPackageState* state = package_state(qualified, &unit, &err);
        if (!state) {
            err.line = st.line;
            error_ = err;
            return Flow::Error;
        }
        PlProgram& callee = unit->program;
        BusyUnit busy(unit.get());
        const PlSubprogram* sub = nullptr;
        for (const PlSubprogram& c : callee.subprograms)
            if (c.subprogram_id == st.subprogram_id && c.defined) sub = &c;
        if (!sub || sub->params.size() != args.size())
            return raise(make_error(6508, "PL/SQL: could not find program unit being called: \"" + qualified + "\""),
                         st.line);
        Interpreter inner(s_, &callee, root_);
        inner.attach_package(&state->values, callee.package_slots);
        std::vector<PlValue> outs;
        if (!plsql_nested_call(
                ses_, [&](PlError* e) { return inner.run_unit(args, given, &outs, e, sub); }, &err)) {
            if (!plsql_trace_full(err))
                err.trace.insert(err.trace.begin(),
                                 "ORA-06512: at \"" + qualified + "\", line " + std::to_string(err.line));
            err.line = st.line;
            error_ = err;
            return Flow::Error;
        }
        for (std::size_t k = 0; k < outs.size(); ++k) {
            if (st.arg_modes[k] == "IN" || (st.targets[k].slot < 0 && !st.targets[k].host)) continue;
            if (!assign(st.targets[k], outs[k], sub->params[k].type, &err)) return raise(err, st.line);
        }
        return Flow::Next;
    }

    Flow call_unit(const PlStmt& st, const std::vector<PlValue>& args) {
        std::vector<bool> given;
        for (std::size_t k = 0; k < st.exprs.size(); ++k)
            given.push_back(st.exprs[k] || st.targets[k].slot >= 0 || st.targets[k].host);
        if (st.subprogram_id > 0) return call_package(st, args, given);
        PlUnitState state = PlUnitState::Missing;
        std::shared_ptr<PlCachedUnit> unit = plsql_unit_program(ses_, st.unit_owner, st.unit_name, &state);
        if (state == PlUnitState::Invalid) {
            PlError e = make_error(4063, "procedure \"" + st.unit_owner + "." + st.unit_name + "\" has errors");
            e.trace.push_back("ORA-06508: PL/SQL: could not find program unit being called: \"" + st.unit_owner + "." +
                              st.unit_name + "\"");
            return raise(e, st.line);
        }
        if (!unit || unit->program.params.size() != args.size())
            return raise(make_error(6508, "PL/SQL: could not find program unit being called"), st.line);
        PlProgram& callee = unit->program;
        BusyUnit busy(unit.get());
        Interpreter inner(s_, &callee, root_);
        std::vector<PlValue> outs;
        PlError err;
        if (!plsql_nested_call(
                ses_, [&](PlError* e) { return inner.run_unit(args, given, &outs, e); }, &err)) {
            if (!plsql_trace_full(err))
                err.trace.insert(err.trace.begin(), "ORA-06512: at \"" + st.unit_owner + "." + st.unit_name +
                                                        "\", line " + std::to_string(err.line));
            err.line = st.line;
            error_ = err;
            return Flow::Error;
        }
        for (std::size_t k = 0; k < outs.size(); ++k) {
            if (st.arg_modes[k] == "IN" || (st.targets[k].slot < 0 && !st.targets[k].host)) continue;
            if (!assign(st.targets[k], outs[k], callee.params[k].type, &err)) return raise(err, st.line);
        }
        return Flow::Next;
    }

    Flow call(const PlStmt& st) {
        PlError err;
        std::vector<PlValue> args(st.exprs.size());
        if (!st.unit_name.empty() && st.exprs.size() != st.targets.size()) return Flow::Next;
        for (std::size_t k = 0; k < st.exprs.size(); ++k)
            if (st.exprs[k] && !eval(st.exprs[k], &args[k], &err)) return raise(err, st.line);
        if (!st.unit_name.empty()) return call_unit(st, args);
        DbmsOutput* out = &plsql_session(ses_)->output;
        const std::string& n = st.name;
        auto text_arg = [&](std::size_t k) { return text_of(args[k], type_of(st.exprs[k])); };
        bool ok = true;
        if (n == "DBMS_OUTPUT.PUT_LINE") {
            ok = dbms_output_put(out, text_arg(0), &err) && dbms_output_new_line(out, &err);
        } else if (n == "DBMS_OUTPUT.PUT") {
            ok = dbms_output_put(out, text_arg(0), &err);
        } else if (n == "DBMS_OUTPUT.NEW_LINE") {
            ok = dbms_output_new_line(out, &err);
        } else if (n == "DBMS_OUTPUT.ENABLE") {
            std::int64_t size = 20000;
            bool unlimited = false;
            if (!args.empty()) {
                PlValue num;
                OraType t;
                t.code = kTypeNumber;
                if (!convert_number(args[0], type_of(st.exprs[0]), t, &num, &err)) return raise(err, st.line);
                unlimited = num.kind == PlKind::Null;
                size = num.kind == PlKind::Int ? num.i : static_cast<std::int64_t>(num.d);
            }
            dbms_output_enable(out, unlimited, size);
        } else if (n == "DBMS_OUTPUT.DISABLE") {
            dbms_output_disable(out);
        } else if (n == "DBMS_OUTPUT.GET_LINE") {
            std::string line;
            bool got = dbms_output_get_line(out, &line);
            PlValue lv;
            if (got && !line.empty()) {
                lv.kind = PlKind::Text;
                lv.s = line;
            }
            OraType text_type;
            text_type.size = 32767;
            OraType num;
            num.code = kTypeNumber;
            ok = assign(st.targets[0], lv, text_type, &err) && assign(st.targets[1], int_value(got ? 0 : 1), num, &err);
        } else if (n == "DBMS_OUTPUT.GET_LINES") {
            // numlines says how many lines are wanted and comes back as how many were read.
            PlValue wanted;
            const PlTarget& count = st.targets[1];
            if (count.host) {
                HostState* h = host(count.name, &err);
                if (!h || !host_read(h, &err)) return raise(err, st.line);
                wanted = h->value;
            } else {
                wanted = var(count.slot);
            }
            OraType num;
            num.code = kTypeNumber;
            PlValue n_wanted;
            if (!convert_number(wanted, num, num, &n_wanted, &err)) return raise(err, st.line);
            std::int64_t limit = n_wanted.kind == PlKind::Int ? n_wanted.i : static_cast<std::int64_t>(n_wanted.d);
            std::vector<PlValue>& items = collections_[st.targets[0].slot];
            items.clear();
            std::string line;
            while (static_cast<std::int64_t>(items.size()) < limit && dbms_output_get_line(out, &line)) {
                PlValue lv;
                if (!line.empty()) {
                    lv.kind = PlKind::Text;
                    lv.s = line;
                }
                items.push_back(lv);
            }
            ok = assign(count, int_value(static_cast<std::int64_t>(items.size())), num, &err);
        } else if (n == "RAISE_APPLICATION_ERROR") {
            PlValue num;
            OraType t;
            t.code = kTypeNumber;
            if (!convert_number(args[0], type_of(st.exprs[0]), t, &num, &err)) return raise(err, st.line);
            std::int64_t code = num.kind == PlKind::Int ? num.i : static_cast<std::int64_t>(num.d);
            if (num.kind == PlKind::Null || code > -20000 || code < -20999)
                return raise(make_error(21000, "error number argument to raise_application_error of " +
                                                   text_of(args[0], type_of(st.exprs[0])) + " is out of range"),
                             st.line);
            std::string msg = text_arg(1);
            if (msg.size() > 2048) msg.resize(2048);
            return raise(make_error(static_cast<int>(-code), msg), st.line);
        }
        if (!ok) return raise(err, st.line);
        return Flow::Next;
    }
};

}  // namespace

sword plsql_execute(StmtHandle* s, OCIError* errhp) {
    SessionHandle* ses = s->session;
    ServerHandle* srv = ses->server;
    ses->settings.statement_time = clock_now_stored();

    SqliteCatalog catalog(srv->db);
    PlCompileContext ctx;
    ctx.schema = ses->user;
    ctx.nls_date_format = ses->settings.nls_date_format;
    ctx.catalog = &catalog;
    ctx.db = srv->db;
    PlProgram program;
    if (!plsql_compile_tokens(s->text, s->tokens, ctx, &program, true)) {
        std::string text;
        for (std::size_t k = 0; k < program.errors.size(); ++k) {
            const PlCompileError& e = program.errors[k];
            std::string head =
                "line " + std::to_string(e.line) + ", column " + std::to_string(e.column) + ":\n" + e.text;
            text += k == 0 ? head : "\nORA-06550: " + head;
        }
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = 0;
        return error_set(errhp, 6550, text);
    }
    Interpreter interp(s, &program);
    PlError err;
    srv->busy = true;
    if (!interp.check_binds(&err)) return error_set(errhp, err.code, err.message);
    bool ok = interp.run(&err);
    srv->busy = false;
    s->executed = true;
    if (!ok) {
        int code = err.code;
        std::string message = err.message;
        if (code == 0) {
            code = 6510;
            message = "PL/SQL: unhandled user-defined exception";
        }
        for (const std::string& t : err.trace) message += "\n" + t;
        message += "\nORA-06512: at line " + std::to_string(err.line);
        return error_set(errhp, code, message);
    }
    s->row_count = 1;
    return OCI_SUCCESS;
}

bool plsql_run_function(SessionHandle* ses, PlProgram* program, const PlSubprogram* sub,
                        std::vector<PlValue>* pkg_values, const std::vector<PlValue>& args,
                        const std::vector<bool>& given, PlValue* result, PlError* err) {
    StmtHandle holder;
    holder.session = ses;
    Interpreter interp(&holder, program);
    interp.run_inside_statement();
    if (pkg_values) interp.attach_package(pkg_values, program->package_slots);
    std::vector<PlValue> outs;
    bool ok = plsql_nested_call(
        ses, [&](PlError* e) { return interp.run_unit(args, given, &outs, e, sub); }, err);
    interp.finish_unit();
    if (ok) *result = interp.return_value();
    return ok;
}

PlPackageState* plsql_package_state(SessionHandle* ses, const std::string& qualified,
                                    std::shared_ptr<PlCachedUnit>* program, PlError* err) {
    StmtHandle holder;
    holder.session = ses;
    PlProgram empty;
    Interpreter root(&holder, &empty);
    root.run_inside_statement();
    return root.package_state(qualified, program, err);
}

bool plsql_run_trigger(SessionHandle* ses, PlProgram* program, const std::string& event,
                       std::vector<PlValue>* old_values, std::vector<PlValue>* new_values, bool* fired, PlError* err) {
    StmtHandle holder;
    holder.session = ses;
    Interpreter interp(&holder, program);
    if (program->trigger_row) interp.run_inside_statement();
    return interp.run_trigger(event, old_values, new_values, fired, err);
}

std::int64_t plsql_take_redone_rows(SessionHandle* ses) {
    PlSessionState* st = plsql_session(ses);
    std::int64_t n = st->redone_rows;
    st->redone_rows = 0;
    return n;
}

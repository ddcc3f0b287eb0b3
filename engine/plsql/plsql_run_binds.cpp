// The interpreter's side of the caller's OCI binds: finding a placeholder's bind,
// reading its value in and writing what the block assigned back out at the end.
#include "plsql/plsql_interpreter.h"

#include "catalog/catalog.h"
#include "values/clock.h"
#include "values/decimal.h"
#include "values/errors.h"
#include "values/number_bytes.h"
#include "os/os.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plsql_running {

HostState* Interpreter::host(const std::string& name, PlError* err) {
    auto it = hosts_.find(name);
    if (it != hosts_.end()) return &it->second;
    BindHandle* found = nullptr;
    for (BindHandle* b : s_->binds)
        if (!b->name.empty() && b->name == name) found = b;
    if (!found && !name.empty() && name.find_first_not_of("0123456789") == std::string::npos && name.size() <= 9) {
        ub4 pos = static_cast<ub4>(std::stoul(name));
        for (BindHandle* b : s_->binds)
            if (b->position == pos) found = b;
    }
    if (!found) {
        // Placeholders are numbered in order of first appearance for positional binds:
        // in the block's text, assignment targets (`:a := ...`) included.
        std::vector<std::string> order;
        for (const Token& t : s_->tokens)
            if (t.kind == TokenKind::Bind && std::find(order.begin(), order.end(), t.text) == order.end())
                order.push_back(t.text);
        if (std::find(order.begin(), order.end(), name) == order.end()) order.clear();
        if (order.empty()) {
            for (const auto& q : p_->sql)
                for (const std::string& n : q->tr.bind_names)
                    if (n[0] != '#' && std::find(order.begin(), order.end(), n) == order.end()) order.push_back(n);
        }
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

bool Interpreter::host_read(HostState* h, PlError* err) {
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
        h->value.s.clear();
        h->value.d = v;
        return true;
    }
    case SQLT_BIN:
    case SQLT_NUM: {
        // The stored forms the engine's own dynamic SQL binds: bytes, a NUMBER's bytes.
        std::size_t len = b->alen ? *b->alen : cap;
        if (len > cap) len = cap;
        if (len) {
            h->value.kind = PlKind::Text;
            h->value.s.assign(p, len);
        }
        if (b->dty == SQLT_NUM && len) {
            Decimal d;
            NumberStored n;
            if (!number_bytes_decode(reinterpret_cast<const unsigned char*>(p), len, &d) || !number_stored(d, &n)) {
                *err = make_error(1722, ora_message(1722));
                return false;
            }
            h->value = pl_number_value(n);
        }
        return true;
    }
    default:
        *err = pl_error(3115);
        return false;
    }
}

bool Interpreter::host_assign(const std::string& name, const PlValue& v, const OraType& type, PlError* err) {
    HostState* h = host(name, err);
    if (!h) return false;
    BindHandle* b = h->bind;
    if (b->dty == SQLT_RSET || type.code == kPlTypeRefCursor) {
        if (b->dty != SQLT_RSET || type.code != kPlTypeRefCursor) {
            *err = make_error(3115, ora_message(3115));
            return false;
        }
        return hand_over_cursor(b, v, err);
    }
    PlValue out;
    if (b->typed) {
        // The engine's own dynamic SQL takes the value back in its stored form and type.
        h->value = v;
        h->written = true;
        b->returned = BindHandle::Returned();
        b->returned.type = type;
        return true;
    }
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

bool Interpreter::flush_hosts(PlError* err) {
    (void)err;
    for (auto& entry : hosts_) {
        HostState& h = entry.second;
        if (!h.written) continue;
        BindHandle* b = h.bind;
        if (b->typed) {
            BindHandle::Returned& r = b->returned;
            r.set = true;
            r.i = h.value.i;
            r.d = h.value.d;
            r.s = h.value.s;
            r.kind = h.value.kind == PlKind::Int    ? SQLITE_INTEGER
                     : h.value.kind == PlKind::Real ? (h.value.s.empty() ? SQLITE_FLOAT : SQLITE_TEXT)
                     : h.value.kind == PlKind::Text ? SQLITE_TEXT
                                                    : SQLITE_NULL;
            if (b->indicator) *b->indicator = r.kind == SQLITE_NULL ? OCI_IND_NULL : 0;
            continue;
        }
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

}  // namespace plsql_running

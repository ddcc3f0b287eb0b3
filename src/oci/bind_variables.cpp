// The session's bind variables and their binding into statements by name.
#include "oci/bind_variables.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "oci/oci_calls.h"

namespace {

constexpr const char* kModule = "bind_variables";

// Longest name of a variable, as Oracle's identifiers.
constexpr size_t kNameMax = 30;
// Bytes a CLOB or NCLOB variable can hold; a longer value is refused by the statement.
constexpr int kLobBytes = 1 << 20;
// Bytes of a number's text (40 digits, sign, point and exponent fit).
constexpr int kNumberBytes = 64;

struct TypeRow {
    const char* name;
    int max_length;        // 0: the type takes no length
    int bytes;             // capacity of a type without length; bytes per character with one
    bool pad;
    bool cursor = false;   // bound as a statement handle
};

const TypeRow kTypes[] = {
    {"NUMBER", 0, kNumberBytes, false},   {"BINARY_FLOAT", 0, kNumberBytes, false},
    {"BINARY_DOUBLE", 0, kNumberBytes, false}, {"CHAR", 2000, 1, true},
    {"NCHAR", 1000, 4, true},             {"VARCHAR2", 32767, 1, false},
    {"NVARCHAR2", 16383, 4, false},       {"CLOB", 0, kLobBytes, false},
    {"NCLOB", 0, kLobBytes, false},       {"REFCURSOR", 0, 0, false, true},
};

std::mutex g_lock;
std::vector<BindVariable> g_variables;

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool is_name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

bool valid_name(const std::string& name) {
    if (name.empty() || name.size() > kNameMax || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name)
        if (!is_name_char(c)) return false;
    return true;
}

BindVariable* find_locked(const std::string& name) {
    for (BindVariable& v : g_variables)
        if (v.name == name) return &v;
    return nullptr;
}

void free_cursor(OCIStmt* handle) {
    if (handle && oci_available()) oci().OCIHandleFree(handle, OCI_HTYPE_STMT);
}

// Reads "TYPE", "TYPE(n)", "TYPE (n CHAR|BYTE)" into a variable; empty or the message.
std::string parse_type(const std::string& text, BindVariable* v) {
    size_t i = 0;
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) ++i;
    const std::string word = upper(text.substr(0, i));
    const TypeRow* row = nullptr;
    for (const TypeRow& r : kTypes)
        if (word == r.name) row = &r;
    if (!row) return "Invalid bind variable type " + text + "\n";
    while (i < text.size() && text[i] == ' ') ++i;
    long length = 1;
    bool characters = false;
    if (i < text.size()) {
        if (text[i] != '(' || row->max_length == 0) return "Invalid bind variable type " + text + "\n";
        ++i;
        while (i < text.size() && text[i] == ' ') ++i;
        const size_t digits = i;
        length = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && length <= row->max_length)
            length = length * 10 + (text[i++] - '0');
        if (i == digits) return "Invalid bind variable type " + text + "\n";
        if (length < 1 || length > row->max_length)
            return "Bind variable length must be between 1 and " + std::to_string(row->max_length) + "\n";
        while (i < text.size() && text[i] == ' ') ++i;
        size_t unit = i;
        while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) ++i;
        const std::string semantics = upper(text.substr(unit, i - unit));
        if (!semantics.empty() && semantics != "CHAR" && semantics != "BYTE")
            return "Invalid bind variable type " + text + "\n";
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size() || text[i] != ')') return "Invalid bind variable type " + text + "\n";
        ++i;
        while (i < text.size() && text[i] == ' ') ++i;
        if (i != text.size()) return "Invalid bind variable type " + text + "\n";
        characters = semantics == "CHAR";
    }
    v->pad = row->pad;
    v->cursor = row->cursor;
    if (row->max_length == 0) {
        v->type = row->name;
        v->capacity = row->bytes;
    } else {
        // A length in characters holds characters of up to four bytes each.
        v->capacity = static_cast<int>(length) * (characters ? 4 : row->bytes);
        v->type = std::string(row->name) + "(" + std::to_string(length) + (characters ? " CHAR" : "") + ")";
    }
    return std::string();
}

}  // namespace

std::string bind_variable_declare(const std::string& name, const std::string& type) {
    if (!valid_name(name)) return "Illegal variable name \"" + name + "\"\n";
    BindVariable v;
    v.name = upper(name);
    const std::string error = parse_type(type, &v);
    if (!error.empty()) return error;
    std::lock_guard<std::mutex> guard(g_lock);
    if (BindVariable* old = find_locked(v.name)) {
        free_cursor(old->handle);
        *old = v;
    } else
        g_variables.push_back(v);
    return std::string();
}

bool bind_variable_find(const std::string& name, BindVariable* variable) {
    std::lock_guard<std::mutex> guard(g_lock);
    const BindVariable* v = find_locked(upper(name));
    if (v && variable) *variable = *v;
    return v != nullptr;
}

std::vector<BindVariable> bind_variable_list() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_variables;
}

void bind_variables_clear() {
    std::lock_guard<std::mutex> guard(g_lock);
    for (BindVariable& v : g_variables) free_cursor(v.handle);
    g_variables.clear();
}

OCIStmt* bind_variable_take_cursor(const std::string& name) {
    std::lock_guard<std::mutex> guard(g_lock);
    BindVariable* v = find_locked(upper(name));
    if (!v) return nullptr;
    OCIStmt* handle = v->handle;
    v->handle = nullptr;
    return handle;
}

std::vector<std::string> bind_placeholders(const char* text) {
    std::vector<std::string> names;
    const size_t n = std::strlen(text);
    size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if ((c == 'q' || c == 'Q') && i + 2 < n && text[i + 1] == '\'' && (i == 0 || !is_name_char(text[i - 1]))) {
            // q'X...X': the closing delimiter is the partner of an opening bracket.
            const char open = text[i + 2];
            const char close = open == '[' ? ']' : open == '(' ? ')' : open == '{' ? '}' : open == '<' ? '>' : open;
            i += 3;
            while (i < n && !(text[i] == close && i + 1 < n && text[i + 1] == '\'')) ++i;
            i += 2;
        } else if (c == '\'' || c == '"') {
            ++i;
            while (i < n && text[i] != c) ++i;
            ++i;
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            while (i < n && text[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            const char* end = std::strstr(text + i + 2, "*/");
            i = end ? static_cast<size_t>(end - text) + 2 : n;
        } else if (c == ':' && i + 1 < n && std::isalpha(static_cast<unsigned char>(text[i + 1])) &&
                   (i == 0 || !is_name_char(text[i - 1]))) {
            size_t end = i + 1;
            while (end < n && is_name_char(text[end])) ++end;
            const std::string name = upper(std::string(text + i + 1, end - i - 1));
            bool seen = false;
            for (const std::string& known : names) seen = seen || known == name;
            if (!seen) names.push_back(name);
            i = end;
        } else if (is_name_char(c)) {
            while (i < n && is_name_char(text[i])) ++i;
        } else {
            ++i;
        }
    }
    return names;
}

int HostBinds::attach(OCIStmt* statement, const char* text) {
    slots_.clear();
    for (const std::string& name : bind_placeholders(text)) {
        BindVariable v;
        if (!bind_variable_find(name, &v)) continue;
        auto slot = std::make_unique<Slot>();
        slot->name = v.name;
        slot->pad = v.pad;
        const std::string placeholder = ":" + v.name;
        OCIBind* bind = nullptr;
        if (v.cursor) {
            // The block opens its query on a fresh handle; the variable takes it afterwards.
            if (OCI_REPORT(oci().OCIHandleAlloc(g_db->env_handle, reinterpret_cast<void**>(&slot->cursor),
                                                OCI_HTYPE_STMT, 0, nullptr)))
                return -1;
            Slot* bound = slot.get();
            slots_.push_back(std::move(slot));
            if (OCI_REPORT(oci().OCIBindByName(statement, &bind, g_db->error_handle,
                                               reinterpret_cast<const OraText*>(placeholder.c_str()),
                                               static_cast<sb4>(placeholder.size()), &bound->cursor, 0, SQLT_RSET,
                                               nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT)))
                return -1;
            continue;
        }
        slot->buffer.assign(static_cast<size_t>(v.capacity) + 1, '\0');
        slot->indicator = v.null ? -1 : 0;
        // Declared lengths count characters of CHAR types; the value never exceeds the
        // capacity, since the statement refuses what does not fit.
        slot->length = v.capacity;
        std::memcpy(slot->buffer.data(), v.value.data(), std::min(v.value.size(), static_cast<size_t>(v.capacity)));
        if (OCI_REPORT(oci().OCIBindByName(statement, &bind, g_db->error_handle,
                                           reinterpret_cast<const OraText*>(placeholder.c_str()),
                                           static_cast<sb4>(placeholder.size()), slot->buffer.data(),
                                           static_cast<sb4>(slot->buffer.size()), SQLT_STR, &slot->indicator,
                                           nullptr, nullptr, 0, nullptr, OCI_DEFAULT)))
            return -1;
        slots_.push_back(std::move(slot));
    }
    return 0;
}

HostBinds::~HostBinds() {
    for (const auto& slot : slots_) free_cursor(slot->cursor);
}

void HostBinds::store() {
    std::lock_guard<std::mutex> guard(g_lock);
    for (const auto& slot : slots_) {
        BindVariable* v = find_locked(slot->name);
        if (slot->cursor) {
            // The statement may have opened a new cursor: the variable holds it from now.
            if (!v || !v->cursor) continue;
            free_cursor(v->handle);
            v->handle = slot->cursor;
            slot->cursor = nullptr;
            continue;
        }
        // A variable declared again while the statement ran keeps its new, empty value.
        if (!v || v->capacity + 1 != static_cast<int>(slot->buffer.size())) continue;
        slot->buffer.back() = '\0';
        v->null = slot->indicator == -1;
        v->value = v->null ? std::string() : std::string(slot->buffer.data());
        if (v->value.empty()) v->null = true;
        if (!v->null && v->pad) {
            const size_t open = v->type.find('(');
            const size_t length = open == std::string::npos ? 1 : std::strtoul(v->type.c_str() + open + 1, nullptr, 10);
            if (v->value.size() < length) v->value.append(length - v->value.size(), ' ');
        }
    }
}

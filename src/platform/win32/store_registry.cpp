// The per-user store on Windows: the registry under HKEY_CURRENT_USER. Writers create the
// key with the value type's name as its class string; readers check the value's type.
// Must not touch any hive other than HKEY_CURRENT_USER.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/platform.h"
#include "platform/store_value.h"

#include <string>

namespace {

// Closes a registry key when it goes out of scope.
struct RegistryKey {
    HKEY key = nullptr;
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (key != nullptr) RegCloseKey(key);
    }
};

DWORD registry_type(StoreType type) {
    switch (type) {
    case StoreType::String: return REG_SZ;
    case StoreType::Binary: return REG_BINARY;
    case StoreType::Dword: return REG_DWORD;
    }
    return REG_NONE;
}

// The store type of a registry type; false for every other registry type.
bool store_type_of(DWORD type, StoreType* out) {
    switch (type) {
    case REG_SZ: *out = StoreType::String; return true;
    case REG_BINARY: *out = StoreType::Binary; return true;
    case REG_DWORD: *out = StoreType::Dword; return true;
    default: return false;
    }
}

void set_store_error(StoreStatus status) {
    switch (status) {
    case StoreStatus::Ok: break;
    case StoreStatus::Missing: SetLastError(ERROR_FILE_NOT_FOUND); break;
    case StoreStatus::WrongType: SetLastError(ERROR_DATATYPE_MISMATCH); break;
    case StoreStatus::TooSmall: SetLastError(ERROR_MORE_DATA); break;
    case StoreStatus::TooLarge: SetLastError(ERROR_FILE_TOO_LARGE); break;
    case StoreStatus::BadArgument: SetLastError(ERROR_INVALID_PARAMETER); break;
    case StoreStatus::Failed: SetLastError(ERROR_GEN_FAILURE); break;
    }
}

// Registry calls return their error instead of setting the thread's last error.
bool registry_result(LSTATUS status) {
    if (status == ERROR_SUCCESS) return true;
    SetLastError(static_cast<DWORD>(status));
    return false;
}

}  // namespace

bool platform_store_write(const char* key, const char* name, StoreType type, const void* data,
                          std::size_t size) {
    std::string stored;
    StoreStatus status = key == nullptr || *key == '\0' || name == nullptr
                             ? StoreStatus::BadArgument
                             : store_value_prepare(type, data, size, &stored);
    if (status != StoreStatus::Ok) {
        set_store_error(status);
        return false;
    }
    RegistryKey opened;
    std::string class_name = store_type_name(type);
    if (!registry_result(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, &class_name[0],
                                         REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                         &opened.key, nullptr)))
        return false;
    return registry_result(RegSetValueExA(opened.key, name, 0, registry_type(type),
                                          reinterpret_cast<const BYTE*>(stored.data()),
                                          static_cast<DWORD>(stored.size())));
}

bool platform_store_read(const char* key, const char* name, StoreType type, void* buf,
                         std::size_t size, std::size_t* got) {
    if (got != nullptr) *got = 0;
    if (key == nullptr || *key == '\0' || name == nullptr) {
        set_store_error(StoreStatus::BadArgument);
        return false;
    }
    RegistryKey opened;
    if (!registry_result(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &opened.key)))
        return false;
    // The value is read whole into a buffer of its own size, so that a changing or
    // oversized value never reaches the caller's buffer in part.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD kind = REG_NONE;
        DWORD length = 0;
        if (!registry_result(RegQueryValueExA(opened.key, name, nullptr, &kind, nullptr, &length)))
            return false;
        std::string stored(length, '\0');
        DWORD read = length;
        LSTATUS status = RegQueryValueExA(opened.key, name, nullptr, &kind,
                                          reinterpret_cast<BYTE*>(&stored[0]), &read);
        if (status == ERROR_MORE_DATA) continue;
        if (!registry_result(status)) return false;
        stored.resize(read);
        StoreType have = StoreType::Binary;
        StoreStatus result = store_type_of(kind, &have)
                                 ? store_value_deliver(type, have, stored, buf, size, got)
                                 : StoreStatus::WrongType;
        set_store_error(result);
        return result == StoreStatus::Ok;
    }
    set_store_error(StoreStatus::Failed);
    return false;
}

bool platform_store_delete_key(const char* key) {
    if (key == nullptr || *key == '\0') {
        set_store_error(StoreStatus::BadArgument);
        return false;
    }
    LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, key);
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return true;
    return registry_result(status);
}

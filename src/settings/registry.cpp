// The registry-style accessors over the platform's per-user store.
#include "settings/registry.h"

#include <cstring>

#include "platform/platform.h"

bool registry_write_string(const char* key, const char* name, const char* value) {
    return platform_store_write(key, name, StoreType::String, value, std::strlen(value) + 1);
}

bool registry_write_dword(const char* key, const char* name, std::uint32_t value) {
    return platform_store_write(key, name, StoreType::Dword, &value, sizeof value);
}

bool registry_write_binary(const char* key, const char* name, const void* data, std::size_t size) {
    return platform_store_write(key, name, StoreType::Binary, data, size);
}

bool registry_read_string(const char* key, const char* name, char* buffer, std::size_t size) {
    std::size_t got = 0;
    if (size == 0 || !platform_store_read(key, name, StoreType::String, buffer, size, &got)) return false;
    buffer[size - 1] = '\0';
    return true;
}

bool registry_read_dword(const char* key, const char* name, std::uint32_t* value) {
    std::size_t got = 0;
    std::uint32_t read = 0;
    if (!platform_store_read(key, name, StoreType::Dword, &read, sizeof read, &got) || got != sizeof read)
        return false;
    *value = read;
    return true;
}

bool registry_read_binary(const char* key, const char* name, void* buffer, std::size_t size, std::size_t* got) {
    return platform_store_read(key, name, StoreType::Binary, buffer, size, got);
}

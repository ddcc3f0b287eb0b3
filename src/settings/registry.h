// Named access to the per-user store with the registry's key paths and value types.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* kRegistryKey = "SOFTWARE\\VANTRO";
constexpr const char* kRegistryToolbarKey = "SOFTWARE\\VANTRO\\toolbar";

bool registry_write_string(const char* key, const char* name, const char* value);
bool registry_write_dword(const char* key, const char* name, std::uint32_t value);
bool registry_write_binary(const char* key, const char* name, const void* data, std::size_t size);
// Reads at most size bytes (a string with its NUL); false when there is no such value.
bool registry_read_string(const char* key, const char* name, char* buffer, std::size_t size);
bool registry_read_dword(const char* key, const char* name, std::uint32_t* value);
bool registry_read_binary(const char* key, const char* name, void* buffer, std::size_t size,
                          std::size_t* got);

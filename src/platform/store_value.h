// The rules of one store value that both implementations of the per-user store share:
// what a write may store and how a stored value is handed to a reader's buffer.
// Portable: no system headers, no I/O; each implementation maps StoreStatus to its own
// error codes.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

enum class StoreStatus { Ok, Missing, WrongType, TooSmall, TooLarge, BadArgument, Failed };

// The registry's name of a type ("REG_SZ", "REG_DWORD", "REG_BINARY").
const char* store_type_name(StoreType type);
// The type a registry name stands for; false when the name is none of the three.
bool store_type_from_name(const std::string& name, StoreType* type);

// The largest value a write accepts, on every platform alike (the registry's own
// guideline for a value).
constexpr std::size_t kStoreMaxValueBytes = 1u << 20;

// The bytes a write stores: a double word must be exactly 4 bytes; a string is stored
// with one terminating NUL, added when the caller's bytes do not end in one; nothing
// beyond kStoreMaxValueBytes is stored (TooLarge).
StoreStatus store_value_prepare(StoreType type, const void* data, std::size_t size,
                                std::string* stored);

// Hands a stored value of type `have` to a reader that asked for `want`: copies it into
// buf when it fits and sets *got (when given) to the value's full size, also when it does
// not fit. A string lacking its NUL (written by another program) is read with one added.
StoreStatus store_value_deliver(StoreType want, StoreType have, const std::string& stored,
                                void* buf, std::size_t size, std::size_t* got);

// ASCII case-insensitive equality: registry keys and value names ignore case.
bool store_name_equal(const std::string& a, const std::string& b);

// Shared rules of store values: type names, what a write stores, how a read delivers.
// Must stay free of system headers; the registry and the store file both use it.
#include "platform/store_value.h"

#include <cstring>

const char* store_type_name(StoreType type) {
    switch (type) {
    case StoreType::String: return "REG_SZ";
    case StoreType::Binary: return "REG_BINARY";
    case StoreType::Dword: return "REG_DWORD";
    }
    return "REG_NONE";
}

bool store_type_from_name(const std::string& name, StoreType* type) {
    const StoreType all[] = {StoreType::String, StoreType::Binary, StoreType::Dword};
    for (StoreType t : all) {
        if (name == store_type_name(t)) {
            *type = t;
            return true;
        }
    }
    return false;
}

static bool store_type_known(StoreType type) {
    return type == StoreType::String || type == StoreType::Binary || type == StoreType::Dword;
}

StoreStatus store_value_prepare(StoreType type, const void* data, std::size_t size,
                                std::string* stored) {
    if (!store_type_known(type) || (data == nullptr && size != 0)) return StoreStatus::BadArgument;
    if (size > kStoreMaxValueBytes) return StoreStatus::TooLarge;
    const char* bytes = static_cast<const char*>(data);
    switch (type) {
    case StoreType::Dword:
        if (size != 4) return StoreStatus::BadArgument;
        stored->assign(bytes, size);
        return StoreStatus::Ok;
    case StoreType::String:
        stored->assign(bytes == nullptr ? "" : bytes, size);
        if (stored->empty() || stored->back() != '\0') stored->push_back('\0');
        return stored->size() > kStoreMaxValueBytes ? StoreStatus::TooLarge : StoreStatus::Ok;
    case StoreType::Binary:
        stored->assign(bytes == nullptr ? "" : bytes, size);
        return StoreStatus::Ok;
    }
    return StoreStatus::BadArgument;
}

StoreStatus store_value_deliver(StoreType want, StoreType have, const std::string& stored,
                                void* buf, std::size_t size, std::size_t* got) {
    if (got != nullptr) *got = 0;
    if (!store_type_known(want) || (buf == nullptr && size != 0)) return StoreStatus::BadArgument;
    if (want != have) return StoreStatus::WrongType;
    std::string value = stored;
    if (have == StoreType::String && (value.empty() || value.back() != '\0')) value.push_back('\0');
    if (have == StoreType::Dword && value.size() != 4) return StoreStatus::WrongType;
    if (got != nullptr) *got = value.size();
    if (value.size() > size) return StoreStatus::TooSmall;
    if (!value.empty()) std::memcpy(buf, value.data(), value.size());
    return StoreStatus::Ok;
}

bool store_name_equal(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

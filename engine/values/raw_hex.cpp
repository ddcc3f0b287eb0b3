// RAW values as hexadecimal text and back.
#include "values/values.h"

std::size_t raw_to_hex(const unsigned char* data, std::size_t len, char* buf, std::size_t size) {
    static const char kHex[] = "0123456789ABCDEF";
    std::size_t pos = 0;
    for (std::size_t i = 0; i < len && pos + 2 < size; ++i) {
        buf[pos++] = kHex[data[i] >> 4];
        buf[pos++] = kHex[data[i] & 15];
    }
    if (size > 0) buf[pos] = 0;
    return pos;
}

bool raw_from_hex(const std::string& hex, std::string* out) {
    out->clear();
    std::size_t i = 0;
    auto val = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2 == 1) {
        int v = val(hex[0]);
        if (v < 0) return false;
        out->push_back(static_cast<char>(v));
        i = 1;
    }
    for (; i < hex.size(); i += 2) {
        int hi = val(hex[i]), lo = val(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

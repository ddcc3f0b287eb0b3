// The per-user store on POSIX: the file "registry" in the per-user config folder, with
// the registry's keys, value names and types, one value per line:
//
//   key <TAB> value name <TAB> REG_SZ|REG_DWORD|REG_BINARY <TAB> data
//
// Keys and names, and string data (without its final NUL), are written as they are
// except that '%', TAB, CR, LF and other control bytes become %XX; double words are
// decimal; binary data is hex. Lines end in CR LF (LF alone is read too).
// Every write re-reads the file, changes one value and replaces the file atomically
// (temporary file, fsync, rename) under a process mutex and an flock on "registry.lock",
// so concurrent writers in threads or processes lose nothing. Lines that do not parse
// are kept verbatim and ignored by readers. Nothing here touches any file other than
// "registry", its lock file and its temporary file.
#include "platform/platform.h"
#include "platform/store_value.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kStoreFile = "registry";
constexpr const char* kLockFile = "registry.lock";
constexpr const char* kTempFile = "registry.tmp";
constexpr const char* kHeader =
    "# Vantro per-user settings. One value a line: key, value name, type, data, separated "
    "by tabs; % escapes bytes in names and strings, binary data is hex.";
// A store file beyond this size is neither read nor written, so that one oversized file
// cannot exhaust memory; a write that would pass it is refused.
constexpr std::size_t kMaxStoreBytes = 64u << 20;

struct StoreLine {
    std::string text;       // the line as in the file, without its line end
    bool parsed = false;    // false: kept verbatim, never matched
    std::string key;
    std::string name;
    StoreType type = StoreType::Binary;
    std::string data;       // the stored bytes (a string with its NUL)
};

// Closes a descriptor when it goes out of scope.
struct FileDescriptor {
    int fd = -1;
    explicit FileDescriptor(int f) : fd(f) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0) {
            int saved = errno;
            close(fd);
            errno = saved;
        }
    }
};

std::mutex g_store_mutex;

const char kHexDigits[] = "0123456789abcdef";
const char kUpperHexDigits[] = "0123456789ABCDEF";

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string escape(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '%') {
            out += '%';
            out += kUpperHexDigits[u >> 4];
            out += kUpperHexDigits[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

bool unescape(const std::string& text, std::string* bytes) {
    bytes->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char u = static_cast<unsigned char>(text[i]);
        if (u < 0x20 || u == 0x7F) return false;
        if (text[i] != '%') {
            *bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int high = hex_value(text[i + 1]);
        int low = hex_value(text[i + 2]);
        if (high < 0 || low < 0) return false;
        *bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string format_data(StoreType type, const std::string& data) {
    switch (type) {
    case StoreType::String:
        return escape(data.substr(0, data.size() - 1));
    case StoreType::Dword: {
        std::uint32_t value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        return std::to_string(value);
    }
    case StoreType::Binary: {
        std::string out;
        for (char c : data) {
            unsigned char u = static_cast<unsigned char>(c);
            out += kHexDigits[u >> 4];
            out += kHexDigits[u & 15];
        }
        return out;
    }
    }
    return std::string();
}

bool parse_data(StoreType type, const std::string& text, std::string* data) {
    switch (type) {
    case StoreType::String:
        if (!unescape(text, data)) return false;
        data->push_back('\0');
        return true;
    case StoreType::Dword: {
        if (text.empty() || text.size() > 10) return false;
        std::uint64_t value = 0;
        for (char c : text) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (value > 0xFFFFFFFFu) return false;
        std::uint32_t dword = static_cast<std::uint32_t>(value);
        data->assign(reinterpret_cast<const char*>(&dword), sizeof dword);
        return true;
    }
    case StoreType::Binary:
        if (text.size() % 2 != 0) return false;
        data->clear();
        for (std::size_t i = 0; i < text.size(); i += 2) {
            int high = hex_value(text[i]);
            int low = hex_value(text[i + 1]);
            if (high < 0 || low < 0) return false;
            *data += static_cast<char>(high * 16 + low);
        }
        return true;
    }
    return false;
}

std::string format_line(const std::string& key, const std::string& name, StoreType type,
                        const std::string& data) {
    return escape(key) + '\t' + escape(name) + '\t' + store_type_name(type) + '\t' +
           format_data(type, data);
}

StoreLine parse_line(const std::string& text) {
    StoreLine line;
    line.text = text;
    std::size_t tab1 = text.find('\t');
    std::size_t tab2 = tab1 == std::string::npos ? tab1 : text.find('\t', tab1 + 1);
    std::size_t tab3 = tab2 == std::string::npos ? tab2 : text.find('\t', tab2 + 1);
    if (tab3 == std::string::npos || text.find('\t', tab3 + 1) != std::string::npos) return line;
    if (!unescape(text.substr(0, tab1), &line.key) || line.key.empty()) return line;
    if (!unescape(text.substr(tab1 + 1, tab2 - tab1 - 1), &line.name)) return line;
    if (!store_type_from_name(text.substr(tab2 + 1, tab3 - tab2 - 1), &line.type)) return line;
    line.parsed = parse_data(line.type, text.substr(tab3 + 1), &line.data);
    return line;
}

// Reads the whole store file into lines; a missing file is an empty store. False (errno
// set) when the file exists but cannot be read.
bool store_load(const std::string& path, std::vector<StoreLine>* lines) {
    lines->clear();
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0) return errno == ENOENT;
    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(file.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
        if (content.size() > kMaxStoreBytes) {
            errno = EFBIG;
            return false;
        }
    }
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string text = content.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines->push_back(parse_line(text));
        start = end + 1;
    }
    return true;
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes lines to a temporary file in the store's folder and renames it over the store,
// so that a reader sees either the old or the new file, never a partial one.
bool store_replace(const std::string& folder, const std::vector<StoreLine>& lines) {
    std::string content;
    for (const StoreLine& line : lines) content += line.text + "\r\n";
    if (content.size() > kMaxStoreBytes) {
        errno = EFBIG;
        return false;
    }
    std::string temp = folder + "/" + kTempFile;
    std::string path = folder + "/" + kStoreFile;
    {
        FileDescriptor file(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (file.fd < 0) return false;
        bool ok = write_all(file.fd, content) && fsync(file.fd) == 0;
        int fd = file.fd;
        file.fd = -1;
        ok = close(fd) == 0 && ok;
        if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
            int saved = errno;
            unlink(temp.c_str());
            errno = saved;
            return false;
        }
    }
    FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) fsync(dir.fd);
    return true;
}

// Runs change on the store's lines while holding both locks, then replaces the file when
// change reports that it altered something.
template <typename Change>
bool store_update(Change change) {
    std::lock_guard<std::mutex> guard(g_store_mutex);
    std::string folder = platform_user_folder(UserFolder::Config);
    if (folder.empty()) return false;
    FileDescriptor lock(open((folder + "/" + kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.fd < 0) return false;
    while (flock(lock.fd, LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    std::vector<StoreLine> lines;
    if (!store_load(folder + "/" + kStoreFile, &lines)) return false;
    if (!change(&lines)) return true;
    return store_replace(folder, lines);
}

void set_store_error(StoreStatus status) {
    switch (status) {
    case StoreStatus::Ok: break;
    case StoreStatus::Missing: errno = ENOENT; break;
    case StoreStatus::WrongType: errno = EINVAL; break;
    case StoreStatus::TooSmall: errno = ERANGE; break;
    case StoreStatus::TooLarge: errno = EFBIG; break;
    case StoreStatus::BadArgument: errno = EINVAL; break;
    case StoreStatus::Failed: errno = EIO; break;
    }
}

bool key_within(const std::string& key, const std::string& root) {
    if (store_name_equal(key, root)) return true;
    return key.size() > root.size() && key[root.size()] == '\\' &&
           store_name_equal(key.substr(0, root.size()), root);
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
    std::string key_text = key;
    std::string name_text = name;
    std::string text = format_line(key_text, name_text, type, stored);
    return store_update([&](std::vector<StoreLine>* lines) {
        bool placed = false;
        std::vector<StoreLine> kept;
        if (lines->empty()) kept.push_back(parse_line(kHeader));
        for (StoreLine& line : *lines) {
            bool match = line.parsed && store_name_equal(line.key, key_text) &&
                         store_name_equal(line.name, name_text);
            if (!match) {
                kept.push_back(std::move(line));
            } else if (!placed) {
                kept.push_back(parse_line(text));
                placed = true;
            }
        }
        if (!placed) kept.push_back(parse_line(text));
        lines->swap(kept);
        return true;
    });
}

bool platform_store_read(const char* key, const char* name, StoreType type, void* buf,
                         std::size_t size, std::size_t* got) {
    if (got != nullptr) *got = 0;
    if (key == nullptr || *key == '\0' || name == nullptr) {
        set_store_error(StoreStatus::BadArgument);
        return false;
    }
    std::string folder = platform_user_folder(UserFolder::Config);
    if (folder.empty()) return false;
    std::vector<StoreLine> lines;
    if (!store_load(folder + "/" + kStoreFile, &lines)) return false;
    for (const StoreLine& line : lines) {
        if (line.parsed && store_name_equal(line.key, key) && store_name_equal(line.name, name)) {
            StoreStatus status = store_value_deliver(type, line.type, line.data, buf, size, got);
            set_store_error(status);
            return status == StoreStatus::Ok;
        }
    }
    set_store_error(StoreStatus::Missing);
    return false;
}

bool platform_store_delete_key(const char* key) {
    if (key == nullptr || *key == '\0') {
        set_store_error(StoreStatus::BadArgument);
        return false;
    }
    std::string root = key;
    return store_update([&](std::vector<StoreLine>* lines) {
        std::vector<StoreLine> kept;
        for (StoreLine& line : *lines) {
            if (!(line.parsed && key_within(line.key, root))) kept.push_back(std::move(line));
        }
        bool changed = kept.size() != lines->size();
        lines->swap(kept);
        return changed;
    });
}

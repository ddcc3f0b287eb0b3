// POSIX implementation of the platform services: threads, the tick count, the current
// directory, error texts and the per-user folders. The per-user store is in
// store_file.cpp. Only this folder includes POSIX headers; nothing here may call into
// the core or write to the console.
#include "platform/platform.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// --- Threads -------------------------------------------------------------------------
// POSIX has no small thread id, so ids come from a counter. Each thread keeps its own in
// a thread_local; a thread not started here (the main thread) takes one on first use.

static std::atomic<ThreadId> g_next_thread_id{1};
static thread_local ThreadId t_thread_id = 0;

static ThreadId thread_id_allocate() {
    ThreadId id = g_next_thread_id.fetch_add(1, std::memory_order_relaxed);
    while (id == 0) id = g_next_thread_id.fetch_add(1, std::memory_order_relaxed);
    return id;
}

namespace {
struct ThreadStart {
    ThreadRoutine routine;
    void* arg;
    ThreadId id;
};
}  // namespace

static void thread_main(ThreadStart* raw) {
    std::unique_ptr<ThreadStart> start(raw);
    t_thread_id = start->id;
    start->routine(start->arg);
}

ThreadId platform_thread_start(ThreadRoutine routine, void* arg) {
    if (routine == nullptr) {
        errno = EINVAL;
        return 0;
    }
    std::unique_ptr<ThreadStart> start(new (std::nothrow) ThreadStart{routine, arg, 0});
    if (!start) {
        errno = ENOMEM;
        return 0;
    }
    start->id = thread_id_allocate();
    ThreadId id = start->id;
    try {
        std::thread thread(thread_main, start.get());
        start.release();
        thread.detach();
    } catch (const std::system_error& e) {
        errno = e.code().value() != 0 ? e.code().value() : EAGAIN;
        return 0;
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return 0;
    }
    return id;
}

ThreadId platform_current_thread_id() {
    if (t_thread_id == 0) t_thread_id = thread_id_allocate();
    return t_thread_id;
}

// --- Time ----------------------------------------------------------------------------

std::uint32_t platform_tick_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

void platform_sleep_ms(std::uint32_t ms) {
    timespec left{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// --- Current directory ---------------------------------------------------------------

bool platform_set_current_directory(const char* path) {
    if (path == nullptr || *path == '\0') {
        errno = path == nullptr ? EINVAL : ENOENT;
        return false;
    }
    return chdir(path) == 0;
}

std::string platform_current_directory() {
    std::vector<char> buffer(256);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE || buffer.size() > (1u << 20)) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

// --- Error codes and texts -----------------------------------------------------------

// strerror_r is the GNU one (returning the text) or the XSI one (filling the buffer),
// depending on the C library; these two overloads accept either.
[[maybe_unused]] static const char* strerror_result(const char* text, const char*) { return text; }
[[maybe_unused]] static const char* strerror_result(int rc, const char* buffer) { return rc == 0 ? buffer : nullptr; }

std::string platform_last_error_text() {
    int code = errno;
    char buffer[256] = {};
    const char* text = strerror_result(strerror_r(code, buffer, sizeof buffer), buffer);
    std::string result = text != nullptr && *text != '\0' ? text : "Unknown error " + std::to_string(code);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    errno = code;
    return result;
}

int platform_last_error_code() { return errno; }

void platform_set_last_error_code(int code) { errno = code; }

// --- Per-user folders ----------------------------------------------------------------

static std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

static bool is_directory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates path and its missing parents (mode 0700, the folders hold private settings).
static bool make_directories(const std::string& path) {
    if (path.empty()) return false;
    if (is_directory(path)) return true;
    for (std::size_t at = path.find('/', 1); ; at = path.find('/', at + 1)) {
        std::string prefix = path.substr(0, at);
        if (!prefix.empty() && prefix.back() != '/' && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (at == std::string::npos) break;
    }
    if (!is_directory(path)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// The directory the process started in, taken before any code could change it, so that a
// relative VANTRO_HOME keeps naming the same folder after `set directory`.
static const std::string g_start_directory = platform_current_directory();

static std::string home_directory() {
    std::string home = environment("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return std::string();
}

// An XDG base directory variable, or home + fallback when it is unset, empty or relative
// (relative values are invalid for XDG and ignored).
static std::string xdg_directory(const char* variable, const char* fallback) {
    std::string value = environment(variable);
    if (!value.empty() && value[0] == '/') return value;
    std::string home = home_directory();
    if (home.empty()) return std::string();
    return home + "/" + fallback;
}

static std::string documents_directory() {
    std::string documents = environment("XDG_DOCUMENTS_DIR");
    if (!documents.empty() && documents[0] == '/' && is_directory(documents)) return documents;
    std::string home = home_directory();
    if (home.empty()) return std::string();
    if (is_directory(home + "/Documents")) return home + "/Documents";
    return home;
}

std::string platform_user_folder(UserFolder which) {
    std::string home = environment("VANTRO_HOME");
    if (!home.empty()) {
        if (home[0] != '/' && !g_start_directory.empty()) home = g_start_directory + "/" + home;
        while (home.size() > 1 && home.back() == '/') home.pop_back();
    }
    std::string folder;
    bool create = true;
    switch (which) {
    case UserFolder::Config:
        folder = !home.empty() ? home : xdg_directory("XDG_CONFIG_HOME", ".config");
        if (home.empty() && !folder.empty()) folder += "/vantro";
        break;
    case UserFolder::Data:
        folder = !home.empty() ? home : xdg_directory("XDG_DATA_HOME", ".local/share");
        if (home.empty() && !folder.empty()) folder += "/vantro";
        break;
    case UserFolder::Documents:
        folder = !home.empty() ? home : documents_directory();
        create = !home.empty();
        break;
    case UserFolder::Databases:
        folder = !home.empty() ? home : xdg_directory("XDG_DATA_HOME", ".local/share");
        if (!folder.empty()) folder += home.empty() ? "/vantro/databases" : "/databases";
        break;
    }
    if (folder.empty()) {
        errno = ENOENT;
        return std::string();
    }
    if (create ? !make_directories(folder) : !is_directory(folder)) return std::string();
    return folder;
}

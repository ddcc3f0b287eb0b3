// Win32 implementation of the platform services: threads, the tick count, the current
// directory, error texts and the per-user folders. The per-user store (the registry) is
// in store_registry.cpp. Only this folder includes <windows.h> for these services;
// nothing here may call into the core or show a window.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>

#include "platform/platform.h"

#include <memory>
#include <new>
#include <vector>

// --- Threads -------------------------------------------------------------------------

namespace {
struct ThreadStart {
    ThreadRoutine routine;
    void* arg;
};
}  // namespace

static DWORD WINAPI thread_main(LPVOID raw) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(raw));
    return static_cast<DWORD>(start->routine(start->arg));
}

ThreadId platform_thread_start(ThreadRoutine routine, void* arg) {
    if (routine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::unique_ptr<ThreadStart> start(new (std::nothrow) ThreadStart{routine, arg});
    if (!start) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, thread_main, start.get(), 0, &id);
    if (thread == nullptr) return 0;
    start.release();
    CloseHandle(thread);
    return static_cast<ThreadId>(id);
}

ThreadId platform_current_thread_id() { return static_cast<ThreadId>(GetCurrentThreadId()); }

// --- Time ----------------------------------------------------------------------------

std::uint32_t platform_tick_ms() { return static_cast<std::uint32_t>(GetTickCount()); }

void platform_sleep_ms(std::uint32_t ms) { Sleep(ms); }

// --- Current directory ---------------------------------------------------------------

bool platform_set_current_directory(const char* path) {
    if (path == nullptr || *path == '\0') {
        SetLastError(path == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
        return false;
    }
    return SetCurrentDirectoryA(path) != 0;
}

std::string platform_current_directory() {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return std::string();
    std::vector<char> buffer(needed + 1);
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) return std::string();
    return std::string(buffer.data(), length);
}

// --- Error codes and texts -----------------------------------------------------------

std::string platform_last_error_text() {
    DWORD code = GetLastError();
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
        nullptr);
    std::string result;
    if (length != 0 && text != nullptr) result.assign(text, length);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    if (result.empty()) result = "Unknown error " + std::to_string(code);
    SetLastError(code);
    return result;
}

int platform_last_error_code() { return static_cast<int>(GetLastError()); }

void platform_set_last_error_code(int code) { SetLastError(static_cast<DWORD>(code)); }

// --- Per-user folders ----------------------------------------------------------------

static std::string environment(const char* name) {
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) return std::string();
    std::vector<char> buffer(needed);
    DWORD length = GetEnvironmentVariableA(name, buffer.data(), needed);
    if (length == 0 || length >= needed) return std::string();
    return std::string(buffer.data(), length);
}

static bool is_directory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

static bool is_separator(char c) { return c == '\\' || c == '/'; }

// Creates path and its missing parents.
static bool make_directories(const std::string& path) {
    if (path.empty()) return false;
    if (is_directory(path)) return true;
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && !is_separator(path[at])) continue;
        std::string prefix = path.substr(0, at);
        if (prefix.back() == ':' || is_separator(prefix.back())) continue;
        if (!CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS &&
            !is_directory(prefix))
            return false;
    }
    if (!is_directory(path)) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    return true;
}

static std::string shell_folder(int csidl) {
    char path[MAX_PATH] = {};
    HRESULT result = SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    if (result != S_OK) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::string();
    }
    return path;
}

// The directory the process started in, taken before any code could change it, so that a
// relative VANTRO_HOME keeps naming the same folder after `set directory`.
static const std::string g_start_directory = platform_current_directory();

static bool is_relative(const std::string& path) {
    bool rooted = is_separator(path[0]) || (path.size() >= 2 && path[1] == ':');
    return !rooted;
}

std::string platform_user_folder(UserFolder which) {
    std::string home = environment("VANTRO_HOME");
    if (!home.empty()) {
        if (is_relative(home) && !g_start_directory.empty()) home = g_start_directory + "\\" + home;
        while (home.size() > 3 && is_separator(home.back())) home.pop_back();
    }
    std::string folder;
    bool create = true;
    switch (which) {
    case UserFolder::Config:
    case UserFolder::Data:
        folder = !home.empty() ? home : shell_folder(CSIDL_APPDATA);
        if (home.empty() && !folder.empty()) folder += "\\Vantro";
        break;
    case UserFolder::Documents:
        folder = !home.empty() ? home : shell_folder(CSIDL_PERSONAL);
        create = !home.empty();
        break;
    case UserFolder::Databases:
        folder = !home.empty() ? home : shell_folder(CSIDL_LOCAL_APPDATA);
        if (!folder.empty()) folder += home.empty() ? "\\Vantro\\databases" : "\\databases";
        break;
    }
    if (folder.empty()) return std::string();
    if (create ? !make_directories(folder) : !is_directory(folder)) return std::string();
    return folder;
}

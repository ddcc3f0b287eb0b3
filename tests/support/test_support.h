// Helpers of the test programs: environment variables, temporary folders and names that
// are unique to one test run, so that no test touches the user's own files or settings.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/platform.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace test_support {

inline int process_id() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

// The implementation reads the process environment (GetEnvironmentVariableA on Windows),
// so the tests change it the same way. value == nullptr removes the variable.
inline void set_env(const char* name, const char* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value);
#else
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

inline bool get_env(const char* name, std::string* value) {
#ifdef _WIN32
    char buffer[32768];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    value->assign(buffer, length);
    return true;
#else
    const char* v = std::getenv(name);
    if (v == nullptr) return false;
    *value = v;
    return true;
#endif
}

// Restores one environment variable when it goes out of scope.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) { had_ = get_env(name, &old_); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    ~EnvGuard() { set_env(name_.c_str(), had_ ? old_.c_str() : nullptr); }

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

// A name no other run shares: process id, tick and a counter.
inline std::string unique_name(const char* prefix) {
    static int counter = 0;
    return std::string(prefix) + "-" + std::to_string(process_id()) + "-" +
           std::to_string(platform_tick_ms()) + "-" + std::to_string(++counter);
}

// A fresh empty folder in the system's temporary folder, removed with its content when
// the object goes out of scope.
class TempFolder {
public:
    TempFolder() {
        path_ = std::filesystem::temp_directory_path() / unique_name("vantro-test");
        std::filesystem::create_directories(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

}  // namespace test_support

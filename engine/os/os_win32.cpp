// Windows implementation of the engine's OS layer.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "os/os.h"

#include <cstdlib>

std::string os_databases_folder() {
    const char* vh = std::getenv("VANTRO_HOME");
    if (vh && *vh) return std::string(vh) + "\\databases";
    const char* la = std::getenv("LOCALAPPDATA");
    if (la && *la) return std::string(la) + "\\Vantro\\databases";
    return "";
}

bool os_folder_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool os_make_folders(const std::string& path) {
    if (path.empty()) return false;
    if (os_folder_exists(path)) return true;
    std::size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos && cut > 0 && path[cut - 1] != ':' && !os_make_folders(path.substr(0, cut)))
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string os_user_name() {
    char buf[257];
    DWORD n = sizeof buf;
    if (GetUserNameA(buf, &n) && n > 0) return std::string(buf, n - 1);
    const char* u = std::getenv("USERNAME");
    return u ? u : "";
}

char os_path_separator() {
    return '\\';
}

std::string os_host_name() {
    char buf[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD n = sizeof buf;
    if (!GetComputerNameA(buf, &n)) return "";
    return std::string(buf, n);
}

int os_platform_id() {
    return 12;
}

const char* os_platform_name() {
    return "Microsoft Windows x86 64-bit";
}

OsLocalTime os_local_time() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    TIME_ZONE_INFORMATION tz;
    DWORD zone = GetTimeZoneInformation(&tz);
    LONG bias = tz.Bias + (zone == TIME_ZONE_ID_DAYLIGHT   ? tz.DaylightBias
                           : zone == TIME_ZONE_ID_STANDARD ? tz.StandardBias
                                                           : 0);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds * 1000, static_cast<int>(-bias)};
}

namespace {

struct StackJob {
    void (*fn)(void*);
    void* arg;
};

DWORD WINAPI stack_job_main(LPVOID p) {
    StackJob* job = static_cast<StackJob*>(p);
    job->fn(job->arg);
    return 0;
}

}  // namespace

bool os_run_on_new_stack(std::size_t stack_bytes, void (*fn)(void*), void* arg) {
    StackJob job{fn, arg};
    HANDLE thread =
        CreateThread(nullptr, stack_bytes, stack_job_main, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}

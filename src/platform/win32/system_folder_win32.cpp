// The Windows directory as the system reports it, and a write probe for files in it.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/system_folder.h"

std::string platform_system_folder() {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return std::string();
    return std::string(buffer, length);
}

bool platform_file_writable(const char* path) {
    const bool existed = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    if (!existed) DeleteFileA(path);
    return true;
}

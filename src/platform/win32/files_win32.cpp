// Temporary files and sound on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#include <fcntl.h>
#include <io.h>

#include <string>

#include "platform/files.h"
#include "platform/platform.h"

bool platform_file_sync(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

// A file open through the C library cannot be removed or replaced on Windows.
bool platform_file_still_at(std::FILE*, const char*) { return true; }

bool platform_file_rename_over(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::FILE* platform_file_open_private(const char* path, const char* mode) { return std::fopen(path, mode); }

std::FILE* platform_file_create_unique(const std::string& target, std::string* path) {
    const size_t slash = target.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    char name[MAX_PATH + 1] = {};
    // GetTempFileNameA creates the file under a name not in use in the folder.
    if (GetTempFileNameA(folder.c_str(), "vtr", 0, name) == 0) return nullptr;
    std::FILE* file = std::fopen(name, "wb");
    if (!file) {
        DeleteFileA(name);
        return nullptr;
    }
    *path = name;
    return file;
}

std::FILE* platform_temp_file_open(std::string* error) {
    char folder[MAX_PATH + 1] = {};
    char name[MAX_PATH + 1] = {};
    if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "vantro", 0, name) == 0) {
        if (error) *error = platform_last_error_text();
        return nullptr;
    }
    HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error) *error = platform_last_error_text();
        DeleteFileA(name);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        if (error) *error = "cannot open the temporary file";
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "w+b");
    if (!file) {
        _close(fd);
        if (error) *error = "cannot open the temporary file";
    }
    return file;
}

void platform_play_sound_async(const char* path) {
    if (path && *path) PlaySoundA(path, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

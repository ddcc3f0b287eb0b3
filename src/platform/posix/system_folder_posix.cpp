// POSIX has no system-wide folder for per-user files; the write probe uses open(2).
#include <fcntl.h>
#include <unistd.h>

#include "platform/system_folder.h"

std::string platform_system_folder() { return std::string(); }

bool platform_file_writable(const char* path) {
    const bool existed = access(path, F_OK) == 0;
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0) return false;
    close(fd);
    if (!existed) unlink(path);
    return true;
}

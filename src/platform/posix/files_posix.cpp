// Temporary files and sound on POSIX systems.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/files.h"

extern char** environ;

bool platform_file_sync(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool platform_file_still_at(std::FILE* file, const char* path) {
    struct stat open_file {}, named {};
    return fstat(fileno(file), &open_file) == 0 && stat(path, &named) == 0 && open_file.st_dev == named.st_dev &&
           open_file.st_ino == named.st_ino;
}

bool platform_file_rename_over(const char* from, const char* to) { return std::rename(from, to) == 0; }

std::FILE* platform_file_open_private(const char* path, const char* mode) {
    const std::string m = mode ? mode : "";
    int flags = O_CREAT | O_CLOEXEC;
    flags |= m.find('+') != std::string::npos ? O_RDWR : O_WRONLY;
    flags |= m[0] == 'a' ? O_APPEND : O_TRUNC;
    const int fd = open(path, flags, 0600);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, mode);
    if (!file) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return file;
}

std::FILE* platform_file_create_unique(const std::string& target, std::string* path) {
    std::string pattern = target + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return nullptr;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        close(fd);
        unlink(pattern.c_str());
        errno = error;
        return nullptr;
    }
    *path = pattern;
    return file;
}

std::FILE* platform_temp_file_open(std::string* error) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/vantroXXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return nullptr;
    }
    // Unlinked at once: the file lives exactly as long as it is open.
    unlink(pattern.c_str());
    std::FILE* file = fdopen(fd, "w+b");
    if (!file) {
        if (error) *error = std::strerror(errno);
        close(fd);
    }
    return file;
}

void platform_play_sound_async(const char* path) {
    // A player that may be installed plays the file; otherwise the terminal bell rings.
    // The player runs in a detached thread so the statement never waits for it.
    // A name that begins with "-" goes as a path of the current folder, never as an option.
    std::string file = path ? path : "";
    if (!file.empty() && file[0] == '-') file = "./" + file;
    std::thread([file] {
        struct stat info {};
        if (!file.empty() && stat(file.c_str(), &info) == 0) {
            struct Player {
                const char* path;
                const char* quiet;   // a flag that silences it, or null
            };
            for (const Player& player : {Player{"/usr/bin/paplay", nullptr}, Player{"/usr/bin/aplay", "-q"}}) {
                if (access(player.path, X_OK) != 0) continue;
                pid_t pid = 0;
                const char* argv[4] = {player.path, nullptr, nullptr, nullptr};
                int argc = 1;
                if (player.quiet) argv[argc++] = player.quiet;
                argv[argc] = file.c_str();
                if (posix_spawn(&pid, player.path, nullptr, nullptr, const_cast<char**>(argv), environ) == 0) {
                    int status = 0;
                    waitpid(pid, &status, 0);
                    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
                }
            }
        }
        const ssize_t written = write(STDERR_FILENO, "\a", 1);
        (void)written;
    }).detach();
}

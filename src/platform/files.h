// File services the core needs beyond the C library: the temporary result file that
// disappears when it is closed, files that replace their old version only once they are
// complete, and the end-of-statement sound.
#pragma once

#include <cstdio>
#include <string>

// Creates an empty temporary file, open for reading and writing in binary mode, that the
// system deletes when it is closed (or the process ends). Null on failure, with the
// system's text in *error.
std::FILE* platform_temp_file_open(std::string* error);

// Opens a file for writing with an fopen mode ("wb", "ab", "w+b", "a+"); a file that does
// not exist yet is created readable and writable by its owner only (POSIX; Windows
// files take the folder's permissions). Null on failure (platform_last_error_text).
std::FILE* platform_file_open_private(const char* path, const char* mode);

// Creates a new file beside `target` whose name no other process uses (two programs
// writing the same target each get their own), owner-only like the above, open for
// writing in binary mode; its name in *path. Null on failure.
std::FILE* platform_file_create_unique(const std::string& target, std::string* path);

// Flushes an open file and asks the system to put its data on disk; false on failure.
bool platform_file_sync(std::FILE* file);
// Whether path still names the file open as `file` (false when it was removed or
// replaced meanwhile), for a file kept open between writes.
bool platform_file_still_at(std::FILE* file, const char* path);
// Renames `from` over `to`, replacing an existing `to` in one step; false on failure
// (the system's text through platform_last_error_text).
bool platform_file_rename_over(const char* from, const char* to);

// A file written in full before it takes the place of the one at its path: writes go to
// a temporary file of a unique name beside it, and commit() syncs it and renames it over the target.
// Without a successful commit the temporary file is removed and an existing file at the
// path stays exactly as it was, so a crash or a full disk never leaves half a file.
class ReplacingFile {
public:
    explicit ReplacingFile(std::string path);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The temporary file, open for writing in binary mode; null when it could not be
    // created (the system's text through platform_last_error_text).
    std::FILE* get() const { return file_; }
    // True when every write, the sync and the rename succeeded.
    bool commit();

private:
    std::string path_;
    std::string temp_;
    std::FILE* file_ = nullptr;
};

// Starts playing a sound file and returns at once; failures are silent.
void platform_play_sound_async(const char* path);

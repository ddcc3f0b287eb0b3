// ReplacingFile: the portable half of writing a file that replaces its old version only
// when it is complete; the sync and the rename are the system's (files_posix.cpp,
// files_win32.cpp).
#include <cstdio>
#include <utility>

#include "platform/files.h"

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {
    file_ = platform_file_create_unique(path_, &temp_);
}

ReplacingFile::~ReplacingFile() {
    if (!file_) return;
    std::fclose(file_);
    std::remove(temp_.c_str());
}

bool ReplacingFile::commit() {
    if (!file_) return false;
    const bool written = std::ferror(file_) == 0 && platform_file_sync(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (written && closed && platform_file_rename_over(temp_.c_str(), path_.c_str())) return true;
    std::remove(temp_.c_str());
    return false;
}

// The system-wide folder some files traditionally live in (the Windows directory). Only
// the history file asks for it; POSIX has no such folder. Nothing here creates folders.
#pragma once

#include <string>

// The Windows directory on Windows; empty on POSIX and when it cannot be had.
std::string platform_system_folder();
// True when a file of that path can be created or appended to (the file is left as it was
// found: a probe that created it removes it again).
bool platform_file_writable(const char* path);

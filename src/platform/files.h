// File services the core needs beyond the C library: the temporary result file that
// disappears when it is closed, and the end-of-statement sound.
#pragma once

#include <cstdio>
#include <string>

// Creates an empty temporary file, open for reading and writing in binary mode, that the
// system deletes when it is closed (or the process ends). Null on failure, with the
// system's text in *error.
std::FILE* platform_temp_file_open(std::string* error);

// Starts playing a sound file and returns at once; failures are silent.
void platform_play_sound_async(const char* path);

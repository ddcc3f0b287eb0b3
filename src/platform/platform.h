// Operating-system services behind one interface: threads, time, directories,
// error texts and the per-user key-value store. Portable code includes only this
// header; the implementations live in posix/ and win32/ and are the only places
// that include system headers for these services.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using ThreadId = std::uint32_t;   // 0 never names a thread
using ThreadRoutine = int (*)(void* arg);

// Starts a detached thread running routine(arg); returns its id, 0 on failure.
ThreadId platform_thread_start(ThreadRoutine routine, void* arg);
// The calling thread's id: non-zero, stable for the thread's life.
ThreadId platform_current_thread_id();

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
std::uint32_t platform_tick_ms();
void platform_sleep_ms(std::uint32_t ms);

// The process's current directory; false when it cannot be changed (last error set).
bool platform_set_current_directory(const char* path);
std::string platform_current_directory();

// The system's message text for the calling thread's last error code, without a
// trailing line end ("No such file or directory", "The system cannot find the file specified.").
std::string platform_last_error_text();
int platform_last_error_code();
void platform_set_last_error_code(int code);

// Per-user store, shaped like the registry under HKEY_CURRENT_USER: keys are paths such as
// "SOFTWARE\\VANTRO", each holding named values of one of three types. The Windows
// implementation is the registry itself; elsewhere a file replaced atomically on each write.
enum class StoreType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };  // REG_SZ, REG_BINARY, REG_DWORD

// Writes one value (creating the key); false when the store cannot be written.
bool platform_store_write(const char* key, const char* name, StoreType type,
                          const void* data, std::size_t size);
// Reads one value of the given type into buf (at most size bytes); *got receives the
// value's full size. False when the key or value is missing, has another type, or does
// not fit.
bool platform_store_read(const char* key, const char* name, StoreType type,
                         void* buf, std::size_t size, std::size_t* got);

// The folder that holds per-user files of the given kind, created when missing; empty on
// failure. VANTRO_HOME, when set, replaces every one of them.
enum class UserFolder { Config, Data, Documents, Databases };
std::string platform_user_folder(UserFolder which);

// Operating-system services behind one interface: threads, time, directories,
// error texts and the per-user key-value store. Portable code includes only this
// header; the implementations live in posix/ and win32/ and are the only places
// that include system headers for these services. Services that come later (the
// temporary result file, starting and waiting for a process, the clipboard, sound) get
// their own section here and their own files beside these. Nothing here throws; a
// function that fails sets the calling thread's last error code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using ThreadId = std::uint32_t;   // 0 never names a thread
using ThreadRoutine = int (*)(void* arg);

// Starts a detached thread running routine(arg); returns its id, 0 on failure. The id
// is fixed before the thread runs: the new thread sees the same id from
// platform_current_thread_id(), whichever of the two runs first.
ThreadId platform_thread_start(ThreadRoutine routine, void* arg);
// The calling thread's id: non-zero, stable for the thread's life, also for threads
// started elsewhere (the main thread).
ThreadId platform_current_thread_id();

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
std::uint32_t platform_tick_ms();
// Blocks the calling thread for at least ms milliseconds.
void platform_sleep_ms(std::uint32_t ms);

// Changes the process's current directory; false when it cannot be changed (last error set).
bool platform_set_current_directory(const char* path);
// The process's current directory; empty when it cannot be had.
std::string platform_current_directory();

// The system's message text for the calling thread's last error code, without a
// trailing line end ("No such file or directory", "The system cannot find the file specified.").
std::string platform_last_error_text();
// errno on POSIX, GetLastError() on Windows.
int platform_last_error_code();
void platform_set_last_error_code(int code);

// Per-user store, shaped like the registry under HKEY_CURRENT_USER: keys are paths such as
// "SOFTWARE\\VANTRO", each holding named values of one of three types. The Windows
// implementation is the registry itself; elsewhere a file replaced atomically on each write.
enum class StoreType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };  // REG_SZ, REG_BINARY, REG_DWORD

// Key paths and value names compare without regard to ASCII case, as in the registry.
// Writes one value (creating the key); false when the store cannot be written. A string
// is stored with its NUL (one is added when data does not end in one); a double word
// must be exactly 4 bytes; a value of more than 1 MiB is refused.
bool platform_store_write(const char* key, const char* name, StoreType type,
                          const void* data, std::size_t size);
// Reads one value of the given type into buf (at most size bytes; a string with its
// NUL); *got (may be null) receives the value's full size, also when it does not fit.
// False, with buf untouched, when the key or value is missing, has another type, or does
// not fit: a value is never cut.
bool platform_store_read(const char* key, const char* name, StoreType type,
                         void* buf, std::size_t size, std::size_t* got);
// Removes a key with all its values and sub-keys; true when it no longer exists.
bool platform_store_delete_key(const char* key);

// The folder that holds per-user files of the given kind, created when missing; empty on
// failure. VANTRO_HOME, when set, replaces every one of them.
enum class UserFolder { Config, Data, Documents, Databases };
std::string platform_user_folder(UserFolder which);

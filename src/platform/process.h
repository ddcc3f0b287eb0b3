// Starting an external program and waiting for it to end (the external editor). The
// waiting caller keeps its user interface alive through a poll callback. Nothing here
// knows about the console; a failure sets the calling thread's last error code.
#pragma once

#include <cstddef>

// Called about every 100 ms while the program runs (pump window messages, repaint).
using ProcessPoll = void (*)(void* context);

// Runs `command_line` (through the system's command interpreter on POSIX, as a process
// command line on Windows) with `directory` as its current directory (null or empty:
// the caller's), and waits until it ends. 0 when it was started and has ended (its exit
// status is not judged); -1 when it could not be started (last error set).
int platform_process_run_and_wait(const char* command_line, const char* directory, ProcessPoll poll,
                                  void* context);

// The editor used when the `editor` option names none of its own: on POSIX $VISUAL,
// then $EDITOR, then "vi"; on Windows "notepad.exe".
const char* platform_default_editor();

// Runs `command_line` through the system's command interpreter and hands its output
// (standard output and standard error together) to `output` piece by piece as it comes,
// then waits until it ends. Its exit status goes to *status. -1 when it could not be
// started (last error set), otherwise 0.
using ProcessOutput = void (*)(const char* text, std::size_t size, void* context);
int platform_process_run_captured(const char* command_line, ProcessOutput output, void* context, int* status);

// The character between the folders of a search path variable (":" on POSIX, ";" on
// Windows).
char platform_path_list_separator();

// Starting an external program and waiting for it to end (the external editor). The
// waiting caller keeps its user interface alive through a poll callback. Programs are
// started from an argument vector, never through a command interpreter, so that no
// character of a file name or setting is taken as shell syntax. Nothing here knows
// about the console; a failure sets the calling thread's last error code.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Called about every 100 ms while the program runs (pump window messages, repaint).
using ProcessPoll = void (*)(void* context);

// Runs the program arguments[0] (looked up in PATH when it names no folder) with the
// arguments that follow, `directory` as its current directory (null or empty: the
// caller's), and waits until it ends. 0 when it was started and has ended (its exit
// status is not judged); -1 when it could not be started (last error set).
int platform_process_run_and_wait(const std::vector<std::string>& arguments, const char* directory,
                                  ProcessPoll poll, void* context);

// A command setting as words: blanks separate them, double quotes group blanks into a
// word ("C:\Program Files\Editor\edit.exe" -n) and are removed; backslashes are plain
// characters. An unclosed quote runs to the end.
std::vector<std::string> process_command_words(const std::string& command);

// The Windows command line whose parsing by the C runtime gives back exactly these
// arguments: each argument with a blank, a tab or a quote (or empty) is quoted, with
// backslashes before a quote doubled.
std::string process_windows_command_line(const std::vector<std::string>& arguments);

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

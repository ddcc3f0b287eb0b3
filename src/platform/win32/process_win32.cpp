// Win32 process service: CreateProcessA with a command line that quotes each argument
// (no command interpreter is involved) and the given current directory, then a wait
// that wakes for window messages and every 100 ms for the caller's poll (which pumps the
// GUI thread's messages).
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

#include "platform/process.h"

int platform_process_run_and_wait(const std::vector<std::string>& arguments, const char* directory,
                                  ProcessPoll poll, void* context) {
    if (arguments.empty() || arguments[0].empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return -1;
    }
    const std::string command_line = process_windows_command_line(arguments);
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory && *directory ? directory : nullptr, &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    // With a poll, the wait also ends when window messages arrive, so the caller's windows
    // are answered at once and at least every 100 ms; the system shows what they painted
    // only while the thread waits for messages this way.
    if (poll) {
        for (;;) {
            const DWORD woke = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0) break;
            if (woke == WAIT_FAILED && WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
            poll(context);
        }
    } else {
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hProcess);
    return 0;
}

const char* platform_default_editor() { return "notepad.exe"; }

// Win32 process service: CreateProcessA with the given current directory, then a wait
// that wakes every 100 ms for the caller's poll (which pumps the GUI thread's messages).
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

#include "platform/process.h"

int platform_process_run_and_wait(const char* command_line, const char* directory, ProcessPoll poll,
                                  void* context) {
    std::vector<char> line(command_line, command_line + std::string(command_line).size() + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory && *directory ? directory : nullptr, &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT)
        if (poll) poll(context);
    CloseHandle(process.hProcess);
    return 0;
}

const char* platform_default_editor() { return "notepad.exe"; }

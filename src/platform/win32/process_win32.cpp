// Win32 process service: CreateProcessA with a command line that quotes each argument
// (no command interpreter is involved) and the given current directory, then a wait
// that wakes for window messages and every 100 ms for the caller's poll (which pumps the
// GUI thread's messages).
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
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

int platform_process_run_captured(const char* command_line, ProcessOutput output, void* context, int* status) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return -1;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    const char* shell = std::getenv("ComSpec");
    std::string text = std::string("\"") + (shell && *shell ? shell : "cmd.exe") + "\" /c " + command_line;
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    PROCESS_INFORMATION process{};
    // No console window of its own: the output comes back through the pipe.
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    const DWORD error = GetLastError();
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        SetLastError(error);
        return -1;
    }
    CloseHandle(process.hThread);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0)
        if (output) output(buffer, got, context);
    CloseHandle(read_end);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (status) *status = static_cast<int>(code);
    return 0;
}

char platform_path_list_separator() { return ';'; }

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/process.h"

int run_command_line(std::string_view line) {
    if (split_command_line(line).empty()) return -1;
    std::fflush(stdout);
    std::fflush(stderr);
    console_leave_raw();

    // The line goes to the system as written: the child splits it itself.
    std::string command(line);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child))
        return -1;
    CloseHandle(child.hThread);
    DWORD code = static_cast<DWORD>(-1);
    {
        BlockingWait waiting;
        WaitForSingleObject(child.hProcess, INFINITE);
    }
    if (!GetExitCodeProcess(child.hProcess, &code)) code = static_cast<DWORD>(-1);
    CloseHandle(child.hProcess);
    return static_cast<int>(code);
}

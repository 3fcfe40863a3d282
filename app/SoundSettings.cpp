// The panel is started by its full path: a search for control.exe would look in the program's
// folder and the current folder first, where anyone who can write there could plant one.
#include "SoundSettings.h"

#include <cwchar>

HANDLE StartSoundSettings() {
    wchar_t program[MAX_PATH + 16];
    const UINT length = GetSystemDirectoryW(program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    wcscpy(program + length, L"\\control.exe");
    wchar_t line[MAX_PATH + 32];
    wcscpy(line, L"\"");
    wcscat(line, program);
    // ",,1": the recording tab, where the input devices are.
    wcscat(line, L"\" mmsys.cpl,,1");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

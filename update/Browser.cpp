// Browser launch through the command registered for http addresses.
#include "Browser.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "BrowserCommand.h"

namespace {

// The stored command may take half of the buffer, which leaves room for any address we open.
constexpr int kCommandChars = 4096;
constexpr DWORD kStoredCommandBytes = 4096;

void StartProcess(const wchar_t* commandLine) {
    // CreateProcessW may write into its command line, so it gets a copy of its own.
    size_t chars = wcslen(commandLine) + 1;
    wchar_t* writable = new (std::nothrow) wchar_t[chars];
    if (!writable)
        return;
    memcpy(writable, commandLine, chars * sizeof(wchar_t));
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    if (CreateProcessW(nullptr, writable, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    delete[] writable;
}

} // namespace

void OpenUrlInBrowser(const wchar_t* url) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command\\", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    wchar_t command[kCommandChars];
    DWORD bytes = kStoredCommandBytes;
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(command), &bytes) ==
        ERROR_SUCCESS) {
        // The stored text need not end with a terminator.
        command[bytes / sizeof(wchar_t)] = L'\0';
        if (BuildBrowserCommand(command, kCommandChars, url))
            StartProcess(command);
    }
    RegCloseKey(key);
}

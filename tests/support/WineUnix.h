// Linux commands from a Windows test program under Wine. Wine runs a Unix executable as a plain
// Unix process that inherits the test's environment (its sound and update servers among it) and
// its output, but gives no handle to wait on: a command that is waited for writes its exit status
// to a file. Paths here are ASCII, and folders on Z:, the drive Wine maps to the root.
#pragma once
#include <windows.h>

#include <process.h>

#include <filesystem>
#include <fstream>
#include <string>

// The checks of recordings shared by the Wine and end-to-end tests.
inline const std::string kCheckAudio = "/usr/bin/python3 " KAVEL_SOURCE_DIR "/tests/support/check_audio.py ";

// Starts `/bin/sh -c command` in the folder, ended after two minutes at the latest, and returns at
// once; the command holds no double quote.
inline bool StartUnix(const std::wstring& folder, const std::string& command) {
    std::string line = "\"cd '";
    for (wchar_t c : folder.substr(2)) // Z: is the root
        line += c == L'\\' ? '/' : static_cast<char>(c);
    line += "' && " + command + "\"";
    return _wspawnl(_P_NOWAIT, L"/usr/bin/timeout", L"timeout", L"120", L"/bin/sh", L"-c",
                    std::wstring(line.begin(), line.end()).c_str(), nullptr) != -1;
}

// Runs the command in the folder to its end and returns its exit status; -1 when it did not end
// within timeoutMs of real time.
inline int RunUnix(const std::wstring& folder, const std::string& command, DWORD timeoutMs = 30000) {
    static int calls = 0;
    const auto status = "status-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++calls);
    if (!StartUnix(folder, "(" + command + "); echo $? >" + status))
        return -1;
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end; Sleep(50))
        if (int code = 0; std::ifstream(std::filesystem::path(folder) / status) >> code)
            return code;
    return -1;
}

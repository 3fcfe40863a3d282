// e2e_browser: stands in for the user's web browser: writes the command line it was started with (UTF-8) to
// the file named by KAVEL_E2E_BROWSER_LOG, or to browser.log next to itself, and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(L"KAVEL_E2E_BROWSER_LOG", path, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) {
        n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dir(path, n);
        dir = dir.substr(0, dir.find_last_of(L'\\') + 1) + L"browser.log";
        lstrcpynW(path, dir.c_str(), MAX_PATH * 2);
    }
    const wchar_t* cmd = GetCommandLineW();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, cmd, -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? bytes : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, cmd, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(text.size() - 1);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return 0;
}

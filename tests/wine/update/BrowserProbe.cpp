// Stands in for the web browser in the update tests: writes its command line (UTF-16) to the
// file named by KV_PROBE_OUT, through a temporary name so the reader never sees half of it.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"KV_PROBE_OUT", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 1;
    std::wstring partial = std::wstring(path) + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const wchar_t* line = GetCommandLineW();
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

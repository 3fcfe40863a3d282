// Tells whether Ctrl+Alt+F9 or Ctrl+Alt+F8 is free in this desktop by trying to register it.
//   e2e_hotkey_probe F9          exit 0: registered (and released again), 1: taken by someone else
//   e2e_hotkey_probe hold F9 ms  holds the key for ms milliseconds; exit 0, or 1 when it was taken
#include <windows.h>

#include <cwchar>

namespace {

UINT KeyOf(const wchar_t* name) {
    if (std::wcscmp(name, L"F9") == 0)
        return VK_F9;
    if (std::wcscmp(name, L"F8") == 0)
        return VK_F8;
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool hold = argc >= 4 && std::wcscmp(argv[1], L"hold") == 0;
    const wchar_t* keyName = hold ? argv[2] : (argc >= 2 ? argv[1] : L"");
    const UINT vk = KeyOf(keyName);
    if (!vk)
        return 2;
    if (!RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, vk))
        return 1;
    if (hold) {
        const DWORD holdMs = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
        const DWORD start = GetTickCount();
        MSG msg;
        while (GetTickCount() - start < holdMs) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(20);
        }
    }
    UnregisterHotKey(nullptr, 1);
    return 0;
}

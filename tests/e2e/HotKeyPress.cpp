// Presses Ctrl+Alt+F9 or Ctrl+Alt+F8 as keyboard input (SendInput), the way a user does; started by
// the driver so that it runs in the same Wine desktop as the program that holds the hot key.
// Exit code 0 when all six key events were accepted.
#include <windows.h>

#include <cwchar>

namespace {

INPUT Key(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    WORD vk;
    if (std::wcscmp(argv[1], L"F9") == 0)
        vk = VK_F9;
    else if (std::wcscmp(argv[1], L"F8") == 0)
        vk = VK_F8;
    else
        return 2;
    INPUT keys[] = {Key(VK_CONTROL, false), Key(VK_MENU, false), Key(vk, false),
                    Key(vk, true),          Key(VK_MENU, true),  Key(VK_CONTROL, true)};
    const UINT sent = SendInput(6, keys, sizeof(INPUT));
    return sent == 6 ? 0 : 1;
}

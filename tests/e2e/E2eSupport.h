// What the end-to-end cases share: the real Kavel.exe started in the Wine desktop it shares with the
// driver (hot keys and the one-copy rule hold per desktop), and the ways a user reaches it. Folders
// are given on Z:.
//
// A new case file: tests/e2e/<Area>Test.cpp with TEST()s including this header; CMake takes every
// *Test.cpp. Each case starts with version 2 served and the tone playing into the sound card
// (E2eMain.cpp); one that needs another state makes it (Serve, a sink unloaded), and what it starts
// ends with its object (Kavel), so the order the cases run in does not matter. Every case counts in
// the level's summary (tests/e2e/run); raise the e2e minimum at the top of scripts/test by the cases
// you add. Waits count real time and are named by their assertion: a program that hangs fails the
// step it hangs in, within that step's limit.
#pragma once
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>

inline std::wstring g_out; // the results folder

inline std::filesystem::path Out(const wchar_t* name) {
    return std::filesystem::path(g_out) / name;
}

// A file's size, -1 for none. (Not std::filesystem::file_size: its status query under Wine made the
// next Kavel.exe hang at start, finding its sound devices.)
inline long long Size(const std::filesystem::path& path) {
    return std::ifstream(path, std::ios::binary | std::ios::ate).tellg();
}

// Until ready() holds, for at most timeoutMs of real time, however long each look takes.
inline bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs = 15000) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !ready(); Sleep(20))
        if (GetTickCount64() > end)
            return false;
    return true;
}

// A program that stops answering fails the step after 10 s instead of holding the case. (Not
// SMTO_ABORTIFHUNG: the update check rightly keeps the window's thread from its messages for 5 s.)
inline void Send(HWND wnd, UINT message, WPARAM wParam = 0, const void* lParam = nullptr) {
    SendMessageTimeoutW(wnd, message, wParam, reinterpret_cast<LPARAM>(lParam), SMTO_NORMAL, 10000, nullptr);
}

inline std::wstring Text(HWND wnd) {
    wchar_t text[4096] = L"";
    Send(wnd, WM_GETTEXT, 4096, text);
    return text;
}

// Commands of the scripts that keep the update server and the sound card (tests/e2e/run's), run to
// their end: kv_update_server_serve VERSION|off, kv_sound_ready.
inline bool Scripted(const std::string& commands) {
    return RunUnix(g_out, "bash -c '. " KAVEL_SOURCE_DIR "/scripts/update-server.sh && . " KAVEL_SOURCE_DIR
                          "/scripts/wine-env.sh && " +
                              commands + "'") == 0;
}

// Whether another program holds Ctrl+Alt+key: this one cannot register it then.
inline bool Taken(UINT key) {
    return !RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, key) || !UnregisterHotKey(nullptr, 1);
}

// A key pressed while others are held (Ctrl+Alt unless told), as keyboard input.
inline void Press(BYTE key, std::initializer_list<BYTE> held = {VK_CONTROL, VK_MENU}) {
    for (BYTE down : held)
        keybd_event(down, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    for (BYTE up : held)
        keybd_event(up, 0, KEYEVENTF_KEYUP, 0);
}

// The command line a planted copy was started with, once one has been; the note is then removed.
inline std::string Logged() {
    std::string line;
    WaitUntil([&] { return !!std::getline(std::ifstream("planted.log"), line); });
    DeleteFileW(L"planted.log");
    return line;
}

// The visible dialog or question `owner` owns (null: one that stands alone), or null.
inline HWND Owned(HWND owner) {
    for (HWND wnd = nullptr; (wnd = FindWindowExW(nullptr, wnd, L"#32770", nullptr));)
        if (GetWindow(wnd, GW_OWNER) == owner && IsWindowVisible(wnd))
            return wnd;
    return nullptr;
}

// The sign a box shows, told by its colours on the screen along the middle row of its icon (the first
// static control): Wine's warning sign is yellow ('!'), its information sign blue ('i'); '?' until drawn.
inline char IconOf(HWND box) {
    RECT r = {};
    GetWindowRect(FindWindowExW(box, nullptr, L"Static", nullptr), &r);
    HDC screen = GetDC(nullptr);
    int yellowOverBlue = 0;
    for (LONG x = r.left; x < r.right; ++x)
        if (const COLORREF p = GetPixel(screen, x, (r.top + r.bottom) / 2); p != CLR_INVALID)
            yellowOverBlue += GetRValue(p) - GetBValue(p);
    ReleaseDC(nullptr, screen);
    return yellowOverBlue > 1000 ? '!' : yellowOverBlue < -1000 ? 'i' : '?';
}

// Kavel.exe started in its folder, the current one; ended with the object, however the case ends,
// and gone before the next one starts.
struct Kavel {
    HANDLE process = nullptr;
    HWND wnd = nullptr;
    uint64_t bytes = 0;
    // Without a sound driver there is no input device: Wine reads which driver to load when a process
    // first asks for devices, so the choice is put back once the window (and its device list) shows.
    explicit Kavel(bool soundDriver = true) {
        const wchar_t drivers[] = L"Software\\Wine\\Drivers";
        if (!soundDriver)
            RegSetKeyValueW(HKEY_CURRENT_USER, drivers, L"Audio", REG_SZ, L"", sizeof(wchar_t));
        const intptr_t spawned = _wspawnl(_P_NOWAIT, L"Kavel.exe", L"Kavel.exe", nullptr);
        process = spawned > 0 ? reinterpret_cast<HANDLE>(spawned) : nullptr;
        if (!soundDriver) // put back whatever happens: a window that never shows fails the case itself
            Window(), RegDeleteKeyValueW(HKEY_CURRENT_USER, drivers, L"Audio");
    }
    ~Kavel() {
        TerminateProcess(process, 1); // refused for no process
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
    bool Window() {
        return WaitUntil([&] { return IsWindowVisible(wnd = FindWindowW(L"Kavel_TORVEN", nullptr)); });
    }
    bool Ended() const {
        DWORD code = 1;
        return !WaitForSingleObject(process, 15000) && GetExitCodeProcess(process, &code) && code == 0;
    }
    HWND Item(int id) const { return GetDlgItem(wnd, id); }
    bool Shown(int id) const { return IsWindowVisible(Item(id)); }
    void Click(int id) const { Send(Item(id), BM_CLICK); }
    void SetText(int id, const std::wstring& text) const { Send(Item(id), WM_SETTEXT, 0, text.c_str()); }
    // Armed in the recording view with this file: the start button shown.
    void Arm(const std::wstring& file) const {
        SetText(9, file);
        Click(18);
    }
    // "开始录制" clicked as a user would: not within the double-click time (500 ms) of the click that
    // showed it, which would count as that click's second half if the pointer is there.
    void Start() const {
        Sleep(600);
        Click(22);
    }
    // The list entries: channels, sample rate and bit rate factor, by position.
    void Choose(int channels, int rate, int factor) const {
        for (auto [list, position] : {std::pair{11, channels}, {13, rate}, {12, factor}})
            Send(Item(list), CB_SETCURSEL, position);
    }
    // Until the status shows more than `least` bytes written.
    bool Counted(uint64_t least) {
        return WaitUntil([&] {
            return swscanf(Text(Item(24)).c_str(), L"%*u(MB) / %llu(B)", &bytes) == 1 && bytes > least;
        });
    }
    // Answers the "提示" box the program shows, which must show the sign and hold `part`. Until the box
    // has gone the main window takes no input.
    void Box(const std::wstring& part, char sign = '!') const {
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(box = FindWindowW(L"#32770", L"提示")); }))
            << "no box saying " << testing::PrintToString(part);
        const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
        EXPECT_NE(text.find(part), std::wstring::npos) << testing::PrintToString(text);
        EXPECT_TRUE(WaitUntil([&] { return IconOf(box) == sign; }, 5000)) << IconOf(box) << " for " << sign;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(box); });
    }
};

// What the end-to-end cases share: the real Kavel.exe started in the Wine desktop it shares with the
// driver (hot keys and the one-copy rule hold per desktop), and the ways a user reaches it. Folders
// are given on Z:.
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

inline bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs = 15000) {
    for (DWORD waited = 0; !ready(); waited += 20, Sleep(20))
        if (waited > timeoutMs)
            return false;
    return true;
}

inline void Send(HWND wnd, UINT message, WPARAM wParam = 0, const void* lParam = nullptr) {
    SendMessageTimeoutW(wnd, message, wParam, reinterpret_cast<LPARAM>(lParam), SMTO_NORMAL, 30000, nullptr);
}

inline std::wstring Text(HWND wnd) {
    wchar_t text[256] = L"";
    Send(wnd, WM_GETTEXT, 256, text);
    return text;
}

// Whether another program holds Ctrl+Alt+key: this one cannot register it then.
inline bool Taken(UINT key) {
    return !RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, key) || !UnregisterHotKey(nullptr, 1);
}

// A click of the left mouse button at a point of the screen, each event with its place.
inline void ClickAt(POINT p) {
    const LONG x = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    const LONG y = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    for (DWORD button : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP})
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | button, x, y, 0, 0);
}

// Ctrl+Alt+key as keyboard input.
inline void Press(BYTE key) {
    const BYTE keys[] = {VK_CONTROL, VK_MENU, key, key, VK_MENU, VK_CONTROL};
    for (int i = 0; i < 6; ++i)
        keybd_event(keys[i], 0, i < 3 ? 0 : KEYEVENTF_KEYUP, 0);
}

// The null sink and the tone playing into it, back as tests/e2e/run made them after a case took the
// sound card away. The player gets a session of its own, so no time limit of RunUnix ends it.
inline bool RestoreSoundCard() {
    return RunUnix(
               g_out,
               "pactl list short modules | grep -q sink_name=kv_sink || { pactl load-module "
               "module-null-sink sink_name=kv_sink >/dev/null && pactl set-default-source kv_sink.monitor && "
               "setsid sh -c '. " KAVEL_SOURCE_DIR
               "/scripts/wine-env.sh && kv_play_tone 1000' >/dev/null; }") == 0;
}

// The command line a planted copy was started with, once one has been; the note is then removed.
inline std::string Logged() {
    std::string line;
    WaitUntil([&] { return !!std::getline(std::ifstream("planted.log"), line); });
    DeleteFileW(L"planted.log");
    return line;
}

// Kavel.exe started in its folder, the current one; ended with the object, however the case ends.
struct Kavel {
    const intptr_t spawned = _wspawnl(_P_NOWAIT, L"Kavel.exe", L"Kavel.exe", nullptr);
    const HANDLE process = spawned > 0 ? reinterpret_cast<HANDLE>(spawned) : nullptr;
    HWND wnd = nullptr;
    unsigned bytes = 0;
    ~Kavel() {
        TerminateProcess(process, 1); // refused for no process
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
    // Until the status shows more than `least` bytes written.
    bool Counted(unsigned least) {
        return WaitUntil([&] {
            return swscanf(Text(Item(24)).c_str(), L"%*u(MB) / %u(B)", &bytes) == 1 && bytes > least;
        });
    }
    // Answers the "提示" box the program shows and returns its text; empty when none came. Until the
    // box has gone the main window takes no input.
    std::wstring Box() const {
        HWND box = nullptr;
        WaitUntil([&] { return IsWindowVisible(box = FindWindowW(L"#32770", L"提示")); });
        const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(box); });
        return text;
    }
};

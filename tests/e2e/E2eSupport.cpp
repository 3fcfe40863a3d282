// Reaching the program under test from another process: launch, window search, cross-process texts.
#include "E2eSupport.h"

#include <cstdio>
#include <cwchar>

E2eConfig g_config;

namespace {

const wchar_t kClassName[] = L"Kavel_TORVEN";
// Generous: other builds share the two cores, and a stop waits for the encoder to drain.
const DWORD kSendTimeoutMs = 60000;

LRESULT Send(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hWnd, msg, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

struct WindowSearch {
    DWORD pid;
    const wchar_t* className;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (search->pid && pid != search->pid)
        return TRUE;
    if (ClassOf(hWnd) != search->className)
        return TRUE;
    if (search->title && TextOf(hWnd) != search->title)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

} // namespace

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs, DWORD pollMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        PumpFor(pollMs);
    }
}

CKavel::~CKavel() {
    if (Running())
        Close();
    if (m_hProcess)
        CloseHandle(m_hProcess);
}

bool CKavel::Start(const std::wstring& dir) {
    const std::wstring exe = dir + L"\\Kavel.exe";
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_dwPid = pi.dwProcessId;
    return true;
}

HWND CKavel::WaitForWindow(DWORD timeoutMs) {
    WaitUntil(
        [&] {
            m_hWnd = FindTopWindow(m_dwPid, kClassName);
            return m_hWnd && IsWindowVisible(m_hWnd);
        },
        timeoutMs);
    return m_hWnd && IsWindowVisible(m_hWnd) ? m_hWnd : nullptr;
}

bool CKavel::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_hProcess)
        return false;
    if (!WaitUntil([&] { return WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs))
        return false;
    GetExitCodeProcess(m_hProcess, exitCode);
    return true;
}

bool CKavel::Running() const {
    return m_hProcess && WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

void CKavel::Close() {
    if (!Running())
        return;
    if (m_hWnd && IsWindow(m_hWnd)) {
        if (Shown(Item(21)))
            Click(Item(21));
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    }
    DWORD code;
    if (!WaitForExit(10000, &code)) {
        TerminateProcess(m_hProcess, 99);
        WaitForSingleObject(m_hProcess, 5000);
    }
}

void EndStrayKavels() {
    for (int i = 0; i < 10; ++i) {
        HWND hWnd = FindWindowW(kClassName, nullptr);
        if (!hWnd)
            return;
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (h) {
            TerminateProcess(h, 99);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
        PumpFor(200);
    }
}

HWND FindTopWindow(DWORD pid, const wchar_t* className, const wchar_t* title) {
    WindowSearch search = {pid, className, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TextOf(HWND hWnd) {
    const LRESULT n = Send(hWnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const LRESULT got = Send(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return text;
}

void SetText(HWND hWnd, const std::wstring& text) {
    Send(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Shown(HWND hWnd) {
    return hWnd && (GetWindowLongW(hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Sync(HWND hWnd) {
    Send(hWnd, WM_NULL, 0, 0);
}

void Click(HWND hButton) {
    Send(hButton, BM_CLICK, 0, 0);
}

namespace {

BOOL CALLBACK CollectBoxPart(HWND hChild, LPARAM param) {
    auto* parts = reinterpret_cast<BoxParts*>(param);
    const std::wstring cls = ClassOf(hChild);
    if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
        if ((GetWindowLongW(hChild, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            ++parts->icons;
        else if (!TextOf(hChild).empty())
            parts->text = TextOf(hChild);
    } else if (lstrcmpiW(cls.c_str(), L"Button") == 0 && Shown(hChild)) {
        ++parts->buttons;
    }
    return TRUE;
}

} // namespace

BoxParts ReadBox(HWND hBox) {
    BoxParts parts;
    EnumChildWindows(hBox, CollectBoxPart, reinterpret_cast<LPARAM>(&parts));
    return parts;
}

std::wstring ClassOf(HWND hWnd) {
    wchar_t name[256] = L"";
    GetClassNameW(hWnd, name, 256);
    return name;
}

bool ParseStatus(const std::wstring& text, unsigned* mb, unsigned* bytes) {
    if (std::swscanf(text.c_str(), L"%u(MB) / %u(B)", mb, bytes) != 2)
        return false;
    wchar_t again[64];
    std::swprintf(again, 64, L"%u(MB) / %u(B)", *mb, *bytes);
    return text == again;
}

std::vector<std::wstring> ComboEntries(HWND hCombo) {
    std::vector<std::wstring> entries;
    const LRESULT count = Send(hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT n = Send(hCombo, CB_GETLBTEXTLEN, i, 0);
        std::wstring text(n > 0 ? static_cast<size_t>(n) + 1 : 1, L'\0');
        const LRESULT got = Send(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(got > 0 ? static_cast<size_t>(got) : 0);
        entries.push_back(text);
    }
    return entries;
}

int ComboSelection(HWND hCombo) {
    return static_cast<int>(Send(hCombo, CB_GETCURSEL, 0, 0));
}

void ComboSelect(HWND hCombo, int position) {
    Send(hCombo, CB_SETCURSEL, position, 0);
}

HANDLE StartTool(const wchar_t* exe, const std::wstring& args) {
    const std::wstring path = g_config.toolDir + L"\\" + exe;
    std::wstring cmd = L"\"" + path + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

CRunningTool::~CRunningTool() {
    if (!m_hProcess)
        return;
    TerminateProcess(m_hProcess, 0);
    WaitForSingleObject(m_hProcess, 5000);
    CloseHandle(m_hProcess);
}

int RunTool(const wchar_t* exe, const std::wstring& args, DWORD timeoutMs) {
    HANDLE h = StartTool(exe, args);
    if (!h)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitUntil([&] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }, timeoutMs, 20))
        GetExitCodeProcess(h, &code);
    else
        TerminateProcess(h, 99);
    CloseHandle(h);
    return static_cast<int>(code);
}

bool PressHotKey(const wchar_t* key) {
    return RunTool(L"e2e_hotkey_press.exe", key) == 0;
}

bool HotKeyTaken(const wchar_t* key) {
    return RunTool(L"e2e_hotkey_probe.exe", key) == 1;
}

bool MouseClickAt(POINT screen) {
    INPUT in[3] = {};
    for (INPUT& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    return SendInput(3, in, sizeof(INPUT)) == 3;
}

std::wstring OutPath(const std::wstring& name) {
    return g_config.outDir + L"\\" + name;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<uint8_t> ReadAll(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(h, &size)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() && !ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
            got = 0;
        bytes.resize(got);
    }
    CloseHandle(h);
    return bytes;
}

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

void ExpectMp3(const std::string& caseName, const std::wstring& fileName, double minSeconds, bool tone) {
    FILE* f = _wfopen(OutPath(L"mp3-checks.txt").c_str(), L"ab");
    if (!f)
        return;
    std::fprintf(f, "%s\t%s\t%.1f%s\n", caseName.c_str(), Utf8(fileName).c_str(), minSeconds,
                 tone ? "" : "\tnoise");
    std::fclose(f);
}

void ExpectSeamless(const std::string& caseName, const std::vector<std::wstring>& fileNames) {
    FILE* f = _wfopen(OutPath(L"mp3-checks.txt").c_str(), L"ab");
    if (!f)
        return;
    std::string names;
    for (const std::wstring& name : fileNames)
        names.append(names.empty() ? "" : "|").append(Utf8(name));
    std::fprintf(f, "%s\t%s\tspans\n", caseName.c_str(), names.c_str());
    std::fclose(f);
}

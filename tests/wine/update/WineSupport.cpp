// Test helpers under Wine; see WineSupport.h.
// winsock2.h must come before windows.h, which WineSupport.h brings in.
#include <winsock2.h>

#include "WineSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// One folder per test program run, seen from Linux and from Windows (drive Z: is the root).
const std::string& UnixRunDir() {
    static const std::string dir = [] {
        char name[64];
        std::snprintf(name, sizeof name, "/tmp/kv-update-wine-%lu-%lu", GetCurrentProcessId(),
                      GetTickCount());
        return std::string(name);
    }();
    return dir;
}

std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

std::wstring ProbeOutPath() {
    return WindowsPath(UnixRunDir() + "/probe.txt");
}

// The file's bytes, or empty when it is not there (yet).
std::string ReadSmallFile(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    char bytes[16384];
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    return std::string(bytes, read);
}

} // namespace

int RunUnixShell(const std::string& command, DWORD timeoutMs) {
    static int s_nRun = 0;
    CreateDirectoryW(WindowsPath(UnixRunDir()).c_str(), nullptr);
    std::string status = UnixRunDir() + "/status" + std::to_string(++s_nRun);
    std::string script = "export PATH=/usr/sbin:/usr/bin:/sbin:/bin; { " + command + "; } >>'" +
                         UnixRunDir() + "/shell.log' 2>&1; echo $? >'" + status + ".tmp' && mv '" + status +
                         ".tmp' '" + status + "'";
    std::wstring line = L"/bin/bash -c \"";
    for (char c : script)
        line += static_cast<wchar_t>(c);
    line += L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    if (timeoutMs == 0)
        return 0;
    std::wstring statusPath = WindowsPath(status);
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        std::string text = ReadSmallFile(statusPath);
        if (!text.empty())
            return std::atoi(text.c_str());
        Sleep(50);
    }
    return -1;
}

bool StartUpdateServer(const std::string& version) {
    return RunUnixShell("source '" KAVEL_SOURCE_DIR "/scripts/update-server.sh' && KV_UPDATE_SERVER_DIR='" +
                        UnixRunDir() + "/server' kv_update_server_start " + version) == 0;
}

void StopUpdateServer() {
    RunUnixShell("source '" KAVEL_SOURCE_DIR "/scripts/update-server.sh' && kv_update_server_stop '" +
                 UnixRunDir() + "/server'");
}

namespace {

// Removes the run folder once every test has finished.
class CRunDirCleanup : public testing::Environment {
  public:
    void TearDown() override { RunUnixShell("rm -rf '" + UnixRunDir() + "'", 0); }
};

testing::Environment* const g_pCleanup = testing::AddGlobalTestEnvironment(new CRunDirCleanup);

} // namespace

bool Port80Taken() {
    WSADATA data;
    WSAStartup(0x0202, &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(80);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool taken = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    closesocket(s);
    WSACleanup();
    return taken;
}

const wchar_t kBrowserKey[] = L"http\\shell\\open\\command";

bool SetBrowserCommand(const std::wstring& command) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kBrowserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void DeleteBrowserCommand() {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, kBrowserKey);
}

std::optional<std::wstring> ReadBrowserCommand() {
    wchar_t text[4096];
    DWORD bytes = sizeof text - sizeof(wchar_t);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kBrowserKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    LONG result = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    text[bytes / sizeof(wchar_t)] = L'\0';
    return std::wstring(text);
}

void RestoreBrowserCommand(const std::optional<std::wstring>& saved) {
    if (saved)
        SetBrowserCommand(*saved);
    else
        DeleteBrowserCommand();
}

std::wstring ProbePath() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, n);
    return self.substr(0, self.find_last_of(L'\\') + 1) + L"update_browser_probe.exe";
}

void ArmProbe() {
    CreateDirectoryW(WindowsPath(UnixRunDir()).c_str(), nullptr);
    DeleteFileW(ProbeOutPath().c_str());
    SetEnvironmentVariableW(L"KV_PROBE_OUT", ProbeOutPath().c_str());
}

std::wstring ProbeCommandLine(DWORD waitMs) {
    for (DWORD waited = 0;; waited += 50) {
        HANDLE file = CreateFileW(ProbeOutPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            wchar_t text[8192];
            DWORD read = 0;
            ReadFile(file, text, sizeof text, &read, nullptr);
            CloseHandle(file);
            return std::wstring(text, read / sizeof(wchar_t));
        }
        if (waited >= waitMs)
            return {};
        Sleep(50);
    }
}

CBoxWatcher::CBoxWatcher() : m_Thread([this] { Run(); }) {}

CBoxWatcher::~CBoxWatcher() {
    Stop();
}

std::vector<CBoxSeen> CBoxWatcher::Stop() {
    m_bStop = true;
    if (m_Thread.joinable())
        m_Thread.join();
    return m_Seen;
}

namespace {

BOOL CALLBACK FindIcon(HWND child, LPARAM result) {
    wchar_t className[16];
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HICON*>(result) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        return FALSE;
    }
    return TRUE;
}

} // namespace

void CBoxWatcher::Run() {
    while (!m_bStop) {
        HWND box = FindWindowW(L"#32770", L"提示");
        if (!box || !IsWindowVisible(box)) {
            Sleep(20);
            continue;
        }
        CBoxSeen seen{{}, nullptr, GetTickCount()};
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256); // the message box's text control
        seen.text = text;
        EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&seen.icon));
        m_Seen.push_back(seen);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        while (!m_bStop && IsWindow(box))
            Sleep(20);
    }
}

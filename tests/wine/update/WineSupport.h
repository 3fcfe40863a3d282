// Helpers of the update tests under Wine: the local nginx update server, the browser probe
// and its registry entry, and a watcher that answers message boxes.
#pragma once
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Runs a Linux shell command from the Windows side and waits for its exit status. Wine starts
// Linux programs given by a Unix path but gives no handle to wait on, so the command leaves
// its status in a file that is polled through drive Z: (the Unix root). -1 on time-out;
// a time-out of 0 does not wait.
int RunUnixShell(const std::string& command, DWORD timeoutMs = 30000);

// nginx with server/nginx.conf on 127.0.0.1:80 through scripts/update-server.sh.
bool StartUpdateServer(const std::string& version);
void StopUpdateServer();
// Whether anything accepts connections on 127.0.0.1:80.
bool Port80Taken();

// The key the program reads the browser's command from, saved and put back by the fixture.
extern const wchar_t kBrowserKey[];
bool SetBrowserCommand(const std::wstring& command);
void DeleteBrowserCommand();
std::optional<std::wstring> ReadBrowserCommand();
void RestoreBrowserCommand(const std::optional<std::wstring>& saved);

// The browser probe next to the test program, and what it recorded (empty when it did not run
// within waitMs).
std::wstring ProbePath();
void ArmProbe();
std::wstring ProbeCommandLine(DWORD waitMs);

// Answers every message box captioned "提示" from its own thread, noting what it showed.
struct CBoxSeen {
    std::wstring text;
    HICON icon;
    DWORD tick;
};

class CBoxWatcher {
  public:
    CBoxWatcher();
    ~CBoxWatcher();
    std::vector<CBoxSeen> Stop();

  private:
    void Run();
    std::atomic<bool> m_bStop{false};
    std::vector<CBoxSeen> m_Seen;
    std::thread m_Thread;
};

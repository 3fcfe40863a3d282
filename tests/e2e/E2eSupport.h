// What the end-to-end driver needs to reach a running Kavel.exe from outside: starting it, finding its
// window and controls, reading and setting texts across processes, helper programs, files.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Where things are; filled from the driver's command line.
struct E2eConfig {
    std::wstring kavelDir; // folder with Kavel.exe, ca.dll, Kavel.eb
    std::wstring toolDir;  // folder with the helper programs
    std::wstring outDir;   // recordings, screenshots, the list of files to check
    std::wstring downloadUrl;
};
extern E2eConfig g_config;

// Waits while pumping this thread's messages, so windows of ours never hold up the other side.
void PumpFor(DWORD ms);
bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs, DWORD pollMs = 50);

// One started copy of Kavel.exe. Whatever it still runs when the object goes is ended.
class CKavel {
  public:
    CKavel() = default;
    CKavel(const CKavel&) = delete;
    CKavel& operator=(const CKavel&) = delete;
    ~CKavel();

    bool Start(const std::wstring& dir);
    HWND WaitForWindow(DWORD timeoutMs = 20000);
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    bool Running() const;
    // Back to the set-up view if needed, then a close request; ends the process if that fails.
    void Close();

    HWND Window() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    DWORD Pid() const { return m_dwPid; }

  private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwPid = 0;
    HWND m_hWnd = nullptr;
};

// Ends every process that owns a main window of the class, so one failed case cannot stop the
// single-instance rule from letting the next case start its own copy.
void EndStrayKavels();
HWND FindTopWindow(DWORD pid, const wchar_t* className, const wchar_t* title = nullptr);

std::wstring TextOf(HWND hWnd);
void SetText(HWND hWnd, const std::wstring& text);
bool Shown(HWND hWnd); // its own WS_VISIBLE bit, whatever the parent's state
// Returns once the window's thread takes messages again, that is when the command it is busy with
// (a start, or a stop that waits for the encoder) has ended.
void Sync(HWND hWnd);
// Clicks a button the way a user's click ends: the button itself notifies its parent.
void Click(HWND hButton);
std::wstring ClassOf(HWND hWnd);
// The status field's "%u(MB) / %u(B)", exactly; false for anything else.
bool ParseStatus(const std::wstring& text, unsigned* mb, unsigned* bytes);
std::vector<std::wstring> ComboEntries(HWND hCombo);
int ComboSelection(HWND hCombo);
void ComboSelect(HWND hCombo, int position);

// What a message box shows: its text, icons and visible buttons.
struct BoxParts {
    std::wstring text;
    int icons = 0;
    int buttons = 0;
};
BoxParts ReadBox(HWND hBox);

// Runs tools\exe with arguments in this desktop and returns its exit code, or -1.
int RunTool(const wchar_t* exe, const std::wstring& args, DWORD timeoutMs = 10000);
HANDLE StartTool(const wchar_t* exe, const std::wstring& args);
// A tool started in this desktop that is ended when the object goes, however the test ends.
class CRunningTool {
  public:
    CRunningTool(const wchar_t* exe, const std::wstring& args) : m_hProcess(StartTool(exe, args)) {}
    ~CRunningTool();
    CRunningTool(const CRunningTool&) = delete;
    CRunningTool& operator=(const CRunningTool&) = delete;
    bool Started() const { return m_hProcess != nullptr; }

  private:
    HANDLE m_hProcess;
};
bool PressHotKey(const wchar_t* key); // "F9" or "F8" with Ctrl+Alt, by SendInput
// A left click of the mouse at a screen point, as input (SendInput): it moves the pointer there.
bool MouseClickAt(POINT screen);
bool HotKeyTaken(const wchar_t* key); // another process fails to register Ctrl+Alt+key

std::wstring OutPath(const std::wstring& name);
bool FileExists(const std::wstring& path);
int64_t FileSize(const std::wstring& path); // -1 when missing
std::vector<uint8_t> ReadAll(const std::wstring& path);
std::string Utf8(const std::wstring& text);
// Adds a recording to the list the native checking phase decodes afterwards; tone: it must carry
// the 1 kHz test tone (the phases with seeded noise play none).
void ExpectMp3(const std::string& caseName, const std::wstring& fileName, double minSeconds,
               bool tone = true);
// The files of one series must follow each other in the noise without a gap (find_spans.py).
void ExpectSeamless(const std::string& caseName, const std::vector<std::wstring>& fileNames);

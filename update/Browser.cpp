// Browser launch through the command Windows uses for http addresses: the user's default app,
// then the machine's registered command.
#include "Browser.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstring>

#include "BrowserCommand.h"

static_assert(kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ, "registry types as winnt.h numbers them");

namespace {

// A stored command may take half of the line, which leaves room for any address we open.
constexpr int kLineChars = 4096;
constexpr DWORD kStoredChars = 2048;

int ExpandEnvironment(const wchar_t* text, wchar_t* out, int capacity) {
    const DWORD chars = ExpandEnvironmentStringsW(text, out, static_cast<DWORD>(capacity));
    return chars > 0 && chars <= static_cast<DWORD>(capacity);
}

// The association follows the choice made in Windows' default-apps settings (UserChoice).
// A command that does not fit is refused rather than cut (ASSOCF_NOTRUNCATE): a cut path could
// name another program.
bool QueryAssociation(wchar_t* command) {
    DWORD chars = kStoredChars;
    return AssocQueryStringW(ASSOCF_IS_PROTOCOL | ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, L"http", L"open",
                             command, &chars) == S_OK;
}

bool QueryStored(wchar_t* command, DWORD& type) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    // One character stays free for the terminator that stored text need not have.
    DWORD bytes = (kStoredChars - 1) * sizeof(wchar_t);
    const bool read = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(command),
                                       &bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    command[read ? bytes / sizeof(wchar_t) : 0] = L'\0';
    return read;
}

} // namespace

void OpenUrlInBrowser(const wchar_t* url) {
    wchar_t association[kStoredChars];
    wchar_t stored[kStoredChars];
    DWORD type = REG_NONE;
    CBrowserSources sources = {nullptr, nullptr, 0};
    if (QueryAssociation(association))
        sources.association = association;
    if (QueryStored(stored, type)) {
        sources.stored = stored;
        sources.storedType = type;
    }
    // CreateProcessW may write into its command line: the line is ours.
    wchar_t line[kLineChars];
    if (!ChooseBrowserCommand(sources, ExpandEnvironment, url, line, kLineChars))
        return;
    // The program is named apart from the line, so that no ".exe" is added to a path that lacks one:
    // the command "C:\Program Files\B\browser %1" would otherwise start a planted C:\Program.exe.
    wchar_t program[kLineChars];
    int length = 0;
    for (const wchar_t* at = line + 1; *at && *at != L'"'; ++at)
        program[length++] = *at;
    program[length] = L'\0';
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (CreateProcessW(program, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

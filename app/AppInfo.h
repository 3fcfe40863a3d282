// The application strings record: window title, download and help page addresses and the
// update server's host name, stored scrambled in the program's data until start-up.
#pragma once
#include <cstddef>

// UTF-16 fields are char16_t so that this pure code also builds where wchar_t has 4 bytes.
struct CAppInfo {
    char16_t szTitle[64];
    char16_t szDownloadUrl[32];
    char16_t szHelpUrl[64];
    char szUpdateHost[16];
};
static_assert(offsetof(CAppInfo, szTitle) == 0);
static_assert(offsetof(CAppInfo, szDownloadUrl) == 128);
static_assert(offsetof(CAppInfo, szHelpUrl) == 192);
static_assert(offsetof(CAppInfo, szUpdateHost) == 320);
static_assert(sizeof(CAppInfo) == 336);

// Scrambling constant: byte i of the record is XORed with the low eight bits of (336 - i - K).
inline constexpr int kAppInfoScrambleKey = 0x5B;

// Scrambled until UnscrambleAppInfo has run once at start-up.
extern CAppInfo g_AppInfo;

// Applies the scrambling step in place; applying it twice restores the previous form.
void UnscrambleAppInfo();

#ifdef _WIN32
// The record's UTF-16 texts as the wide strings that Win32 calls take (wchar_t has 2 bytes there).
inline const wchar_t* AppText(const char16_t* text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return reinterpret_cast<const wchar_t*>(text);
}
#endif

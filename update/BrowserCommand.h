// The browser's command line, made from the stored commands that open http addresses.
#pragma once
#include <cstdint>

// Rewrites command (capacity characters, holding a stored command) in place into the command
// line that opens url: the program path, quoted (always: the caller takes it from between the
// quotes), one space and the address as the only argument.
// A quoted path is kept as stored; an unquoted one ends at the first ".exe" followed by a blank, a
// quote or the end of the text (without one, at the first blank). Returns 1, or 0 with command
// unchanged when there is no path (empty text, unclosed quote), the path is not absolute (a drive
// and a backslash, or a network path: CreateProcessW would look for anything else in the program's
// folder and the current folder first) or the line would not fit: then nothing is to be started.
int BuildBrowserCommand(wchar_t* command, int capacity, const wchar_t* url);

// Registry value types, as winnt.h numbers them.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;

// Where Windows keeps the command that opens http addresses.
struct CBrowserSources {
    const wchar_t* association; // AssocQueryStringW's command (the user's default app), or null
    const wchar_t* stored;      // the value of HKCR\http\shell\open\command, or null
    uint32_t storedType;        // its registry type
};

// Expands environment references in text into out (capacity characters): 1, or 0 when it fails.
using EnvironmentExpander = int (*)(const wchar_t* text, wchar_t* out, int capacity);

// Writes into line (capacity characters) the command line that opens url: from the association
// when it gives one that BuildBrowserCommand accepts, otherwise from the stored value, which is
// expanded when it has type REG_EXPAND_SZ and not used unless it is text. Returns 1, or 0 when
// neither gives a command line.
int ChooseBrowserCommand(const CBrowserSources& sources, EnvironmentExpander expand, const wchar_t* url,
                         wchar_t* line, int capacity);

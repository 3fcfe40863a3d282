// Picks the browser's stored command and puts an address in place of its arguments.
#include "BrowserCommand.h"

namespace {

int TextLength(const wchar_t* text) {
    int n = 0;
    while (text[n])
        ++n;
    return n;
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c;
}

bool EndsPath(wchar_t c) {
    return c == L' ' || c == L'"' || c == L'\0';
}

// Length of an unquoted program path: up to the first ".exe" (any case) that ends a name,
// wherever blanks come before it; without one, up to the first blank or quote.
int UnquotedPathLength(const wchar_t* text) {
    const wchar_t kExe[] = L".exe";
    for (int i = 0; text[i]; ++i) {
        int k = 0;
        while (k < 4 && Lower(text[i + k]) == kExe[k])
            ++k;
        if (k == 4 && EndsPath(text[i + 4]))
            return i + 4;
    }
    int n = 0;
    while (!EndsPath(text[n]))
        ++n;
    return n;
}

// Length of a quoted program path with both quotes, or 0 when it is not closed.
int QuotedPathLength(const wchar_t* text) {
    for (int i = 1; text[i]; ++i) {
        if (text[i] == L'"')
            return i + 1;
    }
    return 0;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// A drive and a separator (C:\...) or a network path (\\server\...).
bool IsAbsolute(const wchar_t* path) {
    const bool drive = (path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z' && path[1] == L':';
    return drive ? IsSeparator(path[2]) : IsSeparator(path[0]) && IsSeparator(path[1]);
}

// Copies text into line when it fits, then makes the command line of it.
int FromText(const wchar_t* text, const wchar_t* url, wchar_t* line, int capacity) {
    const int length = TextLength(text);
    if (length >= capacity)
        return 0;
    for (int i = 0; i <= length; ++i)
        line[i] = text[i];
    return BuildBrowserCommand(line, capacity, url);
}

} // namespace

int BuildBrowserCommand(wchar_t* command, int capacity, const wchar_t* url) {
    const bool quoted = command[0] == L'"';
    const int path = quoted ? QuotedPathLength(command) : UnquotedPathLength(command);
    // An unquoted path goes out quoted, so that CreateProcessW cannot take C:\Program Files\...
    // for C:\Program followed by arguments and start whatever program has that name.
    const int opened = quoted ? 0 : 1;
    const int urlLength = TextLength(url);
    const int lineLength = path + 2 * opened + 1 + urlLength;
    if (path == 0 || !IsAbsolute(command + (quoted ? 1 : 0)) || lineLength + 1 > capacity)
        return 0;
    if (!quoted) {
        for (int i = path; i > 0; --i)
            command[i] = command[i - 1];
        command[0] = L'"';
        command[path + 1] = L'"';
    }
    const int at = path + 2 * opened;
    command[at] = L' ';
    for (int i = 0; i < urlLength; ++i)
        command[at + 1 + i] = url[i];
    command[lineLength] = L'\0';
    return 1;
}

int ChooseBrowserCommand(const CBrowserSources& sources, EnvironmentExpander expand, const wchar_t* url,
                         wchar_t* line, int capacity) {
    if (sources.association && FromText(sources.association, url, line, capacity))
        return 1;
    if (!sources.stored)
        return 0;
    if (sources.storedType == kRegSz)
        return FromText(sources.stored, url, line, capacity);
    if (sources.storedType == kRegExpandSz && expand(sources.stored, line, capacity))
        return BuildBrowserCommand(line, capacity, url);
    return 0; // binary and other types are no command
}

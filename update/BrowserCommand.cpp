// Puts an address in place of the arguments of the browser's stored command.
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

// Index one past the first ".exe" in any case, or -1.
int EndOfFirstExe(const wchar_t* text, int length) {
    const wchar_t kExe[] = L".exe";
    for (int i = 0; i + 4 <= length; ++i) {
        int k = 0;
        while (k < 4 && Lower(text[i + k]) == kExe[k])
            ++k;
        if (k == 4)
            return i + 4;
    }
    return -1;
}

} // namespace

int BuildBrowserCommand(wchar_t* command, int capacity, const wchar_t* url) {
    int length = TextLength(command);
    if (length == 0)
        return 0;
    // The stored command normally starts with the browser's path in quotes; the first quote
    // after the first character closes it and whatever follows is dropped.
    int keep = -1;
    for (int i = 1; i < length && keep < 0; ++i) {
        if (command[i] == L'"')
            keep = i + 1;
    }
    // A path without quotes is kept up to its ".exe": cutting at the first blank would turn
    // C:\Program Files\... into C:\Program, which runs whatever program has that name.
    if (keep < 0) {
        int exeEnd = EndOfFirstExe(command, length);
        keep = exeEnd < 0 ? length : exeEnd;
    }
    int urlLength = TextLength(url);
    if (keep + 1 + urlLength + 1 > capacity)
        return 0;
    command[keep] = L' ';
    for (int i = 0; i < urlLength; ++i)
        command[keep + 1 + i] = url[i];
    command[keep + 1 + urlLength] = L'\0';
    return 1;
}

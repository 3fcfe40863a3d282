// The browser's command line, made from the stored command that opens http addresses.
#pragma once

// Rewrites command (capacity characters, holding the stored command) in place into the
// command line that opens url: the program path, quoted, one space and the address as the only
// argument. A quoted path is kept as stored; an unquoted one ends at the first ".exe" followed
// by a blank, a quote or the end of the text (without one, at the first blank). Returns 1, or 0
// with command unchanged when there is no path (empty text, unclosed quote) or the line would
// not fit: then nothing is to be started.
int BuildBrowserCommand(wchar_t* command, int capacity, const wchar_t* url);

// The browser's command line, made from the stored command that opens http addresses.
#pragma once

// Rewrites command (capacity characters, holding the stored command) in place into the
// command line that opens url. Returns 1, or 0 with command unchanged when the stored command
// is empty or the line would not fit: then nothing is to be started.
int BuildBrowserCommand(wchar_t* command, int capacity, const wchar_t* url);

// Test support for Windows programs under Wine: running Linux commands and reaching their files.
// Wine runs a Unix executable as a plain Unix process, which inherits the test environment (its
// Pulse server among it). Wine gives no process handle for it, so a command that others wait for
// writes a marker file when it ends.
#pragma once
#include <windows.h>

#include <string>

std::wstring Widen(const std::string& s);
// The Unix path of a Windows path, or empty.
std::string UnixPath(const std::wstring& dosPath);
// A path quoted for /bin/sh.
std::string Quoted(const std::string& unixPath);
// Starts `/bin/sh -c command`; the command must not contain double quotes.
bool StartUnix(const std::string& command);
std::string ReadText(const std::wstring& path);
// Waits until the file exists and is not empty.
bool WaitForFile(const std::wstring& path, DWORD timeoutMs);

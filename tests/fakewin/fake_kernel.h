// Test hooks of the fake kernel (windows.h stand-in): test-only API, not part of Win32.
#pragma once
#include <windows.h>

#include <string>

namespace fakewin {

// Closed: every WriteFile waits at the gate until it opens again.
void SetWriteGate(bool open);
// WriteFile calls waiting at the closed gate right now.
unsigned BlockedWrites();
// Bytes the disk still takes; a write that does not fit writes what fits and fails with
// ERROR_DISK_FULL. A negative value: unlimited (the default).
void SetDiskSpace(long long bytes);
// The next n CreateThread calls fail.
void FailCreateThread(unsigned n);
// Handles created and not yet closed (files, threads, events).
unsigned OpenHandles();
// The wide name as the fake file functions pass it to the system (UTF-8).
std::string NarrowPath(const wchar_t* path);
// Back to the defaults: gate open, unlimited disk, no failures.
void ResetKernel();

} // namespace fakewin

// One copy per Windows session, decided before the update check (which shows no window for up to
// 10 s) from a named mutex of the session. No platform calls here.
#pragma once
#include <cstdint>

// The system's error numbers the decision reads (winerror.h).
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorAlreadyExists = 183;

enum EOneCopy {
    kStartThisCopy,
    kBringRunningForward, // the running copy's window, restored if minimised
    kEndQuietly,          // the running copy is still in its update check: no window, no box
};

// gotMutex: the creation gave a handle; lastError: what it left in GetLastError; windowFound: the
// running copy's main window exists. The mutex exists when it was opened, or when another user's
// copy (run elevated) denies access to it; a name taken by another kind of object says nothing, and
// the window alone decides, as it did before there was a mutex.
constexpr EOneCopy DecideOneCopy(bool gotMutex, uint32_t lastError, bool windowFound) {
    const bool otherCopy = gotMutex ? lastError == kErrorAlreadyExists : lastError == kErrorAccessDenied;
    if (windowFound)
        return kBringRunningForward;
    return otherCopy ? kEndQuietly : kStartThisCopy;
}

// gethostbyname has no time-out of its own, so it runs on a helper thread that the fetch waits
// for no longer than its deadline allows. A lookup left behind finishes on its own.
#include "HostLookup.h"

// winsock2.h first: it brings windows.h in the order Winsock needs.
#include <winsock2.h>

#include <windows.h>

#include <cstring>
#include <new>

namespace {

constexpr size_t kMaxHostChars = 255;

// Shared by the fetch and the helper thread, which may outlive the fetch: whichever of the two
// lets go of it last frees it.
struct CLookup {
    LONG volatile nRefs = 2;
    char szHost[kMaxHostChars + 1];
    in_addr address;
    int found = 0;
};

void Release(CLookup* lookup) {
    if (InterlockedDecrement(&lookup->nRefs) == 0)
        delete lookup;
}

DWORD WINAPI LookUpThread(LPVOID parameter) {
    auto* lookup = static_cast<CLookup*>(parameter);
    hostent* entry = gethostbyname(lookup->szHost);
    if (entry && entry->h_addrtype == AF_INET && entry->h_addr_list[0]) {
        memcpy(&lookup->address, entry->h_addr_list[0], sizeof lookup->address);
        lookup->found = 1;
    }
    Release(lookup);
    return 0;
}

} // namespace

int LookUpHost(const char* host, const CFetchDeadline& deadline, in_addr* address) {
    const size_t length = strlen(host);
    if (length > kMaxHostChars)
        return 0;
    auto* lookup = new (std::nothrow) CLookup;
    if (!lookup)
        return 0;
    memcpy(lookup->szHost, host, length + 1);
    HANDLE thread = CreateThread(nullptr, 0, LookUpThread, lookup, 0, nullptr);
    if (!thread) {
        delete lookup;
        return 0;
    }
    // The thread's end makes what it wrote visible here.
    const bool ended = WaitForSingleObject(thread, deadline.NextWaitMs(GetTickCount())) == WAIT_OBJECT_0;
    CloseHandle(thread);
    const int found = ended && lookup->found;
    if (found)
        *address = lookup->address;
    Release(lookup);
    return found;
}

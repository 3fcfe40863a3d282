// The name lookup has no time-out of its own, so it runs on a helper thread that the fetch waits
// for no longer than its deadline allows. A lookup left behind finishes on its own.
#include "HostLookup.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Shared by the fetch and the helper thread, which may outlive the fetch: whichever of the two
// lets go of it last frees it. It holds a Windows Sockets reference of its own, taken before the
// thread starts, so the check's cleanup never ends Winsock under a lookup that still runs.
struct CLookup {
    CSocketsReference sockets;
    HostResolver resolve;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    int found = 0;
    in_addr address{};
    std::string host;
};

void LookUp(const std::shared_ptr<CLookup>& lookup) {
    in_addr address{};
    const int found = lookup->resolve(lookup->host.c_str(), &address);
    std::lock_guard<std::mutex> hold(lookup->lock);
    lookup->address = address;
    lookup->found = found;
    lookup->done = true;
    lookup->ended.notify_one();
}

} // namespace

int LookUpHost(const char* host, HostResolver resolve, const CFetchDeadline& deadline, in_addr* address) {
    std::shared_ptr<CLookup> lookup;
    try {
        lookup = std::make_shared<CLookup>();
        lookup->resolve = resolve;
        lookup->host = host;
        std::thread([lookup] { LookUp(lookup); }).detach();
    } catch (const std::exception&) {
        return 0; // no memory or no thread: no lookup
    }
    std::unique_lock<std::mutex> hold(lookup->lock);
    const std::chrono::milliseconds wait(deadline.NextWaitMs(TickCountMs()));
    if (!lookup->ended.wait_for(hold, wait, [&] { return lookup->done; }) || !lookup->found)
        return 0;
    *address = lookup->address;
    return 1;
}

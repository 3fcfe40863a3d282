// The name lookup has no time-out of its own, so it runs on a helper thread that the fetch waits
// for no longer than its deadline allows.
#include "HostLookup.h"

#include <string>

#include "HelperCall.h"

namespace {

struct CFound {
    int found = 0;
    in_addr address{};
};

} // namespace

int LookUpHost(const char* host, HostResolver resolve, const CFetchDeadline& deadline, in_addr* address) {
    CFound result;
    try {
        // A Windows Sockets reference of the lookup's own, taken before its thread starts: the
        // check's cleanup must not end Winsock under a lookup that still runs.
        auto sockets = std::make_shared<CSocketsReference>();
        std::function<CFound()> work = [sockets, name = std::string(host), resolve] {
            CFound found;
            found.found = resolve(name.c_str(), &found.address);
            return found;
        };
        if (!CallWithin(deadline.NextWaitMs(TickCountMs()), std::move(work), result) || !result.found)
            return 0;
    } catch (const std::exception&) {
        return 0; // no memory: no lookup
    }
    *address = result.address;
    return 1;
}

// Fetches the version file from the update server with one HTTP/1.1 GET on port 80, or through
// the proxy that Windows has for it.
#pragma once
#include <cstdint>
#include <functional>

#include "HostLookup.h"
#include "ProxyRules.h"

// Finds, within the deadline, the proxy for http://host/: 1 with proxy set, 0 for a direct connection.
using ProxyFinder = std::function<int(const char* host, const CFetchDeadline& deadline, CProxyServer& proxy)>;
inline int NoProxy(const char*, const CFetchDeadline&, CProxyServer&) {
    return 0;
}

// Windows Sockets must be initialised. length is in/out: on entry the most body bytes wanted,
// on success the number stored in body (no terminator is added). Returns 0 when the body was
// received, 1 on any failure. The whole fetch, name lookup included, ends within 10 seconds
// and no single wait lasts more than 5; finding the proxy is part of it. resolve looks up the host or
// the proxy (another resolver only in tests).
int FetchVersionFile(const char* host, char* body, int32_t& length, const ProxyFinder& findProxy = NoProxy,
                     HostResolver resolve = ResolveIPv4);

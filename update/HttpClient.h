// Fetches the version file from the update server with one HTTP/1.1 GET on port 80.
#pragma once
#include <cstdint>

#include "HostLookup.h"

// Windows Sockets must be initialised. length is in/out: on entry the most body bytes wanted,
// on success the number stored in body (no terminator is added). Returns 0 when the body was
// received, 1 on any failure. The whole fetch, name lookup included, ends within 10 seconds
// and no single wait lasts more than 5. resolve looks the host up (another resolver only in tests).
int FetchVersionFile(const char* host, char* body, int32_t& length, HostResolver resolve = ResolveIPv4);

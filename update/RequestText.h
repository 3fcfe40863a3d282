// The request for the version file, as it goes on the wire.
#pragma once
#include <string>

// The version file's whole address on host: what a proxy is asked for, and asked about.
std::string VersionFileUrl(const char* host);

// GET of the version file on host with its Host header: the path alone to the server itself, the
// whole address to a proxy (RFC 9112, section 3.2.2), which must know where to forward it.
std::string VersionFileRequest(const char* host, bool viaProxy);

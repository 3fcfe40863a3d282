// The update server's name lookup, bounded by the fetch's deadline.
#pragma once
#include "FetchDeadline.h"
#include "Sockets.h"

// Resolves host to an IPv4 address in *address: 1, or 0 when it cannot. ResolveIPv4 in the program.
using HostResolver = int (*)(const char* host, in_addr* address);

// 1 with *address set when resolve found host within the next wait the deadline allows. Windows
// Sockets must be initialised.
int LookUpHost(const char* host, HostResolver resolve, const CFetchDeadline& deadline, in_addr* address);

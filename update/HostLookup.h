// The update server's name lookup, bounded by the fetch's deadline.
#pragma once
#include "FetchDeadline.h"
#include "Sockets.h"

// 1 with *address set when host resolved to an IPv4 address within the next wait the deadline
// allows. Windows Sockets must be initialised.
int LookUpHost(const char* host, const CFetchDeadline& deadline, in_addr* address);

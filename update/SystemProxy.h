// The proxy Windows has for the update address.
#pragma once
#include "FetchDeadline.h"
#include "ProxyRules.h"

// The current user's Internet settings; for automatic configuration (auto-detect, a configuration
// script) WinHTTP's answer for http://host/download/Kavel.txt, waited for no longer than the
// deadline's next wait allows. 1 with proxy set, 0 for a direct connection.
int FindSystemProxy(const char* host, const CFetchDeadline& deadline, CProxyServer& proxy);

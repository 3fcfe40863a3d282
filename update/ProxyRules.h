// Which proxy the update request goes through, from what Windows says about proxies: WinHTTP's
// proxy list and bypass list forms, and the automatic configuration's answer before the proxy set
// by hand. No windows.h, so it is tested natively.
#pragma once
#include <cstdint>
#include <string>

// A proxy for http addresses: a host name or IPv4 address, and its port.
struct CProxyServer {
    std::string m_sHost;
    uint16_t m_nPort = 0;
};

// What Windows says, as 8-bit text. Lists as WinHTTP gives them: proxies "host:port" (one for every
// scheme) or "http=host:port;https=host:port", bypass entries with '*' wildcards and "<local>".
struct CProxySettings {
    bool m_bAutomaticAnswered = false;                 // auto-detect or a script answered in time
    std::string m_sAutomaticProxy, m_sAutomaticBypass; // its answer; no proxy: direct
    std::string m_sProxy, m_sBypass;                   // set by hand
};

// 1 with proxy set to the proxy that the request for http://host/ goes through, 0 for a direct
// connection: the automatic answer when there is one, otherwise the proxy set by hand, unless the
// host is on the bypass list that comes with it or is this computer itself.
int ChooseProxy(const CProxySettings& settings, const char* host, CProxyServer& proxy);

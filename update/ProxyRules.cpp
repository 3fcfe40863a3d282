// Proxy list and bypass list rules, as WinHTTP documents its lists.
#include "ProxyRules.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

// WinHTTP separates list entries with semicolons or whitespace; people also type commas in
// bypass lists.
std::vector<std::string> Entries(const std::string& list, const char* separators) {
    std::vector<std::string> entries;
    for (size_t at = 0; at < list.size();) {
        const size_t end = std::min(list.find_first_of(separators, at), list.size());
        if (end > at)
            entries.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    return entries;
}

char Lower(char c) {
    return static_cast<char>(tolower(static_cast<unsigned char>(c)));
}

bool SameText(const std::string& a, const char* b) {
    if (a.size() != strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// '*' stands for any run of characters, case does not count.
bool Matches(const char* pattern, const char* text) {
    if (*pattern == '*')
        return Matches(pattern + 1, text) || (*text && Matches(pattern, text + 1));
    if (!*pattern || !*text)
        return !*pattern && !*text;
    return Lower(*pattern) == Lower(*text) && Matches(pattern + 1, text + 1);
}

// A proxy on another computer cannot reach this one's loopback server.
bool IsLoopback(const char* host) {
    return SameText(host, "localhost") ||
           (strncmp(host, "127.", 4) == 0 && strspn(host, "0123456789.") == strlen(host));
}

bool Bypasses(const std::string& list, const char* host) {
    for (const std::string& entry : Entries(list, "; \t\r\n,"))
        if (SameText(entry, "<local>") ? !strchr(host, '.') : Matches(entry.c_str(), host))
            return true;
    return false;
}

// [scheme=][http://]server[:port][/]; the port is 80 unless given.
bool ReadProxy(std::string entry, CProxyServer& proxy) {
    if (SameText(entry.substr(0, 7), "http://"))
        entry.erase(0, 7);
    if (!entry.empty() && entry.back() == '/')
        entry.pop_back();
    const size_t colon = entry.rfind(':');
    unsigned long port = 80;
    if (colon != std::string::npos) {
        const std::string digits = entry.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        port = std::stoul(digits);
        entry.erase(colon);
    }
    if (entry.empty() || port == 0 || port > 65535 || entry.find_first_of("=/") != std::string::npos)
        return false;
    proxy.m_sHost = entry;
    proxy.m_nPort = static_cast<uint16_t>(port);
    return true;
}

// The entry for http if the list has one, otherwise the first one for every scheme.
bool HttpProxyOf(const std::string& list, CProxyServer& proxy) {
    bool found = false;
    for (const std::string& entry : Entries(list, "; \t\r\n")) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            found = found || ReadProxy(entry, proxy);
        } else if (SameText(entry.substr(0, equals), "http") && ReadProxy(entry.substr(equals + 1), proxy)) {
            return true;
        }
    }
    return found;
}

} // namespace

int ChooseProxy(const CProxySettings& settings, const char* host, CProxyServer& proxy) {
    const bool automatic = settings.m_bAutomaticAnswered;
    const std::string& list = automatic ? settings.m_sAutomaticProxy : settings.m_sProxy;
    const std::string& bypass = automatic ? settings.m_sAutomaticBypass : settings.m_sBypass;
    return !IsLoopback(host) && !Bypasses(bypass, host) && HttpProxyOf(list, proxy);
}

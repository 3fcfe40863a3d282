// The proxy the update request goes through (WinHTTP's list forms, the bypass list, the automatic
// answer before the proxy set by hand) and the request it gets.
#include <gtest/gtest.h>

#include "ProxyRules.h"
#include "RequestText.h"

TEST(ProxyRulesTest, ChoosesTheProxyForTheHostAndAsksItForTheWholeAddress) {
    // Automatic answer (null: none in time), its bypass list, the proxy set by hand, its bypass list,
    // the host; the proxy chosen, "" for a direct connection.
    const struct {
        const char *automatic, *automaticBypass, *proxy, *bypass, *host, *chosen;
    } rows[] = {{nullptr, "", "p:8080", "", "u.example", "p:8080"},
                {nullptr, "", "https=s:443;http=h:3128 ftp=f:21", "", "u.example", "h:3128"},
                {nullptr, "", "p:1;HTTP=h:2", "", "u.example", "h:2"},
                {nullptr, "", "https=s:443;socks=k:1080", "", "u.example", ""},
                {nullptr, "", "http://p:8080/", "", "u.example", "p:8080"},
                {nullptr, "", "p", "", "u.example", "p:80"},
                {nullptr, "", "p:x;p:0 p:65536;p:;http=:80;q:65535", "", "u.example", "q:65535"},
                {nullptr, "", "p:1", "u.example", "x.u.example", "p:1"},
                {nullptr, "", "p:1", "a.b, 10.*;U.EX*LE", "u.example", ""},
                {nullptr, "", "p:1", "<local>", "kavelhost", ""},
                {nullptr, "", "p:1", "<LOCAL>", "u.example", "p:1"},
                {nullptr, "", "p:1", "", "LocalHost", ""},
                {nullptr, "", "p:1", "", "127.0.0.1", ""},
                {nullptr, "", "p:1", "", "127.example", "p:1"},
                {"a:1", "*.example", "p:1", "", "u.example", ""},
                {"", "", "p:1", "", "u.example", ""},
                {"a:1", "", "p:1", "*.example", "u.example", "a:1"}};
    for (const auto& row : rows) {
        const CProxySettings settings{row.automatic != nullptr, row.automatic ? row.automatic : "",
                                      row.automaticBypass, row.proxy, row.bypass};
        CProxyServer proxy;
        const int chosen = ChooseProxy(settings, row.host, proxy);
        EXPECT_EQ(chosen ? proxy.m_sHost + ":" + std::to_string(proxy.m_nPort) : "", row.chosen)
            << row.proxy << " / " << row.bypass << " / " << row.host;
    }
    // A proxy is asked for the whole address.
    EXPECT_EQ(VersionFileRequest("u.example", true),
              "GET http://u.example/download/Kavel.txt HTTP/1.1\r\nHost: u.example\r\n\r\n");
}

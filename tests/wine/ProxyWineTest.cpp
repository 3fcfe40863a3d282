// The update request through the proxy Windows has for it: the user's connection settings written
// into the prefix as Windows keeps them, and a loopback server of the test's own that is proxy,
// update server and configuration script server at once, and notes what it is asked.
#include "Sockets.h"

#include "HttpClient.h"
#include "SystemProxy.h"

#include <gtest/gtest.h>

#include <future>

const char kVersionFile[] = "{version\n2\n}\n";

// Answers a configuration script naming this server as the proxy when one is asked for, otherwise
// the version file. Returns the request line.
static std::string Answer(SOCKET s) {
    std::string head, body = kVersionFile;
    for (char c; !head.ends_with("\r\n\r\n") && recv(s, &c, 1, 0) == 1;)
        head += c;
    if (head.starts_with("GET /proxy.pac"))
        body = "function FindProxyForURL(u, h) { return \"PROXY 127.0.0.1:80\"; }";
    const std::string answer =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    send(s, answer.data(), static_cast<int>(answer.size()), 0);
    closesocket(s);
    return head.substr(0, head.find('\r'));
}

// Only "kavelhost" has an address (the server's): a host asked for through the proxy is not looked up.
static int LookUp(const char* host, in_addr* address) {
    address->s_addr = inet_addr(strcmp(host, "kavelhost") ? host : "127.0.0.1");
    return address->s_addr != INADDR_NONE;
}

TEST(Proxy, TheVersionFileComesThroughTheProxyWindowsHasForTheHost) {
    CSocketsReference sockets;
    const wchar_t key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    const std::string proxied = "GET http://kavel.test/download/Kavel.txt HTTP/1.1";
    // The settings' flags (2 a proxy, 4 a configuration script), proxy list, bypass list, script and
    // host; the request lines the server saw. With no settings nothing changes: every end-to-end start
    // shows that.
    const struct {
        char flags;
        std::string proxy, bypass, script;
        const char* host;
        std::vector<std::string> asked;
    } rows[] = {
        {2, "http=127.0.0.1:80;https=127.0.0.3:443", "*.other", "", "kavel.test", {proxied}},
        {2, "127.0.0.1:80", "<local>", "", "kavelhost", {"GET /download/Kavel.txt HTTP/1.1"}},
        {4, "", "", "http://127.0.0.1/proxy.pac", "kavel.test", {"GET /proxy.pac HTTP/1.1", proxied}}};
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{AF_INET, htons(80), {{{127, 0, 0, 1}}}, {}};
    ASSERT_TRUE(!bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) && !listen(listener, 4));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.host + (" " + row.proxy) + row.script);
        // As Internet Options writes them: version, counter, flags, then each text after its length.
        std::string blob{0x46, 0, 0, 0, 0, 0, 0, 0, row.flags, 0, 0, 0};
        for (const std::string& text : {row.proxy, row.bypass, row.script})
            blob += std::string{static_cast<char>(text.size()), 0, 0, 0} + text;
        blob += std::string(32, '\0');
        RegSetKeyValueW(HKEY_CURRENT_USER, key, L"DefaultConnectionSettings", REG_BINARY, blob.data(),
                        static_cast<DWORD>(blob.size()));
        char body[64];
        int32_t length = sizeof body;
        auto fetch = std::async(std::launch::async, FetchVersionFile, row.host, body, std::ref(length),
                                FindSystemProxy, LookUp);
        std::vector<std::string> asked;
        for (timeval poll{0, 50000}; fetch.wait_for(std::chrono::seconds(0)) != std::future_status::ready;)
            if (fd_set ready{1, {listener}}; select(0, &ready, nullptr, nullptr, &poll) > 0)
                asked.push_back(Answer(accept(listener, nullptr, nullptr)));
        RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"DefaultConnectionSettings");
        EXPECT_EQ(fetch.get() ? "" : std::string(body, length), kVersionFile);
        EXPECT_EQ(asked, row.asked);
    }
    closesocket(listener);
}

// The update request through the proxy Windows has for it: the user's connection settings written
// into the prefix as Windows keeps them, and a proxy and an update server on loopback addresses of
// the test's own that note what they are asked.
#include "Sockets.h"

#include "HttpClient.h"
#include "SystemProxy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

const char kVersionFile[] = "{version\n2\n}\n";

// Answers every connection while it lives: a configuration script naming the proxy when one is
// asked for, otherwise the version file. Notes each request line; a request to a proxy, whole.
struct CLoopbackServer {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    std::atomic<bool> stop = false;
    std::mutex lock;
    std::vector<std::string> asked;
    std::thread thread;
    CLoopbackServer(const char* address, u_short port) {
        sockaddr_in at{AF_INET, htons(port), {}, {}};
        at.sin_addr.s_addr = inet_addr(address);
        EXPECT_TRUE(!bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) && !listen(listener, 4));
        thread = std::thread([this] {
            for (timeval poll{0, 50000}; !stop; poll = {0, 50000})
                if (fd_set ready{1, {listener}}; select(0, &ready, nullptr, nullptr, &poll) == 1)
                    Answer(accept(listener, nullptr, nullptr));
        });
    }
    ~CLoopbackServer() {
        stop = true;
        thread.join();
        closesocket(listener);
    }
    void Answer(SOCKET s) {
        std::string head, body = kVersionFile;
        for (char c; !head.ends_with("\r\n\r\n") && recv(s, &c, 1, 0) == 1;)
            head += c;
        if (head.starts_with("GET /proxy.pac"))
            body = "function FindProxyForURL(u, h) { return \"PROXY 127.0.0.2:3128\"; }";
        const std::string answer =
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        {
            std::lock_guard<std::mutex> hold(lock);
            asked.push_back(head.starts_with("GET /") ? head.substr(0, head.find('\r')) : head);
        }
        send(s, (answer + body).data(), static_cast<int>(answer.size() + body.size()), 0);
        closesocket(s);
    }
    std::vector<std::string> Asked() {
        std::lock_guard<std::mutex> hold(lock);
        return std::exchange(asked, {});
    }
};

// Only "kavelhost" has an address (the server's): a host that goes through the proxy is not looked up.
static int LookUp(const char* host, in_addr* address) {
    address->s_addr = inet_addr(strcmp(host, "kavelhost") ? host : "127.0.0.1");
    return address->s_addr != INADDR_NONE;
}

TEST(Proxy, TheVersionFileComesThroughTheProxyWindowsHasForTheHost) {
    CSocketsReference sockets;
    const wchar_t key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    const std::string proxied =
        "GET http://kavel.test/download/Kavel.txt HTTP/1.1\r\nHost: kavel.test\r\n\r\n";
    const std::string direct = "GET /download/Kavel.txt HTTP/1.1";
    // The settings' flags (2 a proxy, 4 a configuration script; 0: none written, where Wine says to
    // detect one and finds none), proxy list, bypass list, script and host; what the proxy and the
    // server were asked.
    const struct {
        char flags;
        std::string proxy, bypass, script;
        const char* host;
        std::vector<std::string> atProxy, atServer;
    } rows[] = {
        {2, "http=127.0.0.2:3128;https=127.0.0.3:443", "*.other", "", "kavel.test", {proxied}, {}},
        {2, "127.0.0.2:3128", "<local>", "", "kavelhost", {}, {direct}},
        {4, "", "", "http://127.0.0.1/proxy.pac", "kavel.test", {proxied}, {"GET /proxy.pac HTTP/1.1"}},
        {0, "", "", "", "kavelhost", {}, {direct}}};
    CLoopbackServer proxy("127.0.0.2", 3128), server("127.0.0.1", 80);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.host + (" " + row.proxy) + row.script);
        // As Internet Options writes them: version, counter, flags, then each text after its length.
        std::string blob{0x46, 0, 0, 0, 0, 0, 0, 0, row.flags, 0, 0, 0};
        for (const std::string& text : {row.proxy, row.bypass, row.script})
            blob += std::string{static_cast<char>(text.size()), 0, 0, 0} + text;
        blob += std::string(32, '\0');
        if (row.flags)
            RegSetKeyValueW(HKEY_CURRENT_USER, key, L"DefaultConnectionSettings", REG_BINARY, blob.data(),
                            static_cast<DWORD>(blob.size()));
        char body[64];
        int32_t length = sizeof body;
        const int failed = FetchVersionFile(row.host, body, length, FindSystemProxy, LookUp);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"DefaultConnectionSettings");
        EXPECT_EQ(failed ? "" : std::string(body, length), kVersionFile);
        EXPECT_EQ(proxy.Asked(), row.atProxy);
        EXPECT_EQ(server.Asked(), row.atServer);
    }
}

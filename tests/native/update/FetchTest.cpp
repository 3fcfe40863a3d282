// The HTTP client against scripted servers that misbehave (and some that do not), all at once,
// each on a loopback address of its own. Needs a private network namespace with loopback up. Time
// windows are what the client promises (at once, after one 5 s wait, at the 10 s deadline), with
// room for a busy machine above them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <future>
#include <thread>

#include "HttpClient.h"

// The earliest and the latest end of a fetch, in seconds.
using CEnd = std::pair<double, double>;
constexpr double kRoom = 3;
constexpr CEnd kAtOnce{0, kRoom}, kWithinAWait{0, 5 + kRoom}, kAfterAWait{4.5, 5 + kRoom},
    kAtTheDeadline{9.5, 10 + kRoom}, kInTime{0, 10 + kRoom}, kAtTheHangUp{1.4, 1.5 + kRoom};

struct CRow {
    const char* name;
    std::string text; // what the server sends, piece by piece, each after the pause
    std::string body; // as stored; empty when the fetch fails
    CEnd end;
    size_t piece = 1 << 20;
    int pauseMs = 0;
    int hangUpMs = -1;          // closes the connection this long after all is sent; -1: never
    const char* host = nullptr; // no scripted server
    HostResolver resolve = ResolveIPv4;
};

// A name lookup that answers after 8 s, long after the fetch has given up on it.
static int SlowLookUp(const char*, in_addr* address) {
    std::this_thread::sleep_for(std::chrono::seconds(8));
    return inet_pton(AF_INET, "127.0.0.1", address);
}

// One connection: reads a request of the given size (less when the client gives up first), sends
// the row's text and hangs up, or holds the connection until the client lets go of it, which makes
// it readable. Returns the request, marked when the client kept the connection open.
static std::string Serve(int listener, const CRow& row, size_t requestBytes) {
    pollfd p{listener, POLLIN, 0};
    std::string request(requestBytes, '\0');
    if (row.host || poll(&p, 1, 15000) <= 0)
        return "";
    p.fd = accept(listener, nullptr, nullptr);
    request.resize(std::max<ssize_t>(0, recv(p.fd, request.data(), requestBytes, MSG_WAITALL)));
    for (size_t at = 0; at < row.text.size() && poll(&p, 1, row.pauseMs) == 0; at += row.piece)
        send(p.fd, &row.text[at], std::min(row.piece, row.text.size() - at), MSG_NOSIGNAL | MSG_DONTWAIT);
    const bool hangsUp = row.hangUpMs >= 0;
    if (poll(&p, 1, hangsUp ? row.hangUpMs : 15000) == 0 && !hangsUp)
        request += " (left open)";
    close(p.fd);
    return request;
}

static void Check(const CRow& row, size_t index) {
    SCOPED_TRACE(row.name);
    const std::string host = row.host ? row.host : "127.0.0." + std::to_string(index + 2);
    const int sock = socket(AF_INET, SOCK_STREAM, 0); // listens on host:80
    sockaddr_in at{AF_INET, htons(80), {}, {}};
    inet_pton(AF_INET, host.c_str(), &at.sin_addr);
    EXPECT_TRUE(row.host || (!bind(sock, reinterpret_cast<sockaddr*>(&at), sizeof at) && !listen(sock, 1)));
    const std::string request = "GET /download/Kavel.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
    auto served = std::async(std::launch::async, Serve, sock, std::cref(row), request.size());
    std::string body(4096, 'G');
    int32_t length = 4094;
    const auto start = std::chrono::steady_clock::now();
    const int result = FetchVersionFile(host.c_str(), body.data(), length, NoProxy, row.resolve);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    // The body and the byte after it, which must stay untouched.
    EXPECT_EQ(result == 0 ? body.substr(0, length + 1) : "", row.body.empty() ? "" : row.body + "G");
    EXPECT_TRUE(took.count() >= row.end.first && took.count() <= row.end.second) << took.count() << " s";
    EXPECT_EQ(served.get(), row.host ? "" : request);
    close(sock);
}

TEST(FetchTest, EndsAsEachServerDeserves) {
    alarm(60); // a fetch that hangs ends the program, as a failure
    const std::string ok = "HTTP/1.1 200 OK\r\n", length = "Content-Length: ";
    const std::string pad = ok + "X: " + std::string(4053, 'x'); // 4,096 header bytes with the rest
    const CRow rows[] = {
        {"silent", "", "", kAfterAWait},
        {"length above body", ok + length + "10\r\n\r\nhello", "", kAfterAWait},
        // The client's read before the close found nothing yet: the last error still says so.
        {"closed early after a pause", ok + length + "10\r\n\r\nhello", "", kAtTheHangUp, 1, 0, 1500},
        {"endless header line", ok + "X: " + std::string(300000, 'a'), "", kAtOnce, 1000, 30},
        {"header of 4096 bytes", pad + "\r\n" + length + "2\r\n\r\nhi", "hi", kAtOnce},
        {"header of 4097 bytes", pad + "x\r\n" + length + "2\r\n\r\nhi", "", kAtOnce},
        {"header drip", ok + "X: 1234567890123456", "", kAtTheDeadline, 2, 2000},
        {"body drip", ok + length + "200\r\n\r\n" + std::string(200, '7'), "", kAtTheDeadline, 20, 1500},
        {"slow but steady", ok + length + "4\r\n\r\n{v}\nEXTRA", "{v}\n", kInTime, 10, 1200},
        {"over the buffer", ok + length + "5000\r\n\r\n" + std::string(5000, 'b'), std::string(4094, 'b'),
         kAtOnce},
        {"no server", "", "", kWithinAWait, 0, 0, -1, "127.0.0.99"},
        {"no such name", "", "", kWithinAWait, 0, 0, -1, "no-such-host.invalid"},
        {"slow name lookup", "", "", kAfterAWait, 0, 0, -1, "localhost", SlowLookUp},
    };
    std::vector<std::future<void>> runs;
    for (size_t i = 0; i < std::size(rows); ++i)
        runs.push_back(std::async(std::launch::async, Check, std::cref(rows[i]), i));
    runs.clear(); // waits for every row
}

// The tick count wraps after 49.7 days; a fetch started just before must still end in time.
TEST(FetchDeadlineTest, WaitsAtMostFiveSecondsAndNotPastTen) {
    const uint32_t rows[][3] = {
        {1000, 7500, 3500}, {0xFFFFF000u, 0xFFFFFF00u, 5000}, {0xFFFFF000u, 3904, 2000}};
    for (const auto& r : rows)
        EXPECT_EQ(CFetchDeadline(r[0]).NextWaitMs(r[1]), r[2]) << r[0] << " " << r[1];
}

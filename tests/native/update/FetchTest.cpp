// The HTTP client against Debian's nginx and against scripted servers that misbehave, all at once,
// each on a loopback address of its own. Needs a private network namespace with loopback up.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <future>

#include "FetchDeadline.h"
#include "HttpClient.h"

namespace {

struct CRow {
    const char* name;
    std::string text; // what the server sends, piece by piece, each after the pause
    const char* body; // as stored, or null when the fetch fails
    double minSeconds, maxSeconds;
    size_t piece = 1 << 20;
    int pauseMs = 0;
    int32_t wanted = 4094;
    bool closes = false;        // the server closes the connection once it has sent everything
    const char* host = nullptr; // no scripted server
};

// Up to ms for fd to turn readable (a connection, the request, the client letting go of it), in
// short slices so that the test can end the wait.
bool Readable(int fd, int ms, const std::atomic<bool>& over) {
    pollfd p{fd, POLLIN, 0};
    for (int waited = 0; waited < ms && !over; waited += 20)
        if (poll(&p, 1, 20) > 0)
            return true;
    return false;
}

// One connection: reads the request, sends the row's text and holds the connection until the
// client lets go of it. Returns the request, marked when the client kept the connection open.
std::string Serve(int listener, const CRow& row, const std::atomic<bool>& over) {
    std::string request;
    if (row.host || !Readable(listener, 30000, over))
        return request;
    int fd = accept(listener, nullptr, nullptr);
    char buffer[512];
    for (ssize_t n = 1; n > 0 && request.find("\r\n\r\n") == std::string::npos;) {
        n = Readable(fd, 5000, over) ? recv(fd, buffer, sizeof buffer, 0) : 0;
        request.append(buffer, n > 0 ? n : 0);
    }
    for (size_t at = 0; at < row.text.size() && !Readable(fd, row.pauseMs, over); at += row.piece)
        send(fd, row.text.data() + at, std::min(row.piece, row.text.size() - at),
             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (!row.closes && !Readable(fd, 30000, over))
        request += " (left open)";
    close(fd);
    return request;
}

void Check(const CRow& row, std::string host) {
    SCOPED_TRACE(row.name);
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{AF_INET, htons(80), {}, {}};
    inet_pton(AF_INET, host.c_str(), &at.sin_addr);
    EXPECT_TRUE(row.host || (bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
                             listen(listener, 1) == 0));
    std::atomic<bool> over{false};
    auto served = std::async(std::launch::async, Serve, listener, std::cref(row), std::cref(over));
    host = row.host ? row.host : host;
    char body[4096];
    memset(body, 'G', sizeof body);
    int32_t length = row.wanted;
    const auto start = std::chrono::steady_clock::now();
    const int result = FetchVersionFile(host.c_str(), body, length);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    served.wait_for(std::chrono::seconds(2)); // for the client to let go of the connection
    over = true;
    // The body and the byte after it, which must stay untouched.
    const std::string stored = result == 0 ? std::string(body, length + 1) : "failed";
    EXPECT_EQ(stored, row.body ? row.body + std::string("G") : "failed");
    EXPECT_TRUE(took.count() >= row.minSeconds && took.count() <= row.maxSeconds) << took.count() << " s";
    const std::string request = "GET /download/Kavel.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
    EXPECT_EQ(served.get(), row.host ? "" : request);
    close(listener);
}

// A header of exactly the given size, with Content-Length 2.
std::string Header(size_t bytes) {
    const std::string ok = "HTTP/1.1 200 OK\r\nX: ", end = "\r\nContent-Length: 2\r\n\r\n";
    return ok + std::string(bytes - ok.size() - end.size(), 'x') + end;
}

TEST(FetchTest, EndsAsEachServerDeserves) {
    alarm(60); // a fetch that hangs ends the program, as a failure
    const std::string ok = "HTTP/1.1 200 OK\r\n", length = "Content-Length: ";
    const CRow rows[] = {
        {"nginx", "", "{version\n3\n}\n", 0, 3, 0, 0, 4094, false, "localhost"},
        {"silent", "", nullptr, 4.5, 7},
        {"length above body", ok + length + "10\r\n\r\nhello", nullptr, 4.5, 7},
        {"endless header line", ok + "X: " + std::string(300000, 'a'), nullptr, 0, 3, 1000, 30},
        {"header of 4096 bytes", Header(4096) + "hi", "hi", 0, 3},
        {"header of 4097 bytes", Header(4097) + "hi", nullptr, 0, 3},
        {"header drip", ok + "X: 1234567890123456", nullptr, 9.5, 12, 2, 2000},
        {"body drip", ok + length + "200\r\n\r\n" + std::string(200, '7'), nullptr, 9.5, 12, 20, 1500},
        {"slow but steady", ok + length + "4\r\n\r\n{v}\nEXTRA", "{v}\n", 5, 9.5, 12, 1500},
        {"not 200 OK", "HTTP/1.1 404 Not Found\r\n" + length + "0\r\n\r\n", nullptr, 0, 2},
        {"closed in the body", ok + length + "5\r\n\r\nhel", nullptr, 0, 2, 1 << 20, 0, 4094, true},
        {"negative length", ok + length + "-1\r\n\r\nabcdef", "abcd", 0, 2, 1 << 20, 0, 4},
        {"no server", "", nullptr, 0, 7, 0, 0, 4094, false, "127.0.0.99"},
        {"no such name", "", nullptr, 0, 7, 0, 0, 4094, false, "no-such-host.invalid"},
    };
    const std::string nginx = "KV_UPDATE_SERVER_DIR=/tmp/kv-fetch-" + std::to_string(getpid()) +
                              " bash -c '. " KAVEL_SOURCE_DIR
                              "/scripts/update-server.sh && kv_update_server_";
    EXPECT_EQ(std::system((nginx + "start 3'").c_str()), 0);
    std::vector<std::future<void>> runs;
    for (size_t i = 0; i < std::size(rows); ++i)
        runs.push_back(
            std::async(std::launch::async, Check, std::cref(rows[i]), "127.0.0." + std::to_string(i + 2)));
    for (auto& run : runs)
        run.get();
    std::system((nginx + "stop'").c_str());
}

// The tick count wraps after 49.7 days; a fetch started just before must still end in time.
TEST(FetchDeadlineTest, WaitsAtMostFiveSecondsAndNotPastTen) {
    const uint32_t rows[][3] = {{1000, 1000, 5000},
                                {1000, 7500, 3500},
                                {1000, 11000, 0},
                                {0xFFFFF000u, 0xFFFFFF00u, 5000},
                                {0xFFFFF000u, 3904, 2000}};
    for (const auto& r : rows)
        EXPECT_EQ(CFetchDeadline(r[0]).NextWaitMs(r[1]), r[2]) << r[0] << " " << r[1];
}

} // namespace

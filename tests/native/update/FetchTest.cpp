// The HTTP client against real servers on loopback port 80: Debian's nginx and scripted
// servers for every way a fetch can fail. Needs its own network namespace (scripts/test runs
// it under unshare -n with loopback up).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

#include "HttpClient.h"
#include "ListedVersion.h"
#include "ScriptedServer.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kOk = "HTTP/1.1 200 OK\r\n";
const char kRequest[] = "GET /download/Kavel.txt HTTP/1.1\r\nHost: localhost\r\n\r\n";

double SecondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct CFetch {
    int result;
    int32_t length;
    std::string body;
    double secondsAfterLastByte;
    std::string request;
};

// A fetch that hangs would stall the whole run: end the program instead, as a failure.
class CWatchdog {
  public:
    explicit CWatchdog(int seconds)
        : m_Thread([this, seconds] {
              std::unique_lock<std::mutex> lock(m_Lock);
              if (!m_Done.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_bDisarmed; })) {
                  std::fprintf(stderr, "fetch still running after %d s: hangs\n", seconds);
                  _exit(3);
              }
          }) {}
    ~CWatchdog() {
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            m_bDisarmed = true;
        }
        m_Done.notify_one();
        m_Thread.join();
    }

  private:
    std::mutex m_Lock;
    std::condition_variable m_Done;
    bool m_bDisarmed = false;
    std::thread m_Thread;
};

CFetch FetchFrom(std::vector<CStep> script, int32_t wanted = 4094) {
    CWatchdog watchdog(30);
    CScriptedServer server(std::move(script));
    EXPECT_TRUE(server.Listening()) << "port 80 taken: run in a private network namespace";
    char body[4096];
    memset(body, 'G', sizeof body);
    CFetch fetch;
    fetch.length = wanted;
    fetch.result = FetchVersionFile("localhost", body, fetch.length);
    fetch.secondsAfterLastByte = SecondsSince(server.LastByteTime());
    fetch.request = server.Finish();
    if (fetch.result == 0 && fetch.length >= 0)
        fetch.body.assign(body, static_cast<size_t>(fetch.length) + 1); // with the next byte, untouched
    return fetch;
}

std::vector<CStep> AfterSending(const std::string& bytes, std::vector<CStep> rest) {
    rest.insert(rest.begin(), SendStep(bytes));
    return rest;
}

// A failure either comes at once or after the 5-second wait that follows the last byte.
enum class Ends { AtOnce, AfterWait };

struct CFailureRow {
    const char* name;
    std::vector<CStep> script;
    Ends ends;
};

std::vector<CFailureRow> FailureRows() {
    const std::string length5 = "Content-Length: 5\r\n\r\n";
    return {
        {"redirect status", {SendStep("HTTP/1.1 302 Found\r\nLocation: /\r\n" + length5)}, Ends::AtOnce},
        {"lower-case header name", {SendStep(kOk + "content-length: 5\r\n\r\nhello")}, Ends::AtOnce},
        {"chunked, no length",
         {SendStep(kOk + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")},
         Ends::AtOnce},
        {"space before CR", {SendStep(kOk + "Content-Length: 5 \r\n\r\nhello")}, Ends::AtOnce},
        {"value over 31 bytes",
         {SendStep(kOk + "Content-Length: " + std::string(31, '0') + "5\r\n\r\nhello")},
         Ends::AtOnce},
        {"early close in header", {SendStep(kOk + "Content-Le"), CStep{CStep::Close, {}, 0}}, Ends::AtOnce},
        {"early close in body", {SendStep(kOk + length5 + "hel"), CStep{CStep::Close, {}, 0}}, Ends::AtOnce},
        {"reset connection", {SendStep(kOk + "Content-Le"), CStep{CStep::Reset, {}, 0}}, Ends::AtOnce},
        {"silent server", {}, Ends::AfterWait},
        {"slow drip stops", Drip(kOk + "Content-Len", 4, 300), Ends::AfterWait},
        {"length larger than body", {SendStep(kOk + "Content-Length: 10\r\n\r\nhello")}, Ends::AfterWait},
    };
}

class FetchFailureTest : public testing::TestWithParam<CFailureRow> {};

TEST_P(FetchFailureTest, FailsWithinFiveSecondsOfTheLastByte) {
    CFetch fetch = FetchFrom(GetParam().script);
    EXPECT_EQ(fetch.result, 1);
    EXPECT_EQ(fetch.request, kRequest);
    std::printf("    %-24s ended %.2f s after the last byte\n", GetParam().name, fetch.secondsAfterLastByte);
    // Bounds on not hanging and on not giving up early, not a benchmark.
    if (GetParam().ends == Ends::AtOnce) {
        EXPECT_LT(fetch.secondsAfterLastByte, 2.0);
    } else {
        EXPECT_GT(fetch.secondsAfterLastByte, 4.5);
        EXPECT_LT(fetch.secondsAfterLastByte, 7.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FetchFailureTest, testing::ValuesIn(FailureRows()),
                         [](const testing::TestParamInfo<CFailureRow>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(FetchTest, ReadsTheBodyAndNothingBeyondIt) {
    const struct {
        const char* name;
        std::vector<CStep> script;
        int32_t wanted;
        std::string body; // the stored bytes, then the untouched byte after them
    } cases[] = {
        {"http10 with lines around",
         {SendStep(
             "HTTP/1.0 200 OK\r\nServer: t\r\nContent-Length : 5\r\nConnection: close\r\n\r\nhelloEXTRA")},
         4094,
         "helloG"},
        {"body longer than buffer", {SendStep(kOk + "Content-Length: 10\r\n\r\n0123456789")}, 4, "0123G"},
        {"empty body", {SendStep(kOk + "Content-Length: 0\r\n\r\nhello")}, 4094, "G"},
        {"negative length takes the buffer",
         {SendStep(kOk + "Content-Length: -1\r\n\r\nabcdef")},
         4,
         "abcdG"},
        {"header and body in pieces", Drip(kOk + "Content-Length: 3\r\n\r\nabc", 7, 10), 4094, "abcG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFetch fetch = FetchFrom(c.script, c.wanted);
        EXPECT_EQ(fetch.result, 0);
        EXPECT_EQ(fetch.length, static_cast<int32_t>(c.body.size() - 1));
        EXPECT_EQ(fetch.body, c.body);
    }
}

// A server that never stops sending, or sends too slowly, ends as a failure once the header cap
// or the deadline (10 s for the whole fetch) is reached, however long its script would run.
TEST(FetchTest, EndsWithinTheDeadlineWhateverTheServerSends) {
    const struct {
        const char* name;
        std::vector<CStep> script; // each runs for 20 s or more, or succeeds without the cap
    } cases[] = {
        {"endless header line", Drip(kOk + "X-Pad: " + std::string(80000, 'a'), 400, 100)},
        {"header drip under each wait", Drip(kOk + "X-Slow: 1", 4, 2500)},
        {"body drip under each wait",
         AfterSending(kOk + "Content-Length: 9\r\n\r\n", Drip("123456789", 1, 2500))},
        {"oversize header", {SendStep(kOk + std::string(4096, 'X') + "\r\nContent-Length: 2\r\n\r\nhi")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Clock::time_point start = Clock::now();
        CFetch fetch = FetchFrom(c.script);
        double seconds = SecondsSince(start);
        std::printf("    %-28s failed after %.2f s\n", c.name, seconds);
        EXPECT_EQ(fetch.result, 1);
        EXPECT_LT(seconds, 11.5);
    }
}

// Each wait is bounded: pauses under 5 s may add up to more, within the deadline.
TEST(FetchTest, SlowButSteadyServerSucceeds) {
    Clock::time_point start = Clock::now();
    CFetch fetch = FetchFrom(Drip(kOk + "Content-Length: 4\r\n\r\n{v}\n", 12, 1500));
    EXPECT_EQ(fetch.result, 0);
    EXPECT_EQ(fetch.body, "{v}\nG");
    EXPECT_GT(SecondsSince(start), 5.0);
}

TEST(FetchTest, FailsWithoutAServerOrAName) {
    Clock::time_point start = Clock::now();
    char body[16];
    int32_t length = sizeof body;
    EXPECT_EQ(FetchVersionFile("localhost", body, length), 1); // refused: like Winsock, after the wait
    double refusedSeconds = SecondsSince(start);
    EXPECT_LT(refusedSeconds, 7.0);
    start = Clock::now();
    length = sizeof body;
    EXPECT_EQ(FetchVersionFile("no-such-host.invalid", body, length), 1);
    std::printf("    refused after %.2f s, unknown name after %.2f s\n", refusedSeconds, SecondsSince(start));
}

// Debian's nginx with the shipped configuration is the peer the program really meets.
class NginxTest : public testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/kv-fetch-test.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_Dir = dir;
    }
    void TearDown() override { Shell("kv_update_server_stop"); }
    int Shell(const std::string& command) {
        std::string line = "KV_UPDATE_SERVER_DIR='" + m_Dir +
                           "' bash -c 'source \"" KAVEL_SOURCE_DIR "/scripts/update-server.sh\" && " +
                           command + "'";
        return std::system(line.c_str());
    }
    std::string m_Dir;
};

TEST_F(NginxTest, FetchesTheVersionFile) {
    ASSERT_EQ(Shell("kv_update_server_start 3"), 0) << "nginx did not start on 127.0.0.1:80";
    char body[4096];
    int32_t length = 4094;
    ASSERT_EQ(FetchVersionFile("localhost", body, length), 0);
    EXPECT_EQ(std::string(body, static_cast<size_t>(length)), "{version\n3\n}\n");
    int32_t version = 0;
    EXPECT_EQ(ReadListedVersion(body, length, version), 1);
    EXPECT_EQ(version, 3);
}

} // namespace

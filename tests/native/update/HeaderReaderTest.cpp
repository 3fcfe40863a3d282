// The response-header reader over whole headers, good and broken.
#include <gtest/gtest.h>

#include <string>

#include "HeaderReader.h"

namespace {

struct CHeaderCase {
    const char* name;
    std::string header;
    CHeaderReader::Result result;
    int32_t contentLength; // when Complete
};

// Feeds bytes until the reader decides; also reports how many bytes it took.
CHeaderReader::Result FeedAll(CHeaderReader& reader, const std::string& bytes, size_t& used) {
    CHeaderReader::Result result = CHeaderReader::More;
    for (used = 0; used < bytes.size() && result == CHeaderReader::More; ++used)
        result = reader.Feed(static_cast<unsigned char>(bytes[used]));
    return result;
}

const std::string kOk = "HTTP/1.1 200 OK\r\n";
const std::string k31Digits = "0000000000000000000000000000012";
constexpr auto More = CHeaderReader::More;
constexpr auto Complete = CHeaderReader::Complete;
constexpr auto Failed = CHeaderReader::Failed;

const CHeaderCase kCases[] = {
    {"http11", kOk + "Content-Length: 12\r\n\r\n", Complete, 12},
    {"http10", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n", Complete, 5},
    {"any version digits", "HTTP/x.y 200 OK\r\nContent-Length: 5\r\n\r\n", Complete, 5},
    {"reason in other case", "HTTP/1.1 200 Ok\r\nContent-Length: 5\r\n\r\n", Failed, 0},
    {"redirect", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n", Failed, 0},
    {"http2", "HTTP/2 200\r\nContent-Length: 5\r\n\r\n", Failed, 0},
    {"text after OK", "HTTP/1.1 200 OK then\r\nContent-Length: 5\r\n\r\n", Failed, 0},
    {"bare LF status", "HTTP/1.1 200 OK\nContent-Length: 5\r\n\r\n", Failed, 0},
    {"lower-case name", kOk + "content-length: 5\r\n\r\n", Failed, 0},
    {"chunked, no length", kOk + "Transfer-Encoding: chunked\r\n\r\n", Failed, 0},
    {"no headers at all", kOk + "\r\n", Failed, 0},
    {"spaces before colon", kOk + "Content-Length : 12\r\n\r\n", Complete, 12},
    {"space before CR", kOk + "Content-Length: 12 \r\n\r\n", Failed, 0},
    {"LF right after value", kOk + "Content-Length: 12\n\r\n", Failed, 0},
    {"high byte in value", kOk + "Content-Length: 1\x80\r\n\r\n", Failed, 0},
    {"longer name skipped", kOk + "Content-Length-Range: 9\r\nContent-Length: 7\r\n\r\n", Complete, 7},
    {"other text before colon", kOk + "Content-Lengthy: 9\r\nContent-Length: 7\r\n\r\n", Complete, 7},
    {"letters after digits", kOk + "Content-Length: 12abc\r\n\r\n", Complete, 12},
    {"no digits", kOk + "Content-Length: abc\r\n\r\n", Complete, 0},
    {"zero", kOk + "Content-Length: 0\r\n\r\n", Complete, 0},
    {"negative", kOk + "Content-Length: -1\r\n\r\n", Complete, -1},
    {"tab and CR LF before value", kOk + "Content-Length:\t\r\n 5\r\n\r\n", Complete, 5},
    {"lines around", kOk + "Server: x\r\nContent-Length: 3\r\nConnection: close\r\n\r\n", Complete, 3},
    {"31-byte value", kOk + "Content-Length: " + k31Digits + "\r\n\r\n", Complete, 12},
    {"32-byte value", kOk + "Content-Length: " + k31Digits + "3\r\n\r\n", Failed, 0},
    {"value beyond 32 bits", kOk + "Content-Length: 99999999999\r\n\r\n", Complete, INT32_MAX},
    // A byte that breaks a header-end match is dropped, not taken as the start of a new one.
    {"broken end not retried", kOk + "Content-Length: 3\r\nA\r\r\n\r\n", More, 0},
    {"truncated", kOk + "Content-Length: 3\r\n\r", More, 0},
};

TEST(HeaderReaderTest, ReadsTableOfHeaders) {
    for (const CHeaderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        CHeaderReader reader;
        size_t used = 0;
        CHeaderReader::Result result = FeedAll(reader, c.header, used);
        EXPECT_EQ(result, c.result);
        if (result == Complete) {
            EXPECT_EQ(reader.ContentLength(), c.contentLength);
            EXPECT_EQ(used, c.header.size());
        }
    }
}

TEST(HeaderReaderTest, StopsAtHeaderEndAndFailsAtTheFirstWrongStatusByte) {
    CHeaderReader reader;
    std::string bytes = kOk + "Content-Length: 4\r\n\r\nbody";
    size_t used = 0;
    EXPECT_EQ(FeedAll(reader, bytes, used), Complete);
    EXPECT_EQ(bytes.substr(used), "body");

    CHeaderReader other;
    EXPECT_EQ(FeedAll(other, "HTTP/1.1 404 Not Found\r\n", used), Failed);
    EXPECT_EQ(used, 10u);
}

} // namespace

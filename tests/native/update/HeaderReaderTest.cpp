// The response-header reader over whole headers, good and broken.
#include <gtest/gtest.h>

#include "HeaderReader.h"

// The Content-Length once the header is complete at its last byte, or what went wrong.
static std::string Read(const std::string& header) {
    CHeaderReader reader;
    CHeaderReader::Result result = CHeaderReader::More;
    size_t used = 0;
    while (result == CHeaderReader::More && used < header.size())
        result = reader.Feed(static_cast<unsigned char>(header[used++]));
    if (result != CHeaderReader::Complete)
        return result == CHeaderReader::Failed ? "failed" : "more";
    return std::to_string(reader.ContentLength()) + (used < header.size() ? " early" : "");
}

TEST(HeaderReaderTest, ReadsStatusAndContentLength) {
    const std::string ok = "HTTP/1.1 200 OK\r\n", cl = "Content-Length", end = "\r\n\r\n";
    const std::pair<std::string, std::string> rows[] = {
        {"HTTP/1.0 200 OK\r\n" + cl + ":5" + end, "5"},
        {"HTTP/1.1 200 Ok\r\n" + cl + ":5" + end, "failed"},
        {ok + "content-length: 5" + end, "failed"},
        {ok + "Server: x\r\n" + cl + " : 3\r\nConnection: close" + end, "3"},
        {ok + cl + "\t: 9\r\n" + cl + "\n" + cl + ": 7" + end, "7"},
        {ok + "Cont\n" + cl + ": 7" + end, "7"},
        {ok + cl + ":\t\r\n\x80 5" + end, "5"},
        {ok + cl + ": 12a\x7f" + end, "12"},
        {ok + cl + ": 12 " + end, "failed"},
        {ok + cl + ": 1\x80" + end, "failed"},
        {ok + cl + ": " + std::string(29, '0') + "12" + end, "12"},
        {ok + cl + ": " + std::string(29, '0') + "123" + end, "failed"}, // over 31 bytes
        {ok + cl + ": 3\r\nA\r\r\n\r\n", "more"}, // a byte that breaks the end is not tried again
    };
    for (const auto& [header, outcome] : rows)
        EXPECT_EQ(Read(header), outcome) << testing::PrintToString(header);
}

// The response-header reader over whole headers, good and broken.
#include <gtest/gtest.h>

#include "HeaderReader.h"

// The Content-Length once the header is complete at its last byte, or what went wrong.
static std::string Read(const std::string& header) {
    CHeaderReader reader;
    for (size_t used = 1; used <= header.size(); ++used)
        if (const auto result = reader.Feed(header[used - 1]); result != CHeaderReader::More)
            return result == CHeaderReader::Failed
                       ? "failed"
                       : std::to_string(reader.ContentLength()) + (used < header.size() ? " early" : "");
    return "more";
}

TEST(HeaderReaderTest, ReadsStatusAndFramingAsServersSendThem) {
    const std::string ok = "HTTP/1.1 200 OK\r\n", cl = "Content-Length:", end = "\r\n\r\n";
    const std::pair<std::string, std::string> rows[] = {
        {"HTTP/1.0 200 Fine by me\r\n" + cl + "5" + end, "5"},
        {"HTTP/1.1 200\r\n" + cl + "5" + end, "5"},
        {"HTTP/2.0 200 OK\r\n" + cl + "5" + end, "failed"},
        {"HTTP/1.1 200 OK\ncontent-LENGTH: 3\n\nbody", "3 early"},
        {ok + "Transfer-Encodings:\r\nContent-Lengths:9\r\nX\r\n CONTENT-LENGTH:9\r\n" + cl + "4" + end, "4"},
        {ok + "Server: x" + end, "failed"},
        {ok + cl + " \t 12 \t" + end, "12"},
        {ok + cl + " 1 2" + end, "failed"},
        {ok + cl + " -1" + end, "failed"},
        {ok + cl + end, "failed"}, // no value
        {ok + cl + " 5\r\n 6" + end, "failed"},
        {"HTTP/1.1 200 O\rK\r\n" + cl + "5" + end, "failed"}, // a CR without its LF
        {ok + cl + " 7\r\ncontent-length: 007" + end, "7"},
        {ok + cl + " 5\r\n" + cl + " 6" + end, "failed"},
        {ok + cl + " 5\r\nTransfer-Encoding: chunked" + end, "failed"},
        {ok + cl + " " + std::string(29, '0') + "12" + end, "12"},
        {ok + cl + " " + std::string(29, '0') + "123" + end, "failed"}, // over 31 bytes
    };
    for (const auto& [header, outcome] : rows)
        EXPECT_EQ(Read(header), outcome) << testing::PrintToString(header);
}

// The version file as the update check reads it: the key's column, the first record's field under
// it, and the whole number listed there.
#include <gtest/gtest.h>

#include "ListedVersion.h"

TEST(VersionFileTest, ReadsTheWholeNumberUnderTheKeyInTheFirstRecord) {
    const std::string fields = "0:1:2:3:4:5:6:7:8:9:10:11:12:13:14:15:16:17:18:19"; // 16 are kept
    // The file; the version read, -1 for none.
    const std::pair<std::string, int32_t> rows[] = {
        {"text\nmore\n{version\n3\n}", 3},
        {"\xEF\xBB\xBF{a:version\nx:12\n}", 12}, // after a byte-order mark
        {"{VERSION:versions:ver:version\n1:2:3:4\n}", 4},
        {"{my version:version\na:4\n}", 4},
        {"{ver x:version\n3\n}", -1},
        {" {version\n3\n}", -1},
        {"{version\n\n  \n# note\n4\n5\n}", 4},
        {"{a\n \n :version\nx\n :7\n}", 7},
        {"{a\n:version\nx:7\n}", -1},
        {"{a:version:b\nx:\n :7\n}", -1},
        {"{a\n\t:version\nx:3\n}", 3},
        {"{a:version\n :b\n\n :5\n}", 5},
        {"{version\n3 \t", -1}, // the field keeps its blanks
        {"{version\n3\x01\x02", 3},
        {"{a\r\n\r\n :version\r\nx:3\r\n}", -1},
        {"{version", -1},
        {"{" + std::string(15, ':') + "version\n" + fields + "\n}", 15},
        {"{" + std::string(16, ':') + "version\n" + fields + "\n}", -1},
        {"{\xc3\xa9:version\n\xc3\xa9:6\n}", 6},
        {"{version\n" + std::string(1023, '7') + "\n}", INT32_MAX},
        {"{version\n" + std::string(1024, '7') + "\n}", -1},
        {"{version\n+3\n}", -1},
        {"{version\n2.5\n}", -1},
        {"{version\n\xEF\xBC\x92\n}", -1}}; // full-width 2
    for (const auto& [file, listed] : rows) {
        int32_t version = -1;
        EXPECT_EQ(ReadListedVersion(file.data(), int32_t(file.size()), version) ? version : -1, listed)
            << testing::PrintToString(file);
    }
}

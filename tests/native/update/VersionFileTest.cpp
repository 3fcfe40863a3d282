// The version file: the key's column, the first record's field under it, the listed number.
#include <gtest/gtest.h>

#include "ListedVersion.h"
#include "VersionFile.h"

// "column|field": the key's column and the first record's field in it (in column 0 without a
// key); without the "|field" when there is no such field.
static std::string Read(const std::string& file) {
    const int column = FindVersionColumn(file.data(), static_cast<int32_t>(file.size()));
    CTableReader reader{0, file.data(), static_cast<int32_t>(file.size())};
    char text[1024];
    const char* field = reader.NextRecord() ? reader.GetField(column < 0 ? 0 : column, text, 1024) : nullptr;
    return std::to_string(column) + (field ? "|" + std::string(field) : "");
}

TEST(VersionFileTest, FindsTheKeyColumnAndItsField) {
    const std::string fields = "0:1:2:3:4:5:6:7:8:9:10:11:12:13:14:15:16:17:18:19"; // 16 are kept
    const std::pair<std::string, std::string> rows[] = {
        {"text\nmore\n{version\n3\n}", "0|3"},
        {"{VERSION:versions:ver:version\n1:2:3:4\n}", "3|4"},
        {"{my version:version\na:4\n}", "1|4"},
        {"{ver x:version\n3\n}", "-1|3"},
        {" {version\n3\n}", "-1"},
        {"{version\n\n  \n# note\n4\n5\n}", "0|4"},
        {"{a\n \n :version\nx\n :7\n}", "1|7"},
        {"{a\n:version\nx:7\n}", "-1"},
        {"{a:version:b\nx:\n :7\n}", "1"},
        {"{a\n\t:version\nx:3\t1\n}", "1|3\t1"},
        {"{a:version\n :b\n\n :5\n}", "1|5"},
        {"{a:version\nx\n:7\n}", "1"},
        {"{version\n3 \t", "0|3 \t"},
        {"{a\r\n\r\n :version\r\nx:3\r\n}", "-1"},
        {"{version", "-1"},
        {"{" + std::string(15, ':') + "version\n" + fields + "\n}", "15|15"},
        {"{" + std::string(16, ':') + "version\n" + fields + "\n}", "16"},
        {"{\xc3\xa9:version\n\xc3\xa9:6\n}", "1|6"},
        {"{version\n" + std::string(1023, '7') + "\n}", "0|" + std::string(1023, '7')},
        {"{version\n" + std::string(1024, '7') + "\n}", "0"}};
    for (const auto& [file, outcome] : rows)
        EXPECT_EQ(Read(file), outcome) << testing::PrintToString(file);
}

TEST(ListedVersionTest, ReadsTheWholeNumberUnderTheKeyOnly) {
    auto read = [](const std::string& file) {
        int32_t version = -1;
        return ReadListedVersion(file.data(), int32_t(file.size()), version) ? version : -1;
    };
    EXPECT_EQ(read("\xEF\xBB\xBF{a:version\nx:12\n}"), 12); // after a byte-order mark
    // The field; the version read, -1 for none: digits only, saturating.
    // clang-format off
    const std::pair<std::string, int32_t> rows[] = {
        {"007", 7}, {"99999999999999999999999", INT32_MAX}, {"", -1}, {"+3", -1}, {"-1", -1},
        {"2.5", -1}, {"abc", -1}, {"\xEF\xBC\x92", -1}}; // full-width 2
    // clang-format on
    for (const auto& [field, value] : rows)
        EXPECT_EQ(read("{version\n" + field + "\n}"), value) << field;
}

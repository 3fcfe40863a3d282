// The version file: the key's column, the first record's field under it, the listed number.
#include <gtest/gtest.h>

#include "ListedVersion.h"
#include "VersionFile.h"

namespace {

CTableReader Reader(const std::string& file) {
    CTableReader reader;
    reader.m_pData = file.data();
    reader.m_nLength = static_cast<int32_t>(file.size());
    return reader;
}

// "column|field": the key's column and the first record's field in it (in column 0 without a
// key); without the "|field" when there is no such field.
std::string Read(const std::string& file) {
    const int column = FindVersionColumn(file.data(), static_cast<int32_t>(file.size()));
    CTableReader reader = Reader(file);
    char text[1024];
    const char* field =
        reader.NextRecord() ? reader.GetField(column < 0 ? 0 : column, text, sizeof text) : nullptr;
    return std::to_string(column) + (field ? "|" + std::string(field) : "");
}

TEST(VersionFileTest, FindsTheKeyColumnAndItsField) {
    std::string fields; // 20 of them: only 16 are kept
    for (int i = 0; i < 20; ++i)
        fields += std::to_string(i) + ":";
    const std::pair<std::string, std::string> rows[] = {
        {"{version\n3\n}\n", "0|3"},
        {"{ name : version : url\nX: 3 :y\n}", "1|3"},
        {"{:version\n:3\n}", "1|3"},
        {"text\nmore\n{version\n3\n}", "0|3"},
        {"{VERSION:versions:ver:version\n1:2:3:4\n}", "3|4"},
        {"{my name:version\na:4\n}", "1|4"},
        {"{ver x:version\n3\n}", "-1|3"},
        {" {version\n3\n}", "-1"},
        {"{version\n\n  \n# note\n4\n5\n}", "0|4"},
        {"{a\n :version\nx\n :7\n}", "1|7"},
        {"{a\n\t:version\nx:3\t1\n}", "1|3\t1"},
        {"{a\n\n :version\nx:7\n}", "-1"},
        {"{a:version\n :b\n\n :5\n}", "1|5"},
        {"{a:version\nx\n}", "1"},
        {"{a:version\nx::y\n}", "1"},
        {"{version\n}\n3\n", "0"},
        {"{version\n3  \n}", "0|3  "},
        {"{version\n3 \t", "0|3 \t"},
        {"{version\r\n3\r\n}\r\n", "0|3"},
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

TEST(VersionFileTest, ReadsRecordAfterRecordThenRewinds) {
    const std::string file = "{a:b\n1:2\nx : y  z \n\n  3\n}";
    CTableReader reader = Reader(file);
    std::string records;
    char text[16];
    while (reader.NextRecord()) {
        for (int f = 0; reader.GetField(f, text, sizeof text); ++f)
            records += text + std::string("|");
        records += ";";
    }
    EXPECT_EQ(records, "1|2|;x|y  z |;3|;");
    EXPECT_EQ(reader.m_nPos, 0);
}

TEST(ListedVersionTest, ReadsTheNumberUnderTheKey) {
    const std::string listed = "{a:version\nx:+12.5\n}", none = "{a:version\nx\n}";
    int32_t version = 0;
    EXPECT_EQ(ReadListedVersion(listed.data(), static_cast<int32_t>(listed.size()), version), 1);
    EXPECT_EQ(version, 12);
    EXPECT_EQ(ReadListedVersion(none.data(), static_cast<int32_t>(none.size()), version), 0);
}

} // namespace

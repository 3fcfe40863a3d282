// The version file's two scanners and the field extraction, over tables of files.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "VersionFile.h"

namespace {

struct CFileCase {
    const char* name;
    std::string file;
    int column;
    std::optional<std::string> field; // first record's text in the key column (column 0 without one)
};

std::optional<std::string> KeyField(const std::string& file, int column) {
    CTableReader reader;
    reader.m_pData = file.data();
    reader.m_nLength = static_cast<int32_t>(file.size());
    if (!reader.NextRecord())
        return std::nullopt;
    char text[1024];
    const char* got = reader.GetField(column, text, sizeof text);
    if (!got)
        return std::nullopt;
    return std::string(got);
}

const std::string k16Columns = "c0:c1:c2:c3:c4:c5:c6:c7:c8:c9:c10:c11:c12:c13:c14:c15";
const std::string k16Fields = "0:1:2:3:4:5:6:7:8:9:10:11:12:13:14:15";

const CFileCase kFiles[] = {
    {"single column", "{version\n3\n}\n", 0, "3"},
    {"middle column", "{name:version:url\nX:3:y\n}", 1, "3"},
    {"blanks around", "{ name : version : url\nX: 3 :y\n}", 1, "3"},
    {"empty columns count", "{:version\n:3\n}", 1, "3"},
    {"first byte not brace", "text\nmore\n{version\n3\n}", 0, "3"},
    {"upper case key", "{VERSION\n3\n}", -1, "3"},
    {"longer name", "{versions\n3\n}", -1, "3"},
    {"prefix columns counted", "{ver:v:version\na:b:5\n}", 2, "5"},
    {"key with blank and text", "{version 2:version\n3\n}", -1, "3"},
    {"prefix with blank and text", "{ver x:version\n3\n}", -1, "3"},
    {"other name with blank", "{my name:version\na:4\n}", 1, "4"},
    {"brace after blank", " {version\n3\n}", -1, std::nullopt},
    {"brace after text", "x{version\n3\n}", -1, std::nullopt},
    {"passed-over lines", "{version\n\n  \n# note\n4\n5\n}", 0, "4"},
    {"header continuation", "{a\n :version\nx\n :7\n}", 1, "7"},
    {"tab continuation", "{a\n\t:version\nx:7\n}", 1, "7"},
    {"continuation after empty line", "{a\n\n :version\nx:7\n}", -1, std::nullopt},
    {"empty first field after empty line", "{a:version\n :b\n\n :5\n}", 1, "5"},
    {"too few fields", "{a:version\nx\n}", 1, std::nullopt},
    {"empty key field", "{a:version\nx::y\n}", 1, std::nullopt},
    {"end of table first", "{version\n}\n3\n", 0, std::nullopt},
    {"last field keeps blanks", "{version\n3  \n}", 0, "3  "},
    {"last field to end of data", "{version\n3 \t", 0, "3 \t"},
    {"tab inside field", "{version\n3\t1:x\n}", 0, "3\t1"},
    {"CR LF", "{version\r\n3\r\n}\r\n", 0, "3"},
    {"CR only", "{version\r3\r}", 0, "3"},
    {"LF LF ends header", "{a\n\n:version\n3\n}", -1, std::nullopt},
    {"CR LF CR ends header", "{a\r\n\r\n :version\r\nx:3\r\n}", -1, std::nullopt},
    {"key at the very end", "{version", -1, std::nullopt},
    {"header line end at the end", "{a:version\n", -1, std::nullopt},
    {"column 15 stored", "{" + k16Columns.substr(0, k16Columns.rfind(':')) + ":version\n" + k16Fields + "\n}",
     15, "15"},
    {"column 16 not stored", "{" + k16Columns + ":version\n" + k16Fields + ":16\n}", 16, std::nullopt},
    {"high bytes are printable", "{\xc3\xa9:version\n\xc3\xa9:6\n}", 1, "6"},
};

TEST(VersionFileTest, FindsColumnAndFieldInTableOfFiles) {
    for (const CFileCase& c : kFiles) {
        SCOPED_TRACE(c.name);
        int column = FindVersionColumn(c.file.data(), static_cast<int32_t>(c.file.size()));
        EXPECT_EQ(column, c.column);
        EXPECT_EQ(KeyField(c.file, c.column < 0 ? 0 : c.column), c.field);
    }
}

TEST(VersionFileTest, ReadsRecordAfterRecordThenRewinds) {
    std::string file = "{a:b\n1:2\nx : y  z \n\n  3\n}";
    CTableReader reader;
    reader.m_pData = file.data();
    reader.m_nLength = static_cast<int32_t>(file.size());
    char text[16];
    ASSERT_TRUE(reader.NextRecord());
    EXPECT_STREQ(reader.GetField(1, text, sizeof text), "2");
    ASSERT_TRUE(reader.NextRecord());
    EXPECT_STREQ(reader.GetField(0, text, sizeof text), "x");
    EXPECT_STREQ(reader.GetField(1, text, sizeof text), "y  z ");
    ASSERT_TRUE(reader.NextRecord());
    EXPECT_STREQ(reader.GetField(0, text, sizeof text), "3");
    EXPECT_EQ(reader.GetField(1, text, sizeof text), nullptr);
    EXPECT_FALSE(reader.NextRecord());
    EXPECT_EQ(reader.m_nPos, 0);
}

TEST(VersionFileTest, TokenizerLimits) {
    std::string file = "{v\n" + std::string(40, ':') + "\n}";
    CFieldSpan fields[8];
    int32_t slots = 6; // room for three fields
    int32_t position = -5;
    int32_t end = TokenizeRecord(file.data(), static_cast<int32_t>(file.size()), position, fields, slots);
    EXPECT_GT(end, 0);
    EXPECT_EQ(position, end);
    EXPECT_EQ(slots, 6);
    EXPECT_EQ(fields[2].m_nStart, 5);

    position = static_cast<int32_t>(file.size());
    slots = 6;
    EXPECT_EQ(TokenizeRecord(file.data(), static_cast<int32_t>(file.size()), position, fields, slots), -1);
    EXPECT_EQ(position, -1);
    EXPECT_EQ(slots, 0);
    EXPECT_EQ(FindVersionColumn(file.data(), 0), -1);
}

// A field that does not fit the caller's buffer gives no text, and nothing is written past it.
TEST(VersionFileTest, FieldMustFitTheBuffer) {
    for (size_t width : {1022u, 1023u, 1024u, 3000u}) {
        SCOPED_TRACE(width);
        std::string file = "{version\n" + std::string(width, '7') + "\n}";
        CTableReader reader;
        reader.m_pData = file.data();
        reader.m_nLength = static_cast<int32_t>(file.size());
        ASSERT_TRUE(reader.NextRecord());
        char area[1024 + 16];
        memset(area, 'G', sizeof area);
        const char* got = reader.GetField(0, area, 1024);
        EXPECT_EQ(got != nullptr, width <= 1023);
        EXPECT_EQ(std::string(area + 1024, 16), std::string(16, 'G'));
        if (!got) {
            EXPECT_EQ(area[0], '\0');
        }
    }
}

} // namespace

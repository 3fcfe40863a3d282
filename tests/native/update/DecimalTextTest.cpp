// Whole-number text, as the header's length and the listed version need it.
#include <gtest/gtest.h>

#include "DecimalText.h"

TEST(DecimalTextTest, TakesDigitsOnlyAndSaturates) {
    const std::pair<const char*, int32_t> rows[] = {{"007", 7},  {"99999999999999999999999", INT32_MAX},
                                                    {"", -1},    {"+3", -1},
                                                    {"-1", -1},  {" 3", -1},
                                                    {"2.5", -1}, {"\xEF\xBC\x92", -1}}; // full-width 2
    for (const auto& [text, value] : rows) {
        int32_t read = -1;
        EXPECT_EQ(ParseWholeNumber32(text, read), value >= 0 ? 1 : 0) << text;
        EXPECT_EQ(read, value) << text;
    }
}

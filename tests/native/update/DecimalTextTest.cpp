// Decimal text to a 32-bit number, as the header's length and the listed version need it.
#include <gtest/gtest.h>

#include "DecimalText.h"

TEST(DecimalTextTest, ConvertsAndSaturates) {
    const std::pair<const char*, int32_t> rows[] = {
        {"-2147483649", INT32_MIN}, {"99999999999999999999999", INT32_MAX}, {" \t\v\r\n+3x", 3}};
    for (const auto& [text, value] : rows)
        EXPECT_EQ(ParseDecimal32(text), value) << text;
}

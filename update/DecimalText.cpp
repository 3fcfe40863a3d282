// Saturating decimal conversion without locale or errno, so it behaves the same everywhere.
#include "DecimalText.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

int32_t ParseDecimal32(const char* text) {
    while (IsSpace(*text))
        ++text;
    bool negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    // The magnitude is capped just past the 32-bit range, so it never overflows however many
    // digits follow.
    const int64_t cap = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > cap)
            magnitude = cap;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

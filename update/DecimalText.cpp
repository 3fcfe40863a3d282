// Saturating decimal conversion without locale or errno, so it behaves the same everywhere.
#include "DecimalText.h"

int ParseWholeNumber32(const char* text, int32_t& value) {
    if (!*text)
        return 0;
    // The number is capped at INT32_MAX as it grows, so it never overflows however many digits follow.
    int64_t number = 0;
    for (const char* at = text; *at; ++at) {
        if (*at < '0' || *at > '9')
            return 0;
        number = number * 10 + (*at - '0');
        if (number > INT32_MAX)
            number = INT32_MAX;
    }
    value = static_cast<int32_t>(number);
    return 1;
}

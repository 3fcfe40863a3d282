#include "Text16.h"

size_t Length16(const char16_t* text) {
    size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

int Append16(char16_t* out, size_t outUnits, size_t* pos, const char16_t* text) {
    for (; *text; ++text) {
        if (*pos + 1 >= outUnits)
            return 0;
        out[(*pos)++] = *text;
    }
    out[*pos] = 0;
    return 1;
}

int AppendDecimal16(char16_t* out, size_t outUnits, size_t* pos, uint64_t value) {
    char16_t digits[21];
    size_t n = sizeof digits / sizeof digits[0];
    digits[--n] = 0;
    do {
        digits[--n] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value);
    return Append16(out, outUnits, pos, digits + n);
}

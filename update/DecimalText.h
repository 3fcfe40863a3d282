// Whole-number text to a 32-bit number, as the HTTP header and the version file need it.
#pragma once
#include <cstdint>

// 1 with value set when text is one or more ASCII digits and nothing else (no sign, no blank);
// values beyond 32 bits saturate at INT32_MAX. 0 otherwise, value unchanged.
int ParseWholeNumber32(const char* text, int32_t& value);

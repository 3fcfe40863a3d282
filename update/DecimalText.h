// Signed decimal text to a 32-bit number, as the HTTP header and the version file need it.
#pragma once
#include <cstdint>

// Skips leading white space, takes an optional sign and the digits up to the first other
// character. Text without digits yields 0; values beyond 32 bits saturate.
int32_t ParseDecimal32(const char* text);

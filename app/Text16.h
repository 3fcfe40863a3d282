// Building UTF-16 texts in fixed buffers without the platform: every append keeps the terminator
// and refuses what does not fit.
#pragma once
#include <cstddef>
#include <cstdint>

size_t Length16(const char16_t* text);
// Appends text at *pos; 0, with out ending at *pos, when it does not fit with its terminator.
int Append16(char16_t* out, size_t outUnits, size_t* pos, const char16_t* text);
int AppendDecimal16(char16_t* out, size_t outUnits, size_t* pos, uint64_t value);

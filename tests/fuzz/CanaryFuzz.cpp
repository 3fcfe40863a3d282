// A canary, not a target: every input overflows a signed number, a report the fuzz build must stop
// at. scripts/test requires this program to fail.
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t size) {
    volatile int big = __INT_MAX__;
    return big + static_cast<int>(size % 2) + 1 == 0;
}

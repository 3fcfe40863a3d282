// Arbitrary bytes into the response-header reader, under the sanitizers.
#include <cstddef>

#include "HeaderReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CHeaderReader reader;
    for (size_t i = 0; i < size && reader.Feed(data[i]) == CHeaderReader::More; ++i) {
    }
    return 0;
}

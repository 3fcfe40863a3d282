// Arbitrary bytes into the response-header reader; a complete header must have begun with an
// accepted status line and ended with the header-end bytes.
#include <cstdlib>
#include <cstring>

#include "HeaderReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CHeaderReader reader;
    CHeaderReader::Result result = CHeaderReader::More;
    size_t used = 0;
    while (used < size && result == CHeaderReader::More)
        result = reader.Feed(data[used++]);
    if (result == CHeaderReader::Complete &&
        (memcmp(data + 8, " 200 OK\r\n", 9) != 0 || memcmp(data + used - 4, "\r\n\r\n", 4) != 0))
        abort();
    return 0;
}

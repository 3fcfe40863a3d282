// Feeds arbitrary bytes to the response-header reader. Besides the sanitizers it checks that a
// complete header began with an accepted status line and ended with the header-end bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "HeaderReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CHeaderReader reader;
    for (size_t i = 0; i < size; ++i) {
        CHeaderReader::Result result = reader.Feed(data[i]);
        if (result == CHeaderReader::Failed)
            return 0;
        if (result == CHeaderReader::Complete) {
            size_t used = i + 1;
            if (used < 17 + 16 + 4 || memcmp(data, "HTTP/", 5) != 0 ||
                memcmp(data + 8, " 200 OK\r\n", 9) != 0 || memcmp(data + used - 4, "\r\n\r\n", 4) != 0)
                abort();
            return 0;
        }
    }
    return 0;
}

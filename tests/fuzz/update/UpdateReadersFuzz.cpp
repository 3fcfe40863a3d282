// Arbitrary bytes through the update check's two readers, under the sanitizers: the response header
// byte by byte, and the version file as the check reads it, exactly its size, so that a read past
// the end is caught.
#include "HeaderReader.h"
#include "ListedVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    CHeaderReader reader;
    for (std::size_t i = 0; i < size && reader.Feed(data[i]) == CHeaderReader::More; ++i) {
    }
    int32_t version;
    ReadListedVersion(reinterpret_cast<const char*>(data), static_cast<int32_t>(size), version);
    return 0;
}

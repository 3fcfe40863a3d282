// Arbitrary bytes through the version file's reader: every record and field is read from the
// input as it is, exactly its size, so that a read past the end is caught, and every record read
// must move on.
#include <cstdlib>

#include "ListedVersion.h"
#include "VersionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    int32_t version;
    ReadListedVersion(bytes, static_cast<int32_t>(size), version);
    CTableReader reader{0, bytes, static_cast<int32_t>(size)};
    char text[8];
    for (int32_t previous = 0; reader.NextRecord(); previous = reader.m_nPos) {
        if (reader.m_nPos <= previous)
            abort();
        for (int f = 0; f <= 16; ++f)
            reader.GetField(f, text, sizeof text);
    }
    return 0;
}

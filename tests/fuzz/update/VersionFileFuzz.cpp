// Arbitrary bytes through the version file's scanners: every record and field is read from an
// exact-size copy, so a read past the end is caught, and every record read must move on.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ListedVersion.h"
#include "VersionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char> bytes(data, data + size);
    const auto length = static_cast<int32_t>(size);
    FindVersionColumn(bytes.data(), length);
    CTableReader reader;
    reader.m_pData = bytes.data();
    reader.m_nLength = length;
    char text[8];
    for (int32_t previous = 0; reader.NextRecord(); previous = reader.m_nPos) {
        if (reader.m_nPos <= previous || reader.m_nPos > length)
            abort();
        for (int f = -1; f <= 16; ++f)
            reader.GetField(f, text, sizeof text);
    }
    int32_t version = 0;
    ReadListedVersion(bytes.data(), length, version);
    return 0;
}

// Runs both version-file scanners over arbitrary bytes and reads every record and field,
// checking that positions and fields stay inside the data and that reading always ends.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ListedVersion.h"
#include "VersionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192)
        return 0;
    // An exact-size copy, so that a read past the end is caught.
    char* bytes = static_cast<char*>(malloc(size ? size : 1));
    memcpy(bytes, data, size);
    auto length = static_cast<int32_t>(size);

    int column = FindVersionColumn(bytes, length);
    if (column < -1)
        abort();

    CTableReader reader;
    reader.m_pData = bytes;
    reader.m_nLength = length;
    int32_t previous = 0;
    for (int records = 0; reader.NextRecord(); ++records) {
        // Every record read moves on, so the loop ends.
        if (reader.m_nPos <= previous || reader.m_nPos > length || records > length)
            abort();
        previous = reader.m_nPos;
        if (reader.m_nSlots < 2 || reader.m_nSlots > 32 || reader.m_nSlots % 2 != 0)
            abort();
        for (int f = 0; f < reader.m_nSlots / 2; ++f) {
            const CFieldSpan& span = reader.m_Fields[f];
            if (span.m_nStart < 0 || span.m_nStart > span.m_nEnd || span.m_nEnd > length)
                abort();
        }
        char small[8];
        char large[1024];
        for (int f = -1; f <= 16; ++f) {
            const char* inSmall = reader.GetField(f, small, sizeof small);
            const char* inLarge = reader.GetField(f, large, sizeof large);
            // A field that fits the small buffer reads the same in the large one.
            if (inSmall && (!inLarge || strcmp(inSmall, inLarge) != 0))
                abort();
            if (inLarge && strlen(inLarge) >= sizeof large)
                abort();
        }
    }
    if (reader.m_nPos != 0)
        abort();

    int32_t version = 0;
    ReadListedVersion(bytes, length, version);
    free(bytes);
    return 0;
}

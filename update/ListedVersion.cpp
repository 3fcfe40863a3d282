// Version file bytes to the listed version number.
#include "ListedVersion.h"

#include "DecimalText.h"
#include "VersionFile.h"

int ReadListedVersion(const char* body, int32_t length, int32_t& version) {
    if (length <= 0)
        return 0;
    CTableReader reader;
    reader.m_pData = body;
    reader.m_nLength = length;
    int column = FindVersionColumn(body, length);
    if (column < 0 || !reader.NextRecord())
        return 0;
    char text[1024];
    if (!reader.GetField(column, text, sizeof text))
        return 0;
    version = ParseDecimal32(text);
    return 1;
}

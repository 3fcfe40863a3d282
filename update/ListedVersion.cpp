// Version file bytes to the listed version number.
#include "ListedVersion.h"

#include <cstring>

#include "DecimalText.h"
#include "VersionFile.h"

namespace {

// Editors on Windows save UTF-8 with a byte-order mark.
const char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int32_t kMarkBytes = sizeof kByteOrderMark - 1;

} // namespace

int ReadListedVersion(const char* body, int32_t length, int32_t& version) {
    if (length >= kMarkBytes && memcmp(body, kByteOrderMark, kMarkBytes) == 0) {
        body += kMarkBytes;
        length -= kMarkBytes;
    }
    if (length <= 0)
        return 0;
    CTableReader reader;
    reader.m_pData = body;
    reader.m_nLength = length;
    int column = FindVersionColumn(body, length);
    if (column < 0 || !reader.NextRecord())
        return 0;
    char text[1024];
    return reader.GetField(column, text, sizeof text) && ParseWholeNumber32(text, version);
}

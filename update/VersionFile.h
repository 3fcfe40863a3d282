// The version file: a table in braces whose header names the columns and whose first record
// holds the listed version under the column "version". Two independent scanners read it:
// one finds the key's column in the header, one splits a record into fields.
#pragma once
#include <cstdint>

// Zero-based column of the first header column named "version", or -1.
int FindVersionColumn(const char* data, int32_t length);

// Span of one field of a record: index of its first byte and one past its last.
struct CFieldSpan {
    int32_t m_nStart;
    int32_t m_nEnd;
};

// Splits the record at or after position (negative counts as 0; 0 means the table must be
// found first) into fields. slots is the capacity of fields in 32-bit slots, two per field,
// and comes back as the slots used. Returns, and stores in position, where the record ended,
// or -1 when there is none.
int TokenizeRecord(const char* data, int32_t length, int32_t& position, CFieldSpan* fields, int32_t& slots);

// Reader over one buffer it does not own.
class CTableReader {
  public:
    static constexpr int kMaxFields = 16;

    // Reads the next record; at the end rewinds to the start and returns false.
    bool NextRecord();
    // Copies field index without its control bytes into out (capacity bytes with the
    // terminator). Null when there is no such field, when it is empty, or when it does not
    // fit; out then holds the empty text.
    char* GetField(int index, char* out, int32_t capacity) const;

    int32_t m_nPos = 0;
    const char* m_pData = nullptr;
    int32_t m_nLength = 0;
    CFieldSpan m_Fields[kMaxFields] = {};
    int32_t m_nSlots = 2 * kMaxFields;
};

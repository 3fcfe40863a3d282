// Splits a record of the version file into fields and copies one field out as text.
#include "VersionFile.h"

#include "ByteClass.h"

namespace {

using namespace versionfile;

enum State { SeekTable, SkipRest, LineStart, SkipSpace, RecordStart, Gap, Field, Break };

class CRecordScanner {
  public:
    CRecordScanner(const unsigned char* data, int32_t length, CFieldSpan* fields, int32_t maxFields)
        : m_pData(data), m_nLength(length), m_pFields(fields), m_nMaxFields(maxFields) {}
    int32_t Run(int32_t start);
    int32_t FieldCount() const { return m_nCount; }

  private:
    // Handles byte i; true when the record is over at it.
    bool Step(int32_t i, bool& again);
    void Store(int32_t start, int32_t end);
    int32_t Finish(int32_t end);

    const unsigned char* m_pData;
    int32_t m_nLength;
    CFieldSpan* m_pFields;
    int32_t m_nMaxFields;
    int32_t m_nCount = 0;
    State m_nState = SeekTable;
    State m_nReturn = Gap;
    bool m_bOpen = false;
    int32_t m_nFieldStart = 0;
    int32_t m_nFieldEnd = 0;
    int m_nRemembered = kNoByte;
};

int32_t CRecordScanner::Run(int32_t start) {
    m_nState = start == 0 ? SeekTable : SkipSpace;
    for (int32_t i = start; i < m_nLength; ++i) {
        bool again;
        do {
            again = false;
            if (Step(i, again))
                return Finish(i);
        } while (again);
    }
    return Finish(m_nLength);
}

// A field beyond the capacity is neither stored nor counted.
void CRecordScanner::Store(int32_t start, int32_t end) {
    if (m_nCount < m_nMaxFields)
        m_pFields[m_nCount++] = CFieldSpan{start, end};
}

// The record is over at end: an open field runs up to it.
int32_t CRecordScanner::Finish(int32_t end) {
    if (m_bOpen)
        Store(m_nFieldStart, end);
    m_bOpen = false;
    return m_nCount > 0 ? end : -1;
}

bool CRecordScanner::Step(int32_t i, bool& again) {
    unsigned char b = m_pData[i];
    bool afterBlank = i > 0 && IsBlank(m_pData[i - 1]);
    switch (m_nState) {
    case SeekTable:
        if (b == '{' && (i == 0 || IsControl(m_pData[i - 1])))
            m_nState = SkipRest;
        return false;
    case SkipRest:
        if (IsControl(b)) {
            m_nState = LineStart;
            again = true;
        }
        return false;
    case LineStart:
        if (IsBlank(b)) {
            m_nRemembered = kNoByte;
        } else if (b == ':' && afterBlank) {
            m_nRemembered = kNoByte; // a continuation of the header: passed over
            m_nState = SkipRest;
        } else if (!IsControl(b)) {
            m_nRemembered = kNoByte;
            m_nState = RecordStart;
            again = true;
        } else if (m_nRemembered == kNoByte) {
            m_nRemembered = b;
        } else if (b == m_nRemembered) {
            // An empty line: from here on blanks and ':' no longer continue the header.
            m_nRemembered = kNoByte;
            m_nState = SkipSpace;
        }
        return false;
    case SkipSpace:
        if (b > 0x20) {
            m_nState = RecordStart;
            again = true;
        }
        return false;
    case RecordStart:
        if (b == '#') {
            m_nState = SkipRest;
        } else if (b == '}') {
            return true; // the table ends where a record would begin
        } else {
            m_nState = Gap;
            again = true;
        }
        return false;
    case Gap:
        if (b == ':') {
            Store(i, i);
        } else if (IsControl(b)) {
            m_nReturn = Gap;
            m_nState = Break;
            again = true;
        } else if (!IsBlank(b)) {
            m_bOpen = true;
            m_nFieldStart = i;
            m_nFieldEnd = i + 1;
            m_nState = Field;
        }
        return false;
    case Field:
        if (b == ':') {
            Store(m_nFieldStart, m_nFieldEnd); // trailing blanks dropped
            m_bOpen = false;
            m_nState = Gap;
        } else if (IsControl(b)) {
            m_nReturn = Field;
            m_nState = Break;
            again = true;
        } else if (!IsBlank(b)) {
            m_nFieldEnd = i + 1;
        }
        return false;
    case Break:
        if (IsBlank(b))
            return false; // the remembered line end stays remembered
        if (b == ':' && afterBlank) {
            m_nRemembered = kNoByte; // a continuation line
            m_nState = m_nReturn;
            again = true;
            return false;
        }
        if (!IsControl(b) || b == m_nRemembered)
            return true; // another line, or an empty line
        if (m_nRemembered == kNoByte)
            m_nRemembered = b;
        return false;
    }
    return true;
}

} // namespace

int TokenizeRecord(const char* data, int32_t length, int32_t& position, CFieldSpan* fields, int32_t& slots) {
    int32_t start = position < 0 ? 0 : position;
    int32_t maxFields = slots > 0 ? slots / 2 : 0;
    if (!data || start >= length) {
        position = -1;
        slots = 0;
        return -1;
    }
    CRecordScanner scanner(reinterpret_cast<const unsigned char*>(data), length, fields, maxFields);
    position = scanner.Run(start);
    slots = 2 * scanner.FieldCount();
    return position;
}

bool CTableReader::NextRecord() {
    m_nSlots = 2 * kMaxFields;
    if (TokenizeRecord(m_pData, m_nLength, m_nPos, m_Fields, m_nSlots) == -1) {
        m_nPos = 0;
        return false;
    }
    return true;
}

char* CTableReader::GetField(int index, char* out, int32_t capacity) const {
    if (capacity <= 0)
        return nullptr;
    out[0] = '\0';
    if (index < 0 || index >= kMaxFields || int64_t{2} * index >= m_nSlots)
        return nullptr;
    const CFieldSpan& span = m_Fields[index];
    int32_t copied = 0;
    for (int32_t i = span.m_nStart; i < span.m_nEnd; ++i) {
        auto b = static_cast<unsigned char>(m_pData[i]);
        if (IsControl(b))
            continue;
        if (copied == capacity - 1) {
            out[0] = '\0'; // does not fit: no version rather than a cut one
            return nullptr;
        }
        out[copied++] = static_cast<char>(b);
    }
    out[copied] = '\0';
    return copied > 0 ? out : nullptr;
}

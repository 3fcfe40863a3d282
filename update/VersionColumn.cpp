// Finds the column of the key "version" in the version file's header.
#include "VersionFile.h"

#include "ByteClass.h"

namespace {

const char kKey[] = "version";
constexpr int kKeyBytes = sizeof kKey - 1;
using namespace versionfile;

enum State { FirstByte, SeekTable, Columns, Name, AfterName, NameEnd, OtherName, Break };

class CColumnScanner {
  public:
    CColumnScanner(const unsigned char* data, int32_t length) : m_pData(data), m_nLength(length) {}
    int Run();

  private:
    // Handles byte i; returns true when the result is decided (in m_nResult).
    bool Step(int32_t i, bool& again);
    int Over() const { return m_nKeyPos == kKeyBytes ? m_nColumn : -1; }

    const unsigned char* m_pData;
    int32_t m_nLength;
    State m_nState = FirstByte;
    State m_nReturn = Columns;
    int m_nColumn = 0;
    int m_nKeyPos = 0;
    int m_nRemembered = kNoByte;
    int m_nResult = -1;
};

int CColumnScanner::Run() {
    for (int32_t i = 0; i < m_nLength; ++i) {
        bool again;
        do {
            again = false;
            if (Step(i, again))
                return m_nResult;
        } while (again);
    }
    return -1; // the header never ended, even if the key has just matched
}

bool CColumnScanner::Step(int32_t i, bool& again) {
    unsigned char b = m_pData[i];
    bool afterBlank = i > 0 && IsBlank(m_pData[i - 1]);
    switch (m_nState) {
    case FirstByte:
        m_nState = b == '{' ? Columns : SeekTable;
        return false;
    case SeekTable:
        if (b == '{' && IsControl(m_pData[i - 1]))
            m_nState = Columns;
        return false;
    case Columns:
        if (b == ':') {
            ++m_nColumn;
        } else if (IsControl(b)) {
            m_nReturn = Columns;
            m_nState = Break;
            again = true;
        } else if (!IsBlank(b)) {
            m_nState = Name;
            again = true;
        }
        return false;
    case Name:
        if (IsBlank(b)) {
            m_nState = AfterName;
        } else if (b == ':') {
            m_nState = NameEnd;
            again = true;
        } else if (IsControl(b)) {
            m_nReturn = AfterName;
            m_nState = Break;
            again = true;
        } else if (m_nKeyPos < kKeyBytes && b == static_cast<unsigned char>(kKey[m_nKeyPos])) {
            ++m_nKeyPos;
        } else {
            m_nKeyPos = 0;
            m_nState = OtherName;
            again = true;
        }
        return false;
    case AfterName:
        if (b == ':') {
            m_nState = NameEnd;
            again = true;
        } else if (IsControl(b)) {
            m_nReturn = AfterName;
            m_nState = Break;
            again = true;
        } else if (!IsBlank(b)) {
            m_nResult = -1; // a name with a blank and more text in it
            return true;
        }
        return false;
    case NameEnd:
        if (m_nKeyPos == kKeyBytes) {
            m_nResult = m_nColumn;
            return true;
        }
        m_nKeyPos = 0;
        m_nState = Columns;
        again = true;
        return false;
    case OtherName:
        if (b == ':') {
            m_nState = Columns;
            again = true;
        } else if (IsControl(b)) {
            m_nReturn = Columns;
            m_nState = Break;
            again = true;
        }
        return false;
    case Break:
        if (IsBlank(b)) {
            m_nRemembered = kNoByte;
        } else if (b == ':' && afterBlank) {
            // A continuation line goes on with the header.
            m_nRemembered = kNoByte;
            m_nState = m_nReturn;
            again = true;
        } else if (!IsControl(b) || b == m_nRemembered) {
            m_nResult = Over(); // another line, or an empty line
            return true;
        } else if (m_nRemembered == kNoByte) {
            m_nRemembered = b;
        }
        return false;
    }
    return true;
}

} // namespace

int FindVersionColumn(const char* data, int32_t length) {
    if (!data || length <= 0)
        return -1;
    return CColumnScanner(reinterpret_cast<const unsigned char*>(data), length).Run();
}

// The response-header reader of the HTTP client: fed one byte at a time, it checks the status
// line and picks out the Content-Length value. No windows.h, so it is tested natively.
#pragma once
#include <cstdint>

class CHeaderReader {
  public:
    enum Result { More, Complete, Failed };

    // Takes the next header byte. After Complete the body starts with the following byte;
    // after Failed or Complete the reader must not be fed again.
    Result Feed(unsigned char byte);

    // The converted Content-Length value; meaningful once Feed has returned Complete.
    int32_t ContentLength() const { return m_nContentLength; }

  private:
    enum State { StatusLine, LineStart, HeaderName, SkipLine, BeforeColon, BeforeValue, Value, HeaderEnd };

    Result Step(unsigned char byte, bool& again);

    State m_nState = StatusLine;
    int m_nIndex = 0;
    // At most 31 value bytes and a terminator; a longer value fails the header.
    char m_szValue[32] = {};
    int32_t m_nContentLength = 0;
};

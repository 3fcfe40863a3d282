// The response-header reader of the HTTP client: fed one byte at a time, it checks the status
// line and the framing fields as RFC 9112 has real servers send them, and picks out the
// Content-Length value. No windows.h, so it is tested natively.
#pragma once
#include <cstdint>

class CHeaderReader {
  public:
    enum Result { More, Complete, Failed };

    // Takes the next header byte. After Complete the body starts with the following byte;
    // after Failed or Complete the reader must not be fed again.
    Result Feed(unsigned char byte);

    // The Content-Length value, saturated at INT32_MAX; meaningful once Feed has returned Complete.
    int32_t ContentLength() const { return m_nContentLength; }

  private:
    enum State { StatusLine, StatusEnd, Reason, LineStart, Name, SkipLine, BeforeValue, Value, AfterValue };

    Result Step(unsigned char byte, bool& again);
    Result StartLine(unsigned char byte, bool& again);
    Result NameByte(unsigned char byte);
    Result ValueByte(unsigned char byte);
    Result EndValue();

    State m_nState = StatusLine;
    int m_nIndex = 0;
    bool m_bCarriage = false;      // a CR came, which only a LF may follow
    bool m_bLengthMatch = false;   // the field name so far is a prefix of Content-Length
    bool m_bTransferMatch = false; // ... of Transfer-Encoding
    bool m_bAfterLength = false;   // the line just ended was a Content-Length field
    bool m_bHaveLength = false;
    // At most 31 value bytes and a terminator; a longer value fails the header.
    char m_szValue[32] = {};
    // The first Content-Length's digits without leading zeros, to compare a second one with.
    char m_szLength[32] = {};
    int32_t m_nContentLength = 0;
};

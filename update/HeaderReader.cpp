// Byte-fed state machine over the response header.
#include "HeaderReader.h"

#include "DecimalText.h"

namespace {

const char kStatusPattern[] = "HTTP/?.? 200 OK\r\n"; // '?' matches any byte
const char kLengthName[] = "Content-Length";
const char kHeaderEnd[] = "\r\n\r\n";
constexpr int kStatusBytes = sizeof kStatusPattern - 1;
constexpr int kNameBytes = sizeof kLengthName - 1;
constexpr int kEndBytes = sizeof kHeaderEnd - 1;
constexpr int kValueCapacity = 31;

bool IsWhite(unsigned char byte) {
    return byte <= 0x20 || byte >= 0x80;
}

} // namespace

CHeaderReader::Result CHeaderReader::Feed(unsigned char byte) {
    // A state change may hand the same byte to the new state; no state hands a byte back to
    // itself, so this ends after a few rounds.
    for (;;) {
        bool again = false;
        Result result = Step(byte, again);
        if (!again)
            return result;
    }
}

CHeaderReader::Result CHeaderReader::Step(unsigned char byte, bool& again) {
    switch (m_nState) {
    case StatusLine:
        if (kStatusPattern[m_nIndex] != '?' && byte != static_cast<unsigned char>(kStatusPattern[m_nIndex]))
            return Failed;
        if (++m_nIndex == kStatusBytes) {
            m_nState = LineStart;
            m_nIndex = 0;
        }
        return More;
    case LineStart:
        if (byte == static_cast<unsigned char>(kLengthName[0])) {
            m_nIndex = 1;
            m_nState = HeaderName;
        } else if (byte == '\r') {
            return Failed; // the header block ended without a Content-Length
        } else {
            m_nState = SkipLine;
        }
        return More;
    case HeaderName:
        if (byte != static_cast<unsigned char>(kLengthName[m_nIndex])) {
            m_nState = SkipLine;
            again = true;
        } else if (++m_nIndex == kNameBytes) {
            m_nState = BeforeColon;
            m_nIndex = 0;
        }
        return More;
    case SkipLine:
        if (byte == '\n') {
            m_nState = LineStart;
            m_nIndex = 0;
        }
        return More;
    case BeforeColon:
        if (byte == ':') {
            m_nState = BeforeValue;
            m_nIndex = 0;
        } else if (byte != ' ') {
            m_nState = SkipLine;
            again = true;
        }
        return More;
    case BeforeValue:
        if (!IsWhite(byte)) {
            m_nState = Value;
            again = true;
        }
        return More;
    case Value:
        if (byte >= 0x21 && byte <= 0x7F) {
            if (m_nIndex == kValueCapacity)
                return Failed;
            m_szValue[m_nIndex++] = static_cast<char>(byte);
            return More;
        }
        if (byte != '\r')
            return Failed; // anything but CR after the value
        m_szValue[m_nIndex] = '\0';
        m_nContentLength = ParseDecimal32(m_szValue);
        m_nState = HeaderEnd;
        m_nIndex = 0;
        again = true;
        return More;
    case HeaderEnd:
        if (byte != static_cast<unsigned char>(kHeaderEnd[m_nIndex])) {
            m_nIndex = 0; // dropped, not tried as the start of a new match
            return More;
        }
        return ++m_nIndex == kEndBytes ? Complete : More;
    }
    return Failed;
}

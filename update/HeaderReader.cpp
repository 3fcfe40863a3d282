// Byte-fed state machine over the response header.
#include "HeaderReader.h"

#include <cstring>

#include "DecimalText.h"

namespace {

const char kStatus[] = "HTTP/1.# 200"; // '#' matches any digit
// Field names as RFC 9112 compares them, in lower case.
const char kLengthName[] = "content-length";
const char kTransferName[] = "transfer-encoding";
constexpr int kStatusBytes = sizeof kStatus - 1;
constexpr int kLengthBytes = sizeof kLengthName - 1;
constexpr int kTransferBytes = sizeof kTransferName - 1;
constexpr int kValueCapacity = 31;

bool IsBlank(unsigned char byte) {
    return byte == ' ' || byte == '\t';
}

bool IsDigit(unsigned char byte) {
    return byte >= '0' && byte <= '9';
}

unsigned char Lower(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte;
}

} // namespace

CHeaderReader::Result CHeaderReader::Feed(unsigned char byte) {
    // A line ends with CRLF or a bare LF (RFC 9112 2.2); a CR anywhere else makes the header
    // ambiguous, so it is refused. The states below see only the LF.
    if (m_bCarriage) {
        if (byte != '\n')
            return Failed;
        m_bCarriage = false;
    } else if (byte == '\r') {
        m_bCarriage = true;
        return More;
    }
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
        if (kStatus[m_nIndex] == '#' ? !IsDigit(byte) : byte != static_cast<unsigned char>(kStatus[m_nIndex]))
            return Failed;
        if (++m_nIndex == kStatusBytes)
            m_nState = StatusEnd;
        return More;
    case StatusEnd: // any reason phrase after a blank, or none
        if (byte != ' ' && byte != '\n')
            return Failed;
        m_nState = byte == ' ' ? Reason : LineStart;
        return More;
    case Reason:
    case SkipLine:
        if (byte == '\n')
            m_nState = LineStart;
        return More;
    case LineStart:
        return StartLine(byte, again);
    case Name:
        return NameByte(byte);
    case BeforeValue:
        if (!IsBlank(byte)) {
            m_nState = Value;
            again = true;
        }
        return More;
    case Value:
    case AfterValue:
        return ValueByte(byte);
    }
    return Failed;
}

CHeaderReader::Result CHeaderReader::StartLine(unsigned char byte, bool& again) {
    if (byte == '\n')
        return m_bHaveLength ? Complete : Failed; // the empty line ends the header
    if (IsBlank(byte)) {
        // A folded line: it would continue a Content-Length value across a line end.
        if (m_bAfterLength)
            return Failed;
        m_nState = SkipLine;
        return More;
    }
    m_bAfterLength = false;
    m_bLengthMatch = true;
    m_bTransferMatch = true;
    m_nIndex = 0;
    m_nState = Name;
    again = true;
    return More;
}

CHeaderReader::Result CHeaderReader::NameByte(unsigned char byte) {
    if (byte == ':') {
        // Chunked or otherwise coded bodies are not read.
        if (m_bTransferMatch && m_nIndex == kTransferBytes)
            return Failed;
        m_nState = m_bLengthMatch && m_nIndex == kLengthBytes ? BeforeValue : SkipLine;
        m_nIndex = 0;
        return More;
    }
    if (byte == '\n') {
        m_nState = LineStart; // a line without a colon is no field
        return More;
    }
    const unsigned char lower = Lower(byte);
    m_bLengthMatch = m_bLengthMatch && m_nIndex < kLengthBytes && lower == kLengthName[m_nIndex];
    m_bTransferMatch = m_bTransferMatch && m_nIndex < kTransferBytes && lower == kTransferName[m_nIndex];
    ++m_nIndex;
    if (!m_bLengthMatch && !m_bTransferMatch)
        m_nState = SkipLine;
    return More;
}

CHeaderReader::Result CHeaderReader::ValueByte(unsigned char byte) {
    if (byte == '\n')
        return EndValue();
    if (IsBlank(byte)) {
        m_nState = AfterValue;
        return More;
    }
    if (m_nState == AfterValue || !IsDigit(byte) || m_nIndex == kValueCapacity)
        return Failed;
    m_szValue[m_nIndex++] = static_cast<char>(byte);
    return More;
}

// Two Content-Length fields must agree; their digits are compared without leading zeros.
CHeaderReader::Result CHeaderReader::EndValue() {
    if (m_nIndex == 0)
        return Failed;
    m_szValue[m_nIndex] = '\0';
    const char* digits = m_szValue;
    while (digits[0] == '0' && digits[1] != '\0')
        ++digits;
    if (m_bHaveLength && strcmp(digits, m_szLength) != 0)
        return Failed;
    strcpy(m_szLength, digits);
    ParseWholeNumber32(m_szValue, m_nContentLength);
    m_bHaveLength = true;
    m_bAfterLength = true;
    m_nState = LineStart;
    return More;
}

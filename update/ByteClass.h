// Byte classes shared by the version file's two scanners. Bytes from 0x80 up are ordinary
// printable bytes; control bytes end lines.
#pragma once

namespace versionfile {

constexpr int kNoByte = -1; // no control byte remembered

inline bool IsBlank(unsigned char b) {
    return b == ' ' || b == '\t';
}
inline bool IsControl(unsigned char b) {
    return b < 0x20 && b != '\t';
}

} // namespace versionfile

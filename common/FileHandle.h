// Owns one Win32 file handle; INVALID_HANDLE_VALUE means it holds nothing.
#pragma once
#include <windows.h>

class CFileHandle {
  public:
    CFileHandle() = default;
    explicit CFileHandle(HANDLE h) : m_hFile(h) {}
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    void Close() {
        if (m_hFile != INVALID_HANDLE_VALUE)
            CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
    void Reset(HANDLE h) {
        Close();
        m_hFile = h;
    }
    // Gives up ownership without closing.
    HANDLE Release() {
        HANDLE h = m_hFile;
        m_hFile = INVALID_HANDLE_VALUE;
        return h;
    }
    HANDLE Get() const { return m_hFile; }
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

  private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};

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
    // Removes the file through this handle, which needs DELETE access, and closes it: the file goes
    // with its handle, never another one put under its name meanwhile. 1 when it was removed.
    int Remove() {
        FILE_DISPOSITION_INFO info = {TRUE};
        const int removed =
            IsOpen() && SetFileInformationByHandle(m_hFile, FileDispositionInfo, &info, sizeof info);
        Close();
        return removed;
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

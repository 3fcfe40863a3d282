#include "Mp3File.h"

#include "JobSettings.h"

#include <new>

namespace {

HANDLE OpenFile(const wchar_t* name, int replaceExisting, DWORD access) {
    return CreateFileW(name, access, 0, nullptr, replaceExisting ? CREATE_ALWAYS : CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

// With the right to delete where the system grants it, so that a file that must go is removed through
// its own handle (by name, another file put there meanwhile would go instead). A share that grants
// writing but not deleting refuses that right: the file is made without it and then never removed.
CMp3File* CMp3File::Create(const wchar_t* name, int replaceExisting, const uint8_t* placeholder,
                           uint32_t placeholderBytes, SJobFault* fault) {
    *fault = {kJobNoMemory, 0};
    auto* file = new (std::nothrow) CMp3File;
    if (!file)
        return nullptr;
    constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
    HANDLE handle = OpenFile(name, replaceExisting, kAccess | DELETE);
    file->m_bCanRemove = handle != INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        handle = OpenFile(name, replaceExisting, kAccess);
    if (handle == INVALID_HANDLE_VALUE) {
        *fault = {kJobFileCreate, GetLastError()};
        delete file;
        return nullptr;
    }
    file->m_File.Reset(handle);
    file->Write(placeholder, placeholderBytes);
    file->m_nInfoSlot = placeholderBytes;
    *fault = {kJobFine, 0};
    return file;
}

CMp3File::~CMp3File() {
    if (m_File.IsOpen())
        FlushFileBuffers(m_File.Get());
}

void CMp3File::Write(const uint8_t* data, uint32_t bytes) {
    if (bytes == 0)
        return;
    const uint64_t took = Bytes();
    DWORD written = 0;
    if (WriteFile(m_File.Get(), data, bytes, &written, nullptr) && written == bytes) {
        m_bFailing = 0;
        m_nBytes = took + bytes;
        return;
    }
    m_bFailing = 1;
    m_bEveryWriteTaken = false;
    // A refused write may still have left part of its data, whatever it reported.
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(took);
    if (SetFilePointerEx(m_File.Get(), end, nullptr, FILE_BEGIN))
        SetEndOfFile(m_File.Get());
}

void CMp3File::Flush() {
    FlushFileBuffers(m_File.Get());
}

int CMp3File::WriteAt(int64_t offset, const uint8_t* data, uint32_t bytes) {
    LARGE_INTEGER at, end;
    at.QuadPart = offset;
    end.QuadPart = static_cast<LONGLONG>(Bytes());
    DWORD written = 0;
    const int ok = SetFilePointerEx(m_File.Get(), at, nullptr, FILE_BEGIN) &&
                   WriteFile(m_File.Get(), data, bytes, &written, nullptr) && written == bytes;
    return SetFilePointerEx(m_File.Get(), end, nullptr, FILE_BEGIN) && ok;
}

void CMp3File::Finish(const uint8_t* infoFrame, uint32_t infoBytes) {
    if (infoBytes != 0 && infoBytes == m_nInfoSlot && m_bEveryWriteTaken)
        WriteAt(0, infoFrame, infoBytes);
    Write(kId3v1Tag.data(), kTagBytes);
}

int CMp3File::Remove() {
    if (!m_bCanRemove) {
        m_File.Close();
        return 0;
    }
    return m_File.Remove();
}

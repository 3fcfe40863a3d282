// Test-only stand-in for the Win32 calls the engine makes natively: files over POSIX descriptors
// (FlushFileBuffers is fsync), detached threads with a future to wait on, auto-reset events over a
// semaphore (an extra wake-up is harmless: every waiter checks its condition again) and critical
// sections over a mutex. Hooks for the tests are in
// fakewin, reset by fakewin::Reset. There is no DeleteFileW: a file is removed through its handle only,
// never by name after it was closed, and only through a handle opened with DELETE access.
#pragma once
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>

#define WINAPI
#define CALLBACK
#define FALSE 0
#define TRUE 1
typedef int BOOL;
typedef uint16_t WORD;
typedef uint32_t DWORD, UINT;
typedef uintptr_t DWORD_PTR;
typedef char* LPSTR;
typedef void *LPVOID, *HANDLE;
typedef unsigned long long ULONGLONG;
typedef long long LONGLONG;
constexpr DWORD INFINITE = ~0u, GENERIC_READ = 0x80000000, GENERIC_WRITE = 0x40000000, DELETE = 0x10000,
                FILE_ATTRIBUTE_NORMAL = 0, CREATE_NEW = 1, CREATE_ALWAYS = 2, ERROR_ACCESS_DENIED = 5,
                ERROR_FILENAME_EXCED_RANGE = 206;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t{-1});
enum FILE_INFO_BY_HANDLE_CLASS { FileDispositionInfo = 4 };
struct FILE_DISPOSITION_INFO {
    BOOL DeleteFile;
};

namespace fakewin {
inline std::atomic<int> failWrites{0};     // how many writes to come fail, as on a full disk
inline std::atomic<DWORD> asleepMs{0};     // time the computer slept: in the tick count, not awake time
inline std::atomic<bool> noDeleteRight{0}; // files open only without DELETE, as on some shares
inline std::atomic<int> flushes{0};        // FlushFileBuffers calls
inline std::atomic<long long> flushUs{0};  // and the time they took, in microseconds
inline std::atomic<DWORD> slowFlushMs{0};  // the next FlushFileBuffers takes this long, as on a slow stick
inline thread_local DWORD lastError = 0;   // errno, for the file calls
inline thread_local DWORD slowEventMs = 0; // each event set on this thread waits this long first

struct Object {
    explicit Object(int file = -1, std::shared_future<DWORD> done = {}, std::string path = {})
        : thread(std::move(done)), fd(file), name(std::move(path)) {}
    ~Object() {
        if (removeOnClose)
            unlink(name.c_str());
        close(fd);
    }
    std::counting_semaphore<> signals{0}; // an event's
    std::shared_future<DWORD> thread;
    int fd;
    std::string name;
    bool removeOnClose = false;
    bool mayDelete = false;
};

inline DWORD MonotonicMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
} // namespace fakewin

inline HANDLE CreateEventW(void*, BOOL, BOOL, const wchar_t*) { return new fakewin::Object; }
inline BOOL SetEvent(HANDLE event) {
    std::this_thread::sleep_for(std::chrono::milliseconds(fakewin::slowEventMs));
    static_cast<fakewin::Object*>(event)->signals.release();
    return 1;
}
inline DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    auto* object = static_cast<fakewin::Object*>(handle);
    if (!object->thread.valid())
        return object->signals.try_acquire_for(std::chrono::milliseconds(timeoutMs)) ? 0 : 258;
    if (object->thread.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        std::abort(); // a thread that does not end fails the test instead of hanging it
    return 0;
}
// As on Windows, closing a thread's handle neither waits for the thread nor ends it.
inline HANDLE CreateThread(void*, size_t, DWORD (*routine)(LPVOID), LPVOID arg, DWORD, DWORD*) {
    std::packaged_task<DWORD()> task([=] { return routine(arg); });
    auto done = task.get_future().share();
    std::thread(std::move(task)).detach();
    return new fakewin::Object(-1, std::move(done));
}
inline BOOL CloseHandle(HANDLE handle) {
    delete static_cast<fakewin::Object*>(handle);
    return 1;
}
inline DWORD GetLastError() { return fakewin::lastError; }
inline HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    if (access & DELETE && fakewin::noDeleteRight) {
        fakewin::lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    const int how = O_RDWR | O_CREAT | (disposition == CREATE_NEW ? O_EXCL : O_TRUNC);
    const std::string path = std::filesystem::path(name).string();
    const int fd = open(path.c_str(), how, 0644);
    fakewin::lastError = fd < 0 ? errno : 0;
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    auto* file = new fakewin::Object(fd, {}, path);
    file->mayDelete = access & DELETE;
    return file;
}
inline BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS, void* info, DWORD) {
    auto* object = static_cast<fakewin::Object*>(file);
    if (!object->mayDelete) {
        fakewin::lastError = ERROR_ACCESS_DENIED;
        return 0;
    }
    object->removeOnClose = static_cast<FILE_DISPOSITION_INFO*>(info)->DeleteFile;
    return 1;
}
inline BOOL FlushFileBuffers(HANDLE file) {
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(fakewin::slowFlushMs.exchange(0)));
    const int synced = fsync(static_cast<fakewin::Object*>(file)->fd);
    fakewin::flushUs +=
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
            .count();
    return ++fakewin::flushes, synced == 0;
}
// A write the full disk refuses takes its first byte and says it took none.
inline BOOL WriteFile(HANDLE file, const void* data, DWORD bytes, DWORD* written, void*) {
    const bool fail = fakewin::failWrites.fetch_sub(1) > 0;
    *written = DWORD(write(static_cast<fakewin::Object*>(file)->fd, data, fail ? 1 : bytes));
    *written = fail ? 0 : *written;
    return !fail;
}
union LARGE_INTEGER {
    long long QuadPart;
};
constexpr DWORD FILE_BEGIN = 0;
inline BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER to, LARGE_INTEGER*, DWORD) {
    return lseek(static_cast<fakewin::Object*>(file)->fd, to.QuadPart, SEEK_SET) >= 0;
}
inline BOOL SetEndOfFile(HANDLE file) {
    const int fd = static_cast<fakewin::Object*>(file)->fd;
    return ftruncate(fd, lseek(fd, 0, SEEK_CUR)) == 0;
}
inline DWORD GetTickCount() { return fakewin::MonotonicMs() + fakewin::asleepMs; }
inline void Sleep(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
typedef std::mutex CRITICAL_SECTION;
inline void InitializeCriticalSection(CRITICAL_SECTION*) {}
inline void DeleteCriticalSection(CRITICAL_SECTION*) {}
inline void EnterCriticalSection(CRITICAL_SECTION* lock) { lock->lock(); }
inline void LeaveCriticalSection(CRITICAL_SECTION* lock) { lock->unlock(); }
inline BOOL QueryUnbiasedInterruptTime(ULONGLONG* hundredNs) {
    *hundredNs = ULONGLONG{fakewin::MonotonicMs()} * 10000;
    return 1;
}

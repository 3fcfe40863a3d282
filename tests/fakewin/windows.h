// Test-only stand-in for the Win32 calls the engine makes natively: files over POSIX descriptors,
// threads over std::async, auto-reset events over a semaphore (an extra wake-up is harmless: every
// waiter checks its condition again) and the tick count, with hooks for the tests in fakewin.
#pragma once
#include <atomic>
#include <chrono>
#include <cwchar>
#include <fcntl.h>
#include <future>
#include <semaphore>
#include <string>
#include <unistd.h>
#include <utility>

#define WINAPI
#define CALLBACK
#define FALSE 0
typedef int BOOL;
typedef uint16_t WORD;
typedef uint32_t DWORD, UINT;
typedef uintptr_t DWORD_PTR;
typedef char* LPSTR;
typedef void *LPVOID, *HANDLE;
constexpr DWORD INFINITE = ~0u, GENERIC_READ = 0, GENERIC_WRITE = 0, FILE_ATTRIBUTE_NORMAL = 0;
constexpr DWORD CREATE_NEW = 1, CREATE_ALWAYS = 2;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t{-1});

namespace fakewin {
inline bool failNextThread = false;
inline std::atomic<bool> failWrites{false}; // a full disk
inline std::atomic<int> failedWrites{0};
inline std::atomic<DWORD> tickOffsetMs{0}; // lets time pass faster

struct Object {
    explicit Object(int file = -1, std::future<DWORD> done = {}) : thread(std::move(done)), fd(file) {}
    ~Object() { close(fd); }
    std::counting_semaphore<> signals{0}; // an event's
    std::future<DWORD> thread;
    int fd;
};
inline std::string Narrow(const wchar_t* name) {
    return std::string(name, name + std::wcslen(name));
}
} // namespace fakewin

inline HANDLE CreateEventW(void*, BOOL, BOOL, const wchar_t*) {
    return new fakewin::Object;
}
inline BOOL SetEvent(HANDLE event) {
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
inline HANDLE CreateThread(void*, size_t, DWORD (*routine)(LPVOID), LPVOID arg, DWORD, DWORD*) {
    if (std::exchange(fakewin::failNextThread, false))
        return nullptr;
    return new fakewin::Object(-1, std::async(std::launch::async, routine, arg));
}
inline BOOL CloseHandle(HANDLE handle) {
    delete static_cast<fakewin::Object*>(handle); // a thread's future waits for the thread
    return 1;
}
inline HANDLE CreateFileW(const wchar_t* name, DWORD, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    const int how = O_RDWR | O_CREAT | (disposition == CREATE_NEW ? O_EXCL : O_TRUNC);
    const int fd = open(fakewin::Narrow(name).c_str(), how, 0644);
    return fd < 0 ? INVALID_HANDLE_VALUE : new fakewin::Object(fd);
}
inline BOOL WriteFile(HANDLE file, const void* data, DWORD bytes, DWORD* written, void*) {
    const bool fail = fakewin::failWrites;
    *written = fail ? 0 : DWORD(write(static_cast<fakewin::Object*>(file)->fd, data, bytes));
    fakewin::failedWrites += fail;
    return !fail;
}
inline BOOL DeleteFileW(const wchar_t* name) {
    return unlink(fakewin::Narrow(name).c_str()) == 0;
}
inline DWORD GetTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) + fakewin::tickOffsetMs;
}

// Test-only stand-in for the Win32 calls the engine makes natively: files over POSIX descriptors,
// threads over std::async and auto-reset events over a semaphore (an extra wake-up is harmless:
// every waiter checks its condition again). Hooks for the tests are in fakewin.
#pragma once
#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <semaphore>
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
constexpr DWORD INFINITE = ~0u, GENERIC_READ = 0, GENERIC_WRITE = 0, FILE_ATTRIBUTE_NORMAL = 0,
                CREATE_NEW = 1, CREATE_ALWAYS = 2;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t{-1});

namespace fakewin {
inline std::atomic<int> failWrites{0}; // how many writes to come fail, as on a full disk

struct Object {
    explicit Object(int file = -1, std::future<DWORD> done = {}) : thread(std::move(done)), fd(file) {}
    ~Object() { close(fd); }
    std::counting_semaphore<> signals{0}; // an event's
    std::future<DWORD> thread;
    int fd;
};
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
    return new fakewin::Object(-1, std::async(std::launch::async, routine, arg));
}
inline BOOL CloseHandle(HANDLE handle) {
    delete static_cast<fakewin::Object*>(handle); // a thread's future waits for the thread
    return 1;
}
inline HANDLE CreateFileW(const wchar_t* name, DWORD, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    const int how = O_RDWR | O_CREAT | (disposition == CREATE_NEW ? O_EXCL : O_TRUNC);
    const int fd = open(std::filesystem::path(name).c_str(), how, 0644);
    return fd < 0 ? INVALID_HANDLE_VALUE : new fakewin::Object(fd);
}
inline BOOL WriteFile(HANDLE file, const void* data, DWORD bytes, DWORD* written, void*) {
    const bool fail = fakewin::failWrites.fetch_sub(1) > 0;
    *written = fail ? 0 : DWORD(write(static_cast<fakewin::Object*>(file)->fd, data, bytes));
    return !fail;
}
inline BOOL DeleteFileW(const wchar_t* name) {
    return unlink(std::filesystem::path(name).c_str()) == 0;
}
inline DWORD GetTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

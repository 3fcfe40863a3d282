// Fake kernel: files over POSIX descriptors, threads over std::thread, events over a condition
// variable. Every handle is a heap object so that a leaked handle is a leak the sanitizers see.
#include "fake_kernel.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

thread_local DWORD t_lastError = 0;
std::atomic<unsigned> g_openHandles{0};
std::atomic<unsigned> g_failThreads{0};

std::mutex g_gateMutex;
std::condition_variable g_gateChanged;
bool g_gateOpen = true;
unsigned g_blockedWrites = 0;
long long g_diskSpace = -1;

struct KernelObject {
    KernelObject() { ++g_openHandles; }
    virtual ~KernelObject() { --g_openHandles; }
    // WAIT_OBJECT_0 when signalled within timeoutMs, else WAIT_TIMEOUT; WAIT_FAILED if not waitable.
    virtual DWORD Wait(DWORD) { return WAIT_FAILED; }
};

struct FileObject final : KernelObject {
    int fd = -1;
    ~FileObject() override { ::close(fd); }
};

// Signalled state shared with the running thread, which may outlive its handle.
struct ThreadState {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

template <typename Pred>
DWORD WaitOn(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD timeoutMs, Pred pred) {
    if (timeoutMs == INFINITE) {
        cv.wait(lock, pred);
        return WAIT_OBJECT_0;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), pred) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

struct ThreadObject final : KernelObject {
    std::shared_ptr<ThreadState> state = std::make_shared<ThreadState>();
    std::thread thread;
    ~ThreadObject() override {
        // Closing a handle does not end the thread: join it when it ended, else let it run on.
        bool done;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            done = state->done;
        }
        if (done)
            thread.join();
        else
            thread.detach();
    }
    DWORD Wait(DWORD timeoutMs) override {
        std::unique_lock<std::mutex> lock(state->mutex);
        return WaitOn(state->ended, lock, timeoutMs, [&] { return state->done; });
    }
};

struct EventObject final : KernelObject {
    std::mutex mutex;
    std::condition_variable changed;
    bool manualReset = false;
    bool signalled = false;
    DWORD Wait(DWORD timeoutMs) override {
        std::unique_lock<std::mutex> lock(mutex);
        const DWORD result = WaitOn(changed, lock, timeoutMs, [&] { return signalled; });
        if (result == WAIT_OBJECT_0 && !manualReset)
            signalled = false;
        return result;
    }
};

KernelObject* FromHandle(HANDLE h) {
    if (!h || h == INVALID_HANDLE_VALUE)
        return nullptr;
    return static_cast<KernelObject*>(h);
}

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// How much of a write of `bytes` the disk takes, waiting at the gate first.
size_t AdmitWrite(size_t bytes) {
    std::unique_lock<std::mutex> lock(g_gateMutex);
    ++g_blockedWrites;
    g_gateChanged.notify_all();
    g_gateChanged.wait(lock, [] { return g_gateOpen; });
    --g_blockedWrites;
    if (g_diskSpace < 0)
        return bytes;
    const size_t fits = static_cast<size_t>(g_diskSpace) < bytes ? static_cast<size_t>(g_diskSpace) : bytes;
    g_diskSpace -= static_cast<long long>(fits);
    return fits;
}

} // namespace

namespace fakewin {

void SetWriteGate(bool open) {
    std::lock_guard<std::mutex> lock(g_gateMutex);
    g_gateOpen = open;
    g_gateChanged.notify_all();
}

unsigned BlockedWrites() {
    std::lock_guard<std::mutex> lock(g_gateMutex);
    return g_gateOpen ? 0 : g_blockedWrites;
}

void SetDiskSpace(long long bytes) {
    std::lock_guard<std::mutex> lock(g_gateMutex);
    g_diskSpace = bytes;
}

void FailCreateThread(unsigned n) {
    g_failThreads = n;
}

unsigned OpenHandles() {
    return g_openHandles;
}

std::string NarrowPath(const wchar_t* path) {
    std::string out;
    for (; *path; ++path)
        AppendUtf8(out, static_cast<uint32_t>(*path));
    return out;
}

void ResetKernel() {
    SetWriteGate(true);
    SetDiskSpace(-1);
    FailCreateThread(0);
}

} // namespace fakewin

HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                   HANDLE) {
    int flags = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    default:
        break;
    }
    const int fd = ::open(fakewin::NarrowPath(fileName).c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        t_lastError = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    auto* file = new FileObject;
    file->fd = fd;
    return file;
}

BOOL DeleteFileW(LPCWSTR fileName) {
    return ::unlink(fakewin::NarrowPath(fileName).c_str()) == 0;
}

// The open file behind a handle, or null with the last error set as Windows does.
static FileObject* FileFromHandle(HANDLE h) {
    auto* file = dynamic_cast<FileObject*>(FromHandle(h));
    if (!file)
        t_lastError = ERROR_INVALID_HANDLE;
    return file;
}

BOOL WriteFile(HANDLE h, LPCVOID data, DWORD bytes, LPDWORD written, LPOVERLAPPED) {
    if (written)
        *written = 0;
    FileObject* file = FileFromHandle(h);
    if (!file)
        return FALSE;
    const size_t fits = AdmitWrite(bytes);
    size_t done = 0;
    while (done < fits) {
        const ssize_t n = ::write(file->fd, static_cast<const char*>(data) + done, fits - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    if (written)
        *written = static_cast<DWORD>(done);
    if (done < bytes) {
        t_lastError = ERROR_DISK_FULL;
        return FALSE;
    }
    return TRUE;
}

BOOL ReadFile(HANDLE h, LPVOID data, DWORD bytes, LPDWORD read, LPOVERLAPPED) {
    if (read)
        *read = 0;
    FileObject* file = FileFromHandle(h);
    if (!file)
        return FALSE;
    const ssize_t n = ::read(file->fd, data, bytes);
    if (n < 0)
        return FALSE;
    if (read)
        *read = static_cast<DWORD>(n);
    return TRUE;
}

BOOL CloseHandle(HANDLE h) {
    KernelObject* object = FromHandle(h);
    if (!object) {
        t_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    delete object;
    return TRUE;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD,
                    LPDWORD threadId) {
    unsigned failing = g_failThreads.load();
    while (failing && !g_failThreads.compare_exchange_weak(failing, failing - 1)) {
    }
    if (failing) {
        t_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    auto* object = new ThreadObject;
    std::shared_ptr<ThreadState> state = object->state;
    object->thread = std::thread([state, routine, parameter] {
        routine(parameter);
        std::lock_guard<std::mutex> lock(state->mutex);
        state->done = true;
        state->ended.notify_all();
    });
    if (threadId)
        *threadId = 0;
    return object;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR) {
    auto* event = new EventObject;
    event->manualReset = manualReset != FALSE;
    event->signalled = initialState != FALSE;
    return event;
}

static BOOL SignalEvent(HANDLE h, bool signalled) {
    auto* event = dynamic_cast<EventObject*>(FromHandle(h));
    if (!event) {
        t_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = signalled;
    if (signalled)
        event->changed.notify_all();
    return TRUE;
}

BOOL SetEvent(HANDLE h) {
    return SignalEvent(h, true);
}

BOOL ResetEvent(HANDLE h) {
    return SignalEvent(h, false);
}

DWORD WaitForSingleObject(HANDLE h, DWORD timeoutMs) {
    KernelObject* object = FromHandle(h);
    return object ? object->Wait(timeoutMs) : WAIT_FAILED;
}

void Sleep(DWORD ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

LONG InterlockedDecrement(LONG volatile* value) {
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

DWORD GetTickCount(void) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

DWORD GetLastError(void) {
    return t_lastError;
}

void SetLastError(DWORD error) {
    t_lastError = error;
}

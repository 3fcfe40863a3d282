// The POSIX side of the fake Windows Sockets: plain descriptors and errno values, plus the
// Winsock behaviours that Linux lacks (a failed connection never reports writable).
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace fake_posix {

struct CWaitEntry {
    int fd;
    bool wantRead, wantWrite, wantExcept;
    bool read, write, except;
};

namespace {

// Sockets whose connection attempt has failed: Linux reports them writable, Winsock does not.
std::mutex g_failedLock;
std::set<int> g_failedConnects;

void MarkFailed(int fd) {
    std::lock_guard<std::mutex> lock(g_failedLock);
    g_failedConnects.insert(fd);
}

bool ConnectFailed(int fd) {
    std::lock_guard<std::mutex> lock(g_failedLock);
    return g_failedConnects.count(fd) != 0;
}

// Reading SO_ERROR clears it, so this is asked only once poll has reported an error.
void NoteConnectError(int fd) {
    int pending = 0;
    socklen_t size = sizeof pending;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size) == 0 && pending != 0)
        MarkFailed(fd);
}

// Fills in what is ready; returns how many readiness marks were set.
int Collect(CWaitEntry* entries, int count, const pollfd* polled) {
    int ready = 0;
    for (int k = 0; k < count; ++k) {
        short revents = polled[k].revents;
        CWaitEntry& e = entries[k];
        if (polled[k].fd < 0 || revents == 0)
            continue;
        if (e.wantRead && (revents & (POLLIN | POLLHUP | POLLERR)))
            e.read = true;
        if ((e.wantWrite || e.wantExcept) && (revents & (POLLOUT | POLLERR | POLLHUP))) {
            if (revents & (POLLERR | POLLHUP))
                NoteConnectError(e.fd);
            if (ConnectFailed(e.fd))
                e.except = e.wantExcept;
            else if (revents & POLLOUT)
                e.write = e.wantWrite;
        }
        ready += e.read + e.write + e.except;
    }
    return ready;
}

} // namespace

int OpenStream(int& error) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    error = errno;
    return fd;
}

int ResolveIPv4(const char* name, uint32_t& address) {
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &result) != 0 || !result)
        return 0;
    address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(result);
    return 1;
}

int SetNonBlocking(int fd, bool on, int& error) {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) < 0) {
        error = errno;
        return 0;
    }
    return 1;
}

int ConnectIPv4(int fd, uint32_t address, uint16_t port, int& error) {
    {
        std::lock_guard<std::mutex> lock(g_failedLock);
        g_failedConnects.erase(fd);
    }
    sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = port;
    to.sin_addr.s_addr = address;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
        return 1;
    error = errno;
    if (error == EINPROGRESS) {
        error = EWOULDBLOCK; // how Winsock reports a connection still being made
        return 0;
    }
    // Winsock reports even a refusal later, through select; the caller sees "would block".
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK)) {
        MarkFailed(fd);
        error = EWOULDBLOCK;
    }
    return 0;
}

int Wait(CWaitEntry* entries, int count, long timeoutMs, int& error) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    pollfd polled[3 * 64];
    for (;;) {
        for (int k = 0; k < count; ++k) {
            CWaitEntry& e = entries[k];
            bool wantWrite = (e.wantWrite || e.wantExcept) && !ConnectFailed(e.fd);
            bool watched = e.wantRead || wantWrite;
            // A descriptor with an error reports it even when no event is asked for, so one
            // that is no longer watched is left out.
            polled[k].fd = watched ? e.fd : -1;
            polled[k].events = static_cast<short>((e.wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
            polled[k].revents = 0;
            // A failed connection is an exception at once, and never writable.
            if (!wantWrite && e.wantExcept && ConnectFailed(e.fd))
                e.except = true;
        }
        int already = 0;
        for (int k = 0; k < count; ++k)
            already += entries[k].except;
        long waitMs = -1;
        if (already > 0) {
            waitMs = 0;
        } else if (timeoutMs >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            waitMs = left < 0 ? 0 : left;
        }
        int n = ::poll(polled, static_cast<nfds_t>(count), static_cast<int>(waitMs));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return -1;
        }
        int ready = Collect(entries, count, polled);
        if (ready > 0 || waitMs == 0)
            return ready;
        // Only sockets that turned out to have failed connections woke us: wait on.
    }
}

long Send(int fd, const char* data, long length, int& error) {
    ssize_t sent = ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    error = errno;
    return sent;
}

long Receive(int fd, char* data, long length, int& error) {
    ssize_t received = ::recv(fd, data, static_cast<size_t>(length), 0);
    error = errno;
    return received;
}

int Close(int fd, int& error) {
    {
        std::lock_guard<std::mutex> lock(g_failedLock);
        g_failedConnects.erase(fd);
    }
    if (::close(fd) != 0) {
        error = errno;
        return 0;
    }
    return 1;
}

int WinsockError(int error) {
    switch (error) {
    case EWOULDBLOCK:
        return 10035; // WSAEWOULDBLOCK
    case EINPROGRESS:
        return 10036;
    case EBADF:
    case ENOTSOCK:
        return 10038;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
    case EPIPE:
        return 10054;
    case ENOTCONN:
        return 10057;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case EINTR:
        return 10004;
    case EFAULT:
        return 10014;
    default:
        return 10022; // WSAEINVAL
    }
}

} // namespace fake_posix

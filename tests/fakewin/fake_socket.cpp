// The Windows face of the fake Windows Sockets: Winsock types, results and error codes over
// the POSIX calls in fake_socket_posix.cpp (two files, because the two sets of declarations
// cannot meet in one).
#include "winsock2.h"

#include <cstring>

// Implemented in fake_socket_posix.cpp; errors come back as errno values.
namespace fake_posix {
struct CWaitEntry {
    int fd;
    bool wantRead, wantWrite, wantExcept;
    bool read, write, except;
};
int OpenStream(int& error);
int ResolveIPv4(const char* name, uint32_t& address);
int SetNonBlocking(int fd, bool on, int& error);
int ConnectIPv4(int fd, uint32_t address, uint16_t port, int& error);
int Wait(CWaitEntry* entries, int count, long timeoutMs, int& error);
long Send(int fd, const char* data, long length, int& error);
long Receive(int fd, char* data, long length, int& error);
int Close(int fd, int& error);
int WinsockError(int error);
} // namespace fake_posix

namespace {

thread_local int t_nLastError = 0;

int Fail(int posixError) {
    t_nLastError = fake_posix::WinsockError(posixError);
    return SOCKET_ERROR;
}

bool ValidSocket(SOCKET s) {
    return s != INVALID_SOCKET && s <= 0x7FFFFFFF;
}

} // namespace

int WSAGetLastError() {
    return t_nLastError;
}
void WSASetLastError(int error) {
    t_nLastError = error;
}

u_short htons(u_short value) {
    return static_cast<u_short>((value >> 8) | (value << 8));
}
u_short ntohs(u_short value) {
    return htons(value);
}

SOCKET socket(int af, int type, int protocol) {
    int error = 0;
    if (af != AF_INET || type != SOCK_STREAM || (protocol != 0 && protocol != IPPROTO_TCP)) {
        t_nLastError = WSAEINVAL;
        return INVALID_SOCKET;
    }
    int fd = fake_posix::OpenStream(error);
    if (fd < 0) {
        Fail(error);
        return INVALID_SOCKET;
    }
    return static_cast<SOCKET>(fd);
}

hostent* gethostbyname(const char* name) {
    // Winsock keeps one result per thread, valid until the thread's next call.
    thread_local uint32_t address;
    thread_local char* addressList[2];
    thread_local hostent entry;
    if (!name || !fake_posix::ResolveIPv4(name, address)) {
        t_nLastError = WSAHOST_NOT_FOUND;
        return nullptr;
    }
    addressList[0] = reinterpret_cast<char*>(&address);
    addressList[1] = nullptr;
    entry = hostent{const_cast<char*>(name), nullptr, AF_INET, 4, addressList};
    return &entry;
}

int ioctlsocket(SOCKET s, long cmd, u_long* argp) {
    int error = 0;
    if (!ValidSocket(s) || cmd != FIONBIO || !argp) {
        t_nLastError = WSAEINVAL;
        return SOCKET_ERROR;
    }
    if (!fake_posix::SetNonBlocking(static_cast<int>(s), *argp != 0, error))
        return Fail(error);
    return 0;
}

int connect(SOCKET s, const sockaddr* name, int namelen) {
    int error = 0;
    if (!ValidSocket(s) || !name || namelen < static_cast<int>(sizeof(sockaddr_in)) ||
        name->sa_family != AF_INET) {
        t_nLastError = WSAEFAULT;
        return SOCKET_ERROR;
    }
    sockaddr_in in;
    memcpy(&in, name, sizeof in);
    if (!fake_posix::ConnectIPv4(static_cast<int>(s), in.sin_addr.s_addr, in.sin_port, error))
        return Fail(error);
    return 0;
}

int __WSAFDIsSet(SOCKET s, fd_set* set) {
    for (u_int i = 0; i < set->fd_count; ++i) {
        if (set->fd_array[i] == s)
            return 1;
    }
    return 0;
}

namespace {

void AddEntries(fd_set* set, int which, fake_posix::CWaitEntry* entries, int& count) {
    if (!set)
        return;
    for (u_int i = 0; i < set->fd_count; ++i) {
        int fd = static_cast<int>(set->fd_array[i]);
        int k = 0;
        while (k < count && entries[k].fd != fd)
            ++k;
        if (k == count)
            entries[count++] = fake_posix::CWaitEntry{fd, false, false, false, false, false, false};
        (which == 0 ? entries[k].wantRead : which == 1 ? entries[k].wantWrite : entries[k].wantExcept) = true;
    }
}

void KeepReady(fd_set* set, int which, const fake_posix::CWaitEntry* entries, int count) {
    if (!set)
        return;
    u_int kept = 0;
    for (u_int i = 0; i < set->fd_count; ++i) {
        int fd = static_cast<int>(set->fd_array[i]);
        for (int k = 0; k < count; ++k) {
            bool ready = which == 0 ? entries[k].read : which == 1 ? entries[k].write : entries[k].except;
            if (entries[k].fd == fd && ready)
                set->fd_array[kept++] = set->fd_array[i];
        }
    }
    set->fd_count = kept;
}

} // namespace

int select(int, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, const timeval* timeout) {
    fake_posix::CWaitEntry entries[3 * FD_SETSIZE];
    int count = 0;
    AddEntries(readfds, 0, entries, count);
    AddEntries(writefds, 1, entries, count);
    AddEntries(exceptfds, 2, entries, count);
    if (count == 0) {
        t_nLastError = WSAEINVAL;
        return SOCKET_ERROR;
    }
    long timeoutMs = timeout ? timeout->tv_sec * 1000 + timeout->tv_usec / 1000 : -1;
    int error = 0;
    int ready = fake_posix::Wait(entries, count, timeoutMs, error);
    if (ready < 0)
        return Fail(error);
    KeepReady(readfds, 0, entries, count);
    KeepReady(writefds, 1, entries, count);
    KeepReady(exceptfds, 2, entries, count);
    return ready;
}

int send(SOCKET s, const char* buf, int len, int) {
    int error = 0;
    if (!ValidSocket(s) || len < 0) {
        t_nLastError = WSAEINVAL;
        return SOCKET_ERROR;
    }
    long sent = fake_posix::Send(static_cast<int>(s), buf, len, error);
    return sent < 0 ? Fail(error) : static_cast<int>(sent);
}

int recv(SOCKET s, char* buf, int len, int) {
    int error = 0;
    if (!ValidSocket(s) || len < 0) {
        t_nLastError = WSAEINVAL;
        return SOCKET_ERROR;
    }
    long received = fake_posix::Receive(static_cast<int>(s), buf, len, error);
    return received < 0 ? Fail(error) : static_cast<int>(received);
}

int closesocket(SOCKET s) {
    int error = 0;
    if (!ValidSocket(s)) {
        t_nLastError = WSAENOTSOCK;
        return SOCKET_ERROR;
    }
    return fake_posix::Close(static_cast<int>(s), error) ? 0 : Fail(error);
}

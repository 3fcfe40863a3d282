// The few socket, name lookup and clock calls of the HTTP client: Windows Sockets in the
// program, BSD sockets in the native build, where the client is tested against real servers.
#pragma once
#include <cstdint>

#ifdef _WIN32
// winsock2.h first: it brings windows.h in the order Winsock needs.
#include <winsock2.h>

#include <windows.h>

inline uint32_t TickCountMs() {
    return GetTickCount();
}
// Winsock ignores the first argument of select.
inline int SelectWidth(SOCKET) {
    return 0;
}
inline void SetNonBlocking(SOCKET s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
inline bool LastCallWouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}
constexpr int kSendFlags = 0;
// One Windows Sockets reference, held for the object's life: only the last WSACleanup of a
// process ends Winsock, so a holder keeps it up whatever other threads clean up.
class CSocketsReference {
  public:
    CSocketsReference() {
        WSADATA data;
        m_bHeld = WSAStartup(0x0202, &data) == 0;
    }
    ~CSocketsReference() {
        if (m_bHeld)
            WSACleanup();
    }
    CSocketsReference(const CSocketsReference&) = delete;
    CSocketsReference& operator=(const CSocketsReference&) = delete;

  private:
    bool m_bHeld;
};
// Windows Sockets must be initialised. Winsock keeps the result per thread.
inline int ResolveIPv4(const char* host, in_addr* address) {
    hostent* entry = gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0])
        return 0;
    *address = *reinterpret_cast<in_addr*>(entry->h_addr_list[0]);
    return 1;
}
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;

inline int closesocket(SOCKET s) {
    return close(s);
}
inline uint32_t TickCountMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}
inline int SelectWidth(SOCKET s) {
    return s + 1;
}
inline void SetNonBlocking(SOCKET s) {
    int on = 1;
    ioctl(s, FIONBIO, &on);
}
inline bool LastCallWouldBlock() {
    return errno == EWOULDBLOCK || errno == EAGAIN;
}
// A send to a closed connection fails, as with Winsock, instead of raising SIGPIPE.
constexpr int kSendFlags = MSG_NOSIGNAL;
// BSD sockets need no start-up.
struct CSocketsReference {};
// gethostbyname shares one result between threads here; getaddrinfo does not.
inline int ResolveIPv4(const char* host, in_addr* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
        return 0;
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return 1;
}
#endif

// Test-only stand-in for the part of Windows Sockets 2 that the update client uses, for
// native builds. It declares the Windows face only (Windows types and layouts, C++ linkage,
// so nothing clashes with the C library's socket functions); fake_socket.cpp implements it
// over POSIX sockets. Do not include it together with the POSIX socket headers.
#pragma once
#ifndef _WINSOCK2API_
#define _WINSOCK2API_

#include <cstdint>

typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned int u_int;
typedef unsigned long u_long;
typedef unsigned long long SOCKET; // UINT_PTR on 64-bit Windows

#define INVALID_SOCKET (static_cast<SOCKET>(~0ULL))
#define SOCKET_ERROR (-1)
#define AF_INET 2
#define SOCK_STREAM 1
#define IPPROTO_TCP 6
#define FIONBIO 0x8004667EL

#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAENOTSOCK 10038
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOTCONN 10057
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAHOST_NOT_FOUND 11001

struct in_addr {
    uint32_t s_addr; // network byte order, 4 bytes as on Windows
};

struct sockaddr {
    u_short sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    short sin_family;
    u_short sin_port;
    in_addr sin_addr;
    char sin_zero[8];
};

struct hostent {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};

struct timeval {
    long tv_sec;
    long tv_usec;
};

#define FD_SETSIZE 64
struct fd_set {
    u_int fd_count;
    SOCKET fd_array[FD_SETSIZE];
};

int __WSAFDIsSet(SOCKET s, fd_set* set);

inline void FakeFdSet(SOCKET s, fd_set* set) {
    for (u_int i = 0; i < set->fd_count; ++i) {
        if (set->fd_array[i] == s)
            return;
    }
    if (set->fd_count < FD_SETSIZE)
        set->fd_array[set->fd_count++] = s;
}

#define FD_ZERO(set) ((set)->fd_count = 0)
#define FD_SET(s, set) FakeFdSet(static_cast<SOCKET>(s), (set))
#define FD_ISSET(s, set) __WSAFDIsSet(static_cast<SOCKET>(s), (set))

SOCKET socket(int af, int type, int protocol);
hostent* gethostbyname(const char* name);
u_short htons(u_short value);
u_short ntohs(u_short value);
int ioctlsocket(SOCKET s, long cmd, u_long* argp);
int connect(SOCKET s, const sockaddr* name, int namelen);
// Like Winsock: nfds is ignored, and a socket whose connection failed is never writable.
int select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, const timeval* timeout);
// Like Winsock: a send to a closed connection fails with an error and raises no SIGPIPE.
int send(SOCKET s, const char* buf, int len, int flags);
int recv(SOCKET s, char* buf, int len, int flags);
int closesocket(SOCKET s);
int WSAGetLastError();
void WSASetLastError(int error);

#endif

// The HTTP client on sockets (Sockets.h): non-blocking socket, header read one byte per call into
// the header reader, body read straight into the caller's buffer. The whole fetch, proxy and name
// lookup included, runs against one deadline, so no server can hold start-up for longer.
#include "HttpClient.h"

#include <cstring>

#include "FetchDeadline.h"
#include "HeaderReader.h"
#include "HostLookup.h"
#include "RequestText.h"
#include "Sockets.h"

namespace {

// Real servers send well under 1 KiB of header here; anything far beyond that is not one.
constexpr int kMaxHeaderBytes = 4096;

// Closes the socket on every way out of the fetch.
class CSocket {
  public:
    explicit CSocket(SOCKET s) : m_hSocket(s) {}
    ~CSocket() { closesocket(m_hSocket); }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

  private:
    SOCKET m_hSocket;
};

// 1 when the socket became ready within the next wait the deadline allows.
int WaitReady(SOCKET s, bool forWrite, const CFetchDeadline& deadline) {
    const uint32_t waitMs = deadline.NextWaitMs(TickCountMs());
    if (waitMs == 0)
        return 0;
    fd_set set, failed;
    FD_ZERO(&set);
    FD_SET(s, &set);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval timeout = {static_cast<long>(waitMs / 1000), static_cast<long>(waitMs % 1000 * 1000)};
    const int width = SelectWidth(s);
    // Windows Sockets reports a refused connection in the exception set, not as writable: without it
    // a check with no server waited its full 5 s.
    int n = forWrite ? select(width, nullptr, &set, &failed, &timeout)
                     : select(width, &set, nullptr, nullptr, &timeout);
    return n > 0 && !(forWrite && FD_ISSET(s, &failed));
}

// A closed connection stays readable and a reset one keeps failing: both end the fetch at once
// instead of being waited on again.
int ReceiveWouldBlock(int received) {
    return received < 0 && LastCallWouldBlock();
}

int Connect(SOCKET s, const char* host, uint16_t port, HostResolver resolve, const CFetchDeadline& deadline) {
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    if (!LookUpHost(host, resolve, deadline, &address.sin_addr))
        return 0;
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    SetNonBlocking(s);
    connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return WaitReady(s, true, deadline);
}

// The request is far smaller than any socket buffer: one send takes it whole.
void SendRequest(SOCKET s, const char* host, bool viaProxy) {
    const std::string request = VersionFileRequest(host, viaProxy);
    send(s, request.data(), static_cast<int>(request.size()), kSendFlags);
}

// Reads the header one byte per call, so no body byte is taken; 1 with the Content-Length.
int ReadHeader(SOCKET s, int32_t& contentLength, const CFetchDeadline& deadline) {
    CHeaderReader reader;
    for (int taken = 0; taken < kMaxHeaderBytes;) {
        char byte;
        int received = recv(s, &byte, 1, 0);
        if (received != 1) {
            if (!ReceiveWouldBlock(received) || !WaitReady(s, false, deadline))
                return 0;
            continue;
        }
        ++taken;
        CHeaderReader::Result result = reader.Feed(static_cast<unsigned char>(byte));
        if (result == CHeaderReader::Failed)
            return 0;
        if (result == CHeaderReader::Complete) {
            contentLength = reader.ContentLength();
            return 1;
        }
    }
    return 0;
}

int ReadBody(SOCKET s, char* body, int32_t wanted, const CFetchDeadline& deadline) {
    int32_t stored = 0;
    while (stored < wanted) {
        int received = recv(s, body + stored, wanted - stored, 0);
        if (received > 0) {
            stored += received;
            continue;
        }
        if (!ReceiveWouldBlock(received) || !WaitReady(s, false, deadline))
            return 0;
    }
    return 1;
}

} // namespace

int FetchVersionFile(const char* host, char* body, int32_t& length, const ProxyFinder& findProxy,
                     HostResolver resolve) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return 1;
    CSocket owner(s);
    const CFetchDeadline deadline(TickCountMs());
    CProxyServer proxy;
    const bool viaProxy = findProxy(host, deadline, proxy);
    if (!Connect(s, viaProxy ? proxy.m_sHost.c_str() : host, viaProxy ? proxy.m_nPort : 80, resolve,
                 deadline))
        return 1;
    SendRequest(s, host, viaProxy);
    int32_t contentLength = 0;
    if (!WaitReady(s, false, deadline) || !ReadHeader(s, contentLength, deadline))
        return 1;
    if (contentLength < length)
        length = contentLength;
    if (length <= 0)
        return 0;
    return ReadBody(s, body, length, deadline) ? 0 : 1;
}

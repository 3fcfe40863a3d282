// Scripted test server over POSIX sockets.
#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// Waits up to ms for the descriptor to become readable.
bool Readable(int fd, int ms) {
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}

} // namespace

std::vector<CStep> Drip(const std::string& text, size_t pieceBytes, int pauseMs) {
    std::vector<CStep> steps;
    for (size_t at = 0; at < text.size(); at += pieceBytes) {
        steps.push_back(PauseStep(pauseMs));
        steps.push_back(SendStep(text.substr(at, pieceBytes)));
    }
    return steps;
}

CScriptedServer::CScriptedServer(std::vector<CStep> script) : m_Script(std::move(script)) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at;
    memset(&at, 0, sizeof at);
    at.sin_family = AF_INET;
    at.sin_port = htons(80);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(fd, 1) != 0) {
        close(fd);
        return;
    }
    m_nListen = fd;
    m_Thread = std::thread([this] { Run(); });
}

CScriptedServer::~CScriptedServer() {
    Finish();
}

std::string CScriptedServer::Finish() {
    m_bStop = true;
    if (m_Thread.joinable())
        m_Thread.join();
    if (m_nListen >= 0)
        close(m_nListen);
    m_nListen = -1;
    return m_Request;
}

void CScriptedServer::Run() {
    // Polls in short steps so that Finish ends a server whose client never came.
    while (!m_bStop && !Readable(m_nListen, 50)) {
    }
    if (m_bStop)
        return;
    int fd = accept(m_nListen, nullptr, nullptr);
    if (fd < 0)
        return;
    char buffer[512];
    while (m_Request.find("\r\n\r\n") == std::string::npos && Readable(fd, 5000)) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        m_Request.append(buffer, static_cast<size_t>(n));
    }
    m_LastByte = Clock::now();
    bool open = true;
    for (const CStep& step : m_Script) {
        if (step.kind == CStep::Send) {
            send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
            m_LastByte = Clock::now();
        } else if (step.kind == CStep::Pause) {
            auto until = Clock::now() + std::chrono::milliseconds(step.pauseMs);
            while (!m_bStop && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } else {
            if (step.kind == CStep::Reset) {
                linger abort = {1, 0}; // close with RST
                setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            }
            close(fd);
            open = false;
            break;
        }
    }
    // Holds the connection until the client lets go of it (or the test gives up).
    while (open && !m_bStop) {
        if (Readable(fd, 50) && recv(fd, buffer, sizeof buffer, 0) <= 0)
            break;
    }
    if (open)
        close(fd);
}

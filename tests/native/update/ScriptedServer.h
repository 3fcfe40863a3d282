// A one-connection HTTP server on 127.0.0.1:80 that plays a script of sends, pauses, a close
// or a reset, and remembers when it sent its last byte.
#pragma once
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

struct CStep {
    enum Kind { Send, Pause, Close, Reset } kind;
    std::string bytes; // Send
    int pauseMs;       // Pause
};

inline CStep SendStep(std::string bytes) {
    return {CStep::Send, std::move(bytes), 0};
}
inline CStep PauseStep(int ms) {
    return {CStep::Pause, {}, ms};
}

// The text sent a few bytes at a time with a pause before each piece.
std::vector<CStep> Drip(const std::string& text, size_t pieceBytes, int pauseMs);

class CScriptedServer {
  public:
    using Clock = std::chrono::steady_clock;

    // Listens at once; the script runs on its own thread after the request has arrived.
    explicit CScriptedServer(std::vector<CStep> script);
    ~CScriptedServer();
    bool Listening() const { return m_nListen >= 0; }
    // Waits for the script and the connection to end; the request as received.
    std::string Finish();
    // When the last byte went out, or the request was complete if nothing was sent.
    Clock::time_point LastByteTime() const { return m_LastByte.load(); }

  private:
    void Run();

    std::vector<CStep> m_Script;
    int m_nListen = -1;
    std::string m_Request;
    std::atomic<Clock::time_point> m_LastByte{Clock::now()};
    std::atomic<bool> m_bStop{false};
    std::thread m_Thread;
};

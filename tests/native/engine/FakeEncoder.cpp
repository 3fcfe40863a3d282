#include "FakeEncoder.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutex;
fakeenc::Script g_script;
std::vector<fakeenc::Call> g_calls;
int g_live = 0;

struct Instance {
    int32_t channels = 0;
};

void Log(const char* op, HENCODER h, std::vector<long long> args, const int16_t* first = nullptr,
         const int16_t* second = nullptr) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.push_back({op, std::move(args), h, first, second});
}

int32_t CopyOut(const int16_t* pcm, size_t bytes, uint8_t* out, int32_t outBytes) {
    if (bytes > static_cast<size_t>(outBytes))
        return -1;
    std::memcpy(out, pcm, bytes);
    return static_cast<int32_t>(bytes);
}

} // namespace

namespace fakeenc {

void Reset(const Script& script) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_script = script;
    g_calls.clear();
}

std::vector<Call> Calls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_calls;
}

size_t CountCalls(const std::string& op) {
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t n = 0;
    for (const Call& c : g_calls)
        n += c.op == op;
    return n;
}

int LiveInstances() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_live;
}

} // namespace fakeenc

extern "C" {

HENCODER EncoderCreate(void) {
    Log("Create", nullptr, {});
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_script.failCreate)
        return nullptr;
    ++g_live;
    return new Instance;
}
int32_t EncoderSetChannels(HENCODER h, int32_t channels) {
    Log("SetChannels", h, {channels});
    static_cast<Instance*>(h)->channels = channels;
    return 0;
}
int32_t EncoderSetChannelMode(HENCODER h, int32_t mode) {
    Log("SetChannelMode", h, {mode});
    return 0;
}
int32_t EncoderSetSampleRate(HENCODER h, int32_t hz) {
    Log("SetSampleRate", h, {hz});
    return 0;
}
int32_t EncoderSetOption(HENCODER h, int32_t option) {
    Log("SetOption", h, {option});
    return 0;
}
int32_t EncoderSetBitRate(HENCODER h, int32_t kbps) {
    Log("SetBitRate", h, {kbps});
    return 0;
}
int32_t EncoderSetQuality(HENCODER h, int32_t quality) {
    Log("SetQuality", h, {quality});
    return 0;
}
int32_t EncoderPrepare(HENCODER h) {
    Log("Prepare", h, {});
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_script.failPrepare ? -1 : 0;
}
int32_t EncoderPostPrepare(HENCODER h) {
    Log("PostPrepare", h, {});
    return 0;
}
int32_t EncoderEncodeChannels(HENCODER h, const int16_t* first, const int16_t* second, int32_t samples,
                              uint8_t* out, int32_t outBytes) {
    Log("EncodeChannels", h, {samples, outBytes}, first, second);
    return CopyOut(first, static_cast<size_t>(samples) * 2, out, outBytes);
}
int32_t EncoderEncodeInterleaved(HENCODER h, const int16_t* pcm, int32_t frames, uint8_t* out,
                                 int32_t outBytes) {
    Log("EncodeInterleaved", h, {frames, outBytes}, pcm);
    return CopyOut(pcm, static_cast<size_t>(frames) * 4, out, outBytes);
}
int32_t EncoderFlush(HENCODER h, uint8_t* out, int32_t outBytes) {
    Log("Flush", h, {outBytes});
    std::memcpy(out, fakeenc::kFlushMark, sizeof fakeenc::kFlushMark - 1);
    return sizeof fakeenc::kFlushMark - 1;
}
int32_t EncoderClose(HENCODER h) {
    Log("Close", h, {});
    if (!h)
        return -1;
    delete static_cast<Instance*>(h);
    std::lock_guard<std::mutex> lock(g_mutex);
    --g_live;
    return 0;
}

} // extern "C"

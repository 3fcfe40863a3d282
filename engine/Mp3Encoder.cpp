#include "Mp3Encoder.h"

#include "RingMath.h"

namespace {
constexpr int32_t kModeMono = 3;
constexpr int32_t kModeJointStereo = 1;
} // namespace

int CMp3Encoder::Open(int32_t channels, int32_t sampleRateHz, int32_t bitRateKbps, int32_t quality) {
    m_hEncoder = nullptr;
    m_nChannels = channels;
    m_hEncoder = EncoderCreate();
    if (!m_hEncoder)
        return 0;
    EncoderSetChannels(m_hEncoder, channels);
    EncoderSetChannelMode(m_hEncoder, channels == 1 ? kModeMono : kModeJointStereo);
    EncoderSetSampleRate(m_hEncoder, sampleRateHz);
    EncoderSetOption(m_hEncoder, 0);
    EncoderSetBitRate(m_hEncoder, bitRateKbps);
    EncoderSetQuality(m_hEncoder, quality);
    if (EncoderPrepare(m_hEncoder) < 0)
        return 0;
    EncoderPostPrepare(m_hEncoder);
    return 1;
}

int32_t CMp3Encoder::EncodeFrame(const int16_t* pcm, uint8_t* out, int32_t outBytes) {
    if (m_nChannels == 1)
        return EncoderEncodeChannels(m_hEncoder, pcm, pcm, kSamplesPerCall, out, outBytes);
    return EncoderEncodeInterleaved(m_hEncoder, pcm, kSamplesPerCall, out, outBytes);
}

int32_t CMp3Encoder::Flush(uint8_t* out, int32_t outBytes) {
    return EncoderFlush(m_hEncoder, out, outBytes);
}

void CMp3Encoder::Close() {
    EncoderClose(m_hEncoder);
    delete this;
}

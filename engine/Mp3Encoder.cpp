#include "Mp3Encoder.h"

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

int32_t CMp3Encoder::EncodeFrame(const int16_t* pcm, uint32_t samples, uint8_t* out, int32_t outBytes) {
    const auto n = static_cast<int32_t>(samples);
    if (m_nChannels == 1)
        return EncoderEncodeChannels(m_hEncoder, pcm, pcm, n, out, outBytes);
    return EncoderEncodeInterleaved(m_hEncoder, pcm, n, out, outBytes);
}

int32_t CMp3Encoder::Flush(uint8_t* out, int32_t outBytes) {
    return EncoderFlush(m_hEncoder, out, outBytes);
}

int32_t CMp3Encoder::InfoFrame(uint8_t* out, int32_t outBytes) {
    return EncoderInfoFrame(m_hEncoder, out, outBytes);
}

void CMp3Encoder::Close() {
    EncoderClose(m_hEncoder);
    delete this;
}

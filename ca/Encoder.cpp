// The encoder library's operations over libmp3lame. Settings are only collected until
// EncoderPrepare, which applies them all at once, so the order of the setters does not matter.
#include "../engine/EncoderLib.h"
#include "EncoderSettings.h"
#include "InfoFrame.h"

#include <lame/lame.h>

#include <new>

namespace {

enum class Phase { Configuring, Ready, Flushed };

struct Encoder {
    lame_global_flags* gf = nullptr;
    int32_t channels = 2;
    int32_t mode = 1;
    int32_t inputHz = 44100;
    int32_t option = 0;
    int32_t kbps = 128;
    int32_t quality = 5;
    Phase phase = Phase::Configuring;
    // What the Info frame states, counted as the stream goes.
    ca::SStreamShape shape = {};
    int64_t inputSamples = 0; // per channel
    uint32_t lameBytes = 0;
    uint16_t musicCrc = 0;
};

Encoder* FromHandle(HENCODER h) {
    return static_cast<Encoder*>(h);
}

int32_t ApplySettings(Encoder& e) {
    const int32_t outHz = ca::OutputSampleRate(e.inputHz);
    const int32_t kbps = ca::NearestBitRate(e.kbps, outHz);
    if (outHz == 0 || kbps == 0 || (e.channels != 1 && e.channels != 2) || e.option != 0 || e.quality < 0 ||
        e.quality > 9 || (e.mode != 1 && e.mode != 3))
        return -1;
    lame_global_flags* gf = e.gf;
    lame_set_num_channels(gf, e.channels);
    lame_set_in_samplerate(gf, e.inputHz);
    // Set explicitly: left alone, LAME lowers the output rate for low bit rates.
    lame_set_out_samplerate(gf, outHz);
    lame_set_mode(gf, e.mode == 3 ? MONO : JOINT_STEREO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, kbps);
    lame_set_quality(gf, e.quality);
    // The Info frame is this library's own (EncoderInfoFrame): LAME drops its own where a frame of a
    // low bit rate is too small for all of it. The program appends its own ID3v1 tag.
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    lame_set_findReplayGain(gf, 0);
    e.shape = {outHz, kbps, e.channels};
    return lame_init_params(gf) < 0 ? -1 : 0;
}

// Every sample taken and every byte LAME gives go into the Info frame's totals.
int32_t Counted(Encoder* e, int32_t samples, const uint8_t* out, int32_t bytes) {
    if (bytes < 0)
        return bytes;
    e->inputSamples += samples;
    e->lameBytes += static_cast<uint32_t>(bytes);
    e->musicCrc = ca::Crc16(e->musicCrc, out, static_cast<size_t>(bytes));
    return bytes;
}

// The samples a player must give back: the input rate's count taken to the stored rate, where output
// sample k stands at input sample k x (in / out), LAME's resampler being centred.
int64_t OutputSamples(const Encoder& e) {
    const int64_t n = e.inputSamples;
    if (n == 0 || e.shape.outputHz == e.inputHz)
        return n;
    return (n - 1) * e.shape.outputHz / e.inputHz + 1;
}

int32_t FinishedInfoFrame(Encoder& e, uint8_t* out, int32_t outBytes) {
    const int32_t frameBytes = ca::FrameBytes(e.shape);
    const int64_t frames = lame_get_frameNum(e.gf);
    // A stream of one frame (a recording stopped before any sound came) keeps its place holder:
    // players that find the Info frame then look for a second frame after the first and give up.
    if (frames < 2)
        return -1;
    const int32_t delay = lame_get_encoder_delay(e.gf);
    const int64_t padding = frames * ca::FrameSamples(e.shape) - delay - OutputSamples(e);
    const ca::SStreamTotals totals = {static_cast<uint32_t>(frames),
                                      e.lameBytes + static_cast<uint32_t>(frameBytes),
                                      delay,
                                      static_cast<int32_t>(padding),
                                      lame_get_lowpassfreq(e.gf),
                                      e.musicCrc};
    const int32_t bytes = ca::MakeInfoFrame(e.shape, totals, out, outBytes);
    return bytes > 0 ? bytes : -1;
}

template <typename Fn> int32_t Set(HENCODER h, Fn fn) {
    Encoder* e = FromHandle(h);
    if (!e || e->phase != Phase::Configuring)
        return -1;
    fn(*e);
    return 0;
}

bool CanEncode(const Encoder* e, int32_t samples, const uint8_t* out, int32_t outBytes) {
    return e && e->phase == Phase::Ready && samples >= 0 && samples <= (1 << 20) && out &&
           outBytes >= ca::WorstCaseEncodeBytes(samples);
}

} // namespace

extern "C" {

HENCODER EncoderCreate(void) {
    auto* e = new (std::nothrow) Encoder;
    if (!e)
        return nullptr;
    e->gf = lame_init();
    if (!e->gf) {
        delete e;
        return nullptr;
    }
    return e;
}

int32_t EncoderSetChannels(HENCODER h, int32_t channels) {
    return Set(h, [=](Encoder& e) { e.channels = channels; });
}
int32_t EncoderSetChannelMode(HENCODER h, int32_t mode) {
    return Set(h, [=](Encoder& e) { e.mode = mode; });
}
int32_t EncoderSetSampleRate(HENCODER h, int32_t sampleRateHz) {
    return Set(h, [=](Encoder& e) { e.inputHz = sampleRateHz; });
}
int32_t EncoderSetOption(HENCODER h, int32_t option) {
    return Set(h, [=](Encoder& e) { e.option = option; });
}
int32_t EncoderSetBitRate(HENCODER h, int32_t bitRateKbps) {
    return Set(h, [=](Encoder& e) { e.kbps = bitRateKbps; });
}
int32_t EncoderSetQuality(HENCODER h, int32_t quality) {
    return Set(h, [=](Encoder& e) { e.quality = quality; });
}

int32_t EncoderPrepare(HENCODER h) {
    Encoder* e = FromHandle(h);
    if (!e || e->phase != Phase::Configuring)
        return -1;
    if (ApplySettings(*e) < 0)
        return -1;
    e->phase = Phase::Ready;
    return 0;
}

int32_t EncoderPostPrepare(HENCODER h) {
    Encoder* e = FromHandle(h);
    return e && e->phase == Phase::Ready ? 0 : -1;
}

int32_t EncoderEncodeChannels(HENCODER h, const int16_t* first, const int16_t* second,
                              int32_t samplesPerChannel, uint8_t* out, int32_t outBytes) {
    Encoder* e = FromHandle(h);
    if (!CanEncode(e, samplesPerChannel, out, outBytes) || !first || !second)
        return -1;
    return Counted(e, samplesPerChannel, out,
                   lame_encode_buffer(e->gf, first, second, samplesPerChannel, out, outBytes));
}

int32_t EncoderEncodeInterleaved(HENCODER h, const int16_t* pcm, int32_t sampleFrames, uint8_t* out,
                                 int32_t outBytes) {
    Encoder* e = FromHandle(h);
    if (!CanEncode(e, sampleFrames, out, outBytes) || !pcm)
        return -1;
    // Interleaved input is pairs of samples: only a two-channel instance can take it.
    if (e->channels != 2)
        return -1;
    return Counted(
        e, sampleFrames, out,
        lame_encode_buffer_interleaved(e->gf, const_cast<short*>(pcm), sampleFrames, out, outBytes));
}

int32_t EncoderFlush(HENCODER h, uint8_t* out, int32_t outBytes) {
    Encoder* e = FromHandle(h);
    if (!e || e->phase != Phase::Ready || !out || outBytes < ca::kWorstCaseFlushBytes)
        return -1;
    e->phase = Phase::Flushed;
    return Counted(e, 0, out, lame_encode_flush(e->gf, out, outBytes));
}

int32_t EncoderInfoFrame(HENCODER h, uint8_t* out, int32_t outBytes) {
    Encoder* e = FromHandle(h);
    if (!e || !out)
        return -1;
    if (e->phase == Phase::Ready && e->inputSamples == 0 && e->lameBytes == 0) {
        const int32_t bytes = ca::MakeSilentFrame(e->shape, out, outBytes);
        return bytes > 0 ? bytes : -1;
    }
    return e->phase == Phase::Flushed ? FinishedInfoFrame(*e, out, outBytes) : -1;
}

int32_t EncoderClose(HENCODER h) {
    Encoder* e = FromHandle(h);
    if (!e)
        return -1;
    lame_close(e->gf);
    delete e;
    return 0;
}

} // extern "C"

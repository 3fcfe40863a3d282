#include "InfoFrame.h"

#include "EncoderSettings.h"

#include <array>
#include <cstring>
#include <utility>

namespace ca {

namespace {

// The header's fields for a shape: version bits (3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5) and the rate and bit
// rate indexes; false for a shape MP3 cannot store.
struct SHeaderFields {
    int version, rateIndex, kbpsIndex;
};

bool HeaderFieldsOf(const SStreamShape& shape, SHeaderFields* f) {
    static const int kVersions[3] = {0, 2, 3};
    int row;
    if (!HeaderRateIndex(shape.outputHz, &row, &f->rateIndex))
        return false;
    f->version = kVersions[row];
    const int32_t* table = BitRateTable(shape.outputHz);
    f->kbpsIndex = 0;
    for (int i = 1; i < kBitRateIndexes; ++i)
        if (table[i] == shape.kbps)
            f->kbpsIndex = i;
    return f->kbpsIndex != 0 && (shape.channels == 1 || shape.channels == 2);
}

// Side information follows the header; the Xing fields start after it.
int32_t SideInfoBytes(const SStreamShape& shape, const SHeaderFields& f) {
    if (f.version == 3)
        return shape.channels == 1 ? 17 : 32;
    return shape.channels == 1 ? 9 : 17;
}

int32_t FrameBytesOf(const SStreamShape& shape, const SHeaderFields& f) {
    return (f.version == 3 ? 144000 : 72000) * shape.kbps / shape.outputHz;
}

// Layer III, no CRC, no padding slot; mono or joint stereo; an original, not copyrighted.
int32_t PutHeader(const SStreamShape& shape, const SHeaderFields& f, uint8_t* out, int32_t outBytes) {
    const int32_t bytes = FrameBytesOf(shape, f);
    if (bytes > outBytes)
        return 0;
    std::memset(out, 0, static_cast<size_t>(bytes));
    out[0] = 0xFF;
    out[1] = static_cast<uint8_t>(0xE0 | f.version << 3 | 1 << 1 | 1);
    out[2] = static_cast<uint8_t>(f.kbpsIndex << 4 | f.rateIndex << 2);
    out[3] = static_cast<uint8_t>((shape.channels == 1 ? 3 : 1) << 6 | 1 << 2);
    return bytes;
}

uint8_t* Put32(uint8_t* p, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        *p++ = static_cast<uint8_t>(v >> shift);
    return p;
}

uint8_t* Put16(uint8_t* p, uint32_t v) {
    *p++ = static_cast<uint8_t>(v >> 8);
    *p++ = static_cast<uint8_t>(v);
    return p;
}

enum : uint32_t { kXingFrames = 1, kXingBytes = 2, kXingToc = 4, kXingQuality = 8 };
constexpr int32_t kLameExtensionBytes = 36;
constexpr int32_t kTocBytes = 100;

// The LAME extension: what players read for gapless playback (delay and padding), and the fields
// around them as LAME fills them for a constant bit rate.
uint8_t* PutLameExtension(const SStreamShape& shape, const SStreamTotals& t, uint8_t* p) {
    std::memcpy(p, "LAME3.100", 9);
    p += 9;
    *p++ = 0x01; // revision 0, constant bit rate
    const int32_t lowpass = (t.lowpassHz + 50) / 100;
    *p++ = static_cast<uint8_t>(lowpass > 255 ? 255 : lowpass < 0 ? 0 : lowpass);
    p = Put32(p, 0); // peak: not measured
    p = Put16(p, 0); // radio gain
    p = Put16(p, 0); // audiophile gain
    *p++ = 0x10 | 4; // the psychoacoustic model LAME uses, ATH type 4
    *p++ = static_cast<uint8_t>(shape.kbps > 255 ? 255 : shape.kbps);
    *p++ = static_cast<uint8_t>(t.delaySamples >> 4);
    *p++ = static_cast<uint8_t>((t.delaySamples & 15) << 4 | (t.paddingSamples >> 8 & 15));
    *p++ = static_cast<uint8_t>(t.paddingSamples);
    const int sourceFreq = shape.outputHz <= 32000 ? 0 : shape.outputHz == 44100 ? 1 : 2;
    *p++ = static_cast<uint8_t>((shape.channels == 1 ? 0 : 3) << 2 | sourceFreq << 6);
    *p++ = 0;        // MP3 gain
    p = Put16(p, 0); // preset
    p = Put32(p, t.streamBytes);
    return Put16(p, t.musicCrc);
}

} // namespace

int32_t FrameBytes(const SStreamShape& shape) {
    SHeaderFields f;
    return HeaderFieldsOf(shape, &f) ? FrameBytesOf(shape, f) : 0;
}

int32_t FrameSamples(const SStreamShape& shape) {
    return shape.outputHz >= 32000 ? 1152 : 576;
}

int32_t MakeSilentFrame(const SStreamShape& shape, uint8_t* out, int32_t outBytes) {
    SHeaderFields f;
    return HeaderFieldsOf(shape, &f) ? PutHeader(shape, f, out, outBytes) : 0;
}

int32_t MakeInfoFrame(const SStreamShape& shape, const SStreamTotals& totals, uint8_t* out,
                      int32_t outBytes) {
    SHeaderFields f;
    if (!HeaderFieldsOf(shape, &f) || totals.delaySamples < 0 || totals.delaySamples > 4095 ||
        totals.paddingSamples < 0 || totals.paddingSamples > 4095)
        return 0;
    const int32_t bytes = PutHeader(shape, f, out, outBytes);
    if (bytes == 0)
        return 0;
    const int32_t start = 4 + SideInfoBytes(shape, f);
    // The optional fields, in their order in the frame, while they fit: low rates have small frames.
    const int32_t fixed = start + 12 + kLameExtensionBytes;
    uint32_t flags = kXingFrames;
    int32_t used = fixed;
    const std::pair<uint32_t, int32_t> optional[] = {
        {kXingBytes, 4}, {kXingToc, kTocBytes}, {kXingQuality, 4}};
    for (auto [flag, size] : optional) {
        if (used + size > bytes)
            break;
        flags |= flag;
        used += size;
    }
    if (used > bytes)
        return 0;
    uint8_t* p = out + start;
    std::memcpy(p, "Info", 4);
    p = Put32(p + 4, flags);
    p = Put32(p, totals.frames);
    if (flags & kXingBytes)
        p = Put32(p, totals.streamBytes);
    if (flags & kXingToc)
        for (int i = 0; i < kTocBytes; ++i)
            *p++ = static_cast<uint8_t>(i * 256 / kTocBytes); // a constant bit rate seeks linearly
    if (flags & kXingQuality)
        p = Put32(p, 0);
    p = PutLameExtension(shape, totals, p);
    Put16(p, Crc16(0, out, static_cast<size_t>(p - out)));
    return bytes;
}

// A byte at a time from a table: the music CRC covers every byte the encoder gives.
uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t bytes) {
    static const auto kTable = [] {
        std::array<uint16_t, 256> table{};
        for (uint32_t byte = 0; byte < 256; ++byte) {
            uint32_t crc = byte;
            for (int bit = 0; bit < 8; ++bit)
                crc = crc & 1 ? crc >> 1 ^ 0xA001 : crc >> 1;
            table[byte] = static_cast<uint16_t>(crc);
        }
        return table;
    }();
    for (size_t i = 0; i < bytes; ++i)
        crc = static_cast<uint16_t>(crc >> 8 ^ kTable[(crc ^ data[i]) & 0xFF]);
    return crc;
}

} // namespace ca

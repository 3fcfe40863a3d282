// The operations of the encoder library ca.dll. The program imports them by ordinal only
// (see ca/ca.def); the names exist for the source code, not in the binaries' import tables.
#pragma once
#include <stdint.h>

// The DLL's exports come from ca.def alone (ordinals, no names), so nothing is marked dllexport.
#if defined(_WIN32) && !defined(CA_BUILDING_DLL)
#define CA_API __declspec(dllimport)
#else
#define CA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HENCODER;

CA_API HENCODER EncoderCreate(void);                                   // @1
CA_API int32_t EncoderSetChannels(HENCODER h, int32_t channels);       // @6
CA_API int32_t EncoderSetChannelMode(HENCODER h, int32_t mode);        // @24: 3 mono, 1 joint stereo
CA_API int32_t EncoderSetSampleRate(HENCODER h, int32_t sampleRateHz); // @4
CA_API int32_t EncoderSetOption(HENCODER h, int32_t option);           // @75: 0 = plain stream
CA_API int32_t EncoderSetBitRate(HENCODER h, int32_t bitRateKbps);     // @41
CA_API int32_t EncoderSetQuality(HENCODER h, int32_t quality);         // @22: 0 best .. 9 fastest
CA_API int32_t EncoderPrepare(HENCODER h);                             // @139: < 0 refused
CA_API int32_t EncoderPostPrepare(HENCODER h);                         // @156
CA_API int32_t EncoderEncodeChannels(HENCODER h, const int16_t* first, const int16_t* second,
                                     int32_t samplesPerChannel, uint8_t* out, int32_t outBytes); // @148
CA_API int32_t EncoderEncodeInterleaved(HENCODER h, const int16_t* pcm, int32_t sampleFrames, uint8_t* out,
                                        int32_t outBytes);               // @149
CA_API int32_t EncoderFlush(HENCODER h, uint8_t* out, int32_t outBytes); // @155
CA_API int32_t EncoderClose(HENCODER h);                                 // @164
// The frame that begins the file: before the first encode call a silent place holder that claims no
// length; after the flush the Info frame (frame count, encoder delay and padding), of the same size,
// to be written over it. The bytes placed in out, or -1 (at another time, or out too small).
CA_API int32_t EncoderInfoFrame(HENCODER h, uint8_t* out, int32_t outBytes); // @165

#ifdef __cplusplus
}
#endif

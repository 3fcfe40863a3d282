// Test hooks of the fake wave-input device (mmsystem.h stand-in): test-only API, not part of WinMM.
// The device captures "numbered" audio by default: sample i (counted over all channels from the
// device's open) has the value uint16(i), so tests can check order and find lost spans exactly.
#pragma once
#include <mmsystem.h>

#include <stdint.h>
#include <vector>

namespace fakewin {

// How the header of one block (counted from 0 over everything that fell due) comes back.
struct HeaderFault {
    uint64_t block;
    DWORD bytes;       // recorded into it; at most its length
    bool done = true;  // false: handed back without the done flag, as after a driver error
    bool late = false; // handed back only after the next block's header
};

struct WaveScript {
    UINT devices = 1;        // waveInGetNumDevs(); an index at or past it is refused (WAVE_MAPPER is not)
    bool freeRun = false;    // true: blocks fall due every periodMs while started; false: only RunBlocks
    unsigned periodMs = 0;   // 0 with freeRun: back to back
    unsigned graceMs = 5000; // a due block waits this long for a queued header, then its audio is lost
    bool lossless = false;   // a due block waits for a header for ever
    uint64_t blockLimit = 0; // > 0: the device goes quiet after this many blocks (captured or lost)
    const int16_t* pcm = nullptr; // audio to capture, repeated; numbered samples when null
    size_t pcmSamples = 0;
    MMRESULT openResult = MMSYSERR_NOERROR;  // forced failure of waveInOpen
    MMRESULT startResult = MMSYSERR_NOERROR; // forced failure of waveInStart
    // > 0: each WIM_DATA reaches the callback this long after its header came back, from a
    // delivery thread of its own, so stop and reset return before their callbacks (as on Windows).
    // waveInClose delivers what is still pending before it returns.
    unsigned callbackDelayMs = 0;
    std::vector<HeaderFault> faults;
    unsigned failAddsAfter = 0; // > 0: waveInAddBuffer calls after this many succeed fail...
    unsigned failAdds = 0;      // ...this many times
    bool keepOnReset = false;   // reset leaves one header with the device until ReleaseKeptHeader
};

struct Completion {
    const void* data;     // where the device recorded the block
    uint64_t firstSample; // number of its first sample
    DWORD bytes;          // what it recorded there
};

struct WaveStats {
    std::vector<Completion> completed; // headers handed back done with audio, in order
    uint64_t lostBlocks = 0;           // blocks whose audio found no queued header
    unsigned queuedHeaders = 0;        // headers the open device holds right now
    unsigned openDevices = 0;
    unsigned callsFromCallback = 0; // wave calls made from inside the callback (must stay 0)
    UINT lastDeviceId = 0;          // as waveInOpen received it
    std::vector<const void*> added; // data pointers of waveInAddBuffer calls, in order
};

// Applies to devices opened afterwards; also clears the statistics.
void SetWaveScript(const WaveScript& script);
void ResetWave();
WaveStats GetWaveStats();
uint16_t NumberedSample(uint64_t index);

// On the most recently opened device:
bool RunBlocks(unsigned n);    // n blocks fall due; returns when all are captured or lost
void SetGraceMs(unsigned ms);  // from now on
void PartialFill(DWORD bytes); // records into the head header without completing it
bool DeliverNotDone();         // hands the head header back, full length but no done flag
void ReleaseKeptHeader();      // records into the header kept at a reset and hands it back

} // namespace fakewin

// Test support: decodes MP3 bytes with ffmpeg and measures what came out.
#pragma once
#include "ToneAnalysis.h"

#include <cstdint>
#include <string>
#include <vector>

struct DecodedAudio {
    bool ok = false;    // ffmpeg ran, reported no error and produced samples
    std::string errors; // what ffmpeg printed at level "error"
    int channels = 0;
    int sampleRate = 0;
    std::vector<int16_t> samples; // interleaved
    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

DecodedAudio DecodeMp3File(const std::string& path);
DecodedAudio DecodeMp3(const std::vector<uint8_t>& mp3);

// Strongest frequency between loHz and hiHz of the decoded audio (see ToneAnalysis.h).
double DominantFrequency(const DecodedAudio& audio, double loHz = 100, double hiHz = 4000);

// PCM of a sine at `hz`, `frames` long, interleaved over `channels`, amplitude 0.5 full scale.
std::vector<int16_t> Sine(double hz, int sampleRate, int channels, size_t frames);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string TempPath(const std::string& stem);

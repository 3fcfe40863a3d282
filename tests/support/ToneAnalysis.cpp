#include "ToneAnalysis.h"

#include <cmath>

double DominantFrequency(const int16_t* interleaved, size_t frames, int channels, int sampleRate, double loHz,
                         double hiHz) {
    const size_t window = static_cast<size_t>(sampleRate / 4);
    if (channels <= 0 || window == 0 || frames < window)
        return 0;
    const size_t first = (frames - window) / 2;
    const double pi = std::acos(-1.0);
    double bestHz = 0, bestPower = -1;
    for (double hz = loHz; hz <= hiHz && hz < sampleRate / 2.0; hz += 2) {
        const double coeff = 2 * std::cos(2 * pi * hz / sampleRate);
        double s1 = 0, s2 = 0;
        for (size_t i = 0; i < window; ++i) {
            const double s = interleaved[(first + i) * channels] + coeff * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            bestHz = hz;
        }
    }
    return bestHz;
}

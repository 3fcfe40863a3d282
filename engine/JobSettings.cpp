#include "JobSettings.h"

int32_t EncoderBitRateKbps(int32_t sampleRateHz, int32_t bitRateFactor) {
    return sampleRateHz / 1000 * bitRateFactor;
}

#!/usr/bin/python3
"""Where each recording of a series lies in the seeded noise that was played while it was made.

  find_spans.py noise OUT.raw SECONDS       writes the noise: band-limited, 8000 Hz mono s16le
  find_spans.py spans NOISE.raw A.mp3 ...   prints each file's span in the noise and the gap (or
                                            overlap, negative) between neighbours, in ms

Each file is decoded to 8000 Hz mono; a second of it from its middle is found in the noise by
cross-correlation, which maps the whole file onto the noise; its audio runs from the first to the
last loud 10 ms (the encoder's delay and padding are quiet). The last line is "max gap N ms"."""
import subprocess
import sys

import numpy as np

RATE = 8000


def make_noise(path, seconds):
    rng = np.random.default_rng(20261207)
    n = int(seconds * RATE)
    spectrum = np.fft.rfft(rng.standard_normal(n))
    freqs = np.fft.rfftfreq(n, 1.0 / RATE)
    spectrum[(freqs < 100) | (freqs > 3000)] = 0  # survives every rate and resampler on the way
    x = np.fft.irfft(spectrum, n)
    (x / np.std(x) * 0.25 * 32767).astype("<i2").tofile(path)


def decode(path):
    out = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1",
                          "-ar", str(RATE), "-"], capture_output=True, check=True).stdout
    return np.frombuffer(out, "<i2").astype(float)


def audio_edges(x):
    """First and one past the last sample of the loud part, or None for a file without one."""
    window = RATE // 100
    if len(x) < RATE * 3 // 2:  # a second to correlate and room around it
        return None
    level = np.sqrt(np.convolve(x * x, np.ones(window) / window, "same"))
    loud = np.nonzero(level > 0.25 * np.median(level[len(level) // 4: 3 * len(level) // 4]))[0]
    return (loud[0], loud[-1] + 1) if len(loud) else None


def offset_in(noise, x, start):
    """Noise index of decoded sample 0, found from a second of x at start."""
    chunk = x[start: start + RATE]
    n = 1 << int(np.ceil(np.log2(len(noise) + len(chunk))))
    corr = np.fft.irfft(np.fft.rfft(noise, n) * np.conj(np.fft.rfft(chunk, n)), n)[: len(noise)]
    peak = int(np.argmax(corr))
    strength = corr[peak] / (np.median(np.abs(corr)) + 1e-9)
    return peak - start, strength


def spans(noise_path, files):
    noise = np.fromfile(noise_path, "<i2").astype(float)
    previous_end = None
    worst = 0.0
    for path in files:
        x = decode(path)
        edges = audio_edges(x)
        if edges is None:
            print("%s: too little audio to place" % path)
            worst = float("inf")
            previous_end = None
            continue
        first, last = edges
        shift, strength = offset_in(noise, x, (first + last) // 2 - RATE // 2)
        start_ms, end_ms = (first + shift) * 1000.0 / RATE, (last + shift) * 1000.0 / RATE
        print("%s: %.1f to %.1f ms of the noise (match %.0f)" % (path, start_ms, end_ms, strength))
        if previous_end is not None:
            gap = start_ms - previous_end
            worst = max(worst, abs(gap))
            print("gap %.1f ms" % gap)
        previous_end = end_ms
    print("max gap %.1f ms" % worst)


if __name__ == "__main__":
    if sys.argv[1] == "noise":
        make_noise(sys.argv[2], float(sys.argv[3]))
    else:
        spans(sys.argv[2], sys.argv[3:])

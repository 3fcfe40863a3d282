#!/usr/bin/python3
# Checks of recordings for the Wine and end-to-end tests; exit status 0 when every file passes.
#   check_audio.py tone SECONDS A.mp3 ...     each holds at least SECONDS of a steady 1 kHz tone
#   check_audio.py plays SECONDS A.mp3 ...    each holds at least SECONDS of audio
#   check_audio.py gapped SECONDS A.mp3 ...   the same, where a full disk dropped data: the decoder may
#                                             stumble where the stream goes on
#   check_audio.py format R,C,B A.mp3 ...      each stores R Hz, C channels and B bit/s
#   check_audio.py spans NOISE.raw A.mp3 ...  the files follow each other in the noise played while
#                                             they were recorded (8000 Hz mono s16le), with no gap or
#                                             overlap above 60 ms
# Every file must decode without an error and end with exactly one 128-byte ID3v1 tag.
import subprocess
import sys

import numpy as np

RATE = 8000


def decode(path, strict):
    data = open(path, "rb").read()
    run = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", str(RATE), "-"],
                         capture_output=True, stdin=subprocess.DEVNULL)
    if data[-128:-125] != b"TAG" or data[-256:-253] == b"TAG" or run.returncode or (strict and run.stderr):
        sys.exit("%s: not one ID3v1 tag at the end, or %s" % (path, run.stderr.decode(errors="replace")[:300]))
    print("%s: %.2f s" % (path, len(run.stdout) / 2 / RATE))
    return np.frombuffer(run.stdout, "<i2").astype(float)


def level(x, ms):  # running RMS
    return np.sqrt(np.convolve(x * x, np.ones(RATE * ms // 1000) / (RATE * ms // 1000), "valid"))


what, arg, files, end = sys.argv[1], sys.argv[2], sys.argv[3:], None
for path in files:
    x = decode(path, what != "gapped")
    if what == "spans":  # each file's loud part (delay and padding are quiet) placed in the noise
        noise = np.fromfile(arg, "<i2").astype(float)
        loud = np.nonzero(level(x, 10) > 0.25 * np.median(level(x, 10)))[0]
        first, last = loud[0], loud[-1]
        at = (first + last - RATE) // 2  # a second from the middle, found by cross-correlation
        n = 1 << int(np.ceil(np.log2(len(noise) + RATE)))
        corr = np.fft.irfft(np.fft.rfft(noise, n) * np.conj(np.fft.rfft(x[at:at + RATE], n)), n)
        first, last = np.array([first, last]) + int(np.argmax(corr[:len(noise)])) - at
        print("  %.1f to %.1f ms of the noise" % (first / RATE * 1000, last / RATE * 1000))
        if end is not None and abs(first - end) > RATE * 0.06:
            sys.exit("%s: starts %.1f ms after the file before ends" % (path, (first - end) / RATE * 1000))
        end = last
    elif what == "format":
        stored = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=sample_rate,channels,bit_rate",
                                 "-of", "csv=p=0", path], capture_output=True, text=True).stdout.strip()
        if stored != arg:
            sys.exit("%s: %s, not %s" % (path, stored, arg))
    elif len(x) < float(arg) * RATE:
        sys.exit("%s: shorter than %s s" % (path, arg))
    middle = x[len(x) // 10:len(x) * 9 // 10]
    peak = np.argmax(np.abs(np.fft.rfft(middle))) * RATE / len(middle)
    if what == "tone" and (abs(peak - 1000) > 20 or level(middle, 100).min() < 1000):
        sys.exit("%s: no steady 1 kHz tone (peak at %.0f Hz)" % (path, peak))

#!/usr/bin/python3
# Checks of recordings for the Wine and end-to-end tests; exit status 0 when every file passes.
#   check_audio.py tone SECONDS A.mp3 ...     each holds at least SECONDS of a steady 1 kHz tone
#   check_audio.py plays SECONDS A.mp3 ...    each holds at least SECONDS of audio
#   check_audio.py gapped SECONDS A.mp3 ...   the same, where a full disk dropped data: the decoder may
#                                             stumble where the stream goes on
#   check_audio.py format R,C,B A.mp3 ...      each stores R Hz, C channels and B bit/s
#   check_audio.py joins NOISE.raw A.mp3 ...  the files follow each other in the noise played while
#                                             they were recorded (8000 Hz mono s16le): at each join no
#                                             more than 2 samples added or dropped, at the files' own rate
#   check_audio.py killed SECONDS A.mp3       a recording ended by a kill: at least SECONDS of audio,
#                                             and the length a player states is within 1 s of it
# Every file must decode without an error and, unless killed, end with exactly one 128-byte ID3v1 tag.
import subprocess
import sys

import numpy as np

RATE = 8000


def probe(path, entry):
    return subprocess.run(["ffprobe", "-v", "error", "-show_entries", entry, "-of", "csv=p=0", path],
                          capture_output=True, text=True).stdout.strip()


def decode(path, strict, rate=RATE, tagged=True):  # rate None: the file's own
    data = open(path, "rb").read()
    run = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1"] +
                         (["-ar", str(rate)] if rate else []) + ["-"], capture_output=True, stdin=subprocess.DEVNULL)
    one_tag = data[-128:-125] == b"TAG" and data[-256:-253] != b"TAG"
    if one_tag != tagged or run.returncode or (strict and run.stderr):
        sys.exit("%s: not one ID3v1 tag at the end, or %s" % (path, run.stderr.decode(errors="replace")[:300]))
    print("%s: %.2f s" % (path, len(run.stdout) / 2 / (rate or int(probe(path, "stream=sample_rate")))))
    return np.frombuffer(run.stdout, "<i2").astype(float)


def place(part, noise):  # where part lies in noise, to a fraction of a sample
    n = 1 << int(np.ceil(np.log2(len(noise) + len(part))))
    corr = np.fft.irfft(np.fft.rfft(noise, n) * np.conj(np.fft.rfft(part, n)), n)[:len(noise) - len(part)]
    k = int(np.argmax(corr))
    a, b, c = corr[k - 1], corr[k], corr[k + 1]
    return k + 0.5 * (a - c) / (a - 2 * b + c)


def joins(noise_path, files):  # each next file against the end of the one before, at their own rate
    rate = int(probe(files[0], "stream=sample_rate"))
    noise = np.fromfile(noise_path, "<i2").astype(float)
    noise = np.fft.irfft(np.fft.rfft(noise), len(noise) * rate // RATE)  # band-limited: resampled exactly
    half, end = rate // 2, None
    for path in files:
        x = decode(path, True, None)
        start = place(x[:half], noise)
        if end is not None:  # positive: samples added at the join, negative: dropped
            print("  %+.1f samples at the join" % (end - start))
            if abs(end - start) > 2:
                sys.exit("%s: %+.1f samples at the join with the file before" % (path, end - start))
        end = place(x[-half:], noise) + half


def level(x, ms):  # running RMS
    return np.sqrt(np.convolve(x * x, np.ones(RATE * ms // 1000) / (RATE * ms // 1000), "valid"))


what, arg, files = sys.argv[1], sys.argv[2], sys.argv[3:]
if what == "joins":
    joins(arg, files)
    sys.exit(0)
for path in files:
    x = decode(path, what != "gapped", tagged=what != "killed")
    if what == "killed":  # no Info frame: the player estimates from the size, which must come out right
        stated = float(probe(path, "format=duration"))
        print("  stated %.2f s" % stated)
        if abs(stated - len(x) / RATE) > 1:
            sys.exit("%s: states %.2f s for %.2f s of audio" % (path, stated, len(x) / RATE))
    if what == "format":
        stored = probe(path, "stream=sample_rate,channels,bit_rate")
        if stored != arg:
            sys.exit("%s: %s, not %s" % (path, stored, arg))
    elif len(x) < float(arg) * RATE:
        sys.exit("%s: shorter than %s s" % (path, arg))
    middle = x[len(x) // 10:len(x) * 9 // 10]
    peak = np.argmax(np.abs(np.fft.rfft(middle))) * RATE / len(middle)
    if what == "tone" and (abs(peak - 1000) > 20 or level(middle, 100).min() < 1000):
        sys.exit("%s: no steady 1 kHz tone (peak at %.0f Hz)" % (path, peak))

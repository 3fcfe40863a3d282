#!/usr/bin/env python3
"""Checking phase of the end-to-end tests, run natively after the driver: every recording the driver
listed in mp3-checks.txt must decode with ffmpeg without an error, last long enough, carry the 1 kHz
test tone (unless listed as noise) and end with exactly one 128-byte ID3v1 tag; the files of a
series listed for "spans" must follow each other in the noise (noise.raw) with no gap or overlap
above 60 ms. Prints GoogleTest-style lines for the runner."""
import array
import math
import os
import subprocess
import sys
import time

TONE_HZ = 1000.0
MAX_GAP_MS = 60.0
FIND_SPANS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "find_spans.py")


def tag_problems(data):
    if len(data) < 128 + 417:
        return ["file too short for MP3 data and a tag: %d bytes" % len(data)]
    tag = data[-128:]
    problems = []
    if tag[:3] != b"TAG":
        problems.append("last 128 bytes do not start with TAG")
    if any(tag[3:63]):
        problems.append("title or artist not empty")
    album = tag[63:93]
    if not all(0x21 <= b < 0x7F for b in album[:13]) or any(album[13:]):
        problems.append("album is not 13 ASCII characters and zeros: %r" % album)
    if any(tag[93:127]) or tag[127] != 0:
        problems.append("year, comment or genre not zero")
    if data[-256:-253] == b"TAG":
        problems.append("a second tag before the last one")
    return problems


def tone_share(window, rate):
    """Share of the window's energy at TONE_HZ (1.0 for a pure tone of whole periods)."""
    n = len(window)
    energy = sum(x * x for x in window)
    if energy == 0:
        return 0.0
    coeff = 2.0 * math.cos(2.0 * math.pi * TONE_HZ / rate)
    s1 = s2 = 0.0
    for x in window:
        s1, s2 = x + coeff * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coeff * s1 * s2
    return power / (energy * n / 2.0)


def decode(path):
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                            "stream=sample_rate,channels", "-of", "csv=p=0", path],
                           capture_output=True, text=True)
    rate, channels = (int(v) for v in probe.stdout.strip().split(","))
    out = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1",
                          "-acodec", "pcm_s16le", "-"], capture_output=True)
    samples = array.array("h")
    samples.frombytes(out.stdout[: len(out.stdout) // 2 * 2])
    errors = out.stderr.decode(errors="replace").strip()
    if out.returncode != 0 and not errors:
        errors = "ffmpeg exit %d" % out.returncode
    return rate, channels, samples, errors


def check_spans(out_dir, names):
    run = subprocess.run([sys.executable, FIND_SPANS, "spans", os.path.join(out_dir, "noise.raw")] +
                         [os.path.join(out_dir, n) for n in names], capture_output=True, text=True)
    print("\n".join("  " + line for line in run.stdout.splitlines()))
    last = run.stdout.strip().splitlines()[-1:] or [""]
    if run.returncode != 0 or not last[0].startswith("max gap "):
        return ["find_spans failed: %s" % run.stderr.strip()[-300:]]
    gap = float(last[0].split()[2])
    return [] if gap <= MAX_GAP_MS else ["a gap or overlap of %.1f ms between files" % gap]


def check(path, min_seconds, tone=True):
    if not os.path.exists(path):
        return ["missing"]
    with open(path, "rb") as f:
        data = f.read()
    problems = tag_problems(data)
    try:
        rate, channels, samples, errors = decode(path)
    except (ValueError, OSError) as e:
        return problems + ["ffprobe/ffmpeg failed: %s" % e]
    if errors:
        problems.append("ffmpeg: " + errors.splitlines()[0])
    seconds = len(samples) / float(rate)
    print("  %s: %d bytes, %d Hz, %d channels, %.2f s" % (os.path.basename(path), len(data), rate, channels,
                                                          seconds))
    if seconds < min_seconds:
        problems.append("%.2f s of audio, expected at least %.1f s" % (seconds, min_seconds))
        return problems
    if not tone:
        return problems
    half = rate // 2  # 500 whole periods of the tone
    for at in (0.25, 0.5, 0.75):
        start = int(len(samples) * at) - half // 2
        window = samples[max(0, start): max(0, start) + half]
        rms = math.sqrt(sum(x * x for x in window) / max(1, len(window)))
        share = tone_share(window, rate)
        if rms < 1000 or share < 0.8:
            problems.append("at %d%%: level %.0f, 1 kHz share %.2f" % (at * 100, rms, share))
    return problems


def main():
    out_dir = sys.argv[1]
    listing = os.path.join(out_dir, "mp3-checks.txt")
    cases = []
    if os.path.exists(listing):
        with open(listing, encoding="utf-8") as f:
            for line in f:
                parts = line.rstrip("\n").split("\t")
                if len(parts) >= 3:
                    cases.append(parts)
    print("[==========] Running %d tests from 1 test suite." % len(cases))
    failed = []
    for origin, name, what, *kind in cases:
        case = "Mp3Check." + "".join(c if c.isalnum() else "_" for c in name)
        print("[ RUN      ] %s (from %s)" % (case, origin))
        t0 = time.time()
        if what == "spans":
            problems = check_spans(out_dir, name.split("|"))
        else:
            problems = check(os.path.join(out_dir, name), float(what), kind != ["noise"])
        ms = int((time.time() - t0) * 1000)
        for p in problems:
            print("  " + p)
        if problems:
            failed.append(case)
            print("[  FAILED  ] %s (%d ms)" % (case, ms))
        else:
            print("[       OK ] %s (%d ms)" % (case, ms))
    print("[==========] %d tests ran." % len(cases))
    print("[  PASSED  ] %d tests." % (len(cases) - len(failed)))
    if failed:
        print("[  FAILED  ] %d tests, listed below:" % len(failed))
        for case in failed:
            print("[  FAILED  ] " + case)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

// Ten minutes of 44100 Hz stereo PCM through the recording job's worker path, as fast as the
// worker takes it (the fake device fills a block whenever it holds a header), against the
// lame command-line encoder on the same PCM with the same effective settings: 80 kbit/s (what
// 88 maps to), 44.1 kHz out, joint stereo, an Info frame, no ReplayGain. Prints CPU seconds per
// audio minute for both, their ratio and the real-time factors, and what the job's flushes to the
// disk cost (the stand-in's FlushFileBuffers is fsync).
#include "JobCenter.h"
#include "RingMath.h"

#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100, kChannels = 2;
constexpr double kAudioMinutes = 10;

struct Cost {
    double cpuSeconds = 0, wallSeconds = 0;
};

double Seconds(const timeval& t) {
    return t.tv_sec + t.tv_usec / 1e6;
}

double CpuSeconds(const rusage& u) {
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Something with the spread of music: gliding partials over a little noise, the channels apart.
std::vector<int16_t> MakeAudio(size_t frames) {
    std::vector<int16_t> pcm(frames * kChannels);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 300);
    const double base[] = {110, 220, 330, 587, 880, 1320, 2637, 5274};
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        for (int c = 0; c < kChannels; ++c) {
            double v = noise(rng);
            for (int k = 0; k < 8; ++k) {
                const double hz = base[k] * (1 + 0.02 * std::sin(0.3 * t + k + c));
                v += 2500 / (k + 1) * std::sin(2 * M_PI * hz * t + c) *
                     (0.6 + 0.4 * std::sin(0.7 * t * (k + 1)));
            }
            pcm[i * kChannels + c] =
                static_cast<int16_t>(std::lround(std::fmax(-32768, std::fmin(32767, v))));
        }
    }
    return pcm;
}

// Plays the fake device: fills each header it holds with the next block of pcm and hands it back.
void PlayDevice(const std::vector<int16_t>& pcm, uint64_t blocks) {
    size_t at = 0;
    for (uint64_t played = 0; played < blocks;) {
        WAVEHDR* header = nullptr;
        {
            std::lock_guard<std::mutex> lock(fakewin::device->mutex);
            if (!fakewin::device->queued.empty()) {
                header = fakewin::device->queued.front();
                fakewin::device->queued.pop_front();
            }
        }
        if (!header) { // every header waits for the worker: it is the bottleneck
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        std::memcpy(header->lpData, pcm.data() + at, header->dwBufferLength);
        at += header->dwBufferLength / 2;
        fakewin::Back(fakewin::device, header, header->dwBufferLength);
        ++played;
    }
}

Cost RunJob(const std::vector<int16_t>& pcm, uint64_t blocks, int quality, const std::string& out) {
    rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    const double start = Now();
    const std::wstring name(out.begin(), out.end());
    SJobFault fault;
    CJobCenter* job = CJobCenter::Create(name.c_str(), 0, quality, kChannels, kRate, 2, 1, &fault);
    if (!job || !job->Start(&fault)) {
        std::fprintf(stderr, "job did not start\n");
        std::exit(1);
    }
    fakewin::flushes = 0;
    fakewin::flushUs = 0;
    PlayDevice(pcm, blocks);
    job->Stop(); // the worker encodes what is left in the ring, flushes and tags
    std::printf("  %d flushes to the disk, %.2f ms each\n", fakewin::flushes.load(),
                fakewin::flushUs / 1000.0 / std::max(1, fakewin::flushes.load()));
    Cost cost;
    cost.wallSeconds = Now() - start;
    getrusage(RUSAGE_SELF, &after);
    cost.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
    return cost;
}

Cost RunLame(const std::string& in, int quality, const std::string& out) {
    const std::string q = std::to_string(quality);
    const double start = Now();
    const pid_t pid = fork();
    if (pid == 0) {
        // Debian's lame warns that libsndfile "may ignore -r"; it reads the raw input correctly
        // (the MP3 it writes matches ours byte count for byte count, less our tag).
        if (FILE* null = std::fopen("/dev/null", "w"))
            dup2(fileno(null), STDERR_FILENO);
        execlp("lame", "lame", "--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed",
               "--little-endian", "-b", "80", "--resample", "44.1", "--noreplaygain", "-m", "j", "-q",
               q.c_str(), in.c_str(), out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage;
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "lame failed (is the Debian package lame installed?)\n");
        std::exit(1);
    }
    return {CpuSeconds(usage), Now() - start};
}

long FileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    return static_cast<long>(f.tellg());
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 2;
    const uint32_t blockBytes = CaptureBlockBytes(kChannels * 2, kRate * kChannels * 2);
    const uint64_t blockFrames = blockBytes / (kChannels * 2);
    const uint64_t blocks = (uint64_t(kAudioMinutes * 60 * kRate) + blockFrames - 1) / blockFrames;
    const double minutes = double(blocks * blockFrames) / kRate / 60;
    const std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    const std::string tag = dir + "/kavel-bench-" + std::to_string(getpid());

    std::printf("making %.2f min of 44100 Hz stereo PCM (%llu blocks of %u bytes)...\n", minutes,
                static_cast<unsigned long long>(blocks), blockBytes);
    const std::vector<int16_t> pcm = MakeAudio(blocks * blockFrames);
    {
        std::ofstream raw(tag + ".pcm", std::ios::binary);
        raw.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * 2));
    }

    std::printf("\n%-8s %-7s %12s %12s %10s %10s\n", "quality", "encoder", "CPU s/min", "MP3 bytes",
                "x realtime", "x per CPU");
    std::vector<int> qualities;
    for (int i = 2; i < argc; ++i)
        qualities.push_back(std::atoi(argv[i]));
    if (qualities.empty())
        qualities = {0, 5};
    for (int quality : qualities) {
        Cost job{1e9, 0}, lame{1e9, 0};
        for (int r = 0; r < rounds; ++r) { // the cheapest round: least disturbed by other load
            const Cost j = RunJob(pcm, blocks, quality, tag + "-job.mp3");
            const Cost l = RunLame(tag + ".pcm", quality, tag + "-lame.mp3");
            std::printf("q%-7d round %d: Kavel %.2f s CPU, lame %.2f s CPU\n", quality, r + 1, j.cpuSeconds,
                        l.cpuSeconds);
            if (j.cpuSeconds < job.cpuSeconds)
                job = j;
            if (l.cpuSeconds < lame.cpuSeconds)
                lame = l;
        }
        const struct {
            const char* name;
            Cost cost;
            std::string file;
        } rows[] = {{"Kavel", job, tag + "-job.mp3"}, {"lame", lame, tag + "-lame.mp3"}};
        for (const auto& row : rows)
            std::printf("q%-7d %-7s %12.3f %12ld %10.1f %10.1f\n", quality, row.name,
                        row.cost.cpuSeconds / minutes, FileBytes(row.file),
                        minutes * 60 / row.cost.wallSeconds, minutes * 60 / row.cost.cpuSeconds);
        std::printf("q%-7d ratio Kavel / lame (CPU): %.3f\n\n", quality, job.cpuSeconds / lame.cpuSeconds);
    }
    for (const char* suffix : {".pcm", "-job.mp3", "-lame.mp3"})
        std::remove((tag + suffix).c_str());
    fakewin::JoinReturns(); // the stand-in's reset threads, before the program ends
    return 0;
}

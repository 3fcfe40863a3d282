#include "Mp3Probe.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace {

std::string Run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

} // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string TempPath(const std::string& stem) {
    const char* dir = std::getenv("TMPDIR");
    static int counter = 0;
    std::ostringstream s;
    s << (dir ? dir : "/tmp") << "/kavel-" << getpid() << "-" << counter++ << "-" << stem;
    return s.str();
}

DecodedAudio DecodeMp3File(const std::string& path) {
    DecodedAudio a;
    std::istringstream info(Run("ffprobe -v error -select_streams a:0 -show_entries "
                                "stream=channels,sample_rate -of csv=p=0 " +
                                Quote(path) + " 2>/dev/null"));
    char comma;
    info >> a.sampleRate >> comma >> a.channels;
    const std::string raw = TempPath("decoded.raw");
    const std::string errFile = raw + ".err";
    std::system(("ffmpeg -nostdin -y -v error -i " + Quote(path) + " -f s16le -acodec pcm_s16le " +
                 Quote(raw) + " 2>" + Quote(errFile))
                    .c_str());
    std::vector<uint8_t> err = ReadFileBytes(errFile);
    a.errors.assign(err.begin(), err.end());
    std::vector<uint8_t> pcm = ReadFileBytes(raw);
    a.samples.resize(pcm.size() / 2);
    for (size_t i = 0; i < a.samples.size(); ++i)
        a.samples[i] = static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
    std::remove(raw.c_str());
    std::remove(errFile.c_str());
    a.ok = a.errors.empty() && a.channels > 0 && a.sampleRate > 0 && !a.samples.empty();
    return a;
}

DecodedAudio DecodeMp3(const std::vector<uint8_t>& mp3) {
    const std::string path = TempPath("probe.mp3");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    }
    DecodedAudio a = DecodeMp3File(path);
    std::remove(path.c_str());
    return a;
}

double DominantFrequency(const DecodedAudio& audio, double loHz, double hiHz) {
    return DominantFrequency(audio.samples.data(), audio.Frames(), audio.channels, audio.sampleRate, loHz,
                             hiHz);
}

std::vector<int16_t> Sine(double hz, int sampleRate, int channels, size_t frames) {
    std::vector<int16_t> pcm(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(16383 * std::sin(2 * M_PI * hz * i / sampleRate));
        for (int c = 0; c < channels; ++c)
            pcm[i * channels + c] = v;
    }
    return pcm;
}

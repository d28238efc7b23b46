#pragma once
// Shared by the encoder library's tests: loading LameEnc.so, test signals, decoding with mpg123.
#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "encoder/LameEnc.h"
#include "platform/Bytes.h"

namespace wl::test {

struct EncoderApi {
    void* module = nullptr;
    BeInitStreamFn init = nullptr;
    BeEncodeChunkFn encode = nullptr;
    BeDeinitStreamFn deinit = nullptr;
    BeCloseStreamFn close = nullptr;
    BeVersionFn version = nullptr;
    BeWriteVBRHeaderFn writeTag = nullptr;

    explicit EncoderApi(const char* path) {
        module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!module) return;
        init = reinterpret_cast<BeInitStreamFn>(dlsym(module, "beInitStream"));
        encode = reinterpret_cast<BeEncodeChunkFn>(dlsym(module, "beEncodeChunk"));
        deinit = reinterpret_cast<BeDeinitStreamFn>(dlsym(module, "beDeinitStream"));
        close = reinterpret_cast<BeCloseStreamFn>(dlsym(module, "beCloseStream"));
        version = reinterpret_cast<BeVersionFn>(dlsym(module, "beVersion"));
        writeTag = reinterpret_cast<BeWriteVBRHeaderFn>(dlsym(module, "beWriteVBRHeader"));
    }
    ~EncoderApi() {
        if (module) dlclose(module);
    }
    EncoderApi(const EncoderApi&) = delete;
    EncoderApi& operator=(const EncoderApi&) = delete;
    bool complete() const { return init && encode && deinit && close && version && writeTag; }
};

// The config exactly as the program fills it.
inline std::array<uint8_t, kEncoderConfigSize> encoderConfig(uint16_t kbps, uint32_t rate = 44100,
                                                             uint32_t kind = 0, uint8_t mode = 0) {
    std::array<uint8_t, kEncoderConfigSize> c{};
    putLe32(&c[kEncoderConfigKind], kind);
    putLe32(&c[kEncoderConfigRate], rate);
    c[kEncoderConfigMode] = mode;
    putLe16(&c[kEncoderConfigBitrate], kbps);
    return c;
}

// Interleaved stereo: a few tones per channel, different on each side, with a slow fade in.
inline std::vector<int16_t> testSignal(size_t frames, double pitch = 1.0) {
    std::vector<int16_t> s(frames * 2);
    const double pi = std::acos(-1.0);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / 44100.0;
        double fade = std::min(1.0, t * 4);
        double l = 0.45 * std::sin(2 * pi * 440 * pitch * t) + 0.15 * std::sin(2 * pi * 1250 * pitch * t);
        double r = 0.40 * std::sin(2 * pi * 660 * pitch * t) + 0.20 * std::sin(2 * pi * 3100 * pitch * t);
        s[2 * i] = int16_t(std::lround(fade * l * 32767));
        s[2 * i + 1] = int16_t(std::lround(fade * r * 32767));
    }
    return s;
}

inline void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The decoded interleaved samples; mpg123 honours the info tag (gapless) by default.
inline std::vector<int16_t> decodeWithMpg123(const std::filesystem::path& mp3) {
    std::vector<int16_t> samples;
    std::string cmd = "mpg123 -q -s '" + mp3.string() + "' 2>/dev/null";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return samples;
    int16_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, sizeof buf[0], 4096, pipe)) > 0) samples.insert(samples.end(), buf, buf + n);
    pclose(pipe);
    return samples;
}

// mpg123's own check of the stream: 0 when it decodes without error.
inline int mpg123Test(const std::filesystem::path& mp3) {
    std::string cmd = "mpg123 -q -t '" + mp3.string() + "' >/dev/null 2>&1";
    return std::system(cmd.c_str());
}

// The bit rate (kbit/s) of every MPEG-1 layer III frame, walking the frame headers.
inline std::vector<int> frameBitRates(const std::vector<uint8_t>& mp3) {
    static const int kRates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    std::vector<int> rates;
    size_t pos = 0;
    while (pos + 4 <= mp3.size()) {
        const uint8_t* h = &mp3[pos];
        if (h[0] != 0xFF || (h[1] & 0xFE) != 0xFA || (h[2] >> 2 & 3) != 0) return {};  // MPEG-1 L3 44.1k
        int kbps = kRates[h[2] >> 4];
        if (kbps == 0) return {};
        rates.push_back(kbps);
        pos += size_t(144 * kbps * 1000 / 44100 + ((h[2] >> 1) & 1));
    }
    if (pos != mp3.size()) return {};
    return rates;
}

inline std::filesystem::path tempDir(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("wl-encoder-" + name + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace wl::test

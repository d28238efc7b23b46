// Times a 3-minute WAV through LameEnc.so (as the program drives it) against the lame command
// line on the same file, alternating, and prints the best time of each and their ratio.
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "encoder/LameEnc.h"
#include "platform/Bytes.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Api {
    wl::BeInitStreamFn init;
    wl::BeEncodeChunkFn encode;
    wl::BeDeinitStreamFn deinit;
    wl::BeCloseStreamFn close;
    wl::BeWriteVBRHeaderFn writeTag;
};

// The program's conversion loop: read a chunk at a time from byte 44, append every byte produced.
bool encodeWithLibrary(const Api& api, const fs::path& wav, const fs::path& mp3) {
    uint8_t config[wl::kEncoderConfigSize] = {};
    wl::putLe32(config + wl::kEncoderConfigRate, 44100);
    wl::putLe16(config + wl::kEncoderConfigBitrate, 128);
    uint32_t chunk = 0, bufferSize = 0, stream = 0;
    if (api.init(config, &chunk, &bufferSize, &stream) != 0) return false;
    FILE* in = std::fopen(wav.c_str(), "rb");
    FILE* out = std::fopen(mp3.c_str(), "wb");
    bool ok = in && out && std::fseek(in, 44, SEEK_SET) == 0;
    std::vector<int16_t> samples(chunk);
    std::vector<uint8_t> buffer(bufferSize);
    uint32_t produced = 0;
    while (ok) {
        size_t n = std::fread(samples.data(), 2, chunk, in);
        if (n == 0) break;
        ok = api.encode(stream, uint32_t(n), samples.data(), buffer.data(), &produced) == 0 &&
             std::fwrite(buffer.data(), 1, produced, out) == produced;
    }
    ok = ok && api.deinit(stream, buffer.data(), &produced) == 0 &&
         std::fwrite(buffer.data(), 1, produced, out) == produced;
    api.close(stream);
    if (in) std::fclose(in);
    if (out && std::fclose(out) != 0) ok = false;
    return ok && api.writeTag(mp3.c_str()) == 0;
}

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    fs::path dir = fs::temp_directory_path() / ("wl-encoder-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path wav = dir / "three-minutes.wav";
    std::string sox = "sox -n -r 44100 -c 2 -b 16 '" + wav.string() +
                      "' synth 180 pinknoise sine 440 remix 1 2 vol 0.4 2>/dev/null";
    if (std::system(sox.c_str()) != 0) {
        std::fprintf(stderr, "sox could not make the test file\n");
        return 1;
    }
    void* module = dlopen(WL_ENCODER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    Api api{reinterpret_cast<wl::BeInitStreamFn>(dlsym(module, "beInitStream")),
            reinterpret_cast<wl::BeEncodeChunkFn>(dlsym(module, "beEncodeChunk")),
            reinterpret_cast<wl::BeDeinitStreamFn>(dlsym(module, "beDeinitStream")),
            reinterpret_cast<wl::BeCloseStreamFn>(dlsym(module, "beCloseStream")),
            reinterpret_cast<wl::BeWriteVBRHeaderFn>(dlsym(module, "beWriteVBRHeader"))};

    // The library encodes true stereo (the program's mode 0); "-m s" asks the same of lame.
    const std::string lame = "lame --quiet -b 128 -q 3 --cbr '" + wav.string() + "' '";
    const std::string commands[] = {lame + (dir / "cli.mp3").string() + "'",
                                    "lame --quiet -m s -b 128 -q 3 --cbr '" + wav.string() + "' '" +
                                        (dir / "cli-s.mp3").string() + "'"};
    double bestLib = 1e9, bestCli[2] = {1e9, 1e9};
    for (int r = 0; r < rounds; ++r) {
        auto t = Clock::now();
        if (!encodeWithLibrary(api, wav, dir / "lib.mp3")) {
            std::fprintf(stderr, "library encode failed\n");
            return 1;
        }
        bestLib = std::min(bestLib, seconds(t));
        for (int c = 0; c < 2; ++c) {
            t = Clock::now();
            if (std::system(commands[c].c_str()) != 0) {
                std::fprintf(stderr, "lame failed\n");
                return 1;
            }
            bestCli[c] = std::min(bestCli[c], seconds(t));
        }
    }
    std::printf("180 s of 44.1 kHz stereo at 128 kbit/s, quality 3, best of %d\n", rounds);
    std::printf("LameEnc.so (stereo)              %.3f s, %ld bytes\n", bestLib, long(fs::file_size(dir / "lib.mp3")));
    std::printf("lame -b 128 -q 3 --cbr (joint)   %.3f s, %ld bytes  ratio library/lame %.3f\n", bestCli[0],
                long(fs::file_size(dir / "cli.mp3")), bestLib / bestCli[0]);
    std::printf("lame -m s -b 128 -q 3 --cbr      %.3f s, %ld bytes  ratio library/lame %.3f\n", bestCli[1],
                long(fs::file_size(dir / "cli-s.mp3")), bestLib / bestCli[1]);
    dlclose(module);
    fs::remove_all(dir);
    return 0;
}

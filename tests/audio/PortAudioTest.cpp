// The real backend through PortAudio and ALSA. Without a sound card ALSA is pointed, by an
// .asoundrc in a temporary HOME, at its file plugin: output lands in a file, capture reads one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "TestWav.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/PortAudioBackend.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

struct Collect : audio::CaptureSink {
    std::mutex mutex;
    std::vector<int16_t> samples;
    void captured(const int16_t* s, size_t frames) override {
        std::lock_guard<std::mutex> lock(mutex);
        samples.insert(samples.end(), s, s + frames * 2);
    }
};

int16_t pattern(size_t i) { return int16_t((i * 37) % 20000 + 1); }

bool contains(const std::vector<int16_t>& hay, const std::vector<int16_t>& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

TEST(PortAudioOnAlsaFiles, PlaysIntoAFileAndRecordsFromOne) {
    fs::path home = fs::temp_directory_path() / ("wl-alsa-" + std::to_string(getpid()));
    fs::create_directories(home);
    std::vector<int16_t> in(44100 * 2 * 2);
    for (size_t i = 0; i < in.size(); ++i) in[i] = pattern(i);
    std::ofstream((home / "in.raw").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(in.data()), long(in.size() * 2));
    // Separate plugins: a file plugin also writes what it captures into its output file.
    std::ofstream((home / ".asoundrc").string())
        << "pcm.!default {\n  type asym\n"
        << "  playback.pcm { type file slave.pcm \"null\" file \"" << (home / "out.raw").string()
        << "\" format \"raw\" }\n"
        << "  capture.pcm { type file slave.pcm \"null\" file \"/dev/null\" infile \""
        << (home / "in.raw").string() << "\" format \"raw\" }\n}\n";
    setenv("HOME", home.c_str(), 1);

    std::vector<int16_t> played(44100 * 2 / 2);
    for (size_t i = 0; i < played.size(); ++i) played[i] = int16_t(-pattern(i));
    {
        audio::PortAudioBackend backend;
        audio::AudioEngine engine(backend);
        std::string error;
        ASSERT_TRUE(engine.start(error)) << error;
        engine.play(played.data(), played.size() / 2);
        Collect sink;
        ASSERT_TRUE(engine.attach(sink, error)) << error;
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        engine.detach(sink);
        engine.stop();
        // The capture starts somewhere in the file's first blocks; a second of it must match.
        std::vector<int16_t> probe(in.begin() + 44100, in.begin() + 44100 + 2000);
        EXPECT_GT(sink.samples.size(), 44100u);
        EXPECT_TRUE(contains(sink.samples, probe));
    }
    auto bytes = test::readAll((home / "out.raw").string());
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    EXPECT_TRUE(contains(out, played));
    fs::remove_all(home);
}

}  // namespace
}  // namespace wl

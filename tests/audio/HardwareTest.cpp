// A real sound card: a short tone out and a moment of input, skipped when there is none.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/PortAudioBackend.h"

namespace wl {
namespace {

struct Count : audio::CaptureSink {
    size_t frames = 0;
    void captured(const int16_t*, size_t n) override { frames += n; }
};

TEST(SoundCard, PlaysAndRecordsInRealTime) {
    std::ifstream cards("/proc/asound/cards");
    std::string first;
    if (!cards || !std::getline(cards, first) || first.find("no soundcards") != std::string::npos)
        GTEST_SKIP() << "no sound card";
    audio::PortAudioBackend backend;
    audio::AudioEngine engine(backend);
    std::string error;
    ASSERT_TRUE(engine.start(error)) << error;
    std::vector<int16_t> silence(44100 * 2 / 4, 0);
    engine.play(silence.data(), silence.size() / 2);
    Count sink;
    ASSERT_TRUE(engine.attach(sink, error)) << error;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    engine.detach(sink);
    EXPECT_NEAR(double(sink.frames), 44100.0, 22050.0);
}

}  // namespace
}  // namespace wl

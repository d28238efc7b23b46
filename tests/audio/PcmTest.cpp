// Conversions between PCM formats and reading WAV files, broken ones included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TestWav.h"
#include "adapters/audio/PcmConverter.h"
#include "adapters/audio/WavFile.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using audio::PcmConverter;
using audio::PcmFormat;

std::vector<uint8_t> le16(std::initializer_list<int> samples) {
    std::vector<uint8_t> out;
    for (int s : samples) {
        out.push_back(uint8_t(uint16_t(s)));
        out.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return out;
}

TEST(PcmConverter, SameRateConversionsAreExactWhereTheyCanBe) {
    auto in = le16({-32768, 32767, 256, -256, 100, 300});
    std::vector<uint8_t> out;
    PcmConverter same(audio::kCdFormat, audio::kCdFormat);
    same.convert(in.data(), 3, out);
    EXPECT_EQ(out, in);

    out.clear();
    PcmConverter mono(audio::kCdFormat, PcmFormat{1, 44100, 16});
    mono.convert(in.data(), 3, out);
    EXPECT_EQ(out, le16({0, 0, 200}));

    out.clear();
    PcmConverter eight(audio::kCdFormat, PcmFormat{2, 44100, 8});
    eight.convert(in.data(), 3, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 255, 129, 127, 128, 129}));
}

TEST(PcmConverter, ResamplingKeepsTheDurationOverManyBlocks) {
    PcmConverter down(audio::kCdFormat, PcmFormat{2, 22050, 16});
    std::vector<uint8_t> block(4410 * 4, 0), out;
    for (int i = 0; i < 20; ++i) down.convert(block.data(), 4410, out);
    down.flush(out);
    EXPECT_NEAR(double(out.size()) / 4, 44100.0, 10.0);
    EXPECT_FALSE(PcmConverter(audio::kCdFormat, PcmFormat{2, 44100, 24}).ok());
}

class WavFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("wl-pcm-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = (dir / name).string();
        test::writeFile(path, bytes);
        return path;
    }
    fs::path dir;
};

TEST_F(WavFiles, ReadsAudioAndSkipsForeignChunks) {
    auto wav = test::sineWav(22050, 1, 500, 0.1);
    // A LIST chunk between "fmt " and "data" must be skipped.
    std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    wav.insert(wav.begin() + 36, list.begin(), list.end());
    audio::WavReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(file("a.wav", wav), error)) << error;
    EXPECT_EQ(reader.format(), (PcmFormat{1, 22050, 16}));
    EXPECT_EQ(reader.totalFrames(), 2205u);
    std::vector<uint8_t> data(2205 * 2);
    EXPECT_EQ(reader.read(data.data(), 5000), 2205u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), wav.end() - long(data.size())));
}

TEST_F(WavFiles, RefusesWhatIsNotPlainPcmAndCutsLyingSizes) {
    audio::WavReader reader;
    std::string error;
    EXPECT_FALSE(reader.open(file("text.wav", {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e', '!', '!', '!'}), error));
    EXPECT_EQ(error, "not a WAV file");
    EXPECT_FALSE(reader.open((dir / "absent.wav").string(), error));
    auto wav = test::sineWav(44100, 2, 500, 0.1);
    auto compressed = wav;
    compressed[20] = 2;
    EXPECT_FALSE(reader.open(file("adpcm.wav", compressed), error));
    auto truncated = wav;
    truncated.resize(44 + 1001);  // the header still claims 0.1 s
    ASSERT_TRUE(reader.open(file("short.wav", truncated), error));
    EXPECT_EQ(reader.totalFrames(), 250u);
}

}  // namespace
}  // namespace wl

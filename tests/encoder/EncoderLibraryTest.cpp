// The built LameEnc.so, loaded as the program loads it, checked against an independent decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "EncoderTestSupport.h"

namespace wl::test {
namespace {

class EncoderLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() { api_ = new EncoderApi(WL_ENCODER_LIBRARY); }
    static void TearDownTestSuite() {
        delete api_;
        api_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(api_->complete()) << WL_ENCODER_LIBRARY << ": " << dlerror(); }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // The program's loop: chunks of at most the library's size, bytes appended in order.
    std::vector<uint8_t> encode(const std::vector<int16_t>& samples, uint16_t kbps, uint32_t piece = 0) {
        auto config = encoderConfig(kbps);
        uint32_t chunk = 0, bufferSize = 0, stream = 0;
        EXPECT_EQ(api_->init(config.data(), &chunk, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
        if (piece == 0) piece = chunk;
        std::vector<uint8_t> buffer(bufferSize), mp3;
        for (size_t done = 0; done < samples.size();) {
            uint32_t n = uint32_t(std::min<size_t>(piece, samples.size() - done)), produced = 0;
            EXPECT_EQ(api_->encode(stream, n, samples.data() + done, buffer.data(), &produced), BE_ERR_SUCCESSFUL);
            EXPECT_LE(produced, bufferSize);
            mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
            done += n;
        }
        uint32_t produced = 0;
        EXPECT_EQ(api_->deinit(stream, buffer.data(), &produced), BE_ERR_SUCCESSFUL);
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
        EXPECT_EQ(api_->close(stream), BE_ERR_SUCCESSFUL);
        return mp3;
    }

    std::filesystem::path file(const std::string& name) { return dir_ / name; }

    static EncoderApi* api_;
    std::filesystem::path dir_ = tempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
};
EncoderApi* EncoderLibrary::api_ = nullptr;

// Signal-to-noise ratio in dB of `decoded` against `input`, the decoded stream shifted by `offset`
// samples, over one second from the second second on (away from the fade in and the end).
double snrDb(const std::vector<int16_t>& input, const std::vector<int16_t>& decoded, long offset) {
    double signal = 0, noise = 0;
    for (size_t i = 44100 * 2; i < 44100 * 4 && i < input.size(); ++i) {
        long j = long(i) + offset;
        if (j < 0 || size_t(j) >= decoded.size()) return 0;
        double d = double(input[i]) - decoded[size_t(j)];
        signal += double(input[i]) * input[i];
        noise += d * d;
    }
    return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

long bestOffset(const std::vector<int16_t>& input, const std::vector<int16_t>& decoded) {
    long best = 0;
    double bestSnr = -1e9;
    for (long off = -2400; off <= 2400; off += 2) {  // whole stereo pairs
        double s = snrDb(input, decoded, off);
        if (s > bestSnr) bestSnr = s, best = off;
    }
    return best;
}

constexpr size_t kFrames = 44100 * 5 + 777;  // not a whole number of MP3 frames

class EncoderBitRate : public EncoderLibrary, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(EncoderBitRate, DecodesToTheInputLengthAtTheConfiguredRateOnceTheTagIsWritten) {
    auto input = testSignal(kFrames);
    auto mp3 = encode(input, GetParam());
    auto path = file("tone.mp3");
    writeFile(path, mp3);
    ASSERT_EQ(api_->writeTag(path.c_str()), BE_ERR_SUCCESSFUL);

    auto rates = frameBitRates(readFile(path));
    ASSERT_FALSE(rates.empty());
    // Below 64 kbit/s LAME's tag does not fit a frame; the library's own tag sits in a 64 kbit/s one.
    EXPECT_EQ(rates.front(), std::max<int>(GetParam(), 64));
    EXPECT_TRUE(std::all_of(rates.begin() + 1, rates.end(), [](int r) { return r == GetParam(); }));
    EXPECT_EQ(mpg123Test(path), 0);
    auto decoded = decodeWithMpg123(path);
    EXPECT_EQ(decoded.size(), input.size());
    if (GetParam() >= 128) {
        // Gapless means aligned too: the best match is at no shift at all.
        EXPECT_EQ(bestOffset(input, decoded), 0);
        EXPECT_GT(snrDb(input, decoded, 0), GetParam() == 128 ? 25.0 : 35.0);
    }
}
INSTANTIATE_TEST_SUITE_P(Rates, EncoderBitRate, ::testing::Values(32, 64, 128, 320));

TEST_F(EncoderLibrary, WithoutTheTagRewriteTheFileIsValidAndLongByOnlyDelayAndPadding) {
    auto input = testSignal(kFrames);
    auto path = file("plain.mp3");
    writeFile(path, encode(input, 128));
    EXPECT_EQ(mpg123Test(path), 0);
    auto decoded = decodeWithMpg123(path);
    ASSERT_GE(decoded.size(), input.size());
    // Leading silence: the encoder and decoder delays (576 + 529), less than one frame, since
    // the first frame is a tag and not audio. Trailing: LAME's padding, 1152 to 2303.
    long offset = bestOffset(input, decoded);
    EXPECT_GT(offset, 0);
    EXPECT_LT(offset, 2 * 1152);
    size_t extra = (decoded.size() - input.size()) / 2;
    EXPECT_LT(extra, size_t(offset / 2) + 2304);
    EXPECT_GT(snrDb(input, decoded, offset), 25.0);
}

TEST_F(EncoderLibrary, ChunkBoundariesDoNotChangeTheStream) {
    auto input = testSignal(44100);
    auto whole = encode(input, 128);
    EXPECT_EQ(encode(input, 128, 1001), whole);  // odd pieces split stereo pairs
    EXPECT_EQ(encode(input, 128, 2), whole);
}

TEST_F(EncoderLibrary, AnOddTotalKeepsTheLastSample) {
    auto input = testSignal(22050);
    input.push_back(1000);  // a left sample without its right one
    auto path = file("odd.mp3");
    writeFile(path, encode(input, 128));
    ASSERT_EQ(api_->writeTag(path.c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(decodeWithMpg123(path).size(), input.size() + 1);
}

TEST_F(EncoderLibrary, AnEmptyStreamIsAValidFileOfNoSamples) {
    auto path = file("empty.mp3");
    auto mp3 = encode({}, 128);
    EXPECT_FALSE(mp3.empty());
    writeFile(path, mp3);
    ASSERT_EQ(api_->writeTag(path.c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(mpg123Test(path), 0);
    EXPECT_TRUE(decodeWithMpg123(path).empty());
}

TEST_F(EncoderLibrary, StreamsOnParallelThreadsMatchTheSameStreamsOneAfterTheOther) {
    auto low = testSignal(44100 * 2, 0.5), high = testSignal(44100 * 2 + 100, 2.0);
    auto lowAlone = encode(low, 128), highAlone = encode(high, 128);
    std::vector<uint8_t> lowMp3, highMp3;
    std::thread a([&] { lowMp3 = encode(low, 128); });
    std::thread b([&] { highMp3 = encode(high, 128); });
    a.join();
    b.join();
    EXPECT_EQ(lowMp3, lowAlone);
    EXPECT_EQ(highMp3, highAlone);

    // The same settings give the same first frame; the tag still goes to the right file.
    writeFile(file("low.mp3"), lowMp3);
    writeFile(file("high.mp3"), highMp3);
    ASSERT_EQ(api_->writeTag(file("high.mp3").c_str()), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(api_->writeTag(file("low.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(decodeWithMpg123(file("low.mp3")).size(), low.size());
    EXPECT_EQ(decodeWithMpg123(file("high.mp3")).size(), high.size());
}

TEST_F(EncoderLibrary, TheTagRewriteTouchesOnlyFilesTheLibraryFinished) {
    auto mp3 = encode(testSignal(44100), 128);
    auto path = file("song.mp3");
    writeFile(path, mp3);
    ASSERT_EQ(api_->writeTag(path.c_str()), BE_ERR_SUCCESSFUL);
    auto tagged = readFile(path);
    EXPECT_NE(tagged, mp3);
    EXPECT_TRUE(std::equal(mp3.begin() + 417, mp3.end(), tagged.begin() + 417));  // only the tag frame changed
    EXPECT_EQ(api_->writeTag(path.c_str()), BE_ERR_SUCCESSFUL);                      // a second call changes nothing
    EXPECT_EQ(readFile(path), tagged);

    auto cut = std::vector<uint8_t>(mp3.begin(), mp3.end() - 100);  // e.g. a write failed
    writeFile(file("cut.mp3"), cut);
    EXPECT_NE(api_->writeTag(file("cut.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(readFile(file("cut.mp3")), cut);

    auto changed = mp3;
    changed[changed.size() / 2] ^= 1;
    writeFile(file("changed.mp3"), changed);
    EXPECT_NE(api_->writeTag(file("changed.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(readFile(file("changed.mp3")), changed);

    EXPECT_EQ(api_->writeTag(file("missing.mp3").c_str()), BE_ERR_FILE);
    EXPECT_NE(api_->writeTag(nullptr), BE_ERR_SUCCESSFUL);
}

TEST_F(EncoderLibrary, RefusalsReturnNonZeroAndLeaveNoStreamOpen) {
    uint32_t chunk = 0, size = 0, stream = 99;
    auto refuse = [&](std::array<uint8_t, kEncoderConfigSize> config) {
        stream = 99;
        EXPECT_NE(api_->init(config.data(), &chunk, &size, &stream), BE_ERR_SUCCESSFUL);
        EXPECT_EQ(stream, 0u);
    };
    EXPECT_EQ(api_->init(encoderConfig(128, 44100, 1).data(), &chunk, &size, &stream), BE_ERR_INVALID_FORMAT);
    refuse(encoderConfig(128, 44100, 1));
    refuse(encoderConfig(128, 48000));
    refuse(encoderConfig(128, 22050));
    for (uint16_t kbps : {0, 8, 100, 384, 65535}) refuse(encoderConfig(kbps));
    refuse(encoderConfig(128, 44100, 0, 3));  // mono: the input is stereo
    auto good = encoderConfig(128);
    EXPECT_NE(api_->init(nullptr, &chunk, &size, &stream), BE_ERR_SUCCESSFUL);
    EXPECT_NE(api_->init(good.data(), nullptr, &size, &stream), BE_ERR_SUCCESSFUL);
    EXPECT_NE(api_->init(good.data(), &chunk, nullptr, &stream), BE_ERR_SUCCESSFUL);
    EXPECT_NE(api_->init(good.data(), &chunk, &size, nullptr), BE_ERR_SUCCESSFUL);

    // Calls on an open stream that are refused leave it usable.
    ASSERT_EQ(api_->init(good.data(), &chunk, &size, &stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(chunk % 2, 0u);
    std::vector<int16_t> samples(chunk + 2);
    std::vector<uint8_t> buffer(size);
    uint32_t produced = 7;
    EXPECT_NE(api_->encode(stream, chunk + 1, samples.data(), buffer.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(produced, 0u);
    EXPECT_NE(api_->encode(stream, chunk, nullptr, buffer.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_NE(api_->encode(stream, chunk, samples.data(), nullptr, &produced), BE_ERR_SUCCESSFUL);
    EXPECT_NE(api_->encode(stream, chunk, samples.data(), buffer.data(), nullptr), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(api_->encode(stream + 1, chunk, samples.data(), buffer.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(api_->encode(stream, chunk, samples.data(), buffer.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_NE(api_->deinit(stream, nullptr, &produced), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(api_->deinit(stream + 1, buffer.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(api_->deinit(stream, buffer.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_GT(produced, 0u);
    EXPECT_NE(api_->encode(stream, chunk, samples.data(), buffer.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_NE(api_->deinit(stream, buffer.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(api_->close(stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(api_->close(stream), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(api_->encode(stream, 2, samples.data(), buffer.data(), &produced), BE_ERR_INVALID_HANDLE);

    // Nothing refused above holds a slot: the whole table is still free.
    std::vector<uint32_t> streams(lameenc::kMaxStreams);
    for (auto& s : streams) ASSERT_EQ(api_->init(good.data(), &chunk, &size, &s), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(api_->init(good.data(), &chunk, &size, &stream), BE_ERR_NO_MORE_HANDLES);
    std::sort(streams.begin(), streams.end());
    EXPECT_EQ(std::adjacent_find(streams.begin(), streams.end()), streams.end());
    for (auto s : streams) EXPECT_EQ(api_->close(s), BE_ERR_SUCCESSFUL);
}

TEST_F(EncoderLibrary, ReportsTheLameVersion) {
    BeVersionInfo info;
    std::memset(&info, 0x7F, sizeof info);
    api_->version(&info);
    EXPECT_EQ(info.engineMajor, 3);
    EXPECT_GE(info.engineMinor, 99);
    EXPECT_LT(std::strlen(info.homepage), sizeof info.homepage);
    api_->version(nullptr);
}

}  // namespace
}  // namespace wl::test

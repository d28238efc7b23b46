// Locating the audio of a WAV file by its RIFF chunks.
#include <gtest/gtest.h>

#include "WavFiles.h"
#include "mp3/WavHeader.h"

using namespace wl;
using namespace wl::test;

namespace {

WavHeader parse(const std::string& bytes) {
    return readWavHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(WavHeader, TheCanonicalHeaderPutsTheAudioAtByte44) {
    WavHeader h = parse(canonicalWav(std::string(400, 'x')));
    EXPECT_TRUE(h.convertible());
    EXPECT_EQ(h.dataOffset, 44u);
    EXPECT_EQ(h.dataSize, 400u);
    EXPECT_EQ(h.channels(), 2);
    EXPECT_EQ(h.samplesPerSec(), 44100u);
    EXPECT_EQ(h.bitsPerSample(), 16);
}

TEST(WavHeader, ChunksBeforeAndAfterTheAudioAreSkipped) {
    // An odd-sized chunk is padded; the extensible format record is 40 bytes long.
    WavFormat ext;
    ext.tag = kWaveFormatExtensible;
    ext.extra = le16(22) + std::string(22, '\x01');
    const std::string before = chunk("LIST", "INFOISFT" + le32(3) + "abc") + chunk("junk", "x");
    WavHeader h = parse(riff(before + fmtChunk(ext) + chunk("fact", le32(100)) + chunk("data", std::string(8, 'd')) +
                             chunk("LIST", std::string(30, 'z'))));
    EXPECT_TRUE(h.convertible());
    EXPECT_EQ(h.dataOffset, 12 + 24u + 10u + 48u + 12u + 8u);
    EXPECT_EQ(h.dataSize, 8u);
    EXPECT_EQ(h.formatTag(), kWaveFormatExtensible);
    // Only the first 18 bytes of a longer format chunk are kept.
    EXPECT_EQ(h.formatRecord[16], 22);
}

TEST(WavHeader, BrokenFilesAreNotConvertible) {
    const std::string fmt = fmtChunk();
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"not RIFF", "RIFX" + le32(40) + "WAVE" + fmt + chunk("data", "abcd")},
        {"not WAVE", "RIFF" + le32(40) + "AVI " + fmt + chunk("data", "abcd")},
        {"a chunk before the audio runs past the end", riff(fmt + chunk("LIST", "ab", 5000) + chunk("data", "abcd"))},
        {"format chunk too short", riff(chunk("fmt ", std::string(14, '\x02')) + chunk("data", "abcd"))},
        {"format chunk cut off", riff(fmt).substr(0, 30)},
        {"no data chunk", riff(fmt)},
        {"no format chunk", riff(chunk("data", "abcd"))},
        {"compressed", canonicalWav("abcd", WavFormat{2, 2, 44100, 16, {}})},
        {"mono", canonicalWav("abcd", WavFormat{1, 1, 44100, 16, {}})},
    };
    for (auto& c : cases) EXPECT_FALSE(parse(c.bytes).convertible()) << c.what;
}

TEST(WavHeader, AWrongRiffSizeIsToleratedWhenTheChunksFitTheFile) {
    std::string bytes = canonicalWav("abcd");
    bytes.replace(4, 4, le32(0));
    EXPECT_TRUE(parse(bytes).convertible());
    // A truncated file keeps the format it had, so the refusal can name it.
    WavHeader h = parse(canonicalWav(std::string(100, 'a'), WavFormat{1, 2, 22050, 16, {}}).substr(0, 60));
    EXPECT_FALSE(h.convertible());
    EXPECT_EQ(h.samplesPerSec(), 22050u);
}

TEST(WavHeader, ALastDataChunkWhoseSizeDisagreesWithTheFileRunsToItsEnd) {
    const std::string fmt = fmtChunk(), audio(40, 'a');
    struct Case {
        const char* what;
        std::string bytes;
        uint64_t size;
    } cases[] = {
        {"size 0, as an interrupted recorder leaves it", riff(fmt + chunk("data", audio, 0)), 40},
        {"streamed size", riff(fmt + chunk("data", audio, 0xFFFFFFFF)), 40},
        {"size past the end of a file cut short", riff(fmt + chunk("data", audio, 1000)), 40},
        {"size short of the audio", riff(fmt + chunk("data", audio, 12)), 40},
        {"half a frame at the end is left out", riff(fmt + chunk("data", audio + "xy", 0)), 40},
        {"an odd true size reaching the end", riff(fmt + chunk("data", audio + "x")).substr(0, 44 + 41), 41},
        {"size 0 before another chunk: no audio", riff(fmt + chunk("data", "", 0) + chunk("LIST", audio)), 0},
        {"a short size before another chunk", riff(fmt + chunk("data", audio, 12).substr(0, 20) + chunk("id3 ", audio)),
         12},
    };
    for (auto& c : cases) {
        WavHeader h = parse(c.bytes);
        EXPECT_TRUE(h.convertible()) << c.what;
        EXPECT_EQ(h.dataOffset, 44u) << c.what;
        EXPECT_EQ(h.dataSize, c.size) << c.what;
    }
}

}  // namespace

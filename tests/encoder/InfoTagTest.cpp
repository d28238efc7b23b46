// The info tag helpers against a tag LAME itself wrote.
#include <gtest/gtest.h>
#include <lame/lame.h>

#include <vector>

#include "encoder/InfoTag.h"
#include "platform/Bytes.h"

namespace wl::lameenc {
namespace {

// LAME's final tag frame for a short CBR stream.
std::vector<uint8_t> lameTag(int kbps) {
    lame_global_flags* lame = lame_init();
    lame_set_num_channels(lame, 2);
    lame_set_in_samplerate(lame, 44100);
    lame_set_out_samplerate(lame, 44100);  // else LAME resamples low rates
    lame_set_brate(lame, kbps);
    lame_set_VBR(lame, vbr_off);
    lame_init_params(lame);
    std::vector<short> pcm(2 * 44100, 1000);
    std::vector<unsigned char> out(200000);
    lame_encode_buffer_interleaved(lame, pcm.data(), 44100, out.data(), int(out.size()));
    lame_encode_flush(lame, out.data(), int(out.size()));
    std::vector<uint8_t> tag(lame_get_lametag_frame(lame, nullptr, 0));
    lame_get_lametag_frame(lame, tag.data(), tag.size());
    lame_close(lame);
    return tag;
}

uint16_t storedCrc(const std::vector<uint8_t>& tag, const InfoTagLayout& layout) {
    return getBe16(&tag[layout.lameOffset + 34]);
}

TEST(InfoTag, ReadsLamesTagAndAgreesWithItsChecksum) {
    auto tag = lameTag(128);
    ASSERT_EQ(tag.size(), 417u);
    auto layout = parseInfoTag(tag.data(), tag.size());
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.xingOffset, 36u);
    EXPECT_EQ(layout.flags, 0x0Fu);
    EXPECT_EQ(tagEncoderDelay(tag.data(), layout), 576u);
    EXPECT_GE(tagPadding(tag.data(), layout), 1152u);
    EXPECT_EQ(tagCrc16(tag.data(), layout.lameOffset + 34), storedCrc(tag, layout));
}

TEST(InfoTag, TheOpenEndedTagKeepsTheDelayAndDropsWhatTheEndDecides) {
    for (int kbps : {64, 128, 320}) {
        auto tag = lameTag(kbps);
        auto open = makeOpenEndedTag(tag.data(), tag.size());
        ASSERT_EQ(open.size(), tag.size()) << kbps;
        EXPECT_TRUE(std::equal(tag.begin(), tag.begin() + 40, open.begin()));  // header, side info, "Info"
        auto layout = parseInfoTag(open.data(), open.size());
        ASSERT_TRUE(layout.valid);
        EXPECT_EQ(layout.flags, 0x08u);  // quality only: no frame count, byte count or seek table
        EXPECT_EQ(tagEncoderDelay(open.data(), layout), 576u);
        EXPECT_EQ(tagPadding(open.data(), layout), 0u);
        EXPECT_EQ(getBe32(&open[layout.lameOffset + 28]), 0u);  // music length
        EXPECT_EQ(tagCrc16(open.data(), layout.lameOffset + 34), storedCrc(open, layout));
    }
}

TEST(InfoTag, OurOwnCbrTagReadsBackLikeLames) {
    CbrTagFields f;
    f.headerByte3 = 0x44;  // joint stereo with a mode extension, which a tag frame must not carry
    f.audioFrames = 1234;
    f.streamBytes = 130000;
    f.bitrateKbps = 32;
    f.encoderDelay = 576;
    f.padding = 1500;
    auto tag = makeCbrTag(f);
    ASSERT_EQ(tag.size(), 208u);  // one 64 kbit/s frame at 44.1 kHz
    EXPECT_EQ(tag[3], 0x44 & 0xCF);
    auto layout = parseInfoTag(tag.data(), tag.size());
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.flags, 0x0Fu);
    EXPECT_EQ(getBe32(&tag[layout.xingOffset + 8]), 1234u);
    EXPECT_EQ(getBe32(&tag[layout.xingOffset + 12]), 130000u);
    EXPECT_EQ(tagEncoderDelay(tag.data(), layout), 576u);
    EXPECT_EQ(tagPadding(tag.data(), layout), 1500u);
    EXPECT_EQ(tagCrc16(tag.data(), layout.lameOffset + 34), storedCrc(tag, layout));
    EXPECT_EQ(makeOpenEndedTag(tag.data(), tag.size()).size(), 208u);
}

TEST(InfoTag, OtherFramesAreNotTags) {
    auto tag = lameTag(128);
    EXPECT_TRUE(makeOpenEndedTag(tag.data(), 100).empty());  // cut short
    auto audio = tag;
    std::fill(audio.begin() + 4, audio.end(), 0);  // LAME's empty placeholder
    EXPECT_FALSE(parseInfoTag(audio.data(), audio.size()).valid);
    EXPECT_TRUE(makeOpenEndedTag(audio.data(), audio.size()).empty());
    EXPECT_FALSE(parseInfoTag(nullptr, 0).valid);
    uint8_t garbage[400] = {0x12, 0x34};
    EXPECT_FALSE(parseInfoTag(garbage, sizeof garbage).valid);
}

}  // namespace
}  // namespace wl::lameenc

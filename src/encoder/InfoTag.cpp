#include "encoder/InfoTag.h"

#include <algorithm>
#include <cstring>

#include "platform/Bytes.h"

namespace wl::lameenc {

namespace {
constexpr uint32_t kFramesFlag = 1, kBytesFlag = 2, kTocFlag = 4, kQualityFlag = 8;
constexpr size_t kLameExtensionSize = 36;
// Offsets inside the LAME extension.
constexpr size_t kDelayPadding = 21, kMusicLength = 28, kMusicCrc = 32, kTagCrc = 34;

size_t sideInfoSize(const uint8_t* header) {
    bool mpeg1 = ((header[1] >> 3) & 3) == 3;
    bool mono = (header[3] >> 6) == 3;
    if (mpeg1) return mono ? 17 : 32;
    return mono ? 9 : 17;
}
}  // namespace

uint16_t tagCrc16(const uint8_t* data, size_t size, uint16_t crc) {
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

InfoTagLayout parseInfoTag(const uint8_t* frame, size_t size) {
    InfoTagLayout layout;
    if (!frame || size < 4 || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0) return layout;
    size_t xo = 4 + sideInfoSize(frame);
    if (size < xo + 8) return layout;
    if (std::memcmp(frame + xo, "Info", 4) != 0 && std::memcmp(frame + xo, "Xing", 4) != 0) return layout;
    uint32_t flags = getBe32(frame + xo + 4);
    size_t pos = xo + 8;
    if (flags & kFramesFlag) pos += 4;
    if (flags & kBytesFlag) pos += 4;
    if (flags & kTocFlag) pos += 100;
    if (flags & kQualityFlag) pos += 4;
    if (size < pos + kLameExtensionSize || std::memcmp(frame + pos, "LAME", 4) != 0) return layout;
    layout.valid = true;
    layout.xingOffset = xo;
    layout.flags = flags;
    layout.lameOffset = pos;
    return layout;
}

uint32_t tagEncoderDelay(const uint8_t* frame, const InfoTagLayout& layout) {
    const uint8_t* p = frame + layout.lameOffset + kDelayPadding;
    return (uint32_t(p[0]) << 4) | (p[1] >> 4);
}

uint32_t tagPadding(const uint8_t* frame, const InfoTagLayout& layout) {
    const uint8_t* p = frame + layout.lameOffset + kDelayPadding;
    return (uint32_t(p[1] & 0x0F) << 8) | p[2];
}

std::vector<uint8_t> makeOpenEndedTag(const uint8_t* frame, size_t size) {
    InfoTagLayout layout = parseInfoTag(frame, size);
    if (!layout.valid) return {};
    std::vector<uint8_t> tag(size, 0);
    size_t pos = layout.xingOffset + 4;
    std::copy(frame, frame + pos, tag.begin());
    putBe32(&tag[pos], layout.flags & kQualityFlag);
    pos += 4;
    if (layout.flags & kQualityFlag) {
        std::copy(frame + layout.lameOffset - 4, frame + layout.lameOffset, tag.begin() + long(pos));
        pos += 4;
    }
    uint8_t* ext = &tag[pos];
    std::copy(frame + layout.lameOffset, frame + layout.lameOffset + kLameExtensionSize, ext);
    ext[kDelayPadding + 1] &= 0xF0;
    ext[kDelayPadding + 2] = 0;
    putBe32(ext + kMusicLength, 0);
    putBe16(ext + kMusicCrc, 0);
    putBe16(ext + kTagCrc, tagCrc16(tag.data(), pos + kTagCrc));
    return tag;
}

std::vector<uint8_t> makeCbrTag(const CbrTagFields& f) {
    constexpr size_t kFrameSize = 208, kXing = 36;
    std::vector<uint8_t> tag(kFrameSize, 0);
    tag[0] = 0xFF;
    tag[1] = 0xFB;                  // MPEG-1 layer III, no CRC
    tag[2] = 0x50;                  // 64 kbit/s, 44.1 kHz, no padding
    tag[3] = f.headerByte3 & 0xCF;  // no mode extension: the frame holds no audio
    std::memcpy(&tag[kXing], "Info", 4);
    putBe32(&tag[kXing + 4], kFramesFlag | kBytesFlag | kTocFlag | kQualityFlag);
    putBe32(&tag[kXing + 8], f.audioFrames);
    putBe32(&tag[kXing + 12], f.streamBytes);
    for (size_t i = 0; i < 100; ++i) tag[kXing + 16 + i] = uint8_t(i * 256 / 100);  // constant bit rate
    putBe32(&tag[kXing + 116], f.quality);
    uint8_t* ext = &tag[kXing + 120];
    std::memcpy(ext, "LAME3.100", 9);
    ext[9] = 1;  // tag revision 0, constant bit rate
    ext[10] = uint8_t(std::min<uint32_t>(f.lowpassHz / 100, 255));
    ext[20] = uint8_t(std::min<uint32_t>(f.bitrateKbps, 255));
    uint32_t delay = std::min<uint32_t>(f.encoderDelay, 4095), padding = std::min<uint32_t>(f.padding, 4095);
    ext[kDelayPadding] = uint8_t(delay >> 4);
    ext[kDelayPadding + 1] = uint8_t((delay & 15) << 4 | padding >> 8);
    ext[kDelayPadding + 2] = uint8_t(padding);
    ext[24] = uint8_t((1 << 6) | ((f.stereoMode & 7) << 2));  // source 44.1 kHz, stereo mode
    putBe32(ext + kMusicLength, f.streamBytes);
    putBe16(ext + kTagCrc, tagCrc16(tag.data(), kXing + 120 + kTagCrc));
    return tag;
}

uint64_t streamHash(uint64_t hash, const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace wl::lameenc

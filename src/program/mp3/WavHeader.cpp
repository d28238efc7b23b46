#include "mp3/WavHeader.h"

#include <algorithm>
#include <cstring>
#include <sys/types.h>

#include "platform/Bytes.h"

namespace wl {

uint16_t WavHeader::formatTag() const { return getLe16(formatRecord); }
uint16_t WavHeader::channels() const { return getLe16(formatRecord + 2); }
uint32_t WavHeader::samplesPerSec() const { return getLe32(formatRecord + 4); }
uint16_t WavHeader::bitsPerSample() const { return getLe16(formatRecord + 14); }

bool WavHeader::isCdFormat() const {
    return channels() == 2 && bitsPerSample() == 16 && samplesPerSec() == 44100;
}

bool WavHeader::convertible() const {
    // Compressed formats with 16 bits per sample would be encoded as noise.
    const uint16_t tag = formatTag();
    return riff && hasFormat && hasData && !malformed && isCdFormat() &&
           (tag == kWaveFormatPcm || tag == kWaveFormatExtensible);
}

namespace {

// The four bytes of a stereo 16-bit frame; a data chunk read to the end of the file is cut
// to whole frames.
constexpr uint64_t kCdFrameBytes = 4;

// Whether another chunk starts at pos: a printable identifier and a size that fits the file.
// Audio after a data chunk whose size is short of it rarely looks like one.
bool chunkHeaderAt(uint64_t pos, uint64_t fileSize, const ReadAt& read) {
    uint8_t header[8];
    if (pos > fileSize || fileSize - pos < 8 || read(pos, header, 8) != 8) return false;
    for (int i = 0; i < 4; ++i)
        if (header[i] < 0x20 || header[i] > 0x7E) return false;
    return getLe32(header + 4) <= fileSize - pos - 8;
}

}  // namespace

WavHeader readWavHeader(uint64_t fileSize, const ReadAt& read) {
    WavHeader h;
    uint8_t head[12];
    if (fileSize < 12 || read(0, head, 12) != 12) return h;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return h;
    h.riff = true;

    // The RIFF size field is often wrong in files written by streaming recorders, so the
    // walk is bounded by the file itself.
    uint64_t pos = 12;
    while (!(h.hasFormat && h.hasData) && pos + 8 <= fileSize) {
        uint8_t chunk[8];
        if (read(pos, chunk, 8) != 8) {
            h.malformed = true;
            break;
        }
        const uint64_t size = getLe32(chunk + 4);
        const uint64_t body = pos + 8;
        const bool fits = size <= fileSize - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !h.hasFormat) {
            const size_t n = size_t(std::min<uint64_t>(size, kFormatRecordSize));
            std::memset(h.formatRecord, 0, sizeof h.formatRecord);
            if (read(body, h.formatRecord, n) != n || !fits) {
                h.malformed = true;
                break;
            }
            h.hasFormat = size >= 16;
            if (!h.hasFormat) h.malformed = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !h.hasData) {
            h.hasData = true;
            h.dataOffset = body;
            h.dataSize = size;
            const uint64_t rest = fileSize - body, end = size + (size & 1);
            if (!fits || (end != rest && !chunkHeaderAt(body + end, fileSize, read))) {
                // The last chunk, with the size an interrupted or streaming recorder left
                // there (0, 0xFFFFFFFF, or the count when it stopped counting): the audio
                // runs to the end of the file, in whole frames.
                const uint64_t wholeFrames = rest - rest % kCdFrameBytes;
                h.dataSize = fits ? std::max(size, wholeFrames) : wholeFrames;
                break;
            }
        }
        if (!fits) {
            // A chunk before the ones we need claims more bytes than the file holds.
            h.malformed = true;
            break;
        }
        pos = body + size + (size & 1);  // chunks are padded to an even length
    }
    return h;
}

WavHeader readWavHeader(const uint8_t* data, size_t size) {
    return readWavHeader(size, [data, size](uint64_t offset, uint8_t* dst, size_t n) -> size_t {
        if (offset >= size) return 0;
        const size_t count = size_t(std::min<uint64_t>(n, size - offset));
        std::memcpy(dst, data + offset, count);
        return count;
    });
}

WavHeader readWavHeader(std::FILE* file) {
    if (!file || fseeko(file, 0, SEEK_END) != 0) return WavHeader{};
    const off_t end = ftello(file);
    if (end < 0) return WavHeader{};
    return readWavHeader(uint64_t(end), [file](uint64_t offset, uint8_t* dst, size_t n) -> size_t {
        if (fseeko(file, off_t(offset), SEEK_SET) != 0) return 0;
        return std::fread(dst, 1, n, file);
    });
}

}  // namespace wl

#include "WavFile.h"

#include <cstring>

#include "platform/Bytes.h"

namespace wl::audio {

void writeWavHeader(uint8_t (&h)[kWavHeaderSize], const PcmFormat& format, uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    putLe32(h + 4, dataBytes + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe32(h + 16, 16);
    putLe16(h + 20, 1);
    putLe16(h + 22, format.channels);
    putLe32(h + 24, format.rate);
    putLe32(h + 28, format.bytesPerSecond());
    putLe16(h + 32, format.blockAlign());
    putLe16(h + 34, format.bits);
    std::memcpy(h + 36, "data", 4);
    putLe32(h + 40, dataBytes);
}

WavReader::~WavReader() {
    if (file_) std::fclose(file_);
}

bool WavReader::open(const std::string& path, std::string& error) {
    if (file_) std::fclose(file_);
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        error = "cannot open the file";
        return false;
    }
    std::fseek(file_, 0, SEEK_END);
    long size = std::ftell(file_);
    std::fseek(file_, 0, SEEK_SET);
    uint8_t riff[12];
    if (size < 12 || std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        error = "not a WAV file";
        return false;
    }
    bool haveFormat = false;
    long at = 12;
    while (at + 8 <= size) {
        uint8_t chunk[8];
        std::fseek(file_, at, SEEK_SET);
        if (std::fread(chunk, 1, 8, file_) != 8) break;
        uint32_t length = getLe32(chunk + 4);
        long body = at + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t f[16];
            if (length < 16 || std::fread(f, 1, 16, file_) != 16) break;
            if (getLe16(f) != 1) {
                error = "the WAV file is not plain PCM";
                return false;
            }
            format_.channels = getLe16(f + 2);
            format_.rate = getLe32(f + 4);
            format_.bits = getLe16(f + 14);
            if (!format_.supported()) {
                error = "the WAV file's format is not supported";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) break;
            dataStart_ = body;
            // A header that claims more than the file holds is cut to what is there.
            uint64_t available = uint64_t(size - body);
            dataBytes_ = length < available ? length : available;
            dataBytes_ -= dataBytes_ % format_.blockAlign();
            position_ = 0;
            std::fseek(file_, dataStart_, SEEK_SET);
            return true;
        }
        at = body + long(length) + long(length & 1);
    }
    error = "not a WAV file";
    return false;
}

size_t WavReader::read(uint8_t* out, size_t frames) {
    if (!file_) return 0;
    uint64_t left = (dataBytes_ - position_) / format_.blockAlign();
    if (frames > left) frames = size_t(left);
    size_t got = std::fread(out, format_.blockAlign(), frames, file_);
    position_ += uint64_t(got) * format_.blockAlign();
    return got;
}

void WavReader::rewind() {
    if (!file_) return;
    std::fseek(file_, dataStart_, SEEK_SET);
    position_ = 0;
}

}  // namespace wl::audio

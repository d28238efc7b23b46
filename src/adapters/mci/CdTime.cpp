#include "CdTime.h"

#include <algorithm>
#include <cstdio>

#include "platform/Bytes.h"

namespace wl::mci {

int Toc::trackAt(uint32_t block) const {
    for (int t = last; t > first; --t)
        if (block >= start(t)) return t;
    return first;
}

std::optional<Toc> parseToc(const uint8_t (&bytes)[kTocSize]) {
    Toc toc;
    toc.first = bytes[2];
    toc.last = bytes[3];
    if (toc.first < 1 || toc.last < toc.first || toc.last > 99) return std::nullopt;
    size_t count = size_t(toc.trackCount());
    for (size_t k = 0; k <= count; ++k) {
        const uint8_t* e = tocEntry(bytes, k);
        uint32_t block = getBe32(e + 4);
        if (k == count) {
            toc.leadOut = block;
        } else {
            toc.starts.push_back(block);
            toc.audio.push_back((e[1] & 0x04) == 0);
        }
    }
    for (size_t k = 0; k < count; ++k) {
        uint32_t next = k + 1 < count ? toc.starts[k + 1] : toc.leadOut;
        if (next <= toc.starts[k]) return std::nullopt;
    }
    return toc;
}

std::string msfText(uint32_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", frames / (60 * kFramesPerSecond),
                  frames / kFramesPerSecond % 60, frames % kFramesPerSecond);
    return text;
}

std::string positionText(const Toc& toc, uint32_t block, TimeFormat format) {
    switch (format) {
    case TimeFormat::Tmsf: {
        int t = toc.trackAt(block);
        uint32_t rel = block - std::min(block, toc.start(t));
        char text[40];
        std::snprintf(text, sizeof text, "%02d:%02u:%02u:%02u", t, rel / (60 * kFramesPerSecond),
                      rel / kFramesPerSecond % 60, rel % kFramesPerSecond);
        return text;
    }
    case TimeFormat::Msf: return msfText(block + kMsfOffset);
    case TimeFormat::Milliseconds: return std::to_string(uint64_t(block + kMsfOffset) * 1000 / kFramesPerSecond);
    }
    return {};
}

std::string lengthText(uint32_t frames, TimeFormat format) {
    if (format == TimeFormat::Milliseconds) return std::to_string(uint64_t(frames) * 1000 / kFramesPerSecond);
    return msfText(frames);
}

std::optional<uint32_t> parseDecimal(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + uint64_t(c - '0');
    }
    if (v > 0xFFFFFFFFu) return std::nullopt;
    return uint32_t(v);
}

namespace {
// Up to `most` colon-separated decimal fields; missing trailing fields are 0.
bool splitFields(const std::string& text, size_t most, uint32_t (&out)[4], size_t& count) {
    count = 0;
    size_t at = 0;
    for (;;) {
        size_t colon = text.find(':', at);
        std::string part = text.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        auto v = parseDecimal(part);
        if (!v || count == most) return false;
        out[count++] = *v;
        if (colon == std::string::npos) break;
        at = colon + 1;
    }
    for (size_t i = count; i < 4; ++i) out[i] = 0;
    return true;
}
}  // namespace

std::optional<uint32_t> parsePosition(const Toc& toc, const std::string& text, TimeFormat format) {
    uint32_t f[4];
    size_t n;
    uint64_t block;
    switch (format) {
    case TimeFormat::Tmsf:
        if (!splitFields(text, 4, f, n) || !toc.hasTrack(int(f[0])) || f[2] > 59 || f[3] >= kFramesPerSecond)
            return std::nullopt;
        block = uint64_t(toc.start(int(f[0]))) + uint64_t(f[1]) * 60 * kFramesPerSecond +
                uint64_t(f[2]) * kFramesPerSecond + f[3];
        break;
    case TimeFormat::Msf: {
        if (!splitFields(text, 3, f, n) || f[1] > 59 || f[2] >= kFramesPerSecond) return std::nullopt;
        uint64_t absolute = uint64_t(f[0]) * 60 * kFramesPerSecond + uint64_t(f[1]) * kFramesPerSecond + f[2];
        if (absolute < kMsfOffset) return std::nullopt;
        block = absolute - kMsfOffset;
        break;
    }
    case TimeFormat::Milliseconds: {
        auto ms = parseDecimal(text);
        if (!ms) return std::nullopt;
        uint64_t absolute = uint64_t(*ms) * kFramesPerSecond / 1000;
        if (absolute < kMsfOffset) return std::nullopt;
        block = absolute - kMsfOffset;
        break;
    }
    default: return std::nullopt;
    }
    if (block > toc.leadOut) return std::nullopt;
    return uint32_t(block);
}

}  // namespace wl::mci

#include "disc/PressedDisc.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "platform/Bytes.h"

namespace wl {

namespace {

constexpr uint32_t kProbeFrames = 26;

// True when the blocks [0, frames) are all zero; false at the first sound. unreadable is set
// when the library would not give them.
bool digitalSilence(App& app, uint32_t frames, bool& unreadable) {
    const size_t size = kReadBufHeaderSize + size_t(kProbeFrames) * kCdFrameBytes;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]());
    unreadable = buffer == nullptr;
    if (unreadable) return true;
    for (uint32_t at = 0; at < frames;) {
        const uint32_t n = std::min(kProbeFrames, frames - at);
        putLe32(buffer.get() + kReadBufStartFrame, at);
        putLe32(buffer.get() + kReadBufFrameCount, n);
        putLe32(buffer.get() + kReadBufCapacity, kProbeFrames * uint32_t(kCdFrameBytes));
        putLe32(buffer.get() + kReadBufLength, 0);
        putLe32(buffer.get() + kReadBufOffset, 0);
        if (app.p.cdrom.ReadCDAudioLBA(app.s.cdHandle, buffer.get(), size) != 1) {
            unreadable = true;
            return true;
        }
        const uint64_t got = getLe32(buffer.get() + kReadBufLength);
        const uint64_t from = getLe32(buffer.get() + kReadBufOffset);
        if (got != uint64_t(n) * kCdFrameBytes || from + got > uint64_t(kProbeFrames) * kCdFrameBytes) {
            unreadable = true;
            return true;
        }
        const uint8_t* audio = buffer.get() + kReadBufHeaderSize + from;
        if (std::any_of(audio, audio + got, [](uint8_t b) { return b != 0; })) return false;
        at += n;
    }
    return true;
}

}  // namespace

void ReadPressedDisc(App& app) {
    DiscRecord& d = app.s.disc;
    d.pressed = PressedLayout{};
    d.hiddenFrames = 0;
    d.hiddenUnreadable = false;
    if (app.p.cdLayout == nullptr || app.s.cdHandle == 0) return;
    d.pressed = app.p.cdLayout->readLayout(app.s.cdHandle);
    if (!d.pressed.known || d.pressed.tracks.empty()) return;
    const PressedTrack& first = d.pressed.tracks.front();
    if (first.number != 1 || !first.audio || first.startLsn <= 0) return;
    bool unreadable = false;
    if (!digitalSilence(app, uint32_t(first.startLsn), unreadable)) d.hiddenFrames = uint32_t(first.startLsn);
    d.hiddenUnreadable = unreadable;
}

const PressedTrack* PressedTrackOf(const DiscRecord& disc, int t) {
    for (const PressedTrack& track : disc.pressed.tracks)
        if (track.number == t) return &track;
    return nullptr;
}

std::string HiddenTrackLengthText(const DiscRecord& disc) {
    const uint32_t f = disc.hiddenFrames;
    char text[24];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", f / 4500, f / 75 % 60, f % 75);
    return text;
}

bool HasPressedDetails(const DiscRecord& disc) {
    if (!disc.pressed.known) return false;
    if (!disc.pressed.mcn.empty() || HasHiddenTrack(disc)) return true;
    for (const PressedTrack& t : disc.pressed.tracks)
        if (t.pregapLsn != t.startLsn || !t.isrc.empty() || t.preEmphasis || t.copyPermitted) return true;
    return false;
}

std::string BarcodeOf(const std::string& mcn) {
    // A UPC-A is an EAN-13 with a leading zero; the MCN field always holds 13 digits.
    if (mcn.size() != 13 || !std::all_of(mcn.begin(), mcn.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "";
    if (mcn.find_first_not_of('0') == std::string::npos) return "";
    int sum = 0;
    for (size_t i = 0; i < 12; ++i) sum += (mcn[i] - '0') * (i % 2 == 0 ? 1 : 3);
    if ((10 - sum % 10) % 10 != mcn[12] - '0') return "";
    return mcn[0] == '0' ? mcn.substr(1) : mcn;
}

}  // namespace wl

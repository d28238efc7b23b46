#include "CdAudioDevice.h"

#include "MciErrors.h"

namespace wl::mci {

namespace {
const char* boolText(bool v) { return v ? "true" : "false"; }
}

uint32_t CdAudioDevice::command(const std::string& verb, const Args& args, std::string& reply,
                                MciNotifySink* notify) {
    if (verb == "status") return status(args, reply);
    if (verb == "set") return set(args);
    if (verb == "seek") return seek(args);
    if (verb == "play") return play(args, notify);
    if (verb == "stop" || verb == "pause") {
        if (args.size()) return kUnrecognizedKeyword;
        player_.stop();
        return kOk;
    }
    return kUnsupportedFunction;
}

uint32_t CdAudioDevice::record(uint32_t, uint32_t, MciParams&) { return kUnsupportedFunction; }

uint32_t CdAudioDevice::status(const Args& a, std::string& reply) {
    if (a.size() == 0) return kMissingParameter;
    if (a.is(0, "ready")) return reply = boolText(player_.ready()), kOk;
    if (a.is(0, "media present")) return reply = boolText(player_.mediaPresent()), kOk;
    if (a.is(0, "mode")) {
        static const char* const names[] = {"playing", "stopped", "open", "not ready"};
        reply = names[int(player_.mode())];
        return kOk;
    }
    if (a.is(0, "time format")) {
        reply = format_ == TimeFormat::Tmsf ? "tmsf" : format_ == TimeFormat::Msf ? "msf" : "milliseconds";
        return kOk;
    }
    size_t next = 0;
    bool known = a.is(0, "number of tracks") || a.is(0, "start position") || a.is(0, "current track") ||
                 a.is(0, "length") || a.is(0, "position") || a.startsWith(0, "length track", next) ||
                 a.startsWith(0, "position track", next) || a.startsWith(0, "type track", next);
    if (!known) return kUnrecognizedKeyword;
    auto toc = player_.toc();
    if (!toc) return kDeviceNotReady;
    if (a.is(0, "number of tracks")) return reply = std::to_string(toc->trackCount()), kOk;
    if (a.is(0, "start position")) return reply = positionText(*toc, toc->start(toc->first), format_), kOk;
    if (a.is(0, "current track")) return reply = std::to_string(toc->trackAt(player_.position())), kOk;
    if (a.is(0, "position")) return reply = positionText(*toc, player_.position(), format_), kOk;
    if (a.is(0, "length")) return reply = lengthText(toc->leadOut - toc->start(toc->first), format_), kOk;
    if (next + 1 != a.size()) return next == a.size() ? kMissingParameter : kUnrecognizedKeyword;
    auto track = parseDecimal(a.words[next]);
    if (!track) return kBadInteger;
    if (*track > 99 || !toc->hasTrack(int(*track))) return kOutOfRange;
    int t = int(*track);
    if (a.startsWith(0, "length track", next)) {
        reply = lengthText(toc->end(t) - toc->start(t), format_);
    } else if (a.startsWith(0, "position track", next)) {
        reply = positionText(*toc, toc->start(t), format_);
    } else {
        reply = toc->audio[size_t(t - toc->first)] ? "audio" : "other";
    }
    return kOk;
}

uint32_t CdAudioDevice::set(const Args& a) {
    if (a.is(0, "door open")) return player_.openDoor();
    if (a.is(0, "door closed")) return player_.closeDoor();
    size_t next = 0;
    if (a.startsWith(0, "time format", next)) {
        if (next + 1 != a.size()) return next == a.size() ? kMissingParameter : kUnrecognizedKeyword;
        const std::string& f = a.lower[next];
        if (f == "tmsf") format_ = TimeFormat::Tmsf;
        else if (f == "msf") format_ = TimeFormat::Msf;
        else if (f == "milliseconds" || f == "ms") format_ = TimeFormat::Milliseconds;
        else return kBadTimeFormat;
        return kOk;
    }
    if (a.size() == 3 && a.lower[0] == "audio" &&
        (a.lower[1] == "all" || a.lower[1] == "left" || a.lower[1] == "right") &&
        (a.lower[2] == "on" || a.lower[2] == "off")) {
        // Channels cannot be muted one at a time in the digital play; "all" decides.
        if (a.lower[1] == "all") player_.setAudible(a.lower[2] == "on");
        return kOk;
    }
    return a.size() ? kUnrecognizedKeyword : kMissingParameter;
}

uint32_t CdAudioDevice::seek(const Args& a) {
    if (a.size() != 2 || a.lower[0] != "to") return a.size() < 2 ? kMissingParameter : kUnrecognizedKeyword;
    auto toc = player_.toc();
    if (!toc) return kDeviceNotReady;
    if (a.lower[1] == "start") return player_.seek(toc->start(toc->first));
    if (a.lower[1] == "end") return player_.seek(toc->leadOut);
    auto block = parsePosition(*toc, a.words[1], format_);
    if (!block) return kOutOfRange;
    return player_.seek(*block);
}

uint32_t CdAudioDevice::play(const Args& a, MciNotifySink* notify) {
    std::string fromText, toText;
    for (size_t i = 0; i < a.size(); i += 2) {
        if (i + 1 >= a.size()) return kMissingParameter;
        if (a.lower[i] == "from" && fromText.empty()) fromText = a.words[i + 1];
        else if (a.lower[i] == "to" && toText.empty()) toText = a.words[i + 1];
        else return kUnrecognizedKeyword;
    }
    auto toc = player_.toc();
    if (!toc) return kDeviceNotReady;
    uint32_t from = player_.position(), to = toc->leadOut;
    if (!fromText.empty()) {
        auto p = parsePosition(*toc, fromText, format_);
        if (!p) return kOutOfRange;
        from = *p;
    }
    if (!toText.empty()) {
        auto p = parsePosition(*toc, toText, format_);
        if (!p) return kOutOfRange;
        to = *p;
    }
    if (from >= toc->leadOut || to < from) return kOutOfRange;
    return player_.play(from, to, notify, id);
}

}  // namespace wl::mci

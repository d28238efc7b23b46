#include "verify/Ctdb.h"

#include <cstdio>
#include <cstdlib>

#include "disc/DiscIds.h"
#include "verify/AccurateRip.h"

namespace wl {

std::string CtdbTocText(const uint8_t (&toc)[kTocSize]) {
    DiscToc parsed;
    if (!ParseBlockToc(toc, parsed)) return {};
    std::string text;
    for (const TocTrack& t : parsed.tracks) text += (t.data ? "-" : "") + std::to_string(t.start) + ":";
    return text + std::to_string(parsed.leadOut);
}

std::string CtdbLookupUrl(std::string base, const std::string& tocText) {
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/lookup2.php?version=3&ctdb=1&fuzzy=1&toc=" + tocText;
}

CtdbSkips CtdbSkipsFor(bool firstAudioTrack, bool lastAudioTrack, uint64_t discSamples) {
    CtdbSkips skips;
    if (firstAudioTrack) skips.front = kCtdbEdgeSamples;
    // The remainder that does not fill a whole 10-sector stride goes with the last one.
    if (lastAudioTrack) skips.back = kCtdbEdgeSamples + discSamples % kCtdbEdgeSamples;
    return skips;
}

uint64_t CtdbDiscSamples(const uint8_t (&toc)[kTocSize]) {
    DiscToc parsed;
    if (!ParseBlockToc(toc, parsed)) return 0;
    int64_t first = -1, end = 0;
    for (size_t i = 0; i < parsed.tracks.size(); ++i) {
        if (parsed.tracks[i].data) continue;
        if (first < 0) first = parsed.tracks[i].start;
        end = i + 1 < parsed.tracks.size() ? parsed.tracks[i + 1].start : parsed.leadOut;
    }
    return first < 0 || end < first ? 0 : uint64_t(end - first) * kSamplesPerFrame;
}

namespace {

bool nameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == ':' || c == '.';
}

// The value of attribute `name` within one start tag (quotes of either kind), or nothing.
std::optional<std::string> attribute(const std::string& tag, const std::string& name) {
    size_t at = 0;
    while ((at = tag.find(name, at)) != std::string::npos) {
        const size_t after = at + name.size();
        const bool starts = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n' ||
                                       tag[at - 1] == '\r' || tag[at - 1] == ':');
        size_t p = after;
        while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t' || tag[p] == '\n' || tag[p] == '\r')) ++p;
        if (!starts || p >= tag.size() || tag[p] != '=') {
            at = after;
            continue;
        }
        ++p;
        while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t' || tag[p] == '\n' || tag[p] == '\r')) ++p;
        if (p >= tag.size() || (tag[p] != '"' && tag[p] != '\'')) return std::nullopt;
        const size_t close = tag.find(tag[p], p + 1);
        if (close == std::string::npos) return std::nullopt;
        return tag.substr(p + 1, close - p - 1);
    }
    return std::nullopt;
}

// The element's local name at tag (just after '<'): "ctdb" for both <ctdb> and <x:ctdb>.
std::string localName(const std::string& xml, size_t tag) {
    size_t end = tag;
    while (end < xml.size() && nameChar(xml[end])) ++end;
    std::string name = xml.substr(tag, end - tag);
    if (const size_t colon = name.rfind(':'); colon != std::string::npos) name.erase(0, colon + 1);
    return name;
}

}  // namespace

std::optional<std::vector<CtdbEntry>> ParseCtdbAnswer(const std::string& xml) {
    std::vector<CtdbEntry> entries;
    bool root = false;
    for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        const std::string name = localName(xml, at + 1);
        if (name == "ctdb") root = true;
        if (name != "entry") continue;
        const size_t close = xml.find('>', at);
        if (close == std::string::npos) return std::nullopt;  // a cut answer
        const std::string tag = xml.substr(at, close - at);
        CtdbEntry entry;
        const auto confidence = attribute(tag, "confidence");
        const auto crcs = attribute(tag, "trackcrcs");
        if (!confidence || !crcs) return std::nullopt;
        char* end = nullptr;
        const long c = std::strtol(confidence->c_str(), &end, 10);
        if (end == confidence->c_str() || *end != '\0' || c < 0 || c > 1000000000) return std::nullopt;
        entry.confidence = int(c);
        const char* p = crcs->c_str();
        while (*p != '\0') {
            while (*p == ' ') ++p;
            if (*p == '\0') break;
            const unsigned long v = std::strtoul(p, &end, 16);
            if (end == p || end - p > 8 || (*end != ' ' && *end != '\0')) return std::nullopt;
            entry.trackCrcs.push_back(uint32_t(v));
            p = end;
        }
        entries.push_back(std::move(entry));
    }
    if (!root) return std::nullopt;
    return entries;
}

CtdbVerdict CtdbVerdictFor(const std::vector<CtdbEntry>& entries, size_t audioIndex, uint32_t crc) {
    CtdbVerdict verdict;
    verdict.kind = CtdbVerdict::NotInDatabase;
    for (const CtdbEntry& e : entries) {
        if (audioIndex >= e.trackCrcs.size()) continue;  // an entry of another layout
        verdict.total += e.confidence;
        if (e.trackCrcs[audioIndex] == crc) {
            verdict.confidence += e.confidence;
            verdict.kind = CtdbVerdict::Accurate;
        } else if (verdict.kind == CtdbVerdict::NotInDatabase) {
            verdict.kind = CtdbVerdict::NotAccurate;
        }
    }
    return verdict;
}

std::string CtdbVerdictText(const CtdbVerdict& v) {
    switch (v.kind) {
    case CtdbVerdict::Accurate:
        return "accurately ripped (confidence " + std::to_string(v.confidence) + " of " + std::to_string(v.total) + ")";
    case CtdbVerdict::NotAccurate: return "not accurate";
    case CtdbVerdict::NotInDatabase: return "not in the database";
    case CtdbVerdict::Unverified: break;
    }
    return v.why.empty() ? std::string("not verified") : "not verified (" + v.why + ")";
}

}  // namespace wl

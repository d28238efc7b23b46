#include "cover/CoverArt.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "app/FileReplacement.h"
#include "app/ServiceSite.h"

namespace wl {

namespace {

uint32_t be32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
           uint32_t(uint8_t(b[at + 3]));
}
uint32_t be16(const std::string& b, size_t at) { return uint32_t(uint8_t(b[at])) << 8 | uint32_t(uint8_t(b[at + 1])); }

bool sniffPng(CoverPicture& p) {
    const std::string& b = p.bytes;
    if (b.size() < 33 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0) return false;
    p.mime = "image/png";
    p.width = be32(b, 16);
    p.height = be32(b, 20);
    const uint32_t bitDepth = uint8_t(b[24]), colour = uint8_t(b[25]);
    const uint32_t channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
    p.depth = bitDepth * channels;
    return true;
}

// The frame header (SOFn) gives the size; markers before it are skipped by their lengths.
bool sniffJpeg(CoverPicture& p) {
    const std::string& b = p.bytes;
    if (b.size() < 4 || uint8_t(b[0]) != 0xFF || uint8_t(b[1]) != 0xD8) return false;
    size_t at = 2;
    while (at + 4 <= b.size()) {
        if (uint8_t(b[at]) != 0xFF) return false;
        const uint8_t marker = uint8_t(b[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const uint32_t length = be16(b, at + 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 10 > b.size()) return false;
            p.mime = "image/jpeg";
            p.height = be16(b, at + 5);
            p.width = be16(b, at + 7);
            p.depth = uint32_t(uint8_t(b[at + 4])) * uint8_t(b[at + 9]);
            return true;
        }
        if (length < 2) return false;
        at += 2 + length;
    }
    return false;
}

std::string cachePath(const AppState& s, const std::string& releaseId) {
    return s.disc.coverCacheFolder.empty() ? std::string() : s.disc.coverCacheFolder + "/" + releaseId;
}

// A release ID names a file in the cache: nothing but its own characters.
bool plainId(const std::string& id) {
    if (id.empty() || id.size() > 64) return false;
    for (char c : id)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-')) return false;
    return true;
}

void useCover(DiscRecord& d, const std::string& releaseId, const CoverPicture& picture) {
    d.coverRelease = releaseId;
    d.coverMime = picture.mime;
    d.coverBytes = picture.bytes;
    d.waitingCoverRelease.clear();
    d.waitingCoverMime.clear();
    d.waitingCoverBytes.clear();
    if (d.onCover) d.onCover();
}

}  // namespace

bool SniffPicture(CoverPicture& picture) { return sniffJpeg(picture) || sniffPng(picture); }

void CoverArtConfigFromEnvironment(AppState& s) {
    ServiceSite site = ServiceSiteFromEnvironment("WAVELATHE_COVERART_URL", "https://coverartarchive.org", "coverart");
    s.disc.coverArtBase = std::move(site.baseUrl);
    s.disc.coverCacheFolder = std::move(site.cacheFolder);
}

std::string CoverArtUrl(const AppState& s, const std::string& releaseId) {
    return s.disc.coverArtBase + "/release/" + releaseId + "/front-500";
}

void FetchFrontCover(App& app) {
    AppState& s = app.s;
    DiscRecord& d = s.disc;
    if (s.lookupsOff || app.p.coverArt == nullptr || d.chosenRelease >= d.releases.size()) return;
    const std::string releaseId = d.releases[d.chosenRelease].id;
    if (!plainId(releaseId) || d.coverRelease == releaseId) return;
    const bool hadCover = !d.coverBytes.empty();
    d.dropCover();
    const std::string cached = cachePath(s, releaseId);
    if (!cached.empty() && isRegularFile(cached)) {
        std::ifstream in(cached, std::ios::binary);
        CoverPicture picture;
        picture.bytes.assign(std::istreambuf_iterator<char>(in), {});
        if (SniffPicture(picture)) return useCover(d, releaseId, picture);
    }
    if (hadCover && d.onCover) d.onCover();
    app.p.coverArt->fetch(CoverArtUrl(s, releaseId), [app = &app, releaseId](WebAnswer answer) {
        if (app->destroyed || answer.status != WebStatus::Ok) return;
        CoverPicture picture;
        picture.bytes = std::move(answer.bytes);
        if (!SniffPicture(picture)) return;
        AppState& s = app->s;
        DiscRecord& d = s.disc;
        // Kept even when another release is chosen by now: the next choice of it needs no fetch.
        if (const std::string path = cachePath(s, releaseId); !path.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(s.disc.coverCacheFolder, ec);
            FileReplacement out(path);
            if (out.open() && std::fwrite(picture.bytes.data(), 1, picture.bytes.size(), out.file()) == picture.bytes.size())
                out.commit();
        }
        if (d.chosenRelease >= d.releases.size() || d.releases[d.chosenRelease].id != releaseId) return;
        // Like names, a cover waits for the work under way to end: a batch's files share one.
        if (!ProgramIdle(*app)) {
            d.waitingCoverRelease = releaseId;
            d.waitingCoverMime = picture.mime;
            d.waitingCoverBytes = std::move(picture.bytes);
            return;
        }
        useCover(d, releaseId, picture);
    });
}

void UseWaitingCover(App& app) {
    DiscRecord& d = app.s.disc;
    if (d.waitingCoverRelease.empty() || !ProgramIdle(app)) return;
    CoverPicture picture;
    picture.mime = d.waitingCoverMime;
    picture.bytes = std::move(d.waitingCoverBytes);
    const std::string releaseId = d.waitingCoverRelease;
    if (d.chosenRelease < d.releases.size() && d.releases[d.chosenRelease].id == releaseId)
        useCover(d, releaseId, picture);
    d.waitingCoverRelease.clear();
    d.waitingCoverMime.clear();
    d.waitingCoverBytes.clear();
}

}  // namespace wl

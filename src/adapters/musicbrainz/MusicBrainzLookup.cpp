#include "adapters/musicbrainz/MusicBrainzLookup.h"

#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace wl {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr size_t kMaxTextBytes = 300;
constexpr long kDefaultRetrySeconds = 2;

// A name as the program can show and store it: control characters as spaces, at most
// kMaxTextBytes, never cut inside a UTF-8 character.
std::string cleanText(const json& value) {
    if (!value.is_string()) return {};
    std::string text = value.get<std::string>();
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    if (text.size() > kMaxTextBytes) {
        size_t n = kMaxTextBytes;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
        text.resize(n);
    }
    return text;
}

const json* member(const json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

std::string credit(const json& object) {
    const json* credits = member(object, "artist-credit");
    if (!credits || !credits->is_array()) return {};
    std::string name;
    for (const json& c : *credits) {
        if (const json* n = member(c, "name")) name += cleanText(*n);
        if (const json* j = member(c, "joinphrase")) name += cleanText(*j);
    }
    return cleanText(json(name));
}

std::string field(const json& object, const char* name) {
    const json* v = member(object, name);
    return v ? cleanText(*v) : std::string();
}

// The first credited artist's ID: the one taggers keep as the main artist.
std::string creditId(const json& object) {
    const json* credits = member(object, "artist-credit");
    if (!credits || !credits->is_array() || credits->empty()) return {};
    const json* artist = member((*credits)[0], "artist");
    return artist ? field(*artist, "id") : std::string();
}

std::string escapeUrl(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
}

// Whole or not at all: a new file beside the old, renamed over it.
void keep(const fs::path& path, const std::string& text) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    // Named per process: two programs looking the same disc up at once keep one answer whole.
    const fs::path temp = path.string() + "." + std::to_string(::getpid()) + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            fs::remove(temp, ec);
            return;
        }
    }
    fs::rename(temp, path, ec);
    if (ec) fs::remove(temp, ec);
}

}  // namespace

LookupAnswer parseMusicBrainz(const std::string& text, size_t discTracks, const std::string& discId) {
    LookupAnswer answer;
    const json root = json::parse(text, nullptr, false);
    const json* releases = root.is_discarded() ? nullptr : member(root, "releases");
    if (!releases || !releases->is_array()) {
        answer.status = WebStatus::NotExpected;
        return answer;
    }
    for (const json& r : *releases) {
        LookupRelease release;
        release.id = field(r, "id");
        release.title = field(r, "title");
        release.artist = credit(r);
        release.artistId = creditId(r);
        release.year = field(r, "date").substr(0, 4);
        release.country = field(r, "country");
        if (const json* labels = member(r, "label-info"); labels && labels->is_array() && !labels->empty())
            if (const json* label = member((*labels)[0], "label")) release.label = field(*label, "name");
        const json* media = member(r, "media");
        if (!media || !media->is_array() || release.title.empty()) continue;
        // The medium of this disc: the one listing its ID (two discs of a set may have the same
        // track count), else the first with its track count, else the first.
        const json* chosen = nullptr;
        int rank = 0, position = 0, index = 0;
        for (const json& m : *media) {
            ++index;
            const json* tracks = member(m, "tracks");
            if (!tracks || !tracks->is_array()) continue;
            int mine = 1;
            if (tracks->size() == discTracks) mine = 2;
            if (const json* discs = member(m, "discs"); discs && discs->is_array() && !discId.empty())
                for (const json& d : *discs)
                    if (field(d, "id") == discId) mine = 3;
            if (mine <= rank) continue;
            chosen = &m;
            rank = mine;
            const json* at = member(m, "position");
            position = at && at->is_number_integer() && *at > 0 && *at < 1000 ? at->get<int>() : index;
        }
        if (!chosen) continue;
        release.discNumber = position;
        release.discCount = int(std::min<size_t>(media->size(), 999));
        for (const json& t : *member(*chosen, "tracks")) {
            LookupTrack track;
            track.title = field(t, "title");
            track.artist = credit(t);
            const json* recording = member(t, "recording");
            if (track.title.empty() && recording) track.title = field(*recording, "title");
            if (track.artist.empty()) track.artist = release.artist;
            track.id = field(t, "id");
            if (recording) track.recordingId = field(*recording, "id");
            track.artistId = creditId(t);
            if (track.artistId.empty() && recording) track.artistId = creditId(*recording);
            if (track.artistId.empty()) track.artistId = release.artistId;
            release.tracks.push_back(std::move(track));
        }
        answer.releases.push_back(std::move(release));
    }
    // The first release with the disc's track count comes first.
    std::stable_partition(answer.releases.begin(), answer.releases.end(),
                          [discTracks](const LookupRelease& r) { return r.tracks.size() == discTracks; });
    if (answer.releases.empty()) {
        answer.status = releases->empty() ? WebStatus::NotFound : WebStatus::NotExpected;
        return answer;
    }
    answer.status = WebStatus::Ok;
    return answer;
}

MusicBrainzLookup::MusicBrainzLookup(WindowThread& window, MusicBrainzOptions options)
    : options_(std::move(options)), requests_(window) {
    // Its answers name the disc: they come from the service's own host, or not at all.
    options_.http.sameHostRedirects = true;
}

MusicBrainzLookup::~MusicBrainzLookup() = default;

HttpResult MusicBrainzLookup::paced(const std::string& url, const std::atomic<bool>& cancel) {
    // The service allows one request a second from a client.
    {
        std::unique_lock lock(paceMutex_);
        const auto due = lastRequest_ + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < due && !cancel) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        lastRequest_ = std::chrono::steady_clock::now();
    }
    return httpGet(url, options_.http, &cancel, "application/json");
}

LookupAnswer MusicBrainzLookup::run(const std::string& discId, const std::string& toc, bool refresh,
                                    const std::atomic<bool>& cancel) {
    LookupAnswer answer;
    const size_t discTracks = [&] {
        unsigned first = 0, last = 0;
        return std::sscanf(toc.c_str(), "%u %u", &first, &last) == 2 && last >= first ? size_t(last - first + 1) : 0;
    }();
    const fs::path kept = options_.cacheFolder.empty() ? fs::path() : fs::path(options_.cacheFolder) / (discId + ".json");
    if (!refresh && !kept.empty()) {
        LookupAnswer cached = parseMusicBrainz(readFile(kept), discTracks, discId);
        if (cached.status == WebStatus::Ok) return cached;
    }
    const std::string inc = "inc=recordings+artist-credits+labels&fmt=json";
    std::string tocQuery;
    for (char c : toc) tocQuery += c == ' ' ? '+' : c;
    const std::string urls[] = {
        options_.baseUrl + "/ws/2/discid/" + escapeUrl(discId) + "?" + inc,
        options_.baseUrl + "/ws/2/discid/-?toc=" + tocQuery + "&" + inc,
    };
    for (const std::string& url : urls) {
        HttpResult r = paced(url, cancel);
        if (r.status == 503 && !cancel) {
            // Once, after the time the service asks for.
            const long wait = std::clamp(r.retryAfter >= 0 ? r.retryAfter : kDefaultRetrySeconds, 0L,
                                         options_.maxRetryWaitSeconds);
            for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(wait);
                 std::chrono::steady_clock::now() < until && !cancel;)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            r = paced(url, cancel);
        }
        if (cancel) return answer;  // handed to no one
        WebAnswer web = webAnswerOf(std::move(r));
        if (web.status == WebStatus::NotFound && &url == &urls[0] && !toc.empty()) continue;  // unknown ID: try the layout
        if (web.status != WebStatus::Ok) {
            answer.status = web.status;
            answer.http = web.http;
            return answer;
        }
        answer = parseMusicBrainz(web.bytes, discTracks, discId);
        if (answer.status == WebStatus::Ok && !kept.empty()) keep(kept, web.bytes);
        return answer;
    }
    answer.status = WebStatus::NotFound;
    return answer;
}

void MusicBrainzLookup::lookup(const std::string& discId, const std::string& toc, bool refresh,
                               std::function<void(LookupAnswer)> done) {
    // `this` outlives the request: the destructor joins it.
    requests_.start<LookupAnswer>(
        [this, discId, toc, refresh](const std::atomic<bool>& cancel) { return run(discId, toc, refresh, cancel); },
        std::move(done));
}

void MusicBrainzLookup::stop() { requests_.stop(); }

}  // namespace wl

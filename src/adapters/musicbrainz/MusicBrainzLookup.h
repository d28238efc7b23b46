#pragma once
// DiscLookup over the MusicBrainz web service (version 2, JSON): a disc ID lookup, then a
// search by table of contents when the ID is unknown. At most one request a second, one
// retry on 503 after the time asked for, answers found kept per disc ID in the cache folder.
#include <atomic>
#include <chrono>
#include <mutex>

#include "adapters/net/BackgroundRequest.h"
#include "adapters/net/CurlFetch.h"
#include "platform/DiscLookup.h"
#include "platform/WindowThread.h"

namespace wl {

struct MusicBrainzOptions {
    std::string baseUrl = "https://musicbrainz.org";
    std::string cacheFolder;                           // empty: nothing kept
    CurlOptions http;
    long maxRetryWaitSeconds = 30;
};

// The answer's JSON as plain values; NotExpected when it is not what the service documents,
// NotFound when it lists no release. discTracks: how many tracks the disc has, to put the
// matching release first. Of a release with several media, this disc's is the one listing
// discId, else the first with discTracks tracks, else the first.
LookupAnswer parseMusicBrainz(const std::string& json, size_t discTracks, const std::string& discId = "");

class MusicBrainzLookup : public DiscLookup {
public:
    MusicBrainzLookup(WindowThread& window, MusicBrainzOptions options);
    ~MusicBrainzLookup() override;
    void lookup(const std::string& discId, const std::string& toc, bool refresh,
                std::function<void(LookupAnswer)> done) override;
    void stop() override;

    // The blocking lookup itself.
    LookupAnswer run(const std::string& discId, const std::string& toc, bool refresh, const std::atomic<bool>& cancel);

private:
    MusicBrainzOptions options_;
    std::mutex paceMutex_;
    std::chrono::steady_clock::time_point lastRequest_{};
    HttpResult paced(const std::string& url, const std::atomic<bool>& cancel);
    // Last: its requests use the members above, so it is joined before they go.
    BackgroundRequest requests_;
};

}  // namespace wl

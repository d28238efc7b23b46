#pragma once
// Port: a disc's names from an online database, looked up off the window's thread. What
// reaches the program is plain values, on the window's thread; it sees no HTTP and no JSON.
#include <functional>
#include <string>
#include <vector>

#include "platform/WebFetch.h"

namespace wl {

struct LookupTrack {
    std::string title, artist;
    std::string id, recordingId, artistId;  // the database's track (on this release), recording, first artist
};
struct LookupRelease {
    std::string id;  // the database's release ID
    std::string title, artist, year, country, label;
    std::string artistId;  // the first credited artist's ID
    std::vector<LookupTrack> tracks;  // of the medium holding this disc
    int discNumber = 0, discCount = 0;  // that medium's position, of the release's media (0: unknown)
};
struct LookupAnswer {
    // Ok: releases holds at least one; NotFound: the database does not know the disc;
    // NotExpected: an answer with no usable release or not in the service's format.
    WebStatus status = WebStatus::NetworkError;
    long http = 0;  // HttpError: the server's status code
    std::vector<LookupRelease> releases;
};

class DiscLookup {
public:
    virtual ~DiscLookup() = default;
    // discId: the MusicBrainz disc ID; toc: "first last leadout offset..." for a search by
    // layout when the ID is unknown. refresh: ask the service even when an answer is kept.
    // done runs later on the window's thread unless stop() came first; a new lookup
    // replaces the one under way.
    virtual void lookup(const std::string& discId, const std::string& toc, bool refresh,
                        std::function<void(LookupAnswer)> done) = 0;
    virtual void stop() = 0;
};

}  // namespace wl

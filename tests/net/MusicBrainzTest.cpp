// The MusicBrainz client against a local stand-in of the service: every bad answer ends with
// its status, never a crash or a hang; redirects leave neither the host nor https; found
// answers are kept.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "LocalMusicBrainz.h"
#include "adapters/musicbrainz/MusicBrainzLookup.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

MusicBrainzOptions optionsFor(const std::string& base, const fs::path& cache) {
    MusicBrainzOptions o;
    o.baseUrl = base;
    o.cacheFolder = cache.string();
    o.http.userAgent = "Wavelathe/test ( https://wavelathe.invalid/ )";
    o.http.timeoutSeconds = 3;
    return o;
}

class NoWindow : public WindowThread {
public:
    void sendCommand(int) override {}
    bool runOnWindowThread(std::function<void()> fn) override {
        fn();
        return true;
    }
    void postToWindowThread(std::function<void()>) override {}
};

TEST(MusicBrainz, EveryBadAnswerEndsWithItsStatusAndFoundOnesAreKept) {
    test::LocalService service;
    ASSERT_FALSE(service.url.empty()) << "the local service did not start";
    const std::string toc4 = "1 4 30000 150 7000 14000 21000";
    struct Case {
        const char* id;
        std::string toc;
        WebStatus status;
        long http;          // the code an HttpError carries
        const char* title;  // Ok: the first release's title
    } cases[] = {
        {"ok-1", toc4, WebStatus::Ok, 0, "Demo Album"},  // the release with the disc's 4 tracks first
        {"unknown", toc4, WebStatus::NotFound, 0, ""},
        {"unknown", "1 2 9000 150 4000", WebStatus::Ok, 0, "Found By Layout"},
        {"e500", toc4, WebStatus::HttpError, 500, ""},
        {"busy-then-ok", toc4, WebStatus::Ok, 0, "Demo Album"},
        {"busy", toc4, WebStatus::HttpError, 503, ""},
        {"loop", toc4, WebStatus::HttpError, 302, ""},
        {"moved", toc4, WebStatus::Ok, 0, "Demo Album"},  // on the same host: followed
        {"to-file", toc4, WebStatus::HttpError, 302, ""},
        {"to-other-port", toc4, WebStatus::HttpError, 302, ""},
        {"to-other-host", toc4, WebStatus::HttpError, 302, ""},
        {"html", toc4, WebStatus::NotExpected, 0, ""},
        {"missing", toc4, WebStatus::NotExpected, 0, ""},
        {"wrong-types", toc4, WebStatus::NotExpected, 0, ""},
        {"huge", toc4, WebStatus::TooLarge, 0, ""},
        {"silent", toc4, WebStatus::NetworkError, 0, ""},
        {"odd-names", toc4, WebStatus::Ok, 0, "A B C"},
    };
    NoWindow window;
    const fs::path cache = service.dir / "cache";
    MusicBrainzLookup lookup(window, optionsFor(service.url, cache));
    std::atomic<bool> cancel{false};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto began = std::chrono::steady_clock::now();
        const LookupAnswer a = lookup.run(c.id, c.toc, true, cancel);
        EXPECT_LT(std::chrono::steady_clock::now() - began, 10s);
        EXPECT_EQ(int(a.status), int(c.status)) << a.http;
        if (c.status == WebStatus::HttpError) {
            EXPECT_EQ(a.http, c.http);
        }
        if (c.status == WebStatus::Ok) {
            EXPECT_EQ(a.releases.at(0).title, c.title);
        }
        EXPECT_EQ(a.releases.empty(), c.status != WebStatus::Ok);
        for (const LookupRelease& r : a.releases)
            for (const std::string* s : {&r.title, &r.artist, &r.tracks.at(0).title, &r.tracks.at(1).title}) {
                EXPECT_LE(s->size(), 300u);
                EXPECT_EQ(s->find_first_of("\x01\x07\t"), std::string::npos) << *s;
            }
    }
    // The service names the client, and is asked at most once a second.
    EXPECT_NE(service.requests().find("Wavelathe/test ( https://wavelathe.invalid/ )"), std::string::npos);

    // No service at all: nothing listens on the port, the name resolves to no address, or the
    // address is one no network reaches (how that ends depends on the machine's routes).
    for (const char* base : {"http://127.0.0.1:9", "http://mb.wavelathe.invalid", "http://192.0.2.1"}) {
        MusicBrainzLookup none(window, optionsFor(base, service.dir / "none"));
        const LookupAnswer a = none.run("ok-2", toc4, false, cancel);
        EXPECT_EQ(int(a.status), int(WebStatus::NetworkError)) << base;
    }

    // A found answer is kept for the next time, without the network.
    EXPECT_TRUE(fs::exists(cache / "ok-1.json"));
    MusicBrainzLookup offline(window, optionsFor("http://127.0.0.1:9", cache));
    const LookupAnswer again = offline.run("ok-1", toc4, false, cancel);
    ASSERT_EQ(int(again.status), int(WebStatus::Ok));
    EXPECT_EQ(again.releases.at(0).title, "Demo Album");
    EXPECT_EQ(again.releases.at(0).tracks.size(), 4u);
}

}  // namespace
}  // namespace wl

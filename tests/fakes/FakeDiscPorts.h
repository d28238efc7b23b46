#pragma once
// CD-Text, tag writer, disc lookup and web fetch in memory. Like the real ones: CD-Text only
// for a handle the CD-ROM library has open on a disc, a tag that fails leaves the file as it
// was, and an answer is posted to the window's thread (served by the window's pump) unless
// stop() or a newer request came first.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeCdrom.h"
#include "platform/CdLayout.h"
#include "platform/CdText.h"
#include "platform/DiscLookup.h"
#include "platform/Tags.h"
#include "platform/WebFetch.h"
#include "platform/WindowThread.h"

namespace wl::test {

class FakeCdText : public CdTextReader {
public:
    explicit FakeCdText(FakeCdrom& cdrom) : cdrom_(cdrom) {}
    DiscText text;
    DiscText readCdText(CdHandle handle) override {
        return cdrom_.isOpen(handle) && !cdrom_.tracks.empty() ? text : DiscText{};
    }

    // A disc titled `album` by `artist` with these track titles.
    void set(const std::string& album, const std::string& artist, const std::vector<std::string>& titles) {
        text.tracks = {CdTextFields{album, artist, "", "", ""}};
        for (const auto& t : titles) text.tracks.push_back(CdTextFields{t, artist, "", "", ""});
    }

private:
    FakeCdrom& cdrom_;
};

// The disc as pressed, given only for a handle the CD-ROM library has open on a disc.
class FakeCdLayout : public CdLayoutReader {
public:
    explicit FakeCdLayout(FakeCdrom& cdrom) : cdrom_(cdrom) {}
    PressedLayout layout;
    PressedLayout readLayout(CdHandle handle) override {
        return cdrom_.isOpen(handle) && !cdrom_.tracks.empty() ? layout : PressedLayout{};
    }

private:
    FakeCdrom& cdrom_;
};

// Writes no tag; fails as the real writer does, with its reason, the file untouched.
class FakeTagWriter : public TagWriter {
public:
    std::string failWith;  // non-empty: every write fails with this reason
    bool writeTag(const std::string&, const Mp3Tag&, std::string& why) override {
        why = failWith;
        return failWith.empty();
    }
};

// The request under way, held until the test answers it.
template <class Answer>
class HeldRequest {
public:
    explicit HeldRequest(WindowThread& window) : window_(window) {}
    ~HeldRequest() { drop(); }
    bool waiting() const { return done_ != nullptr; }
    // Posts the held request's answer, as the worker does when the service answers.
    bool answer(Answer a) {
        if (!done_) return false;
        window_.postToWindowThread([live = live_, done = std::move(done_), a = std::move(a)]() mutable {
            if (*live) done(std::move(a));
        });
        done_ = nullptr;
        return true;
    }
    void hold(std::function<void(Answer)> done) {
        drop();
        live_ = std::make_shared<bool>(true);
        done_ = std::move(done);
    }
    // As stop(): nothing is handed over any more, posted or not.
    void drop() {
        *live_ = false;
        done_ = nullptr;
    }

private:
    WindowThread& window_;
    std::shared_ptr<bool> live_ = std::make_shared<bool>(false);
    std::function<void(Answer)> done_;
};

class FakeDiscLookup : public DiscLookup {
public:
    explicit FakeDiscLookup(WindowThread& window) : held(window) {}
    struct Asked {
        std::string discId, toc;
        bool refresh;
    };
    std::vector<Asked> asked;
    HeldRequest<LookupAnswer> held;
    void lookup(const std::string& discId, const std::string& toc, bool refresh,
                std::function<void(LookupAnswer)> done) override {
        asked.push_back({discId, toc, refresh});
        held.hold(std::move(done));
    }
    void stop() override { held.drop(); }

    // An answer with these releases, each of `tracks` tracks titled "<title> <n>".
    static LookupAnswer found(const std::vector<std::string>& titles, int tracks) {
        LookupAnswer a;
        a.status = WebStatus::Ok;
        for (const std::string& t : titles) {
            LookupRelease r;
            r.id = "rel-" + t;
            r.title = t;
            r.artist = t + " Artist";
            for (int n = 1; n <= tracks; ++n) r.tracks.push_back({t + " " + std::to_string(n), "", "", "", ""});
            a.releases.push_back(r);
        }
        return a;
    }
};

class FakeWebFetch : public WebFetch {
public:
    explicit FakeWebFetch(WindowThread& window) : held(window) {}
    std::vector<std::string> urls;
    HeldRequest<WebAnswer> held;
    void fetch(const std::string& url, std::function<void(WebAnswer)> done) override {
        urls.push_back(url);
        held.hold(std::move(done));
    }
    void stop() override { held.drop(); }
};

}  // namespace wl::test

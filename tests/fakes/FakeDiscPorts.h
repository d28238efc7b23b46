#pragma once
// CD-Text, disc ID and tag writer in memory. Like the real ones: CD-Text only for a handle
// the CD-ROM library has open, the disc ID computed by libdiscid's rules left to the real
// adapter (tests that need the exact ID wire it), and a tag that fails leaves the file as it was.
#include <mutex>
#include <string>
#include <vector>

#include "FakeCdrom.h"
#include "platform/CdText.h"
#include "platform/DiscId.h"
#include "platform/Tags.h"

namespace wl::test {

class FakeCdText : public CdTextReader {
public:
    explicit FakeCdText(FakeCdrom& cdrom) : cdrom_(cdrom) {}
    DiscText text;
    DiscText readCdText(CdHandle handle) override { return cdrom_.isOpen(handle) ? text : DiscText{}; }

    // A disc titled `album` by `artist` with these track titles.
    void set(const std::string& album, const std::string& artist, const std::vector<std::string>& titles) {
        text.tracks = {CdTextFields{album, artist, "", "", ""}};
        for (const auto& t : titles) text.tracks.push_back(CdTextFields{t, artist, "", "", ""});
    }

private:
    FakeCdrom& cdrom_;
};

// An ID that is a function of the table, so a changed table shows as a changed ID.
class FakeDiscId : public DiscIdCalculator {
public:
    std::vector<DiscIdInput> inputs;
    bool compute(const DiscIdInput& in, DiscIdResult& out) override {
        out = DiscIdResult{};
        if (in.firstTrack < 1 || in.lastTrack > 99 || in.firstTrack > in.lastTrack) return false;
        inputs.push_back(in);
        out.musicBrainzId = "fake-" + std::to_string(in.lastTrack) + "-" + std::to_string(in.leadOut);
        return true;
    }
};

class FakeTagWriter : public TagWriter {
public:
    std::string failWith;  // non-empty: every write fails with this reason
    std::vector<std::pair<std::string, Mp3Tag>> written;
    bool writeTag(const std::string& path, const Mp3Tag& tag, std::string& why) override {
        const std::lock_guard lock(mutex_);
        if (!failWith.empty()) {
            why = failWith;
            return false;
        }
        written.emplace_back(path, tag);
        return true;
    }

private:
    std::mutex mutex_;
};

}  // namespace wl::test

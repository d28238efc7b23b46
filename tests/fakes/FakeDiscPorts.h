#pragma once
// CD-Text and tag writer in memory. Like the real ones: CD-Text only for a handle the CD-ROM
// library has open on a disc, and a tag that fails leaves the file as it was.
#include <string>
#include <vector>

#include "FakeCdrom.h"
#include "platform/CdLayout.h"
#include "platform/CdText.h"
#include "platform/Tags.h"

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

}  // namespace wl::test

#include "dialogs/ReadOffsetDialog.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Display.h"
#include "platform/Bytes.h"
#include "resources/Templates.h"
#include "verify/AccurateRip.h"
#include "verify/OffsetDetect.h"
#include "verify/RipLog.h"

namespace wl {

namespace {

constexpr int ID_READ_OFFSET_EDIT = 136;
constexpr int ID_DETECT = 170, ID_DETECTED_TEXT = 171, ID_USE_DETECTED = 172, ID_USE_LISTED = 173;

std::string signedText(int v) { return (v > 0 ? "+" : "") + std::to_string(v); }

class ReadOffsetProc : public DialogProc {
public:
    explicit ReadOffsetProc(App& app) : app_(app) {}
    ~ReadOffsetProc() override { close(); }

    bool onInit(Dialog& dlg) override {
        dlg.setText(ID_READ_OFFSET_EDIT, std::to_string(app_.s.readOffset));
        dlg.enable(ID_USE_DETECTED, false);
        dlg.enable(ID_USE_LISTED, false);
        return true;
    }

    bool onCommand(Dialog& dlg, int id, int notifyCode) override {
        if (notifyCode != BN_CLICKED) return false;
        if (id == ID_DETECT) {
            detect(dlg);
            return true;
        }
        // Either proposal goes into the box only; OK is what sets it.
        if (id == ID_USE_DETECTED || id == ID_USE_LISTED) {
            const std::optional<int>& v = id == ID_USE_DETECTED ? detected_ : listed_;
            if (v) dlg.setText(ID_READ_OFFSET_EDIT, std::to_string(*v));
            return true;
        }
        if (id == IDCANCEL) {
            close();
            dlg.end(IDCANCEL);
            return true;
        }
        if (id != IDOK) return false;
        int value = 0;
        if (!parse(dlg.text(ID_READ_OFFSET_EDIT, 64), value)) {
            showMessage(app_, "The read offset is a whole number of samples from -5000 to 5000.", "Read Offset");
            dlg.setFocus(ID_READ_OFFSET_EDIT);
            return true;
        }
        if (value != app_.s.readOffset) {
            app_.s.readOffset = value;
            app_.s.settingsDirty = 1;
        }
        close();
        dlg.end(IDOK);
        return true;
    }

private:
    // The disc's AccurateRip records (kept from a rip, or fetched), then the drive offset list,
    // then the reads around frame 450; the answers arrive while the dialog runs.
    void detect(Dialog& dlg) {
        AppState& s = app_.s;
        if (s.cdHandle == 0) return say(dlg, "No disc to read.");
        app_.p.cdrom.ModifyCDParms(s.cdHandle, kCdParmAddressing, 0);
        if (app_.p.cdrom.ReadTOC(s.cdHandle, s.toc) != 1) return say(dlg, "The disc's table of contents cannot be read.");
        const DiscIds ids = DiscIdsOf(s.toc);
        if (ids.audioTracks == 0) return say(dlg, "The disc has no audio tracks.");
        if (!app_.p.accurateRip || s.lookupsOff) return say(dlg, "Detection needs AccurateRip, and online lookups are off.");
        dlg.enable(ID_DETECT, false);
        const std::string key = AccurateRipPath(ids.audioTracks, ids.arId1, ids.arId2, ids.freedb);
        std::string base = s.verify.databaseUrl;
        while (!base.empty() && base.back() == '/') base.pop_back();
        base_ = base;
        if (s.accurateRip.key == key && s.accurateRip.found) {
            records_ = ParseDbar(s.accurateRip.bytes, ids.audioTracks, ids.arId1, ids.arId2, ids.freedb);
            fetchList(dlg);
            return;
        }
        say(dlg, "Looking the disc up in AccurateRip...");
        fetching_ = true;
        app_.p.accurateRip->fetch(base + "/" + key, [this, alive = alive_, &dlg, ids](WebAnswer answer) {
            if (!*alive) return;
            if (answer.status == WebStatus::Ok) records_ = ParseDbar(answer.bytes, ids.audioTracks, ids.arId1, ids.arId2, ids.freedb);
            fetchList(dlg);
        });
    }

    void fetchList(Dialog& dlg) {
        say(dlg, "Reading the drive offset list...");
        fetching_ = true;
        app_.p.accurateRip->fetch(base_ + "/accuraterip/DriveOffsets.bin", [this, alive = alive_, &dlg](WebAnswer answer) {
            if (!*alive) return;
            fetching_ = false;
            const AppState& s = app_.s;
            const size_t index = s.ripDriveIndex == 99 ? 0 : size_t(s.ripDriveIndex);
            std::string drive;
            if (index < kMaxDrives) {
                const char* name = reinterpret_cast<const char*>(driveEntry(s.driveList, index) + kDriveNameOffset);
                drive.assign(name, strnlen(name, kDriveNameCapacity));
            }
            if (answer.status == WebStatus::Ok) listed_ = ListedDriveOffset(answer.bytes, drive);
            finish(dlg);
        });
    }

    void finish(Dialog& dlg) {
        std::string text;
        if (!records_) {
            text = "AccurateRip does not know this disc: nothing to detect with.";
        } else {
            std::vector<uint8_t> buffer;
            const RawSectorRead read = [&](uint32_t start, uint32_t count, std::vector<uint8_t>& out) {
                buffer.assign(kReadBufHeaderSize + size_t(count) * kCdFrameBytes, 0);
                putLe32(buffer.data() + kReadBufStartFrame, start);
                putLe32(buffer.data() + kReadBufFrameCount, count);
                putLe32(buffer.data() + kReadBufCapacity, uint32_t(count * kCdFrameBytes));
                if (app_.p.cdrom.ReadCDAudioLBA(app_.s.cdHandle, buffer.data(), buffer.size()) != 1) return false;
                const uint64_t offset = getLe32(buffer.data() + kReadBufOffset), length = getLe32(buffer.data() + kReadBufLength);
                if (length != uint64_t(count) * kCdFrameBytes || offset + length > uint64_t(count) * kCdFrameBytes) return false;
                const uint8_t* audio = buffer.data() + kReadBufHeaderSize + offset;
                out.assign(audio, audio + length);
                return true;
            };
            const OffsetProposal p = DetectReadOffset(app_.s.toc, *records_, read);
            detected_ = p.offset;
            text = p.offset ? "Detected: " + signedText(*p.offset) + " samples (tracks " + std::to_string(p.tracks[0]) +
                                  " and " + std::to_string(p.tracks[1]) + " agree)."
                            : "Detected: none (" + p.why + ").";
        }
        text += listed_ ? " Listed for this drive: " + signedText(*listed_) + " samples."
                        : " This drive is not in the drive offset list.";
        say(dlg, text);
        dlg.enable(ID_USE_DETECTED, detected_.has_value());
        dlg.enable(ID_USE_LISTED, listed_.has_value());
        dlg.enable(ID_DETECT, true);
    }

    void say(Dialog& dlg, const std::string& text) { dlg.setText(ID_DETECTED_TEXT, text); }

    // No answer reaches a dialog that has gone.
    void close() {
        *alive_ = false;
        if (fetching_ && app_.p.accurateRip) app_.p.accurateRip->stop();
        fetching_ = false;
    }

    static bool parse(const std::string& text, int& value) {
        size_t at = 0;
        while (at < text.size() && text[at] == ' ') ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
        const size_t digits = at;
        long v = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && v <= 5000)
            v = v * 10 + (text[at++] - '0');
        while (at < text.size() && text[at] == ' ') ++at;
        if (at == digits || at != text.size() || v > 5000) return false;
        value = int(negative ? -v : v);
        return true;
    }
    App& app_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool fetching_ = false;
    std::string base_;
    std::optional<std::vector<DbarRecord>> records_;
    std::optional<int> detected_, listed_;
};

}  // namespace

int ReadOffsetCommand(App& app) {
    ReadOffsetProc proc(app);
    return app.p.window.runDialog(ReadOffsetTemplate(), proc);
}

}  // namespace wl

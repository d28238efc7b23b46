#include "record/TrackBatch.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/Commands.h"
#include "app/Display.h"
#include "app/FileNames.h"
#include "disc/DiscSession.h"
#include "resources/Templates.h"

namespace wl {

namespace {

constexpr size_t kRenameChars = 254;

int trackCountFromReply(App& app) {
    mciSend(app, "status cd number of tracks", true);
    return std::atoi(app.s.mciReply.c_str());
}

// trackNames has slots 1..99; a reply past that must not lead the searches out of it.
int searchableSlots(const AppState& s) { return std::clamp<int>(s.trackCount, 0, int(kMaxTracks)); }

// The first slot, from track 1 up, whose name equals text; 0 when none does.
int slotNamed(const AppState& s, const std::string& text) {
    for (int t = 1; t <= searchableSlots(s); ++t)
        if (s.trackNames[size_t(t)] == text) return t;
    return 0;
}

// A name is cut to what its slot holds, at a character boundary, so the list entry and the
// slot stay equal and the entry still maps to its track when the batch is saved.
std::string fitTrackName(std::string text) { return CutAtCharacter(std::move(text), kTrackNameChars); }

class TracksProc : public DialogProc {
public:
    explicit TracksProc(App& app) : app_(app), s_(app.s) {}

    bool onInit(Dialog& dlg) override {
        dlg.listSetHorizontalExtent(kChosenTracksList, 250);
        s_.trackCount = s_.ripMode ? s_.ripTrackCount : trackCountFromReply(app_);
        for (int t = 1; t <= searchableSlots(s_); ++t) dlg.listAdd(kAvailableTracksList, "Track" + std::to_string(t));
        Window& win = app_.p.window;
        for (int i = 0; i < s_.batchCount; ++i)
            dlg.listAdd(kChosenTracksList, win.listText(ID_SELECTION_LIST_BOX, i));
        return true;
    }

    bool onCommand(Dialog& dlg, int id, int code) override {
        if (id == kAvailableTracksList && code == LBN_DBLCLK) return addTrack(dlg);
        if (id == kChosenTracksList && code == LBN_SELCHANGE) return selectEntry(dlg);
        if (id == kChosenTracksList && code == LBN_DBLCLK) return removeEntry(dlg);
        if (code != BN_CLICKED) return false;
        switch (id) {
            case kClearButton:
                dlg.listClear(kChosenTracksList);
                s_.batchCount = 0;
                return true;
            case IDOK: return save(dlg);
            case IDCANCEL:
                s_.batchCount = 0;
                dlg.end(1);
                return true;
            default: return false;
        }
    }

    // Enter commits a rename and keeps the dialog open.
    bool onEnterKey(Dialog& dlg) override {
        std::string text = fitTrackName(dlg.text(kRenameEdit, kRenameChars));
        if (text.empty()) return true;
        const int at = s_.tracksSelectedIndex;
        if (at < 0 || at >= dlg.listCount(kChosenTracksList)) return true;  // nothing to rename
        listReplaceAt(dlg, kChosenTracksList, at, text);
        dlg.setText(kRenameEdit, text);
        if (s_.tracksRenameSlot >= 1 && s_.tracksRenameSlot <= int(kMaxTracks))
            s_.trackNames[size_t(s_.tracksRenameSlot)] = text;
        return true;
    }

private:
    App& app_;
    AppState& s_;

    bool addTrack(Dialog& dlg) {
        const int at = dlg.listCurSel(kAvailableTracksList);
        if (at < 0) return true;
        // selectionTracks holds 100 entries: a longer list could not be saved whole.
        if (size_t(dlg.listCount(kChosenTracksList)) >= kMaxBatchEntries) return true;
        const std::string label = dlg.listText(kAvailableTracksList, at);
        const int track = parseTrackNumber(label);
        // A track with a name enters the batch under its file name, the others under their label.
        std::string entry = TrackFileNameOf(app_, track, kTrackNameChars);
        if (entry.empty()) entry = label;
        // Enter right after an add renames the entry just added (its slot is renameSlot).
        s_.tracksSelectedIndex = dlg.listAdd(kChosenTracksList, entry);
        s_.tracksRenameSlot = track;
        if (s_.tracksRenameSlot >= 1 && s_.tracksRenameSlot <= int(kMaxTracks))
            s_.trackNames[size_t(s_.tracksRenameSlot)] = entry;
        return true;
    }

    bool selectEntry(Dialog& dlg) {
        const int at = dlg.listCurSel(kChosenTracksList);
        if (at < 0) return true;
        s_.tracksSelectedIndex = at;
        const std::string text = dlg.listText(kChosenTracksList, at);
        dlg.setText(kRenameEdit, text);
        if (int slot = slotNamed(s_, text)) s_.tracksRenameSlot = slot;
        dlg.setFocus(kRenameEdit);
        return true;
    }

    bool removeEntry(Dialog& dlg) {
        const int at = dlg.listCurSel(kChosenTracksList);
        if (at < 0) return true;
        const std::string text = dlg.listText(kChosenTracksList, at);
        // The entry is gone: Enter renames nothing until another entry is selected.
        s_.tracksSelectedIndex = -1;
        dlg.listDelete(kChosenTracksList, at);
        dlg.setText(kRenameEdit, "");
        if (int slot = slotNamed(s_, text)) s_.trackNames[size_t(slot)].clear();
        return true;
    }

    bool save(Dialog& dlg) {
        Window& win = app_.p.window;
        const int count = std::min<int>(dlg.listCount(kChosenTracksList), int(kMaxBatchEntries));
        win.listClear(ID_SELECTION_LIST_BOX);
        if (s_.ripMode) s_.trackCount = s_.ripTrackCount;
        for (int i = 0; i < count; ++i) {
            const std::string text = dlg.listText(kChosenTracksList, i);
            win.listAdd(ID_SELECTION_LIST_BOX, text);
            if (int slot = slotNamed(s_, text)) s_.selectionTracks[size_t(i)] = slot;
        }
        s_.batchCount = count;
        s_.batchIndex = 0;
        dlg.end(1);
        return true;
    }
};

}  // namespace

int parseTrackNumber(const std::string& label) {
    std::string digits;
    if (label.size() == 6) digits = label.substr(5, 1);
    else if (label.size() == 7) digits = label.substr(5, 2);
    return std::atoi(digits.c_str());
}

void TracksToRecordCommand(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    TracksProc proc(app);
    win.runDialog(TracksTemplate(), proc);

    s.trackCount = trackCountFromReply(app);
    if (app.p.cdrom.ReadTOC(s.cdHandle, s.toc) == 1) s.trackCount = s.toc[3];
    if (s.batchCount == 0) {
        win.setControlText(ID_SONG_NAME_EDIT, "untitled");
        s.currentTrack = 1;
        s.currentTrackText = "1";
        invalidateTrackNumber(app);
        return;
    }
    const int first = s.selectionTracks[size_t(std::clamp(s.batchIndex, 0, int(kMaxBatchEntries) - 1))];
    const int n = std::clamp(first, 1, int(kMaxTracks));
    s.currentTrack = n;
    s.currentTrackText = std::to_string(n);
    win.setControlText(ID_SONG_NAME_EDIT, s.savePath.str() + s.trackNames[size_t(n)].str() + ".wav");
    invalidateTrackNumber(app);
    mciSend(app, "status cd length track " + s.currentTrackText.str(), true);
    s.trackTimeText = s.mciReply.view();
    invalidateTrackTime(app);
}

}  // namespace wl

// The WAV and MP3 Recording Parameters dialogs driven through the fake window.
#include <gtest/gtest.h>

#include "FakeDialogHost.h"
#include "cd_fixture.h"

using namespace wl;
using namespace wl::test;

namespace {

struct Format {
    int bits, rate, channels;
    bool operator==(const Format&) const = default;
};
void PrintTo(const Format& f, std::ostream* os) { *os << f.bits << "/" << f.rate << "/" << f.channels; }

class ParamDialogs : public ::testing::Test {
protected:
    CdScenario t;
    void SetUp() override {
        t.start(RecordFromCd);
        t.win.dialogsRun.clear();
        t.s.settingsDirty = 0;
    }
    void setFormat(Format f) {
        t.s.bitsPerSample = uint16_t(f.bits);
        t.s.samplesPerSec = f.rate;
        t.s.channels = uint16_t(f.channels);
    }
    Format format() const { return {t.s.bitsPerSample, t.s.samplesPerSec, t.s.channels}; }
    void setMode(int rip, int cd, int lineIn) {
        t.s.ripMode = rip;
        t.s.cdMode = cd;
        t.s.lineInMode = lineIn;
    }
};

TEST_F(ParamDialogs, OpeningForcesTheMp3FormatInTheRipModeOrWithConversionAndCancelKeepsIt) {
    struct Case {
        const char* name;
        int ripMode, convertToMp3;
        Format before;
        std::vector<int> checkedAtOpening;
        Format afterCancel;
    } cases[] = {
        {"rip mode", 1, 0, {8, 11025, 1}, {206, 209, 211}, {16, 44100, 2}},
        {"conversion on", 0, 1, {8, 22050, 1}, {206, 209, 211, 212}, {16, 44100, 2}},
        {"neither", 0, 0, {8, 22050, 1}, {205, 208, 210}, {8, 22050, 1}},
        {"a rate no button shows", 0, 0, {16, 48000, 2}, {206, 211}, {16, 48000, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setMode(c.ripMode, c.ripMode ? 0 : 1, 0);
        t.s.convertToMp3 = c.convertToMp3;
        setFormat(c.before);
        t.s.wavParamsAccepted = 1;
        std::vector<int> shown;
        scriptDialog(t.win, [&](FakeDialog& d) {
            shown = d.checkedIds();
            d.click(205);  // written at once, undone by Cancel
            d.click(207);
            d.pressEscape();
        });
        t.win.sendCommand(ID_WAV_PARAMETERS);
        EXPECT_EQ(shown, c.checkedAtOpening);
        EXPECT_EQ(format(), c.afterCancel);
        EXPECT_EQ(t.s.wavParamsAccepted, 0);
        EXPECT_EQ(t.s.convertToMp3, c.convertToMp3);
        EXPECT_EQ(t.s.settingsDirty, 0);
        EXPECT_EQ(t.win.dialogsRun, std::vector<std::string>{"RecParWav"});  // no MP3 dialog after Cancel
        EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
        t.win.dialogsRun.clear();
    }
}

// Every click writes its value at once and the buttons always show the format; checking the
// box forces the MP3 format, and later choices stand.
TEST_F(ParamDialogs, ClicksWriteAtOnceAndCheckingConvertForcesTheMp3Format) {
    auto buttonsFor = [](Format f, bool box) {
        std::vector<int> ids{f.bits == 8 ? 205 : 206, f.rate == 11025 ? 207 : f.rate == 22050 ? 208 : 209,
                             f.channels == 1 ? 210 : 211};
        if (box) ids.push_back(212);
        return ids;
    };
    struct Click {
        int id;
        Format after;
    };
    struct Case {
        const char* name;
        Format before;
        std::vector<Click> clicks;
        int convertToMp3;
    } cases[] = {
        {"checked, then mono", {16, 44100, 2},
         {{205, {8, 44100, 2}}, {207, {8, 11025, 2}}, {212, {16, 44100, 2}}, {210, {16, 44100, 1}}}, 1},
        {"checked and unchecked", {8, 22050, 1},
         {{212, {16, 44100, 2}}, {212, {16, 44100, 2}}, {208, {16, 22050, 2}}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t.s.convertToMp3 = 0;
        t.s.settingsDirty = 0;
        setFormat(c.before);
        scriptDialog(t.win, [&](FakeDialog& d) {
            for (const Click& k : c.clicks) {
                SCOPED_TRACE(::testing::Message() << "click " << k.id);
                d.click(k.id);
                EXPECT_EQ(format(), k.after);
                EXPECT_EQ(d.checkedIds(), buttonsFor(k.after, d.at(212).checked));
            }
            d.click(IDOK);
        });
        scriptDialog(t.win, [](FakeDialog& d) { d.click(IDOK); });
        t.win.sendCommand(ID_WAV_PARAMETERS);
        EXPECT_EQ(format(), c.clicks.back().after);
        EXPECT_EQ(t.s.convertToMp3, c.convertToMp3);
        EXPECT_EQ(t.s.settingsDirty, 1);
        t.win.dialogScript.clear();
    }
}

// OK follows with the MP3 dialog when conversion is checked; its Cancel then restores only
// the bit rate, not the format the check forced.
TEST_F(ParamDialogs, OkFollowsWithTheMp3DialogAndSetsItem122ByConversion) {
    struct Case {
        const char* name;
        int rip, cd, lineIn;
        bool checkBox;
        std::vector<std::string> dialogs;
        bool item122;
        Format after;
    } cases[] = {
        {"line in, unchecked", 0, 0, 1, false, {"RecParWav"}, false, {8, 11025, 1}},
        {"line in, checked", 0, 0, 1, true, {"RecParWav", "RecParMP3"}, true, {16, 44100, 2}},
        {"CD, unchecked", 0, 1, 0, false, {"RecParWav"}, false, {8, 11025, 1}},
        {"rip, checked", 1, 0, 0, true, {"RecParWav", "RecParMP3"}, true, {16, 44100, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setMode(c.rip, c.cd, c.lineIn);
        setFormat({8, 11025, 1});
        t.s.convertToMp3 = 0;
        t.s.mp3Kbps = 64;
        t.s.settingsDirty = 0;
        t.win.enableMenuItem(ID_MP3_PARAMETERS, !c.item122);
        t.win.dialogsRun.clear();
        scriptDialog(t.win, [&](FakeDialog& d) {
            if (c.checkBox) d.click(212);
            d.click(IDOK);
        });
        std::vector<int> mp3Shown;
        scriptDialog(t.win, [&](FakeDialog& d) {
            mp3Shown = d.checkedIds();
            d.click(216);
            d.pressEscape();
        });
        t.win.sendCommand(ID_WAV_PARAMETERS);
        EXPECT_EQ(t.win.dialogsRun, c.dialogs);
        EXPECT_EQ(t.win.isMenuItemEnabled(ID_MP3_PARAMETERS), c.item122);
        EXPECT_EQ(t.s.wavParamsAccepted, 1);
        EXPECT_EQ(t.s.settingsDirty, 1);
        EXPECT_EQ(t.s.convertToMp3, c.checkBox);
        EXPECT_EQ(format(), c.after);
        EXPECT_EQ(t.s.mp3Kbps, 64);
        EXPECT_EQ(mp3Shown, (c.checkBox ? std::vector<int>{214, 217} : std::vector<int>{}));
        t.win.dialogScript.clear();
    }
}

TEST_F(ParamDialogs, Mp3DialogKeepsOrStoresItsFields) {
    struct Case {
        const char* name;
        int kbpsBefore, keepWavBefore;
        std::vector<int> clicks;
        bool ok;
        int kbps, keepWav, dirty;
        std::vector<int> checkedAtOpening;
    } cases[] = {
        {"Best then Cancel", 128, 1, {216}, false, 128, 1, 0, {215, 217}},
        {"Save WAV unchecked then Cancel", 32, 1, {217}, false, 32, 1, 0, {213, 217}},
        {"Save WAV unchecked then OK", 320, 1, {217, 214}, true, 64, 0, 1, {216, 217}},
        {"a rate no button shows", 96, 0, {}, true, 96, 0, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t.s.mp3Kbps = uint16_t(c.kbpsBefore);
        t.s.keepWav = c.keepWavBefore;
        t.s.settingsDirty = 0;
        t.win.focusId = 0;
        std::vector<int> shown;
        scriptDialog(t.win, [&](FakeDialog& d) {
            shown = d.checkedIds();
            for (int id : c.clicks) d.click(id);
            d.click(c.ok ? IDOK : IDCANCEL);
        });
        t.win.sendCommand(ID_MP3_PARAMETERS);
        EXPECT_EQ(shown, c.checkedAtOpening);
        EXPECT_EQ(t.s.mp3Kbps, c.kbps);
        EXPECT_EQ(t.s.keepWav, c.keepWav);
        EXPECT_EQ(t.s.settingsDirty, c.dirty);
        EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
    }
}

}  // namespace

// Settings > Output Format...: the choice and its figures, refused figures told and kept open,
// Cancel changing nothing.
TEST_F(ParamDialogs, TheOutputFormatDialogTakesAFormatAndItsFigures) {
    struct Case {
        const char* name;
        int radio;
        std::string level, kbps;
        bool ok;
        int format, flacLevel, opusKbps;
        std::string box;
    } cases[] = {
        {"FLAC level 8", 161, "8", "160", true, 1, 8, 160, ""},
        {"Opus 96", 162, "5", " 96 ", true, 2, 5, 96, ""},
        {"a level beyond 8", 161, "9", "160", true, 0, 5, 160, "The FLAC level is a whole number from 0 to 8."},
        {"a rate below 64", 162, "5", "32", true, 0, 5, 160,
         "The Opus bit rate is a whole number of kbit/s from 64 to 256."},
        {"Cancel", 162, "1", "100", false, 0, 5, 160, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t.s.outputFormat = 0;
        t.s.flacLevel = 5;
        t.s.opusKbps = 160;
        t.s.settingsDirty = 0;
        t.win.boxes.clear();
        std::vector<int> shown;
        std::string shownLevel;
        scriptDialog(t.win, [&](FakeDialog& d) {
            shown = d.checkedIds();
            shownLevel = d.text(163, 64);
            d.click(c.radio);
            d.setText(163, c.level);
            d.setText(164, c.kbps);
            d.click(c.ok ? IDOK : IDCANCEL);
            if (d.ended) return;
            d.click(IDCANCEL);
        });
        t.win.sendCommand(ID_OUTPUT_FORMAT);
        EXPECT_EQ(shown, std::vector<int>{160});
        EXPECT_EQ(shownLevel, "5");
        EXPECT_EQ(t.s.outputFormat, c.format);
        EXPECT_EQ(t.s.flacLevel, c.flacLevel);
        EXPECT_EQ(t.s.opusKbps, c.opusKbps);
        EXPECT_EQ(t.s.settingsDirty, c.format != 0 ? 1 : 0);
        EXPECT_EQ(t.win.boxes.empty() ? std::string() : t.win.boxes.back().text, c.box);
        // The WAV dialog's box names the format conversions write; MP3 keeps its text.
        std::string box;
        scriptDialog(t.win, [&](FakeDialog& d) {
            box = d.text(212, 64);
            d.pressEscape();
        });
        t.win.sendCommand(ID_WAV_PARAMETERS);
        EXPECT_EQ(box, c.format == 1 ? "Convert to FLAC file?" : c.format == 2 ? "Convert to Opus file?" : "Convert to MP3 file?");
    }
}

// What the paint handler and the immediate-draw routines put where.
#include <gtest/gtest.h>

#include "TestProgram.h"
#include "app/Commands.h"
#include "app/Display.h"

using namespace wl;
using namespace wl::test;

namespace {

class Display : public ::testing::Test {
protected:
    TempWorkingDir dir;
    TestProgram prog{dir.path()};
    void SetUp() override { ASSERT_EQ(prog.start(), 0); }
    size_t indexOf(const std::string& t) {
        for (size_t i = prog.window.drawn.size(); i-- > 0;)
            if (prog.window.drawn[i].kind == DrawOp::Text && prog.window.drawn[i].text == t) return i;
        return 0;
    }
    const DrawOp& lastText(const std::string& t) {
        size_t i = indexOf(t);
        EXPECT_EQ(prog.window.drawn[i].text, t);
        return prog.window.drawn[i];
    }
};

TEST_F(Display, PaintDrawsPanelLabelsStatusAndDigitsInPlace) {
    auto& s = prog.s();
    s.ripMode = 0;  // the start mode was Rip from CD
    s.cdMode = 1;
    s.currentTrack = 3;
    s.currentTrackText = "3";
    s.trackTimeText = "04:28:17";
    prog.window.paint();
    const int w = 7, h = 16;
    EXPECT_EQ(s.panelRect, (Rect{w, 8, 33 * w, 3 * h}));
    EXPECT_EQ(s.statusRect, (Rect{w, 8 * h, 35 * w, 9 * h}));
    auto& ops = prog.window.drawn;
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops[0].kind, DrawOp::Rectangle);
    EXPECT_EQ(ops[0].brush, kBlack);

    const DrawOp& track = lastText("Track");
    EXPECT_EQ(track.rect.left, 101);  // trunc(14.5 x 7)
    EXPECT_EQ(track.rect.top, 108);
    const DrawOp& status = lastText("Enter song name or click here:");
    EXPECT_EQ(status.rect.left, w);
    EXPECT_EQ(status.rect.top, 8 * h);
    EXPECT_EQ(status.style.color, kStatusColour);
    const DrawOp& label = lastText("Playing time:");
    EXPECT_EQ(label.rect.left, 8 * w);
    EXPECT_EQ(label.rect.top, 181);  // trunc(11.35 x 16)
    EXPECT_EQ(label.style.font, labelFont());
    // Only minutes:seconds of an mm:ss:ff length.
    const DrawOp& time = lastText("04:28");
    EXPECT_EQ(time.rect.left, 157);  // trunc(22.5 x 7)
    const DrawOp& digit = lastText("3");
    EXPECT_EQ(digit.rect.left, 4 * w);
    EXPECT_EQ(digit.rect.top, 11);  // trunc(0.7 x 16)
    EXPECT_EQ(digit.style.color, kDigitsGreen);
    EXPECT_FALSE(digit.style.opaque);
    EXPECT_EQ(digit.style.font, displayFont());
    EXPECT_EQ(lastText(":").rect.left, 172);  // trunc(24.7 x 7)
    EXPECT_EQ(prog.window.focusId, ID_SONG_NAME_EDIT);
}

TEST_F(Display, ModeLabelsFollowTheFlags) {
    auto labelFor = [&](int rip, int cd, int convert) {
        prog.window.drawn.clear();
        auto& s = prog.s();
        s.ripMode = rip;
        s.cdMode = cd;
        s.convertMode = convert;
        prog.window.paint();
        for (auto& op : prog.window.drawn)
            if (op.kind == DrawOp::Text && op.style.font == labelFont() && op.rect.left == 56) return op.text;
        return std::string();
    };
    EXPECT_EQ(labelFor(1, 1, 1), "Stripping from CD");
    EXPECT_EQ(labelFor(0, 1, 1), "Playing time:");
    EXPECT_EQ(labelFor(0, 0, 1), "Convert WAV to MP3");
    EXPECT_EQ(labelFor(0, 0, 0), "Source: External audio");
}

TEST_F(Display, AnEmptiedEditBoxShowsUntitledAfterARepaint) {
    prog.window.setControlText(ID_SONG_NAME_EDIT, "");
    prog.window.paint();
    EXPECT_EQ(prog.window.controls[ID_SONG_NAME_EDIT].text, "untitled");
    EXPECT_EQ(prog.s().songName, "untitled");
    prog.window.setControlText(ID_SONG_NAME_EDIT, "my song");
    prog.window.paint();
    EXPECT_EQ(prog.s().songName, "my song");
}

TEST_F(Display, LineInModeShowsLAndDropsTheTrackTime) {
    auto& s = prog.s();
    s.currentTrackText = "L";
    s.trackTimeText = "03:00:00";
    prog.window.paint();
    EXPECT_TRUE(s.trackTimeText.empty());
    EXPECT_EQ(lastText("L").rect.left, 4 * 7);
    EXPECT_TRUE(prog.window.textsDrawn("03:00").empty());

    s.currentTrackText = "7";
    s.currentTrack = 12;  // any other text is refreshed from the number
    prog.window.paint();
    EXPECT_EQ(s.currentTrackText, "12");
    EXPECT_EQ(lastText("12").rect.left, 3 * 7);
}

TEST_F(Display, ImmediateDrawingOfTrackNumberElapsedTimeAndStatus) {
    auto& s = prog.s();
    s.currentTrack = 9;  // stepping down from 10 wipes the second digit first
    drawTrackNumber(prog.app);
    auto& ops = prog.window.drawn;
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].text, "    ");
    EXPECT_EQ(ops[0].rect.left, 21);
    EXPECT_TRUE(ops[1].immediate);
    EXPECT_EQ(ops[1].text, "9");
    EXPECT_EQ(ops[1].rect.left, 28);
    EXPECT_TRUE(ops[1].style.opaque);
    EXPECT_EQ(s.currentTrackText, "1");  // not changed by the immediate draw

    ops.clear();
    s.currentTrack = 100;  // three digits are not drawn
    drawTrackNumber(prog.app);
    EXPECT_TRUE(ops.empty());

    s.minutesText = "12";
    s.secondsText = "34";
    resetElapsedDisplay(prog.app);
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].text, "00");
    EXPECT_EQ(ops[0].rect.left, 140);
    EXPECT_EQ(ops[1].rect.left, 183);  // trunc(26.2 x 7)
    EXPECT_EQ(s.minutesText, "00");

    ops.clear();
    s.statusText = "Converting: 5 %";
    drawStatusLineNow(prog.app);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].text.substr(0, 15), "Converting: 5 %");
    EXPECT_GE(ops[0].text.size(), 46u);
    EXPECT_EQ(ops[0].style.color, kStatusColour);
}

TEST_F(Display, SetStatusInvalidatesTheStatusLineOnlyOnceItHasBeenPainted) {
    prog.window.invalidated.clear();
    setStatus(prog.app, "first");
    EXPECT_TRUE(prog.window.invalidated.empty());
    EXPECT_EQ(prog.s().statusText, "first");
    prog.window.paint();
    setStatus(prog.app, "second");
    ASSERT_EQ(prog.window.invalidated.size(), 1u);
    EXPECT_EQ(prog.window.invalidated[0], prog.s().statusRect);
}

TEST(FormatDuration, MinutesAndSecondsBetweenTwoTimes) {
    EXPECT_EQ(formatDuration(272, 2), "04:30");
    EXPECT_EQ(formatDuration(4, 2), "00:02");
    EXPECT_EQ(formatDuration(62, 0), "01:02");
    EXPECT_EQ(formatDuration(641, 2), "10:39");
    EXPECT_EQ(formatDuration(6002, 0), "100:02");
    EXPECT_EQ(formatDuration(1, 2), "00:00");  // negative durations
    EXPECT_EQ(formatDuration(0, 100), "00:00");
}

}  // namespace

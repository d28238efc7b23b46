#include "app/Display.h"

#include <cstdio>
#include <memory>

#include "app/Commands.h"
#include "app/OutputFormat.h"

namespace wl {

Font displayFont() { return Font{"Arial", 32, 700}; }
Font labelFont() { return Font{"Arial", 14, 400}; }

namespace {

TextStyle digitsStyle(bool opaque) { return TextStyle{displayFont(), kDigitsGreen, kBlack, opaque}; }

// The panel digits' y and the x of the track number by its length.
int digitsY(const App& app) { return scaled(0.7, app.s.lineHeight); }

}  // namespace

void PrepareDisplay(App& app) {
    AppState& s = app.s;
    Window& w = app.p.window;
    s.btnFace = w.systemColor(SysColor::BtnFace);
    s.btnShadow = w.systemColor(SysColor::BtnShadow);
    s.btnHighlight = w.systemColor(SysColor::BtnHighlight);
    const int cw = s.charWidth, lh = s.lineHeight;
    s.trackNumberRect = Rect{3 * cw, lh, 8 * cw, scaled(2.5, lh)};
    s.trackTimeRect = Rect{22 * cw, scaled(11.4, lh), 27 * cw, scaled(12.2, lh)};
    s.minutesText = "00";
    s.secondsText = "00";
}

void PaintMainWindow(App& app, Canvas& c) {
    AppState& s = app.s;
    Window& win = app.p.window;
    const int w = s.charWidth, h = s.lineHeight;

    s.songName = win.controlText(ID_SONG_NAME_EDIT, 255);
    if (s.songName.empty()) s.songName = "untitled";

    s.statusRect = Rect{w, 8 * h, 35 * w, 9 * h};
    s.panelRect = Rect{w, scaled(0.5, h), 33 * w, 3 * h};
    s.firstPaintDone = true;
    const Rect& p = s.panelRect;

    c.rectangle(p, kBlack, kBlack);
    c.line({0, 0}, {35 * w, 0}, kBlack);

    const int modeTop = scaled(11.3, h), modeBottom = scaled(12.3, h);
    const int editTop = scaled(9.4, h) - 1, editBottom = scaled(10.9, h);
    c.polyline({{p.left - 1, p.bottom - 1}, {p.left - 1, p.top - 1}, {p.right, p.top - 1}}, s.btnShadow);
    c.polyline({{7 * w, modeBottom}, {7 * w, modeTop}, {27 * w, modeTop}}, s.btnShadow);
    c.polyline({{w - 1, editBottom}, {w - 1, editTop}, {33 * w, editTop}}, s.btnShadow);
    c.polyline({{p.right, p.top - 1}, {p.right, p.bottom}, {p.left - 1, p.bottom}}, s.btnHighlight);
    c.polyline({{27 * w, modeTop}, {27 * w, modeBottom}, {7 * w, modeBottom}}, s.btnHighlight);
    c.polyline({{33 * w, editTop}, {33 * w, editBottom}, {w - 1, editBottom}}, s.btnHighlight);

    win.setControlText(ID_SONG_NAME_EDIT, s.songName.str());

    // Default font and text colour, opaque on the button face.
    c.textOut(scaled(14.5, w), scaled(6.8, h), "Track", TextStyle{Font{}, kBlack, s.btnFace, true});
    c.textOut(w, 8 * h, s.statusText.str(), TextStyle{Font{}, kStatusColour, s.btnFace, true});

    const std::string convertLabel = std::string("Convert WAV to ") + formatName(outputFormatOf(s));
    const char* label = s.ripMode ? "Stripping from CD"
                        : s.cdMode ? "Playing time:"
                        : s.convertMode == 1 ? convertLabel.c_str()
                                             : "Source: External audio";
    c.textOut(8 * w, scaled(11.35, h), label, TextStyle{labelFont(), kBlack, s.btnFace, true});

    if (!(s.currentTrackText == "L") && !(s.currentTrackText == "C"))
        s.currentTrackText = std::to_string(s.currentTrack);
    else
        s.trackTimeText.clear();
    if (!s.trackTimeText.empty())
        c.textOut(scaled(22.5, w), scaled(11.35, h), s.trackTimeText.str().substr(0, 5),
                  TextStyle{labelFont(), kBlack, s.btnFace, true});

    win.setControlText(ID_SONG_NAME_EDIT, s.songName.str());

    const TextStyle digits = digitsStyle(false);
    const int y = digitsY(app);
    c.textOut(20 * w, y, s.minutesText.str(), digits);
    c.textOut(scaled(24.7, w), y, ":", digits);
    c.textOut(scaled(26.2, w), y, s.secondsText.str(), digits);
    c.textOut(s.currentTrackText.size() == 2 ? 3 * w : 4 * w, y, s.currentTrackText.str(), digits);

    win.setFocus(ID_SONG_NAME_EDIT);
}

void setStatus(App& app, const std::string& text) {
    app.s.statusText = text;
    // Before the first paint the rectangle is still empty, so nothing is invalidated.
    if (app.s.firstPaintDone) app.p.window.invalidate(&app.s.statusRect, true);
}

void drawStatusLineNow(App& app) {
    AppState& s = app.s;
    std::string text = s.statusText.str();
    // Pad so the text covers the longest one the status line shows.
    if (text.size() < 46) text.append(46 - text.size(), ' ');
    auto c = app.p.window.immediateCanvas();
    c->textOut(s.charWidth, 8 * s.lineHeight, text, TextStyle{Font{}, kStatusColour, s.btnFace, true});
}

void resetElapsedDisplay(App& app) {
    AppState& s = app.s;
    s.minutesText = "00";
    s.secondsText = "00";
    auto c = app.p.window.immediateCanvas();
    const int y = digitsY(app);
    c->textOut(20 * s.charWidth, y, s.minutesText.str(), digitsStyle(true));
    c->textOut(scaled(26.2, s.charWidth), y, s.secondsText.str(), digitsStyle(true));
}

void drawTrackNumber(App& app) {
    AppState& s = app.s;
    auto c = app.p.window.immediateCanvas();
    const int y = digitsY(app);
    std::string text = std::to_string(s.currentTrack);
    if (s.currentTrack < 10) c->textOut(3 * s.charWidth, y, "    ", digitsStyle(true));
    if (text.size() == 1)
        c->textOut(4 * s.charWidth, y, text, digitsStyle(true));
    else if (text.size() == 2)
        c->textOut(3 * s.charWidth, y, text, digitsStyle(true));
}

void invalidateTrackNumber(App& app) { app.p.window.invalidate(&app.s.trackNumberRect, true); }
void invalidateTrackTime(App& app) { app.p.window.invalidate(&app.s.trackTimeRect, true); }

std::string formatDuration(int end, int start) {
    // Both times count the disc's 2-second lead-in, so it is not taken off again.
    long d = long(end) - start;
    if (d < 0) return "00:00";
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld", d / 60, d % 60);
    return text;
}

void enableIdleMenus(App& app) {
    Window& win = app.p.window;
    win.enableMenuItem(ID_WAV_PARAMETERS, true);
    if (app.s.convertToMp3 == 1) win.enableMenuItem(ID_MP3_PARAMETERS, true);
    for (int id : {ID_RIP_FROM_CD, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_CONVERT_WAV_TO_MP3,
                   ID_PARTIAL_CD_RECORDING, ID_TRACKS_TO_RECORD, ID_DEFAULT_RIPPING_PLAYER})
        win.enableMenuItem(id, true);
    win.enableControl(ID_SONG_NAME_EDIT, true);
}

}  // namespace wl

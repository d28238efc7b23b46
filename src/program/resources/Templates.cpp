#include "resources/Templates.h"

namespace wl {

namespace {
Rect du(int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; }
}  // namespace

DialogTemplate DefaultCdTemplate() {
    DialogTemplate t;
    t.name = "DefaultCD";
    t.caption = "Default CD Player";
    t.width = 135;
    t.height = 97;
    t.controls = {
        {ControlKind::Static, -1, "Select CD Player for ripping:", du(2, 1, 100, 10)},
        {ControlKind::ListBox, 127, "", du(2, 11, 130, 70), false, true},
        {ControlKind::DefPushButton, 1, "&OK", du(12, 81, 30, 13), false, true},
        {ControlKind::Button, 2, "&Cancel", du(90, 81, 30, 13), false, true},
    };
    return t;
}

DialogTemplate TracksTemplate() {
    DialogTemplate t;
    t.name = "Tracks";
    t.caption = "Select Tracks to Record";
    t.width = 136;
    t.height = 122;
    t.controls = {
        {ControlKind::Static, -1, "Select tracks:", du(2, 1, 40, 10)},
        {ControlKind::Static, -1, "Tracks to record:", du(58, 2, 60, 10)},
        {ControlKind::Static, -1, "Rename:", du(2, 91, 28, 10)},
        {ControlKind::ListBox, 302, "", du(2, 11, 50, 80)},
        {ControlKind::ListBox, 303, "", du(58, 11, 75, 80)},
        {ControlKind::Edit, 304, "", du(32, 90, 101, 10), false, true},
        {ControlKind::Button, 1, "&Save", du(12, 105, 30, 13), false, true},
        {ControlKind::Button, 305, "C&lear", du(54, 105, 30, 13), false, true},
        {ControlKind::Button, 2, "&Cancel", du(95, 105, 30, 13), false, true},
    };
    return t;
}

DialogTemplate WavConvertTemplate() {
    DialogTemplate t;
    t.name = "WAVConvert";
    t.caption = "Convert WAV to MP3";
    t.width = 132;
    t.height = 96;
    t.controls = {
        {ControlKind::Static, -1, "Files available:", du(2, 1, 60, 10)},
        {ControlKind::Static, -1, "Files to convert:", du(70, 2, 60, 10)},
        {ControlKind::ListBox, 128, "", du(2, 10, 60, 70), false, false, true, true},
        {ControlKind::ListBox, 129, "", du(70, 10, 60, 70), false, false, true, false},
        {ControlKind::Button, 132, "&Start", du(2, 80, 30, 13)},
        {ControlKind::Button, 130, ">>", du(42, 80, 20, 13)},
        {ControlKind::Button, 131, "<<", du(70, 80, 20, 13)},
        {ControlKind::Button, 2, "&Cancel", du(100, 80, 30, 13)},
    };
    return t;
}

}  // namespace wl

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

}  // namespace wl

#pragma once
// Port part: message boxes, dialogs built from templates and the two file dialogs.
//
// Each runs a nested event loop in which timers keep firing and commands may arrive;
// handlers must tolerate that. From another thread they wait like any window call and
// take their inputs by value; a dialog procedure is called on the window's thread, so a
// worker that runs a dialog must hand over a procedure that outlives the window.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace wl {

// Message box buttons and answers, numbered as the platform numbers them.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNO = 0x4;
// Ours, not the platform's, and never shown: the box's safe answer is Yes, not No. The safe
// answer is the one given when no one can answer (the session ends): it deletes, overwrites
// and throws away nothing. Without the flag it is No, Cancel, or OK for a lone OK button.
constexpr unsigned MB_YES_IS_SAFE = 0x40000000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
inline int safeAnswer(unsigned type) {
    switch (type & 0xFu) {
    case MB_OKCANCEL: return IDCANCEL;
    case MB_YESNO: return (type & MB_YES_IS_SAFE) ? IDYES : IDNO;
    default: return IDOK;
    }
}

// A dialog built from a template: controls in dialog units.
// Image: a picture the procedure hands over as encoded bytes; without one it shows nothing.
enum class ControlKind { Static, Button, DefPushButton, GroupBox, AutoRadio, AutoCheckBox, ListBox, Edit, Image };
struct DialogControl {
    ControlKind kind = ControlKind::Static;
    int id = -1;
    std::string text;
    Rect rect;               // left, top = x, y; right, bottom = x + width, y + height
    bool group = false;
    bool tabStop = false;
    bool multiSelect = false;  // list box: extended selection
    bool sorted = false;       // list box
};
struct DialogTemplate {
    std::string name;
    std::string caption;
    int width = 0, height = 0;  // dialog units
    std::vector<DialogControl> controls;
};

// Dialog procedure side: the program's handlers, called on the window's thread while the
// modal dialog runs. Commands: WM_COMMAND-like (control id, notification code).
constexpr int BN_CLICKED = 0;
constexpr int LBN_SELCHANGE = 1;
constexpr int LBN_DBLCLK = 2;
class Dialog;
class DialogProc {
public:
    virtual ~DialogProc() = default;
    virtual bool onInit(Dialog& dlg) = 0;
    virtual bool onCommand(Dialog& dlg, int id, int notifyCode) = 0;
    // The Enter key, while the dialog has the keyboard: true = handled here, so it neither
    // presses the default button nor closes the dialog. It never reaches other programs.
    virtual bool onEnterKey(Dialog&) { return false; }
};
// What a dialog procedure may do to its dialog.
class Dialog {
public:
    virtual ~Dialog() = default;
    virtual void end(int result) = 0;
    virtual bool isChecked(int id) = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual std::string text(int id, size_t maxBytes) = 0;
    virtual void setText(int id, const std::string& text) = 0;
    virtual void enable(int id, bool enabled) = 0;
    virtual void setFocus(int id) = 0;
    // List boxes.
    virtual int listAdd(int id, const std::string& text) = 0;  // index of the new item
    virtual void listClear(int id) = 0;
    virtual int listCount(int id) = 0;
    virtual std::string listText(int id, int index) = 0;
    virtual void listDelete(int id, int index) = 0;
    virtual int listCurSel(int id) = 0;                          // -1 = none
    virtual void listSetCurSel(int id, int index) = 0;
    virtual std::vector<int> listSelectedItems(int id) = 0;
    virtual void listSetSel(int id, int index, bool selected) = 0;
    // How far a list box scrolls sideways, and the width of a text in the dialog's font
    // (both in pixels).
    virtual void listSetHorizontalExtent(int id, int pixels) = 0;
    virtual int textWidth(const std::string& text) = 0;
    // An image control's picture, as JPEG or PNG bytes; empty bytes (or bytes that decode to
    // nothing) leave it blank, with no frame. A host without a screen keeps nothing.
    virtual void setImage(int, const std::string&) {}
};

// Replaces a list box's entry `at`: a list box only adds at its end, so the entries after it
// are moved behind the new one.
inline void listReplaceAt(Dialog& dlg, int id, int at, const std::string& text) {
    dlg.listDelete(id, at);
    std::vector<std::string> after;
    while (dlg.listCount(id) > at) {
        after.push_back(dlg.listText(id, at));
        dlg.listDelete(id, at);
    }
    dlg.listAdd(id, text);
    for (const std::string& t : after) dlg.listAdd(id, t);
}

// The two common file dialogs share one record (fileDialogParams).
struct FileDialogParams {
    std::string title;
    std::string filter;        // pairs "Description\0pattern" as the platform would
    std::string initialDir;
    std::string defaultExt;
    std::string file;          // in: initial name; out: chosen path
    bool allowMultiple = false;
    std::vector<std::string> files;  // out when allowMultiple: full paths
};

class WindowModal {
public:
    virtual ~WindowModal() = default;
    // ownerless = no owner window. After shutdown has begun, a call from another thread
    // returns the box's safe answer without showing it; so does any call once the session
    // ends. Dialogs then return IDCANCEL and file dialogs false.
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned type,
                           bool ownerless = false) = 0;
    virtual int runDialog(const DialogTemplate& dialog, DialogProc& proc) = 0;
    virtual bool saveFileDialog(FileDialogParams& params) = 0;
    virtual bool openFileDialog(FileDialogParams& params) = 0;
};

}  // namespace wl

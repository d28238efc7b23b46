#pragma once
// Port: the main window and everything the program does to it.
//
// The program implements WindowEvents; the adapter calls it on the window's thread for each
// event (the window procedure's dispatch). The program calls Window for the rest.
//
// Threads: every Window call may be made from the window's thread. Calls that the
// conversion worker makes (controls, texts, menu states, invalidation, immediate drawing,
// cursor, timers, message boxes, sendCommand, runOnWindowThread) are marshalled by the
// adapter to the window's thread and wait for it, as a cross-thread SendMessage would.
// After shutdown has begun, such calls from another thread return at once without effect
// so that the window never waits for the worker while the worker waits for the window.
//
// Modal loops: messageBox, runDialog and the file dialogs run a nested event loop in which
// timers keep firing and commands may arrive; handlers must tolerate that.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Mci.h"

namespace wl {

// Message box buttons and answers, numbered as the platform numbers them.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNO = 0x4;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

enum class CursorKind { Arrow, Wait, Hand };
enum class SysColor { BtnFace, BtnShadow, BtnHighlight };

struct FontMetrics {
    int averageCharWidth = 0;
    int height = 0;          // ascent + descent
    int externalLeading = 0;
};

// Menu item texts, command ids and accelerators are owned by the program (resources) and
// handed to the adapter whole.
struct MenuItem {
    int id = 0;              // 0 = separator
    std::string text;        // may hold "\t" and an accelerator text, shown as given
};
struct MenuPopup {
    std::string text;
    std::vector<MenuItem> items;
    bool rightJustified = false;
};
struct Accelerator {
    enum Kind { Char, VirtualKey } kind = Char;
    int code = 0;            // Char: control character code (Ctrl+F = 6); VirtualKey: 112 = F1
    int command = 0;
};

// A dialog built from a template: controls in dialog units.
enum class ControlKind { Static, Button, DefPushButton, GroupBox, AutoRadio, AutoCheckBox, ListBox, Edit };
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
};

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

class Window;

class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual int onCreate(Window& window) = 0;  // 0 = success, -1 = fail the creation
    virtual void onDestroy() = 0;
    virtual void onPaint(Canvas& canvas) = 0;
    virtual void onCommand(int id, int notifyCode) = 0;
    virtual void onTimer(int id) = 0;
    virtual void onMouseMove(int x, int y) = 0;
    virtual void onClick(int x, int y, bool doubleClick) = 0;
    virtual void onMciNotify(uint32_t flags, uint32_t deviceId) = 0;
};

class Window : public MciNotifySink {
public:
    ~Window() override = default;

    // Lifecycle, driven by the program's entry point: create calls events.onCreate and
    // returns its result (on -1 the program calls destroy); runMessageLoop returns the code
    // given to quit.
    virtual int create(WindowEvents& events) = 0;
    virtual void show() = 0;
    virtual int runMessageLoop() = 0;

    // Layout and geometry.
    virtual FontMetrics defaultFontMetrics() = 0;
    virtual int screenWidth() = 0;
    virtual int screenHeight() = 0;
    virtual void moveWindow(int x, int y, int width, int height) = 0;  // fixed size from then on
    virtual Rgb systemColor(SysColor color) = 0;

    // Child controls by command id.
    virtual void createButton(int id, const std::string& caption, const Rect& r) = 0;
    virtual void createEdit(int id, const Rect& r) = 0;
    virtual void createListBox(int id, const Rect& r) = 0;  // never shown
    virtual void enableControl(int id, bool enabled) = 0;
    virtual bool isControlEnabled(int id) = 0;
    virtual void setControlText(int id, const std::string& text) = 0;
    virtual std::string controlText(int id, size_t maxChars) = 0;
    virtual void setFocus(int id) = 0;
    virtual void updateControl(int id) = 0;  // repaint now
    // The hidden list box's items.
    virtual void listClear(int id) = 0;
    virtual void listAdd(int id, const std::string& text) = 0;
    virtual int listCount(int id) = 0;
    virtual std::string listText(int id, int index) = 0;

    // Menu and accelerators.
    virtual void setMenu(const std::vector<MenuPopup>& menu) = 0;
    virtual void setAccelerators(const std::vector<Accelerator>& table) = 0;
    virtual void enableMenuItem(int id, bool enabled) = 0;  // false = greyed
    virtual bool isMenuItemEnabled(int id) = 0;
    virtual void checkMenuItem(int id, bool checked) = 0;
    virtual bool isMenuItemChecked(int id) = 0;

    // Painting: invalidate(nullptr) = the whole client area. The paint handler runs later.
    virtual void invalidate(const Rect* r, bool erase) = 0;
    virtual void updateWindow() = 0;  // serve pending paints now
    // Inside a long step on the window's thread: serves what is pending (paints, moves,
    // timers, calls from other threads) but no user input. A close request that arrives
    // meanwhile is held until the window's thread is back in its message loop.
    virtual void processPendingEvents() = 0;
    // Draw at once outside the paint handler (GetDC); the canvas lives until released.
    virtual std::unique_ptr<Canvas> immediateCanvas() = 0;

    virtual void setCursor(CursorKind cursor) = 0;

    // Timers by id; setTimer replaces a running timer of the same id. false = not created.
    virtual bool setTimer(int id, int milliseconds) = 0;
    virtual void killTimer(int id) = 0;

    // Modal parts. ownerless = no owner window.
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned type,
                           bool ownerless = false) = 0;
    virtual int runDialog(const DialogTemplate& dialog, DialogProc& proc) = 0;
    virtual bool saveFileDialog(FileDialogParams& params) = 0;
    virtual bool openFileDialog(FileDialogParams& params) = 0;

    // SendMessage(WM_COMMAND): runs the program's command handler now, on the window's thread.
    virtual void sendCommand(int id) = 0;
    // Runs fn on the window's thread and waits for it (no-op after shutdown has begun when
    // called from another thread).
    virtual void runOnWindowThread(const std::function<void()>& fn) = 0;

    // DestroyWindow: runs onDestroy, then ends the message loop with exitCode.
    virtual void destroy() = 0;
    virtual void quit(int exitCode) = 0;  // PostQuitMessage
};

}  // namespace wl

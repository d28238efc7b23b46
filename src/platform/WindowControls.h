#pragma once
// Port part: child controls, the hidden list box, the menu and its accelerators, focus and
// the cursor. Ids nobody created read as disabled, unchecked and empty, and changes to
// them are ignored.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace wl {

enum class CursorKind { Arrow, Wait, Hand };

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

class WindowControls {
public:
    virtual ~WindowControls() = default;

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

    virtual void setCursor(CursorKind cursor) = 0;
};

}  // namespace wl

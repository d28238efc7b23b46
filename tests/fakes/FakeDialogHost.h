#pragma once
// A dialog built from a template without a screen, answering its procedure as the Qt dialog
// host does, so a procedure cannot pass here and fail there:
// - ids the template lacks read as empty and ignore changes; only radio buttons and check
//   boxes hold a check; edits start empty; static texts lose their "&" mnemonic marks;
// - the program's own changes notify nothing; sorted lists insert ignoring case, after equal
//   items; a single-selection list reports a current item only while it is selected;
// - what the user does (click, select, double-click, Enter, Esc) reaches the procedure as
//   the host sends it: never from a disabled control, nothing once the dialog has ended.
// The offscreen Qt tests (QtModalTest) run the same calls and actions on both hosts.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <strings.h>
#include <vector>

#include "FakeWindow.h"

namespace wl::test {

class FakeDialog : public Dialog {
public:
    struct Control {
        ControlKind kind = ControlKind::Static;
        std::string text;
        int group = 0;  // radio buttons clear the others of their group
        bool tabStop = false, multiSelect = false, sorted = false;
        bool enabled = true, checked = false;
        std::vector<std::string> items;
        std::set<int> selected;
        int current = -1;
        int extent = 0;  // as the procedure last set it
        std::string image;  // an image control's bytes, as last set
    };
    std::map<int, Control> controls;  // by id; the first of a repeated id, as the host keeps it
    std::vector<int> order;           // ids in template order
    const std::string name, caption;
    int focus = 0;
    bool ended = false;
    int result = 0;
    int charWidth = 6;  // textWidth: pixels per byte

    FakeDialog(const DialogTemplate& t, DialogProc& proc) : name(t.name), caption(t.caption), proc_(proc) {
        int group = 0;
        for (const DialogControl& c : t.controls) {
            if (c.group) ++group;
            if (c.kind == ControlKind::DefPushButton) defaultId_ = c.id;
            if (c.id == -1 || controls.count(c.id)) continue;
            Control& k = controls[c.id];
            k.kind = c.kind;
            k.text = c.kind == ControlKind::Static ? withoutMnemonic(c.text) : c.text;
            if (c.kind == ControlKind::Edit) k.text.clear();
            k.group = group;
            k.tabStop = c.tabStop && c.kind != ControlKind::Static && c.kind != ControlKind::GroupBox;
            k.multiSelect = c.multiSelect;
            k.sorted = c.sorted;
            order.push_back(c.id);
        }
    }

    // WM_INITDIALOG; TRUE puts the focus on the first enabled control with a tab stop.
    // False when the procedure ended the dialog there (it is never shown).
    bool open() {
        const bool focusFirst = proc_.onInit(*this);
        if (ended) return false;
        if (focusFirst) focus = nextTabStop(0);
        return true;
    }

    // The user's actions.
    void click(int id) {
        Control* k = known(id);
        if (!k) ADD_FAILURE() << "the dialog has no control " << id;
        if (!k || !k->enabled || ended) return;
        switch (k->kind) {
            case ControlKind::AutoRadio:
                for (auto& [otherId, other] : controls)
                    if (other.kind == ControlKind::AutoRadio && other.group == k->group) other.checked = false;
                k->checked = true;
                break;
            case ControlKind::AutoCheckBox: k->checked = !k->checked; break;
            case ControlKind::Button:
            case ControlKind::DefPushButton: break;
            default: ADD_FAILURE() << "control " << id << " is no button"; return;
        }
        focus = id;  // a click gives the control the keyboard
        notify(id, BN_CLICKED);
    }
    bool select(int list, int index) { return selectMany(list, {index}); }
    // Ctrl+clicks in a multiple-selection list: the last one holds the focus rectangle.
    bool selectMany(int list, const std::vector<int>& indexes) {
        Control* k = userList(list);
        if (!k) return false;
        for (int i : indexes)
            if (i < 0 || size_t(i) >= k->items.size()) {
                ADD_FAILURE() << "list " << list << " has no item " << i;
                return false;
            }
        if (indexes.size() > 1 && !k->multiSelect) ADD_FAILURE() << "list " << list << " selects one item";
        focus = list;
        const std::set<int> before = k->selected;
        k->selected = std::set<int>(indexes.begin(), indexes.end());
        k->current = indexes.empty() ? k->current : indexes.back();
        if (k->selected != before) notify(list, LBN_SELCHANGE);
        return true;
    }
    // As on screen, the first click of a double-click selects the item.
    void doubleClick(int list, int index) {
        if (select(list, index)) notify(list, LBN_DBLCLK);
    }
    void doubleClickText(int list, const std::string& text) {
        const int at = indexOf(list, text);
        if (at < 0) {
            ADD_FAILURE() << "list " << list << " shows no " << text;
            return;
        }
        doubleClick(list, at);
    }
    // Enter: the procedure first; then the focused push button, else the default one (IDOK
    // when the template names none), whether or not that one is enabled.
    void pressEnter() {
        if (ended || proc_.onEnterKey(*this)) return;
        Control* k = known(focus);
        const bool button = k && (k->kind == ControlKind::Button || k->kind == ControlKind::DefPushButton);
        notify(button ? focus : defaultId_, BN_CLICKED);
    }
    // Esc and the close box: Cancel, whatever the template holds.
    void pressEscape() { notify(IDCANCEL, BN_CLICKED); }
    void type(int id, const std::string& text) {
        Control* k = known(id);
        if (!k || k->kind != ControlKind::Edit) ADD_FAILURE() << "control " << id << " is no edit";
        else if (k->enabled && !ended) k->text = text;
    }

    // What the dialog shows.
    const Control& at(int id) const {
        static const Control none;
        auto it = controls.find(id);
        return it == controls.end() ? none : it->second;
    }
    const std::vector<std::string>& items(int id) const { return at(id).items; }
    int indexOf(int list, const std::string& text) const {
        const auto& v = items(list);
        auto it = std::find(v.begin(), v.end(), text);
        return it == v.end() ? -1 : int(it - v.begin());
    }
    std::vector<int> checkedIds() const {
        std::vector<int> out;
        for (int id : order)
            if (at(id).checked) out.push_back(id);
        return out;
    }

    // Dialog.
    void end(int r) override {
        if (ended) return;
        ended = true;
        result = r;
    }
    bool isChecked(int id) override { return checkable(id) && controls[id].checked; }
    void setChecked(int id, bool on) override {
        if (checkable(id)) controls[id].checked = on;
    }
    std::string text(int id, size_t maxBytes) override {
        Control* k = known(id);
        if (!k || k->kind == ControlKind::ListBox) return {};
        size_t n = std::min(maxBytes, k->text.size());
        while (n < k->text.size() && n > 0 && (static_cast<unsigned char>(k->text[n]) & 0xC0) == 0x80) --n;
        return k->text.substr(0, n);  // never cut in the middle of a character
    }
    void setText(int id, const std::string& t) override {
        Control* k = known(id);
        if (k && k->kind != ControlKind::ListBox) k->text = k->kind == ControlKind::Static ? withoutMnemonic(t) : t;
    }
    void enable(int id, bool on) override {
        Control* k = known(id);
        if (!k) return;
        k->enabled = on;
        if (!on && focus == id) focus = nextTabStop(id);  // focus moves on, as from a greyed control
    }
    void setFocus(int id) override {
        if (Control* k = known(id); k && k->enabled) focus = id;
    }
    int listAdd(int id, const std::string& t) override {
        Control* k = list(id);
        if (!k) return -1;
        int pos = int(k->items.size());
        if (k->sorted) {
            pos = 0;
            while (pos < int(k->items.size()) && ::strcasecmp(k->items[size_t(pos)].c_str(), t.c_str()) <= 0) ++pos;
        }
        k->items.insert(k->items.begin() + pos, t);
        shift(*k, pos, +1);
        return pos;
    }
    void listClear(int id) override {
        if (Control* k = list(id)) {
            k->items.clear();
            k->selected.clear();
            k->current = -1;
        }
    }
    int listCount(int id) override {
        Control* k = list(id);
        return k ? int(k->items.size()) : 0;
    }
    std::string listText(int id, int i) override {
        Control* k = list(id);
        return k && i >= 0 && size_t(i) < k->items.size() ? k->items[size_t(i)] : std::string();
    }
    void listDelete(int id, int i) override {
        Control* k = list(id);
        if (!k || i < 0 || size_t(i) >= k->items.size()) return;
        const bool wasCurrent = k->current == i;
        k->items.erase(k->items.begin() + i);
        k->selected.erase(i);
        shift(*k, i + 1, -1);
        if (!wasCurrent) return;
        const int n = int(k->items.size());
        if (k->multiSelect) {
            // The focus rectangle moves up, else down; the selection stays as it was.
            k->current = i > 0 ? i - 1 : n > 0 ? 0 : -1;
        } else {
            // A single-selection list keeps an item selected: the next one, else the one above.
            k->current = i < n ? i : n > 0 ? n - 1 : -1;
            if (k->current >= 0) k->selected = {k->current};
        }
    }
    int listCurSel(int id) override {
        Control* k = list(id);
        if (!k) return -1;
        if (k->multiSelect) return k->current;  // the item with the focus rectangle
        return k->selected.count(k->current) ? k->current : -1;
    }
    void listSetCurSel(int id, int i) override {
        Control* k = list(id);
        if (!k) return;
        if (i < 0 || size_t(i) >= k->items.size()) {
            k->selected.clear();
        } else if (k->multiSelect) {
            k->current = i;  // moves the focus rectangle only
        } else {
            k->current = i;
            k->selected = {i};
        }
    }
    std::vector<int> listSelectedItems(int id) override {
        Control* k = list(id);
        return k ? std::vector<int>(k->selected.begin(), k->selected.end()) : std::vector<int>{};
    }
    void listSetSel(int id, int i, bool on) override {
        Control* k = list(id);
        if (!k) return;
        for (int j = 0; j < int(k->items.size()); ++j)
            if (i == -1 || j == i) {
                if (on) k->selected.insert(j);
                else k->selected.erase(j);
            }
    }
    void listSetHorizontalExtent(int id, int px) override {
        if (Control* k = list(id)) k->extent = px;
    }
    int textWidth(const std::string& t) override { return int(t.size()) * charWidth; }
    void setImage(int id, const std::string& bytes) override {
        Control* k = known(id);
        if (k && k->kind == ControlKind::Image) k->image = bytes;
    }

private:
    DialogProc& proc_;
    int defaultId_ = IDOK;

    static std::string withoutMnemonic(const std::string& t) {
        std::string out;
        for (size_t i = 0; i < t.size(); ++i) out += (t[i] == '&' && i + 1 < t.size()) ? t[++i] : t[i];
        return out;
    }
    void notify(int id, int code) {
        if (!ended) proc_.onCommand(*this, id, code);
    }
    Control* known(int id) {
        auto it = controls.find(id);
        return it == controls.end() ? nullptr : &it->second;
    }
    Control* list(int id) {
        Control* k = known(id);
        return k && k->kind == ControlKind::ListBox ? k : nullptr;
    }
    Control* userList(int id) {
        Control* k = list(id);
        if (!k) ADD_FAILURE() << "control " << id << " is no list";
        return k && k->enabled && !ended ? k : nullptr;
    }
    bool checkable(int id) {
        Control* k = known(id);
        return k && (k->kind == ControlKind::AutoRadio || k->kind == ControlKind::AutoCheckBox);
    }
    // The first enabled tab stop after `from` in template order, wrapping; 0 when none.
    int nextTabStop(int from) {
        auto start = std::find(order.begin(), order.end(), from);
        const size_t first = start == order.end() ? 0 : size_t(start - order.begin()) + 1;
        for (size_t n = 0; n < order.size(); ++n) {
            const int id = order[(first + n) % order.size()];
            if (id != from && controls[id].tabStop && controls[id].enabled) return id;
        }
        return 0;
    }
    static void shift(Control& k, int from, int by) {
        std::set<int> moved;
        for (int s : k.selected) moved.insert(s >= from ? s + by : s);
        k.selected = moved;
        if (k.current >= from) k.current += by;
    }
};

// Queues the next dialog the fake window runs: `steps` act on it once it has opened (not
// when its procedure ended it at once). A dialog the steps leave open would never return on
// screen: that fails the test, and the run returns -1.
inline void scriptDialog(FakeWindow& window, std::function<void(FakeDialog&)> steps) {
    window.dialogScript.push_back([steps = std::move(steps)](const DialogTemplate& t, DialogProc& proc) {
        FakeDialog dlg(t, proc);
        if (dlg.open()) steps(dlg);
        if (!dlg.ended) ADD_FAILURE() << "the dialog " << t.name << " is still open";
        return dlg.ended ? dlg.result : -1;
    });
}

}  // namespace wl::test

#pragma once
// A dialog built from a template without a screen, for driving a dialog procedure the way
// the dialog host does: list boxes keep their items (sorted ones in order, ignoring case),
// their selection and their extent; edits and buttons their text and state. Actions the
// user takes (double-click, select, click, Enter) call the procedure as the host would.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/Window.h"

namespace wl::test {

class ScriptedDialog : public Dialog {
public:
    struct Control {
        ControlKind kind = ControlKind::Static;
        std::string text;
        bool enabled = true, checked = false, sorted = false;
        std::vector<std::string> items;
        std::set<int> selected;
        int current = -1;
        int extent = 0;
    };
    std::map<int, Control> controls;
    int focus = 0;
    bool ended = false;
    int result = 0;
    int charWidth = 6;  // textWidth: pixels per byte

    ScriptedDialog(const DialogTemplate& t, DialogProc& proc) : proc_(proc) {
        for (const DialogControl& c : t.controls) {
            if (c.id == -1) continue;
            Control& k = controls[c.id];
            k.kind = c.kind;
            k.text = c.text;
            k.sorted = c.sorted;
        }
    }

    bool init() { return proc_.onInit(*this); }
    void click(int id) {
        if (!ended && controls[id].enabled) proc_.onCommand(*this, id, BN_CLICKED);
    }
    void select(int list, int index) {
        listSetCurSel(list, index);
        if (!ended) proc_.onCommand(*this, list, LBN_SELCHANGE);
    }
    void selectMany(int list, std::vector<int> indexes) {
        Control& k = controls[list];
        k.selected = std::set<int>(indexes.begin(), indexes.end());
        k.current = indexes.empty() ? -1 : indexes.back();
        if (!ended) proc_.onCommand(*this, list, LBN_SELCHANGE);
    }
    // As on screen, the first click of a double-click selects the item.
    void doubleClick(int list, int index) {
        select(list, index);
        if (!ended) proc_.onCommand(*this, list, LBN_DBLCLK);
    }
    void doubleClickText(int list, const std::string& text) { doubleClick(list, indexOf(list, text)); }
    // Enter: the procedure first, then the default push button as the host presses it.
    void pressEnter() {
        if (!ended && !proc_.onEnterKey(*this)) proc_.onCommand(*this, IDOK, BN_CLICKED);
    }
    void type(int id, const std::string& text) { controls[id].text = text; }
    const std::vector<std::string>& items(int id) { return controls[id].items; }
    int indexOf(int list, const std::string& text) {
        auto& v = controls[list].items;
        auto it = std::find(v.begin(), v.end(), text);
        return it == v.end() ? -1 : int(it - v.begin());
    }

    void end(int r) override {
        ended = true;
        result = r;
    }
    bool isChecked(int id) override { return controls[id].checked; }
    void setChecked(int id, bool c) override { controls[id].checked = c; }
    std::string text(int id, size_t maxBytes) override { return controls[id].text.substr(0, maxBytes); }
    void setText(int id, const std::string& t) override { controls[id].text = t; }
    void enable(int id, bool e) override { controls[id].enabled = e; }
    void setFocus(int id) override { focus = id; }
    int listAdd(int id, const std::string& t) override {
        Control& k = controls[id];
        size_t at = k.items.size();
        if (k.sorted) {
            at = 0;
            while (at < k.items.size() && ::strcasecmp(k.items[at].c_str(), t.c_str()) <= 0) ++at;
        }
        k.items.insert(k.items.begin() + long(at), t);
        shiftFrom(k, int(at), +1);
        return int(at);
    }
    void listClear(int id) override {
        Control& k = controls[id];
        k.items.clear();
        k.selected.clear();
        k.current = -1;
    }
    int listCount(int id) override { return int(controls[id].items.size()); }
    std::string listText(int id, int i) override {
        auto& v = controls[id].items;
        return i >= 0 && size_t(i) < v.size() ? v[size_t(i)] : std::string();
    }
    void listDelete(int id, int i) override {
        Control& k = controls[id];
        if (i < 0 || size_t(i) >= k.items.size()) return;
        k.items.erase(k.items.begin() + i);
        k.selected.erase(i);
        shiftFrom(k, i + 1, -1);
        if (k.current >= int(k.items.size())) k.current = int(k.items.size()) - 1;
    }
    int listCurSel(int id) override { return controls[id].current; }
    void listSetCurSel(int id, int i) override {
        Control& k = controls[id];
        k.selected.clear();
        k.current = i >= 0 && size_t(i) < k.items.size() ? i : -1;
        if (k.current >= 0) k.selected.insert(k.current);
    }
    std::vector<int> listSelectedItems(int id) override {
        auto& sel = controls[id].selected;
        return std::vector<int>(sel.begin(), sel.end());
    }
    void listSetSel(int id, int i, bool on) override {
        Control& k = controls[id];
        if (i < 0 || size_t(i) >= k.items.size()) return;
        if (on) k.selected.insert(i);
        else k.selected.erase(i);
    }
    void listSetHorizontalExtent(int id, int px) override { controls[id].extent = px; }
    int textWidth(const std::string& t) override { return int(t.size()) * charWidth; }

private:
    DialogProc& proc_;
    static void shiftFrom(Control& k, int from, int by) {
        std::set<int> moved;
        for (int s : k.selected) moved.insert(s >= from ? s + by : s);
        k.selected = moved;
        if (k.current >= from) k.current += by;
    }
};

}  // namespace wl::test

#pragma once
// A template dialog without a screen, for the dialog procedures. Clicks behave as in the
// real dialog host: an automatic radio button checks itself and clears the rest of its
// template group, a check box toggles, and then the procedure hears the click; Esc and the
// close box are Cancel. Once ended, the dialog ignores further clicks.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "FakeWindow.h"

namespace wl::test {

class FakeDialog : public Dialog {
public:
    FakeDialog(const DialogTemplate& dialog, DialogProc& proc) : tpl(dialog), proc_(proc) {
        int group = 0;
        for (const DialogControl& c : tpl.controls) {
            if (c.group) ++group;
            group_[c.id] = group;
            texts[c.id] = c.text;
        }
    }

    const DialogTemplate& tpl;
    std::map<int, bool> checked;
    std::map<int, std::string> texts;
    std::map<int, bool> disabled;
    int focus = 0;
    bool ended = false;
    int result = 0;

    // WM_INITDIALOG: TRUE puts the focus on the first control with a tab stop.
    void open() {
        if (!proc_.onInit(*this) || ended) return;
        for (const DialogControl& c : tpl.controls)
            if (c.tabStop && !disabled[c.id]) {
                focus = c.id;
                break;
            }
    }
    void click(int id) {
        if (ended) return;
        if (const DialogControl* c = find(id)) {
            if (c->kind == ControlKind::AutoRadio) {
                for (const DialogControl& other : tpl.controls)
                    if (other.kind == ControlKind::AutoRadio && group_[other.id] == group_[id]) checked[other.id] = false;
                checked[id] = true;
            } else if (c->kind == ControlKind::AutoCheckBox) {
                checked[id] = !checked[id];
            }
        }
        proc_.onCommand(*this, id, BN_CLICKED);
    }
    void type(int id, const std::string& text) { texts[id] = text; }
    void cancel() { click(IDCANCEL); }
    // The ids checked, in template order.
    std::vector<int> checkedIds() const {
        std::vector<int> out;
        for (const DialogControl& c : tpl.controls)
            if (auto it = checked.find(c.id); it != checked.end() && it->second) out.push_back(c.id);
        return out;
    }

    // Dialog.
    void end(int r) override {
        if (ended) return;
        ended = true;
        result = r;
    }
    bool isChecked(int id) override { return checked[id]; }
    void setChecked(int id, bool on) override { checked[id] = on; }
    std::string text(int id, size_t maxBytes) override { return texts[id].substr(0, maxBytes); }
    void setText(int id, const std::string& t) override { texts[id] = t; }
    void enable(int id, bool on) override { disabled[id] = !on; }
    void setFocus(int id) override { focus = id; }
    int listAdd(int id, const std::string& t) override {
        lists_[id].push_back(t);
        return int(lists_[id].size()) - 1;
    }
    void listClear(int id) override { lists_[id].clear(); }
    int listCount(int id) override { return int(lists_[id].size()); }
    std::string listText(int id, int index) override {
        auto& l = lists_[id];
        return index >= 0 && index < int(l.size()) ? l[size_t(index)] : std::string();
    }
    void listDelete(int id, int index) override {
        auto& l = lists_[id];
        if (index >= 0 && index < int(l.size())) l.erase(l.begin() + index);
    }
    int listCurSel(int) override { return -1; }
    void listSetCurSel(int, int) override {}
    std::vector<int> listSelectedItems(int) override { return {}; }
    void listSetSel(int, int, bool) override {}
    void listSetHorizontalExtent(int, int) override {}
    int textWidth(const std::string& t) override { return int(t.size()) * 6; }

private:
    const DialogControl* find(int id) const {
        for (const DialogControl& c : tpl.controls)
            if (c.id == id) return &c;
        return nullptr;
    }
    DialogProc& proc_;
    std::map<int, int> group_;
    std::map<int, std::vector<std::string>> lists_;
};

// Queues the next dialog the fake window runs: `steps` act on it once it has opened. A
// dialog the steps leave open returns -1, which no procedure here gives.
inline void scriptDialog(FakeWindow& window, std::function<void(FakeDialog&)> steps) {
    window.dialogScript.push_back([steps = std::move(steps)](const DialogTemplate& t, DialogProc& proc) {
        FakeDialog dlg(t, proc);
        dlg.open();
        if (!dlg.ended) steps(dlg);
        return dlg.ended ? dlg.result : -1;
    });
}

}  // namespace wl::test

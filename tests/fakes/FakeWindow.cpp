#include "FakeWindow.h"

#include <algorithm>
#include <chrono>

namespace wl::test {

int FakeWindow::create(WindowEvents& ev) {
    events = &ev;
    created = true;
    createResult = ev.onCreate(*this);
    return createResult;
}

Rgb FakeWindow::systemColor(SysColor c) {
    switch (c) {
        case SysColor::BtnFace: return Rgb{212, 208, 200};
        case SysColor::BtnShadow: return Rgb{128, 128, 128};
        case SysColor::BtnHighlight: return Rgb{255, 255, 255};
    }
    return {};
}

void FakeWindow::createButton(int id, const std::string& caption, const Rect& r) {
    controls[id] = FakeControl{FakeControl::Button, caption, r, true, {}};
    controlOrder.push_back(id);
}

void FakeWindow::createEdit(int id, const Rect& r) {
    controls[id] = FakeControl{FakeControl::Edit, "", r, true, {}};
    controlOrder.push_back(id);
}

void FakeWindow::createListBox(int id, const Rect& r) {
    controls[id] = FakeControl{FakeControl::ListBox, "", r, true, {}};
    controlOrder.push_back(id);
}

FakeControl* FakeWindow::find(int id) {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : &it->second;
}

void FakeWindow::enableControl(int id, bool enabled) {
    noteCaller();
    if (FakeControl* c = find(id)) c->enabled = enabled;
}

bool FakeWindow::isControlEnabled(int id) {
    noteCaller();
    FakeControl* c = find(id);
    return c && c->enabled;
}

void FakeWindow::setControlText(int id, const std::string& text) {
    noteCaller();
    if (FakeControl* c = find(id); c && c->kind != FakeControl::ListBox) c->text = text;
}

std::string FakeWindow::controlText(int id, size_t maxChars) {
    noteCaller();
    FakeControl* c = find(id);
    return c ? c->text.substr(0, maxChars) : std::string();
}

void FakeWindow::setFocus(int id) {
    noteCaller();
    if (find(id)) focusId = id;
}

void FakeWindow::listClear(int id) {
    noteCaller();
    if (FakeControl* c = find(id); c && c->kind == FakeControl::ListBox) c->items.clear();
}

void FakeWindow::listAdd(int id, const std::string& text) {
    noteCaller();
    if (FakeControl* c = find(id); c && c->kind == FakeControl::ListBox) c->items.push_back(text);
}

int FakeWindow::listCount(int id) {
    noteCaller();
    FakeControl* c = find(id);
    return c && c->kind == FakeControl::ListBox ? int(c->items.size()) : 0;
}

std::string FakeWindow::listText(int id, int index) {
    noteCaller();
    FakeControl* c = find(id);
    if (!c || c->kind != FakeControl::ListBox) return std::string();
    return index >= 0 && size_t(index) < c->items.size() ? c->items[size_t(index)] : std::string();
}

void FakeWindow::setMenu(const std::vector<MenuPopup>& m) {
    noteCaller();
    // A new menu is all new items: enabled and unchecked.
    menu = m;
    menuEnabled.clear();
    menuChecked.clear();
    for (auto& popup : m)
        for (auto& item : popup.items)
            if (item.id) menuEnabled.emplace(item.id, true);
}

void FakeWindow::enableMenuItem(int id, bool enabled) {
    noteCaller();
    auto it = menuEnabled.find(id);
    if (it != menuEnabled.end()) it->second = enabled;
}

bool FakeWindow::isMenuItemEnabled(int id) {
    noteCaller();
    auto it = menuEnabled.find(id);
    return it != menuEnabled.end() && it->second;
}

void FakeWindow::checkMenuItem(int id, bool checked) {
    noteCaller();
    if (menuEnabled.count(id)) menuChecked[id] = checked;
}

bool FakeWindow::isMenuItemChecked(int id) {
    noteCaller();
    auto it = menuChecked.find(id);
    return it != menuChecked.end() && it->second;
}

bool FakeWindow::setTimer(int id, int ms) {
    noteCaller();
    if (timersStopped_ || failTimers.count(id)) return false;
    timers_[id] = Timer{ms, nowMs + ms};
    return true;
}

int FakeWindow::messageBox(const std::string& text, const std::string& caption, unsigned type, bool ownerless) {
    noteCaller();
    if (sessionEnding) return safeAnswer(type);  // as the real window: not shown
    boxes.push_back(ShownBox{text, caption, type, ownerless});
    BoxAnswer answer{defaultAnswer(type), 0};
    if (!boxAnswers.empty()) {
        answer = boxAnswers.front();
        boxAnswers.pop_front();
    }
    // The box's own event loop: timers keep firing while it is open.
    ++modalDepth_;
    if (answer.advanceMsWhileOpen > 0) advance(answer.advanceMsWhileOpen);
    if (answer.whileOpen) answer.whileOpen();
    --modalDepth_;
    return sessionEnding ? safeAnswer(type) : answer.button;
}

void FakeWindow::answerBoxes(std::initializer_list<int> buttons) {
    for (int b : buttons) boxAnswers.push_back(BoxAnswer{b, 0});
}

int FakeWindow::runDialog(const DialogTemplate& dialog, DialogProc& proc) {
    if (sessionEnding) return IDCANCEL;
    dialogsRun.push_back(dialog.name);
    if (dialogScript.empty()) return 0;
    auto step = std::move(dialogScript.front());
    dialogScript.pop_front();
    ++modalDepth_;
    const int result = step(dialog, proc);
    --modalDepth_;
    return sessionEnding ? IDCANCEL : result;
}

bool FakeWindow::runFileDialog(FileDialogParams& params) {
    if (sessionEnding || fileDialogScript.empty()) return false;
    auto step = std::move(fileDialogScript.front());
    fileDialogScript.pop_front();
    ++modalDepth_;
    const bool chosen = step(params);
    --modalDepth_;
    return chosen && !sessionEnding;
}

void FakeWindow::sendCommand(int id) {
    noteCaller();
    commandsSent.push_back(id);
    if (events) events->onCommand(id, 0);
}

bool FakeWindow::runOnWindowThread(std::function<void()> fn) {
    if (!marshalCalls) {
        fn();
        return true;
    }
    return gate_.run(std::move(fn));
}

size_t FakeWindow::pump() {
    size_t served = 0;
    for (;;) {
        WindowThreadGate::Job job;
        {
            std::lock_guard<std::mutex> lock(callMutex_);
            if (calls_.empty()) break;
            job = std::move(calls_.front());
            calls_.pop_front();
        }
        job();
        ++served;
        if (afterServed) afterServed();
    }
    return served;
}

bool FakeWindow::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pump();
        if (done()) return true;
        std::unique_lock<std::mutex> lock(callMutex_);
        if (std::chrono::steady_clock::now() > deadline) return false;
        callCv_.wait_for(lock, std::chrono::milliseconds(1), [&] { return !calls_.empty(); });
    }
}

void FakeWindow::destroy() {
    // As the real window: waiting callers go first, so the shutdown may join them.
    gate_.close();
    if (destroyCalled) return;
    destroyCalled = true;
    if (events) events->onDestroy();
    timers_.clear();
    timersStopped_ = true;
}

void FakeWindow::postMciNotify(uint32_t flags, uint32_t deviceId) {
    std::lock_guard<std::mutex> lock(notifyMutex_);
    pendingNotifications_.emplace_back(flags, deviceId);
}

void FakeWindow::deliverNotifications() {
    std::vector<std::pair<uint32_t, uint32_t>> pending;
    {
        std::lock_guard<std::mutex> lock(notifyMutex_);
        pending.swap(pendingNotifications_);
    }
    // As the real window's queue: nothing reaches a destroyed window.
    if (destroyCalled) return;
    for (auto& [flags, id] : pending) {
        notifications.emplace_back(flags, id);
        if (events) events->onMciNotify(flags, id);
    }
}

void FakeWindow::paint() {
    FakeCanvas canvas(drawn, false);
    if (events) events->onPaint(canvas);
}

void FakeWindow::endSession() {
    if (sessionEnding || destroyCalled) return;
    sessionEnding = true;
    if (events) events->onEndSession();
    // The real window goes once the boxes' loops have unwound: here, at the next turn of time.
    if (modalDepth_ == 0) destroy();
}

void FakeWindow::advance(int64_t ms) {
    if (sessionEnding && modalDepth_ == 0 && !destroyCalled) destroy();
    const int64_t end = nowMs + ms;
    while (!timersStopped_) {
        // The earliest due timer; ties go to the lower id, as a message queue would serve them.
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](auto& a, auto& b) { return a.second.due < b.second.due; });
        if (next == timers_.end() || next->second.due > end) break;
        nowMs = next->second.due;
        next->second.due += next->second.period;
        int id = next->first;
        if (events) events->onTimer(id);
    }
    // A message box opened by a timer may have let more time pass than this call asked for.
    nowMs = std::max(nowMs, end);
}

std::vector<DrawOp> FakeWindow::textsDrawn(const std::string& text) const {
    std::vector<DrawOp> out;
    for (auto& op : drawn)
        if (op.kind == DrawOp::Text && op.text == text) out.push_back(op);
    return out;
}

}  // namespace wl::test

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

std::string FakeWindow::listText(int id, int index) {
    auto& items = controls[id].items;
    return index >= 0 && size_t(index) < items.size() ? items[index] : std::string();
}

void FakeWindow::setMenu(const std::vector<MenuPopup>& m) {
    menu = m;
    for (auto& popup : m)
        for (auto& item : popup.items)
            if (item.id) menuEnabled.emplace(item.id, true);
}

bool FakeWindow::setTimer(int id, int ms) {
    noteCaller();
    if (failTimers.count(id)) return false;
    timers_[id] = Timer{ms, nowMs + ms};
    return true;
}

int FakeWindow::messageBox(const std::string& text, const std::string& caption, unsigned type, bool ownerless) {
    noteCaller();
    boxes.push_back(ShownBox{text, caption, type, ownerless});
    BoxAnswer answer{defaultAnswer(type), 0};
    if (!boxAnswers.empty()) {
        answer = boxAnswers.front();
        boxAnswers.pop_front();
    }
    // The box's own event loop: timers keep firing while it is open.
    if (answer.advanceMsWhileOpen > 0) advance(answer.advanceMsWhileOpen);
    return answer.button;
}

void FakeWindow::answerBoxes(std::initializer_list<int> buttons) {
    for (int b : buttons) boxAnswers.push_back(BoxAnswer{b, 0});
}

int FakeWindow::runDialog(const DialogTemplate& dialog, DialogProc& proc) {
    dialogsRun.push_back(dialog.name);
    if (dialogScript.empty()) return 0;
    auto step = std::move(dialogScript.front());
    dialogScript.pop_front();
    return step(dialog, proc);
}

bool FakeWindow::runFileDialog(FileDialogParams& params) {
    if (fileDialogScript.empty()) return false;
    auto step = std::move(fileDialogScript.front());
    fileDialogScript.pop_front();
    return step(params);
}

void FakeWindow::sendCommand(int id) {
    noteCaller();
    commandsSent.push_back(id);
    if (events) events->onCommand(id, 0);
}

void FakeWindow::runOnWindowThread(const std::function<void()>& fn) {
    if (!marshalCalls || std::this_thread::get_id() == owner_) {
        fn();
        return;
    }
    PendingCall call{&fn};
    std::unique_lock<std::mutex> lock(callMutex_);
    if (shuttingDown_) return;
    calls_.push_back(&call);
    callCv_.notify_all();
    for (;;) {
        if (call.done) return;
        if (shuttingDown_) {
            // Not taken yet: dropped without effect. Taken: wait until it has been served.
            auto it = std::find(calls_.begin(), calls_.end(), &call);
            if (it != calls_.end()) {
                calls_.erase(it);
                return;
            }
        }
        callCv_.wait(lock);
    }
}

size_t FakeWindow::pump() {
    size_t served = 0;
    for (;;) {
        PendingCall* call;
        {
            std::lock_guard<std::mutex> lock(callMutex_);
            if (calls_.empty()) break;
            call = calls_.front();
            calls_.pop_front();
        }
        (*call->fn)();
        {
            std::lock_guard<std::mutex> lock(callMutex_);
            call->done = true;
        }
        callCv_.notify_all();
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
    {
        std::lock_guard<std::mutex> lock(callMutex_);
        shuttingDown_ = true;
    }
    callCv_.notify_all();
    if (destroyCalled) return;
    destroyCalled = true;
    if (events) events->onDestroy();
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
    for (auto& [flags, id] : pending) {
        notifications.emplace_back(flags, id);
        if (events) events->onMciNotify(flags, id);
    }
}

void FakeWindow::paint() {
    FakeCanvas canvas(drawn, false);
    if (events) events->onPaint(canvas);
}

void FakeWindow::advance(int64_t ms) {
    const int64_t end = nowMs + ms;
    for (;;) {
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

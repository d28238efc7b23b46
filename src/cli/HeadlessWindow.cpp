#include "cli/HeadlessWindow.h"

#include <algorithm>

namespace wl::cli {

namespace {

// Draws nothing; hands on the texts, which tell a run's progress.
class TextCanvas : public Canvas {
public:
    explicit TextCanvas(std::function<void(const std::string&)> onText) : onText_(std::move(onText)) {}
    void rectangle(const Rect&, Rgb, Rgb) override {}
    void line(Point, Point, Rgb) override {}
    void polyline(const std::vector<Point>&, Rgb) override {}
    void textOut(int, int, const std::string& text, const TextStyle&) override {
        if (onText_) onText_(text);
    }

private:
    std::function<void(const std::string&)> onText_;
};

// A dialog's controls as values: what its procedure sets, the script reads and changes.
class HeadlessDialog : public Dialog {
public:
    int result = 0;
    bool ended = false;

    void end(int r) override {
        result = r;
        ended = true;
    }
    bool isChecked(int id) override { return checked_[id]; }
    void setChecked(int id, bool c) override { checked_[id] = c; }
    std::string text(int id, size_t maxBytes) override { return texts_[id].substr(0, maxBytes); }
    void setText(int id, const std::string& t) override { texts_[id] = t; }
    void enable(int, bool) override {}
    void setFocus(int) override {}
    int listAdd(int id, const std::string& t) override {
        lists_[id].push_back(t);
        return int(lists_[id].size()) - 1;
    }
    void listClear(int id) override { lists_[id].clear(); }
    int listCount(int id) override { return int(lists_[id].size()); }
    std::string listText(int id, int index) override {
        const auto& l = lists_[id];
        return index >= 0 && size_t(index) < l.size() ? l[size_t(index)] : std::string();
    }
    void listDelete(int id, int index) override {
        auto& l = lists_[id];
        if (index >= 0 && size_t(index) < l.size()) l.erase(l.begin() + index);
    }
    int listCurSel(int id) override { return current_.count(id) ? current_[id] : -1; }
    void listSetCurSel(int id, int index) override { current_[id] = index; }
    std::vector<int> listSelectedItems(int id) override {
        const int at = listCurSel(id);
        return at < 0 ? std::vector<int>{} : std::vector<int>{at};
    }
    void listSetSel(int id, int index, bool selected) override {
        if (selected) current_[id] = index;
    }
    void listSetHorizontalExtent(int, int) override {}
    int textWidth(const std::string& t) override { return int(t.size()) * 7; }

private:
    std::map<int, bool> checked_;
    std::map<int, std::string> texts_;
    std::map<int, std::vector<std::string>> lists_;
    std::map<int, int> current_;
};

}  // namespace

HeadlessWindow::HeadlessWindow()
    : gate_([this](WindowThreadGate::Job job) {
          {
              std::lock_guard<std::mutex> lock(queueMutex_);
              queue_.push_back(std::move(job));
          }
          queueCv_.notify_all();
      }) {}

HeadlessWindow::~HeadlessWindow() { gate_.close(); }

int HeadlessWindow::create(WindowEvents& events) {
    events_ = &events;
    return events.onCreate(*this);
}

int HeadlessWindow::runMessageLoop() {
    serveUntil([this] { return quitCalled_; }, -1);
    return exitCode_;
}

void HeadlessWindow::destroy() {
    // Waiting callers go first, so the shutdown may join them.
    gate_.close();
    if (destroyed_) return;
    destroyed_ = true;
    timers_.clear();
    if (events_) events_->onDestroy();
    timers_.clear();
    quitCalled_ = true;
}

void HeadlessWindow::quit(int exitCode) {
    exitCode_ = exitCode;
    quitCalled_ = true;
}

void HeadlessWindow::endSession() {
    if (sessionEnding_ || destroyed_) return;
    sessionEnding_ = true;
    if (events_) events_->onEndSession();
    destroy();
}

void HeadlessWindow::createButton(int id, const std::string& caption, const Rect&) {
    Control c;
    c.text = caption;
    controls_[id] = c;
}
void HeadlessWindow::createEdit(int id, const Rect&) { controls_[id] = Control(); }
void HeadlessWindow::createListBox(int id, const Rect&) {
    Control c;
    c.list = true;
    controls_[id] = c;
}

void HeadlessWindow::enableControl(int id, bool enabled) {
    marshal([this, id, enabled] {
        if (auto it = controls_.find(id); it != controls_.end()) it->second.enabled = enabled;
    });
}

bool HeadlessWindow::isControlEnabled(int id) {
    return marshal<bool>([this, id] {
        auto it = controls_.find(id);
        return it != controls_.end() && it->second.enabled;
    }, false);
}

void HeadlessWindow::setControlText(int id, const std::string& text) {
    marshal([this, id, text] {
        if (auto it = controls_.find(id); it != controls_.end() && !it->second.list) it->second.text = text;
    });
}

std::string HeadlessWindow::controlText(int id, size_t maxChars) {
    return marshal<std::string>([this, id, maxChars] {
        auto it = controls_.find(id);
        return it == controls_.end() ? std::string() : it->second.text.substr(0, maxChars);
    }, std::string());
}

void HeadlessWindow::listClear(int id) {
    marshal([this, id] {
        if (auto it = controls_.find(id); it != controls_.end()) it->second.items.clear();
    });
}

void HeadlessWindow::listAdd(int id, const std::string& text) {
    marshal([this, id, text] {
        if (auto it = controls_.find(id); it != controls_.end() && it->second.list) it->second.items.push_back(text);
    });
}

int HeadlessWindow::listCount(int id) {
    return marshal<int>([this, id] {
        auto it = controls_.find(id);
        return it == controls_.end() ? 0 : int(it->second.items.size());
    }, 0);
}

std::string HeadlessWindow::listText(int id, int index) {
    return marshal<std::string>([this, id, index] {
        auto it = controls_.find(id);
        if (it == controls_.end() || index < 0 || size_t(index) >= it->second.items.size()) return std::string();
        return it->second.items[size_t(index)];
    }, std::string());
}

void HeadlessWindow::setMenu(const std::vector<MenuPopup>& menu) {
    marshal([this, menu] {
        menuEnabled_.clear();
        menuChecked_.clear();
        for (const MenuPopup& popup : menu)
            for (const MenuItem& item : popup.items)
                if (item.id) menuEnabled_[item.id] = true;
    });
}

void HeadlessWindow::enableMenuItem(int id, bool enabled) {
    marshal([this, id, enabled] {
        if (auto it = menuEnabled_.find(id); it != menuEnabled_.end()) it->second = enabled;
    });
}

bool HeadlessWindow::isMenuItemEnabled(int id) {
    return marshal<bool>([this, id] {
        auto it = menuEnabled_.find(id);
        return it != menuEnabled_.end() && it->second;
    }, false);
}

void HeadlessWindow::checkMenuItem(int id, bool checked) {
    marshal([this, id, checked] {
        if (menuEnabled_.count(id)) menuChecked_[id] = checked;
    });
}

bool HeadlessWindow::isMenuItemChecked(int id) {
    return marshal<bool>([this, id] { return menuChecked_.count(id) && menuChecked_[id]; }, false);
}

std::unique_ptr<Canvas> HeadlessWindow::immediateCanvas() {
    // Drawing happens on the window's thread, so the hook is called there.
    return std::make_unique<TextCanvas>([this](const std::string& text) {
        marshal([this, text] {
            if (onDrawnText) onDrawnText(text);
        });
    });
}

bool HeadlessWindow::setTimer(int id, int milliseconds) {
    return marshal<bool>([this, id, milliseconds] {
        if (destroyed_) return false;
        timers_[id] = Timer{milliseconds, Clock::now() + std::chrono::milliseconds(milliseconds)};
        return true;
    }, false);
}

void HeadlessWindow::killTimer(int id) {
    marshal([this, id] { timers_.erase(id); });
}

void HeadlessWindow::fireSoon(int id) {
    if (auto it = timers_.find(id); it != timers_.end()) it->second.due = Clock::now();
}

int HeadlessWindow::messageBox(const std::string& text, const std::string& caption, unsigned type, bool) {
    const int safe = safeAnswer(type);
    return marshal<int>([this, text, caption, safe] {
        if (sessionEnding_) return safe;
        ShownMessage m{text, caption};
        messages.push_back(m);
        if (onMessage) onMessage(m);
        return safe;
    }, safe);
}

int HeadlessWindow::runDialog(const DialogTemplate& dialog, DialogProc& proc) {
    if (sessionEnding_ || !dialogScript) return IDCANCEL;
    HeadlessDialog dlg;
    const int result = dialogScript(dialog, proc, dlg);
    return dlg.ended ? dlg.result : result;
}

void HeadlessWindow::sendCommand(int id) {
    marshal([this, id] {
        if (events_ && !destroyed_) events_->onCommand(id, 0);
    });
}

bool HeadlessWindow::runOnWindowThread(std::function<void()> fn) { return gate_.run(std::move(fn)); }

void HeadlessWindow::postMciNotify(uint32_t flags, uint32_t deviceId) {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back([this, flags, deviceId] {
        if (events_ && !destroyed_) events_->onMciNotify(flags, deviceId);
    });
    queueCv_.notify_all();
}

void HeadlessWindow::checkInterrupt() {
    if (stopRequested && *stopRequested && !interruptThrown_) {
        interruptThrown_ = true;
        throw Interrupted{};
    }
}

bool HeadlessWindow::serveOnce() {
    bool ran = false;
    for (;;) {
        WindowThreadGate::Job job;
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (queue_.empty()) break;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job();
        ran = true;
    }
    // Each due timer once a round, the earliest first; a handler may change the others.
    const auto now = Clock::now();
    std::vector<std::pair<Clock::time_point, int>> due;
    for (const auto& [id, t] : timers_)
        if (t.due <= now) due.emplace_back(t.due, id);
    std::sort(due.begin(), due.end());
    for (const auto& [when, id] : due) {
        auto it = timers_.find(id);
        if (it == timers_.end() || destroyed_) continue;
        it->second.due = now + std::chrono::milliseconds(it->second.period);
        if (events_) events_->onTimer(id);
        ran = true;
    }
    return ran;
}

void HeadlessWindow::processPendingEvents() {
    checkInterrupt();
    serveOnce();
    if (onServe) onServe();
}

bool HeadlessWindow::serveUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        checkInterrupt();
        serveOnce();
        if (onServe) onServe();
        if (done()) return true;
        if (destroyed_) {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (queue_.empty()) return done();
        }
        if (timeoutMs >= 0 && Clock::now() >= deadline) return false;
        // Sleep until the next call arrives or the next timer is due, 20 ms at most, so a
        // signal is seen soon.
        auto wake = Clock::now() + std::chrono::milliseconds(20);
        for (const auto& [id, t] : timers_) wake = std::min(wake, t.due);
        std::unique_lock<std::mutex> lock(queueMutex_);
        queueCv_.wait_until(lock, wake, [this] { return !queue_.empty(); });
    }
}

}  // namespace wl::cli

#pragma once
// A headless main window: records controls, captions, enabled states, menu states, texts
// drawn and message boxes shown; answers message boxes and dialogs from a script; a virtual
// clock fires timers by id, also while a message box is "shown".
//
// Where the program could tell them apart it behaves as the Qt window does: ids nobody
// created read as disabled and empty and changes to them are ignored, no timer fires after
// destroy, and calls from other threads go through the same window-thread gate, so a
// caller is released by the same rules (also while its work is still running).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "FakeCanvas.h"
#include "adapters/gate/WindowThreadGate.h"
#include "platform/Window.h"

namespace wl::test {

struct FakeControl {
    enum Kind { Button, Edit, ListBox } kind = Button;
    std::string text;
    Rect rect;
    bool enabled = true;
    std::vector<std::string> items;  // list box
};

struct ShownBox {
    std::string text, caption;
    unsigned type = 0;
    bool ownerless = false;
};

// One scripted answer: the button, virtual time that passes while the box is open, and
// what else happens meanwhile (the user closing the window, say).
struct BoxAnswer {
    int button = IDOK;
    int advanceMsWhileOpen = 0;
    std::function<void()> whileOpen = nullptr;
};

class FakeWindow : public Window {
public:
    FontMetrics metrics{7, 16, 0};
    int screenW = 1024, screenH = 768;
    Rect windowRect;
    std::map<int, FakeControl> controls;
    std::vector<int> controlOrder;
    std::vector<MenuPopup> menu;
    std::vector<Accelerator> accelerators;
    std::map<int, bool> menuEnabled, menuChecked;
    std::vector<DrawOp> drawn;
    std::vector<std::optional<Rect>> invalidated;
    std::vector<CursorKind> cursors;
    std::vector<ShownBox> boxes;
    std::deque<BoxAnswer> boxAnswers;
    std::vector<int> commandsSent;
    std::vector<std::string> dialogsRun;
    // Dialog script: given the template and the procedure, drive it and return the result.
    std::deque<std::function<int(const DialogTemplate&, DialogProc&)>> dialogScript;
    std::deque<std::function<bool(FileDialogParams&)>> fileDialogScript;
    int focusId = 0;
    bool created = false, shown = false, destroyCalled = false;
    int createResult = 0;
    std::optional<int> quitCode;
    std::vector<std::pair<uint32_t, uint32_t>> notifications;
    int64_t nowMs = 0;
    std::set<int> failTimers;  // setTimer refuses these ids

    WindowEvents* events = nullptr;

    // Window.
    int create(WindowEvents& ev) override;
    void show() override { shown = true; }
    int runMessageLoop() override { return quitCode.value_or(0); }
    FontMetrics defaultFontMetrics() override { return metrics; }
    int screenWidth() override { return screenW; }
    int screenHeight() override { return screenH; }
    void moveWindow(int x, int y, int w, int h) override { windowRect = Rect{x, y, x + w, y + h}; }
    Rgb systemColor(SysColor c) override;
    void createButton(int id, const std::string& caption, const Rect& r) override;
    void createEdit(int id, const Rect& r) override;
    void createListBox(int id, const Rect& r) override;
    void enableControl(int id, bool enabled) override;
    bool isControlEnabled(int id) override;
    void setControlText(int id, const std::string& text) override;
    std::string controlText(int id, size_t maxChars) override;
    void setFocus(int id) override;
    void updateControl(int) override { noteCaller(); }
    void listClear(int id) override;
    void listAdd(int id, const std::string& text) override;
    int listCount(int id) override;
    std::string listText(int id, int index) override;
    void setMenu(const std::vector<MenuPopup>& m) override;
    void setAccelerators(const std::vector<Accelerator>& table) override { accelerators = table; }
    void enableMenuItem(int id, bool enabled) override;
    bool isMenuItemEnabled(int id) override;
    void checkMenuItem(int id, bool checked) override;
    bool isMenuItemChecked(int id) override;
    void invalidate(const Rect* r, bool) override { noteCaller(); invalidated.push_back(r ? std::optional<Rect>(*r) : std::nullopt); }
    void updateWindow() override { noteCaller(); }
    int pendingEventPumps = 0;
    // Runs as the window's loop would turn inside work that keeps it served (a rip's chunks).
    std::function<void()> duringPendingEvents;
    void processPendingEvents() override {
        noteCaller();
        ++pendingEventPumps;
        if (duringPendingEvents) duringPendingEvents();
    }
    std::unique_ptr<Canvas> immediateCanvas() override { noteCaller(); return std::make_unique<FakeCanvas>(drawn, true); }
    void setCursor(CursorKind c) override { noteCaller(); cursors.push_back(c); }
    bool setTimer(int id, int ms) override;
    void killTimer(int id) override { noteCaller(); timers_.erase(id); }
    int messageBox(const std::string& text, const std::string& caption, unsigned type, bool ownerless) override;
    int runDialog(const DialogTemplate& dialog, DialogProc& proc) override;
    bool saveFileDialog(FileDialogParams& params) override { return runFileDialog(params); }
    bool openFileDialog(FileDialogParams& params) override { return runFileDialog(params); }
    void sendCommand(int id) override;
    bool runOnWindowThread(std::function<void()> fn) override;
    // Queued for pump(), from any thread, as the real window's gate queues it.
    void postToWindowThread(std::function<void()> fn) override { gate_.post(std::move(fn)); }
    void destroy() override;
    void quit(int code) override { quitCode = code; }
    void endSession() override;
    bool sessionEnding = false;
    void postMciNotify(uint32_t flags, uint32_t deviceId) override;

    // Test controls.
    void paint();                          // runs the paint handler into `drawn`
    void advance(int64_t ms);              // virtual time: fires due timers in order
    bool timerRunning(int id) const { return timers_.count(id) != 0; }
    int timerPeriod(int id) const { auto it = timers_.find(id); return it == timers_.end() ? 0 : it->second.period; }
    void deliverNotifications();           // serves queued end-of-play notifications
    void click(int id) { sendCommand(id); }
    const ShownBox* lastBox() const { return boxes.empty() ? nullptr : &boxes.back(); }
    std::vector<DrawOp> textsDrawn(const std::string& text) const;
    void answerBoxes(std::initializer_list<int> buttons);
    int defaultAnswer(unsigned type) const { return type == MB_YESNO ? IDNO : type == MB_OKCANCEL ? IDCANCEL : IDOK; }

    // The window's thread is the test thread (the one that built this window).
    // runOnWindowThread from another thread waits until the test serves the block with
    // pump(); destroy() releases waiting callers at once and refuses new ones, as the real
    // window's gate does, even when their block is running (a box open in it). Any other
    // call from another thread is a fault of the program and is counted in offThreadCalls
    // while marshalCalls is on. Turned off, a block from any thread runs at once on that
    // thread, which no real window does: only for a test that must not pump.
    bool marshalCalls = true;
    std::atomic<int> offThreadCalls{0};
    std::function<void()> afterServed;  // runs on the test thread after each served block
    size_t pump();                       // serves the queued blocks; returns how many
    // Serves blocks until done() holds; false on timeout.
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000);

private:
    std::thread::id owner_ = std::this_thread::get_id();
    std::mutex callMutex_;
    std::condition_variable callCv_;
    std::deque<WindowThreadGate::Job> calls_;
    bool timersStopped_ = false;
    int modalDepth_ = 0;
    void noteCaller() {
        if (marshalCalls && std::this_thread::get_id() != owner_) ++offThreadCalls;
    }
    struct Timer {
        int period;
        int64_t due;
    };
    std::map<int, Timer> timers_;
    std::mutex notifyMutex_;
    std::vector<std::pair<uint32_t, uint32_t>> pendingNotifications_;
    bool runFileDialog(FileDialogParams& params);
    FakeControl* find(int id);
    // Last: it is closed, releasing its callers, before the queue it posts to goes away.
    WindowThreadGate gate_{[this](WindowThreadGate::Job job) {
        {
            std::lock_guard<std::mutex> lock(callMutex_);
            calls_.push_back(std::move(job));
        }
        callCv_.notify_all();
    }};
};

}  // namespace wl::test

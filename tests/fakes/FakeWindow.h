#pragma once
// A headless main window: records controls, captions, enabled states, menu states, texts
// drawn and message boxes shown; answers message boxes and dialogs from a script; a virtual
// clock fires timers by id, also while a message box is "shown".
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

// One scripted answer: the button, and virtual time that passes while the box is open.
struct BoxAnswer {
    int button = IDOK;
    int advanceMsWhileOpen = 0;
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
    void enableControl(int id, bool enabled) override { noteCaller(); controls[id].enabled = enabled; }
    bool isControlEnabled(int id) override { noteCaller(); return controls[id].enabled; }
    void setControlText(int id, const std::string& text) override { noteCaller(); controls[id].text = text; }
    std::string controlText(int id, size_t maxChars) override { noteCaller(); return controls[id].text.substr(0, maxChars); }
    void setFocus(int id) override { noteCaller(); focusId = id; }
    void updateControl(int) override { noteCaller(); }
    void listClear(int id) override { controls[id].items.clear(); }
    void listAdd(int id, const std::string& text) override { controls[id].items.push_back(text); }
    int listCount(int id) override { return int(controls[id].items.size()); }
    std::string listText(int id, int index) override;
    void setMenu(const std::vector<MenuPopup>& m) override;
    void setAccelerators(const std::vector<Accelerator>& table) override { accelerators = table; }
    void enableMenuItem(int id, bool enabled) override { noteCaller(); menuEnabled[id] = enabled; }
    bool isMenuItemEnabled(int id) override { return menuEnabled.count(id) ? menuEnabled[id] : true; }
    void checkMenuItem(int id, bool checked) override { menuChecked[id] = checked; }
    bool isMenuItemChecked(int id) override { return menuChecked.count(id) ? menuChecked[id] : false; }
    void invalidate(const Rect* r, bool) override { noteCaller(); invalidated.push_back(r ? std::optional<Rect>(*r) : std::nullopt); }
    void updateWindow() override { noteCaller(); }
    int pendingEventPumps = 0;
    void processPendingEvents() override { noteCaller(); ++pendingEventPumps; }
    std::unique_ptr<Canvas> immediateCanvas() override { noteCaller(); return std::make_unique<FakeCanvas>(drawn, true); }
    void setCursor(CursorKind c) override { noteCaller(); cursors.push_back(c); }
    bool setTimer(int id, int ms) override;
    void killTimer(int id) override { noteCaller(); timers_.erase(id); }
    int messageBox(const std::string& text, const std::string& caption, unsigned type, bool ownerless) override;
    int runDialog(const DialogTemplate& dialog, DialogProc& proc) override;
    bool saveFileDialog(FileDialogParams& params) override { return runFileDialog(params); }
    bool openFileDialog(FileDialogParams& params) override { return runFileDialog(params); }
    void sendCommand(int id) override;
    void runOnWindowThread(const std::function<void()>& fn) override;
    void destroy() override;
    void quit(int code) override { quitCode = code; }
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

    // Thread-safe mode, for the conversion worker. runOnWindowThread from another thread
    // waits until the test thread (the "window's thread": the one that built this window)
    // serves the block with pump(); once destroy() has begun such calls return at once
    // without effect, as the real window's do. Any other call from another thread is a
    // fault of the program and is counted in offThreadCalls.
    bool marshalCalls = false;
    std::atomic<int> offThreadCalls{0};
    std::function<void()> afterServed;  // runs on the test thread after each served block
    size_t pump();                       // serves the queued blocks; returns how many
    // Serves blocks until done() holds; false on timeout.
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000);

private:
    struct PendingCall {
        const std::function<void()>* fn;
        bool done = false;
    };
    std::thread::id owner_ = std::this_thread::get_id();
    std::mutex callMutex_;
    std::condition_variable callCv_;
    std::deque<PendingCall*> calls_;
    bool shuttingDown_ = false;
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
};

}  // namespace wl::test

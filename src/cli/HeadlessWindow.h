#pragma once
// The main window of a command-line run: nothing is shown and no display is needed. It keeps
// the controls' texts and states the program reads back, runs timers and the calls other
// threads hand the window's thread (through the same gate as the Qt window, so callers are
// released by the same rules), answers each message box with its safe answer and reports
// its text, and hands the dialogs the program opens to a script the command line sets.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "adapters/gate/WindowThreadGate.h"
#include "platform/Window.h"

namespace wl::cli {

// Thrown out of the program's event serving when a signal asked the run to stop: the rip
// under way unwinds, removing its unfinished file, and the command line ends the run.
struct Interrupted {};

struct ShownMessage {
    std::string text, caption;
};

class HeadlessWindow : public Window {
public:
    using Clock = std::chrono::steady_clock;
    // Drives a dialog the program runs; returns the dialog's result.
    using DialogScript = std::function<int(const DialogTemplate&, DialogProc&, Dialog&)>;

    HeadlessWindow();
    ~HeadlessWindow() override;

    // What the command line sets.
    std::function<void(const ShownMessage&)> onMessage;  // each box as it opens
    std::function<void()> onServe;                       // each time the program lets events run
    std::function<void(const std::string&)> onDrawnText; // each text drawn at once (window's thread)
    DialogScript dialogScript;                           // none: every dialog is cancelled
    std::vector<ShownMessage> messages;
    // Set by a signal handler; the next serving of events after it throws Interrupted once.
    const std::atomic<bool>* stopRequested = nullptr;
    bool interrupted() const { return interruptThrown_; }

    // Serves timers and calls from other threads until done() holds; false on timeout or
    // once the window is destroyed with done() still false.
    bool serveUntil(const std::function<bool()>& done, int timeoutMs);
    // A running timer's next tick comes at once.
    void fireSoon(int id);
    bool destroyed() const { return destroyed_; }

    // WindowFrame.
    int create(WindowEvents& events) override;
    void show() override {}
    int runMessageLoop() override;
    FontMetrics defaultFontMetrics() override { return FontMetrics{7, 16, 0}; }
    int screenWidth() override { return 1024; }
    int screenHeight() override { return 768; }
    void moveWindow(int, int, int, int) override {}
    Rgb systemColor(SysColor) override { return Rgb{212, 208, 200}; }
    void destroy() override;
    void quit(int exitCode) override;
    void endSession() override;

    // WindowControls.
    void createButton(int id, const std::string& caption, const Rect& r) override;
    void createEdit(int id, const Rect& r) override;
    void createListBox(int id, const Rect& r) override;
    void enableControl(int id, bool enabled) override;
    bool isControlEnabled(int id) override;
    void setControlText(int id, const std::string& text) override;
    std::string controlText(int id, size_t maxChars) override;
    void setFocus(int) override {}
    void updateControl(int) override {}
    void listClear(int id) override;
    void listAdd(int id, const std::string& text) override;
    int listCount(int id) override;
    std::string listText(int id, int index) override;
    void setMenu(const std::vector<MenuPopup>& menu) override;
    void setAccelerators(const std::vector<Accelerator>&) override {}
    void enableMenuItem(int id, bool enabled) override;
    bool isMenuItemEnabled(int id) override;
    void checkMenuItem(int id, bool checked) override;
    bool isMenuItemChecked(int id) override;
    void setCursor(CursorKind) override {}

    // WindowPainting: nothing is drawn.
    void invalidate(const Rect*, bool) override {}
    void updateWindow() override {}
    void processPendingEvents() override;
    std::unique_ptr<Canvas> immediateCanvas() override;

    // WindowTimers.
    bool setTimer(int id, int milliseconds) override;
    void killTimer(int id) override;

    // WindowModal.
    int messageBox(const std::string& text, const std::string& caption, unsigned type, bool ownerless) override;
    int runDialog(const DialogTemplate& dialog, DialogProc& proc) override;
    bool saveFileDialog(FileDialogParams&) override { return false; }
    bool openFileDialog(FileDialogParams&) override { return false; }

    // WindowThread.
    void sendCommand(int id) override;
    bool runOnWindowThread(std::function<void()> fn) override;
    void postToWindowThread(std::function<void()> fn) override { gate_.post(std::move(fn)); }

    // MciNotifySink: from any thread; delivered by the window's thread.
    void postMciNotify(uint32_t flags, uint32_t deviceId) override;

private:
    struct Control {
        std::string text;
        bool enabled = true;
        bool list = false;
        std::vector<std::string> items;
    };
    struct Timer {
        int period = 0;
        Clock::time_point due;
    };

    WindowEvents* events_ = nullptr;
    std::map<int, Control> controls_;
    std::map<int, bool> menuEnabled_, menuChecked_;
    std::map<int, Timer> timers_;
    bool destroyed_ = false, sessionEnding_ = false, quitCalled_ = false, interruptThrown_ = false;
    int exitCode_ = 0;

    std::mutex queueMutex_;
    std::condition_variable queueCv_;
    std::deque<WindowThreadGate::Job> queue_;

    // Runs fn on the window's thread (at once there), as every call from a worker is.
    template <class R, class F>
    R marshal(F fn, R fallback) {
        return gate_.call<R>(fn, fallback);
    }
    template <class F>
    void marshal(F fn) {
        if (gate_.onWindowThread()) fn();
        else gate_.run(fn);
    }
    // One round: the queued calls, then the due timers. Returns whether anything ran.
    bool serveOnce();
    void checkInterrupt();

    // Last: closed, releasing its callers, before the queue it posts to goes away.
    WindowThreadGate gate_;
};

}  // namespace wl::cli

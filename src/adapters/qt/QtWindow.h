#pragma once
// The main window over Qt6 Widgets. The QApplication must exist before a QtWindow is made,
// on the thread that then runs the message loop (the window's thread).
//
// What the program paints lives in a client-sized back buffer: paint handler and immediate
// drawing both draw into it, and the client area shows it. Calls from other threads are
// carried to the window's thread and wait for it; once destroy() has begun they return at
// once with defaults, so the window's thread may join a worker that is still calling in.
#include <functional>
#include <memory>
#include <string>

#include "platform/Window.h"

class QAction;
class QMenuBar;
class QWidget;

namespace wl {

class QtWindow : public Window {
public:
    QtWindow();
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    int create(WindowEvents& events) override;
    void show() override;
    int runMessageLoop() override;

    FontMetrics defaultFontMetrics() override;
    int screenWidth() override;
    int screenHeight() override;
    void moveWindow(int x, int y, int width, int height) override;
    Rgb systemColor(SysColor color) override;

    void createButton(int id, const std::string& caption, const Rect& r) override;
    void createEdit(int id, const Rect& r) override;
    void createListBox(int id, const Rect& r) override;
    void enableControl(int id, bool enabled) override;
    bool isControlEnabled(int id) override;
    void setControlText(int id, const std::string& text) override;
    std::string controlText(int id, size_t maxChars) override;
    void setFocus(int id) override;
    void updateControl(int id) override;
    void listClear(int id) override;
    void listAdd(int id, const std::string& text) override;
    int listCount(int id) override;
    std::string listText(int id, int index) override;

    void setMenu(const std::vector<MenuPopup>& menu) override;
    void setAccelerators(const std::vector<Accelerator>& table) override;
    void enableMenuItem(int id, bool enabled) override;
    bool isMenuItemEnabled(int id) override;
    void checkMenuItem(int id, bool checked) override;
    bool isMenuItemChecked(int id) override;

    void invalidate(const Rect* r, bool erase) override;
    void updateWindow() override;
    void processPendingEvents() override;
    std::unique_ptr<Canvas> immediateCanvas() override;

    void setCursor(CursorKind cursor) override;

    bool setTimer(int id, int milliseconds) override;
    void killTimer(int id) override;

    int messageBox(const std::string& text, const std::string& caption, unsigned type,
                   bool ownerless = false) override;
    int runDialog(const DialogTemplate& dialog, DialogProc& proc) override;
    bool saveFileDialog(FileDialogParams& params) override;
    bool openFileDialog(FileDialogParams& params) override;

    void sendCommand(int id) override;
    bool runOnWindowThread(std::function<void()> fn) override;
    void postToWindowThread(std::function<void()> fn) override;
    void postMciNotify(uint32_t flags, uint32_t deviceId) override;

    void destroy() override;
    void quit(int exitCode) override;
    void endSession() override;

    // Runs action when the user clicks control id while it is disabled (window's thread).
    void setDisabledClickAction(int id, std::function<void()> action);

    // For tests and screenshots (window's thread only).
    QWidget* widget() const;      // the top-level window
    QWidget* clientArea() const;  // what moveWindow sizes; children sit in it
    QWidget* control(int id) const;
    QMenuBar* menuBar() const;
    QMenuBar* rightMenuBar() const;  // right-justified popups; null when there are none
    QAction* menuAction(int id) const;
    bool grabToPng(const std::string& path);

    struct Impl;

private:
    void applyOuterSize();  // window's thread
    std::unique_ptr<Impl> d_;
};

}  // namespace wl

#pragma once
// Entry point, window creation, dispatch of window events and commands, shutdown.
#include "app/App.h"

namespace wl {

// The window procedure: hands each event to its handler.
class MainWindowProc : public WindowEvents {
public:
    explicit MainWindowProc(App& app) : app_(app) {}
    int onCreate(Window& window) override;
    void onDestroy() override;
    void onEndSession() override;
    void onPaint(Canvas& canvas) override;
    void onCommand(int id, int notifyCode) override;
    void onTimer(int id) override;
    void onMouseMove(int x, int y) override;
    void onClick(int x, int y, bool doubleClick) override;
    void onMciNotify(uint32_t flags, uint32_t deviceId) override;

private:
    App& app_;
};

// The program's entry point: AutoRun policy, window, message loop. Returns the exit code.
int WavelatheMain(App& app, MainWindowProc& proc);

int CreateMainWindow(App& app);
void ShutdownMainWindow(App& app);
void HandleCommand(App& app, int id);
void HandleMouseMove(App& app, int x, int y);
void HandleClick(App& app, int x, int y);
void HandleMciNotify(App& app);
void HandleTimer(App& app, int id);

// The clickable part of the status line, bounds exclusive.
bool inStatusClickZone(const App& app, int x, int y);
bool inPanelZone(const App& app, int x, int y);

}  // namespace wl

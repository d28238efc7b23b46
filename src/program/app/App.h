#pragma once
// One running program: its state and the ports it is wired to. Tests build as many as they
// like; nothing is process-wide.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/AppState.h"
#include "platform/Platform.h"

namespace wl {

struct App {
    explicit App(Platform platform) : p(platform) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    AppState s;
    Platform p;
    bool destroyed = false;
};

// Layout: a unit times a factor, computed in double precision and truncated toward zero.
inline int scaled(double factor, int unit) { return static_cast<int>(factor * unit); }

// SendMessage(WM_COMMAND) to the main window.
inline void sendCommand(App& app, int id) { app.p.window.sendCommand(id); }

// Nothing under way that a name or a cover would change: no recording, rip, batch or conversion.
inline bool ProgramIdle(const App& app) {
    const AppState& s = app.s;
    // A batch goes from one track's recording or rip straight into the next one's.
    return s.recording == 0 && s.ripping == 0 && s.converting == 0 && !s.workerRunning && !s.ripEncoding;
}

// Builds the command in mciCommand, sends it, keeps the code in mciError and, when a reply
// is wanted, the reply (at most 20 bytes, as status queries ask) in mciReply.
uint32_t mciSend(App& app, const std::string& command, bool wantReply = false);

// MB_OK box owned by the main window.
int showMessage(App& app, const std::string& text, const std::string& caption, unsigned type = 0);
// The device layer's text for an error code (at most `textBytes`), in such a box.
void showMciError(App& app, uint32_t code, const std::string& caption, size_t textBytes = 128);

}  // namespace wl

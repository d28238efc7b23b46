#pragma once
// Port part: the window's timers. Their handlers run on the window's thread; none fires
// once the window has been destroyed.
namespace wl {

class WindowTimers {
public:
    virtual ~WindowTimers() = default;
    // Timers by id; setTimer replaces a running timer of the same id. false = not created.
    virtual bool setTimer(int id, int milliseconds) = 0;
    virtual void killTimer(int id) = 0;
};

}  // namespace wl

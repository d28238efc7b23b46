#pragma once
// Port part: painting the client area.
#include <memory>

#include "platform/Canvas.h"

namespace wl {

class WindowPainting {
public:
    virtual ~WindowPainting() = default;
    // invalidate(nullptr) = the whole client area. The paint handler runs later.
    virtual void invalidate(const Rect* r, bool erase) = 0;
    virtual void updateWindow() = 0;  // serve pending paints now
    // Inside a long step on the window's thread: serves what is pending (paints, moves,
    // timers, calls from other threads) but no user input. A close request that arrives
    // meanwhile is held until the window's thread is back in its message loop.
    virtual void processPendingEvents() = 0;
    // Draw at once outside the paint handler (GetDC); the canvas lives until released.
    virtual std::unique_ptr<Canvas> immediateCanvas() = 0;
};

}  // namespace wl

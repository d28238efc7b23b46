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
    // Draw at once outside the paint handler (GetDC); the canvas lives until released.
    virtual std::unique_ptr<Canvas> immediateCanvas() = 0;
};

}  // namespace wl

#pragma once
// Port: the main window and everything the program does to it.
//
// The program implements WindowEvents; the adapter calls it on the window's thread for each
// event (the window procedure's dispatch). The program calls Window for the rest.
//
// Window is the sum of parts split by what callers need, so a piece of the program (or a
// test double) can depend on only the part it uses:
//   WindowFrame     lifecycle and geometry           (this file)
//   WindowControls  controls, list box, menu, cursor (WindowControls.h)
//   WindowPainting  invalidation, immediate drawing  (WindowPainting.h)
//   WindowTimers    timers                           (WindowTimers.h)
//   WindowModal     message boxes, dialogs, files    (WindowModal.h)
//   WindowThread    the window's thread from others  (WindowThread.h)
//
// Threads: every Window call may be made from the window's thread. Calls that a worker
// makes (controls, texts, menu states, invalidation, immediate drawing, cursor, timers,
// message boxes, sendCommand, runOnWindowThread) are marshalled by the adapter to the
// window's thread and wait for it, as a cross-thread SendMessage would. After shutdown has
// begun, such calls from another thread return at once without effect, and callers already
// waiting are released, so that the window never waits for the worker while the worker
// waits for the window. Hence the rule: what a worker hands the window are values, never
// references into its own stack (see WindowThread.h).
#include <cstdint>

#include "platform/Canvas.h"
#include "platform/Mci.h"
#include "platform/WindowControls.h"
#include "platform/WindowModal.h"
#include "platform/WindowPainting.h"
#include "platform/WindowThread.h"
#include "platform/WindowTimers.h"

namespace wl {

enum class SysColor { BtnFace, BtnShadow, BtnHighlight };

struct FontMetrics {
    int averageCharWidth = 0;
    int height = 0;          // ascent + descent
    int externalLeading = 0;
};

class Window;

class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual int onCreate(Window& window) = 0;  // 0 = success, -1 = fail the creation
    virtual void onDestroy() = 0;
    virtual void onPaint(Canvas& canvas) = 0;
    virtual void onCommand(int id, int notifyCode) = 0;
    virtual void onTimer(int id) = 0;
    virtual void onMouseMove(int x, int y) = 0;
    virtual void onClick(int x, int y, bool doubleClick) = 0;
    virtual void onMciNotify(uint32_t flags, uint32_t deviceId) = 0;
    // The session ends (see WindowFrame::endSession): called first, before any box closes.
    virtual void onEndSession() {}
};

class WindowFrame {
public:
    virtual ~WindowFrame() = default;

    // Lifecycle, driven by the program's entry point: create calls events.onCreate and
    // returns its result (on -1 the program calls destroy); runMessageLoop returns the code
    // given to quit.
    virtual int create(WindowEvents& events) = 0;
    virtual void show() = 0;
    virtual int runMessageLoop() = 0;

    // Layout and geometry.
    virtual FontMetrics defaultFontMetrics() = 0;
    virtual int screenWidth() = 0;
    virtual int screenHeight() = 0;
    virtual void moveWindow(int x, int y, int width, int height) = 0;  // fixed size from then on
    virtual Rgb systemColor(SysColor color) = 0;

    // DestroyWindow: releases the callers waiting from other threads, runs onDestroy, then
    // ends the message loop with exitCode. Timers stop firing.
    virtual void destroy() = 0;
    virtual void quit(int exitCode) = 0;  // PostQuitMessage

    // The session ends (a signal, a logout) and no one is there to answer: every open message
    // box, dialog and file dialog closes with its safe answer (see MB_YES_IS_SAFE), any opened
    // from then on answers so at once without showing, and once their loops have unwound the
    // window is destroyed as by destroy(). Window's thread only.
    virtual void endSession() = 0;
};

class Window : public WindowFrame,
               public WindowControls,
               public WindowPainting,
               public WindowTimers,
               public WindowModal,
               public WindowThread,
               public MciNotifySink {
public:
    ~Window() override = default;
};

}  // namespace wl

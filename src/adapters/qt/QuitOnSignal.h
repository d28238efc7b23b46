#pragma once
// SIGINT, SIGTERM and SIGHUP end the program through its normal shutdown: the handler only
// writes a byte to a pipe, and the Qt event loop, seeing it, calls the given function on the
// window's thread (where the window can be destroyed and the desktop setting restored).
#include <functional>
#include <memory>

namespace wl {

class QuitOnSignal {
public:
    // Needs a QCoreApplication. One instance per process: a signal handler is process-wide.
    explicit QuitOnSignal(std::function<void()> onSignal);
    ~QuitOnSignal();  // the default actions come back
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

    bool installed() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace wl

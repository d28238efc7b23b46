#include "adapters/qt/QuitOnSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace wl {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The write end for the handler; a signal handler can reach nothing but process-wide state.
std::atomic<int> signalWriteEnd{-1};

extern "C" void onSignal(int signo) {
    const int saved = errno;
    const int fd = signalWriteEnd.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signo);
        // A full pipe already holds a request to quit; nothing is lost by dropping this one.
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

struct QuitOnSignal::Impl {
    int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previous[3] = {};
    bool installed = false;
};

QuitOnSignal::QuitOnSignal(std::function<void()> fn) : d_(std::make_unique<Impl>()) {
    if (::pipe2(d_->fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("wavelathe: signals will end the program at once (no pipe)");
        return;
    }
    int expected = -1;
    if (!signalWriteEnd.compare_exchange_strong(expected, d_->fds[1])) {
        std::fputs("wavelathe: signal handling is already installed\n", stderr);
        return;
    }
    d_->notifier = std::make_unique<QSocketNotifier>(d_->fds[0], QSocketNotifier::Read);
    const int readEnd = d_->fds[0];
    QObject::connect(d_->notifier.get(), &QSocketNotifier::activated, [readEnd, fn = std::move(fn)] {
        unsigned char bytes[16];
        while (::read(readEnd, bytes, sizeof bytes) > 0) {
        }
        fn();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &d_->previous[i]);
    d_->installed = true;
}

QuitOnSignal::~QuitOnSignal() {
    if (d_->installed) {
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &d_->previous[i], nullptr);
        signalWriteEnd.store(-1);
    }
    d_->notifier.reset();
    for (int fd : d_->fds)
        if (fd >= 0) ::close(fd);
}

bool QuitOnSignal::installed() const { return d_->installed; }

}  // namespace wl

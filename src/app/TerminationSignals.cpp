#include "app/TerminationSignals.h"

#include "common/RuntimeError.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <string>
#include <unistd.h>

namespace wtb {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe; a signal handler may do little more than write one byte.
volatile std::sig_atomic_t signalPipe = -1;

extern "C" void forwardSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a pending wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe, &byte, 1);
    errno = savedErrno;
}

struct sigaction forwardingAction() {
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return action;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        raise(ErrorKind::File,
              std::string("Cannot watch for termination signals: ") + std::strerror(errno) + ".");
    }
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::takeSignals);
    signalPipe = pipe_[1];
    static_assert(std::size(kSignals) == kWatched);
    const struct sigaction forward = forwardingAction();
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &before_[i]);
        // A signal ignored by whoever started the program (SIGHUP under nohup, SIGINT for a
        // background job of a script) was meant to be ignored: the program keeps running.
        if (before_[i].sa_handler != SIG_IGN) {
            ::sigaction(kSignals[i], &forward, nullptr);
        }
    }
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &before_[i], nullptr);
    }
    signalPipe = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void TerminationSignals::takeSignals() {
    char bytes[64];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    onSignal_();
}

} // namespace wtb

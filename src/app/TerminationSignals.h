#pragma once

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

namespace wtb {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Ctrl+C in the terminal) into a call of
// `onSignal` on the event loop, so the program can close its window the usual way and save
// the slots instead of being killed with its changes unsaved. A signal that was ignored when it
// was created (SIGHUP under `nohup`) stays ignored. One instance at a time; when it is
// destroyed each signal gets back exactly the handling it had before.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    static constexpr int kWatched = 3; // SIGTERM, SIGINT, SIGHUP
    void takeSignals();

    std::function<void()> onSignal_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction before_[kWatched] = {};
};

} // namespace wtb

#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace wtb {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Ctrl+C in the terminal) into a call of
// `onSignal` on the event loop, so the program can close its window the usual way and save
// the slots instead of being killed with its changes unsaved. One instance at a time; the
// signals get their default handling back when it is destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void takeSignals();

    std::function<void()> onSignal_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace wtb

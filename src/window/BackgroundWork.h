#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>

namespace wtb {

// Work the window hands to a thread of its own so that it keeps answering: one job at a time,
// in the order queued. A job is three steps. Its start runs on the window's thread once every
// earlier job has been applied, and takes what the computation needs (a copy of the slots,
// which shares their samples); the computation runs on the worker thread and touches nothing
// of the window; its result is applied back on the window's thread. So two edits never apply
// out of order, and each is computed from the slots as the one before it left them.
class BackgroundWork : public QObject {
    Q_OBJECT

public:
    using Apply = std::function<void()>;    // on the window's thread
    using Compute = std::function<Apply()>; // on the worker thread
    using Start = std::function<Compute()>; // on the window's thread; empty: nothing to do
    using Failed = std::function<void(std::exception_ptr)>;

    // Inline runs each step at once on the calling thread, in the same order: for the
    // window's tests that drive one action after another and look at its result.
    enum class Runs { OnWorkerThread, Inline };

    explicit BackgroundWork(Runs runs, QObject* parent = nullptr);
    // Waits for a computation still running; its result is dropped with the window.
    ~BackgroundWork() override;

    // What a start, a computation or an apply raised, given on the window's thread; the jobs
    // after it still run.
    void setFailureHandler(Failed failed) { failed_ = std::move(failed); }

    // Queues a job; `doing` is what the window says while it runs ("Encoding slot 2 to
    // ADPCM…").
    void queue(const QString& doing, Start start);
    // A job with nothing to compute: `apply` runs in its turn, after the jobs queued before;
    // at once when none is.
    void queueApply(const QString& doing, Apply apply);

    bool busy() const { return running_ || !pending_.empty(); }
    const QString& doing() const { return doing_; }

    // Runs every queued job to its end, waiting on the worker; for closing and for tests.
    void finish();

    // Tests hold the worker here: called on the worker thread before each computation.
    void setGate(std::function<void()> gate) { gate_ = std::move(gate); }

Q_SIGNALS:
    // What the work is doing now; empty once nothing is queued.
    void doingChanged(const QString& doing);

private:
    struct Job {
        QString doing;
        Start start;
        Apply apply; // instead of a start: nothing to compute
    };
    void startNext();
    // Applies a result, then starts the next job when `startNextJob` (a result delivered from
    // the worker, outside startNext's loop).
    void computed(Apply apply, std::exception_ptr failure, bool startNextJob);
    void fail(std::exception_ptr failure);
    void setDoing(const QString& doing);

    Runs runs_;
    QThreadPool pool_;
    std::deque<Job> pending_;
    bool running_ = false;
    QString doing_;
    Failed failed_;
    std::function<void()> gate_;
};

} // namespace wtb

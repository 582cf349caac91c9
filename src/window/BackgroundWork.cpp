#include "window/BackgroundWork.h"

#include "common/BackgroundThread.h"

#include <QCoreApplication>
#include <QEvent>

namespace wtb {

BackgroundWork::BackgroundWork(Runs runs, QObject* parent) : QObject(parent), runs_(runs) {
    pool_.setMaxThreadCount(1); // one worker: the jobs compute one after another
}

BackgroundWork::~BackgroundWork() {
    pool_.waitForDone();
}

void BackgroundWork::queue(const QString& doing, Start start) {
    pending_.push_back({doing, std::move(start), {}});
    startNext();
}

void BackgroundWork::queueApply(const QString& doing, Apply apply) {
    pending_.push_back({doing, {}, std::move(apply)});
    startNext();
}

void BackgroundWork::startNext() {
    while (!running_ && !pending_.empty()) {
        Job job = std::move(pending_.front());
        pending_.pop_front();
        running_ = true; // busy from here: what the window shows now says what it does
        setDoing(job.doing);
        if (job.apply) {
            computed(std::move(job.apply), nullptr, false);
            continue;
        }
        Compute compute;
        try {
            compute = job.start();
        } catch (...) {
            fail(std::current_exception());
        }
        if (!compute) {
            running_ = false; // failed, or nothing left to do as the start found things
            continue;
        }
        if (runs_ == Runs::Inline) {
            Apply apply;
            std::exception_ptr failure;
            try {
                apply = compute();
            } catch (...) {
                failure = std::current_exception();
            }
            computed(std::move(apply), failure, false);
            continue;
        }
        pool_.start([this, compute = std::move(compute)] {
            yieldProcessorToTheWindow();
            if (gate_) {
                gate_();
            }
            Apply apply;
            std::exception_ptr failure;
            try {
                apply = compute();
            } catch (...) {
                failure = std::current_exception();
            }
            // Delivered through the window's event loop, so it applies on the window's thread.
            QMetaObject::invokeMethod(
                this,
                [this, apply = std::move(apply), failure]() mutable {
                    computed(std::move(apply), failure, true);
                },
                Qt::QueuedConnection);
        });
        return;
    }
    if (!busy()) {
        setDoing(QString());
    }
}

void BackgroundWork::computed(Apply apply, std::exception_ptr failure, bool startNextJob) {
    // Still running while it applies: a job the apply queues waits for its turn.
    if (failure) {
        fail(failure);
    } else if (apply) {
        try {
            apply();
        } catch (...) {
            fail(std::current_exception());
        }
    }
    running_ = false;
    if (startNextJob) {
        startNext(); // the loop that ran this one is over: the worker's result came back
    }
}

void BackgroundWork::fail(std::exception_ptr failure) {
    if (failed_) {
        failed_(failure);
    }
}

void BackgroundWork::setDoing(const QString& doing) {
    if (doing != doing_) {
        doing_ = doing;
        Q_EMIT doingChanged(doing_);
    }
}

void BackgroundWork::finish() {
    while (busy()) {
        pool_.waitForDone();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

} // namespace wtb

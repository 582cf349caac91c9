#include "workspace/AutoSave.h"

#include "common/BackgroundThread.h"
#include "common/RuntimeError.h"
#include "slots/WorkingFolder.h"
#include "workspace/Workspace.h"

namespace wtb {

AutoSave::AutoSave(Workspace& workspace, std::chrono::milliseconds delay) : workspace_(workspace) {
    thread_.setMaxThreadCount(1);
    timer_.setSingleShot(true);
    timer_.setInterval(delay);
    connect(&timer_, &QTimer::timeout, this, &AutoSave::start);
    // Not restarted by later changes: a steady run of edits is still saved every `delay`.
    connect(&workspace_, &Workspace::slotsChanged, this, [this] {
        if (!timer_.isActive()) {
            timer_.start();
        }
    });
}

AutoSave::~AutoSave() {
    finishRunning();
}

void AutoSave::finishRunning() {
    timer_.stop();
    thread_.waitForDone();
    running_ = false; // its report, still queued, is dropped with this object or ignored
}

void AutoSave::start() {
    if (running_) {
        again_ = true;
        return;
    }
    if (!workspace_.hasUnsavedChanges()) {
        return;
    }
    running_ = true;
    Workspace::SaveSnapshot snapshot = workspace_.snapshotForSave();
    thread_.start([this, snapshot = std::move(snapshot)] {
        yieldProcessorToTheWindow();
        std::optional<std::string> failure;
        try {
            saveWorkingFolder(snapshot.bank, snapshot.folder);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, revision = snapshot.revision, failure] { ended(revision, failure); },
            Qt::QueuedConnection);
    });
}

void AutoSave::ended(std::uint64_t revision, const std::optional<std::string>& failure) {
    if (!running_) {
        return; // finishRunning() took over
    }
    running_ = false;
    if (failure) {
        if (!failing_) {
            failing_ = true;
            Q_EMIT saveFailed(QString::fromStdString(*failure));
        }
    } else {
        failing_ = false;
        workspace_.markSaved(revision);
        Q_EMIT saved();
    }
    if (again_) {
        again_ = false;
        timer_.start();
    }
}

} // namespace wtb

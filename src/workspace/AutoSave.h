#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace wtb {

class Workspace;

// Saves the workspace's folder after each change, so a crash loses at most about a second of
// work. Changes that come in a burst (a run of undos) are saved once, about `delay` after the
// first of them. The save runs on a thread of its own from a copy of the slots (which shares
// their samples), so the window never waits for the disk; one save runs at a time, and a change
// during a save is saved right after it.
class AutoSave : public QObject {
    Q_OBJECT

public:
    explicit AutoSave(Workspace& workspace,
                      std::chrono::milliseconds delay = std::chrono::milliseconds(1000));
    ~AutoSave() override; // waits for a save that is running

    // Waits for a save that is running, so the folder can be saved or left without a save
    // writing beside it.
    void finishRunning();

    bool isSaving() const { return running_; }

Q_SIGNALS:
    // A save failed; said once, until a save succeeds again. The slots stay as they are and the
    // next change (or the window's close) tries again.
    void saveFailed(const QString& message);
    // A save reached the disk.
    void saved();

private:
    void start();
    void ended(std::uint64_t revision, const std::optional<std::string>& failure);

    Workspace& workspace_;
    QTimer timer_;
    QThreadPool thread_;
    bool running_ = false;
    bool again_ = false;   // a change came while saving
    bool failing_ = false; // the last save failed and was reported
};

} // namespace wtb

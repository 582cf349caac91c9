#pragma once

#include "window/BackgroundWork.h"
#include "window/CommonDialog.h"
#include "window/WindowCommands.h"
#include "window/UserPrompts.h"
#include "window/WindowLayout.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QFileInfo>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>

class QAction;
class QMenu;
class QTimer;
class QUrl;

namespace wtb {

class AutoSave;
class ComputerPiano;
class KeyMapDialog;
class SoundOutput;

// The program's one window: wiring between its controls and the workspace, which holds the
// slots and does every operation. Each user action is one handler, and each handler runs inside
// a guard that shows a failure instead of letting it escape; what was done before the failure
// stays done. At its first size every control sits where the original put it; an enlarged
// window gives the extra room to the picture and the end slider.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QString workingFolder, std::unique_ptr<UserPrompts> prompts = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Locks and loads the working folder and shows slot 1, before the window is first shown.
    // False when the folder could not be loaded or is open in another window; the user has
    // been told why, and the folder will not be written at close.
    bool open();

    // The handlers, one per user action.
    void chooseSlot(std::int16_t slot);
    void importSound();
    void playSlot();
    void applyEndSlider();
    void saveWavetable();
    // Asks for the sketch's folder (proposing "Zozedovad") and writes NAME/NAME.ino there.
    void savePlayerSketch();
    void playOutput();
    // While "Play output" holds a loop: the loop's pass plays out, then the tail, as on the board.
    void releaseOutput();
    void stopPlaying();
    void resampleSlot();
    void resampleAllSlots();
    void normaliseSlot();
    void normaliseAllSlots();
    void resampleSlots(SlotChoice slots);
    void resampleSlotsTo(SlotChoice slots, std::int32_t rate);
    void normaliseSlots(SlotChoice slots);
    void undo();
    void redo();

    // The picture's zoom, the typed end, the working folder and About (MainWindowPicture.cpp).
    void zoomIn();
    void zoomOut();
    void showWholeSound();
    void scrollEarlier();
    void scrollLater();
    // Focuses the end index box, its text selected, to type an end.
    void typeEndIndex();
    // The end index typed: stepped back to a zero crossing as a slider click is.
    void applyTypedEnd(std::int32_t index);
    void openWorkingFolder();
    void showAbout();
    // Editing beyond the end point (MainWindowEditing.cpp).
    // Replaces `firstSlot` and the slots after it with the files, in order, as one undoable
    // step. With `confirm`, the user is first asked, naming the slots; Cancel changes nothing.
    // The import's notes go to the note label, a slot too large for the board to a warning.
    void importFilesFrom(std::int16_t firstSlot, const QStringList& paths, bool confirm);
    // Files dropped on slot `firstSlot`'s button or the picture: only files on this computer.
    void dropFiles(std::int16_t firstSlot, const QList<QUrl>& urls);
    // The context menu's commands, at the sample under the pointer when the menu opened.
    void cutStartHere();
    // The slot made one looped cycle of its sound around the pointer: 256 cells, or `length`,
    // or fewer when the chosen format's player cannot play that rate.
    void makeSingleCycleHere();
    void makeSingleCycleHere(std::int32_t length);
    void loopStartHere();
    void loopEndHere();
    // The same at a sample index of the current slot.
    void cutStartAt(std::int32_t index);
    void setLoopStartAt(std::int32_t index);
    void setLoopEndAt(std::int32_t index);
    void removeLoop();
    void trimSilenceSlot();
    void trimSilenceAllSlots();
    // From the tool to a board (MainWindowBoard.cpp). Asks for the port, then builds and
    // uploads the player sketch of the slots on a thread of its own, its steps in a progress
    // dialog whose Cancel stops avrdude. Play on Board sends the current slot's number to the
    // board while it holds the slots uploaded (until a slot changes).
    void uploadToBoard();
    void playOnBoard();
    bool uploading() const { return upload_.running; }
    bool boardHoldsSlots() const;

    // The rate imports and resampling convert to; nothing to keep each sound's own rate.
    std::optional<std::int32_t> targetRate() const;
    // Sets the target-rate box as the user would, remembering the choice; 0 keeps the rate.
    void setTargetRate(std::int32_t rate);
    // The board the wavetable is checked against, as chosen in the window and remembered.
    Board board() const;
    void setBoard(Board board);
    // The format the table is written in, as chosen in the window and remembered.
    SampleFormat sampleFormat() const;
    void setSampleFormat(SampleFormat format);

    // The work off the window's thread (MainWindowBackground.cpp): edits and exports, in the
    // order asked; the readouts beside them. Runs on the worker thread unless set otherwise,
    // before open().
    void setWorkRuns(BackgroundWork::Runs runs);
    BackgroundWork& edits() { return *edits_; }
    BackgroundWork& readouts() { return *readouts_; }
    bool workBusy() const;
    // Waits until every edit and readout asked for is applied.
    void finishWork();
    // The board as an instrument (MainWindowKeys.cpp): the key map and the player's options in
    // one dialog; the computer's keys as a piano through the board's mix while on.
    void showKeysAndPlayer();
    void toggleComputerKeys();
    // The player's options as chosen in the dialog and remembered; the player sketch's export
    // and upload make the player they choose.
    PlayerOptions playerOptions() const;
    void setPlayerOptions(const PlayerOptions& options);
    ComputerPiano* computerPiano() const { return piano_; }
    // The choices made in the window and every figure it shows that follows from them.
    const Session& session() const { return session_; }

    std::int16_t currentSlot() const { return currentSlot_; }
    Workspace& workspace() { return *workspace_; }
    // Null before open() and after the window closed.
    AutoSave* autoSave() { return autoSave_.get(); }
    const QString& workingFolder() const { return workingFolder_; }
    CommonDialog& fileDialog() { return fileDialog_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override; // files dropped on the controls

private:
    void connectControls();
    void connectChoices(); // the target rate, normalise on import and the board
    void createActions();
    QAction* addCommand(WindowCommand command, void (MainWindow::*handler)());
    void nameControls();
    void describeSlots();
    void targetRateEdited();
    // After the target rate changed to `rate`: offers to resample the slots at other rates.
    void offerResampleToTarget(std::int32_t rate);
    // Puts slots at mixed rates to the user before an export; false when the user cancelled.
    bool settleMixedRates();
    // The exports after their questions: checked, asked for a place, then written off the
    // window's thread from a copy of the slots.
    void saveCheckedWavetable();
    void saveCheckedPlayerSketch();
    void confirmPlayerSketch(const WrittenPlayerSketch& written);
    void updateEditingControls();
    void connectDrops();
    // The sample of the current slot under the picture's pointer; raises for an empty slot.
    std::int32_t pointerSample() const;
    // Shows a short note beside the budget and its whole text as the label's tooltip.
    void showNote(const QString& text, const QString& detail);
    // Warns about each of the slots that alone exceeds the board's room.
    void warnOversized(std::int16_t firstSlot, std::int32_t count);
    void showImportNotes(const std::vector<std::string>& notes);
    void showSettledLoop(std::int16_t slot, const QString& how);

    // Shows the current slot: picture, readouts, slider, total and budget.
    void showCurrentSlot();
    void showReadouts(const Slot& slot);
    void updateBudgetMeter();
    void updateSnrReadout();
    // Whether slot `number`, as `slot`, is still the one shown in ADPCM.
    bool stillShown(std::int16_t number, const Slot& slot) const;
    void showSnr(double snrDb);
    // An edit made on a copy of the workspace off the window's thread; what it gives is run on
    // the window's thread once its step is applied, to tell the user.
    using ShowEdit = std::function<void()>;
    using EditOnCopy = std::function<ShowEdit(Workspace& copy)>;
    void runEdit(const QString& doing, EditOnCopy edit);
    void showWorkDoing();
    // The status line's text when no work runs.
    void showStatus(const QString& line, const QString& detail);
    // After an export: says how many bytes the Mega's guard changed, or nothing.
    void showGuardedBytes(std::int32_t changedBytes);
    Workspace& openWorkspace() const; // raises before open() and after the window closed
    const Slot& current() const;

    SoundOutput& soundOutput();
    void playPrepared(const LoopedOutput& output, std::int32_t rate);
    // The picture's context menu, its entries grouped in submenus (MainWindowMenu.cpp).
    void buildPictureMenu();
    // The picture and what the window says (MainWindowPicture.cpp).
    void createPictureActions();
    void connectPictureControls();
    void nameStatusControls();
    // The end slider and the end box follow the samples the picture shows.
    void showShownRange();
    // Shows "Playing" from play() until the sound has played out or was stopped.
    void watchPlaying();
    // After a sketch was written: its name, path and size in the status line; an empty path
    // clears it.
    // The status line after an export: what was written (a short line, and its tooltip with
    // whole paths), and the sketch's flash. Empty: clears it.
    struct WrittenFiles {
        QString line;
        QString detail;
    };
    void confirmWritten(const WrittenFiles& written);
    static QString displayedPath(const QFileInfo& file);
    // The readouts' tooltips: what their sample counts last in seconds.
    void showDurations(const Slot& slot);

    // Saves the slots; false when the user chose to keep the window open after a failure.
    // Each slot whose stored fields cannot be used, put to the user once the folder is open.
    void tellUnusableFields();
    bool saveBeforeClosing();

    // Runs a handler body; a failure is shown to the user and goes no further.
    template <class Body> bool guarded(Body&& body);
    void showFailure(const std::exception& error);

    QString workingFolder_;
    std::unique_ptr<UserPrompts> prompts_;
    std::unique_ptr<Workspace> workspace_; // from open() until the window closes
    std::unique_ptr<AutoSave> autoSave_;   // saves each change of the workspace's slots
    Session session_;                      // the choices, as remembered until changed
    std::unique_ptr<SoundOutput> soundOutput_;
    std::int16_t currentSlot_ = 1;
    CommonDialog fileDialog_;
    WindowControls controls_;
    std::map<WindowCommand, QAction*> actions_;
    // The last upload: running, and the revision of the slots the board holds since.
    struct BoardUpload {
        bool running = false;
        std::uint64_t revision = 0;
        std::optional<std::uint64_t> heldRevision;
        QString port;
        Board board = Board::Uno;
    } upload_;
    void updateBoardActions();
    void setUpKeys();
    void startPiano();
    void stopPiano();
    void slotsChangedForPiano();
    void showPianoNote(std::optional<std::int32_t> note);
    ComputerPiano* piano_ = nullptr;
    std::unique_ptr<SoundOutput> pianoOutput_; // its own output, beside the slots' playback
    KeyMapDialog* keyMapDialog_ = nullptr;
    QTimer* playingPoll_ = nullptr;
    std::int16_t shownSlot_ = 0;    // the slot the picture shows, whole when another is chosen
    std::uint64_t playRequest_ = 0; // each Play and Stop; an older output is stale
    std::vector<std::uint8_t> releaseTail_;            // what the loop playing leads to on release
    std::vector<std::unique_ptr<QMenu>> pictureMenus_; // the context menu's submenus
    struct IdleStatus {
        QString line;
        QString detail;
    } idleStatus_;
    // Last, so they finish before the workspace goes.
    std::unique_ptr<BackgroundWork> edits_;
    std::unique_ptr<BackgroundWork> readouts_;
};

template <class Body> bool MainWindow::guarded(Body&& body) {
    try {
        body();
        return true;
    } catch (const std::bad_alloc&) {
        prompts_->showError(this, QStringLiteral("There was not enough memory to finish the "
                                                 "action; the slots are as they were before it."));
    } catch (const std::exception& error) {
        showFailure(error);
    } catch (...) {
        prompts_->showError(this, QStringLiteral("An unexpected error stopped the action."));
    }
    return false;
}

} // namespace wtb

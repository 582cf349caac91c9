// The board as an instrument in the window: the key map and the player's options in one
// dialog, and the computer's keys playing the slots through the board's own mix.
#include "audio/SoundOutput.h"
#include "window/ComputerKeyboard.h"
#include "window/KeyMapDialog.h"
#include "window/MainWindow.h"
#include "window/WaveformView.h"
#include "workspace/Choices.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QAction>
#include <QTableWidget>

namespace wtb {

void MainWindow::setUpKeys() {
    piano_ = new ComputerPiano(this, this);
    actions_[WindowCommand::KeysAndPlayer] =
        addCommand(WindowCommand::KeysAndPlayer, &MainWindow::showKeysAndPlayer);
    QAction* keys = addCommand(WindowCommand::ComputerKeys, &MainWindow::toggleComputerKeys);
    actions_[WindowCommand::ComputerKeys] = keys;
    keys->setCheckable(true);
    connect(piano_, &ComputerPiano::notePlayed, this,
            [this](std::int32_t note) { showPianoNote(note); });
    connect(piano_, &ComputerPiano::baseChanged, this, [this] { showPianoNote(std::nullopt); });
}

void MainWindow::showKeysAndPlayer() {
    guarded([this] {
        openWorkspace();
        if (!keyMapDialog_) {
            KeyMapDialog::Hooks hooks{
                [this]() -> const SlotBank& { return openWorkspace().bank(); },
                [this](std::int16_t slot, const std::optional<KeyRange>& keys) {
                    guarded([&] { openWorkspace().setKeys(slot, keys); });
                },
                [this](const PlayerOptions& options) { setPlayerOptions(options); }};
            keyMapDialog_ = new KeyMapDialog(std::move(hooks), session_.playerOptions(), this);
            connect(workspace_.get(), &Workspace::slotsChanged, keyMapDialog_,
                    &KeyMapDialog::showSlots);
        }
        keyMapDialog_->showSlots();
        keyMapDialog_->show();
        keyMapDialog_->raise();
        keyMapDialog_->activateWindow();
    });
}

void MainWindow::setPlayerOptions(const PlayerOptions& options) {
    PlayerOptions kept = options;
    kept.mixRate = session_.playerOptions().mixRate; // follows the slots, not chosen here
    session_.setPlayerOptions(kept);
    rememberPlayerOptions(kept);
    slotsChangedForPiano(); // the new voices are heard at once
}

void MainWindow::toggleComputerKeys() {
    QAction* keys = actions_[WindowCommand::ComputerKeys];
    const bool on = keys->isChecked();
    const bool started = guarded([&] {
        if (on) {
            startPiano();
        } else {
            stopPiano();
        }
    });
    if (!started) {
        stopPiano();
        keys->setChecked(false);
    }
}

void MainWindow::startPiano() {
    // A fresh mix of the slots as they are now, the options and the board and format chosen.
    std::unique_ptr<VoiceMix> mix = session_.voiceMix(openWorkspace().bank());
    const std::int32_t rate = mix->mixRate();
    piano_->setMix(std::move(mix));
    if (!pianoOutput_) {
        pianoOutput_ = std::make_unique<SoundOutput>();
    }
    pianoOutput_->playGenerated([piano = piano_] { return piano->nextSample(); }, rate);
    piano_->setLive(true);
    showPianoNote(std::nullopt);
}

void MainWindow::stopPiano() {
    if (piano_) {
        piano_->setLive(false);
    }
    if (pianoOutput_) {
        pianoOutput_->stop();
    }
    if (piano_) {
        showNote(QString(), QString());
    }
}

void MainWindow::slotsChangedForPiano() {
    // The keys play the slots as they are now; slots the board cannot play turn the keys off,
    // told once, rather than play what the board would not.
    if (piano_ && piano_->isLive() && !guarded([this] { startPiano(); })) {
        stopPiano();
        actions_[WindowCommand::ComputerKeys]->setChecked(false);
    }
}

void MainWindow::showPianoNote(std::optional<std::int32_t> note) {
    const std::int32_t base = piano_->base();
    QString line = QStringLiteral("Keys: A=%1").arg(QString::fromStdString(noteName(base)));
    if (note) {
        line += QStringLiteral(", played %1").arg(QString::fromStdString(noteName(*note)));
    }
    showNote(line, QStringLiteral("The computer's keys play: ") + pianoLegend(base));
}

PlayerOptions MainWindow::playerOptions() const {
    return session_.playerOptions();
}

} // namespace wtb

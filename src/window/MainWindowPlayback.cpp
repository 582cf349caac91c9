// "Play output" and its release: what the board plays for the current slot, prepared off the
// window's thread in turn after the edits asked for, then played and let go as a held note is.
#include "window/MainWindow.h"

#include "audio/SoundOutput.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

namespace wtb {

void MainWindow::playOutput() {
    // Computed in turn after the edits asked for (an ADPCM slot is decoded as the board
    // decodes it); a Stop or another Play meanwhile makes it stale.
    const std::uint64_t request = ++playRequest_;
    const std::int16_t number = currentSlot_;
    const Session choices(session_.choices()); // the format as chosen now, not its SNRs
    edits_->queue(QStringLiteral("Preparing the output of slot %1…").arg(number),
                  [this, number, choices, request]() -> BackgroundWork::Compute {
                      const Slot slot = openWorkspace().slot(number);
                      return [this, slot, number, choices, request]() -> BackgroundWork::Apply {
                          // What the board will play: a slot's loop held, as a held note holds it.
                          auto output =
                              std::make_shared<const LoopedOutput>(choices.output(slot, number));
                          return [this, output, rate = slot.sampleRate, request] {
                              if (request == playRequest_) {
                                  playPrepared(*output, rate);
                              }
                          };
                      };
                  });
}

void MainWindow::playPrepared(const LoopedOutput& output, std::int32_t rate) {
    guarded([&] {
        releaseTail_.clear();
        if (output.loop.empty()) {
            soundOutput().play(output.attack, rate);
        } else {
            soundOutput().playLooped(output.attack, output.loop, rate);
            releaseTail_ = output.tail;
        }
    });
    watchPlaying();
}

void MainWindow::releaseOutput() {
    if (!soundOutput_ || !soundOutput_->releaseLoop(releaseTail_)) {
        showNote(QStringLiteral("Nothing held"),
                 QStringLiteral("\"Release output\" lets go of a loop that \"Play output\" "
                                "holds; no loop is playing."));
    }
}

} // namespace wtb

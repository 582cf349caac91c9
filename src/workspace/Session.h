#pragma once

#include "export/FlashBudget.h"
#include "export/LoopedOutput.h"
#include "export/SlotRoom.h"
#include "export/VoiceMix.h"
#include "slots/Slot.h"
#include "workspace/Workspace.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The session: the user's choices (board, sample format, target rate, player options) and every
// figure the window and the shell show that follows from them and the slots, so that both faces
// give the same numbers in the same units.
namespace wtb {

// How long `samples` play at `rate`, in whole milliseconds: the seconds samples / rate
// rounded to three decimals (to the nearest, as the double holds them); nothing for a rate of 0
// or less, at which a sound has no length in time.
std::optional<std::int64_t> playingMilliseconds(std::int64_t samples, std::int32_t rate);

// The sixteen slots played one after another, each at its own rate, in whole milliseconds
// rounded once from the sum of their seconds (not from each slot's rounded time); slots
// without a rate add nothing.
struct PlayingTimes {
    std::int64_t soundMs = 0; // every slot's whole sound
    std::int64_t tableMs = 0; // what the sketch's table keeps of each (end index + 1 samples)
};
PlayingTimes playingTimes(const SlotBank& bank);

// The names the window shows the choices by: "Arduino Uno", "8-bit PCM".
QString boardDisplayName(Board board);
QString sampleFormatDisplayText(SampleFormat format);
// Every board and every format, in the order the window offers them.
std::vector<Board> allBoards();
std::vector<SampleFormat> allSampleFormats();

// The serial ports a board can be uploaded to: the one last used for `board` first, then the
// system's, Arduino-like ones first.
QStringList uploadPorts(Board board);
// The system's serial ports, one line each (portLine): path, description and USB vid:pid,
// TAB-separated, Arduino-like ones first.
QStringList serialPortLines();
// Tells the board on `port`, holding a player sketch, to play slot `slot` (sendPlayCommand),
// after checking that the port is one (checkSerialPort).
void playSlotOnBoard(const QString& port, std::int16_t slot);

// The sketch names an export proposes: the table's file "Zozedovad.ino", the player's folder.
QString defaultSketchFileName();
QString defaultPlayerSketchName();

struct SessionChoices {
    Board board = Board::Uno;
    SampleFormat format = SampleFormat::Pcm8;
    std::optional<std::int32_t> targetRate; // nothing keeps each sound's own rate
    PlayerOptions player;
};
// The choices as the preferences remember them (Choices.h).
SessionChoices rememberedChoices();

// The choices of one window or one command and what they make of the slots. It holds no view
// state: the window shows what it gives, the shell prints it.
class Session {
public:
    explicit Session(SessionChoices choices = rememberedChoices());

    const SessionChoices& choices() const { return choices_; }
    Board board() const { return choices_.board; }
    SampleFormat format() const { return choices_.format; }
    std::optional<std::int32_t> targetRate() const { return choices_.targetRate; }
    const PlayerOptions& playerOptions() const { return choices_.player; }
    void setBoard(Board board) { choices_.board = board; }
    void setFormat(SampleFormat format) { choices_.format = format; }
    void setTargetRate(std::optional<std::int32_t> rate) { choices_.targetRate = rate; }
    void setPlayerOptions(const PlayerOptions& options) { choices_.player = options; }

    // The flash the player sketch of the slots takes on the board in the format (flashBudget);
    // the faces word it with flashFigureText.
    FlashBudget budget(const SlotBank& bank) const;

    // The slots among `first` and the `count` after it that alone exceed the board's room, in
    // slot order; the faces word each with oversizedSlotNote.
    std::vector<OversizedSlot> oversizedSlots(const SlotBank& bank, std::int16_t first,
                                              std::int32_t count) const;

    // What "Play output" plays for slot `number`: the board's output in the format.
    LoopedOutput output(const Slot& slot, std::int16_t number) const;
    // The mix the computer's keys play: the board's, for the format and the player options.
    std::unique_ptr<VoiceMix> voiceMix(const SlotBank& bank) const;

    // What each export checks before anything is written, for the choices.
    ExportCheck checkSketch(const Workspace& workspace) const;
    ExportCheck checkPlayerSketch(const Workspace& workspace) const;

    // The 4-bit ADPCM signal-to-noise ratio of slot `number`, as measured before and kept while
    // the slot stays as it was, so choosing it again or switching formats does not encode again.
    std::optional<double> knownSnr(std::int16_t number, const Slot& slot) const;
    void keepSnr(std::int16_t number, const Slot& slot, double snrDb);
    // Encodes the slot to measure it; nothing for a slot the export refuses (the export says
    // why). Touches no state of the session, so it may run on another thread.
    static std::optional<double> measureSnr(const Slot& slot, std::int16_t number);

private:
    struct MeasuredSnr {
        Slot slot;
        double snrDb = 0;
    };
    SessionChoices choices_;
    std::map<std::int16_t, MeasuredSnr> snr_;
};

} // namespace wtb

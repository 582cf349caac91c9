#pragma once

#include "export/Boards.h"
#include "export/PlayerOptions.h"
#include "export/SampleFormat.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// The choices the user makes once and the program remembers between runs (the platform's
// preferences): the board the sketch is checked against and the rate imports are converted to.
namespace wtb {

// The board last chosen in the window, else the Uno.
Board rememberedBoard();
void rememberBoard(Board board);

// The ids the command line and the preferences know boards by: "uno", "leonardo", "mega2560".
QStringList boardIds();
QString boardId(Board board);
// The board with this id; nothing for a text no board has.
std::optional<Board> boardWithId(const QString& id);

// The port last uploaded to for the board, empty when none was.
QString rememberedUploadPort(Board board);
void rememberUploadPort(Board board, const QString& port);

// The sample format last chosen in the window, else 8-bit PCM.
SampleFormat rememberedSampleFormat();
void rememberSampleFormat(SampleFormat format);

// The ids the command line and the preferences know formats by: "pcm8", "adpcm4".
QStringList sampleFormatIds();
QString sampleFormatIdText(SampleFormat format);
std::optional<SampleFormat> sampleFormatWithId(const QString& id);

// The rate imports and "Resample" convert to, or nothing to keep each sound's own rate.
std::optional<std::int32_t> rememberedTargetRate();
void rememberTargetRate(std::optional<std::int32_t> rate);

// A target rate as typed: a whole number of hertz within the rates a sound can be converted
// to; nothing for any other text.
std::optional<std::int32_t> targetRateFromText(const QString& text);

// Whether imports are normalised (off until chosen).
bool rememberedNormaliseOnImport();
void rememberNormaliseOnImport(bool normalise);

// The player's options last chosen in the window: its voices, MIDI or the serial lines, the
// MIDI baud rate and the trigger pins; a remembered value the player cannot take (a hand edit
// of the preferences) reads as the default, one voice at 31,250 baud without pins. The mixing
// rate is not remembered: it follows the slots.
PlayerOptions rememberedPlayerOptions();
void rememberPlayerOptions(const PlayerOptions& options);

// Trigger pins as typed: "SLOT=PIN" pairs separated by commas ("1=2, 5=7"), each slot 1..16 at
// most once and each pin a whole number 0..69 at most once; an empty text is no pins. Nothing
// for any other text.
std::optional<std::vector<TriggerPin>> triggerPinsFromText(const QString& text);
// "1=2,5=7": the pins as triggerPinsFromText reads them.
QString triggerPinsText(const std::vector<TriggerPin>& pins);

} // namespace wtb

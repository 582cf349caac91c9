#pragma once

#include <QString>

#include <cstdint>

namespace wtb {

// The user's preferences, kept by the platform (QSettings, organisation "Brimtock",
// application "Wavetable Builder") apart from the working folder, whose files keep their
// format. Each reads back its default until it was set.

// The rate slots are converted to at import, or 0 to keep each sound's own rate (the default).
std::int32_t preferredTargetRate();
void setPreferredTargetRate(std::int32_t rate);

// Whether imports are normalised (off by default).
bool preferNormaliseOnImport();
void setPreferNormaliseOnImport(bool normalise);

// The id of the board the sketch is checked against; empty until one was chosen.
QString preferredBoardId();
void setPreferredBoardId(const QString& id);

// The id of the sample format last chosen ("pcm8", "adpcm4"), empty when none was.
QString preferredSampleFormatId();
void setPreferredSampleFormatId(const QString& id);

// The serial port last uploaded to for the board with this id; empty until one was.
QString preferredUploadPort(const QString& boardId);
void setPreferredUploadPort(const QString& boardId, const QString& port);

// The player's options last chosen in the window: voices (0 until chosen), MIDI on the serial
// input, its baud rate (0 until chosen) and the trigger pins as "SLOT=PIN,..." (empty: none).
std::int32_t preferredPlayerVoices();
void setPreferredPlayerVoices(std::int32_t voices);
bool preferPlayerMidi();
void setPreferPlayerMidi(bool midi);
std::int32_t preferredPlayerMidiBaud();
void setPreferredPlayerMidiBaud(std::int32_t baud);
QString preferredPlayerPins();
void setPreferredPlayerPins(const QString& pins);

} // namespace wtb

#include "workspace/Choices.h"

#include "common/Preferences.h"
#include "slots/Resampler.h"
#include "slots/Slot.h"

namespace wtb {

namespace {

bool isTargetRate(std::int32_t rate) {
    return rate >= kLowestTargetRate && rate <= kHighestTargetRate;
}

} // namespace

Board rememberedBoard() {
    return boardWithId(preferredBoardId()).value_or(Board::Uno);
}

void rememberBoard(Board board) {
    setPreferredBoardId(boardId(board));
}

QString rememberedUploadPort(Board board) {
    return preferredUploadPort(boardId(board));
}

void rememberUploadPort(Board board, const QString& port) {
    setPreferredUploadPort(boardId(board), port);
}

QStringList boardIds() {
    QStringList ids;
    for (const BoardInfo& info : boards()) {
        ids << boardId(info.board);
    }
    return ids;
}

std::optional<Board> boardWithId(const QString& id) {
    return boardFromId(id.toStdString());
}

QString boardId(Board board) {
    const std::string_view id = boardInfo(board).id;
    return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
}

SampleFormat rememberedSampleFormat() {
    return sampleFormatWithId(preferredSampleFormatId()).value_or(SampleFormat::Pcm8);
}

void rememberSampleFormat(SampleFormat format) {
    setPreferredSampleFormatId(sampleFormatIdText(format));
}

QStringList sampleFormatIds() {
    return {sampleFormatIdText(SampleFormat::Pcm8), sampleFormatIdText(SampleFormat::Adpcm4)};
}

std::optional<SampleFormat> sampleFormatWithId(const QString& id) {
    return sampleFormatFromId(id.toStdString());
}

QString sampleFormatIdText(SampleFormat format) {
    const std::string_view id = sampleFormatId(format);
    return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
}

std::optional<std::int32_t> rememberedTargetRate() {
    const std::int32_t rate = preferredTargetRate();
    return isTargetRate(rate) ? std::optional(rate) : std::nullopt;
}

void rememberTargetRate(std::optional<std::int32_t> rate) {
    setPreferredTargetRate(rate.value_or(0));
}

std::optional<std::int32_t> targetRateFromText(const QString& text) {
    bool isNumber = false;
    const int rate = text.toInt(&isNumber);
    return isNumber && isTargetRate(rate) ? std::optional(rate) : std::nullopt;
}

bool rememberedNormaliseOnImport() {
    return preferNormaliseOnImport();
}

void rememberNormaliseOnImport(bool normalise) {
    setPreferNormaliseOnImport(normalise);
}

namespace {

// The highest pin number of the boards' pin maps (the Mega's A15).
constexpr std::int32_t kHighestPin = 69;

bool isVoiceCount(std::int32_t voices) {
    return voices >= 1 && voices <= kMostVoices;
}

} // namespace

PlayerOptions rememberedPlayerOptions() {
    PlayerOptions options;
    if (const std::int32_t voices = preferredPlayerVoices(); isVoiceCount(voices)) {
        options.voices = voices;
    }
    options.midi = preferPlayerMidi();
    if (const std::int32_t baud = preferredPlayerMidiBaud(); isMidiBaud(baud)) {
        options.midiBaud = baud;
    }
    options.pins = triggerPinsFromText(preferredPlayerPins()).value_or(std::vector<TriggerPin>{});
    return options;
}

void rememberPlayerOptions(const PlayerOptions& options) {
    setPreferredPlayerVoices(options.voices);
    setPreferPlayerMidi(options.midi);
    setPreferredPlayerMidiBaud(options.midiBaud);
    setPreferredPlayerPins(triggerPinsText(options.pins));
}

std::optional<std::vector<TriggerPin>> triggerPinsFromText(const QString& text) {
    std::vector<TriggerPin> pins;
    if (text.trimmed().isEmpty()) {
        return pins;
    }
    for (const QString& pair : text.split(u',')) {
        const QStringList parts = pair.split(u'=');
        bool slotIsNumber = false;
        bool pinIsNumber = false;
        const int slot = parts.value(0).trimmed().toInt(&slotIsNumber);
        const int pin = parts.value(1).trimmed().toInt(&pinIsNumber);
        if (parts.size() != 2 || !slotIsNumber || !pinIsNumber || slot < kFirstSlot ||
            slot > kLastSlot || pin < 0 || pin > kHighestPin) {
            return std::nullopt;
        }
        for (const TriggerPin& taken : pins) {
            if (taken.slot == slot || taken.pin == pin) {
                return std::nullopt;
            }
        }
        pins.push_back({static_cast<std::int16_t>(slot), pin});
    }
    return pins;
}

QString triggerPinsText(const std::vector<TriggerPin>& pins) {
    QStringList pairs;
    for (const TriggerPin& pin : pins) {
        pairs << QStringLiteral("%1=%2").arg(pin.slot).arg(pin.pin);
    }
    return pairs.join(u',');
}

} // namespace wtb

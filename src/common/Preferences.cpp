#include "common/Preferences.h"

#include <QSettings>

namespace wtb {

namespace {

QSettings settings() {
    return QSettings(QStringLiteral("Brimtock"), QStringLiteral("Wavetable Builder"));
}

} // namespace

std::int32_t preferredTargetRate() {
    return settings().value(QStringLiteral("targetRate"), 0).toInt();
}

void setPreferredTargetRate(std::int32_t rate) {
    settings().setValue(QStringLiteral("targetRate"), rate);
}

bool preferNormaliseOnImport() {
    return settings().value(QStringLiteral("normaliseOnImport"), false).toBool();
}

void setPreferNormaliseOnImport(bool normalise) {
    settings().setValue(QStringLiteral("normaliseOnImport"), normalise);
}

QString preferredBoardId() {
    return settings().value(QStringLiteral("board")).toString();
}

void setPreferredBoardId(const QString& id) {
    settings().setValue(QStringLiteral("board"), id);
}

QString preferredSampleFormatId() {
    return settings().value(QStringLiteral("sampleFormat")).toString();
}

void setPreferredSampleFormatId(const QString& id) {
    settings().setValue(QStringLiteral("sampleFormat"), id);
}

QString preferredUploadPort(const QString& boardId) {
    return settings().value(QStringLiteral("uploadPort/") + boardId).toString();
}

void setPreferredUploadPort(const QString& boardId, const QString& port) {
    settings().setValue(QStringLiteral("uploadPort/") + boardId, port);
}

std::int32_t preferredPlayerVoices() {
    return settings().value(QStringLiteral("player/voices"), 0).toInt();
}

void setPreferredPlayerVoices(std::int32_t voices) {
    settings().setValue(QStringLiteral("player/voices"), voices);
}

bool preferPlayerMidi() {
    return settings().value(QStringLiteral("player/midi"), false).toBool();
}

void setPreferPlayerMidi(bool midi) {
    settings().setValue(QStringLiteral("player/midi"), midi);
}

std::int32_t preferredPlayerMidiBaud() {
    return settings().value(QStringLiteral("player/midiBaud"), 0).toInt();
}

void setPreferredPlayerMidiBaud(std::int32_t baud) {
    settings().setValue(QStringLiteral("player/midiBaud"), baud);
}

QString preferredPlayerPins() {
    return settings().value(QStringLiteral("player/pins")).toString();
}

void setPreferredPlayerPins(const QString& pins) {
    settings().setValue(QStringLiteral("player/pins"), pins);
}

} // namespace wtb

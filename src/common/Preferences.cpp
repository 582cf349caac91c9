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

} // namespace wtb

#include "workspace/Choices.h"

#include "common/Preferences.h"
#include "slots/Resampler.h"

namespace wtb {

namespace {

bool isTargetRate(std::int32_t rate) {
    return rate >= kLowestTargetRate && rate <= kHighestTargetRate;
}

} // namespace

Board rememberedBoard() {
    return boardFromId(preferredBoardId().toStdString()).value_or(Board::Uno);
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

QString boardId(Board board) {
    const std::string_view id = boardInfo(board).id;
    return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
}

SampleFormat rememberedSampleFormat() {
    return sampleFormatFromId(preferredSampleFormatId().toStdString()).value_or(SampleFormat::Pcm8);
}

void rememberSampleFormat(SampleFormat format) {
    setPreferredSampleFormatId(sampleFormatIdText(format));
}

QStringList sampleFormatIds() {
    return {sampleFormatIdText(SampleFormat::Pcm8), sampleFormatIdText(SampleFormat::Adpcm4)};
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

} // namespace wtb

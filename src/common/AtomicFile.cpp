#include "common/AtomicFile.h"

#include "common/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace wtb {

std::string displayPath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

namespace {

[[noreturn]] void raiseWriteError(const QString& path, const QString& reason) {
    raise(ErrorKind::File,
          "Cannot write \"" + displayPath(path) + "\": " + reason.toStdString() + ".");
}

} // namespace

AtomicFileBatch::AtomicFileBatch() = default;
AtomicFileBatch::~AtomicFileBatch() = default; // uncommitted temporary files are removed

void AtomicFileBatch::write(const QString& path, std::string_view bytes) {
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        raiseWriteError(path, file->errorString());
    }
    const qint64 size = static_cast<qint64>(bytes.size());
    if (file->write(bytes.data(), size) != size) {
        raiseWriteError(path, file->errorString());
    }
    pending_.push_back(std::move(file));
}

void AtomicFileBatch::commit() {
    for (auto& file : pending_) {
        const QString path = file->fileName();
        if (!file->commit()) {
            std::string replaced;
            for (const QString& done : committed_) {
                replaced += (replaced.empty() ? "" : ", ") + displayPath(done);
            }
            raise(ErrorKind::File,
                  "Cannot write \"" + displayPath(path) +
                      "\": " + file->errorString().toStdString() + "." +
                      (replaced.empty() ? "" : " Already replaced: " + replaced + "."));
        }
        committed_.push_back(path);
    }
    pending_.clear();
}

void writeFileAtomically(const QString& path, std::string_view bytes) {
    AtomicFileBatch batch;
    batch.write(path, bytes);
    batch.commit();
}

std::string readWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        raise(ErrorKind::File, "Cannot read \"" + displayPath(path) +
                                   "\": " + file.errorString().toStdString() + ".");
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        raise(ErrorKind::File, "Cannot read \"" + displayPath(path) +
                                   "\": " + file.errorString().toStdString() + ".");
    }
    return content.toStdString();
}

} // namespace wtb

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

void writeFileAtomically(const QString& path, std::string_view bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        raiseWriteError(path, file.errorString());
    }
    const qint64 size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        const QString reason = file.errorString();
        file.cancelWriting();
        raiseWriteError(path, reason);
    }
    if (!file.commit()) {
        raiseWriteError(path, file.errorString());
    }
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

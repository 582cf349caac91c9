#include "PackageSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wtb::test {

Outcome finish(QProcess& process, int timeoutMs) {
    Outcome outcome;
    outcome.finished =
        process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    outcome.exitCode = process.exitCode();
    outcome.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}

Outcome run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    return finish(process);
}

std::string describe(const Outcome& outcome) {
    return (QStringLiteral("exit %1\n%2%3").arg(outcome.exitCode).arg(outcome.out, outcome.err))
        .toStdString();
}

std::map<QString, QByteArray> treeChecksums(const QString& root) {
    std::map<QString, QByteArray> sums;
    QDirIterator entries(root,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        QFile file(path);
        sums[path.mid(root.size())] =
            file.open(QIODevice::ReadOnly)
                ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                : QByteArray("folder");
    }
    return sums;
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

ReadOnlyInstall::ReadOnlyInstall() {
    QDir().mkpath(prefix());
    mounted_ =
        ::mount("tmpfs", QFile::encodeName(prefix()).constData(), "tmpfs", 0, "size=64m") == 0;
    const Outcome install =
        run(QStringLiteral(WTB_CMAKE), {"--install", WTB_BUILD_DIR, "--prefix", prefix()});
    installed_ = install.finished && install.exitCode == 0;
    if (mounted_) {
        readOnly_ = ::mount("tmpfs", QFile::encodeName(prefix()).constData(), nullptr,
                            MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    } else {
        run("chmod", {"-R", "a-w", prefix()});
        readOnly_ = ::geteuid() != 0;
    }
}

ReadOnlyInstall::~ReadOnlyInstall() {
    if (mounted_) {
        ::umount2(QFile::encodeName(prefix()).constData(), MNT_DETACH);
    } else {
        run("chmod", {"-R", "u+w", prefix()});
    }
}

TemporaryUser::TemporaryUser() {
    for (const char* folder : {"home", "data", "config", "cache", "runtime"}) {
        QDir().mkpath(root_.file(folder));
    }
    QFile::setPermissions(root_.file("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment TemporaryUser::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", root_.file("home"));
    env.insert("XDG_DATA_HOME", root_.file("data"));
    env.insert("XDG_CONFIG_HOME", root_.file("config"));
    env.insert("XDG_CACHE_HOME", root_.file("cache"));
    env.insert("XDG_RUNTIME_DIR", root_.file("runtime"));
    return env;
}

} // namespace wtb::test

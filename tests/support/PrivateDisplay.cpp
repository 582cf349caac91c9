#include "support/PrivateDisplay.h"

#include <QProcessEnvironment>

#include <chrono>

namespace wtb::test {

PrivateDisplay::PrivateDisplay(const QString& screen) {
    // -displayfd picks a free display and prints its number once the server takes clients.
    server_.start("Xvfb",
                  {"-displayfd", "1", "-noreset", "-screen", "0", screen, "-nolisten", "tcp"});
    QByteArray number;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!number.contains('\n') && std::chrono::steady_clock::now() < end &&
           server_.state() != QProcess::NotRunning) {
        server_.waitForReadyRead(200);
        number += server_.readAllStandardOutput();
    }
    if (number.contains('\n')) {
        name_ = ":" + QString::fromLatin1(number.trimmed());
    }
}

PrivateDisplay::~PrivateDisplay() {
    server_.terminate();
    if (!server_.waitForFinished(5000)) {
        server_.kill();
        server_.waitForFinished(2000);
    }
}

QString PrivateDisplay::tool(const QString& program, const QStringList& arguments) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", name_);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(20000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
    }
    return ok ? QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed() : QString();
}

} // namespace wtb::test

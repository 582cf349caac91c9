#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace wtb::test {

// An X server (Xvfb) of the test's own on a free display, so a test can start the real program
// on it, find its window and photograph it. The server does not reset when its last client
// leaves: a program started just after another one closed would otherwise be refused.
class PrivateDisplay {
public:
    explicit PrivateDisplay(const QString& screen = QStringLiteral("1024x400x24"));
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // ":N", or empty when no server started.
    const QString& name() const { return name_; }

    // Runs a tool (xdotool, xprop, import …) against this display: its trimmed output, or
    // empty when it failed.
    QString tool(const QString& program, const QStringList& arguments) const;

private:
    QProcess server_;
    QString name_;
};

} // namespace wtb::test

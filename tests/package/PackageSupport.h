#pragma once

// The program as people get it, for the package tests: tools run to their end, the program
// installed under a read-only prefix, and a user of the test's own.
#include "support/TestSupport.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <sys/types.h>

namespace wtb::test {

inline const QString kId = QStringLiteral("com.brimtock.WavetableBuilder");
inline const QString kPerUserFolder = QStringLiteral("/Brimtock/Wavetable Builder");

// How a process ended and what it printed.
struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

// Waits for the started process to end.
Outcome finish(QProcess& process, int timeoutMs = 120000);

Outcome run(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// The exit code and everything printed, for a failure's message.
std::string describe(const Outcome& outcome);

// Relative path -> checksum of every file and folder under `root`.
std::map<QString, QByteArray> treeChecksums(const QString& root);

ino_t inodeOf(const QString& path);

// The program installed under a prefix that is then made read-only: a tmpfs remounted
// read-only where mounting is allowed, else taking write permission away, which does not bind
// root.
class ReadOnlyInstall {
public:
    ReadOnlyInstall();
    ~ReadOnlyInstall();
    ReadOnlyInstall(const ReadOnlyInstall&) = delete;
    ReadOnlyInstall& operator=(const ReadOnlyInstall&) = delete;

    bool installed() const { return installed_; }
    bool readOnly() const { return readOnly_; }
    QString prefix() const { return root_.file("prefix"); }
    QString file(const QString& relative) const { return prefix() + "/" + relative; }
    QString program() const { return file("bin/wavetable-builder"); }

private:
    TempFolder root_;
    bool mounted_ = false;
    bool installed_ = false;
    bool readOnly_ = false;
};

// A user of their own: home, data, configuration and runtime folders, all empty at first.
class TemporaryUser {
public:
    TemporaryUser();
    QProcessEnvironment environment() const;
    QString slotsFolder() const { return root_.file("data") + kPerUserFolder; }
    QString root() const { return root_.path(); }

private:
    TempFolder root_;
};

class InstalledProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(install_.installed()) << "cmake --install failed"; }

    ReadOnlyInstall install_;
    TemporaryUser user_;
};

} // namespace wtb::test

// Uploads as a user makes them: the built program's `upload` writes the player sketch with the
// real avrdude through Debian's optiboot into a simulated Uno on a pseudo-terminal; the flash
// then holds the built image, and the player started from it plays the slots `play-on-board`
// asks for. Every way an upload fails ends with its message and leaves the working folder as it
// was.
#include "CliTestSupport.h"

#include "export/BoardUpload.h"
#include "export/ExportFault.h"
#include "export/ExportedSamples.h"
#include "export/SerialPorts.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <atomic>
#include <fcntl.h>
#include <pty.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace wtb {
namespace {

const QString kOptiboot =
    QStringLiteral("/usr/share/arduino/hardware/arduino/avr/bootloaders/optiboot/"
                   "optiboot_atmega328.hex");
// Characters a shell would act on: the tools must get them as they are.
const QString kAwkwardName = QStringLiteral("my board's port; $(touch pwned) \"x\"");

// The built program, with a bound on its run that only a hang reaches.
test::ProgramRun runLong(const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(test::programEnvironment());
    process.start(test::builtProgram(), arguments);
    test::ProgramRun run;
    if (!process.waitForFinished(180'000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "the program did not finish: " << arguments.join(' ').toStdString();
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The bytes of an Intel HEX file's data records, from address 0.
std::vector<std::uint8_t> hexImage(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
    std::vector<std::uint8_t> image;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.size() < 11 || line[0] != ':' || line.mid(7, 2) != "00") {
            continue;
        }
        const int count = line.mid(1, 2).toInt(nullptr, 16);
        const int address = line.mid(3, 4).toInt(nullptr, 16);
        image.resize(std::max<std::size_t>(image.size(), static_cast<std::size_t>(address + count)),
                     0xFF);
        for (int i = 0; i < count; ++i) {
            image[static_cast<std::size_t>(address + i)] =
                static_cast<std::uint8_t>(line.mid(9 + 2 * i, 2).toInt(nullptr, 16));
        }
    }
    return image;
}

struct Write {
    std::uint64_t cycle;
    int level;
};

class BoardUpload : public testing::Test {
protected:
    void SetUp() override {
        kit_ = folder_.file("kit");
        ASSERT_TRUE(QDir().mkpath(kit_));
        test::writeWorkingFolder(kit_, test::randomSlots(240, 28));
        before_ = test::folderChecksums(kit_);
        ASSERT_TRUE(QDir().mkpath(folder_.file("ports")));
    }

    // The working folder after a run: byte for byte as it was.
    void expectKitUnchanged() { EXPECT_EQ(test::folderChecksums(kit_), before_); }

    test::ProgramRun upload(const QString& port) {
        return runLong({"--folder", kit_, "upload", "--port", port, "--board", "uno"});
    }

    test::TempFolder folder_;
    QString kit_;
    std::map<QString, QByteArray> before_;
};

TEST_F(BoardUpload, WritesTheBuiltImageThroughOptibootAndThePlayerPlaysEachRequestedSlot) {
    const QString harness = QStringLiteral(WTB_UNO_HARNESS);
    ASSERT_FALSE(harness.isEmpty()) << "libsimavr-dev is missing (scripts/install-deps.sh)";
    const QString port = folder_.file("ports/" + kAwkwardName);
    const QString flash = folder_.file("flash.bin");
    QProcess board;
    // The board runs on for 4 s after each command: longer than the next one takes to come.
    board.start(harness, {kOptiboot, port, flash, "4000"});
    // simavr's terminal bridge talks on stdout too: the harness's own line says it listens.
    QByteArray said;
    ASSERT_TRUE(test::pollUntil(
        [&] {
            board.waitForReadyRead(10);
            said += board.readAllStandardOutput();
            return said.contains("ready\n") || board.state() == QProcess::NotRunning;
        },
        30'000, 1))
        << board.readAllStandardError().toStdString();
    ASSERT_TRUE(said.contains("ready\n")) << board.readAllStandardError().toStdString();

    const test::ProgramRun uploaded = upload(port);
    ASSERT_EQ(uploaded.exitCode, 0) << uploaded.err.toStdString();
    EXPECT_TRUE(uploaded.out.startsWith("Uploaded and verified")) << uploaded.out.toStdString();
    for (const char* step : {"Building the sketch", "Writing the flash", "Verifying the flash"}) {
        EXPECT_TRUE(uploaded.err.contains(step)) << step;
    }
    ASSERT_TRUE(test::pollUntil([&] { return QFile::exists(flash); }, 30'000, 20));
    const QString hex = test::programEnvironment().value("XDG_CACHE_HOME") +
                        "/wavetable-builder/upload/uno/build/Zozedovad.ino.hex";
    const std::vector<std::uint8_t> image = hexImage(hex);
    QFile written(flash);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray chip = written.readAll();
    ASSERT_GT(image.size(), 4'000u);
    ASSERT_GE(static_cast<std::size_t>(chip.size()), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), chip.begin(), [](std::uint8_t a, char b) {
        return a == static_cast<std::uint8_t>(b);
    })) << "the chip's flash differs from the built image";

    const std::int16_t played[] = {3, 16};
    for (const std::int16_t slot : played) {
        const test::ProgramRun run =
            test::runProgram({"play-on-board", QString::number(slot), "--port", port});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    ASSERT_TRUE(board.waitForFinished(60'000)) << "the simulated board did not stop";
    EXPECT_EQ(board.exitCode(), 0) << board.readAllStandardError().toStdString();

    std::vector<std::uint64_t> commands;
    std::vector<Write> writes;
    int resets = -1;
    std::istringstream lines((said + board.readAllStandardOutput()).toStdString());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "command") {
            commands.emplace_back();
            fields >> commands.back();
        } else if (kind == "write") {
            writes.emplace_back();
            fields >> writes.back().cycle >> writes.back().level;
        } else if (kind == "resets") {
            fields >> resets;
        }
    }
    EXPECT_EQ(resets, 0) << "the player started again while it played";
    ASSERT_EQ(commands.size(), std::size(played));
    const SlotBank bank = loadWorkingFolder(kit_, NewFolder::KeepEmpty);
    for (std::size_t k = 0; k < commands.size(); ++k) {
        SCOPED_TRACE("slot " + std::to_string(played[k]));
        const std::vector<std::uint8_t> expected = exportedSamples(bank[played[k]], played[k]);
        std::vector<int> levels;
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        for (const Write& write : writes) {
            const bool next = k + 1 < commands.size() && write.cycle >= commands[k + 1];
            if (write.cycle >= commands[k] && !next) {
                first = levels.empty() ? write.cycle : first;
                last = levels.size() < expected.size() ? write.cycle : last;
                levels.push_back(write.level);
            }
        }
        ASSERT_GT(levels.size(), expected.size());
        EXPECT_EQ(std::vector<int>(levels.begin(), levels.begin() + std::ssize(expected)),
                  std::vector<int>(expected.begin(), expected.end()));
        EXPECT_EQ(levels.back(), 128) << "the rest after the sound";
        // One sample per period of the slot's rate: 16 MHz / 8,000 Hz.
        const double period =
            static_cast<double>(last - first) / static_cast<double>(expected.size() - 1);
        EXPECT_NEAR(period, 16'000'000.0 / bank[played[k]].sampleRate, 20.0);
    }
    expectKitUnchanged();
    EXPECT_FALSE(QFile::exists(QDir::currentPath() + "/pwned"));
}

// A pseudo-terminal whose far end is ours.
struct Terminal {
    int master = -1;
    QString link;

    explicit Terminal(const QString& at) : link(at) {
        int slave = -1;
        char name[128];
        EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        EXPECT_EQ(::symlink(name, QFile::encodeName(link).constData()), 0);
    }
    ~Terminal() {
        if (master >= 0) {
            ::close(master);
        }
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
};

TEST_F(BoardUpload, EveryFailureEndsWithItsMessageAndTheFolderAsItWas) {
    const QString silent = folder_.file("ports/silent " + kAwkwardName);
    const QString closing = folder_.file("ports/unplugged");
    const QString dangling = folder_.file("ports/dangling");
    ASSERT_EQ(::symlink("/dev/pts/no-such-terminal", QFile::encodeName(dangling).constData()), 0);
    const QString plainFile = folder_.file("ports/a file");
    QFile(plainFile).open(QIODevice::WriteOnly);
    Terminal silentBoard(silent);
    Terminal unpluggedBoard(closing);
    // The board goes away as the upload begins: the first bytes are read, then the terminal's
    // far end closes.
    ::fcntl(unpluggedBoard.master, F_SETFL, O_NONBLOCK);
    std::atomic<bool> stop = false;
    std::thread unplug([&] {
        char byte = 0;
        while (!stop && ::read(unpluggedBoard.master, &byte, 1) != 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::close(unpluggedBoard.master);
        unpluggedBoard.master = -1;
    });

    const struct {
        QString port;
        const char* message;
    } cases[] = {
        {folder_.file("ports/no such port"), "does not exist"},
        {plainFile, "is not a serial port"},
        {dangling, "does not exist"},
        {silent, "does not answer its bootloader"},
        {closing, "does not answer its bootloader"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.port.toStdString());
        const test::ProgramRun run = upload(each.port);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(each.message)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(each.port)) << "the message names the port";
        EXPECT_FALSE(run.out.contains("Uploaded")) << run.out.toStdString();
        expectKitUnchanged();
    }
    stop = true;
    unplug.join();
}

TEST(UploadSettings, AreTheCoresOwnForEveryBoard) {
    const struct {
        Board board;
        const char* mcu;
        const char* protocol;
        const char* speed;
        bool touch;
    } cases[] = {
        {Board::Uno, "atmega328p", "arduino", "115200", false},
        {Board::Mega2560, "atmega2560", "wiring", "115200", false},
        {Board::Leonardo, "atmega32u4", "avr109", "57600", true},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.mcu);
        const UploadSettings settings = uploadSettings(each.board);
        EXPECT_EQ(settings.mcu, each.mcu);
        EXPECT_EQ(settings.protocol, each.protocol);
        EXPECT_EQ(settings.speed, each.speed);
        EXPECT_EQ(settings.touch1200, each.touch);
        EXPECT_EQ(settings.waitForPort, each.touch);
    }
    // The Leonardo's bootloader port, as it comes, is one argument whatever it holds.
    const ToolCommand command =
        uploadCommand(uploadSettings(Board::Leonardo), "/dev/ttyACM1 $(x);'", "/b c/S.ino.hex");
    EXPECT_EQ(command.arguments, QStringList({"-C", "/etc/avrdude.conf", "-p", "atmega32u4", "-c",
                                              "avr109", "-P", "/dev/ttyACM1 $(x);'", "-b", "57600",
                                              "-D", "-U", "flash:w:/b c/S.ino.hex:i"}));
}

TEST(UploadSettings, AMissingBoardListNamesThePackage) {
    try {
        uploadSettings(Board::Uno, "/nonexistent/boards.txt");
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("arduino-core-avr"), std::string::npos);
    }
}

TEST(UploadProgress, FollowsAvrdudesBars) {
    const struct {
        const char* output;
        UploadStep step;
        int percent;
    } cases[] = {
        {"avrdude: AVR device initialized\nReading | ####", UploadStep::Resetting, 0},
        {"Writing | ##########", UploadStep::Writing, 20},
        {"Writing | ######## (50 marks) | 100%\navrdude: verifying flash memory\nReading | #",
         UploadStep::Verifying, 2},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.output);
        const UploadPosition position = uploadPosition(each.output);
        EXPECT_EQ(position.step, each.step);
        EXPECT_EQ(position.percent, each.percent);
    }
}

TEST(UploadFailure, SaysWhatWentWrongAndWhetherTheOldProgramIsPartlyGone) {
    const struct {
        const char* output;
        UploadStop stopped;
        ExportFault fault;
        const char* says;
        bool partial;
    } cases[] = {
        {"avrdude warning: attempt 10 of 10: not in sync: resp=0x00", UploadStop::No,
         ExportFault::BootloaderSilent, "does not answer its bootloader", false},
        {"avrdude: AVR device initialized", UploadStop::NoAnswer, ExportFault::BootloaderSilent,
         "does not answer its bootloader", false},
        {"Writing | ##### | 100%\navrdude error: verification mismatch", UploadStop::No,
         ExportFault::UploadVerifyFailed, "failed its verify", true},
        {"Writing | #####", UploadStop::Cancelled, ExportFault::UploadStoppedByUser,
         "cancelled while writing", true},
        {"Writing | #####", UploadStop::Silent, ExportFault::UploadBoardSilent, "stopped answering",
         true},
        {"", UploadStop::Cancelled, ExportFault::UploadStoppedByUser,
         "cancelled before anything was written", false},
        {"Writing | #####\navrdude: stk500_recv()", UploadStop::No, ExportFault::UploadFailed,
         "could not upload", true},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.output);
        const RuntimeError failure =
            uploadFailure(Board::Uno, "/dev/ttyACM0", each.output, each.stopped);
        EXPECT_TRUE(failure.is(each.fault));
        EXPECT_EQ(failure.kind(), ErrorKind::Tool);
        EXPECT_EQ(failure.facts().text("port"), "/dev/ttyACM0");
        EXPECT_EQ(failure.facts().number("written"), each.partial ? 1 : 0);
        const std::string message = failure.what();
        EXPECT_NE(message.find(each.says), std::string::npos) << message;
        EXPECT_EQ(message.find("part of the old program") != std::string::npos, each.partial);
    }
    // What avrdude said last closes the message, as the user reads it.
    const std::string uno(boardInfo(Board::Uno).displayName);
    EXPECT_EQ(
        std::string(
            uploadFailure(Board::Uno, "/dev/ttyACM0", "a\nb\nnot in sync", UploadStop::No).what()),
        "The " + uno +
            " on \"/dev/ttyACM0\" does not answer its bootloader. Check that the "
            "board chosen (" +
            uno +
            ") is the board connected, and press its reset button "
            "just before uploading if the upload keeps failing.\navrdude said:\na\nb\nnot in "
            "sync");
}

TEST(SerialPortList, PutsArduinoLikePortsFirst) {
    std::vector<SerialPortEntry> ports = {
        {"/dev/ttyS0", "", std::nullopt, std::nullopt},
        {"/dev/ttyUSB1", "CH340", 0x1a86, 0x7523},
        {"/dev/ttyACM3", "Modem", 0x1199, 0x9071},
        {"/dev/ttyACM0", "Arduino Uno", 0x2341, 0x0043},
    };
    sortPorts(ports);
    QStringList order;
    for (const SerialPortEntry& port : ports) {
        order << port.path;
    }
    EXPECT_EQ(order, QStringList({"/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyACM3", "/dev/ttyS0"}));
    EXPECT_EQ(portLine(ports[0]), "/dev/ttyACM0\tArduino Uno\t2341:0043");
    EXPECT_EQ(portLine(ports[3]), "/dev/ttyS0\t-\t-:-");
}

} // namespace
} // namespace wtb

// A FIFO, a socket, a device, a folder or a broken link where a file is expected: each is
// refused with a message naming it and what it is, and nothing blocks. Every action runs on a
// worker thread with a time limit, so a reader stuck on a FIFO fails the test instead of
// hanging it.

#include "SeededBanks.h"
#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "editing/SlotImport.h"
#include "slots/WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <future>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace wtb {
namespace {

using namespace std::chrono_literals;

struct Special {
    const char* name;
    const char* described;
    std::function<void(const QString& path)> make;
};

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

void makeSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, native(path).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd); // the socket file stays
}

const Special kSpecials[] = {
    {"fifo", "is a FIFO (named pipe), not a regular file",
     [](const QString& p) { ASSERT_EQ(::mkfifo(native(p).constData(), 0644), 0); }},
    {"socket", "is a socket, not a regular file", makeSocket},
    {"device", "is a character device, not a regular file",
     [](const QString& p) { ASSERT_TRUE(QFile::link("/dev/zero", p)); }},
    {"folder", "is a folder, not a regular file",
     [](const QString& p) { ASSERT_TRUE(QDir().mkdir(p)); }},
    {"dangling_link", "is a symbolic link to a file that does not exist",
     [](const QString& p) { ASSERT_TRUE(QFile::link(p + ".gone", p)); }},
    {"link_loop", "is a symbolic link that loops back on itself",
     [](const QString& p) { ASSERT_TRUE(QFile::link(p, p)); }},
};

// Runs `action` with a time limit; on time-out it fails the test and unblocks a reader waiting
// on a FIFO at `path` by opening its other end.
std::string failureWithin(const std::function<void()>& action, const QString& path) {
    auto result = std::async(std::launch::async, [&]() -> std::string {
        try {
            action();
        } catch (const RuntimeError& error) {
            return error.what();
        }
        return "no failure";
    });
    if (result.wait_for(10s) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked on " << path.toStdString();
        const int writer = ::open(native(path).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
    }
    return result.get();
}

const auto entries = test::folderEntries;

// Name -> content of every regular file; the special ones are never opened.
std::map<QString, std::string> regularFiles(const QString& folder) {
    std::map<QString, std::string> files;
    for (const QString& name : entries(folder)) {
        const QString path = folder + "/" + name;
        if (!QFileInfo(path).isSymLink() && pathKind(path) == PathKind::Regular) {
            files[name] = readWholeFile(path);
        }
    }
    return files;
}

struct Place {
    const char* name;
    const char* file;
};

const Place kPlaces[] = {{"settings", "Settings.txt"}, {"slot_file", "3.wav"}};

class SpecialInTheWorkingFolder : public testing::TestWithParam<std::tuple<Place, Special>> {};

TEST_P(SpecialInTheWorkingFolder, IsNamedAndTheFolderLeftAlone) {
    const auto& [place, special] = GetParam();
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::seededSlots(30, 1));
    const QString path = folder.file(place.file);
    QFile::remove(path);
    special.make(path);
    const auto before = regularFiles(folder.path());
    const QStringList names = entries(folder.path());

    SlotBank bank;
    const std::string message = failureWithin(
        [&] { bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit); }, path);
    EXPECT_NE(message.find(path.toStdString() + "\" " + special.described), std::string::npos)
        << message;
    EXPECT_EQ(regularFiles(folder.path()), before);
    EXPECT_EQ(entries(folder.path()), names);
}

INSTANTIATE_TEST_SUITE_P(Each, SpecialInTheWorkingFolder,
                         testing::Combine(testing::ValuesIn(kPlaces), testing::ValuesIn(kSpecials)),
                         [](const auto& param) {
                             return std::string(std::get<0>(param.param).name) + "_" +
                                    std::get<1>(param.param).name;
                         });

class SpecialOutsideTheFolder : public testing::TestWithParam<Special> {};

TEST_P(SpecialOutsideTheFolder, AnImportIsRefusedAndTheSlotKept) {
    test::TempFolder folder;
    const QString path = folder.file("x.wav");
    GetParam().make(path);

    const std::string message = failureWithin([&] { slotFromFile(path); }, path);
    EXPECT_NE(message.find(GetParam().described), std::string::npos) << message;
}

TEST_P(SpecialOutsideTheFolder, AnExportIsRefusedAndLeavesItInPlace) {
    test::TempFolder folder;
    const QString path = folder.file("Zozedovad.ino");
    GetParam().make(path);
    const QStringList names = entries(folder.path());

    const std::string message = failureWithin([&] { writeFileAtomically(path, "sketch"); }, path);
    EXPECT_NE(message.find("Zozedovad.ino\": it "), std::string::npos) << message;
    EXPECT_NE(message.find(GetParam().described), std::string::npos) << message;
    EXPECT_EQ(entries(folder.path()), names);
}

INSTANTIATE_TEST_SUITE_P(Each, SpecialOutsideTheFolder, testing::ValuesIn(kSpecials),
                         [](const auto& param) { return std::string(param.param.name); });

class BrokenLinksForEveryFile : public testing::TestWithParam<Special> {};

TEST_P(BrokenLinksForEveryFile, MakeADamagedFolderThatIsNeverReplaced) {
    test::TempFolder folder;
    for (const QString& name : workingFolderFileNames()) {
        GetParam().make(folder.file(name));
    }
    const QStringList names = entries(folder.path());
    EXPECT_FALSE(isNewWorkingFolder(folder.path()));

    SlotBank bank;
    const std::string message =
        failureWithin([&] { bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit); },
                      folder.file("1.wav"));
    EXPECT_NE(message.find("1.wav\" " + std::string(GetParam().described)), std::string::npos)
        << message;
    EXPECT_EQ(entries(folder.path()), names);
}

INSTANTIATE_TEST_SUITE_P(Each, BrokenLinksForEveryFile, testing::Values(kSpecials[4], kSpecials[5]),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace wtb

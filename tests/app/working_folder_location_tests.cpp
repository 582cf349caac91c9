#include "support/TestSupport.h"

#include "common/RuntimeError.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLocation.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/mount.h>

namespace wtb {
namespace {

TEST(WorkingFolderLocation, FolderOptionThenPerUserFolderWhenInstalledElseTheProgramsFolder) {
    struct Case {
        ProgramPlaces places;
        QString expected;
    } cases[] = {
        {{"/data/kit", "/opt/wtb/bin", true, "/home/u/.local/share/B/W"}, "/data/kit"},
        {{"kit/../drums", "/opt/wtb/bin", false, ""}, QDir::currentPath() + "/drums"},
        {{"", "/opt/wtb/bin", true, "/home/u/.local/share/B/W"}, "/home/u/.local/share/B/W"},
        {{"", "/home/u/tools/", false, "/home/u/.local/share/B/W"}, "/home/u/tools"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseWorkingFolder(c.places), c.expected) << c.expected.toStdString();
    }
    try {
        chooseWorkingFolder({"", "/usr/bin", true, ""});
        ADD_FAILURE() << "an installed program with no per-user folder must not guess one";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("--folder DIR"), std::string::npos);
    }
}

TEST(WorkingFolderLocation, OnlyTheMarkerOfAnInstallationMakesTheProgramInstalled) {
    test::TempFolder prefix;
    const QString marker = "../share/wavetable-builder/installed";
    QDir(prefix.path()).mkpath("bin");
    QDir(prefix.path()).mkpath("share/wavetable-builder");
    EXPECT_FALSE(isInstalledProgram(prefix.file("bin"), marker)) << "a bare copy";
    QDir(prefix.path()).mkpath("share/wavetable-builder/installed");
    EXPECT_FALSE(isInstalledProgram(prefix.file("bin"), marker)) << "a folder is no marker";
    QDir(prefix.path()).rmdir("share/wavetable-builder/installed");
    test::writeText(prefix.file("share/wavetable-builder/installed"), "installed\n");
    EXPECT_TRUE(isInstalledProgram(prefix.file("bin"), marker));
}

TEST(WorkingFolderLocation, PreparingMakesAMissingFolderWithTheKitAndLeavesAKitAlone) {
    test::TempFolder root;
    const QString folder = root.file("Brimtock/Wavetable Builder");
    prepareWorkingFolder(folder);
    EXPECT_FALSE(isNewWorkingFolder(folder));
    const auto kit = test::folderChecksums(folder);
    EXPECT_EQ(kit.size(), 17u) << "sixteen slot files and Settings.txt, no probe left behind";

    test::writeWorkingFolder(folder, test::patternedSlots(50));
    const auto users = test::folderChecksums(folder);
    prepareWorkingFolder(folder);
    EXPECT_EQ(test::folderChecksums(folder), users);
}

void expectCannotBeWritten(const QString& folder) {
    try {
        prepareWorkingFolder(folder);
        ADD_FAILURE() << "no failure for " << folder.toStdString();
    } catch (const RuntimeError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("\"" + folder.toStdString() + "\" cannot be written"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("--folder DIR"), std::string::npos) << message;
    }
}

TEST(WorkingFolderLocation, AFolderThatCannotBeWrittenIsNamedWithTheWayOut) {
    test::TempFolder root;
    test::writeText(root.file("file"), "not a folder");
    expectCannotBeWritten(root.file("file"));
    expectCannotBeWritten(root.file("file/slots"));

    const QString readOnly = root.file("read-only");
    QDir().mkpath(readOnly);
    if (::mount("tmpfs", QFile::encodeName(readOnly).constData(), "tmpfs", MS_RDONLY, "size=64k") !=
        0) {
        GTEST_SKIP() << "mounting a read-only tmpfs is not permitted here";
    }
    expectCannotBeWritten(readOnly);
    expectCannotBeWritten(readOnly + "/slots");
    EXPECT_TRUE(QDir(readOnly).isEmpty());
    ::umount2(QFile::encodeName(readOnly).constData(), MNT_DETACH);
}

} // namespace
} // namespace wtb

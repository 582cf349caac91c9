#include "app/BuildInfo.h"
#include "app/ProgramFolder.h"
#include "app/TerminationSignals.h"
#include "slots/WorkingFolderLocation.h"
#include "window/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDirIterator>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>

namespace {

// The options the window and the command line share.
class Options {
public:
    QCommandLineParser parser;
    QCommandLineOption folder{QStringLiteral("folder"),
                              QStringLiteral("Keep the slots in DIR instead of the usual working "
                                             "folder."),
                              QStringLiteral("DIR")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's name and version and exit.")};

    Options() {
        parser.setApplicationDescription(
            QStringLiteral("Turns sixteen short 8-bit sounds into one AVR sketch source file. "
                           "Without a command it opens the window."));
        parser.addOptions({folder, help, version});
    }

    // False on a usage error; errorText() then says what is wrong.
    bool parse(const QStringList& arguments) {
        if (!parser.parse(arguments)) {
            error_ = parser.errorText();
        } else if (parser.isSet(folder) && parser.value(folder).isEmpty()) {
            error_ = QStringLiteral("The folder given with --folder is empty.");
        }
        return error_.isEmpty();
    }
    const QString& errorText() const { return error_; }
    bool opensWindow() const {
        return !parser.isSet(help) && !parser.isSet(version) &&
               parser.positionalArguments().isEmpty();
    }

private:
    QString error_;
};

void printTo(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

void setProgramIdentity() {
    // The per-user data folder and the preferences are found under these names.
    QCoreApplication::setOrganizationName(QStringLiteral("Brimtock"));
    QCoreApplication::setApplicationName(QStringLiteral("Wavetable Builder"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(wtb::build::kVersion));
}

// The desktop entry's icon, built into the program in every size it was rendered in.
QIcon programIcon() {
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (sizes.hasNext()) {
        icon.addFile(sizes.next());
    }
    return icon;
}

// Reported on the terminal as well, for a start from a shell or a script.
void showStartFailure(const QString& message) {
    printTo(stderr, message + QLatin1Char('\n'));
    QMessageBox::critical(nullptr, QString::fromUtf8(wtb::build::kProgramName), message);
}

int runWindow(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromUtf8(wtb::build::kDesktopId));
    QApplication::setWindowIcon(programIcon());
    wtb::TerminationSignals closeOnSignal([] { QApplication::closeAllWindows(); });
    Options options;
    options.parse(app.arguments());
    QString folder;
    try {
        folder = wtb::workingFolderOfProgram(options.parser.value(options.folder));
        wtb::prepareWorkingFolder(folder);
    } catch (const std::exception& error) {
        showStartFailure(QString::fromUtf8(error.what()));
        return 1;
    }
    wtb::frmMain window(folder);
    if (!window.Form_Load()) {
        return 1;
    }
    window.show();
    return app.exec();
}

// Everything but the window runs without a display and writes nothing unless asked to.
int runCommandLine(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!options.parse(app.arguments())) {
        printTo(stderr,
                options.errorText() + QStringLiteral("\nTry \"wavetable-builder --help\".\n"));
        return 2;
    }
    if (options.parser.isSet(options.help)) {
        printTo(stdout, options.parser.helpText());
        return 0;
    }
    if (options.parser.isSet(options.version)) {
        printTo(stdout, QStringLiteral("%1 %2\n").arg(QString::fromUtf8(wtb::build::kProgramName),
                                                      QString::fromUtf8(wtb::build::kVersion)));
        return 0;
    }
    printTo(stderr, QStringLiteral("Unknown command \"%1\".\nTry \"wavetable-builder --help\".\n")
                        .arg(options.parser.positionalArguments().constFirst()));
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    setProgramIdentity();
    Options options;
    if (options.parse(argumentsOf(argc, argv)) && options.opensWindow()) {
        return runWindow(argc, argv);
    }
    return runCommandLine(argc, argv);
}

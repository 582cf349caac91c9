#include "cli/CommandLine.h"

#include "app/BuildInfo.h"
#include "app/ProgramFolder.h"
#include "cli/CommandHelp.h"
#include "cli/CommandTable.h"
#include "cli/Output.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "workspace/Operations.h"

#include <QCommandLineParser>

#include <memory>
#include <new>
#include <vector>

namespace wtb::cli {

namespace {

// What the arguments ask for: the window, the help, the version, or one command of the table.
struct Invocation {
    enum class Asks { Window, Help, Version, Command } asks = Asks::Window;
    QString folder; // empty: the usual one
    const CommandEntry* command = nullptr;
    CommandCall call;
};

// Qt's parser with --folder, --help, --version and every option of the table.
class Parser {
public:
    Parser() {
        parser_.addOption(folder_);
        for (const OptionEntry& option : optionTable()) {
            QStringList names;
            if (option.shortName != nullptr) {
                names << QLatin1String(option.shortName);
            }
            names << QLatin1String(option.name);
            const QString help = QString::fromStdString(optionHelp(option));
            options_.emplace_back(option.id,
                                  option.value != nullptr
                                      ? QCommandLineOption(names, help, QLatin1String(option.value))
                                      : QCommandLineOption(names, help));
            parser_.addOption(options_.back().second);
        }
        parser_.addOption(help_);
        parser_.addOption(version_);
    }

    Invocation parse(const QStringList& arguments) {
        if (!parser_.parse(markedValues(arguments))) {
            usageError(parser_.errorText());
        }
        Invocation invocation;
        if (parser_.isSet(help_)) {
            invocation.asks = Invocation::Asks::Help;
            return invocation;
        }
        if (parser_.isSet(version_)) {
            invocation.asks = Invocation::Asks::Version;
            return invocation;
        }
        // Never the usual folder in place of an empty one: that is not the folder the user named.
        invocation.folder = unmarked(parser_.value(folder_));
        if (parser_.isSet(folder_) && invocation.folder.isEmpty()) {
            usageError(QStringLiteral("The folder given with --folder is empty."));
        }
        QStringList positional = unmarked(parser_.positionalArguments());
        if (positional.isEmpty()) {
            checkOptionsBelong(nullptr);
            return invocation;
        }
        const CommandEntry& command = commandNamed(positional.takeFirst());
        checkOptionsBelong(&command);
        checkArguments(command, positional);
        invocation.asks = Invocation::Asks::Command;
        invocation.command = &command;
        invocation.call.arguments = positional;
        invocation.call.options = givenOptions();
        return invocation;
    }

    std::string optionsHelp() const {
        // Qt lays out the options; the rest of the help is the table's.
        const QString qtHelp = parser_.helpText();
        const qsizetype optionsAt = qtHelp.indexOf(QLatin1String("Options:"));
        return (optionsAt < 0 ? QString() : qtHelp.mid(optionsAt)).toStdString();
    }

private:
    // `command` null: the window, which takes no option but --folder.
    void checkOptionsBelong(const CommandEntry* command) const {
        for (const auto& [id, option] : options_) {
            if (!parser_.isSet(option) || (command != nullptr && command->takes(id))) {
                continue;
            }
            const QString name = optionText(optionEntry(id));
            if (command == nullptr) {
                usageError(QStringLiteral("%1 goes with a command.").arg(name));
            }
            usageError(QStringLiteral("%1 does not go with %2.").arg(name, command->name()));
        }
    }

    static void checkArguments(const CommandEntry& command, const QStringList& arguments) {
        if (arguments.size() >= command.leastArguments &&
            arguments.size() <= command.mostArguments) {
            return;
        }
        if (command.mostArguments == 0) {
            usageError(QStringLiteral("%1 takes no arguments, but was given \"%2\".")
                           .arg(command.name(), arguments.constFirst()));
        }
        usageError(QStringLiteral("%1 takes %2.").arg(command.name(), command.argumentsText()));
    }

    GivenOptions givenOptions() const {
        GivenOptions given;
        for (const auto& [id, option] : options_) {
            if (!parser_.isSet(option)) {
                continue;
            }
            const QString value =
                option.valueName().isEmpty() ? QString() : unmarked(parser_.value(option));
            if (!option.valueName().isEmpty() && value.isEmpty()) {
                usageError(QStringLiteral("%1 needs a value.").arg(optionText(optionEntry(id))));
            }
            given.set(id, value);
        }
        return given;
    }

    QCommandLineParser parser_;
    QCommandLineOption folder_{QStringLiteral("folder"),
                               QStringLiteral("Work on the slots in DIR instead of the usual "
                                              "working folder."),
                               QStringLiteral("DIR")};
    QCommandLineOption help_{{QStringLiteral("h"), QStringLiteral("help")},
                             QStringLiteral("Show this help and exit.")};
    QCommandLineOption version_{{QStringLiteral("v"), QStringLiteral("version")},
                                QStringLiteral("Show the program's name and version and exit.")};
    std::vector<std::pair<OptionId, QCommandLineOption>> options_;
};

void runInvocation(const Parser& parser, Invocation& invocation) {
    // --help and --version answer before any working folder is looked for, which may fail.
    switch (invocation.asks) {
    case Invocation::Asks::Help:
        printOutput(helpText(parser.optionsHelp()));
        return;
    case Invocation::Asks::Version:
        printOutput(std::string(build::kProgramName) + " " + build::kVersion + "\n");
        return;
    case Invocation::Asks::Window:
        usageError(QStringLiteral("No command given."));
    case Invocation::Asks::Command:
        break;
    }
    if (invocation.command->works == Works::OnAFolder) {
        invocation.call.folder =
            invocation.folder.isEmpty() ? workingFolderOfProgram({}) : invocation.folder;
    }
    invocation.command->run(invocation.call);
}

int reportUsageError(const UsageError& error) {
    printError(std::string(error.what()) + "\n" + synopsisText() +
               "Try \"wavetable-builder --help\" for more.");
    return kExitUsageError;
}

int reportFailure(const RuntimeError& error) {
    std::string message = error.what();
    if (error.kind() == ErrorKind::Size) {
        message += " To make the table smaller, convert the slots to a lower rate with \"" +
                   commandText(Operation::Resample) + " all HZ\" (\"" +
                   commandText(Operation::List) +
                   "\" shows each slot's rate; a rate chosen for imports does not change slots "
                   "already there) or end them earlier with \"" +
                   commandText(Operation::Trim) + " SLOT END\".";
    } else if (error.kind() == ErrorKind::Internal) {
        message = message + " " + kInternalFaultNote;
    }
    printError(message);
    return kExitFailed;
}

} // namespace

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << pathFromSystem(QByteArray(argv[i]));
    }
    return arguments;
}

std::optional<QString> windowFolderRequested(const QStringList& arguments) {
    try {
        Parser parser;
        const Invocation invocation = parser.parse(arguments);
        if (invocation.asks == Invocation::Asks::Window) {
            return invocation.folder;
        }
    } catch (const UsageError&) {
        // Not understood: the command line says why.
    }
    return std::nullopt;
}

int runCommandLine(const QStringList& arguments) {
    try {
        Parser parser;
        Invocation invocation = parser.parse(arguments);
        runInvocation(parser, invocation);
        return kExitDone;
    } catch (const UsageError& error) {
        return reportUsageError(error);
    } catch (const RuntimeError& error) {
        return reportFailure(error);
    } catch (const std::bad_alloc&) {
        printError("There was not enough memory to finish the command; the working folder was "
                   "not saved.");
    } catch (const std::exception& error) {
        printError(error.what());
    } catch (...) {
        printError("An unexpected error stopped the command.");
    }
    return kExitFailed;
}

} // namespace wtb::cli

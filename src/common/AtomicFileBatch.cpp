#include "common/AtomicFile.h"
#include "common/FileSteps.h"

#include "common/RegularFile.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "common/TextLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace wtb {

using namespace file_steps;

QString batchTemporaryName(const QString& fileName) {
    return QLatin1Char('.') + fileName + QStringLiteral(".new");
}

namespace {

constexpr std::string_view kJournalHeader = "Brimtock Wavetable Builder save journal";
constexpr std::string_view kJournalEnd = "end of journal, files: ";

QString journalTemporary(const QString& journal) {
    return journal + QStringLiteral(".new");
}

std::string journalText(const std::vector<QString>& names) {
    std::string text(kJournalHeader);
    text += '\n';
    for (const QString& name : names) {
        text += name.toStdString() + '\n';
    }
    text += std::string(kJournalEnd) + std::to_string(names.size()) + '\n';
    return text;
}

// The names a journal lists, or nothing when it is incomplete or names a file that is not
// one of `allowed`.
std::optional<std::vector<QString>> journalNames(std::string_view text,
                                                 const std::vector<QString>& allowed) {
    const std::vector<std::string_view> lines = splitTextLines(text);
    if (lines.size() < 2 || lines.front() != kJournalHeader ||
        lines.back() != std::string(kJournalEnd) + std::to_string(lines.size() - 2)) {
        return std::nullopt;
    }
    std::vector<QString> names;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const QString name = QString::fromStdString(std::string(lines[i]));
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            return std::nullopt;
        }
        names.push_back(name);
    }
    return names;
}

} // namespace

AtomicFileBatch::AtomicFileBatch(const QString& journalPath)
    : folder_(folderOf(journalPath)), journal_(journalPath) {}

AtomicFileBatch::~AtomicFileBatch() {
    if (!renaming_) {
        discard();
    }
}

void AtomicFileBatch::discard() {
    // The journal goes first: once it is gone no start takes the temporaries for a save.
    if (journalPlaced_) {
        removeEntry(journal_);
    }
    removeIfPresent(journalTemporary(journal_));
    for (const QString& name : names_) {
        removeIfPresent(folder_ + QLatin1Char('/') + batchTemporaryName(name));
    }
}

void AtomicFileBatch::write(const QString& fileName, std::string_view bytes) {
    const QString path = folder_ + QLatin1Char('/') + fileName;
    requireReplaceable(path);
    const QString temporary = folder_ + QLatin1Char('/') + batchTemporaryName(fileName);
    if (const int error = entryExists(temporary) ? removeEntry(temporary) : 0) {
        raiseWriteError(temporary, error);
    }
    names_.push_back(fileName);
    FileDescriptor file(createExclusive(temporary));
    if (file.get() < 0) {
        raiseWriteError(path, errno);
    }
    writeSynced(file, bytes, path);
}

void AtomicFileBatch::commit() {
    for (const QString& name : names_) {
        requireRenameableOver(folder_ + QLatin1Char('/') + name);
    }
    syncFolder(folder_); // the temporaries' names are on disk before the journal lists them
    const QString journalNew = journalTemporary(journal_);
    FileDescriptor journal(createExclusive(journalNew));
    if (journal.get() < 0) {
        raiseWriteError(journal_, errno);
    }
    writeSynced(journal, journalText(names_), journal_);
    renameEntry(journalNew, journal_);
    journalPlaced_ = true;
    syncFolder(folder_);

    renaming_ = true; // from here on the batch is finished forwards, never rolled back
    for (const QString& name : names_) {
        renameEntry(folder_ + QLatin1Char('/') + batchTemporaryName(name),
                    folder_ + QLatin1Char('/') + name);
    }
    syncFolder(folder_);
    // Every file is in place; a journal left behind only names temporaries that are gone.
    if (removeEntry(journal_) == 0) {
        try {
            syncFolder(folder_);
        } catch (const RuntimeError&) {
        }
    }
}

namespace {

// A journal that could not be finished: what stands where, for the user. `placedNow` counts
// the files this start put in place (the others in `inPlace` were placed by the cut-off save).
[[noreturn]] void raiseUnfinished(const RuntimeError& cause, const std::vector<QString>& inPlace,
                                  const std::vector<QString>& notInPlace, std::size_t placedNow) {
    std::string message = std::string(cause.what()) + " ";
    if (notInPlace.empty()) {
        message += "Every file of the interrupted save is in place (" + listOfNames(inPlace) +
                   "); the next start completes it.";
    } else if (inPlace.empty()) {
        message += "No file of the interrupted save is in place yet: " + listOfNames(notInPlace) +
                   " still hold what they held before it; the next start tries again.";
    } else {
        message += "Of the interrupted save, " + listOfNames(inPlace) +
                   (inPlace.size() == 1 ? " is" : " are") + " in place; " +
                   listOfNames(notInPlace) +
                   (notInPlace.size() == 1 ? " still holds" : " still hold") +
                   " what it held before it; the next start tries again.";
    }
    if (placedNow > 0) {
        throw FilesChangedError(cause.kind(), message);
    }
    raise(cause.kind(), message);
}

} // namespace

std::vector<QString> finishOrDiscardBatch(const QString& journalPath,
                                          const std::vector<QString>& fileNames) {
    const QString folder = folderOf(journalPath);
    const auto inFolder = [&](const QString& name) { return folder + QLatin1Char('/') + name; };
    std::vector<QString> placedNow;
    if (entryExists(journalPath)) {
        const auto names = journalNames(readWholeFile(journalPath), fileNames);
        if (names) {
            std::vector<QString> inPlace; // a missing temporary was renamed before the cut
            for (std::size_t i = 0; i < names->size(); ++i) {
                const QString& name = (*names)[i];
                const QString temporary = inFolder(batchTemporaryName(name));
                if (!entryExists(temporary)) {
                    inPlace.push_back(name);
                    continue;
                }
                try {
                    renameEntry(temporary, inFolder(name));
                } catch (const RuntimeError& error) {
                    std::vector<QString> notInPlace;
                    for (std::size_t j = i; j < names->size(); ++j) {
                        (entryExists(inFolder(batchTemporaryName((*names)[j]))) ? notInPlace
                                                                                : inPlace)
                            .push_back((*names)[j]);
                    }
                    raiseUnfinished(error, inPlace, notInPlace, placedNow.size());
                }
                placedNow.push_back(name);
                inPlace.push_back(name);
            }
            try {
                syncFolder(folder);
            } catch (const RuntimeError& error) {
                raiseUnfinished(error, inPlace, {}, placedNow.size());
            }
        }
        if (const int error = removeEntry(journalPath)) {
            try {
                raiseWriteError(journalPath, error);
            } catch (const RuntimeError& cause) {
                if (!names) {
                    throw;
                }
                raiseUnfinished(cause, *names, {}, placedNow.size());
            }
        }
    }
    removeIfPresent(journalTemporary(journalPath));
    for (const QString& name : fileNames) {
        removeIfPresent(inFolder(batchTemporaryName(name)));
    }
    return placedNow;
}

} // namespace wtb

#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wtb {

// Writes the whole file through a temporary file in the same folder: every byte is checked,
// the data is synced to disk, and only then is it renamed into place, so `path` holds either
// its old content or the complete new one, never an empty or a short file. A link is written
// through to the file it names. Anything but a regular file at `path` (a folder, a FIFO, a
// device, a broken link) is refused before anything is written. Raises a file error naming
// the path and the reason.
void writeFileAtomically(const QString& path, std::string_view bytes);

// Files of one folder replaced as one, also when the program is killed at any instant. Each
// file is written in full under a temporary name beside it (batchTemporaryName) and synced;
// commit() then writes a journal listing them, renames each into place and removes the
// journal. A start that finds a complete journal finishes the renames (finishOrDiscardBatch);
// without one the temporaries are discarded. The folder holds all old files or all new ones.
class AtomicFileBatch {
public:
    // Every file of the batch lives in the folder of `journalPath`.
    explicit AtomicFileBatch(const QString& journalPath);
    ~AtomicFileBatch(); // a batch that did not reach its journal removes what it wrote
    AtomicFileBatch(const AtomicFileBatch&) = delete;
    AtomicFileBatch& operator=(const AtomicFileBatch&) = delete;

    // Writes `fileName` (a name in the folder) under its temporary name. Raises a file error
    // naming the file, before anything is written when a folder, a FIFO or the like stands
    // in its place.
    void write(const QString& fileName, std::string_view bytes);

    // Puts every written file in place. A failure before the journal is complete leaves the
    // folder as it was (a file marked immutable or append-only is refused then, before any
    // rename); after that, the renames are finished by finishOrDiscardBatch.
    void commit();

private:
    void discard();

    QString folder_;
    QString journal_;
    std::vector<QString> names_;
    bool journalPlaced_ = false;
    bool renaming_ = false;
};

// Brings the folder back to one whole state after a batch an earlier run left behind: the
// renames of a complete journal are carried out; an incomplete journal, and the temporaries of
// `fileNames`, are removed. Only names in `fileNames` are ever renamed. Gives the names this
// call put in place. Raises a file error when finishing a complete journal fails; its message
// then says which files of the batch are in place and which still hold their old contents
// (the journal stays, so the next call tries again), and it is a FilesChangedError when this
// call had already put a file in place.
std::vector<QString> finishOrDiscardBatch(const QString& journalPath,
                                          const std::vector<QString>& fileNames);

// "1.wav", "1.wav and 2.wav", "1.wav, 2.wav and 3.wav": names for a message.
std::string listOfNames(const std::vector<QString>& names);

// The name a batch writes `fileName` under until its commit: ".1.wav.new" for "1.wav".
QString batchTemporaryName(const QString& fileName);

// Reads the whole file; refuses anything but a regular file without blocking on it. Raises a
// file error naming the path and the reason.
std::string readWholeFile(const QString& path);

// The path as the user should see it in a message.
std::string displayPath(const QString& path);

// Every step of the writers above that changes the disk asks this hook first, when one is set:
// it returns 0 to let the step run or an errno value to make it fail as the system would; for
// a write it may lower `bytes` to let only part through. Tests fail or kill a save with it at
// each step.
enum class FileStep { Create, Write, Sync, Rename, Remove };
using FileFaultHook = std::function<int(FileStep step, std::size_t& bytes)>;
void setFileFaultHook(FileFaultHook hook);

} // namespace wtb

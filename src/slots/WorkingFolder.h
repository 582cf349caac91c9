#pragma once

#include "slots/Slot.h"

#include <QString>

#include <vector>

namespace wtb {

// The slot file of `slot` in `folder`: "7.wav" for slot 7.
QString slotFilePath(const QString& folder, std::int32_t slot);
QString settingsFilePath(const QString& folder);

// The seventeen files of a working folder, slot files first, as names in the folder.
std::vector<QString> workingFolderFileNames();

// The journal a save keeps while it puts the seventeen files in place.
QString saveJournalPath(const QString& folder);

// Raises a file error when writing `path` would write over one of the working folder's own
// entries: its seventeen files, their save's temporaries and journal, its lock, or the folder
// itself; also through a link or a second name of one of them. `what` names the writer for the
// message ("The sketch"). Writes nothing.
void requireOutsideWorkingFolder(const QString& folder, const QString& path,
                                 const std::string& what);

// True when the folder holds none of the sixteen slot files, no settings file and no save
// journal. An entry of any kind counts, a broken link or a FIFO as much as a file.
bool isNewWorkingFolder(const QString& folder);

// Writes the built-in default kit as the sixteen slot files and the settings file into a new
// folder. When anything fails, no file of the kit is left behind, so the folder stays new.
void createDefaultKit(const QString& folder);

// Finishes a save that was cut off (the program killed, the machine stopped) or discards it,
// so the folder holds the whole bank of one save; gives the files it put in place. Raises when
// a complete save cannot be put in place, saying which files are and which are not; a
// FilesChangedError when it had put some in place before the failure.
std::vector<QString> finishInterruptedSave(const QString& folder);

// What loading a new folder (one that holds none of the files) does.
enum class NewFolder {
    WriteDefaultKit, // writes the default kit's files first, as the window's first start does
    KeepEmpty,       // gives the default kit's slots but writes nothing
};

// The sixteen slots of the working folder: an interrupted save is finished or discarded, then
// the sixteen slot files are read, then the names and end indices from the settings file. A
// new folder gives the default kit. Raises on the first missing, damaged or special file (a
// FIFO, a folder, a broken link); it never writes to a folder that is not new except to finish
// an interrupted save. A failure after it changed the folder (an interrupted save finished,
// the kit written) is a FilesChangedError whose message says so; any other failure left every
// file as it was.
SlotBank loadWorkingFolder(const QString& folder, NewFolder newFolder);

// The sixteen slots of a folder another program has open and may be saving at this moment:
// nothing is finished, discarded or written. A save in progress is waited for (a few seconds at
// most), and a read that a save overlapped is read again, so the slots are those of one save.
// A new folder gives the default kit.
SlotBank readOpenWorkingFolder(const QString& folder);

// Writes every slot's sound to its slot file, then the settings file, as one: all seventeen
// are written and synced under temporary names before any replaces its old self, and a
// journal lets the next start finish the renames when the program is killed among them.
// Raises on the first failure, naming the file and the reason.
void saveWorkingFolder(const SlotBank& bank, const QString& folder);

} // namespace wtb

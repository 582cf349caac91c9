#pragma once

#include "common/Facts.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace wtb {

// Keeps a second program off a working folder that one program has open: two windows saving
// the same folder would each lose the other's changes. The lock is the kernel's (flock) on the
// file `.wavetable-builder.lock` in the folder, held while the object lives and dropped by the
// kernel however the program ends, so a crash or a kill never leaves the folder locked. What
// the file holds (process id, host, boot) only names the holder in the message; an empty or
// left-over file never keeps anyone out. The file itself stays in the folder.
// Who holds a folder's lock, so another program is told what keeps it out.
enum class LockRole { Window, Command };

class WorkingFolderLock {
public:
    // Takes the lock or raises a file error; when another program holds it the message says
    // which: "The working folder "…" is already open in another window (process 1234)." or
    // "… is being changed by another command (process 1234) …".
    explicit WorkingFolderLock(const QString& folder, LockRole role = LockRole::Window);
    ~WorkingFolderLock();
    WorkingFolderLock(const WorkingFolderLock&) = delete;
    WorkingFolderLock& operator=(const WorkingFolderLock&) = delete;

    static QString lockFilePath(const QString& folder);

    // For a folder that is then refused: the lock file, when this lock made it, is removed as
    // the lock is released, so the folder is left as it was found. Removed while still held: a
    // program that opened it meanwhile finds it no longer named and tries again.
    void removeFileOnRelease() { removeOnRelease_ = true; }

private:
    int fd_ = -1;
    QString path_;
    bool created_ = false;
    bool removeOnRelease_ = false;
};

// Who a lock file says holds the folder, as far as it says: a file cut short or left by
// another program's lock gives what could be read, or nothing.
struct LockHolder {
    long long processId = 0;      // 0 when unknown
    std::string host;             // empty when unknown
    std::string bootId;           // empty when unknown
    std::optional<LockRole> role; // unknown when the file does not say
};
std::optional<LockHolder> parseLockHolder(std::string_view content);

// The contents this process writes into a lock file it holds.
std::string lockHolderText(const LockHolder& holder);

// The holder as this process is: its id, its host name, the kernel's boot id and its role.
LockHolder thisProcessAsHolder(LockRole role = LockRole::Window);

// The holder as a message names it, seen from `self`: its "process" id, and its "host" when that
// is another machine; no facts when the holder's id cannot be trusted: not written yet, or
// written in another boot.
Facts lockHolderFacts(const std::optional<LockHolder>& holder, const LockHolder& self);

} // namespace wtb

#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace wtb {

// Keeps a second program off a working folder that one program has open: two windows saving
// the same folder would each lose the other's changes. The lock is a file in the folder,
// released when the object goes; a lock left by a program that was killed is taken over.
class WorkingFolderLock {
public:
    // Takes the lock or raises a file error; when another program holds it the message is
    // "The working folder "…" is already open in another window."
    explicit WorkingFolderLock(const QString& folder);
    ~WorkingFolderLock();
    WorkingFolderLock(const WorkingFolderLock&) = delete;
    WorkingFolderLock& operator=(const WorkingFolderLock&) = delete;

    static QString lockFilePath(const QString& folder);

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace wtb

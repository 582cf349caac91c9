#pragma once

#include "common/AtomicFile.h"
#include "common/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

// The checked steps the atomic writers are made of: each asks the fault hook first and fails
// as the system would, with a file error naming the path. Only common/'s writers use them.
namespace wtb::file_steps {

FileFaultHook& faultHook();
int injectedFault(FileStep step, std::size_t& bytes);
int injectedFault(FileStep step);
QByteArray native(const QString& path);
[[noreturn]] void raiseWriteError(const QString& path, int error);
[[noreturn]] void raiseReadError(const QString& path, const std::string& reason);
// 0 or the errno of a failed (or injected) step.
int removeEntry(const QString& path);
void removeIfPresent(const QString& path);
void renameEntry(const QString& from, const QString& to);
// Makes the folder's entries (new names, renames) durable, as fsync does for a file's data.
void syncFolder(const QString& folder);
int createExclusive(const QString& path);
// Writes every byte, syncs the data to disk and closes, each step checked. `shown` is the
// file the user knows, named in a failure.
void writeSynced(FileDescriptor& file, std::string_view bytes, const QString& shown);
// Nothing, or a regular file (a link to one is replaced by the new file).
void requireReplaceable(const QString& path);
// Refuses a file a rename cannot replace (immutable or append-only) before anything changes.
void requireRenameableOver(const QString& path);
QString folderOf(const QString& path);
QString besideInFolder(const QString& path, const QString& name);
// The file a write to `path` lands in: the path itself, or the file a link names.
QString writeTarget(const QString& path);

} // namespace wtb::file_steps

#pragma once

#include "common/RuntimeError.h"

#include <QString>

#include <string>

namespace wtb {

// What stands at a path, links followed. Anything but a regular file is refused by the
// readers and writers: opening a FIFO or a device blocks or reads forever.
enum class PathKind {
    Missing,
    Regular,
    Folder,
    Fifo,
    Socket,
    CharacterDevice,
    BlockDevice,
    DanglingLink,
    LinkLoop,
    Other
};

// Raises a file error when the path cannot be examined (no permission on its folder, ...).
PathKind pathKind(const QString& path);

// The kind of an open file from its st_mode.
PathKind pathKindOfMode(unsigned mode);

// "a FIFO (named pipe)", "a folder", ... for a message.
std::string describePathKind(PathKind kind);

// True when the folder holds an entry of that name of any kind, a broken link included.
bool entryExists(const QString& path);

// Raises an error of `kind` unless the path is a regular file or a link to one:
// `what` "path" does not exist. / `what` "path" is a FIFO (named pipe), not a regular file.
void requireRegularFile(const QString& path, const std::string& what,
                        ErrorKind kind = ErrorKind::File);

} // namespace wtb

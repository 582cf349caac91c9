#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace wtb {

// Writes the whole file through a temporary file in the same folder that is renamed into
// place: the file at `path` is either its old self or the complete new content, never half
// written. Raises a file error naming the path and the reason.
void writeFileAtomically(const QString& path, std::string_view bytes);

// Reads the whole file; raises a file error naming the path and the reason.
std::string readWholeFile(const QString& path);

// The path as the user should see it in a message.
std::string displayPath(const QString& path);

} // namespace wtb

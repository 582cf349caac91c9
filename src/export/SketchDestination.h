#pragma once

#include <QString>

// Where an export is going, checked before the table is weighed against the board: a mistyped
// path is what the user must hear first, not a budget that --force would have overridden only
// to fail at the write.
namespace wtb {

// Raises a file error naming `path` when the table sketch could not be written there: its
// folder is missing, is not a folder or refuses a new file, or something other than a regular
// file (a folder, a FIFO, a broken link) stands at the path. Writes nothing.
void checkSketchDestination(const QString& path);

// The same for a player sketch written into `folder` (playerSketchFile, playerHeaderFile),
// which the export creates with any folders missing above it: the nearest folder that exists
// must take a new entry, and nothing but a folder may stand at `folder`. Writes nothing.
void checkPlayerSketchDestination(const QString& folder);

} // namespace wtb

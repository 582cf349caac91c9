#pragma once

#include <QString>

#include <string>

// Every rule for how a slot's name may be written, in one place: the name comes from a file's
// title, and is then written into Settings.txt lines, listing columns and sketch comments,
// none of which it may break.
namespace wtb {

// A slot name from a file title, as UTF-8. TAB, CR, LF and every other control or
// line-separator character becomes a space, so the name stays on its one line wherever it goes.
std::string slotNameFromFileTitle(const QString& title);

// The name as one field of a TAB-separated line: TAB, CR and LF become spaces (a hand-edited
// Settings.txt may hold them). Nothing else changes, so every name the program made is kept.
std::string oneFieldName(std::string name);

// The name as it may stand in a "//" comment line: control characters (CR, LF, TAB, ...)
// become spaces and a backslash at the end, also one before trailing spaces, is dropped, so
// the comment can neither end early nor swallow the next line.
std::string commentSafeName(const std::string& name);

} // namespace wtb

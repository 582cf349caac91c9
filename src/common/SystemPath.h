#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string>

// A file name on Linux is bytes, not text: one written in another encoding (café.wav in
// Latin-1) is still a name the user can type and the program must open. Every path the
// program hands to the system goes through systemPath, and every name it takes from the system
// (the command line) through pathFromSystem, so such a name arrives whole: a byte that is not
// part of valid UTF-8 travels as the lone surrogate U+DC00 + byte, a code point no valid text
// holds, and becomes that byte again.
namespace wtb {

// The bytes the system knows the path by.
QByteArray systemPath(const QString& path);

// The path of the system's bytes: valid UTF-8 decoded, every other byte kept as U+DC00 + byte.
QString pathFromSystem(const QByteArray& bytes);

// The local file a file:// address names, its percent-encoded bytes taken as the system's (a
// file manager encodes a Latin-1 name's bytes so, which QUrl::toLocalFile cannot decode).
QString pathFromFileUrl(const QUrl& url);

// The path for a message: its bytes as the system has them, which a terminal shows in the
// locale's encoding; the same as the UTF-8 text for any name that is valid UTF-8.
std::string systemPathText(const QString& path);

} // namespace wtb

#include "common/SystemPath.h"

namespace wtb {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF: the bytes 0x80..0xFF

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at` and its code point; 0 when it is not one
// (a stray byte, a sequence cut short, an overlong form, a surrogate, beyond U+10FFFF).
int utf8Sequence(const QByteArray& bytes, qsizetype at, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    int length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2, least = 0x80, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, least = 0x800, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, least = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if (!isContinuation(next)) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint < least || surrogate || codePoint > 0x10FFFF ? 0 : length;
}

} // namespace

QString pathFromSystem(const QByteArray& bytes) {
    QString path;
    path.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        if (const int length = utf8Sequence(bytes, at, codePoint)) {
            path += QString::fromUcs4(&codePoint, 1);
            at += length;
        } else {
            path += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        }
    }
    return path;
}

QByteArray systemPath(const QString& path) {
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype at = 0; at < path.size(); ++at) {
        const QChar unit = path[at];
        const bool paired =
            unit.isHighSurrogate() && at + 1 < path.size() && path[at + 1].isLowSurrogate();
        if (paired) {
            bytes += path.mid(at, 2).toUtf8();
            ++at;
        } else if (unit.unicode() >= kEscapeBase + 0x80 && unit.unicode() <= kEscapeBase + 0xFF) {
            bytes += static_cast<char>(unit.unicode() - kEscapeBase);
        } else {
            bytes += QString(unit).toUtf8();
        }
    }
    return bytes;
}

QString pathFromFileUrl(const QUrl& url) {
    return pathFromSystem(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

std::string systemPathText(const QString& path) {
    return systemPath(path).toStdString();
}

} // namespace wtb

#include "slots/SlotName.h"

#include <algorithm>

namespace wtb {

std::string slotNameFromFileTitle(const QString& title) {
    QString cleaned = title;
    for (QChar& c : cleaned) {
        switch (c.category()) {
        case QChar::Other_Control:       // TAB, CR, LF, DEL and the C1 controls
        case QChar::Separator_Line:      // U+2028, a line end to some readers
        case QChar::Separator_Paragraph: // U+2029
            c = QLatin1Char(' ');
            break;
        default:
            break;
        }
    }
    return cleaned.toUtf8().toStdString();
}

std::string oneFieldName(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return name;
}

std::string commentSafeName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = ' ';
        }
    }
    // A backslash at the end of a line, even with spaces after it, continues the comment onto
    // the next line; so does the trigraph "??/" where trigraphs are on (and it draws a warning
    // where they are off).
    for (;;) {
        const std::size_t last = safe.find_last_not_of(' ');
        if (last == std::string::npos) {
            return safe;
        }
        const bool backslash = safe[last] == '\\';
        const bool trigraph =
            safe[last] == '/' && last >= 2 && safe.compare(last - 2, 2, "??") == 0;
        if (!backslash && !trigraph) {
            return safe;
        }
        safe.erase(last, 1);
    }
}

} // namespace wtb

#include "common/TextLines.h"

namespace wtb {

std::vector<std::string_view> splitTextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c != '\r' && c != '\n') {
            ++pos;
            continue;
        }
        lines.push_back(text.substr(start, pos - start));
        const bool crLf = c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n';
        pos += crLf ? 2 : 1;
        start = pos;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::vector<std::string_view> splitFields(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(separator, start);
        if (end == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
}

void appendCrLfLines(std::string& text, std::string_view lines) {
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        text.append(lines.substr(0, end));
        text.append(kCrLf);
        if (end == std::string_view::npos) {
            return;
        }
        lines.remove_prefix(end + 1);
    }
}

} // namespace wtb

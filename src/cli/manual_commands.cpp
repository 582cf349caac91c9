// Writes the manual page: the page's text (argv[1]) with its marker line replaced by the list of
// commands made from the table of commands, to argv[2]. Run at build time.
#include "cli/CommandHelp.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr const char* kMarker = ".\\\" The commands, from the table of commands.";

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: wtb_manual_commands PAGE_TEXT OUTPUT\n";
        return 2;
    }
    std::ifstream page(argv[1]);
    std::ostringstream text;
    bool marked = false;
    for (std::string line; std::getline(page, line);) {
        if (line == kMarker) {
            text << wtb::cli::manualCommandsText();
            marked = true;
        } else {
            text << line << '\n';
        }
    }
    if (!page.eof() || !marked) {
        std::cerr << argv[1] << ": cannot be read, or holds no line \"" << kMarker << "\"\n";
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text.str();
    out.close();
    if (!out) {
        std::cerr << argv[2] << ": cannot be written\n";
        return 1;
    }
    return 0;
}

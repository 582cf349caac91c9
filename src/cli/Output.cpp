#include "cli/Output.h"

#include "common/RuntimeError.h"

#include <cerrno>
#include <cstring>

namespace wtb::cli {

namespace {

constexpr const char* kProgram = "wavetable-builder";

// 0 when every byte reached the stream's file, else the errno of the failure.
int writeWhole(std::FILE* stream, const std::string& text) {
    errno = 0;
    const bool whole = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    const bool flushed = std::fflush(stream) == 0;
    if (whole && flushed) {
        return 0;
    }
    return errno != 0 ? errno : EIO;
}

} // namespace

void printOutput(const std::string& text) {
    if (const int error = writeWhole(stdout, text)) {
        std::clearerr(stdout);
        raise(ErrorKind::File, std::string("Standard output could not be written: ") +
                                   std::strerror(error) +
                                   ". What the command did is done; only its report is lost.");
    }
}

void printError(const std::string& message) {
    writeWhole(stderr, std::string(kProgram) + ": " + message + "\n");
}

void printWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) {
        printError("warning: " + warning);
    }
}

} // namespace wtb::cli

#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What the command line writes. A report that cannot reach standard output is a failure of the
// command (a script reading it would take an empty answer for a true one), so it raises.
namespace wtb::cli {

// Writes `text` to standard output and flushes it; raises a file error when it was not written
// whole, saying that what the command did is done and only its report is lost.
void printOutput(const std::string& text);

// "wavetable-builder: MESSAGE" on standard error, which has nowhere else to report to.
void printError(const std::string& message);

// "wavetable-builder: warning: WARNING" on standard error, one line each.
void printWarnings(const std::vector<std::string>& warnings);

} // namespace wtb::cli

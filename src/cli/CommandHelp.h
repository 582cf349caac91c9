#pragma once

#include <string>

// What the shell tells about itself, made from the table of commands.
namespace wtb::cli {

// "Usage: wavetable-builder [--folder DIR]" and one line for each form of each command.
std::string synopsisText();

// The synopsis, what each command does, then `optionsHelp` (Qt's layout of the options).
std::string helpText(const std::string& optionsHelp);

// The help of an option as --help shows it: the commands that take it, then what it does.
std::string optionHelp(const struct OptionEntry& option);

// The manual page's list of commands, in roff: one tagged paragraph for each form.
std::string manualCommandsText();

} // namespace wtb::cli

#pragma once

#include <stdexcept>
#include <string>

namespace wtb {

// What went wrong, so a handler or a test can tell failures apart without parsing text.
// Size: a sound or table too large for where it must go (the board, the sketch's accessors);
// where the user sees it, the window or the shell adds what to do about it.
// Tool: a program the tool hands work to (the Arduino builder, the uploader) is missing or
// failed; the message holds what it printed.
// Internal: the program broke a rule of its own (a mapping for another sound, a board or
// command it does not know); never the user's input, so the faces say so and ask for a report.
enum class ErrorKind { Bounds, Overflow, File, Sound, Size, Tool, Internal };

// The one failure the program raises. The message is written for the user: what failed,
// which slot or file, and why.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(ErrorKind kind, const std::string& message);

    ErrorKind kind() const { return kind_; }

private:
    ErrorKind kind_;
};

// A failure that came after files on disk had already been changed; its message says which.
// A caller that would otherwise tell the user that nothing was changed looks for this one.
class FilesChangedError : public RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

[[noreturn]] void raise(ErrorKind kind, const std::string& message);

// What the window and the shell add to an internal fault's message.
inline constexpr const char* kInternalFaultNote =
    "This is a fault of the program itself, not of your slots or files; please report it with "
    "this message.";

} // namespace wtb

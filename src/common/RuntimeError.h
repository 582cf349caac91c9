#pragma once

#include "common/Facts.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace wtb {

// What went wrong, so a handler or a test can tell failures apart without parsing text.
// Size: a sound or table too large for where it must go (the board, the sketch's accessors);
// where the user sees it, the window or the shell adds what to do about it.
// Tool: a program the tool hands work to (the Arduino builder, the uploader) is missing or
// failed; the message holds what it printed.
// Internal: the program broke a rule of its own (a mapping for another sound, a board or
// command it does not know); never the user's input, so the faces say so and ask for a report.
enum class ErrorKind { Bounds, Overflow, File, Sound, Size, Tool, Internal };

// The layer whose list of faults a fault code belongs to; each layer names its faults in an
// enum of its own (slots/SlotFault.h, editing/EditFault.h, export/ExportFault.h …) and gives
// faultDomain() for it.
enum class FaultDomain : std::uint8_t { None, Slots, Editing, Export, Workspace };

struct FaultCode {
    FaultDomain domain = FaultDomain::None;
    std::uint16_t value = 0;
    bool operator==(const FaultCode&) const = default;
};

// A layer's enum of faults, with faultDomain() beside it (a plain template condition rather
// than a concept: Qt's moc reads this header and cannot parse concepts).
template <class Fault> using IfLayerFault = std::enable_if_t<std::is_enum_v<Fault>, int>;

template <class Fault, IfLayerFault<Fault> = 0> constexpr FaultCode faultCode(Fault fault) {
    return {faultDomain(fault), static_cast<std::uint16_t>(fault)};
}

class RuntimeError;

// Makes a fault's sentence from its code, facts and cause. The program's faces install the
// one wording they share (messages/); without it a fault reads as its code and facts.
using FaultWording = std::string (*)(const RuntimeError& error);
void installFaultWording(FaultWording wording);

// The one failure the program raises. Its message is written for the user: what failed, which
// slot or file, and why. A fault raised as data carries its code and facts, and its message is
// made from them by the installed wording; a fault raised with its message already written
// (the lower layers' older sites, the program's own faults) has no code.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(ErrorKind kind, const std::string& message);
    RuntimeError(ErrorKind kind, FaultCode code, Facts facts,
                 std::shared_ptr<const RuntimeError> cause = nullptr);

    ErrorKind kind() const { return kind_; }
    FaultCode code() const { return code_; }
    const Facts& facts() const { return facts_; }
    // The failure this one reports as the reason (a save that could not finish, a file that
    // could not be read), or null.
    const RuntimeError* cause() const { return cause_.get(); }

    template <class Fault, IfLayerFault<Fault> = 0> bool is(Fault fault) const {
        return code_ == faultCode(fault);
    }

private:
    ErrorKind kind_;
    FaultCode code_;
    Facts facts_;
    std::shared_ptr<const RuntimeError> cause_;
};

// A failure that came after files on disk had already been changed; its message says which.
// A caller that would otherwise tell the user that nothing was changed looks for this one.
class FilesChangedError : public RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

[[noreturn]] void raise(ErrorKind kind, const std::string& message);

template <class Fault, IfLayerFault<Fault> = 0>
[[noreturn]] void raise(ErrorKind kind, Fault fault, Facts facts = {}) {
    throw RuntimeError(kind, faultCode(fault), std::move(facts));
}

// Raises a fault whose reason is an earlier failure; the wording says both.
template <class Fault, IfLayerFault<Fault> = 0>
[[noreturn]] void raiseBecause(const RuntimeError& cause, ErrorKind kind, Fault fault,
                               Facts facts = {}) {
    throw RuntimeError(kind, faultCode(fault), std::move(facts),
                       std::make_shared<const RuntimeError>(cause));
}

// What the window and the shell add to an internal fault's message.
inline constexpr const char* kInternalFaultNote =
    "This is a fault of the program itself, not of your slots or files; please report it with "
    "this message.";

} // namespace wtb

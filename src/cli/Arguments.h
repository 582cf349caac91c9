#pragma once

#include "workspace/Choices.h"
#include "workspace/Workspace.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

// The values a command line holds, each kind read by one function that says, when the text is
// not such a value, what the value is and what it must be.
namespace wtb::cli {

// The command line was not understood, as opposed to an operation that failed: the shell
// answers it with the reason and the usage, and exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void usageError(const QString& reason);

// A kind of whole number: "\"TEXT\" is not WHAT: PLACEHOLDER is RULE." when the text is none
// or lies outside least..most.
struct NumberKind {
    const char* what;        // "an end index"
    const char* placeholder; // "END"
    const char* rule;        // "a whole number"
    std::int32_t least = INT32_MIN;
    std::int32_t most = INT32_MAX;
};

inline constexpr NumberKind kSlotNumber{"a slot number", "SLOT", "a number from 1 to 16",
                                        kFirstSlot, kLastSlot};
inline constexpr NumberKind kEndIndex{"an end index", "END", "a whole number"};
inline constexpr NumberKind kSampleIndex{"a sample index", "INDEX", "a whole number"};
inline constexpr NumberKind kLoopStart{"a loop start", "START", "a whole number"};
inline constexpr NumberKind kLoopEnd{"a loop end", "END", "a whole number"};
inline constexpr NumberKind kSampleRate{"a sample rate", "HZ", "a whole number of hertz", 1};
inline constexpr NumberKind kThreshold{"a threshold", "N", "a whole number of steps"};
inline constexpr NumberKind kTableLength{"a table length", "CELLS", "a whole number"};
inline constexpr NumberKind kCycleIndex{"an index", "INDEX", "a whole number"};

// Decimal digits with an optional "-", nothing else, within 32 bits.
std::optional<std::int32_t> wholeNumber(const QString& text);

// The number `text` holds, else a usage error as `kind` says.
std::int32_t numberArgument(const QString& text, const NumberKind& kind);

std::int16_t slotArgument(const QString& text);

// "all", or one slot.
SlotChoice slotsArgument(const QString& text);

// A board or a format named by its id ("uno", "adpcm4"), else a usage error listing the ids.
Board boardArgument(const QString& text);
SampleFormat formatArgument(const QString& text);

// QCommandLineParser takes "-5" for the option "5", yet no option of this program starts with a
// digit: a dash and a digit begin a value, such as a negative end index that must be refused
// as outside the slot. Such arguments reach the parser behind a mark no option starts with, and
// the mark comes off again in every positional argument and option value. An argument that
// already starts with the mark is given a second one, so every argument comes back exactly as
// it was typed.
QStringList markedValues(const QStringList& arguments);
QString unmarked(const QString& value);
QStringList unmarked(const QStringList& values);

} // namespace wtb::cli

#include "cli/KeysCommand.h"

#include "cli/Arguments.h"
#include "cli/CommandTable.h"

namespace wtb::cli {

namespace {

[[noreturn]] void keysUsageError(const std::string& reason) {
    usageError(QString::fromStdString(reason));
}

std::int32_t noteArgument(const QString& text, const char* what) {
    const std::optional<std::int32_t> note = noteFromText(text.toStdString());
    if (!note) {
        keysUsageError("\"" + text.toStdString() + "\" is not " + what +
                       ": a note is a number from 0 to 127 or a name from C-1 to G9, such as C4 "
                       "(middle C, 60) or F#3.");
    }
    return *note;
}

std::string centsText(std::int32_t cents) {
    if (cents == 0) {
        return {};
    }
    return (cents > 0 ? " +" : " ") + std::to_string(cents) +
           (cents == 1 || cents == -1 ? " cent" : " cents");
}

} // namespace

KeysRequest keysArguments(std::int16_t slot, const QStringList& args,
                          const std::optional<QString>& root) {
    KeysRequest request;
    request.slot = slot;
    if (args.size() == 1) {
        if (args[0] != QLatin1String("none")) {
            notNoneError(Operation::Keys, args[0]);
        }
        if (root) {
            keysUsageError("--root does not go with \"" + commandText(Operation::Keys) +
                           " SLOT none\": without a key map the slot plays on its default note.");
        }
        return request;
    }
    request.range = KeysRequest::Range{noteArgument(args.value(0), "the lowest note, LOW"),
                                       noteArgument(args.value(1), "the highest note, HIGH")};
    if (request.range->low > request.range->high) {
        keysUsageError("The lowest note, " + noteText(request.range->low) +
                       ", lies above the highest, " + noteText(request.range->high) +
                       ": LOW comes first.");
    }
    if (root) {
        request.root = noteArgument(*root, "a root note, NOTE");
    }
    return request;
}

std::optional<KeyRange> requestedKeys(const KeysRequest& request, const Slot& current) {
    if (!request.range) {
        return std::nullopt;
    }
    KeyRange keys = current.keys.value_or(defaultKeyRange(request.slot));
    keys.low = request.range->low;
    keys.high = request.range->high;
    if (request.root) {
        keys.root = *request.root;
        keys.fineCents = 0;
    }
    return keys;
}

std::string noteText(std::int32_t note) {
    return std::to_string(note) + " (" + noteName(note) + ")";
}

std::string keysLine(std::int16_t number, const Slot& slot) {
    const std::string which = "Slot " + std::to_string(number);
    if (!slot.keys) {
        return which + " has no key map: it plays at its own rate on note " +
               noteText(defaultKeyRange(number).root) + " alone.\n";
    }
    const KeyRange& keys = *slot.keys;
    const std::string notes = keys.low == keys.high ? " plays on note " + noteText(keys.low)
                                                    : " plays on notes " + noteText(keys.low) +
                                                          " to " + noteText(keys.high);
    return which + notes + ", at its own rate on " + noteText(keys.root) +
           centsText(keys.fineCents) + ".\n";
}

std::string keysListField(const Slot& slot) {
    if (!slot.keys) {
        return {};
    }
    const KeyRange& keys = *slot.keys;
    return "keys " + std::to_string(keys.low) + "-" + std::to_string(keys.high) + " (" +
           noteName(keys.low) + "-" + noteName(keys.high) + ") root " + noteText(keys.root) +
           centsText(keys.fineCents);
}

} // namespace wtb::cli

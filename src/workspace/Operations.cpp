#include "workspace/Operations.h"

#include "common/RuntimeError.h"

#include <array>

namespace wtb {

namespace {

constexpr std::array kOperations = {
    OperationEntry{Operation::List, "list", "", ""},
    OperationEntry{Operation::Import, "import", "import into", ""},
    OperationEntry{Operation::Trim, "trim", "trim", ""},
    OperationEntry{Operation::CutStart, "cut-start", "cut the start of", ""},
    OperationEntry{Operation::TrimSilence, "trim-silence", "trim the silence of", ""},
    OperationEntry{Operation::Resample, "resample", "resample", ""},
    OperationEntry{Operation::Normalise, "normalise", "normalise", ""},
    OperationEntry{Operation::Loop, "loop", "set loop of", "remove loop of"},
    OperationEntry{Operation::Keys, "keys", "set keys of", "remove key map of"},
    OperationEntry{Operation::SingleCycle, "single-cycle", "make single cycle of", ""},
    OperationEntry{Operation::Export, "export", "", ""},
    OperationEntry{Operation::Upload, "upload", "", ""},
    OperationEntry{Operation::ListPorts, "list-ports", "", ""},
    OperationEntry{Operation::PlayOnBoard, "play-on-board", "", ""},
};

// The table is read by position: each entry sits at its operation's value.
constexpr bool inOrder() {
    for (std::size_t i = 0; i < kOperations.size(); ++i) {
        if (static_cast<std::size_t>(kOperations[i].operation) != i) {
            return false;
        }
    }
    return static_cast<std::size_t>(Operation::PlayOnBoard) + 1 == kOperations.size();
}
static_assert(inOrder());

QString text(std::string_view latin1) {
    return QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()));
}

QString named(std::string_view what, const QString& slots) {
    if (what.empty()) {
        raise(ErrorKind::Internal, "An operation that changes no slot was given a change text.");
    }
    return text(what) + u' ' + slots;
}

} // namespace

std::span<const OperationEntry> operationTable() {
    return kOperations;
}

const OperationEntry& operationEntry(Operation operation) {
    return kOperations.at(static_cast<std::size_t>(operation));
}

QString commandName(Operation operation) {
    return text(operationEntry(operation).command);
}

std::string commandText(Operation operation) {
    return std::string(operationEntry(operation).command);
}

QString changeText(Operation operation, std::optional<std::int16_t> slot) {
    return named(operationEntry(operation).change,
                 slot ? QStringLiteral("slot %1").arg(*slot) : QStringLiteral("all slots"));
}

QString changeText(Operation operation, std::int16_t first, std::int32_t count) {
    return named(operationEntry(operation).change,
                 count == 1 ? QStringLiteral("slot %1").arg(first)
                            : QStringLiteral("slots %1-%2").arg(first).arg(first + count - 1));
}

QString removalText(Operation operation, std::int16_t slot) {
    return named(operationEntry(operation).removal, QStringLiteral("slot %1").arg(slot));
}

} // namespace wtb

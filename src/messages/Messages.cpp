#include "messages/Messages.h"

#include "messages/DomainMessages.h"

#include <array>
#include <charconv>

namespace wtb {

std::string faultMessage(const RuntimeError& error) {
    const std::string cause = error.cause() ? std::string(error.cause()->what()) : std::string();
    const Facts& facts = error.facts();
    const std::uint16_t value = error.code().value;
    switch (error.code().domain) {
    case FaultDomain::Slots:
        return slotMessage(static_cast<SlotFault>(value), facts, cause);
    case FaultDomain::Editing:
        return editingMessage(static_cast<EditFault>(value), facts, cause);
    case FaultDomain::Export:
        return exportMessage(static_cast<ExportFault>(value), facts, cause);
    case FaultDomain::Workspace:
        return workspaceMessage(static_cast<WorkspaceFault>(value), facts, cause);
    case FaultDomain::None:
        break;
    }
    raiseUnwordedFault(error.code());
}

void installMessages() {
    installFaultWording(&faultMessage);
}

std::string groupedNumber(std::int64_t number) {
    const auto magnitude = static_cast<std::uint64_t>(number);
    const std::string digits = std::to_string(number < 0 ? 0 - magnitude : magnitude);
    std::string grouped = number < 0 ? "-" : "";
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[at];
    }
    return grouped;
}

namespace {

std::string gigabytes(std::int64_t bytes) {
    std::array<char, 32> text{};
    const double value = static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0);
    const auto end =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 1)
            .ptr;
    return std::string(text.data(), end) + " GB";
}

} // namespace

std::string memoryNeedText(const Facts& facts) {
    return " would need " + gigabytes(facts.number("bytes")) + " of memory, but only " +
           gigabytes(facts.number("room")) + " can be had.";
}

std::string plainNumber(const Facts& facts, std::string_view name) {
    return std::to_string(facts.number(name));
}

void raiseUnwordedFault(FaultCode code) {
    raise(ErrorKind::Internal, "A fault (" + std::to_string(static_cast<int>(code.domain)) + "." +
                                   std::to_string(code.value) + ") has no message.");
}

} // namespace wtb

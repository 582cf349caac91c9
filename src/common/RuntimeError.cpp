#include "common/RuntimeError.h"

#include <atomic>
#include <variant>

namespace wtb {
namespace {

std::atomic<FaultWording> installedWording{nullptr};

std::string factText(const FactValue& fact) {
    return std::visit(
        [](const auto& value) -> std::string {
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
                return "\"" + value + "\"";
            } else {
                return std::to_string(value);
            }
        },
        fact.value());
}

// The words of a fault when no wording is installed: its code and facts, for a log or a tool
// that embeds the layers without a face.
std::string codeAndFacts(FaultCode code, const Facts& facts) {
    std::string text =
        "fault " + std::to_string(static_cast<int>(code.domain)) + "." + std::to_string(code.value);
    for (const auto& [name, value] : facts.all()) {
        text += " " + name + "=" + factText(value);
    }
    return text;
}

} // namespace

void installFaultWording(FaultWording wording) {
    installedWording.store(wording);
}

RuntimeError::RuntimeError(ErrorKind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

RuntimeError::RuntimeError(ErrorKind kind, FaultCode code, Facts facts,
                           std::shared_ptr<const RuntimeError> cause)
    : std::runtime_error(codeAndFacts(code, facts)), kind_(kind), code_(code),
      facts_(std::move(facts)), cause_(std::move(cause)) {
    if (const FaultWording wording = installedWording.load()) {
        static_cast<std::runtime_error&>(*this) = std::runtime_error(wording(*this));
    }
}

void raise(ErrorKind kind, const std::string& message) {
    throw RuntimeError(kind, message);
}

} // namespace wtb

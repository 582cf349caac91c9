#include "common/RuntimeError.h"

namespace wtb {

RuntimeError::RuntimeError(ErrorKind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

void raise(ErrorKind kind, const std::string& message) {
    throw RuntimeError(kind, message);
}

} // namespace wtb

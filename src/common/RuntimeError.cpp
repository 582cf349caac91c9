#include "common/RuntimeError.h"

namespace wtb {

const char* errorKindName(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::Bounds:
        return "bounds";
    case ErrorKind::Overflow:
        return "overflow";
    case ErrorKind::File:
        return "file";
    case ErrorKind::Sound:
        return "sound";
    case ErrorKind::Control:
        return "control";
    }
    return "unknown";
}

RuntimeError::RuntimeError(ErrorKind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

void raise(ErrorKind kind, const std::string& message) {
    throw RuntimeError(kind, message);
}

} // namespace wtb

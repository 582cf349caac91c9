#include "messages/DomainMessages.h"

namespace wtb {

std::string editingMessage(EditFault fault, const Facts& /*facts*/, const std::string& /*cause*/) {
    switch (fault) {}
    raiseUnwordedFault(faultCode(fault));
}

} // namespace wtb

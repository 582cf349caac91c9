#include "messages/DomainMessages.h"

namespace wtb {

std::string exportMessage(ExportFault fault, const Facts& /*facts*/, const std::string& /*cause*/) {
    switch (fault) {}
    raiseUnwordedFault(faultCode(fault));
}

} // namespace wtb

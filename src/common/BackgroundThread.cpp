#include "common/BackgroundThread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace wtb {

void yieldProcessorToTheWindow() {
    thread_local bool lowered = false;
    if (!lowered) {
        // Best effort: a thread may always lower its own priority, and work goes on if not.
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
        lowered = true;
    }
}

} // namespace wtb

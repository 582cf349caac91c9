#pragma once

#include <optional>
#include <string>

namespace wtb {

// Qt 6.4 aborts inside the QApplication constructor (a core dump, status 134) when none of the
// platforms it tries can reach a display. This looks first, as Qt would: the platforms named by
// QT_QPA_PLATFORM, or else Wayland on a Wayland desktop and then X; a platform that needs no
// display (offscreen, vnc, eglfs, ...) counts as one. Gives the sentence to tell the user when
// no display can be reached, nothing when the window can open.
std::optional<std::string> missingDisplayMessage();

} // namespace wtb

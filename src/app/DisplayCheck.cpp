#include "app/DisplayCheck.h"

#include <QByteArray>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QList>

#include <xcb/xcb.h>

namespace wtb {

namespace {

bool xDisplayReachable() {
    // The connection is made and dropped again at once; Qt makes its own.
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

bool waylandReachable() {
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!QFileInfo::exists(plugins + QStringLiteral("/platforms/libqwayland-generic.so")) &&
        !QFileInfo::exists(plugins + QStringLiteral("/platforms/libqwayland-egl.so"))) {
        return false; // Qt passes over a platform it has no plugin for
    }
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return true;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/wayland-0"));
}

// The platforms Qt tries, in order, without their ":options".
QList<QByteArray> platformsTried() {
    QByteArray named = qgetenv("QT_QPA_PLATFORM");
    if (named.isEmpty()) {
        named = "xcb";
        if (qgetenv("XDG_SESSION_TYPE") == "wayland") { // a Wayland desktop
            named = "wayland;xcb";
        }
    }
    QList<QByteArray> platforms;
    for (const QByteArray& entry : named.split(';')) {
        const qsizetype options = entry.indexOf(':');
        const QByteArray name = (options < 0 ? entry : entry.left(options)).trimmed();
        if (!name.isEmpty()) {
            platforms << name;
        }
    }
    return platforms;
}

} // namespace

std::optional<std::string> missingDisplayMessage() {
    for (const QByteArray& platform : platformsTried()) {
        if (platform == "xcb"                ? xDisplayReachable()
            : platform.startsWith("wayland") ? waylandReachable()
                                             : true) {
            return std::nullopt;
        }
    }
    const QByteArray display = qgetenv("DISPLAY");
    const std::string why = display.isEmpty() ? "no display was found (DISPLAY is not set)"
                                              : "the display \"" + display.toStdString() +
                                                    "\" named by DISPLAY cannot be reached";
    return "Cannot open the window: " + why +
           "; without a display, use the command line (see wavetable-builder --help).";
}

} // namespace wtb

#include "app/DisplayCheck.h"
#include "support/PrivateDisplay.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace wtb {
namespace {

// Sets the variables for the test's span and puts back what was there.
class Environment {
public:
    explicit Environment(const std::map<const char*, std::optional<QByteArray>>& values) {
        for (const auto& [name, value] : values) {
            saved_[name] =
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
            value ? qputenv(name, *value) : qunsetenv(name);
        }
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            value ? qputenv(name, *value) : qunsetenv(name);
        }
    }

private:
    std::map<const char*, std::optional<QByteArray>> saved_;
};

constexpr char kCommandLine[] = "see wavetable-builder --help";

TEST(DisplayCheck, FindsWhatQtWouldTryBeforeItCanAbort) {
    const struct {
        const char* name;
        std::optional<QByteArray> platform;
        std::optional<QByteArray> display;
        const char* said; // nullptr: the window can open
    } cases[] = {
        {"no display at all", std::nullopt, std::nullopt,
         "no display was found (DISPLAY is not set)"},
        {"X asked for, no display", "xcb", std::nullopt, "DISPLAY is not set"},
        {"X with options", "xcb:nograb", std::nullopt, "DISPLAY is not set"},
        {"a display nobody serves", std::nullopt, ":4711",
         "the display \":4711\" named by DISPLAY cannot be reached"},
        {"offscreen, as the tests run", "offscreen", std::nullopt, nullptr},
        {"X, else offscreen", "xcb;offscreen", std::nullopt, nullptr},
        {"VNC needs no display", "vnc", ":4711", nullptr},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.name);
        const Environment environment({{"QT_QPA_PLATFORM", one.platform},
                                       {"DISPLAY", one.display},
                                       {"XDG_SESSION_TYPE", std::nullopt},
                                       {"WAYLAND_DISPLAY", std::nullopt}});
        const std::optional<std::string> message = missingDisplayMessage();
        if (!one.said) {
            EXPECT_EQ(message, std::nullopt);
            continue;
        }
        ASSERT_TRUE(message);
        EXPECT_NE(message->find(one.said), std::string::npos) << *message;
        EXPECT_NE(message->find(kCommandLine), std::string::npos) << *message;
    }
}

TEST(DisplayCheck, ARunningXServerIsADisplay) {
    const test::PrivateDisplay screen(QStringLiteral("640x480x24"));
    ASSERT_FALSE(screen.name().isEmpty()) << "no X server";
    const Environment environment({{"QT_QPA_PLATFORM", std::nullopt},
                                   {"DISPLAY", screen.name().toLocal8Bit()},
                                   {"XDG_SESSION_TYPE", std::nullopt}});
    EXPECT_EQ(missingDisplayMessage(), std::nullopt);
}

} // namespace
} // namespace wtb

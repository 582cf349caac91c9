#pragma once

#include "export/PlayerOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <vector>

namespace wtb {

// The options of `export --player` and `upload` that choose how the player plays: its voices,
// mixing rate and inputs.
struct PlayerFlags {
    QCommandLineOption voices{QStringLiteral("voices"),
                              QStringLiteral("export --player, upload: mix N sounds at once, 1 "
                                             "(the one-sound player, the default) to 8."),
                              QStringLiteral("N")};
    QCommandLineOption mixRate{QStringLiteral("mix-rate"),
                               QStringLiteral("export --player, upload: the mixing rate (default: "
                                              "the slots' common rate, else the highest slot "
                                              "rate the board's cycles allow)."),
                               QStringLiteral("HZ")};
    QCommandLineOption midi{QStringLiteral("midi"),
                            QStringLiteral("export --player, upload: play notes from MIDI on the "
                                           "serial input instead of the serial lines.")};
    QCommandLineOption midiBaud{QStringLiteral("midi-baud"),
                                QStringLiteral("export --player, upload: MIDI at 31250 baud (a "
                                               "DIN MIDI input, the default) or 115200 (a "
                                               "USB-serial bridge)."),
                                QStringLiteral("BAUD")};
    QCommandLineOption pins{QStringLiteral("pins"),
                            QStringLiteral("export --player, upload: buttons to GND that play "
                                           "slots, as SLOT=PIN,... (2=4,3=5: slot 2 on pin 4)."),
                            QStringLiteral("SLOT=PIN,...")};

    std::vector<const QCommandLineOption*> all() const {
        return {&voices, &mixRate, &midi, &midiBaud, &pins};
    }
};

// The player's options from the parsed command line; a usage error names the value that is
// not one and says what is. Ranges the board decides (the cycles, its pins) are the export's.
PlayerOptions playerOptionsFrom(const QCommandLineParser& parser, const PlayerFlags& flags);

// "SLOT=PIN,..." as trigger pins; a usage error for anything else.
std::vector<TriggerPin> triggerPinsArgument(const QString& text);

} // namespace wtb

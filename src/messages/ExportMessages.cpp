#include "messages/DomainMessages.h"

namespace wtb {

namespace {

class ExportWords {
public:
    explicit ExportWords(const Facts& facts) : facts_(facts) {}

    std::string number(std::string_view name) const { return plainNumber(facts_, name); }
    std::string hz(std::string_view name) const { return number(name) + " Hz"; }
    const std::string& text(std::string_view name) const { return facts_.text(name); }
    std::string quoted(std::string_view name) const { return "\"" + text(name) + "\""; }
    std::string slot() const { return "Slot " + number("slot"); }
    std::string board() const { return "the " + text("board"); }
    // The advice to choose ADPCM, when the same sounds would fit the board that way.
    std::string adpcmAdvice() const {
        return facts_.has("adpcm") ? " In 4-bit ADPCM (the format choice, --format adpcm4) the "
                                     "sketch would take " +
                                         number("adpcm") + " bytes and fit."
                                   : std::string();
    }
    std::string voices(std::string_view name) const {
        return number(name) + (facts_.number(name) == 1 ? " voice" : " voices");
    }
    bool has(std::string_view name) const { return facts_.has(name); }

private:
    const Facts& facts_;
};

std::string adpcmMessage(ExportFault fault, const ExportWords& w) {
    switch (fault) {
    case ExportFault::AdpcmDataTooShort:
        return "The ADPCM data holds " + w.number("bytes") + " bytes, too few for " +
               w.number("samples") + " samples.";
    case ExportFault::AdpcmDataEnds:
        return "The ADPCM data ends at byte " + w.number("bytes") + "; the reader needs byte " +
               w.number("position") + ".";
    case ExportFault::AdpcmStepIndexOutside:
        return "An ADPCM block at byte " + w.number("position") + " starts at step index " +
               w.number("index") + "; the last is 88.";
    case ExportFault::AdpcmSampleOutside:
        return "Sample " + w.number("sample") + " is outside the " + w.number("samples") +
               " samples encoded.";
    case ExportFault::AdpcmSlotTooLong:
        return w.slot() + " holds " + w.number("samples") +
               " samples; in 4-bit ADPCM a slot holds at most " + w.number("limit") +
               ", the most the sketch's accessors count. Shorten it or split it over two slots.";
    case ExportFault::AdpcmTableTooLarge:
        return "The ADPCM wavetable takes " + w.number("bytes") +
               " bytes; a sketch's accessors address at most " + w.number("limit") +
               ". Shorten or remove sounds.";
    default:
        return {};
    }
}

std::string tableMessage(ExportFault fault, const ExportWords& w) {
    switch (fault) {
    case ExportFault::TableCountOverflow:
        return "The wavetable cannot be saved: with slot " + w.number("slot") + " (end index " +
               w.number("end") + ") its sample count exceeds " + w.number("limit") + ".";
    case ExportFault::TableBeyondAccessors:
        return "The wavetable cannot be saved: it holds " + w.number("samples") +
               " samples, more than the " + w.number("limit") +
               " the sketch's accessors can reach (their unsigned int has 16 bits)." +
               w.adpcmAdvice();
    case ExportFault::TableBeyondBoard:
        return "The wavetable cannot be saved for " + w.board() + ": it holds " +
               w.number("samples") + " samples, more than the " + w.number("limit") +
               " it can read back. A larger table pushes the Arduino core's own tables past the "
               "first 64 KB of flash, where the board can no longer read them." +
               w.adpcmAdvice();
    case ExportFault::AdpcmTableBeyondBoard:
        return "The wavetable cannot be saved for " + w.board() + ": in 4-bit ADPCM it takes " +
               w.number("bytes") + " bytes, more than the " + w.number("limit") +
               " its accessors can reach on that board. Shorten or remove sounds.";
    case ExportFault::OverBudget:
        return "With the player, the sketch takes " + w.number("bytes") + " bytes of flash (" +
               w.number("table") + " of them the table), but " + w.board() + " has " +
               w.number("room") + ": " + w.number("over") +
               " bytes too many, so the sketch will not fit on that board." + w.adpcmAdvice();
    case ExportFault::SlotEmpty:
        return w.slot() +
               " holds no samples (size 0); import a sound into it before saving the wavetable.";
    case ExportFault::EndIndexOutside:
        return w.slot() + " cannot be saved: its end index " + w.number("end") +
               " lies outside -1.." + w.number("last") + " (the slot holds " + w.number("samples") +
               " samples).";
    case ExportFault::LoopOutside:
        return w.slot() + " cannot be saved: its loop " + w.number("start") + ".." +
               w.number("end") + " lies outside the samples it keeps, 0.." + w.number("last") +
               ". Set the loop again.";
    case ExportFault::LoopPassesTooFew:
        return "A loop plays at least once, not " + w.number("passes") + " times.";
    case ExportFault::BoardUnknown:
        return "Board number " + w.number("board") + " is not known.";
    default:
        return {};
    }
}

std::string destinationMessage(ExportFault fault, const ExportWords& w) {
    const auto refused = [&](const std::string& reason) {
        return "Cannot write " + w.quoted("file") + ": " + reason + ".";
    };
    switch (fault) {
    case ExportFault::DestinationFolderMissing:
        return refused("the folder " + w.quoted("folder") + " does not exist");
    case ExportFault::DestinationFolderNotFolder:
        return refused(w.quoted("folder") + " is " + w.text("kind") + ", not a folder");
    case ExportFault::DestinationFolderClosed:
        return refused(w.text("reason"));
    case ExportFault::DestinationNotFile:
        return refused("it is " + w.text("kind") + ", not a regular file");
    case ExportFault::PlayerFolderUnnamed:
        return "The player sketch needs a folder of its own, named after the sketch, not " +
               w.quoted("folder") + ".";
    case ExportFault::PlayerFolderIsFile:
        return "The player sketch cannot be written: " + w.quoted("folder") +
               " is a file, not a folder.";
    case ExportFault::PlayerFolderUncreatable:
        return "The player sketch's folder " + w.quoted("folder") + " could not be created.";
    case ExportFault::UserSketchUnreadable:
        return "The player sketch " + w.quoted("file") + " cannot be read: " + w.text("reason");
    case ExportFault::UserSketchOutdated:
        return w.quoted("file") + " does not include " + w.text("header") +
               ", where the sounds and the player now go: it is a player sketch of one file "
               "from an earlier version, or a sketch of your own. Move it out of the folder "
               "(copy your own lines back into the new one) and export again.";
    default:
        return {};
    }
}

std::string playerMessage(ExportFault fault, const ExportWords& w) {
    switch (fault) {
    case ExportFault::SingleCycleTooFast:
        return w.slot() + " is a single cycle at " + w.hz("rate") +
               ", which the player cannot play: it plays up to " + w.hz("highest") +
               ". Make slot " + w.number("slot") +
               " a single cycle again with this format chosen: it then takes the longest table "
               "whose rate the player plays.";
    case ExportFault::SlotRateUnplayable:
        return w.slot() + " is at " + w.hz("rate") +
               ", which the player cannot play: it plays 1 to " + w.hz("highest") +
               ". Resample slot " + w.number("slot") + " to a rate from " + w.number("lowest") +
               " to " + w.hz("top") + " first.";
    case ExportFault::PlayerRateTooHigh:
        return w.slot() + " is at " + w.hz("rate") + "; the player sketch plays at most " +
               w.hz("highest") + ". Resample it to a lower rate.";
    case ExportFault::MixRateWithoutMixer:
        return "A mixing rate is for the mixing player: choose 2 or more voices, MIDI or trigger "
               "pins with it. The one-voice player plays each slot at its own rate.";
    default:
        return {};
    }
}

// What would fit instead of a mix the board cannot keep up with.
std::string whatWouldFit(const ExportWords& w) {
    std::string text = "What would fit: " + w.voices("voices") + " up to " + w.hz("fitting");
    if (w.has("fewer")) {
        text += ", or " + w.voices("fewer") + " at " + w.hz("rate");
    }
    if (w.has("pcm")) {
        text += ", or " + w.voices("voices") + " at " + w.hz("rate") + " in 8-bit PCM";
    }
    return text + ".";
}

std::string mixerMessage(ExportFault fault, const ExportWords& w) {
    switch (fault) {
    case ExportFault::VoicesOutside:
        return "The player mixes 1 to " + w.number("most") + " voices, not " + w.number("voices") +
               ".";
    case ExportFault::MixTooSlow:
        return w.number("voices") + " mixed " +
               w.voices("voices").substr(w.number("voices").size() + 1) + " in " +
               w.text("format") + " on " + w.board() + " take up to " + w.number("worst") +
               " clock cycles a sample, more than 80 % of a period at " + w.hz("rate") + " (" +
               w.number("budget") + " of its " + w.number("period") + " cycles). " +
               whatWouldFit(w);
    case ExportFault::MidiBaudUnknown:
        return "MIDI comes in at 31250 baud (a DIN MIDI input) or 115200 (a USB-serial bridge), "
               "not " +
               w.number("baud") + ".";
    case ExportFault::TriggerSlotOutside:
        return "A trigger pin plays one of slots " + w.number("first") + " to " + w.number("last") +
               ", not slot " + w.number("slot") + ".";
    case ExportFault::TriggerPinMissing:
        return "The " + w.text("board") + " has no pin " + w.number("pin") +
               " for a button: use pins 2 to " + w.number("highest") +
               " (0 and 1 carry the serial line).";
    case ExportFault::TriggerPinIsOutput:
        return "Pin " + w.number("pin") + " is the player's sound output on " + w.board() +
               "; put the button on another pin.";
    case ExportFault::TriggerPinTwice:
        return "Pin " + w.number("pin") + " is given two slots; one pin plays one.";
    case ExportFault::SlotTooFastForMix:
        return w.slot() + " is at " + w.hz("rate") + ", more than twice the mixing rate of " +
               w.hz("mix") + ": the player steps at most two samples a period. Mix at " +
               w.hz("least") + " or more, or resample slot " + w.number("slot") + ".";
    case ExportFault::MixRateOutside:
        return "The player mixes at " + w.hz("lowest") + " to " + w.hz("highest") + " in " +
               w.text("format") + ", not " + w.hz("rate") + ".";
    case ExportFault::VoiceMixRateOutside:
        return "The player mixes at " + w.number("lowest") + " to " + w.hz("highest") + ", not " +
               w.hz("rate") + ".";
    case ExportFault::MidiNumberOutside:
        return "A MIDI " + w.text("what") + " is 0 to 127, not " + w.number("value") + ".";
    default:
        return {};
    }
}

} // namespace

std::string exportMessage(ExportFault fault, const Facts& facts, const std::string& cause) {
    const ExportWords words(facts);
    for (const auto wording :
         {adpcmMessage, tableMessage, destinationMessage, playerMessage, mixerMessage}) {
        if (std::string message = wording(fault, words); !message.empty()) {
            return message;
        }
    }
    return uploadMessage(fault, facts, cause);
}

} // namespace wtb

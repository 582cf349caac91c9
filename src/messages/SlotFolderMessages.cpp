#include "messages/DomainMessages.h"

namespace wtb {

namespace {

std::string quotedFact(const Facts& facts, std::string_view name) {
    return "\"" + facts.text(name) + "\"";
}

// " (process 1234)" or " (process 1234 on host "name")"; empty when the holder is not known.
std::string lockHolder(const Facts& facts) {
    if (!facts.has("process")) {
        return {};
    }
    return " (process " + plainNumber(facts, "process") +
           (facts.has("host") ? " on host " + quotedFact(facts, "host") : std::string()) + ")";
}

std::string lockMessage(SlotFault fault, const Facts& facts, const SlotWording& otherwise) {
    const auto named = [&] { return "The working folder " + quotedFact(facts, "folder"); };
    const auto lockFile = [&] {
        return named() + " cannot be opened: its lock file " + quotedFact(facts, "file");
    };
    switch (fault) {
    case SlotFault::LockNotPermitted:
        return named() + " cannot be opened: there is no permission to create the lock file " +
               quotedFact(facts, "file") + " in it.";
    case SlotFault::LockNotWritable:
        return lockFile() + " cannot be written: " + facts.text("reason") + ".";
    case SlotFault::LockDiskFull:
        return lockFile() + " cannot be written because the disk is full.";
    case SlotFault::LockNotRegular:
        return lockFile() + " is not a regular file.";
    case SlotFault::FolderBusyWithCommand:
        return named() + " is being changed by another command" + lockHolder(facts) +
               "; try again when it has finished.";
    case SlotFault::FolderOpenElsewhere:
        return named() + " is already open in another window" + lockHolder(facts) + ".";
    default:
        return otherwise(fault, facts);
    }
}

std::string placeMessage(SlotFault fault, const Facts& facts, const std::string& cause,
                         const SlotWording& otherwise) {
    switch (fault) {
    case SlotFault::FolderUnwritable:
        return "The working folder " + quotedFact(facts, "folder") + " cannot be written.\n\n" +
               cause +
               "\n\nTo keep the slots in a folder you can write, start the program with --folder "
               "DIR.";
    case SlotFault::FolderNotCreated:
        return "Cannot create the folder: " + facts.text("reason") + ".";
    case SlotFault::FolderRefusesFile:
        return "Cannot create a file in it: " + facts.text("reason") + ".";
    case SlotFault::NoPerUserFolder:
        return "There is no per-user data folder to keep the slots in. Start the program with "
               "--folder DIR to keep them in DIR.";
    default:
        return lockMessage(fault, facts, otherwise);
    }
}

std::string settingsMessage(SlotFault fault, const Facts& facts, const std::string& cause,
                            const SlotWording& otherwise) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    switch (fault) {
    case SlotFault::SettingsTooShort:
        return quotedFact(facts, "file") + " ends after " + number("lines") +
               " lines; it needs one line for each of the " + number("slots") + " slots.";
    case SlotFault::SettingsLineWithoutTab:
        return "The line " + number("line") + " of " + quotedFact(facts, "file") +
               " has no TAB between the slot's name and its end index.";
    case SlotFault::EndIndexOutOfRange:
        return "The end index " + quotedFact(facts, "field") + " in line " + number("line") +
               " of " + quotedFact(facts, "file") + " is outside the 32-bit range.";
    default:
        return placeMessage(fault, facts, cause, otherwise);
    }
}

} // namespace

std::string folderMessage(SlotFault fault, const Facts& facts, const std::string& cause,
                          const SlotWording& otherwise) {
    const std::string refused = facts.has("what") ? facts.text("what") + " cannot be written to " +
                                                        quotedFact(facts, "file") + ": "
                                                  : std::string();
    switch (fault) {
    case SlotFault::WriteOntoWorkingFolder:
        return refused + "it is the working folder. Choose another place.";
    case SlotFault::WriteOntoOwnFile:
        return refused + "it is the working folder's own " + quotedFact(facts, "own") +
               ", which holds the slots. Choose another place.";
    case SlotFault::KitIntoUsedFolder:
        return "The default kit goes only into a new working folder; " +
               quotedFact(facts, "folder") + " already holds slot files.";
    case SlotFault::InterruptedSaveUnfinished:
        return "An interrupted save of the working folder could not be finished. " + cause;
    case SlotFault::LoadFailedAfterKit:
        return cause + " The default kit had been written into the folder.";
    case SlotFault::LoadFailedAfterFinishedSave:
        return cause + " An interrupted save had been finished first: " + facts.text("names") +
               (facts.number("count") == 1 ? " was" : " were") + " put in place.";
    case SlotFault::FolderFileMissing:
        return "The working folder " + quotedFact(facts, "folder") + " has no file " +
               quotedFact(facts, "name") + ".";
    case SlotFault::FolderSaveTooSlow:
        return "The working folder " + quotedFact(facts, "folder") +
               " is being saved by the program that has it open, and the save did not finish "
               "within " +
               plainNumber(facts, "seconds") + " seconds.";
    default:
        return settingsMessage(fault, facts, cause, otherwise);
    }
}

} // namespace wtb

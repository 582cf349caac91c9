#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the slots layer, raised with their facts; messages/SlotMessages.cpp words
// them. Each entry names the facts it carries.
enum class SlotFault : std::uint16_t {
    SoundTooLong,       // samples
    SampleIndexOutside, // index, last
    TargetRateOutside,  // rate, lowest, highest
    ConversionRefused,  // from, to, reason
    SourceRateUnusable, // from
    ConversionFailed,   // reason
    // Slots and the table
    SlotNumberOutside,  // slot, first, last
    SlotLeftEmpty,      // slot
    SlotRateUnplayable, // slot, rate
    TableTooLarge,      // slot, samples, others, most, fitting
    FieldsUnusable,     // slot, fieldKind (UnusableFields::Field), problem (a SlotFault), its facts
    // Sound files
    SoundUnreadable,       // file, reason (what the sound file reader said)
    SoundNotRereadable,    // file
    HeaderTimedOut,        // file, seconds
    HeaderCrashedReader,   // file
    AiffRateUnplayable,    // file, rate (real)
    NoChannelsOrRate,      // file
    SoundKeepsNoSample,    // file, frames, fileRate, rate; lowest when a target rate keeps one
    SoundTooLongForSlots,  // file, frames, fileRate, samples, rate, most, limit
    ReadingNeedsMemory,    // file, samples, bytes, room
    HeaderCheckNotStarted, // file, reason
    EncodeRefused,         // rate, reason
    EncodeFailed,          // reason
    // The settings file
    SettingsTooShort,       // file, lines, slots
    SettingsLineWithoutTab, // line, file
    EndIndexOutOfRange,     // field, line, file
    // The working folder
    WriteOntoWorkingFolder,      // what, file
    WriteOntoOwnFile,            // what, file, own
    KitIntoUsedFolder,           // folder
    InterruptedSaveUnfinished,   // cause
    LoadFailedAfterKit,          // cause
    LoadFailedAfterFinishedSave, // cause, names, count
    FolderFileMissing,           // folder, name
    FolderSaveTooSlow,           // folder, seconds
    FolderUnwritable,            // folder, cause
    FolderNotCreated,            // reason
    FolderRefusesFile,           // reason
    NoPerUserFolder,             // (none)
    LockNotPermitted,            // folder, file
    LockNotWritable,             // folder, file, reason
    LockDiskFull,                // folder, file
    LockNotRegular,              // folder, file
    FolderBusyWithCommand,       // folder; process, host when known
    FolderOpenElsewhere,         // folder; process, host when known
    // Why a field of a settings line cannot be used (a phrase, named in the notes and faults of
    // FieldsUnusable); line and file name the line, field is the field as read.
    EndIndexNotNumber,    // field, line, file
    LoopFieldCount,       // line, file, count, fields (as read, a TAB between them)
    LoopStartNotWhole,    // field, line, file
    LoopEndNotWhole,      // field, line, file
    LoopStartNegative,    // field, line, file
    LoopEndNegative,      // field, line, file
    LoopStartsAfterEnd,   // start, end, line, file
    LoopPastSound,        // start, end, line, file, limit (its last sample)
    LoopPastEndIndex,     // start, end, line, file, limit (its end index)
    KeyMapMalformed,      // field, line, file
    KeyMapNumberNotWhole, // field, number, line, file
    KeyMapUnusable,       // field, line, file, keyProblem (one of the five below) and its facts
    // Why a key map cannot be a slot's (a phrase)
    RootOutside,        // note
    LowestOutside,      // note
    HighestOutside,     // note
    LowestAboveHighest, // low, high
    FineTuneOutside,    // cents
};

// A fault as a value: what is wrong with a slot's fields or its key map, kept beside the slot
// and worded where it is shown.
struct SlotProblem {
    SlotFault fault = SlotFault::EndIndexNotNumber;
    Facts facts;

    bool operator==(const SlotProblem&) const = default;
};

constexpr FaultDomain faultDomain(SlotFault) {
    return FaultDomain::Slots;
}

} // namespace wtb

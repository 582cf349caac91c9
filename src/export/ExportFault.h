#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the export layer, raised with their facts; messages/ExportMessages.cpp and
// messages/UploadMessages.cpp word them. Each entry names the facts it carries; "adpcm", where
// given, is the flash the same sounds would take in 4-bit ADPCM, when they would fit that way.
enum class ExportFault : std::uint16_t {
    // The sample formats and the table.
    AdpcmDataTooShort,     // bytes, samples
    AdpcmDataEnds,         // bytes, position
    AdpcmStepIndexOutside, // position, index
    AdpcmSampleOutside,    // sample, samples
    AdpcmSlotTooLong,      // slot, samples, limit
    AdpcmTableTooLarge,    // bytes, limit
    TableCountOverflow,    // slot, end, limit
    TableBeyondAccessors,  // samples, limit, [adpcm]
    TableBeyondBoard,      // board, samples, limit, [adpcm]
    AdpcmTableBeyondBoard, // board, bytes, limit
    OverBudget,            // bytes, table, board, room, [adpcm]
    SlotEmpty,             // slot
    EndIndexOutside,       // slot, end, last, samples
    LoopOutside,           // slot, start, end, last
    LoopPassesTooFew,      // passes
    BoardUnknown,          // board
    // Where a sketch is written.
    DestinationFolderMissing,   // file, folder
    DestinationFolderNotFolder, // file, folder, kind
    DestinationFolderClosed,    // file, reason
    DestinationNotFile,         // file, kind
    // The player sketch and its options.
    PlayerFolderUnnamed,     // folder
    PlayerFolderIsFile,      // folder
    PlayerFolderUncreatable, // folder
    UserSketchUnreadable,    // file, reason
    UserSketchOutdated,      // file, header
    SingleCycleTooFast,      // slot, rate, highest
    SlotRateUnplayable,      // slot, rate, highest, lowest, top
    PlayerRateTooHigh,       // slot, rate, highest
    MixRateWithoutMixer,     //
    VoicesOutside,           // most, voices
    MixTooSlow,      // voices, format, board, worst, rate, budget, period, fitting, [fewer], [pcm]
    MidiBaudUnknown, // baud
    TriggerSlotOutside,  // first, last, slot
    TriggerPinMissing,   // board, pin, highest
    TriggerPinIsOutput,  // pin, board
    TriggerPinTwice,     // pin
    SlotTooFastForMix,   // slot, rate, mix, least
    MixRateOutside,      // lowest, highest, format, rate
    VoiceMixRateOutside, // lowest, highest, rate
    MidiNumberOutside,   // what, value
    // Building and uploading (messages/UploadMessages.cpp).
    BuilderMissing,       //
    BuilderLeftNoProgram, // hex, output
    BuilderUnfinished,    // sketch
    SketchDoesNotBuild,   // sketch, board, output
    BoardListUnreadable,  // file
    BoardListLacksKey,    // file, key, board
    AvrdudeMissing,       //
    AvrdudeUnstartable,   // reason
    PortMissing,          // port
    PortNotSerial,        // port
    PortBusy,             // port
    PortNeedsDialout,     // port
    PortForbidden,        // port, reason
    PortUnopenable,       // port, reason
    PlayCommandUnsent,    // port, reason
    UploadFolderUnmade,   // folder
    BuiltSketchTooLarge,  // bytes, room, board
    UploadCancelledEarly, // board
    UploadVerifyFailed,   // board, port, written, [said]
    UploadStoppedByUser,  // board, port, written, [said]
    UploadBoardSilent,    // board, port, written, [said]
    BootloaderSilent,     // board, port, [said]
    UploadFailed,         // board, port, written, [said]
};

constexpr FaultDomain faultDomain(ExportFault) {
    return FaultDomain::Export;
}

} // namespace wtb

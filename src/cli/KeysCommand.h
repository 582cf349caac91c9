#pragma once

#include "slots/Slot.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

// The `keys` command's arguments and its words: which notes play a slot.
namespace wtb::cli {

struct KeysRequest {
    std::int16_t slot = 0;
    struct Range {
        std::int32_t low = 0;
        std::int32_t high = 0;
    };
    std::optional<Range> range;       // none: remove the slot's key map
    std::optional<std::int32_t> root; // none: the slot keeps its root and fine tune
};

// The arguments after `keys SLOT`: `LOW HIGH` (with `root` from --root) or `none`; each note
// a number 0..127 or a name such as C4 or F#3 (noteFromText). Raises a usage error for
// anything else, --root with `none` included.
KeysRequest keysArguments(std::int16_t slot, const QStringList& args,
                          const std::optional<QString>& root);

// The key map the request gives the slot, which has `current` now: the range asked for, at the
// root asked for (fine tune 0), else at the slot's own root and fine tune (those of
// defaultKeyRange when it has no key map). Nothing for `keys SLOT none`.
std::optional<KeyRange> requestedKeys(const KeysRequest& request, const Slot& current);

// "36 (C2)": a note as `list` and the command show it.
std::string noteText(std::int32_t note);

// What `keys` answers, one line:
//   Slot 3 plays on notes 36 (C2) to 72 (C5), at its own rate on 60 (C4).
//   Slot 3 plays on notes 0 (C-1) to 127 (G9), at its own rate on 57 (A3) +12 cents.
//   Slot 3 has no key map: it plays at its own rate on note 38 (D2) alone.
std::string keysLine(std::int16_t number, const Slot& slot);

// The field `list` adds for a slot with a key map, as "keys 36-72 (C2-C5) root 60 (C4)" or
// "... root 57 (A3) +12 cents"; empty for a slot without one.
std::string keysListField(const Slot& slot);

} // namespace wtb::cli

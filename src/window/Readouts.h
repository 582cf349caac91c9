#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QLabel;

namespace wtb {

// A tooltip that shows `text` as it is, line by line: a name such as "<b>.wav" is never read as
// markup.
QString plainToolTip(const QString& text);

// Makes `label` a readout: `title` names it for assistive technology ("Sample rate"),
// `meaning` says in its tooltip what it shows. The label's present font is the size its texts
// are shown in when they fit.
void makeReadout(QLabel& label, const QString& title, const QString& meaning);

// Shows `text` in a readout, never moving or resizing it. A text wider than the label is set in
// a smaller size of the same face when one down to a legible floor fits it; one that does not
// fit even so keeps the label's size and is cut at its edge. The tooltip always carries the
// whole text, and `detail` after it when there is one. The accessible name is the title
// followed by the text, so a screen reader reads the value with its meaning; the accessible
// description is the detail.
void showReadout(QLabel& label, const QString& text, const QString& detail = {});

// A playing time in whole milliseconds (playingMilliseconds): "0.125 s"; "1:02.500" from a
// minute on. Empty for none, the time of a rate below 1 Hz.
QString durationText(std::optional<std::int64_t> milliseconds);
// How long `samples` last at `rate`, as above.
QString durationText(std::int64_t samples, std::int32_t rate);

} // namespace wtb

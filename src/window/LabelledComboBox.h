#pragma once

#include <QRect>
#include <QString>

class QComboBox;
class QWidget;

namespace wtb {

// Where a combo box and the label in front of it go, and what they are called.
struct LabelledComboBoxPlacement {
    const char* labelName;
    QString caption;
    QRect labelGeometry;
    const char* boxName;
    QRect boxGeometry;
    QString accessibleName;
    QString toolTip;
};

// A combo box on `window` with its label, the label its buddy; both are named for assistive
// technology and carry the same tooltip.
QComboBox* labelledComboBox(QWidget* window, const LabelledComboBoxPlacement& placement);

} // namespace wtb

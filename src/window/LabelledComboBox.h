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
};

// A combo box on `window` with its label, the label its buddy. The label's accessible name is
// its caption; the window names the box.
QComboBox* labelledComboBox(QWidget* window, const LabelledComboBoxPlacement& placement);

} // namespace wtb

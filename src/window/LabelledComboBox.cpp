#include "window/LabelledComboBox.h"

#include <QComboBox>
#include <QLabel>

namespace wtb {

QComboBox* labelledComboBox(QWidget* window, const LabelledComboBoxSpec& spec) {
    auto* label = new QLabel(spec.caption, window);
    label->setObjectName(QString::fromLatin1(spec.labelName));
    label->setGeometry(spec.labelGeometry);
    auto* box = new QComboBox(window);
    box->setObjectName(QString::fromLatin1(spec.boxName));
    box->setGeometry(spec.boxGeometry);
    box->setAccessibleName(spec.accessibleName);
    box->setToolTip(spec.toolTip);
    label->setBuddy(box);
    label->setAccessibleName(spec.caption);
    label->setToolTip(spec.toolTip);
    return box;
}

} // namespace wtb

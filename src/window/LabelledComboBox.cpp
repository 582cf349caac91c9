#include "window/LabelledComboBox.h"

#include <QComboBox>
#include <QLabel>

namespace wtb {

QComboBox* labelledComboBox(QWidget* window, const LabelledComboBoxPlacement& placement) {
    auto* label = new QLabel(placement.caption, window);
    label->setObjectName(QString::fromLatin1(placement.labelName));
    label->setGeometry(placement.labelGeometry);
    auto* box = new QComboBox(window);
    box->setObjectName(QString::fromLatin1(placement.boxName));
    box->setGeometry(placement.boxGeometry);
    label->setBuddy(box);
    label->setAccessibleName(
        QString(placement.caption).remove(QLatin1Char('&'))); // no mnemonic mark
    return box;
}

} // namespace wtb

#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

class QAbstractButton;

namespace wtb {

// The window's shortcuts. Every action of the window has one; the slot buttons 10 to 16 are
// reached with the arrow keys from the others.
inline QKeySequence importKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_O);
}
inline QKeySequence saveKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_S);
}
// Space alone stays with the focused control.
inline QKeySequence playKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_Space);
}
// Slots 1 to 9; none for the others.
QKeySequence slotKeys(int slot);
inline constexpr int kLastSlotWithKeys = 9;

// A key sequence as the user reads it in a tooltip: "Ctrl+O".
QString keysText(const QKeySequence& keys);

// Lets Return and the keypad's Enter press a button that has the focus, as Space does. Outside
// a dialog Qt's buttons leave those keys alone. A held key presses once.
class ReturnPressesButton : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    void watch(QAbstractButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace wtb

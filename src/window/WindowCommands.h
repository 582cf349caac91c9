#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

class QAbstractButton;

namespace wtb {

// What the window's commands are called, which keys run them and what their tooltips say, in
// one table: the actions, the buttons' tooltips and the context menu all read it.
enum class WindowCommand {
    Import,
    Save,
    Play,
    PlayOutput,
    ReleaseOutput,
    Stop,
    Undo,
    Redo,
    ResampleSlot,
    ResampleAll,
    NormaliseSlot,
    NormaliseAll,
    SavePlayer,
    // The picture's zoom, the typed end, the working folder and About.
    ZoomIn,
    ZoomOut,
    ZoomWhole,
    ScrollEarlier,
    ScrollLater,
    TypeEnd,
    OpenFolder,
    About,
    // Editing at the picture's pointer and beyond the end point.
    CutStartHere,
    TrimSilenceSlot,
    TrimSilenceAll,
    LoopStartHere,
    LoopEndHere,
    RemoveLoop,
    MakeSingleCycle,
    // From the tool to a board.
    UploadToBoard,
    PlayOnBoard,
    // The board as an instrument: the notes of each slot, the player's options, the computer's
    // keys as a piano.
    KeysAndPlayer,
    ComputerKeys,
};

struct WindowCommandText {
    WindowCommand command;
    QString accessibleName; // the button's, and the context menu's entry
    QList<QKeySequence> keys;
    QString tip; // without the keys
};

const WindowCommandText& commandText(WindowCommand command);

// The command's tooltip: what it does and, when it has keys, "(Ctrl+O)".
QString commandTip(WindowCommand command);

// Slots 1 to 9 are chosen with Alt+1 .. Alt+9; the others with the arrow keys.
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

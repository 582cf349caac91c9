#include "window/WindowCommands.h"

#include "common/RuntimeError.h"

#include <QAbstractButton>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

namespace wtb {

namespace {

QKeySequence ctrl(Qt::Key key) {
    return QKeySequence(Qt::CTRL | key);
}

const std::vector<WindowCommandText>& commandTexts() {
    static const std::vector<WindowCommandText> texts{
        {WindowCommand::Import,
         QStringLiteral("Import WAV file"),
         {ctrl(Qt::Key_O)},
         QStringLiteral("Import one or more sound files into the current slot and the slots "
                        "after it; files dropped on a slot or the picture go there too")},
        {WindowCommand::Save,
         QStringLiteral("Save wavetable"),
         {ctrl(Qt::Key_S)},
         QStringLiteral("Write all sixteen slots as one sketch file")},
        {WindowCommand::Play,
         QStringLiteral("Play slot"),
         {ctrl(Qt::Key_Space)},
         QStringLiteral("Play the current slot")},
        {WindowCommand::PlayOutput,
         QStringLiteral("Play output"),
         {ctrl(Qt::Key_P)},
         QStringLiteral("Play what the sketch will hold for this slot: samples 0 to the end "
                        "index, at the slot's rate; a slot with a loop plays up to the loop, "
                        "then repeats the loop until Stop")},
        {WindowCommand::ReleaseOutput,
         QStringLiteral("Release output"),
         {ctrl(Qt::Key_R)},
         QStringLiteral("Let go of the loop \"Play output\" holds, as the board does on release "
                        "(its \"r\"): the loop plays to the end of its pass, then the sound "
                        "after the loop to the end index")},
        {WindowCommand::Stop,
         QStringLiteral("Stop"),
         {QKeySequence(Qt::Key_Escape)},
         QStringLiteral("Stop playing")},
        {WindowCommand::Undo,
         QStringLiteral("Undo"),
         {QKeySequence(QKeySequence::Undo)},
         QStringLiteral("Undo the last change of a slot")},
        {WindowCommand::Redo,
         QStringLiteral("Redo"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ctrl(Qt::Key_Y)},
         QStringLiteral("Redo the change last undone")},
        {WindowCommand::ResampleSlot,
         QStringLiteral("Resample slot"),
         {},
         QStringLiteral("Convert this slot to the target rate.")},
        {WindowCommand::ResampleAll,
         QStringLiteral("Resample all slots"),
         {},
         QStringLiteral("Convert every slot at another rate to the target rate.")},
        {WindowCommand::NormaliseSlot,
         QStringLiteral("Normalise slot"),
         {},
         QStringLiteral("Scale this slot so its loudest sample reaches full level.")},
        {WindowCommand::NormaliseAll,
         QStringLiteral("Normalise all slots"),
         {},
         QStringLiteral("Scale every slot so its loudest sample reaches full level.")},
        {WindowCommand::SavePlayer,
         QStringLiteral("Save player sketch"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
         QStringLiteral("Write a complete Arduino sketch, NAME/NAME.ino, that plays each slot at "
                        "its own rate when its number arrives on Serial")},
        {WindowCommand::ZoomIn,
         QStringLiteral("Zoom in"),
         {QKeySequence(QKeySequence::ZoomIn), ctrl(Qt::Key_Equal)},
         QStringLiteral("Show the picture twice as wide, around the pointer or the end marker; "
                        "the end slider then covers what is shown (also Ctrl+wheel)")},
        {WindowCommand::ZoomOut,
         QStringLiteral("Zoom out"),
         {QKeySequence(QKeySequence::ZoomOut)},
         QStringLiteral("Show twice as much of the sound in the picture (also Ctrl+wheel)")},
        {WindowCommand::ZoomWhole,
         QStringLiteral("Show the whole sound"),
         {ctrl(Qt::Key_0)},
         QStringLiteral("Show the whole sound in the picture again")},
        {WindowCommand::ScrollEarlier,
         QStringLiteral("Scroll to earlier samples"),
         {ctrl(Qt::Key_Left)},
         QStringLiteral("Move a zoomed picture towards the start (also the wheel)")},
        {WindowCommand::ScrollLater,
         QStringLiteral("Scroll to later samples"),
         {ctrl(Qt::Key_Right)},
         QStringLiteral("Move a zoomed picture towards the end (also the wheel)")},
        {WindowCommand::TypeEnd,
         QStringLiteral("Type the end index"),
         {ctrl(Qt::Key_E)},
         QStringLiteral("Type the end index exactly, then Return: it is stepped back to a zero "
                        "crossing as a click on the slider is; Escape puts it back (also a "
                        "double click on the end readout)")},
        {WindowCommand::OpenFolder,
         QStringLiteral("Open working folder"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
         QStringLiteral("Show the folder that holds the slots (1.wav ... 16.wav, Settings.txt) "
                        "in the file manager")},
        {WindowCommand::About,
         QStringLiteral("About"),
         {QKeySequence(Qt::Key_F1)},
         QStringLiteral("The program's name, version and licence")},
        {WindowCommand::CutStartHere,
         QStringLiteral("Cut the start here"),
         {},
         QStringLiteral("Remove this slot's samples before the pointer, from the next zero "
                        "crossing on; the end point and the loop move with the sound.")},
        {WindowCommand::TrimSilenceSlot,
         QStringLiteral("Trim silence"),
         {},
         QStringLiteral("Remove the quiet start and end of this slot.")},
        {WindowCommand::TrimSilenceAll,
         QStringLiteral("Trim silence of all slots"),
         {},
         QStringLiteral("Remove the quiet start and end of every slot.")},
        {WindowCommand::LoopStartHere,
         QStringLiteral("Loop start here"),
         {},
         QStringLiteral("Start this slot's loop at the pointer, moved to the nearest seamless "
                        "join; without a loop it runs to the end point.")},
        {WindowCommand::LoopEndHere,
         QStringLiteral("Loop end here"),
         {},
         QStringLiteral("End this slot's loop at the pointer, moved to the nearest seamless "
                        "join; without a loop it starts at the first sample.")},
        {WindowCommand::RemoveLoop,
         QStringLiteral("Remove loop"),
         {},
         QStringLiteral("Play this slot once, without its loop.")},
        {WindowCommand::MakeSingleCycle,
         QStringLiteral("Make single cycle"),
         {},
         QStringLiteral("Replace this slot by one cycle of its sound around the pointer, of the "
                        "cells chosen (32 to 2048), normalised, looped whole, at the rate that "
                        "plays its pitch; a pitch whose rate the chosen format's player cannot "
                        "play takes the longest shorter table that it can.")},
        {WindowCommand::UploadToBoard,
         QStringLiteral("Upload to board"),
         {ctrl(Qt::Key_U)},
         QStringLiteral("Build the player sketch of the slots and write it to the board on a "
                        "serial port through its bootloader, as the Arduino IDE's Upload does")},
        {WindowCommand::PlayOnBoard,
         QStringLiteral("Play on board"),
         {},
         QStringLiteral("Play the current slot on the board the kit was uploaded to: the board "
                        "itself sounds")},
        {WindowCommand::KeysAndPlayer,
         QStringLiteral("Keys and player..."),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)},
         QStringLiteral("The notes that play each slot, and the player sketch's voices, MIDI "
                        "input and trigger pins")},
        {WindowCommand::ComputerKeys,
         QStringLiteral("Play from computer keys"),
         {ctrl(Qt::Key_K)},
         QStringLiteral("While on, the keys A W S E D F T G Y H U J K O L P ; ' play notes as a "
                        "piano's keys through the board's mix of the slots, and Z and X move "
                        "them an octave down and up")},
    };
    return texts;
}

} // namespace

const WindowCommandText& commandText(WindowCommand command) {
    // Found by its command, so the table's order never has to follow the enumeration's.
    const auto& texts = commandTexts();
    const auto found = std::find_if(texts.begin(), texts.end(), [command](const auto& text) {
        return text.command == command;
    });
    if (found == texts.end()) {
        raise(ErrorKind::Internal, "A window command has no name or keys.");
    }
    return *found;
}

QString commandTip(WindowCommand command) {
    const WindowCommandText& text = commandText(command);
    if (text.keys.isEmpty()) {
        return text.tip;
    }
    QStringList keys;
    for (const QKeySequence& key : text.keys) {
        keys << keysText(key);
    }
    return text.tip + QStringLiteral(" (") + keys.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QKeySequence slotKeys(int slot) {
    if (slot < 1 || slot > kLastSlotWithKeys) {
        return QKeySequence();
    }
    return QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_0 + slot));
}

QString keysText(const QKeySequence& keys) {
    return keys.toString(QKeySequence::NativeText);
}

void ReturnPressesButton::watch(QAbstractButton* button) {
    button->installEventFilter(this);
}

bool ReturnPressesButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool returnKey = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers others = key->modifiers() & ~Qt::KeypadModifier;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!returnKey || others != Qt::NoModifier || !button || !button->isEnabled()) {
        return false;
    }
    if (!key->isAutoRepeat()) {
        button->click();
    }
    return true;
}

} // namespace wtb

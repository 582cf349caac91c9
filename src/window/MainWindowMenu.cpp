// The picture's context menu: what acts on the sound heard first, then the slot's edits
// grouped in submenus, so the menu stays short enough for a small screen at a large scale.
#include "window/MainWindow.h"

#include "window/WaveformView.h"

#include <QAction>
#include <QMenu>

namespace wtb {

void MainWindow::buildPictureMenu() {
    const auto separator = [this] {
        auto* action = new QAction(this);
        action->setSeparator(true);
        return action;
    };
    // Owned by the window but not its child widgets: a popup of its own.
    const auto newMenu = [this](const QString& title) {
        QMenu* menu = pictureMenus_.emplace_back(std::make_unique<QMenu>(title)).get();
        menu->setToolTipsVisible(true);
        return menu;
    };
    // A submenu's entry, reached by its mnemonic (L, T, S, B, Z) once the menu is open.
    const auto submenu = [newMenu](const QString& title, const QList<QAction*>& entries) {
        QMenu* menu = newMenu(title);
        menu->addActions(entries);
        return menu->menuAction();
    };
    const auto command = [this](WindowCommand which) { return actions_.at(which); };

    // The lengths a single cycle can have, each its own entry under "Make single cycle".
    QMenu* lengths = newMenu(command(WindowCommand::MakeSingleCycle)->text());
    for (const std::int32_t length : singleCycleLengths()) {
        QAction* entry = lengths->addAction(QStringLiteral("%1 cells").arg(length));
        entry->setToolTip(commandTip(WindowCommand::MakeSingleCycle));
        connect(entry, &QAction::triggered, this, [this, length] { makeSingleCycleHere(length); });
    }
    lengths->menuAction()->setToolTip(commandTip(WindowCommand::MakeSingleCycle));

    QAction* loop =
        submenu(QStringLiteral("&Loop"),
                {command(WindowCommand::LoopStartHere), command(WindowCommand::LoopEndHere),
                 command(WindowCommand::RemoveLoop), lengths->menuAction()});
    QAction* trim = submenu(QStringLiteral("&Trim"), {command(WindowCommand::CutStartHere),
                                                      command(WindowCommand::TrimSilenceSlot),
                                                      command(WindowCommand::TrimSilenceAll)});
    QAction* slot =
        submenu(QStringLiteral("&Slot"),
                {command(WindowCommand::ResampleSlot), command(WindowCommand::ResampleAll),
                 command(WindowCommand::NormaliseSlot), command(WindowCommand::NormaliseAll)});
    QAction* board =
        submenu(QStringLiteral("&Board"),
                {command(WindowCommand::SavePlayer), command(WindowCommand::UploadToBoard),
                 command(WindowCommand::PlayOnBoard), separator(),
                 command(WindowCommand::KeysAndPlayer), command(WindowCommand::ComputerKeys)});
    QAction* zoom = submenu(QStringLiteral("&Zoom"),
                            {command(WindowCommand::ZoomIn), command(WindowCommand::ZoomOut),
                             command(WindowCommand::ZoomWhole)});
    controls_.waveformView->setContextMenuPolicy(Qt::ActionsContextMenu);
    controls_.waveformView->addActions(
        {command(WindowCommand::PlayOutput), command(WindowCommand::ReleaseOutput),
         command(WindowCommand::Stop), separator(), loop, trim, slot, separator(),
         command(WindowCommand::Undo), command(WindowCommand::Redo), separator(), board, zoom,
         separator(), command(WindowCommand::OpenFolder), command(WindowCommand::About)});
}

} // namespace wtb

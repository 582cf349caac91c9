#include "window/UserPrompts.h"

#include "window/WindowCaption.h"

#include <QMessageBox>
#include <QPushButton>

namespace wtb {

namespace {
const QString kTitle = QString::fromLatin1(kWindowCaption);
}

void UserPrompts::showError(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, kTitle, message);
}

bool UserPrompts::askRetrySave(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, kTitle, message, QMessageBox::NoButton, parent);
    QPushButton* retry = box.addButton(QStringLiteral("Retry"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Close without saving"), QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}

bool UserPrompts::askSaveAnyway(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, kTitle, message, QMessageBox::NoButton, parent);
    QPushButton* saveAnyway = box.addButton(QStringLiteral("Save anyway"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == saveAnyway;
}

} // namespace wtb

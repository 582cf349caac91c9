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

UserPrompts::SaveFailureChoice UserPrompts::askAfterFailedSave(QWidget* parent,
                                                               const QString& message) {
    QMessageBox box(QMessageBox::Warning, kTitle, message, QMessageBox::NoButton, parent);
    QPushButton* retry = box.addButton(QStringLiteral("Retry"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("Close without saving"), QMessageBox::DestructiveRole);
    QPushButton* keepOpen =
        box.addButton(QStringLiteral("Keep the window open"), QMessageBox::RejectRole);
    box.setDefaultButton(retry);
    box.setEscapeButton(keepOpen); // Escape and the box's close button lose nothing
    box.exec();
    if (box.clickedButton() == retry) {
        return SaveFailureChoice::Retry;
    }
    return box.clickedButton() == discard ? SaveFailureChoice::CloseWithoutSaving
                                          : SaveFailureChoice::KeepOpen;
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

UserPrompts::MixedRatesChoice UserPrompts::askMixedRates(QWidget* parent, const QString& message,
                                                         std::int32_t rate) {
    QMessageBox box(QMessageBox::Warning, kTitle, message, QMessageBox::NoButton, parent);
    QPushButton* resample =
        box.addButton(QStringLiteral("Resample all to %1 Hz").arg(rate), QMessageBox::AcceptRole);
    QPushButton* saveAnyway = box.addButton(QStringLiteral("Save anyway"), QMessageBox::YesRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == resample) {
        return MixedRatesChoice::ResampleAll;
    }
    return box.clickedButton() == saveAnyway ? MixedRatesChoice::SaveAnyway
                                             : MixedRatesChoice::Cancel;
}

bool UserPrompts::askResampleToTarget(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Question, kTitle, message, QMessageBox::NoButton, parent);
    QPushButton* resample = box.addButton(QStringLiteral("Resample"), QMessageBox::AcceptRole);
    QPushButton* leave = box.addButton(QStringLiteral("Leave them"), QMessageBox::RejectRole);
    box.setDefaultButton(leave);
    box.setEscapeButton(leave);
    box.exec();
    return box.clickedButton() == resample;
}

} // namespace wtb

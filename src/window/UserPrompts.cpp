#include "window/UserPrompts.h"

#include "window/WindowCaption.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace wtb {

namespace {

const QString kTitle = QString::fromLatin1(kWindowCaption);

struct Answer {
    QString caption;
    QMessageBox::ButtonRole role;
};

// Asks with one button per answer; gives the index of the one pressed. `safe` is the default
// and the answer of Escape and of the box's own close button: it loses nothing.
std::size_t ask(QWidget* parent, QMessageBox::Icon icon, const QString& message,
                const std::vector<Answer>& answers, std::size_t preferred, std::size_t safe) {
    QMessageBox box(icon, kTitle, message, QMessageBox::NoButton, parent);
    std::vector<QPushButton*> buttons;
    for (const Answer& answer : answers) {
        buttons.push_back(box.addButton(answer.caption, answer.role));
    }
    box.setDefaultButton(buttons[preferred]);
    box.setEscapeButton(buttons[safe]);
    box.exec();
    const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return pressed == buttons.end() ? safe : static_cast<std::size_t>(pressed - buttons.begin());
}

} // namespace

void UserPrompts::showError(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, kTitle, message);
}

void UserPrompts::showWarning(QWidget* parent, const QString& message) {
    QMessageBox::warning(parent, kTitle, message);
}

bool UserPrompts::askReplaceSlots(QWidget* parent, const QString& message) {
    return ask(parent, QMessageBox::Question, message,
               {{QStringLiteral("Replace"), QMessageBox::AcceptRole},
                {QStringLiteral("Cancel"), QMessageBox::RejectRole}},
               1, 1) == 0;
}

UserPrompts::SaveFailureChoice UserPrompts::askAfterFailedSave(QWidget* parent,
                                                               const QString& message) {
    const std::size_t pressed =
        ask(parent, QMessageBox::Warning, message,
            {{QStringLiteral("Retry"), QMessageBox::AcceptRole},
             {QStringLiteral("Close without saving"), QMessageBox::DestructiveRole},
             {QStringLiteral("Keep the window open"), QMessageBox::RejectRole}},
            0, 2);
    const SaveFailureChoice choices[] = {SaveFailureChoice::Retry,
                                         SaveFailureChoice::CloseWithoutSaving,
                                         SaveFailureChoice::KeepOpen};
    return choices[pressed];
}

std::optional<QString> UserPrompts::askUploadPort(QWidget* parent, const QStringList& ports) {
    bool chosen = false;
    const QString port =
        QInputDialog::getItem(parent, QStringLiteral("Upload to Board"),
                              QStringLiteral("The board's serial port (Arduino-like ports first):"),
                              ports, 0, true, &chosen);
    if (!chosen || port.trimmed().isEmpty()) {
        return std::nullopt;
    }
    return port.trimmed();
}

bool UserPrompts::askSaveAnyway(QWidget* parent, const QString& message) {
    return ask(parent, QMessageBox::Warning, message,
               {{QStringLiteral("Save anyway"), QMessageBox::AcceptRole},
                {QStringLiteral("Cancel"), QMessageBox::RejectRole}},
               1, 1) == 0;
}

UserPrompts::MixedRatesChoice UserPrompts::askMixedRates(QWidget* parent, const QString& message,
                                                         std::int32_t rate) {
    const std::size_t pressed =
        ask(parent, QMessageBox::Warning, message,
            {{QStringLiteral("Resample all to %1 Hz").arg(rate), QMessageBox::AcceptRole},
             {QStringLiteral("Save anyway"), QMessageBox::YesRole},
             {QStringLiteral("Cancel"), QMessageBox::RejectRole}},
            2, 2);
    const MixedRatesChoice choices[] = {MixedRatesChoice::ResampleAll, MixedRatesChoice::SaveAnyway,
                                        MixedRatesChoice::Cancel};
    return choices[pressed];
}

bool UserPrompts::askResampleToTarget(QWidget* parent, const QString& message) {
    return ask(parent, QMessageBox::Question, message,
               {{QStringLiteral("Resample"), QMessageBox::AcceptRole},
                {QStringLiteral("Leave them"), QMessageBox::RejectRole}},
               1, 1) == 0;
}

void UserPrompts::showAbout(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // a folder's name is shown as it is, never as markup
    box.exec();
}

} // namespace wtb

#pragma once

#include "slots/SlotBank.h"
#include "window/UserPrompts.h"

#include <QWidget>

#include <memory>

namespace wtb {

// The program's one window. It owns the slot bank; every user action is one handler, and
// every handler runs inside a guard that shows a failure instead of letting it escape.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(QString workingFolder, std::unique_ptr<UserPrompts> prompts = nullptr,
                     QWidget* parent = nullptr);
    ~frmMain() override;

    // Loads the working folder before the window is first shown. False when it could not be
    // loaded; the user has been told why, and the folder will not be written at close.
    bool Form_Load();

    SlotBank& bank() { return bank_; }
    const QString& workingFolder() const { return workingFolder_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();

    // Runs a handler body; a failure is shown to the user and goes no further.
    template <class Body> bool guarded(Body&& body);

    QString workingFolder_;
    std::unique_ptr<UserPrompts> prompts_;
    SlotBank bank_;
    bool loaded_ = false;
};

} // namespace wtb

#include "window/frmMain.h"

#include "common/AtomicFile.h"
#include "slots/WorkingFolder.h"

#include <QCloseEvent>

namespace wtb {

frmMain::frmMain(QString workingFolder, std::unique_ptr<UserPrompts> prompts, QWidget* parent)
    : QWidget(parent), workingFolder_(std::move(workingFolder)),
      prompts_(prompts ? std::move(prompts) : std::make_unique<UserPrompts>()) {
    setWindowTitle(QStringLiteral("Brimtock - Wavetable builder 1.1"));
    setFixedSize(851, 303);
}

frmMain::~frmMain() = default;

template <class Body> bool frmMain::guarded(Body&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        prompts_->showError(this, QString::fromUtf8(error.what()));
    }
    return false;
}

bool frmMain::Form_Load() {
    loaded_ = false;
    try {
        LoadWorkingFolder(bank_, workingFolder_);
    } catch (const std::exception& error) {
        prompts_->showError(this,
                            QStringLiteral("The slots could not be loaded from the working folder "
                                           "\"%1\".\n\n%2\n\nNothing in the folder was changed.")
                                .arg(QString::fromStdString(displayPath(workingFolder_)),
                                     QString::fromUtf8(error.what())));
        return false;
    }
    loaded_ = true;
    return true;
}

void frmMain::Form_Unload() {
    if (!loaded_) {
        return; // a folder that did not load is the user's to mend; never overwrite it
    }
    for (;;) {
        try {
            SaveWorkingFolder(bank_, workingFolder_);
            return;
        } catch (const std::exception& error) {
            const QString message =
                QStringLiteral("The slots could not be saved to the working folder.\n\n%1\n\n"
                               "Retry, or close without saving the slots?")
                    .arg(QString::fromUtf8(error.what()));
            if (!prompts_->askRetrySave(this, message)) {
                return;
            }
        }
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    loaded_ = false; // saved once; a second close event must not save again
    event->accept();
}

} // namespace wtb

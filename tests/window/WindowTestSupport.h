#pragma once

#include "support/TestSupport.h"
#include "window/ClickSlider.h"
#include "window/CommonDialog.h"
#include "window/MainWindow.h"
#include "workspace/Workspace.h"

#include <QImage>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace wtb::test {

// Keeps every message the window shows instead of opening a box.
// Questions are kept too and answered from `saveAnyway`.
struct RecordingPrompts : UserPrompts {
    explicit RecordingPrompts(std::shared_ptr<QStringList> log,
                              std::shared_ptr<QStringList> asked = std::make_shared<QStringList>(),
                              std::shared_ptr<bool> anyway = std::make_shared<bool>(false))
        : errors(std::move(log)), questions(std::move(asked)), saveAnyway(std::move(anyway)) {}
    void showError(QWidget*, const QString& message) override { *errors << message; }
    bool askSaveAnyway(QWidget*, const QString& message) override {
        *questions << message;
        return *saveAnyway;
    }
    // Answered with `mixedRates`; the question is kept with the rate offered after it.
    MixedRatesChoice askMixedRates(QWidget*, const QString& message, std::int32_t rate) override {
        *questions << message + QStringLiteral(" [Resample all to %1 Hz]").arg(rate);
        return *mixedRates;
    }
    bool askResampleToTarget(QWidget*, const QString& message) override {
        *questions << message;
        return *resampleToTarget;
    }
    void showAbout(QWidget*, const QString& title, const QString& text) override {
        *questions << title + QLatin1Char('\n') + text;
    }
    void showWarning(QWidget*, const QString& message) override { *warnings << message; }
    bool askReplaceSlots(QWidget*, const QString& message) override {
        *questions << message;
        return *replaceSlots;
    }
    // Answered with `uploadPort`; the ports offered are kept.
    std::optional<QString> askUploadPort(QWidget*, const QStringList& ports) override {
        *offeredPorts = ports;
        return *uploadPort;
    }
    std::shared_ptr<QStringList> errors;
    std::shared_ptr<QStringList> questions;
    std::shared_ptr<bool> saveAnyway;
    std::shared_ptr<std::optional<QString>> uploadPort = std::make_shared<std::optional<QString>>();
    std::shared_ptr<QStringList> offeredPorts = std::make_shared<QStringList>();
    std::shared_ptr<MixedRatesChoice> mixedRates =
        std::make_shared<MixedRatesChoice>(MixedRatesChoice::Cancel);
    std::shared_ptr<bool> resampleToTarget = std::make_shared<bool>(false);
    std::shared_ptr<QStringList> warnings = std::make_shared<QStringList>();
    std::shared_ptr<bool> replaceSlots = std::make_shared<bool>(false);
};

// Answers file dialogs from a list (a cancel once it runs out) and keeps every request.
struct ScriptedDialog : FileDialogRunner {
    struct Script {
        std::vector<std::optional<QString>> answers;
        std::vector<FileDialogRequest> requests;
        // Answers of dialogs that take several files, before `answers` are used for them.
        std::vector<QStringList> several;
    };
    explicit ScriptedDialog(std::shared_ptr<Script> s) : script(std::move(s)) {}
    std::optional<QString> run(QWidget*, const FileDialogRequest& request) override;
    std::optional<QStringList> runMany(QWidget* parent, const FileDialogRequest& request) override;
    std::shared_ptr<Script> script;
};

// A working folder holding `slots` and a window loaded from it, answered by the two above.
struct LoadedWindow {
    explicit LoadedWindow(const std::vector<SlotContent>& slots,
                          BackgroundWork::Runs workRuns = BackgroundWork::Runs::Inline);
    explicit LoadedWindow(const SlotBank& bank,
                          BackgroundWork::Runs workRuns = BackgroundWork::Runs::Inline);
    TempFolder folder;
    std::shared_ptr<QStringList> errors = std::make_shared<QStringList>();
    std::shared_ptr<QStringList> questions = std::make_shared<QStringList>();
    std::shared_ptr<bool> saveAnyway = std::make_shared<bool>(false);
    std::shared_ptr<UserPrompts::MixedRatesChoice> mixedRates =
        std::make_shared<UserPrompts::MixedRatesChoice>(UserPrompts::MixedRatesChoice::Cancel);
    std::shared_ptr<bool> resampleToTarget = std::make_shared<bool>(false);
    std::shared_ptr<QStringList> warnings = std::make_shared<QStringList>();
    std::shared_ptr<bool> replaceSlots = std::make_shared<bool>(false);
    std::shared_ptr<std::optional<QString>> uploadPort = std::make_shared<std::optional<QString>>();
    std::shared_ptr<QStringList> offeredPorts = std::make_shared<QStringList>();
    std::shared_ptr<ScriptedDialog::Script> dialog = std::make_shared<ScriptedDialog::Script>();
    std::unique_ptr<MainWindow> window;
};

// The text of the label named `name`, and the end-point slider.
QString labelText(MainWindow& window, const QString& name);
ClickSlider& slider(MainWindow& window);

// The whole view of a slot drawn the literal way, one painter call per sample; with `fast`,
// drawn the way the window draws it; at `pixelRatio` image pixels to one pixel of the box.
QImage viewPicture(QSize box, const std::vector<std::uint8_t>& bytes, std::int32_t endIndex,
                   bool fast = false, qreal pixelRatio = 1.0);

// "identical", or where two pictures first differ. Blind to format and colour space, which a
// photograph read from a PNG file carries.
std::string firstDifference(const QImage& a, const QImage& b);

} // namespace wtb::test

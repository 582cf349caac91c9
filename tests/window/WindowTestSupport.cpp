#include "WindowTestSupport.h"

#include "common/RoundHalfEven.h"
#include "slots/WorkingFolder.h"
#include "support/LiteralTrace.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"
#include "window/WaveformView.h"

#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

namespace wtb::test {

QString labelText(MainWindow& window, const QString& name) {
    auto* label = window.findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
    EXPECT_NE(label, nullptr) << name.toStdString();
    return label ? label->text() : QString();
}

ClickSlider& slider(MainWindow& window) {
    return *window.findChild<ClickSlider*>(QStringLiteral("endSlider"));
}

std::optional<QString> ScriptedDialog::run(QWidget*, const FileDialogRequest& request) {
    script->requests.push_back(request);
    if (script->answers.empty()) {
        return std::nullopt;
    }
    const auto answer = script->answers.front();
    script->answers.erase(script->answers.begin());
    return answer ? std::optional<QString>(*answer) : std::nullopt;
}

std::optional<QStringList> ScriptedDialog::runMany(QWidget* parent,
                                                   const FileDialogRequest& request) {
    if (script->several.empty()) {
        return FileDialogRunner::runMany(parent, request);
    }
    script->requests.push_back(request);
    QStringList answer = script->several.front();
    script->several.erase(script->several.begin());
    return answer;
}

LoadedWindow::LoadedWindow(const std::vector<SlotContent>& slots, BackgroundWork::Runs workRuns)
    : LoadedWindow(bankOf(slots), workRuns) {}

LoadedWindow::LoadedWindow(const SlotBank& bank, BackgroundWork::Runs workRuns) {
    saveWorkingFolder(bank, folder.path());
    auto prompts = std::make_unique<RecordingPrompts>(errors, questions, saveAnyway);
    prompts->mixedRates = mixedRates;
    prompts->resampleToTarget = resampleToTarget;
    prompts->warnings = warnings;
    prompts->replaceSlots = replaceSlots;
    prompts->uploadPort = uploadPort;
    prompts->offeredPorts = offeredPorts;
    window = std::make_unique<MainWindow>(folder.path(), std::move(prompts));
    window->fileDialog().setRunner(std::make_unique<ScriptedDialog>(dialog));
    // Each action's result is there when the test looks; the worker thread has tests of its own.
    window->setWorkRuns(workRuns);
    if (!window->open()) {
        throw std::runtime_error("the test's working folder did not load");
    }
}

QImage viewPicture(QSize box, const std::vector<std::uint8_t>& bytes, std::int32_t endIndex,
                   bool fast, qreal pixelRatio) {
    return waveformPicture(box, pixelRatio, bytes, endIndex,
                           fast ? drawTraceFast : drawTraceLiteral);
}

std::string firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return "the sizes differ";
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    return "identical";
}

} // namespace wtb::test

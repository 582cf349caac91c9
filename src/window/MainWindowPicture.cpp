// The picture's zoom and the end slider that follows it, the typed end, and what the window
// says besides its readouts: a sound playing, a sketch written, the working folder, About.
#include "window/MainWindow.h"

#include "audio/SoundOutput.h"
#include "common/AtomicFile.h"
#include "messages/ExportNotes.h"
#include "window/ClickSlider.h"
#include "window/EndIndexBox.h"
#include "window/Readouts.h"
#include "window/WaveformView.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace wtb {

namespace {

constexpr double kZoomStep = 2.0;
constexpr qreal kScrollPerKey = 0.25; // of the picture's width
constexpr int kPlayingPollMs = 100;
constexpr qsizetype kLongestPathInMenu = 72;

// Runs `action` when the watched control is double-clicked with the left button.
class DoubleClickRuns : public QObject {
public:
    DoubleClickRuns(QObject* parent, std::function<void()> action)
        : QObject(parent), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            action_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
};

// A long path keeps its start and its end, which tell most.
QString shortenedPath(const QString& path) {
    if (path.size() <= kLongestPathInMenu) {
        return path;
    }
    const qsizetype half = (kLongestPathInMenu - 1) / 2;
    return path.left(half) + QChar(0x2026) + path.right(half);
}

} // namespace

void MainWindow::createPictureActions() {
    const std::pair<WindowCommand, void (MainWindow::*)()> handlers[] = {
        {WindowCommand::ZoomIn, &MainWindow::zoomIn},
        {WindowCommand::ZoomOut, &MainWindow::zoomOut},
        {WindowCommand::ZoomWhole, &MainWindow::showWholeSound},
        {WindowCommand::ScrollEarlier, &MainWindow::scrollEarlier},
        {WindowCommand::ScrollLater, &MainWindow::scrollLater},
        {WindowCommand::TypeEnd, &MainWindow::typeEndIndex},
        {WindowCommand::OpenFolder, &MainWindow::openWorkingFolder},
        {WindowCommand::About, &MainWindow::showAbout},
    };
    for (const auto& [command, handler] : handlers) {
        actions_[command] = addCommand(command, handler);
    }
    // The menu names the folder it opens.
    const QString folder = QDir::toNativeSeparators(QDir(workingFolder_).absolutePath());
    actions_[WindowCommand::OpenFolder]->setText(
        QStringLiteral("Open working folder: %1").arg(shortenedPath(folder)));
}

void MainWindow::connectPictureControls() {
    const WindowControls& c = controls_;
    connect(c.waveformView, &WaveformView::shownRangeChanged, this, [this] {
        guarded([this] {
            // A keyboard move of the knob left open is given up: the marker goes back.
            const bool previewing = controls_.endSlider->isPreviewing();
            showShownRange();
            if (previewing) {
                controls_.waveformView->previewEnd(current().endIndex);
            }
        });
    });
    connect(c.endIndexBox, &EndIndexBox::applied, this,
            [this](int index) { applyTypedEnd(index); });
    connect(c.endIndexBox, &EndIndexBox::previewed, this,
            [this](int index) { guarded([&] { controls_.waveformView->previewEnd(index); }); });
    connect(c.endIndexBox, &EndIndexBox::previewCancelled, this, [this] {
        guarded([this] { controls_.waveformView->previewEnd(current().endIndex); });
    });
    c.endReadout->installEventFilter(new DoubleClickRuns(this, [this] { typeEndIndex(); }));
    playingPoll_ = new QTimer(this);
    playingPoll_->setInterval(kPlayingPollMs);
    connect(playingPoll_, &QTimer::timeout, this, [this] { watchPlaying(); });
}

void MainWindow::nameStatusControls() {
    const WindowControls& c = controls_;
    c.endIndexBox->setAccessibleName(QStringLiteral("End index"));
    c.endIndexBox->setToolTip(plainToolTip(commandTip(WindowCommand::TypeEnd)));
    makeReadout(*c.playingIndicator, QStringLiteral("Playing"),
                QStringLiteral("Shows when a sound is playing; Stop (Escape) ends it"));
    makeReadout(*c.statusLine, QStringLiteral("Last sketch written"),
                QStringLiteral("The sketch file last written: its name and size"));
    // The picture's tooltip says how to zoom, after what it shows.
    QString tip = c.waveformView->toolTip();
    const QString zoom = QStringLiteral("Ctrl+wheel or Ctrl++ / Ctrl+- zoom around the pointer; "
                                        "the wheel scrolls a zoomed picture.");
    const qsizetype end = tip.lastIndexOf(QStringLiteral("</p>"));
    tip.insert(end < 0 ? tip.size() : end, QStringLiteral("<br>") + zoom.toHtmlEscaped());
    c.waveformView->setToolTip(tip);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitWindowControls(this, event->size());
}

void MainWindow::showShownRange() {
    if (!workspace_ || current().samples.empty()) {
        return;
    }
    const Slot& slot = current();
    const WaveformView& view = *controls_.waveformView;
    // One step of the slider is about one column of the picture above it.
    const std::int32_t first = view.firstShown();
    const std::int32_t last = view.lastShown();
    controls_.endSlider->setRange(std::min(first, last), std::max(first, last));
    controls_.endSlider->setValue(slot.endIndex);
    controls_.endSlider->setAccessibleDescription(
        view.mapping().isZoomed()
            ? QStringLiteral("Covers samples %1 to %2, as the picture zoomed %3 times shows them")
                  .arg(first)
                  .arg(last)
                  .arg(view.mapping().zoom(), 0, 'f', 1)
            : QStringLiteral("Covers the whole sound"));
}

void MainWindow::zoomIn() {
    guarded([this] {
        WaveformView& view = *controls_.waveformView;
        const QPoint pointer = view.mapFromGlobal(QCursor::pos());
        view.zoomBy(kZoomStep, view.rect().contains(pointer) ? std::optional<qreal>(pointer.x())
                                                             : std::nullopt);
    });
}

void MainWindow::zoomOut() {
    guarded([this] {
        WaveformView& view = *controls_.waveformView;
        const QPoint pointer = view.mapFromGlobal(QCursor::pos());
        view.zoomBy(1 / kZoomStep, view.rect().contains(pointer) ? std::optional<qreal>(pointer.x())
                                                                 : std::nullopt);
    });
}

void MainWindow::showWholeSound() {
    guarded([this] { controls_.waveformView->showWhole(); });
}

void MainWindow::scrollEarlier() {
    guarded([this] {
        controls_.waveformView->scrollBy(-kScrollPerKey * controls_.waveformView->width());
    });
}

void MainWindow::scrollLater() {
    guarded([this] {
        controls_.waveformView->scrollBy(kScrollPerKey * controls_.waveformView->width());
    });
}

void MainWindow::typeEndIndex() {
    controls_.endIndexBox->setFocus(Qt::ShortcutFocusReason);
    controls_.endIndexBox->selectAll();
}

void MainWindow::applyTypedEnd(std::int32_t index) {
    const std::int16_t slot = currentSlot_;
    runEdit(QStringLiteral("Trimming slot %1…").arg(slot), [this, slot, index](Workspace& copy) {
        copy.trim(slot, index);
        return [this, slot] {
            if (slot == currentSlot_) {
                showCurrentSlot(); // also after a trim that changed nothing: the box shows the end
                controls_.waveformView->scrollToShow(current().endIndex);
            }
        };
    });
}

void MainWindow::openWorkingFolder() {
    guarded([this] {
        const QString folder = QDir(workingFolder_).absolutePath();
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
            wtb::raise(ErrorKind::File, "No file manager could show the working folder \"" +
                                            displayPath(folder) + "\". Open it by its path.");
        }
    });
}

void MainWindow::showAbout() {
    const QString name = QCoreApplication::organizationName() + QLatin1Char(' ') +
                         QCoreApplication::applicationName();
    prompts_->showAbout(
        this, QStringLiteral("About %1").arg(name),
        QStringLiteral("%1 %2\n\nTurns sixteen short 8-bit sounds into a sample table for an AVR "
                       "sketch.\n\nReleased under the MIT licence.\n\nWorking folder:\n%3")
            .arg(name.trimmed(), QCoreApplication::applicationVersion(),
                 QDir::toNativeSeparators(QDir(workingFolder_).absolutePath())));
}

void MainWindow::watchPlaying() {
    const bool playing = soundOutput_ && soundOutput_->isPlaying();
    showReadout(*controls_.playingIndicator,
                playing ? QStringLiteral("\u25B6 Playing") : QString());
    if (playing && !playingPoll_->isActive()) {
        playingPoll_->start();
    } else if (!playing) {
        playingPoll_->stop();
    }
}

void MainWindow::confirmWritten(const WrittenFiles& written) {
    if (written.line.isEmpty()) {
        showStatus(QString(), QString());
        return;
    }
    // The same figure the meter shows, for the kit just written.
    const QString flash = QString::fromStdString(flashFigureText(session_.budget(openWorkspace().bank())));
    showStatus(written.line + QStringLiteral("\n") + flash,
               written.detail + QStringLiteral("\n") + flash);
}

QString MainWindow::displayedPath(const QFileInfo& file) {
    return QDir::toNativeSeparators(file.absoluteFilePath());
}

} // namespace wtb

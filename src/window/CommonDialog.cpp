#include "window/CommonDialog.h"

#include "slots/SoundFormats.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace wtb {

namespace {

class QtFileDialogRunner : public FileDialogRunner {
public:
    std::optional<QString> run(QWidget* parent, const FileDialogRequest& request) override {
        const bool save = request.mode == FileDialogRequest::Mode::Save;
        const std::optional<QStringList> files =
            chooseFiles(parent, request, save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!files) {
            return std::nullopt;
        }
        return files->constFirst();
    }

    std::optional<QStringList> runMany(QWidget* parent, const FileDialogRequest& request) override {
        return chooseFiles(parent, request, QFileDialog::ExistingFiles);
    }

private:
    // The dialog as the request describes it; nothing when it is cancelled or gives no file.
    static std::optional<QStringList> chooseFiles(QWidget* parent, const FileDialogRequest& request,
                                                  QFileDialog::FileMode fileMode) {
        QFileDialog dialog(parent, request.title, request.directory);
        const bool save = request.mode == FileDialogRequest::Mode::Save;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(fileMode);
        if (!request.nameFilters.isEmpty()) {
            dialog.setNameFilters(request.nameFilters.split(QStringLiteral(";;")));
        }
        if (!request.fileName.isEmpty()) {
            dialog.selectFile(request.fileName);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles();
    }
};

} // namespace

namespace {

// The Arduino IDE's sketchbook, where it opens and lists sketches, when the user has one.
QString sketchbookOr(const QString& otherwise) {
    const QString sketchbook = QDir::homePath() + QStringLiteral("/Arduino");
    return QFileInfo(sketchbook).isDir() ? sketchbook : otherwise;
}

} // namespace

CommonDialog::CommonDialog()
    : runner_(std::make_unique<QtFileDialogRunner>()), soundsFolder_(QDir::currentPath()),
      sketchesFolder_(sketchbookOr(QDir::currentPath())) {}

CommonDialog::~CommonDialog() = default;

void CommonDialog::setRunner(std::unique_ptr<FileDialogRunner> runner) {
    runner_ = runner ? std::move(runner) : std::make_unique<QtFileDialogRunner>();
}

bool CommonDialog::showOpen(QWidget* parent, const QString& title, DialogPlace place) {
    return show(parent, FileDialogRequest::Mode::Open, title, place);
}

bool CommonDialog::showSave(QWidget* parent, const QString& title, DialogPlace place) {
    return show(parent, FileDialogRequest::Mode::Save, title, place);
}

std::optional<QStringList> FileDialogRunner::runMany(QWidget* parent,
                                                     const FileDialogRequest& request) {
    std::optional<QString> one = run(parent, request);
    if (!one) {
        return std::nullopt;
    }
    return QStringList{*one};
}

FileDialogRequest CommonDialog::request(FileDialogRequest::Mode mode, const QString& title,
                                        DialogPlace place) const {
    FileDialogRequest request;
    request.mode = mode;
    request.title = title;
    request.nameFilters = nameFilters_;
    const QString& directory = place == DialogPlace::Sounds ? soundsFolder_ : sketchesFolder_;
    // A preset with a folder opens there; a bare name opens where the last file was chosen.
    if (fileName_.isEmpty()) {
        request.directory = directory;
    } else {
        const QFileInfo preset(QDir(directory), fileName_);
        request.directory = preset.absolutePath();
        request.fileName = preset.fileName();
    }
    return request;
}

QString CommonDialog::remember(const FileDialogRequest& request, DialogPlace place,
                               const QString& chosen) {
    const QFileInfo file(QDir(request.directory), chosen);
    fileName_ = QDir::cleanPath(file.absoluteFilePath());
    (place == DialogPlace::Sounds ? soundsFolder_ : sketchesFolder_) = file.absolutePath();
    return fileName_;
}

bool CommonDialog::show(QWidget* parent, FileDialogRequest::Mode mode, const QString& title,
                        DialogPlace place) {
    const FileDialogRequest asked = request(mode, title, place);
    const std::optional<QString> chosen = runner_->run(parent, asked);
    if (!chosen || chosen->isEmpty()) {
        return false;
    }
    remember(asked, place, *chosen);
    return true;
}

QString soundFileNameFilters(const std::vector<SoundFormat>& formats) {
    QStringList all;
    QStringList each;
    for (const SoundFormat& format : formats) {
        QStringList patterns;
        for (const std::string& extension : format.extensions) {
            patterns << QStringLiteral("*.") + QString::fromStdString(extension);
        }
        all << patterns;
        each << QStringLiteral("%1 (%2)").arg(QString::fromStdString(format.name),
                                              patterns.join(QLatin1Char(' ')));
    }
    QStringList filters;
    if (!all.isEmpty()) {
        filters << QStringLiteral("All sound files (%1)").arg(all.join(QLatin1Char(' ')));
    }
    filters << each << QStringLiteral("All files (*)");
    return filters.join(QStringLiteral(";;"));
}

QString sketchNameFilters() {
    return QStringLiteral("Arduino sketch (*.ino);;All files (*)");
}

std::optional<QStringList> CommonDialog::showOpenMany(QWidget* parent, const QString& title,
                                                      DialogPlace place) {
    const FileDialogRequest asked = request(FileDialogRequest::Mode::Open, title, place);
    std::optional<QStringList> chosen = runner_->runMany(parent, asked);
    if (chosen) {
        chosen->removeAll(QString());
    }
    if (!chosen || chosen->isEmpty()) {
        return std::nullopt;
    }
    // Every path made whole against the dialog's folder; the first sets the proposed name and
    // the next dialog's folder.
    QStringList paths;
    for (const QString& path : *chosen) {
        paths << remember(asked, place, path);
    }
    remember(asked, place, paths.constFirst());
    return paths;
}

} // namespace wtb

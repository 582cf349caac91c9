#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace wtb {

struct SoundFormat;

// What a file dialog is asked to show.
struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;
    QString nameFilters; // Qt's form: "Wave (*.wav);;All files (*)"
    QString directory;   // where the dialog opens
    QString fileName;    // the name it proposes, without a folder
};

// Shows the modal dialog and returns the chosen file's full path, or nothing when the user
// cancelled. The window's dialogs go through this seam so that tests can answer them.
class FileDialogRunner {
public:
    virtual ~FileDialogRunner() = default;
    virtual std::optional<QString> run(QWidget* parent, const FileDialogRequest& request) = 0;
    // An open dialog in which several files can be chosen; they come in the order shown. By
    // default the one file run() gives.
    virtual std::optional<QStringList> runMany(QWidget* parent, const FileDialogRequest& request);
};

// Where a dialog opens: sounds where the last sound was chosen; sketches in the Arduino
// sketchbook (~/Arduino, where the IDE looks) when there is one, then where the last sketch
// was saved. Each place keeps its own last folder.
enum class DialogPlace { Sounds, Sketches };

// The window's open and save dialog: it keeps a filter and a file name between uses.
class CommonDialog {
public:
    CommonDialog();
    ~CommonDialog();

    // Replaces how the dialog is shown (tests); the default shows a QFileDialog.
    void setRunner(std::unique_ptr<FileDialogRunner> runner);

    // Qt's form: "Wave (*.wav);;All files (*)". Kept until set again.
    void setNameFilters(const QString& filters) { nameFilters_ = filters; }
    const QString& nameFilters() const { return nameFilters_; }

    // The proposed name before a dialog, the chosen file's full path after an accepted one.
    void setFileName(const QString& fileName) { fileName_ = fileName; }
    const QString& fileName() const { return fileName_; }

    // Modal, titled by its action ("Save Wavetable"); true when the user chose a file, false
    // when the dialog was cancelled, which leaves the file name as it was.
    bool showOpen(QWidget* parent, const QString& title, DialogPlace place);
    bool showSave(QWidget* parent, const QString& title, DialogPlace place);
    // An open dialog that takes several files; their full paths, in the dialog's order, or
    // nothing when cancelled. The first becomes the file name.
    std::optional<QStringList> showOpenMany(QWidget* parent, const QString& title,
                                            DialogPlace place);

private:
    bool show(QWidget* parent, FileDialogRequest::Mode mode, const QString& title,
              DialogPlace place);
    FileDialogRequest request(FileDialogRequest::Mode mode, const QString& title,
                              DialogPlace place) const;
    QString remember(const FileDialogRequest& request, DialogPlace place, const QString& chosen);

    std::unique_ptr<FileDialogRunner> runner_;
    QString nameFilters_;
    QString fileName_;
    QString soundsFolder_;   // the folder of the last sound chosen
    QString sketchesFolder_; // the folder of the last sketch saved, or the sketchbook
};

// The Import dialog's filters, first shown first: "All sound files" with every extension of
// `formats`, one entry per format, then "All files (*)" for a file named otherwise.
QString soundFileNameFilters(const std::vector<SoundFormat>& formats);

// The sketch dialogs' filters.
QString sketchNameFilters();

} // namespace wtb

#pragma once

#include <QString>

#include <memory>
#include <vector>

class QSaveFile;

#include <string>
#include <string_view>

namespace wtb {

// Writes the whole file through a temporary file in the same folder that is renamed into
// place: the file at `path` is either its old self or the complete new content, never half
// written. Raises a file error naming the path and the reason.
void writeFileAtomically(const QString& path, std::string_view bytes);

// Several files replaced together. Each is written in full to a temporary file beside it
// first; only when every one was written are they renamed into place, in the order given. A
// failure while writing leaves every file as it was; a failed rename names the file and the
// files already replaced. Files not committed are discarded with the batch.
class AtomicFileBatch {
public:
    AtomicFileBatch();
    ~AtomicFileBatch();
    AtomicFileBatch(const AtomicFileBatch&) = delete;
    AtomicFileBatch& operator=(const AtomicFileBatch&) = delete;

    void write(const QString& path, std::string_view bytes);
    void commit();

    // The files commit() has put in place so far.
    const std::vector<QString>& committed() const { return committed_; }

private:
    std::vector<std::unique_ptr<QSaveFile>> pending_;
    std::vector<QString> committed_;
};

// Reads the whole file; raises a file error naming the path and the reason.
std::string readWholeFile(const QString& path);

// The path as the user should see it in a message.
std::string displayPath(const QString& path);

} // namespace wtb

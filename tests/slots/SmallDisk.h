#pragma once

#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <string>

namespace wtb::test {

// A tmpfs of a few pages mounted on a temporary folder: a real file system that fills up.
// Mounting needs root; `mounted()` is false and `whyNot()` says why when it was refused.
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes);
    ~SmallDisk(); // unmounts, also after a failed test
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& whyNot() const { return whyNot_; }
    const QString& path() const { return path_; }

    // Fills the disk with a filler file, leaving about `bytes` free (whole pages).
    void fill(std::size_t leaveFree = 0);
    // Removes the filler: the disk has room again.
    void empty();

private:
    QTemporaryDir dir_;
    QString path_;
    bool mounted_ = false;
    std::string whyNot_;
};

} // namespace wtb::test

#include "SmallDisk.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace wtb::test {

SmallDisk::SmallDisk(std::size_t bytes) : path_(dir_.path()) {
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, options.c_str()) == 0) {
        mounted_ = true;
    } else {
        whyNot_ = "mounting a " + std::to_string(bytes) + "-byte tmpfs was refused (" +
                  std::strerror(errno) + "); a real full disk needs root";
    }
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
}

void SmallDisk::fill(std::size_t leaveFree) {
    const QByteArray filler = QFile::encodeName(path_ + "/filler");
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::runtime_error("cannot create the filler file");
    }
    const std::vector<char> block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const off_t keep = size - static_cast<off_t>(leaveFree);
    if (::ftruncate(fd, keep > 0 ? keep : 0) != 0) {
        throw std::runtime_error("cannot shorten the filler file");
    }
    ::close(fd);
}

void SmallDisk::empty() {
    QFile::remove(path_ + "/filler");
}

} // namespace wtb::test

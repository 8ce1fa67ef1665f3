#include "FuzzMemFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

FuzzMemFile::FuzzMemFile(const char* name) : fd_(memfd_create(name, MFD_CLOEXEC)) {}

FuzzMemFile::~FuzzMemFile() {
    if (fd_ >= 0)
        close(fd_);
}

bool FuzzMemFile::assign(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0 || ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) != 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

QByteArray FuzzMemFile::contents() const {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return {};
    QByteArray out(static_cast<qsizetype>(st.st_size), '\0');
    qsizetype done = 0;
    while (done < out.size()) {
        const ssize_t n = pread(fd_, out.data() + done, static_cast<std::size_t>(out.size() - done),
                                static_cast<off_t>(done));
        if (n <= 0)
            break;
        done += n;
    }
    out.truncate(done);
    return out;
}

QString FuzzMemFile::path() const {
    return QStringLiteral("/proc/self/fd/%1").arg(fd_);
}

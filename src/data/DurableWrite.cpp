#include "data/DurableWrite.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <system_error>

#include <QFile>

bool FlushFileToDisk(QFile& file) {
    if (!file.isOpen() || !file.flush())
        return false;
#ifdef Q_OS_WIN
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
#else
    return fdatasync(file.handle()) == 0;
#endif
}

bool FlushFileToDisk(const QString& path) {
    QFile file(path);
    // Written through: Windows flushes only a handle that may write.
    return file.open(QIODevice::ReadWrite) && FlushFileToDisk(file);
}

bool ReplaceFile(const QString& from, const QString& to) {
    // std::filesystem replaces an existing target on Windows too (its rename()
    // would refuse); UTF-16 names reach both systems unchanged.
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), error);
    return !error;
}

bool FlushFolderToDisk(const QString& folder) {
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true;
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#endif
}

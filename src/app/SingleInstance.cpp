#include "app/SingleInstance.h"

#include <QDir>
#include <QLockFile>

SingleInstance::SingleInstance(const QString& dir)
    : path_(QDir(dir.isEmpty() ? QDir::tempPath() : dir).filePath(QString(NAME) + ".lock")),
      lock_(std::make_unique<QLockFile>(path_)) {
    // The lock is held as long as the program runs, however long that is: no
    // age limit, only a lock of a process that no longer exists counts as stale.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    if (lock_->isLocked())
        return true;
    // tryLock takes over a lock whose owner process has gone.
    return lock_->tryLock(0);
}

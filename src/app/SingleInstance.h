#pragma once

#include <memory>

#include <QString>

class QLockFile;

// The one-copy rule: a lock file named after the program ("velarimToolTRX") in
// the temporary folder, held for the life of the process. A stale lock left by
// a crashed copy is taken over.
class SingleInstance {
  public:
    static constexpr const char* NAME = "velarimToolTRX";

    // dir defaults to QDir::tempPath().
    explicit SingleInstance(const QString& dir = QString());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock; false when another copy runs.
    bool acquire();
    QString lockPath() const { return path_; }

  private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

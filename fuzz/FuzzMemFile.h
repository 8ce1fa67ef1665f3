#pragma once

#include <cstdint>
#include <span>

#include <QByteArray>
#include <QString>

// An anonymous in-memory file with a path (/proc/self/fd/N), so that code that
// opens files by name can be fed bytes without touching a disk.
class FuzzMemFile {
  public:
    explicit FuzzMemFile(const char* name);
    ~FuzzMemFile();
    FuzzMemFile(const FuzzMemFile&) = delete;
    FuzzMemFile& operator=(const FuzzMemFile&) = delete;

    bool valid() const { return fd_ >= 0; }
    // Replaces the contents with the bytes.
    bool assign(std::span<const std::uint8_t> bytes);
    QByteArray contents() const;
    QString path() const;

  private:
    int fd_ = -1;
};

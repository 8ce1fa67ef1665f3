#pragma once

#include <QStringList>

// The recently used documents, newest first, at most four, kept in the
// settings under "Recent File List" as "File1".."File4".
class RecentFileList {
  public:
    static constexpr int SIZE = 4;

    void load();
    void save() const;
    // Puts path at the top (moving it there when already listed).
    void add(const QString& path);
    void remove(const QString& path);
    const QStringList& files() const { return files_; }

  private:
    QStringList files_;
};

#pragma once

#include <QFile>
#include <QString>

// What must survive a power cut: the bytes written to an open file, and a new
// file's entry in its folder. The one place that differs by platform.

// The file's written bytes reach the disk (fdatasync; FlushFileBuffers on
// Windows). False when the system says it could not.
bool FlushFileToDisk(QFile& file);

// The same for a closed file that a library wrote by name.
bool FlushFileToDisk(const QString& path);

// `from` takes the place of `to` in one step, replacing it if it exists.
bool ReplaceFile(const QString& from, const QString& to);

// A file created or renamed in `folder` keeps its name after a power cut (the
// folder's entry synced; nothing to do on Windows, where the file system
// journals names). False when the folder could not be synced.
bool FlushFolderToDisk(const QString& folder);

#pragma once

#include <functional>

#include <QString>

// Whether new files can be made in a folder (the folder exists).
using FolderWritableFn = std::function<bool(const QString& folder)>;

// Tries to make (and remove) a file in the folder: the one test that holds
// for read-only mounts, ACLs and missing folders alike.
bool CanCreateFilesIn(const QString& folder);

// The user's documents folder as the platform names it.
QString UserDocumentsFolder();

// The folder a measurement plan's files go to, ending with a separator:
// the program's folder when files can be made there; otherwise
// documentsFolder + "/VL_Tool", created when missing (a program installed from
// the package sits in a system folder the user cannot write to). When neither
// can take files the program's folder stays, and the failing appends name it.
QString ChoosePlanFolder(const QString& programFolder, const QString& documentsFolder,
                         const FolderWritableFn& writable);

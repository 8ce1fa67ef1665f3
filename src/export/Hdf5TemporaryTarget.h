#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include "data/DurableWrite.h"
#include "export/Hdf5Handles.h"

// The HDF5 export's temporary file beside the target: it replaces the target
// only when complete and on the disk (as the document save does), and is
// removed unless it did.
class TemporaryTarget {
  public:
    explicit TemporaryTarget(const QString& target) : target_(target) {}
    ~TemporaryTarget() {
        if (!name_.isEmpty() && !committed_)
            QFile::remove(name_);
    }
    // Creates the file through HDF5 under the first free name.
    H5Handle Create() {
        const QString stem = target_ + ".~" + QString::number(QCoreApplication::applicationPid());
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString name = stem + "-" + QString::number(attempt);
            if (QFile::exists(name))
                continue;
            // Closing the file closes whatever is still open in it, so nothing
            // is left unwritten when it is renamed. The 1.10 format indexes
            // the chunks of a fixed-size dataset in one array instead of a
            // B-tree, which costs less per chunk to write and to look up.
            H5Handle access = PropertyHandle(H5Pcreate(H5P_FILE_ACCESS));
            H5Pset_fclose_degree(access.get(), H5F_CLOSE_STRONG);
            H5Pset_libver_bounds(access.get(), H5F_LIBVER_V110, H5F_LIBVER_V110);
            H5Handle file = FileHandle(H5Fcreate(QFile::encodeName(name).constData(), H5F_ACC_EXCL,
                                                 H5P_DEFAULT, access.get()));
            if (file) {
                name_ = name;
                if (QFile::exists(target_))
                    QFile::setPermissions(name_, QFile::permissions(target_));
            }
            return file;
        }
        return {};
    }
    // For the closed file (closing still writes: in the 1.10 format it
    // clears the superblock's open-for-writing flag): its data goes to the
    // disk, then it replaces the target.
    bool Commit() {
        committed_ = FlushFileToDisk(name_) && ReplaceFile(name_, target_);
        return committed_;
    }

  private:
    QString target_;
    QString name_;
    bool committed_ = false;
};

#include "data/TextFileWriter.h"

QString TextFileError(FileSaveResult result, const QString& path) {
    switch (result) {
        case FileSaveResult::OpenFailed:
            return QString("cannot write the file %1").arg(path);
        case FileSaveResult::WriteFailed:
            return QString("writing the file %1 failed").arg(path);
        case FileSaveResult::Written:
            break;
    }
    return {};
}

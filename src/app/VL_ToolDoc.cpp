#include "app/VL_ToolDoc.h"

#include <QFileInfo>

#include "export/Hdf5File.h"

CVL_ToolDoc::CVL_ToolDoc(QObject* parent) : QObject(parent) {}
CVL_ToolDoc::~CVL_ToolDoc() = default;

void CVL_ToolDoc::setModifiedFlag(bool modified) {
    modified_ = modified;
}

QString CVL_ToolDoc::title() const {
    return path_.isEmpty() ? tr("無題") : QFileInfo(path_).fileName();
}

QString CVL_ToolDoc::windowTitle() const {
    return title() + QStringLiteral(" - VL_Tool");
}

void CVL_ToolDoc::newDocument() {
    path_.clear();
    modified_ = false;
    emit titleChanged();
}

DocumentResult CVL_ToolDoc::open(const QString& path) {
    // The reader leaves the data set untouched unless the whole file was read.
    const bool hdf5 = HasHdf5Signature(path);
    DocumentResult result = ReadDataSetFile(path, data_);
    if (!result.ok)
        return result;
    // An HDF5 file of one grid is read, not adopted: Save asks for a document
    // name rather than turning the export into a document. Devices of
    // different grids can only be saved as HDF5, so such a file keeps its name.
    path_ = hdf5 && !data_.hasMixedGrids() ? QString() : QFileInfo(path).absoluteFilePath();
    modified_ = false;
    emit titleChanged();
    return result;
}

bool CVL_ToolDoc::IsHdf5Name(const QString& path) {
    return path.endsWith(QStringLiteral(".h5"), Qt::CaseInsensitive);
}

DocumentResult CVL_ToolDoc::save(const QString& path) {
    DocumentResult result = IsHdf5Name(path)
                                ? WriteHdf5File(path, data_, QStringLiteral("VL_Tool " VL_VERSION))
                                : WriteDocumentFile(path, data_);
    if (!result.ok)
        return result;
    path_ = QFileInfo(path).absoluteFilePath();
    modified_ = false;
    emit titleChanged();
    return result;
}

#include "app/VL_ToolDoc.h"

#include <QFileInfo>

#include "export/DataSetFormats.h"

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

FileResult CVL_ToolDoc::open(const QString& path) {
    // The reader leaves the data set untouched unless the whole file was read.
    const DataSetFormat* format = nullptr;
    FileResult result = ReadDataSetFile(path, data_, &format);
    if (!result.ok)
        return result;
    // An export (HDF5) of one grid is read, not adopted: Save asks for a
    // document name rather than turning the export into a document. Devices of
    // different grids can only be saved as HDF5, so such a file keeps its name.
    const bool exported = format != &DocumentFormat();
    path_ = exported && !data_.hasMixedGrids() ? QString() : QFileInfo(path).absoluteFilePath();
    modified_ = false;
    emit titleChanged();
    return result;
}

bool CVL_ToolDoc::IsHdf5Name(const QString& path) {
    return path.endsWith(QStringLiteral(".h5"), Qt::CaseInsensitive);
}

FileResult CVL_ToolDoc::save(const QString& path) {
    // A name of a format that is read back (.h5) is written in it; any other
    // name gets a document.
    const DataSetFormat* format = FormatForName(path);
    if (!format || !format->read)
        format = &DocumentFormat();
    FileResult result = format->write(path, data_);
    if (!result.ok)
        return result;
    path_ = QFileInfo(path).absoluteFilePath();
    modified_ = false;
    emit titleChanged();
    return result;
}

#pragma once

#include <QByteArray>
#include <QString>

#include "data/FileResult.h"
#include "data/MeasurementDataSet.h"

// The document file (*.vltd): the data set as one little-endian stream with no
// magic number: five int32 header fields, per device slot two archive texts and
// the record entries (P float32, temperature, exposure, reserved), then per
// record the marker 0x8000000A and an int64 time.

inline constexpr char kDocumentUnexpectedFormat[] =
    QT_TRANSLATE_NOOP("DocumentFile", "予期しないファイル形式です。");
inline constexpr char kDocumentOpenFailed[] =
    QT_TRANSLATE_NOOP("DocumentFile", "ドキュメントを開くことに失敗しました。");
inline constexpr char kDocumentSaveFailed[] =
    QT_TRANSLATE_NOOP("DocumentFile", "ドキュメントの保存に失敗しました。");
// The document file holds one grid for all devices; a data set of devices
// with different grids goes into the HDF5 file instead.
inline constexpr char kDocumentMixedGrids[] =
    QT_TRANSLATE_NOOP("DocumentFile",
                      "この記録には波長範囲の違う装置があります。文書ファイルには一つの範囲しか"
                      "保存できません。HDF5 (.h5) で保存してください。");

// Writes through WholeFileWriter: a temporary file beside path replaces path only when
// complete, so a failed save leaves the previous file as it was. A data set of
// mixed grids is refused with kDocumentMixedGrids before anything is written.
FileResult WriteDocumentFile(const QString& path, const MeasurementDataSet& data);

// Reads path into data (the message when !ok is one of the texts above). A zero-length file changes
// nothing. On failure data is left exactly as it was. Header counts beyond the capacity (more than
// 10 slots, 10000 records or 511 points, or negative) and a first wavelength beyond
// +-1000000 nm are rejected as an unexpected format.
FileResult ReadDocumentFile(const QString& path, MeasurementDataSet& data);

// The archive text form: length prefix (1, 3, 7 or 15 bytes) and the bytes.
void AppendArchiveText(QByteArray& out, const QByteArray& text);

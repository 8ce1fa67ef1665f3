#include "export/DataSetFormats.h"

#include <array>

#include <QCoreApplication>

// The registration: one line per format, in the File menu's order. Each entry
// is defined at the end of its format's own file.
#define VL_DATA_SET_FORMATS(X) \
    X(kDocumentFormat)         \
    X(kHdf5Format)             \
    X(kDataSetCsvFormat)       \
    X(kRowsCsvFormat)

#define VL_DECLARE_FORMAT(entry) extern const DataSetFormat entry;
VL_DATA_SET_FORMATS(VL_DECLARE_FORMAT)

namespace {
#define VL_FORMAT_ADDRESS(entry) &entry,
const std::array kFormats{VL_DATA_SET_FORMATS(VL_FORMAT_ADDRESS)};
}  // namespace

std::span<const DataSetFormat* const> DataSetFormats() {
    return kFormats;
}

const DataSetFormat& DocumentFormat() {
    return kDocumentFormat;
}

const DataSetFormat* FormatForName(const QString& name) {
    const DataSetFormat* best = nullptr;
    qsizetype bestLength = 0;
    for (const DataSetFormat* format : kFormats) {
        if (!format->write)
            continue;
        for (const QString& extension : format->extensions) {
            if (extension.size() > bestLength && name.endsWith(extension, Qt::CaseInsensitive)) {
                best = format;
                bestLength = extension.size();
            }
        }
    }
    return best;
}

QString WritableExtensions(const QString& separator) {
    QStringList all;
    for (const DataSetFormat* format : kFormats) {
        if (format->write)
            all += format->extensions;
    }
    return all.join(separator);
}

const DataSetFormat& FormatOfFile(const QString& path) {
    const DataSetFormat* unsigned_ = nullptr;
    for (const DataSetFormat* format : kFormats) {
        if (!format->read)
            continue;
        if (format->probe && format->probe(path))
            return *format;
        if (!format->probe && !unsigned_)
            unsigned_ = format;
    }
    return unsigned_ ? *unsigned_ : kDocumentFormat;
}

FileResult ReadDataSetFile(const QString& path, MeasurementDataSet& data,
                           const DataSetFormat** format) {
    const DataSetFormat& found = FormatOfFile(path);
    if (format)
        *format = &found;
    return found.read(path, data);
}

QString FormatFilter(const DataSetFormat& format) {
    return QCoreApplication::translate("DataSetFormat", format.filterCaption) +
           QStringLiteral(" (") + format.dialogPatterns + QStringLiteral(")");
}

QString OpenFilters() {
    QStringList patterns;
    QStringList filters;
    for (const DataSetFormat* format : kFormats) {
        if (!format->read)
            continue;
        patterns << format->dialogPatterns;
        filters << FormatFilter(*format);
    }
    filters.prepend(QCoreApplication::translate("DataSetFormat", "VL_Tool Files") +
                    QStringLiteral(" (") + patterns.join(' ') + QStringLiteral(")"));
    return filters.join(QStringLiteral(";;"));
}

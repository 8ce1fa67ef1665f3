#include "FuzzEntries.h"

#include <cstring>
#include <memory>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "FuzzMemFile.h"
#include "data/DocumentFile.h"
#include "data/RatioAndPeak.h"
#include "export/DataSetCsv.h"

namespace {

// Data sets this large are still saved, read back and exported; larger ones
// only have their counts and a few records checked, to keep each run short.
constexpr long long kFullCheckValues = 64 * 1024;

// What the reader is given before the file: two records, one device, a
// reference, and texts in slots the file may or may not cover.
void FillBefore(MeasurementDataSet& data) {
    data.AppendRecord(111);
    data.AppendRecord(222);
    data.deviceCount = 1;
    data.pointCount = 401;
    data.firstWavelength = 380;
    data.referenceIndex = 1;
    data.serialText[0] = "KEEP-S0";
    data.sensorModel[0] = "KEEP-M0";
    data.serialText[9] = "KEEP-S9";
    data.sensorModel[3] = "KEEP-M3";
    data.entry(0, 1).values[5] = 42.5f;
    data.entry(0, 1).temperature = 24.5f;
    data.entry(0, 1).exposure = 10000;
}

bool SameEntry(const MeasurementDataSet::Entry& a, const MeasurementDataSet::Entry& b, int points) {
    return std::memcmp(a.values.data(), b.values.data(), sizeof(float) * std::size_t(points)) ==
               0 &&
           std::memcmp(&a.temperature, &b.temperature, sizeof a.temperature) == 0 &&
           a.exposure == b.exposure && a.reserved == b.reserved;
}

// Everything the reader could have touched, compared in full.
QString Difference(const MeasurementDataSet& a, const MeasurementDataSet& b) {
    if (a.recordCount != b.recordCount || a.deviceCount != b.deviceCount ||
        a.pointCount != b.pointCount || a.firstWavelength != b.firstWavelength ||
        a.referenceIndex != b.referenceIndex)
        return QStringLiteral("header fields differ");
    for (int d = 0; d < MAX_DEVICES; ++d) {
        if (a.serialText[d] != b.serialText[d] || a.sensorModel[d] != b.sensorModel[d])
            return QStringLiteral("texts of slot %1 differ").arg(d);
    }
    for (int r = 0; r < a.recordCount; ++r) {
        if (a.record(r).timeStamp != b.record(r).timeStamp)
            return QStringLiteral("time of record %1 differs").arg(r);
        for (int d = 0; d < a.deviceCount; ++d) {
            if (!SameEntry(a.entry(d, r), b.entry(d, r), a.pointCount))
                return QStringLiteral("entry %1/%2 differs").arg(d).arg(r);
        }
    }
    return {};
}

QTemporaryDir& ScratchDir() {
    static QTemporaryDir dir(QFileInfo::exists(QStringLiteral("/dev/shm"))
                                 ? QStringLiteral("/dev/shm/vl-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/vl-fuzz-XXXXXX"));
    return dir;
}

// An accepted data set saved and read back must come back unchanged.
QString RoundTrip(const MeasurementDataSet& data) {
    QTemporaryDir& dir = ScratchDir();
    if (!dir.isValid())
        return {};
    const QString path = dir.filePath(QStringLiteral("round-trip.vltd"));
    if (!WriteDocumentFile(path, data).ok)
        return QStringLiteral("an accepted data set could not be saved");
    MeasurementDataSet back;
    const FileResult read = ReadDocumentFile(path, back);
    QFile::remove(path);
    if (!read.ok)
        return QStringLiteral("a saved data set was refused: ") + read.message;
    for (int d = back.deviceCount; d < MAX_DEVICES; ++d) {
        back.serialText[d] = data.serialText[d];
        back.sensorModel[d] = data.sensorModel[d];
    }
    const QString diff = Difference(data, back);
    return diff.isEmpty() ? QString() : QStringLiteral("saved and read back: ") + diff;
}

QString CheckAccepted(MeasurementDataSet& data, const MeasurementDataSet& before) {
    if (data.recordCount < 0 || data.recordCount > MAX_RECORDS || data.deviceCount < 0 ||
        data.deviceCount > MAX_DEVICES || data.pointCount < 0 ||
        data.pointCount > static_cast<int>(MAX_POINTS))
        return QStringLiteral("counts beyond the capacity were accepted");
    if (data.allocated() < data.recordCount)
        return QStringLiteral("fewer records stored than counted");
    for (int d = data.deviceCount; d < MAX_DEVICES; ++d) {
        if (data.serialText[d] != before.serialText[d] ||
            data.sensorModel[d] != before.sensorModel[d])
            return QStringLiteral("texts of slot %1 beyond the file's devices changed").arg(d);
    }
    const long long values =
        static_cast<long long>(data.recordCount) * data.deviceCount * data.pointCount;
    const bool full = values <= kFullCheckValues && data.recordCount <= 256;
    if (full) {
        if (QString trip = RoundTrip(data); !trip.isEmpty())
            return trip;
        FuzzMemFile csv("vl-fuzz-csv");
        if (csv.valid())
            ExportDataSetCsv(data, csv.path());
    }
    const int labels = full ? data.recordCount : std::min(data.recordCount, 8);
    for (int r = 0; r < labels; ++r) {
        for (int d = 0; d < data.deviceCount; ++d) {
            const Peak peak =
                FindPeak(data.entry(d, r).values, data.pointCount, data.firstWavelength);
            if (peak.wavelength < data.firstWavelength ||
                peak.wavelength - data.firstWavelength >= std::max(data.pointCount, 1))
                return QStringLiteral("peak of %1/%2 off the grid").arg(d).arg(r);
        }
        const QString label = data.RecordLabel(r, r + 1);
        if (label.size() < 15)
            return QStringLiteral("label of record %1 is too short").arg(r);
    }
    // Deleting the first record must keep the reference on a record or clear it.
    const int reference = data.referenceIndex;
    if (data.recordCount > 0) {
        data.RemoveRecord(0);
        if (reference == 0 && data.referenceIndex != -1)
            return QStringLiteral("deleting the reference left it set");
    }
    return {};
}

}  // namespace

DocumentOutcome RunDocumentInput(std::span<const std::uint8_t> bytes) {
    DocumentOutcome out;
    FuzzMemFile file("vl-fuzz-vltd");
    if (!file.valid() || !file.assign(bytes)) {
        out.failure = QStringLiteral("no in-memory file");
        return out;
    }
    MeasurementDataSet before;
    FillBefore(before);
    MeasurementDataSet data;
    FillBefore(data);

    const FileResult result = ReadDocumentFile(file.path(), data);
    out.accepted = result.ok;
    out.message = result.message;
    out.records = data.recordCount;
    out.devices = data.deviceCount;
    out.points = data.pointCount;
    if (!result.ok) {
        if (result.message != QString::fromUtf8(kDocumentUnexpectedFormat) &&
            result.message != QString::fromUtf8(kDocumentOpenFailed))
            out.failure = QStringLiteral("refused with an unknown message");
        else if (const QString diff = Difference(data, before); !diff.isEmpty())
            out.failure = QStringLiteral("a refused file changed the data set: ") + diff;
        return out;
    }
    if (bytes.empty()) {
        if (const QString diff = Difference(data, before); !diff.isEmpty())
            out.failure = QStringLiteral("an empty file changed the data set: ") + diff;
        return out;
    }
    out.failure = CheckAccepted(data, before);
    return out;
}

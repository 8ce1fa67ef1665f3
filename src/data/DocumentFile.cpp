#include "data/DocumentFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "data/DataSetFormat.h"
#include "data/WholeFileWriter.h"

static_assert(std::endian::native == std::endian::little,
              "the document file is little-endian and is copied as it lies in memory");

namespace {
constexpr std::uint32_t kTimeMarker = 0x8000000Au;
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

FileResult Failed(const char* message) {
    return FileResult::Failed(QCoreApplication::translate("DocumentFile", message));
}

bool HeaderFits(std::int32_t records, std::int32_t devices, std::int32_t points) {
    return records >= 0 && records <= MAX_RECORDS && devices >= 0 && devices <= MAX_DEVICES &&
           points >= 0 && points <= static_cast<std::int32_t>(MAX_POINTS);
}

// Sensor profiles start their grid at a few hundred nm. A first wavelength far
// beyond that comes from a damaged file, and W0 + i would overflow wherever
// the grid is labelled (graph, CSV, peak).
constexpr std::int32_t kGridWavelengthLimit = 1000000;

bool GridFits(std::int32_t firstWavelength) {
    return firstWavelength >= -kGridWavelengthLimit && firstWavelength <= kGridWavelengthLimit;
}

enum class ReadStatus { Ok, Truncated, BadFormat, TooLong, Failed };

// Reads the file through a large buffer; knows how many bytes are left.
class BlockReader {
  public:
    // A small file gets a buffer of its own size rather than a whole block.
    explicit BlockReader(QFile& file)
        : file_(file),
          left_(file.size()),
          buffer_(static_cast<std::size_t>(
              std::clamp<qint64>(left_, 1, static_cast<qint64>(kBlockBytes)))) {}

    qint64 left() const { return left_; }

    ReadStatus Read(void* data, std::size_t size) {
        char* out = static_cast<char*>(data);
        if (static_cast<qint64>(size) > left_)
            return ReadStatus::Truncated;
        while (size > 0) {
            if (pos_ == end_) {
                const qint64 got = file_.read(buffer_.data(), static_cast<qint64>(buffer_.size()));
                if (got < 0)
                    return ReadStatus::Failed;
                if (got == 0)
                    return ReadStatus::Truncated;
                pos_ = 0;
                end_ = static_cast<std::size_t>(got);
            }
            const std::size_t n = std::min(size, end_ - pos_);
            std::memcpy(out, buffer_.data() + pos_, n);
            pos_ += n;
            out += n;
            size -= n;
            left_ -= static_cast<qint64>(n);
        }
        return ReadStatus::Ok;
    }
    template <typename T>
    ReadStatus Get(T& value) {
        return Read(&value, sizeof value);
    }

  private:
    QFile& file_;
    qint64 left_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

#define VL_TRY(expr)                       \
    do {                                   \
        const ReadStatus status_ = (expr); \
        if (status_ != ReadStatus::Ok)     \
            return status_;                \
    } while (false)

ReadStatus ReadArchiveText(BlockReader& in, QByteArray& text) {
    bool wide = false;
    std::uint64_t length = 0;
    for (;;) {
        std::uint8_t b = 0;
        VL_TRY(in.Get(b));
        if (b < 0xFF) {
            length = b;
            break;
        }
        std::uint16_t w = 0;
        VL_TRY(in.Get(w));
        if (w == 0xFFFE) {
            if (wide)
                return ReadStatus::BadFormat;
            wide = true;  // UTF-16 code units follow; the length starts over
            continue;
        }
        if (w < 0xFFFF) {
            length = w;
            break;
        }
        std::uint32_t dw = 0;
        VL_TRY(in.Get(dw));
        if (dw < 0xFFFFFFFFu) {
            length = dw;
            break;
        }
        VL_TRY(in.Get(length));
        break;
    }
    if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        return ReadStatus::TooLong;
    }
    const std::uint64_t bytes = wide ? 2 * length : length;
    if (bytes > static_cast<std::uint64_t>(in.left()))
        return ReadStatus::Truncated;
    QByteArray raw(static_cast<qsizetype>(bytes), Qt::Uninitialized);
    VL_TRY(in.Read(raw.data(), raw.size()));
    if (wide) {
        // The wide form is turned into the 8-bit form the rest of the program
        // holds; UTF-8 stands in for the system's ANSI code page.
        text = QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()),
                                  static_cast<qsizetype>(length))
                   .toUtf8();
    } else {
        text = std::move(raw);
    }
    return ReadStatus::Ok;
}

ReadStatus ReadBody(BlockReader& in, qint64 fileSize, MeasurementDataSet& data) {
    std::int32_t header[5] = {};
    VL_TRY(in.Read(header, sizeof header));
    const auto [records, devices, points, first, reference] = header;
    if (!HeaderFits(records, devices, points) || !GridFits(first))
        return ReadStatus::BadFormat;
    // The smallest file these counts allow (empty texts, 4-byte times): a file
    // shorter than that is cut off, and is refused before any allocation.
    const qint64 entryBytes = 4 * qint64{points} + 12;
    const qint64 least =
        20 + 2 * qint64{devices} + qint64{devices} * records * entryBytes + 4 * qint64{records};
    if (least > fileSize)
        return ReadStatus::Truncated;

    data.recordCount = records;
    data.deviceCount = devices;
    data.pointCount = points;
    data.firstWavelength = first;
    data.referenceIndex = reference;
    if (records > 0)
        data.record(records - 1);
    const auto valueBytes = static_cast<std::size_t>(points) * sizeof(float);
    for (int d = 0; d < devices; ++d) {
        VL_TRY(ReadArchiveText(in, data.serialText[static_cast<std::size_t>(d)]));
        VL_TRY(ReadArchiveText(in, data.sensorModel[static_cast<std::size_t>(d)]));
        for (int r = 0; r < records; ++r) {
            MeasurementDataSet::Entry& entry = data.entry(d, r);
            VL_TRY(in.Read(entry.values.data(), valueBytes));
            VL_TRY(in.Get(entry.temperature));
            VL_TRY(in.Get(entry.exposure));
            VL_TRY(in.Get(entry.reserved));
        }
    }
    for (int r = 0; r < records; ++r) {
        std::uint32_t marker = 0;
        VL_TRY(in.Get(marker));
        if (marker == kTimeMarker) {
            VL_TRY(in.Get(data.record(r).timeStamp));
        } else {
            // The older form: the word itself is a signed 32-bit time.
            data.record(r).timeStamp = static_cast<std::int32_t>(marker);
        }
    }
    return ReadStatus::Ok;
}
#undef VL_TRY
}  // namespace

void AppendArchiveText(QByteArray& out, const QByteArray& text) {
    const auto length = static_cast<std::uint64_t>(text.size());
    auto put = [&out](auto value) {
        out.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    if (length < 0xFF) {
        put(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        put(std::uint8_t{0xFF});
        put(static_cast<std::uint16_t>(length));
    } else if (length < 0xFFFFFFFFu) {
        put(std::uint8_t{0xFF});
        put(std::uint16_t{0xFFFF});
        put(static_cast<std::uint32_t>(length));
    } else {
        put(std::uint8_t{0xFF});
        put(std::uint16_t{0xFFFF});
        put(std::uint32_t{0xFFFFFFFFu});
        put(length);
    }
    out.append(text);
}

FileResult WriteDocumentFile(const QString& path, const MeasurementDataSet& data) {
    if (data.hasMixedGrids())
        return Failed(kDocumentMixedGrids);
    if (!HeaderFits(data.recordCount, data.deviceCount, data.pointCount)) {
        return Failed(kDocumentSaveFailed);
    }
    WholeFileWriter out(path);
    if (!out.isOpen())
        return FileResult::NotOpened(Failed(kDocumentSaveFailed).message);
    const std::int32_t header[5] = {data.recordCount, data.deviceCount, data.pointCount,
                                    data.firstWavelength, data.referenceIndex};
    out.Write(header, sizeof header);
    const auto valueBytes = static_cast<std::size_t>(data.pointCount) * sizeof(float);
    QByteArray texts;
    for (int d = 0; d < data.deviceCount; ++d) {
        texts.clear();
        AppendArchiveText(texts, data.serialText[static_cast<std::size_t>(d)]);
        AppendArchiveText(texts, data.sensorModel[static_cast<std::size_t>(d)]);
        out.Write(texts.constData(), static_cast<std::size_t>(texts.size()));
        for (int r = 0; r < data.recordCount; ++r) {
            const MeasurementDataSet::Entry& entry = data.entry(d, r);
            out.Write(entry.values.data(), valueBytes);
            out.Put(entry.temperature);
            out.Put(entry.exposure);
            out.Put(entry.reserved);
        }
    }
    for (int r = 0; r < data.recordCount; ++r) {
        out.Put(kTimeMarker);
        out.Put(data.record(r).timeStamp);
    }
    if (!out.Finish().ok)
        return Failed(kDocumentSaveFailed);
    return {};
}

FileResult ReadDocumentFile(const QString& path, MeasurementDataSet& data) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(kDocumentOpenFailed);
    const qint64 size = file.size();
    if (size == 0)
        return {};
    BlockReader in(file);
    MeasurementDataSet fresh;
    switch (ReadBody(in, size, fresh)) {
        case ReadStatus::Ok:
            break;
        case ReadStatus::Truncated:
        case ReadStatus::BadFormat:
            return Failed(kDocumentUnexpectedFormat);
        case ReadStatus::TooLong:
        case ReadStatus::Failed:
            return Failed(kDocumentOpenFailed);
    }
    data.AdoptRead(std::move(fresh));
    return {};
}

// No signature of its own: a file no other format claims is read as a document.
extern const DataSetFormat kDocumentFormat;
const DataSetFormat kDocumentFormat{
    "vltd",
    {QStringLiteral(".vltd")},
    QT_TRANSLATE_NOOP("DataSetFormat", "VL_Tool Files"),
    QStringLiteral("*.vltd"),
    nullptr,
    0,
    nullptr,
    ReadDocumentFile,
    WriteDocumentFile,
};

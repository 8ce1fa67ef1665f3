#include "export/JournalFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#include <QCoreApplication>
#include <QFile>

#include <libdeflate.h>

namespace {

// Little-endian writing into a payload.
class Writer {
  public:
    explicit Writer(JournalEntry kind, qsizetype reserve = 64) {
        bytes_.reserve(reserve);
        bytes_.append(char(kind));
    }
    template <class T>
    void put(T v) {
        static_assert(std::is_trivially_copyable_v<T>);
        char raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));  // the machine is little-endian (checked below)
        bytes_.append(raw, qsizetype(sizeof(T)));
    }
    void text(const QByteArray& t) {
        const auto n = std::uint8_t(std::min<qsizetype>(t.size(), 255));
        put(n);
        bytes_.append(t.constData(), n);
    }
    void raw(const void* p, qsizetype n) { bytes_.append(static_cast<const char*>(p), n); }
    QByteArray take() { return std::move(bytes_); }

  private:
    QByteArray bytes_;
};
static_assert(std::endian::native == std::endian::little, "the journal is written little-endian");

// Reading a payload; any read past its end marks it bad.
class Reader {
  public:
    Reader(const char* p, std::size_t n) : p_(p), end_(p + n) {}
    template <class T>
    T get() {
        T v{};
        if (std::size_t(end_ - p_) < sizeof(T)) {
            bad_ = true;
            return v;
        }
        std::memcpy(&v, p_, sizeof(T));
        p_ += sizeof(T);
        return v;
    }
    QByteArray text() {
        const auto n = get<std::uint8_t>();
        if (bad_ || std::size_t(end_ - p_) < n) {
            bad_ = true;
            return {};
        }
        QByteArray t(p_, n);
        p_ += n;
        return t;
    }
    bool raw(void* into, std::size_t n) {
        if (std::size_t(end_ - p_) < n) {
            bad_ = true;
            return false;
        }
        std::memcpy(into, p_, n);
        p_ += n;
        return true;
    }
    bool bad() const { return bad_; }
    bool atEnd() const { return p_ == end_; }

  private:
    const char* p_;
    const char* end_;
    bool bad_ = false;
};

QString Tr(const char* text) {
    return QCoreApplication::translate("RecoveryJournal", text);
}

bool ValidGrid(std::int32_t first, std::int32_t points) {
    return points >= 0 && points <= std::int32_t(MAX_POINTS) && first > -100000 && first < 100000;
}

// Applies one payload; false when it is not one this program writes.
bool Apply(Reader& in, MeasurementDataSet& data) {
    const auto kind = JournalEntry(in.get<std::uint8_t>());
    switch (kind) {
        case JournalEntry::Reset: {
            MeasurementDataSet fresh;
            fresh.deviceCount = in.get<std::int32_t>();
            const auto mixed = in.get<std::uint8_t>();
            const auto pointCount = in.get<std::int32_t>();
            const auto first = in.get<std::int32_t>();
            std::vector<WavelengthGrid> grids;
            for (int d = 0; d < MAX_DEVICES; ++d) {
                fresh.serialText[d] = in.text();
                fresh.sensorModel[d] = in.text();
                const auto f = in.get<std::int32_t>();
                const auto n = in.get<std::int32_t>();
                if (!ValidGrid(f, n))
                    return false;
                grids.push_back(WavelengthGrid{f, n});
            }
            fresh.referenceIndex = in.get<std::int32_t>();
            if (in.bad() || !in.atEnd() || fresh.deviceCount < 0 ||
                fresh.deviceCount > MAX_DEVICES || !ValidGrid(first, pointCount))
                return false;
            if (mixed)
                fresh.SetDeviceGrids(grids);
            else
                fresh.SetGrid(WavelengthGrid{first, pointCount});
            data = std::move(fresh);
            return true;
        }
        case JournalEntry::Record: {
            const auto timeStamp = in.get<std::int64_t>();
            const auto reference = in.get<std::int32_t>();
            const auto devices = in.get<std::uint8_t>();
            if (in.bad() || devices > MAX_DEVICES)
                return false;
            // The first record of a data set brings its devices (they become
            // the data set's when it is stored into an empty one).
            const bool first = data.recordCount == 0;
            const int r = data.AppendRecord(timeStamp);
            if (r < 0)
                return false;
            std::vector<WavelengthGrid> grids;
            std::vector<QByteArray> serials;
            std::vector<QByteArray> models;
            for (int d = 0; d < devices; ++d) {
                serials.push_back(in.text());
                models.push_back(in.text());
                const auto firstWavelength = in.get<std::int32_t>();
                const auto points = in.get<std::int32_t>();
                grids.push_back(WavelengthGrid{firstWavelength, points});
                MeasurementDataSet::Entry& e = data.entry(d, r);
                e.temperature = in.get<float>();
                e.exposure = in.get<std::int32_t>();
                e.reserved = in.get<std::int32_t>();
                if (in.bad() || points < 0 || points > std::int32_t(MAX_POINTS) ||
                    !in.raw(e.values.data(), std::size_t(points) * sizeof(float))) {
                    data.RemoveRecord(r);
                    return false;
                }
            }
            if (!in.atEnd() || reference < -1 || reference > r) {
                data.RemoveRecord(r);
                return false;
            }
            if (first) {
                data.deviceCount = devices;
                for (int d = 0; d < devices; ++d) {
                    data.serialText[d] = serials[std::size_t(d)];
                    data.sensorModel[d] = models[std::size_t(d)];
                }
                if (!grids.empty())
                    data.SetDeviceGrids(grids);
            }
            data.referenceIndex = reference;
            return true;
        }
        case JournalEntry::Delete: {
            const auto k = in.get<std::int32_t>();
            return !in.bad() && in.atEnd() && data.RemoveRecord(k);
        }
        case JournalEntry::Reference: {
            const auto k = in.get<std::int32_t>();
            if (in.bad() || !in.atEnd() || k < -1 || k >= data.recordCount)
                return false;
            data.referenceIndex = k;
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray EncodeReset(const MeasurementDataSet& data) {
    Writer out(JournalEntry::Reset, 1024);
    out.put(std::int32_t(data.deviceCount));
    out.put(std::uint8_t(data.hasMixedGrids() ? 1 : 0));
    out.put(std::int32_t(data.pointCount));
    out.put(std::int32_t(data.firstWavelength));
    for (int d = 0; d < MAX_DEVICES; ++d) {
        out.text(data.serialText[d]);
        out.text(data.sensorModel[d]);
        const WavelengthGrid g = data.grid(d);
        out.put(std::int32_t(g.firstWavelength));
        out.put(std::int32_t(g.pointCount));
    }
    out.put(std::int32_t(data.referenceIndex));
    return out.take();
}

QByteArray EncodeRecord(const MeasurementDataSet& data, int r) {
    const int devices = std::clamp(data.deviceCount, 0, MAX_DEVICES);
    Writer out(JournalEntry::Record, 16 + devices * (64 + qsizetype(MAX_POINTS) * 4));
    const MeasurementDataSet::Record& record = data.record(r);
    out.put(std::int64_t(record.timeStamp));
    out.put(std::int32_t(data.referenceIndex));
    out.put(std::uint8_t(devices));
    for (int d = 0; d < devices; ++d) {
        const MeasurementDataSet::Entry& e = record.entries[d];
        const WavelengthGrid g = data.grid(d);
        const int points = std::clamp(g.pointCount, 0, int(MAX_POINTS));
        out.text(data.serialText[d]);
        out.text(data.sensorModel[d]);
        out.put(std::int32_t(g.firstWavelength));
        out.put(std::int32_t(points));
        out.put(e.temperature);
        out.put(e.exposure);
        out.put(e.reserved);
        out.raw(e.values.data(), qsizetype(points) * qsizetype(sizeof(float)));
    }
    return out.take();
}

QByteArray EncodeDelete(int k) {
    Writer out(JournalEntry::Delete);
    out.put(std::int32_t(k));
    return out.take();
}

QByteArray EncodeReference(int k) {
    Writer out(JournalEntry::Reference);
    out.put(std::int32_t(k));
    return out.take();
}

QByteArray FrameEntry(const QByteArray& payload) {
    QByteArray framed;
    framed.reserve(payload.size() + 8);
    const auto length = std::uint32_t(payload.size());
    const auto crc = std::uint32_t(libdeflate_crc32(0, payload.constData(), std::size_t(length)));
    framed.append(reinterpret_cast<const char*>(&length), 4);
    framed.append(reinterpret_cast<const char*>(&crc), 4);
    framed.append(payload);
    return framed;
}

std::vector<QByteArray> EncodeSnapshot(const MeasurementDataSet& data) {
    std::vector<QByteArray> entries;
    entries.reserve(std::size_t(std::max(data.recordCount, 0)) + 2);
    // The records go in with no reference (it may name a record not yet
    // replayed); the reference comes last.
    entries.push_back(EncodeReset(data));
    for (int r = 0; r < data.recordCount; ++r) {
        QByteArray record = EncodeRecord(data, r);
        // The reference index after this record: none until the last entry sets it.
        const std::int32_t noReference = -1;
        std::memcpy(record.data() + 1 + 8, &noReference, 4);
        entries.push_back(std::move(record));
    }
    entries.push_back(EncodeReference(data.referenceIndex));
    return entries;
}

JournalContents ReplayJournal(const QByteArray& bytes) {
    JournalContents out;
    const char* p = bytes.constData();
    const auto size = std::size_t(bytes.size());
    if (size < sizeof JOURNAL_MARK || std::memcmp(p, JOURNAL_MARK, sizeof JOURNAL_MARK) != 0) {
        out.error = Tr(QT_TRANSLATE_NOOP("RecoveryJournal", "復元用の記録ファイルではありません"));
        return out;
    }
    std::size_t at = sizeof JOURNAL_MARK;
    out.validBytes = qint64(at);
    while (at < size) {
        if (size - at < 8) {
            out.tornTail = true;
            break;
        }
        std::uint32_t length = 0;
        std::uint32_t crc = 0;
        std::memcpy(&length, p + at, 4);
        std::memcpy(&crc, p + at + 4, 4);
        if (length > JOURNAL_MAX_PAYLOAD) {
            out.damage =
                Tr(QT_TRANSLATE_NOOP("RecoveryJournal",
                                     "バイト %1 の記録が壊れています。それ以降は復元しません"))
                    .arg(at);
            break;
        }
        if (size - at - 8 < length) {
            out.tornTail = true;  // cut short while it was written
            break;
        }
        const char* payload = p + at + 8;
        Reader in(payload, length);
        if (std::uint32_t(libdeflate_crc32(0, payload, length)) != crc || !Apply(in, out.data)) {
            out.damage =
                Tr(QT_TRANSLATE_NOOP("RecoveryJournal",
                                     "バイト %1 の記録が壊れています。それ以降は復元しません"))
                    .arg(at);
            break;
        }
        at += 8 + length;
        ++out.entries;
        out.validBytes = qint64(at);
    }
    return out;
}

JournalContents ReadJournal(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        JournalContents out;
        out.error = Tr(QT_TRANSLATE_NOOP("RecoveryJournal", "%1 を読めません: %2"))
                        .arg(path, file.errorString());
        return out;
    }
    const qint64 size = file.size();
    if (size == 0)
        return ReplayJournal(QByteArray());
    // Mapped, not copied: a full journal is a few hundred megabytes.
    uchar* mapped = file.map(0, size);
    if (mapped)
        return ReplayJournal(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), size));
    return ReplayJournal(file.readAll());
}

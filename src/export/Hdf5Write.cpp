// The HDF5 file's writer. /spectra is packed here chunk by chunk on several
// threads and handed to the library whole (direct chunk write), with the filter
// pipeline declared so that any HDF5 reader unpacks it.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "export/ChunkCodec.h"
#include "export/Hdf5File.h"
#include "export/Hdf5Handles.h"
#include "export/Hdf5Names.h"

namespace {
using namespace hdf5names;

constexpr std::size_t kBatchChunks = 256;

bool WriteAttribute(hid_t owner, const char* name, hid_t type, const void* value) {
    H5Handle space = SpaceHandle(H5Screate(H5S_SCALAR));
    H5Handle attribute =
        AttributeHandle(H5Acreate2(owner, name, type, space.get(), H5P_DEFAULT, H5P_DEFAULT));
    return attribute && H5Awrite(attribute.get(), type, value) >= 0;
}

bool WriteIntAttribute(hid_t owner, const char* name, std::int32_t value) {
    return WriteAttribute(owner, name, H5T_STD_I32LE, &value);
}

H5Handle Utf8StringType() {
    H5Handle type = TypeHandle(H5Tcopy(H5T_C_S1));
    if (type &&
        (H5Tset_size(type.get(), H5T_VARIABLE) < 0 || H5Tset_cset(type.get(), H5T_CSET_UTF8) < 0))
        return {};
    return type;
}

bool WriteTextAttribute(hid_t owner, const char* name, const QByteArray& text) {
    H5Handle type = Utf8StringType();
    const char* value = text.constData();
    return type && WriteAttribute(owner, name, type.get(), &value);
}

// A contiguous dataset written whole from values (count elements of memType).
bool WriteDataSet(hid_t owner, const char* name, hid_t fileType, hid_t memType,
                  std::initializer_list<hsize_t> dims, const void* values,
                  const char* units = nullptr) {
    const std::vector<hsize_t> shape(dims);
    H5Handle space =
        SpaceHandle(H5Screate_simple(static_cast<int>(shape.size()), shape.data(), nullptr));
    H5Handle set = DataSetHandle(
        H5Dcreate2(owner, name, fileType, space.get(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    if (!set)
        return false;
    const bool empty = std::find(shape.begin(), shape.end(), 0) != shape.end();
    if (!empty && H5Dwrite(set.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values) < 0)
        return false;
    return units == nullptr || WriteTextAttribute(set.get(), kUnits, units);
}

// Chunk geometry of /spectra: chunks of [devices][records][points] values.
struct ChunkGrid {
    hsize_t dims[3];
    hsize_t chunk[3];
    std::size_t deviceChunks = 0;
    std::size_t recordChunks = 0;
    std::size_t count() const { return deviceChunks * recordChunks; }
    std::size_t values() const { return chunk[0] * chunk[1] * chunk[2]; }
};

ChunkGrid GridOf(const MeasurementDataSet& data, const Hdf5Layout& layout) {
    ChunkGrid g{};
    g.dims[0] = static_cast<hsize_t>(data.deviceCount);
    g.dims[1] = static_cast<hsize_t>(data.recordCount);
    g.dims[2] = static_cast<hsize_t>(data.pointCount);
    g.chunk[0] = layout.chunkAllDevices ? g.dims[0] : 1;
    g.chunk[1] =
        std::min<hsize_t>(static_cast<hsize_t>(std::max(layout.chunkRecords, 1)), g.dims[1]);
    g.chunk[2] = g.dims[2];
    if (g.dims[0] > 0 && g.dims[1] > 0 && g.dims[2] > 0) {
        g.deviceChunks = g.dims[0] / g.chunk[0];
        g.recordChunks = (g.dims[1] + g.chunk[1] - 1) / g.chunk[1];
    }
    return g;
}

// One packed chunk: its bytes and the filters it skipped.
struct PackedChunk {
    std::vector<std::uint8_t> bytes;
    std::uint32_t mask = 0;
};

class SpectraWriter {
  public:
    SpectraWriter(const MeasurementDataSet& data, const Hdf5Layout& layout)
        : data_(data), layout_(layout), grid_(GridOf(data, layout)) {
        const int threads = std::max(layout.threads, 1);
        for (int t = 0; t < threads; ++t) {
            codecs_.push_back(std::make_unique<DeflateCodec>(layout.level));
            raw_.emplace_back(grid_.values() * sizeof(float));
            shuffled_.emplace_back(grid_.values() * sizeof(float));
        }
        // Pipeline order: shuffle, then deflate; bit i of a mask skips filter i.
        unsigned index = 0;
        if (layout.shuffle)
            shuffleBit_ = 1u << index++;
        if (layout.level > 0)
            deflateBit_ = 1u << index++;
    }

    bool Write(hid_t file) {
        H5Handle space = SpaceHandle(H5Screate_simple(3, grid_.dims, nullptr));
        H5Handle dcpl = PropertyHandle(H5Pcreate(H5P_DATASET_CREATE));
        if (!space || !dcpl)
            return false;
        if (grid_.count() > 0) {
            if (H5Pset_chunk(dcpl.get(), 3, grid_.chunk) < 0 ||
                (layout_.shuffle && H5Pset_shuffle(dcpl.get()) < 0) ||
                (layout_.level > 0 &&
                 H5Pset_deflate(dcpl.get(), std::clamp(layout_.level, 1, 9)) < 0))
                return false;
            // Every chunk is written, so none needs filling first.
            H5Pset_fill_time(dcpl.get(), H5D_FILL_TIME_NEVER);
            H5Pset_alloc_time(dcpl.get(), H5D_ALLOC_TIME_INCR);
        }
        H5Handle set = DataSetHandle(H5Dcreate2(file, kSpectra, H5T_IEEE_F32LE, space.get(),
                                                H5P_DEFAULT, dcpl.get(), H5P_DEFAULT));
        if (!set || !WriteTextAttribute(set.get(), kUnits, "counts"))
            return false;
        // Batch b + 1 is packed while batch b is written.
        const std::size_t batches = (grid_.count() + kBatchChunks - 1) / kBatchChunks;
        std::vector<PackedChunk> buffers[2] = {std::vector<PackedChunk>(kBatchChunks),
                                               std::vector<PackedChunk>(kBatchChunks)};
        auto size = [&](std::size_t b) {
            return b < batches ? std::min(kBatchChunks, grid_.count() - b * kBatchChunks) : 0;
        };
        auto pack = [&](std::size_t b) {
            return [this, b, &buffers](int t, std::size_t i) {
                Pack(t, b * kBatchChunks + i, buffers[b % 2][i]);
            };
        };
        ParallelFor(size(0), layout_.threads, pack(0));
        for (std::size_t b = 0; b < batches; ++b) {
            const bool written = ParallelForBeside(size(b + 1), layout_.threads, pack(b + 1), [&] {
                for (std::size_t i = 0; i < size(b); ++i) {
                    const std::size_t c = b * kBatchChunks + i;
                    const PackedChunk& chunk = buffers[b % 2][i];
                    const hsize_t offset[3] = {(c / grid_.recordChunks) * grid_.chunk[0],
                                               (c % grid_.recordChunks) * grid_.chunk[1], 0};
                    if (H5Dwrite_chunk(set.get(), H5P_DEFAULT, chunk.mask, offset,
                                       chunk.bytes.size(), chunk.bytes.data()) < 0)
                        return false;
                }
                return true;
            });
            if (!written)
                return false;
        }
        return set.Close();
    }

  private:
    // Chunk c row by row (records past the last one are zeros), shuffled
    // straight from the entries, then deflated.
    void Pack(int t, std::size_t c, PackedChunk& out) {
        const std::size_t size = grid_.values() * sizeof(float);
        const bool deflate = layout_.level > 0;
        if (layout_.shuffle) {
            ForEachRow(c, [&](std::size_t row, const float* values) {
                std::uint8_t* planes = shuffled_[t].data() + row;
                if (values != nullptr) {
                    ShuffleWords(reinterpret_cast<const std::uint8_t*>(values), grid_.chunk[2],
                                 planes, grid_.values());
                } else {
                    for (int k = 0; k < 4; ++k)
                        std::memset(planes + k * grid_.values(), 0, grid_.chunk[2]);
                }
            });
            if (deflate &&
                codecs_[t]->CompressPlanes(shuffled_[t].data(), grid_.values(), out.bytes)) {
                out.mask = 0;
                return;
            }
            if (!deflate) {
                out.bytes.assign(shuffled_[t].begin(), shuffled_[t].end());
                out.mask = 0;
                return;
            }
        }
        Gather(c, raw_[t].data());
        if (deflate && !layout_.shuffle && codecs_[t]->Compress(raw_[t].data(), size, out.bytes)) {
            out.mask = 0;
            return;
        }
        // Not deflated, or did not shrink: kept as gathered, every filter skipped.
        out.bytes.assign(raw_[t].begin(), raw_[t].end());
        out.mask = shuffleBit_ | deflateBit_;
    }

    // Calls fn(first value of the row in the chunk, values or nullptr for padding).
    template <typename Fn>
    void ForEachRow(std::size_t c, Fn fn) const {
        const std::size_t d0 = (c / grid_.recordChunks) * grid_.chunk[0];
        const std::size_t r0 = (c % grid_.recordChunks) * grid_.chunk[1];
        for (std::size_t d = 0; d < grid_.chunk[0]; ++d) {
            for (std::size_t r = 0; r < grid_.chunk[1]; ++r) {
                const std::size_t row = (d * grid_.chunk[1] + r) * grid_.chunk[2];
                if (r0 + r < grid_.dims[1]) {
                    fn(row, data_.entry(static_cast<int>(d0 + d), static_cast<int>(r0 + r))
                                .values.data());
                } else {
                    fn(row, nullptr);
                }
            }
        }
    }

    void Gather(std::size_t c, std::uint8_t* raw) const {
        float* to = reinterpret_cast<float*>(raw);
        const std::size_t points = grid_.chunk[2];
        ForEachRow(c, [&](std::size_t row, const float* values) {
            if (values != nullptr)
                std::memcpy(to + row, values, points * sizeof(float));
            else
                std::fill(to + row, to + row + points, 0.0f);
        });
    }

    const MeasurementDataSet& data_;
    const Hdf5Layout& layout_;
    ChunkGrid grid_;
    std::vector<std::unique_ptr<DeflateCodec>> codecs_;
    std::vector<std::vector<std::uint8_t>> raw_;
    std::vector<std::vector<std::uint8_t>> shuffled_;
    unsigned shuffleBit_ = 0;
    unsigned deflateBit_ = 0;
};

bool WriteTexts(hid_t file, const MeasurementDataSet& data) {
    H5Handle group = GroupHandle(H5Gcreate2(file, kDevices, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    H5Handle type = Utf8StringType();
    if (!group || !type)
        return false;
    const auto devices = static_cast<std::size_t>(data.deviceCount);
    for (const auto& [name, texts] :
         {std::pair{kSerial, &data.serialText}, std::pair{kSensorModel, &data.sensorModel}}) {
        std::vector<const char*> pointers(devices);
        for (std::size_t d = 0; d < devices; ++d)
            pointers[d] = (*texts)[d].constData();
        if (!WriteDataSet(group.get(), name, type.get(), type.get(), {devices}, pointers.data()))
            return false;
    }
    return true;
}

bool WriteRecordTables(hid_t file, const MeasurementDataSet& data) {
    const auto devices = static_cast<std::size_t>(data.deviceCount);
    const auto records = static_cast<std::size_t>(data.recordCount);
    std::vector<std::int32_t> wavelength(static_cast<std::size_t>(data.pointCount));
    for (std::size_t i = 0; i < wavelength.size(); ++i)
        wavelength[i] = data.firstWavelength + static_cast<std::int32_t>(i);
    std::vector<std::int64_t> time(records);
    for (std::size_t r = 0; r < records; ++r)
        time[r] = data.record(static_cast<int>(r)).timeStamp;
    std::vector<float> temperature(devices * records);
    std::vector<std::int32_t> exposure(devices * records);
    std::vector<std::int32_t> reserved(devices * records);
    for (std::size_t d = 0; d < devices; ++d) {
        for (std::size_t r = 0; r < records; ++r) {
            const auto& e = data.entry(static_cast<int>(d), static_cast<int>(r));
            temperature[d * records + r] = e.temperature;
            exposure[d * records + r] = e.exposure;
            reserved[d * records + r] = e.reserved;
        }
    }
    const hid_t i32 = H5T_STD_I32LE;
    return WriteDataSet(file, kWavelength, i32, H5T_NATIVE_INT32, {wavelength.size()},
                        wavelength.data(), "nm") &&
           WriteDataSet(file, kTime, H5T_STD_I64LE, H5T_NATIVE_INT64, {records}, time.data(),
                        "seconds since 1970-01-01T00:00:00Z") &&
           WriteDataSet(file, kTemperature, H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, {devices, records},
                        temperature.data(), "degC") &&
           WriteDataSet(file, kExposure, i32, H5T_NATIVE_INT32, {devices, records}, exposure.data(),
                        "us") &&
           WriteDataSet(file, kReserved, i32, H5T_NATIVE_INT32, {devices, records},
                        reserved.data());
}

bool WriteRootAttributes(hid_t file, const MeasurementDataSet& data, const QString& createdBy) {
    return WriteIntAttribute(file, kFormatVersion, kVersion) &&
           WriteTextAttribute(file, kCreatedBy, createdBy.toUtf8()) &&
           WriteIntAttribute(file, kDeviceCount, data.deviceCount) &&
           WriteIntAttribute(file, kRecordCount, data.recordCount) &&
           WriteIntAttribute(file, kPointCount, data.pointCount) &&
           WriteIntAttribute(file, kFirstWavelength, data.firstWavelength) &&
           WriteIntAttribute(file, kReferenceIndex, data.referenceIndex);
}

bool TextsFit(const MeasurementDataSet& data) {
    for (int d = 0; d < data.deviceCount; ++d) {
        if (data.serialText[static_cast<std::size_t>(d)].contains('\0') ||
            data.sensorModel[static_cast<std::size_t>(d)].contains('\0'))
            return false;
    }
    return true;
}

// The temporary file beside the target: removed unless it replaced the target.
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
            // is left unwritten when it is renamed.
            H5Handle access = PropertyHandle(H5Pcreate(H5P_FILE_ACCESS));
            H5Pset_fclose_degree(access.get(), H5F_CLOSE_STRONG);
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
    bool Commit() {
        committed_ = std::rename(QFile::encodeName(name_).constData(),
                                 QFile::encodeName(target_).constData()) == 0;
        return committed_;
    }

  private:
    QString target_;
    QString name_;
    bool committed_ = false;
};
}  // namespace

DocumentResult WriteHdf5File(const QString& path, const MeasurementDataSet& data,
                             const QString& createdBy, const Hdf5Layout& layout) {
    const DocumentResult failed{false,
                                QCoreApplication::translate("DocumentFile", kDocumentSaveFailed)};
    if (data.recordCount < 0 || data.recordCount > MAX_RECORDS || data.deviceCount < 0 ||
        data.deviceCount > MAX_DEVICES || data.pointCount < 0 ||
        data.pointCount > static_cast<int>(MAX_POINTS) || !TextsFit(data))
        return failed;
    SilenceHdf5Errors();
    TemporaryTarget temporary(path);
    H5Handle file = temporary.Create();
    if (!file || !WriteRootAttributes(file.get(), data, createdBy) ||
        !WriteRecordTables(file.get(), data) || !WriteTexts(file.get(), data) ||
        !SpectraWriter(data, layout).Write(file.get()) || !file.Close() || !temporary.Commit())
        return failed;
    return {};
}

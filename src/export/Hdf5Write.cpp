// The HDF5 file's writer. /spectra is packed here chunk by chunk on several
// threads and handed to the library whole (direct chunk write), with the filter
// pipeline declared so that any HDF5 reader unpacks it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "data/WholeFileWriter.h"

#include "export/ChunkCodec.h"
#include "export/Hdf5File.h"
#include "export/Hdf5Handles.h"
#include "export/Hdf5Names.h"
#include "export/Hdf5WriteTables.h"

namespace {
using namespace hdf5names;

// Chunks packed ahead of writing: up to 32, within about 1 MB of values, but two
// for each thread at least. Few, since their buffers are new memory (page
// faults) for every export.
constexpr std::size_t kMostBatchChunks = 32;
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

// Chunk geometry of /spectra: chunks of [devices][records][points] values.
struct ChunkGrid {
    hsize_t dims[3];
    hsize_t chunk[3];
    std::size_t deviceChunks = 0;
    std::size_t recordChunks = 0;
    std::size_t count() const { return deviceChunks * recordChunks; }
    std::size_t values() const { return chunk[0] * chunk[1] * chunk[2]; }
};

ChunkGrid GridOf(const MeasurementDataSet& data, const FileGrid& file, const Hdf5Layout& layout) {
    ChunkGrid g{};
    g.dims[0] = static_cast<hsize_t>(data.deviceCount);
    g.dims[1] = static_cast<hsize_t>(data.recordCount);
    g.dims[2] = static_cast<hsize_t>(file.points);
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
    // Takes the record tables from the entries as it packs their spectra.
    SpectraWriter(const MeasurementDataSet& data, const FileGrid& file, const Hdf5Layout& layout,
                  RecordTables& tables)
        : data_(data),
          layout_(layout),
          grid_(GridOf(data, file, layout)),
          perDevice_(file.perDevice),
          tables_(tables) {
        const int threads = layout.threads > 0 ? layout.threads : TeamThreads();
        for (int t = 0; t < threads; ++t) {
            codecs_.push_back(std::make_unique<DeflateCodec>(layout.level));
            raw_.emplace_back(grid_.values() * sizeof(float));
            shuffled_.emplace_back(grid_.values() * sizeof(float));
            if (perDevice_)
                padded_.emplace_back(grid_.chunk[2]);
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
        tables_.Resize(grid_.dims[0], grid_.dims[1]);
        if (grid_.count() == 0)
            tables_.TakeAll(data_);
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
        const std::size_t batchChunks =
            std::clamp<std::size_t>(kBatchBytes / std::max<std::size_t>(grid_.values() * 4, 1),
                                    2 * codecs_.size(), kMostBatchChunks);
        const std::size_t batches = (grid_.count() + batchChunks - 1) / batchChunks;
        std::vector<PackedChunk> buffers[2] = {std::vector<PackedChunk>(batchChunks),
                                               std::vector<PackedChunk>(batchChunks)};
        auto size = [&](std::size_t b) {
            return b < batches ? std::min(batchChunks, grid_.count() - b * batchChunks) : 0;
        };
        auto pack = [&](std::size_t b) {
            return [this, b, batchChunks, &buffers](int t, std::size_t i) {
                Pack(t, b * batchChunks + i, buffers[b % 2][i]);
            };
        };
        WorkTeam team(static_cast<int>(codecs_.size()));
        team.Run(size(0), pack(0));
        for (std::size_t b = 0; b < batches; ++b) {
            const bool written = team.Run(size(b + 1), pack(b + 1), [&] {
                for (std::size_t i = 0; i < size(b); ++i) {
                    const std::size_t c = b * batchChunks + i;
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
        TakeTables(c);
        const std::size_t size = grid_.values() * sizeof(float);
        const bool deflate = layout_.level > 0;
        if (layout_.shuffle) {
            ForEachRow(t, c, [&](std::size_t row, const float* values) {
                std::uint8_t* planes = shuffled_[t].data() + row;
                if (values != nullptr) {
                    ShuffleWords(reinterpret_cast<const std::uint8_t*>(values), grid_.chunk[2],
                                 planes, grid_.values());
                } else {
                    for (int k = 0; k < 4; ++k)
                        std::memset(planes + k * grid_.values(), 0, grid_.chunk[2]);
                }
            });
            if (deflate && codecs_[t]->Compress(shuffled_[t].data(), size, out.bytes)) {
                out.mask = 0;
                return;
            }
            if (!deflate) {
                out.bytes.assign(shuffled_[t].begin(), shuffled_[t].end());
                out.mask = 0;
                return;
            }
        }
        Gather(t, c, raw_[t].data());
        if (deflate && !layout_.shuffle && codecs_[t]->Compress(raw_[t].data(), size, out.bytes)) {
            out.mask = 0;
            return;
        }
        // Not deflated, or did not shrink: kept as gathered, every filter skipped.
        out.bytes.assign(raw_[t].begin(), raw_[t].end());
        out.mask = shuffleBit_ | deflateBit_;
    }

    // Calls fn(first value of the row in the chunk, values or nullptr for padding).
    // With per-device grids a device of fewer points than the file's gets its
    // values followed by NaN, put together in thread t's row.
    template <typename Fn>
    void ForEachRow(int t, std::size_t c, Fn fn) {
        const std::size_t d0 = (c / grid_.recordChunks) * grid_.chunk[0];
        const std::size_t r0 = (c % grid_.recordChunks) * grid_.chunk[1];
        for (std::size_t d = 0; d < grid_.chunk[0]; ++d) {
            for (std::size_t r = 0; r < grid_.chunk[1]; ++r) {
                const std::size_t row = (d * grid_.chunk[1] + r) * grid_.chunk[2];
                if (r0 + r < grid_.dims[1]) {
                    const int device = static_cast<int>(d0 + d);
                    const float* values =
                        data_.entry(device, static_cast<int>(r0 + r)).values.data();
                    fn(row, perDevice_ ? Padded(t, device, values) : values);
                } else {
                    fn(row, nullptr);
                }
            }
        }
    }

    void TakeTables(std::size_t c) {
        const std::size_t d0 = (c / grid_.recordChunks) * grid_.chunk[0];
        const std::size_t r0 = (c % grid_.recordChunks) * grid_.chunk[1];
        for (std::size_t d = 0; d < grid_.chunk[0]; ++d) {
            for (std::size_t r = 0; r < grid_.chunk[1] && r0 + r < grid_.dims[1]; ++r)
                tables_.Take(data_, static_cast<int>(d0 + d), static_cast<int>(r0 + r));
        }
    }

    const float* Padded(int t, int device, const float* values) {
        const auto points = static_cast<std::size_t>(data_.grid(device).pointCount);
        if (points >= grid_.chunk[2])
            return values;
        std::vector<float>& row = padded_[t];
        std::copy(values, values + points, row.begin());
        std::fill(row.begin() + static_cast<std::ptrdiff_t>(points), row.end(),
                  std::numeric_limits<float>::quiet_NaN());
        return row.data();
    }

    void Gather(int t, std::size_t c, std::uint8_t* raw) {
        float* to = reinterpret_cast<float*>(raw);
        const std::size_t points = grid_.chunk[2];
        ForEachRow(t, c, [&](std::size_t row, const float* values) {
            if (values != nullptr)
                std::memcpy(to + row, values, points * sizeof(float));
            else
                std::fill(to + row, to + row + points, 0.0f);
        });
    }

    const MeasurementDataSet& data_;
    const Hdf5Layout& layout_;
    ChunkGrid grid_;
    bool perDevice_;
    RecordTables& tables_;
    std::vector<std::unique_ptr<DeflateCodec>> codecs_;
    std::vector<std::vector<std::uint8_t>> raw_;
    std::vector<std::vector<std::uint8_t>> shuffled_;
    std::vector<std::vector<float>> padded_;  // per thread, with per-device grids
    unsigned shuffleBit_ = 0;
    unsigned deflateBit_ = 0;
};

bool TextsFit(const MeasurementDataSet& data) {
    for (int d = 0; d < data.deviceCount; ++d) {
        if (data.serialText[static_cast<std::size_t>(d)].contains('\0') ||
            data.sensorModel[static_cast<std::size_t>(d)].contains('\0'))
            return false;
    }
    return true;
}

}  // namespace

// Creates the file through HDF5 under the name the writer gives. Closing the
// file closes whatever is still open in it, so nothing is left unwritten when
// it is renamed. The 1.10 format indexes the chunks of a fixed-size dataset in
// one array instead of a B-tree, which costs less per chunk to write and to
// look up.
static H5Handle CreateHdf5File(const QString& name) {
    H5Handle access = PropertyHandle(H5Pcreate(H5P_FILE_ACCESS));
    H5Pset_fclose_degree(access.get(), H5F_CLOSE_STRONG);
    H5Pset_libver_bounds(access.get(), H5F_LIBVER_V110, H5F_LIBVER_V110);
    return FileHandle(
        H5Fcreate(QFile::encodeName(name).constData(), H5F_ACC_TRUNC, H5P_DEFAULT, access.get()));
}

FileResult WriteHdf5File(const QString& path, const MeasurementDataSet& data,
                         const QString& createdBy, const Hdf5Layout& layout) {
    const FileResult failed =
        FileResult::Failed(QCoreApplication::translate("DocumentFile", kDocumentSaveFailed));
    if (data.recordCount < 0 || data.recordCount > MAX_RECORDS || data.deviceCount < 0 ||
        data.deviceCount > MAX_DEVICES || data.pointCount < 0 ||
        data.pointCount > static_cast<int>(MAX_POINTS) || !TextsFit(data))
        return failed;
    SilenceHdf5Errors();
    const FileGrid grid = FileGridOf(data);
    WholeFileWriter out(path, WholeFileWriter::Mode::ByName);
    if (!out.isOpen())
        return FileResult::NotOpened(failed.message);
    H5Handle file = CreateHdf5File(out.writePath());
    RecordTables tables;
    // Closing still writes: in the 1.10 format it clears the superblock's
    // open-for-writing flag. Only then may the file take the target's place.
    if (!file || !WriteRootAttributes(file.get(), data, grid, createdBy) ||
        !WriteTexts(file.get(), data, grid) ||
        !SpectraWriter(data, grid, layout, tables).Write(file.get()) ||
        !WriteRecordTables(file.get(), data, grid, tables) || !file.Close())
        out.Fail();
    file.Close();
    return out.Finish().ok ? FileResult{} : failed;
}

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "export/ChunkCodec.h"
#include "export/Hdf5Handles.h"
#include "export/Hdf5Names.h"
#include "export/Hdf5Spectra.h"

namespace {
// Chunks read ahead of unpacking: up to 32, within about 1 MB of values, but
// two for each thread at least. Few, since their buffers are new memory (page
// faults) for every read.
constexpr std::size_t kMostBatchChunks = 32;
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;
constexpr std::size_t kRecordsPerRead = 64;

// What the fast path needs to know of /spectra's storage.
struct Storage {
    hsize_t dims[3] = {};
    hsize_t chunk[3] = {};
    unsigned shuffleBit = 0;  // 0: not in the pipeline
    unsigned deflateBit = 0;
};

// True when /spectra is stored as the writer stores it: little-endian float32
// in chunks of whole spectra, through shuffle and deflate or a part of them.
bool ChunkedAsWritten(hid_t set, Storage& s) {
    H5Handle type = TypeHandle(H5Dget_type(set));
    H5Handle dcpl = PropertyHandle(H5Dget_create_plist(set));
    if (!type || !dcpl || H5Tequal(type.get(), H5T_IEEE_F32LE) <= 0 ||
        H5Pget_layout(dcpl.get()) != H5D_CHUNKED || H5Pget_chunk(dcpl.get(), 3, s.chunk) != 3 ||
        s.chunk[2] != s.dims[2])
        return false;
    const int filters = H5Pget_nfilters(dcpl.get());
    for (int i = 0; i < filters; ++i) {
        unsigned flags = 0;
        std::size_t count = 0;
        const H5Z_filter_t id = H5Pget_filter2(dcpl.get(), static_cast<unsigned>(i), &flags, &count,
                                               nullptr, 0, nullptr, nullptr);
        if (id == H5Z_FILTER_SHUFFLE && s.shuffleBit == 0 && s.deflateBit == 0)
            s.shuffleBit = 1u << i;
        else if (id == H5Z_FILTER_DEFLATE && s.deflateBit == 0)
            s.deflateBit = 1u << i;
        else
            return false;
    }
    return true;
}

// Reads the chunks themselves and unpacks them on several threads. False when
// a chunk is missing, of an unexpected size or damaged.
bool ReadChunks(hid_t set, const Storage& s, MeasurementDataSet& data, const RecordTables& tables) {
    const std::size_t deviceChunks = (s.dims[0] + s.chunk[0] - 1) / s.chunk[0];
    const std::size_t recordChunks = (s.dims[1] + s.chunk[1] - 1) / s.chunk[1];
    const std::size_t chunkValues = s.chunk[0] * s.chunk[1] * s.chunk[2];
    const std::size_t rawSize = chunkValues * sizeof(float);
    // Deflate may grow data a little; a stored size beyond this bound is damage.
    const std::size_t storedLimit = rawSize + rawSize / 8 + 1024;
    const std::size_t count = deviceChunks * recordChunks;
    const int threads = TeamThreads();
    const std::size_t kBatchChunks = std::clamp<std::size_t>(
        kBatchBytes / rawSize, 2 * static_cast<std::size_t>(threads), kMostBatchChunks);

    struct Slot {
        std::vector<std::uint8_t> stored;
        std::size_t size = 0;
        std::uint32_t mask = 0;
        hsize_t offset[3] = {};
    };
    std::vector<Slot> buffers[2] = {std::vector<Slot>(kBatchChunks),
                                    std::vector<Slot>(kBatchChunks)};
    std::vector<std::unique_ptr<DeflateCodec>> codecs;
    std::vector<std::vector<std::uint8_t>> inflated(threads);
    for (int t = 0; t < threads; ++t) {
        codecs.push_back(std::make_unique<DeflateCodec>(0));
        inflated[t].resize(rawSize);
    }
    const std::size_t batches = (count + kBatchChunks - 1) / kBatchChunks;
    auto size = [&](std::size_t b) {
        return b < batches ? std::min(kBatchChunks, count - b * kBatchChunks) : 0;
    };
    // The stored bytes of batch b's chunks, as they lie in the file.
    auto read = [&](std::size_t b) {
        for (std::size_t i = 0; i < size(b); ++i) {
            Slot& slot = buffers[b % 2][i];
            const std::size_t c = b * kBatchChunks + i;
            slot.offset[0] = (c / recordChunks) * s.chunk[0];
            slot.offset[1] = (c % recordChunks) * s.chunk[1];
            hsize_t stored = 0;
            if (H5Dget_chunk_storage_size(set, slot.offset, &stored) < 0 || stored == 0 ||
                stored > storedLimit)
                return false;
            slot.size = static_cast<std::size_t>(stored);
            if (slot.stored.size() < slot.size)
                slot.stored.resize(slot.size);
            if (H5Dread_chunk(set, H5P_DEFAULT, slot.offset, &slot.mask, slot.stored.data()) < 0)
                return false;
        }
        return true;
    };
    std::atomic<bool> damaged{false};
    auto unpack = [&](std::size_t b) {
        return [&, b](int t, std::size_t i) {
            const Slot& slot = buffers[b % 2][i];
            const std::uint8_t* bytes = slot.stored.data();
            if (s.deflateBit && !(slot.mask & s.deflateBit)) {
                if (!codecs[t]->Decompress(bytes, slot.size, inflated[t].data(), rawSize)) {
                    damaged = true;
                    return;
                }
                bytes = inflated[t].data();
            } else if (slot.size != rawSize) {
                damaged = true;
                return;
            }
            // Whole spectra are unshuffled or copied straight into the entries.
            const bool shuffled = s.shuffleBit && !(slot.mask & s.shuffleBit);
            const std::size_t points = s.chunk[2];
            for (std::size_t d = 0; d < s.chunk[0] && slot.offset[0] + d < s.dims[0]; ++d) {
                for (std::size_t r = 0; r < s.chunk[1] && slot.offset[1] + r < s.dims[1]; ++r) {
                    const int device = static_cast<int>(slot.offset[0] + d);
                    const int record = static_cast<int>(slot.offset[1] + r);
                    tables.Fill(data, device, record);
                    auto* to =
                        reinterpret_cast<std::uint8_t*>(data.entry(device, record).values.data());
                    const std::size_t row = (d * s.chunk[1] + r) * points;
                    if (shuffled)
                        UnshuffleWords(bytes + row, chunkValues, points, to);
                    else
                        std::memcpy(to, bytes + row * sizeof(float), points * sizeof(float));
                }
            }
        };
    };
    // Batch b + 1 is read while batch b is unpacked.
    if (!read(0))
        return false;
    WorkTeam team(threads);
    for (std::size_t b = 0; b < batches; ++b) {
        if (!team.Run(size(b), unpack(b), [&] { return read(b + 1); }) || damaged)
            return false;
    }
    return true;
}

// Any other storage: the library reads blocks of records through its own pipeline.
bool ReadThroughLibrary(hid_t set, const Storage& s, MeasurementDataSet& data,
                        const RecordTables& tables) {
    const std::size_t points = s.dims[2];
    std::vector<float> block(s.dims[0] * kRecordsPerRead * points);
    H5Handle fileSpace = SpaceHandle(H5Dget_space(set));
    for (hsize_t r0 = 0; r0 < s.dims[1]; r0 += kRecordsPerRead) {
        const hsize_t n = std::min<hsize_t>(kRecordsPerRead, s.dims[1] - r0);
        const hsize_t start[3] = {0, r0, 0};
        const hsize_t count[3] = {s.dims[0], n, s.dims[2]};
        H5Handle memSpace = SpaceHandle(H5Screate_simple(3, count, nullptr));
        if (H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) <
                0 ||
            H5Dread(set, H5T_NATIVE_FLOAT, memSpace.get(), fileSpace.get(), H5P_DEFAULT,
                    block.data()) < 0)
            return false;
        for (hsize_t d = 0; d < s.dims[0]; ++d) {
            for (hsize_t r = 0; r < n; ++r) {
                std::memcpy(data.entry(static_cast<int>(d), static_cast<int>(r0 + r)).values.data(),
                            block.data() + (d * n + r) * points, points * sizeof(float));
            }
        }
    }
    tables.FillAll(data);
    return true;
}
}  // namespace

bool ReadSpectra(hid_t file, MeasurementDataSet& data, const RecordTables& tables) {
    if (H5Lexists(file, hdf5names::kSpectra, H5P_DEFAULT) <= 0)
        return false;
    H5Handle set = DataSetHandle(H5Dopen2(file, hdf5names::kSpectra, H5P_DEFAULT));
    H5Handle type = TypeHandle(H5Dget_type(set.get()));
    H5Handle space = SpaceHandle(H5Dget_space(set.get()));
    Storage s;
    if (!set || !type || !space || H5Tget_class(type.get()) != H5T_FLOAT ||
        H5Tget_size(type.get()) != sizeof(float) || H5Sget_simple_extent_ndims(space.get()) != 3)
        return false;
    H5Sget_simple_extent_dims(space.get(), s.dims, nullptr);
    if (s.dims[0] != static_cast<hsize_t>(data.deviceCount) ||
        s.dims[1] != static_cast<hsize_t>(data.recordCount) ||
        s.dims[2] != static_cast<hsize_t>(data.pointCount))
        return false;
    if (s.dims[0] == 0 || s.dims[1] == 0 || s.dims[2] == 0) {
        tables.FillAll(data);
        return true;
    }
    if (ChunkedAsWritten(set.get(), s))
        return ReadChunks(set.get(), s, data, tables);
    return ReadThroughLibrary(set.get(), s, data, tables);
}

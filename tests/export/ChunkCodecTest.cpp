// Packing of HDF5 chunks: the byte shuffle against its definition and the
// plane-wise zlib streams against zlib's own inflate.

#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "export/ChunkCodec.h"

namespace {
TEST(ChunkCodecTest, ShuffleSortsBytesIntoPlanesAndBack) {
    for (std::size_t count : {1u, 15u, 16u, 17u, 511u, 5110u}) {
        std::vector<std::uint8_t> values(4 * count), planes(4 * count), back(4 * count);
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = static_cast<std::uint8_t>(i * 7 + i / 4);
        ShuffleWords(values.data(), count, planes.data(), count);
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t k = 0; k < 4; ++k)
                ASSERT_EQ(planes[k * count + i], values[4 * i + k]) << count << " " << i;
        }
        UnshuffleWords(planes.data(), count, count, back.data());
        EXPECT_EQ(back, values) << count;
    }
}

// Every mix of random and compressible planes gives one zlib stream that zlib
// inflates to the chunk.
TEST(ChunkCodecTest, PlanewiseStreamsInflateWithZlib) {
    const std::size_t count = 5110;  // ten spectra of 511 values
    std::mt19937 random(3);
    DeflateCodec codec(1);
    for (int randomPlanes = 0; randomPlanes < 16; ++randomPlanes) {
        SCOPED_TRACE(randomPlanes);
        std::vector<std::uint8_t> planes(4 * count);
        for (std::size_t k = 0; k < 4; ++k) {
            for (std::size_t i = 0; i < count; ++i) {
                planes[k * count + i] = (randomPlanes >> k) & 1
                                            ? static_cast<std::uint8_t>(random())
                                            : static_cast<std::uint8_t>(i / 100 + k);
            }
        }
        std::vector<std::uint8_t> packed;
        if (!codec.CompressPlanes(planes.data(), count, packed)) {
            EXPECT_EQ(randomPlanes, 15);  // nothing to gain: kept raw
            continue;
        }
        EXPECT_LT(packed.size(), planes.size());
        std::vector<std::uint8_t> back(planes.size());
        uLongf size = back.size();
        ASSERT_EQ(uncompress(back.data(), &size, packed.data(), packed.size()), Z_OK);
        EXPECT_EQ(size, planes.size());
        EXPECT_EQ(back, planes);
        std::vector<std::uint8_t> fast(planes.size());
        ASSERT_TRUE(codec.Decompress(packed.data(), packed.size(), fast.data(), fast.size()));
        EXPECT_EQ(fast, planes);
    }
}
}  // namespace

// Packing of HDF5 chunks: the byte shuffle against its definition and the
// zlib streams against zlib's own inflate.

#include <algorithm>
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

// A shuffled chunk deflates into one zlib stream that zlib inflates back, at
// the fastest level and above; what would not shrink is refused. The inflater
// ignores bytes after the stream and refuses a stream cut short or a result
// of another size.
TEST(ChunkCodecTest, StreamsInflateWithZlibAndBack) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> values(4 * 5110), planes(values.size());
    for (std::size_t i = 0; i < 5110; ++i) {
        const float v = 800.0f + static_cast<float>(i % 511) + 0.25f * (random() % 8);
        std::memcpy(values.data() + 4 * i, &v, 4);
    }
    ShuffleWords(values.data(), 5110, planes.data(), 5110);
    for (const int level : {1, 4, 9}) {
        SCOPED_TRACE(level);
        DeflateCodec codec(level);
        std::vector<std::uint8_t> packed;
        ASSERT_TRUE(codec.Compress(planes.data(), planes.size(), packed));
        EXPECT_LT(packed.size(), planes.size());
        std::vector<std::uint8_t> back(planes.size());
        uLongf size = back.size();
        ASSERT_EQ(uncompress(back.data(), &size, packed.data(), packed.size()), Z_OK);
        EXPECT_EQ(size, planes.size());
        EXPECT_EQ(back, planes);

        std::fill(back.begin(), back.end(), 0);
        const std::size_t streamSize = packed.size();
        packed.resize(streamSize + 16, 0xA5);
        ASSERT_TRUE(codec.Decompress(packed.data(), packed.size(), back.data(), back.size()));
        EXPECT_EQ(back, planes);
        EXPECT_FALSE(codec.Decompress(packed.data(), streamSize - 1, back.data(), back.size()));
        EXPECT_FALSE(codec.Decompress(packed.data(), streamSize, back.data(), back.size() - 1));
        std::vector<std::uint8_t> more(back.size() + 1);
        EXPECT_FALSE(codec.Decompress(packed.data(), streamSize, more.data(), more.size()));
    }
    std::vector<std::uint8_t> noise(20440), packed;
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    EXPECT_FALSE(DeflateCodec(1).Compress(noise.data(), noise.size(), packed));
}
}  // namespace

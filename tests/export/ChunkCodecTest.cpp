// Packing of HDF5 chunks: the byte shuffle against its definition and the
// plane-wise zlib streams against zlib's own inflate.

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>
#include <utility>
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

// Compressible planes of several kinds: long runs, runs of every length up to
// beyond one match (258), two values alternating at random (the low byte of
// quarter steps), byte frequencies that grow like Fibonacci numbers (an
// optimal code would need more than 15 bits), one value throughout, and random
// nibbles that repeat after 32768 bytes (the farthest distance deflate has).
std::uint8_t CompressibleByte(int kind, std::size_t i, std::mt19937& random) {
    switch (kind) {
        case 0:
            return static_cast<std::uint8_t>(i / 100);
        case 1: {
            std::size_t run = 1, start = 0;  // runs of length 1, 2, 3, ... 300, 1, ...
            while (start + run <= i) {
                start += run;
                run = run % 300 + 1;
            }
            return static_cast<std::uint8_t>(run);
        }
        case 2:
            return random() & 1 ? 0x80 : 0x00;
        case 3: {
            // Symbol s (0..19) with weight fib(s + 1), dealt so that neighbours differ.
            static const std::vector<std::uint8_t> deck = [] {
                std::vector<std::uint8_t> cards;
                std::uint32_t a = 1, b = 1;
                for (int symbol = 0; symbol < 20; ++symbol) {
                    cards.insert(cards.end(), a, static_cast<std::uint8_t>(symbol));
                    std::tie(a, b) = std::pair{b, a + b};
                }
                std::vector<std::uint8_t> dealt(cards.size());
                const std::size_t half = (cards.size() + 1) / 2;
                for (std::size_t k = 0; k < cards.size(); ++k)
                    dealt[k] = cards[k % 2 == 0 ? k / 2 : half + k / 2];
                return dealt;
            }();
            return deck[i % deck.size()];
        }
        case 4:
            return 0x44;
        default: {
            static const std::vector<std::uint8_t> nibbles = [] {
                std::mt19937 r(11);
                std::vector<std::uint8_t> v(32768);
                for (auto& b : v)
                    b = static_cast<std::uint8_t>(r() & 15);
                return v;
            }();
            return nibbles[i % nibbles.size()];
        }
    }
}

// The types of a zlib stream's deflate blocks in order (0 stored, 1 fixed
// codes, 2 a code of its own), read at each block boundary zlib stops at.
std::vector<int> BlockTypes(const std::vector<std::uint8_t>& stream, std::size_t outSize) {
    z_stream z{};
    inflateInit(&z);
    std::vector<std::uint8_t> out(outSize);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    std::vector<int> types;
    while (inflate(&z, Z_BLOCK) == Z_OK) {
        // At a boundary with a block still to come: its three header bits
        // start after the unused bits of the last byte taken.
        if ((z.data_type & 128) && !(z.data_type & 64)) {
            const int unused = z.data_type & 7;
            const unsigned bits =
                unused > 0 ? (z.next_in[-1] >> (8 - unused)) | (unsigned{z.next_in[0]} << unused)
                           : z.next_in[0];
            types.push_back(static_cast<int>((bits >> 1) & 3));
        }
    }
    inflateEnd(&z);
    return types;
}

// Every mix of random and compressible planes gives one zlib stream that zlib
// inflates to the chunk, also when the stored planes need several blocks. At
// the fastest level, planes left mostly literals are stored like random ones
// and the others take deflate's fixed codes, so that no block brings a code
// the inflater has to build a table for.
TEST(ChunkCodecTest, PlanewiseStreamsInflateWithZlib) {
    std::mt19937 random(3);
    DeflateCodec codecs[2] = {DeflateCodec(1), DeflateCodec(4)};
    for (const std::size_t count : {5110u, 30000u, 40000u}) {  // ten spectra of 511; more
        for (int kind = 0; kind < 6; ++kind) {
            const bool mostlyLiterals = kind == 2 || kind == 5;  // or short repeats
            for (int randomPlanes = 0; randomPlanes < 16; ++randomPlanes) {
                std::vector<std::uint8_t> planes(4 * count);
                for (std::size_t k = 0; k < 4; ++k) {
                    for (std::size_t i = 0; i < count; ++i) {
                        planes[k * count + i] = (randomPlanes >> k) & 1
                                                    ? static_cast<std::uint8_t>(random())
                                                    : CompressibleByte(kind, i + k, random);
                    }
                }
                for (const int level : {1, 4}) {
                    DeflateCodec& codec = codecs[level == 1 ? 0 : 1];
                    SCOPED_TRACE(testing::Message()
                                 << "level " << level << ", " << count << " values, kind " << kind
                                 << ", random planes " << randomPlanes);
                    std::vector<std::uint8_t> packed;
                    if (!codec.CompressPlanes(planes.data(), count, packed)) {
                        // Nothing to gain: kept raw.
                        EXPECT_TRUE(randomPlanes == 15 || (level == 1 && mostlyLiterals));
                        continue;
                    }
                    EXPECT_FALSE(level == 1 && mostlyLiterals);
                    EXPECT_LT(packed.size(), planes.size());
                    std::vector<std::uint8_t> back(planes.size());
                    uLongf size = back.size();
                    ASSERT_EQ(uncompress(back.data(), &size, packed.data(), packed.size()), Z_OK);
                    EXPECT_EQ(size, planes.size());
                    EXPECT_EQ(back, planes);
                    const std::vector<int> types = BlockTypes(packed, planes.size());
                    if (level == 1) {
                        EXPECT_EQ(std::count(types.begin(), types.end(), 2), 0);
                        if (randomPlanes == 0) {
                            EXPECT_EQ(types, std::vector<int>{1});
                        }
                    }
                    // As the reader inflates: with room beyond both ends.
                    const std::size_t room = DeflateCodec::kRoomBeyond;
                    std::vector<std::uint8_t> fast(planes.size() + room);
                    const std::size_t streamSize = packed.size();
                    packed.resize(streamSize + room, 0xA5);
                    ASSERT_TRUE(codec.Decompress(packed.data(), streamSize, packed.size(),
                                                 fast.data(), planes.size(), fast.size()));
                    EXPECT_TRUE(std::equal(planes.begin(), planes.end(), fast.begin()));
                    // Bytes after the stream are ignored; a stream cut short, or a
                    // result of another size, is refused even when the room
                    // beyond holds what is missing.
                    EXPECT_TRUE(codec.Decompress(packed.data(), streamSize + 3, packed.size(),
                                                 fast.data(), planes.size(), fast.size()));
                    EXPECT_FALSE(codec.Decompress(packed.data(), streamSize - 1, packed.size(),
                                                  fast.data(), planes.size(), fast.size()));
                    EXPECT_FALSE(codec.Decompress(packed.data(), streamSize, packed.size(),
                                                  fast.data(), planes.size() - 1, fast.size()));
                }
            }
        }
    }
}

// Planes made of random pieces (runs, copies from up to 40000 bytes back,
// literals from alphabets of 2 to 256 symbols, with the piece kinds weighted at
// random per plane): whatever the encoder chooses, zlib inflates it back.
TEST(ChunkCodecTest, RandomlyPiecedPlanesInflateWithZlib) {
    std::mt19937 random(17);
    DeflateCodec fastest(1), smaller(4);
    for (int round = 0; round < 120; ++round) {
        DeflateCodec& codec = round % 2 ? smaller : fastest;
        const std::size_t count = 511 * (1 + random() % 12);
        std::vector<std::uint8_t> planes(4 * count);
        for (std::size_t k = 0; k < 4; ++k) {
            std::uint8_t* plane = planes.data() + k * count;
            const unsigned weights[3] = {static_cast<unsigned>(random() % 8),
                                         static_cast<unsigned>(random() % 8),
                                         static_cast<unsigned>(random() % 8 + 1)};
            const auto alphabet = static_cast<unsigned>(2 + random() % 255);
            for (std::size_t i = 0; i < count;) {
                const unsigned pick = random() % (weights[0] + weights[1] + weights[2]);
                const std::size_t length = std::min<std::size_t>(1 + random() % 300, count - i);
                if (pick < weights[0]) {
                    std::memset(plane + i, static_cast<int>(random() % alphabet), length);
                } else if (pick < weights[0] + weights[1] && i > 0) {
                    const std::size_t distance = 1 + random() % std::min<std::size_t>(i, 40000);
                    for (std::size_t j = 0; j < length; ++j)
                        plane[i + j] = plane[i + j - distance];
                } else {
                    for (std::size_t j = 0; j < length; ++j)
                        plane[i + j] = static_cast<std::uint8_t>(random() % alphabet);
                }
                i += length;
            }
        }
        std::vector<std::uint8_t> packed;
        if (!codec.CompressPlanes(planes.data(), count, packed))
            continue;  // kept raw
        std::vector<std::uint8_t> back(planes.size());
        uLongf size = back.size();
        ASSERT_EQ(uncompress(back.data(), &size, packed.data(), packed.size()), Z_OK) << round;
        ASSERT_EQ(size, planes.size()) << round;
        ASSERT_EQ(back, planes) << round;
    }
}
}  // namespace

#include "export/ChunkCodec.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <span>
#include <thread>

#include <libdeflate.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Sixteen values at a time through SSE2 byte unpacking, the rest one by one.
void ShuffleWords(const std::uint8_t* in, std::size_t count, std::uint8_t* out,
                  std::size_t planeStride) {
    std::size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= count; i += 16) {
        const std::uint8_t* src = in + 4 * i;
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
        const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 48));
        // Three rounds of unpacking sort the bytes of 8 values by byte index.
        const auto sort8 = [](__m128i a, __m128i b, __m128i& low, __m128i& high) {
            const __m128i t0 = _mm_unpacklo_epi8(a, b), t1 = _mm_unpackhi_epi8(a, b);
            const __m128i u0 = _mm_unpacklo_epi8(t0, t1), u1 = _mm_unpackhi_epi8(t0, t1);
            low = _mm_unpacklo_epi8(u0, u1);   // bytes 0 then bytes 1
            high = _mm_unpackhi_epi8(u0, u1);  // bytes 2 then bytes 3
        };
        __m128i w0, w1, x0, x1;
        sort8(v0, v1, w0, w1);
        sort8(v2, v3, x0, x1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi64(w0, x0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + planeStride + i),
                         _mm_unpackhi_epi64(w0, x0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * planeStride + i),
                         _mm_unpacklo_epi64(w1, x1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * planeStride + i),
                         _mm_unpackhi_epi64(w1, x1));
    }
#endif
    for (; i < count; ++i) {
        out[i] = in[4 * i];
        out[planeStride + i] = in[4 * i + 1];
        out[2 * planeStride + i] = in[4 * i + 2];
        out[3 * planeStride + i] = in[4 * i + 3];
    }
}

void UnshuffleWords(const std::uint8_t* in, std::size_t planeStride, std::size_t count,
                    std::uint8_t* out) {
    std::size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= count; i += 16) {
        const auto load = [&](std::size_t plane) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + plane * planeStride + i));
        };
        const __m128i p0 = load(0), p1 = load(1), p2 = load(2), p3 = load(3);
        const __m128i lo01 = _mm_unpacklo_epi8(p0, p1), hi01 = _mm_unpackhi_epi8(p0, p1);
        const __m128i lo23 = _mm_unpacklo_epi8(p2, p3), hi23 = _mm_unpackhi_epi8(p2, p3);
        std::uint8_t* dst = out + 4 * i;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi16(lo01, lo23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), _mm_unpackhi_epi16(lo01, lo23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), _mm_unpacklo_epi16(hi01, hi23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 48), _mm_unpackhi_epi16(hi01, hi23));
    }
#endif
    for (; i < count; ++i) {
        out[4 * i] = in[i];
        out[4 * i + 1] = in[planeStride + i];
        out[4 * i + 2] = in[2 * planeStride + i];
        out[4 * i + 3] = in[3 * planeStride + i];
    }
}

namespace {
// Bytes counted per plane when telling random planes from the others: every
// k-th byte, for at least this many.
constexpr std::size_t kLeastSamples = 1024;

// Bits per byte of order-0 entropy of the size bytes mapped through byteOf,
// estimated from every stride-th of them (with the Miller-Madow correction of
// the small sample's bias). Four histograms, summed at the end, keep runs of
// one byte value from serialising the counting on one counter.
template <typename ByteOf>
double EntropyBits(std::size_t size, std::size_t stride, ByteOf byteOf) {
    std::uint32_t counts[4][256] = {};
    std::size_t i = 0;
    const std::size_t step = 4 * stride;
    for (; i + 3 * stride < size; i += step) {
        ++counts[0][byteOf(i)];
        ++counts[1][byteOf(i + stride)];
        ++counts[2][byteOf(i + 2 * stride)];
        ++counts[3][byteOf(i + 3 * stride)];
    }
    for (; i < size; i += stride)
        ++counts[0][byteOf(i)];
    // n * log2(n) from a table: no count exceeds the number of samples.
    static const std::vector<float> nLogN = [] {
        std::vector<float> t(2 * kLeastSamples + 1, 0.0f);
        for (std::size_t n = 1; n < t.size(); ++n)
            t[n] = static_cast<float>(n * std::log2(static_cast<double>(n)));
        return t;
    }();
    double sum = 0.0;
    std::uint32_t samples = 0;
    int seen = 0;
    for (int v = 0; v < 256; ++v) {
        const std::uint32_t n = counts[0][v] + counts[1][v] + counts[2][v] + counts[3][v];
        sum += nLogN[n];
        samples += n;
        seen += n > 0;
    }
    if (samples == 0)
        return 0.0;
    const double m = samples;
    return (nLogN[samples] - sum) / m + (seen - 1) / (2.0 * m * std::numbers::ln2);
}

// A plane would shrink by less than a quarter when its bytes, and the steps
// between neighbours (runs and slow slopes, which deflate finds as matches),
// both carry more than 6 bits each; stored, it inflates many times faster.
bool LooksRandom(const std::uint8_t* bytes, std::size_t size) {
    if (size < 64)  // 6 bits per byte need more than 64 distinct values
        return false;
    // Fewer than 2 * kLeastSamples samples, whatever the size.
    const std::size_t stride = std::max<std::size_t>(1, size / kLeastSamples);
    if (EntropyBits(size, stride, [bytes](std::size_t i) { return bytes[i]; }) <= 6.0)
        return false;
    return EntropyBits(size - 1, stride, [bytes](std::size_t i) {
               return static_cast<std::uint8_t>(bytes[i + 1] - bytes[i]);
           }) > 6.0;
}

constexpr std::size_t kMostStored = 0xFFFF;  // bytes of one stored block

// Stored blocks at a byte boundary: a header byte (BFINAL, type 00), LEN, ~LEN.
// The first header is left out when the block before already wrote its bits.
void AppendStored(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t size,
                  bool last, bool headerWritten) {
    do {
        const std::size_t n = std::min(size, kMostStored);
        size -= n;
        const bool final = last && size == 0;
        const std::uint8_t header[5] = {
            static_cast<std::uint8_t>(final ? 1 : 0), static_cast<std::uint8_t>(n),
            static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(~n),
            static_cast<std::uint8_t>(~n >> 8)};
        out.insert(out.end(), header + (headerWritten ? 1 : 0), header + 5);
        out.insert(out.end(), bytes, bytes + n);
        bytes += n;
        headerWritten = false;
    } while (size > 0);
}

// Deflate's bit order: values go in from the least significant bit up. The
// caller makes room for everything that will be written.
class BitWriter {
  public:
    explicit BitWriter(std::uint8_t* to) : to_(to) {}
    // At most 28 bits at a time; eight bytes are stored each time, so the
    // room must reach seven bytes beyond the last.
    void Put(std::uint32_t value, int bits) {
        buffer_ |= static_cast<std::uint64_t>(value) << count_;
        count_ += bits;
        std::memcpy(to_, &buffer_, 8);
        const int whole = count_ >> 3;
        to_ += whole;
        buffer_ >>= 8 * whole;  // count_ was at most 7 + 28 bits
        count_ &= 7;
    }
    // Pads with zero bits to the next byte boundary; returns the end written.
    std::uint8_t* Flush() {
        for (; count_ > 0; count_ -= 8) {
            *to_++ = static_cast<std::uint8_t>(buffer_);
            buffer_ >>= 8;
        }
        count_ = 0;
        buffer_ = 0;
        return to_;
    }

  private:
    std::uint8_t* to_;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

// Code lengths of an optimal prefix code for the frequencies (zero for unused
// symbols), none longer than limit: frequencies are halved until the code
// fits. At least two symbols get a code, as every inflater accepts.
void PrefixCodeLengths(const std::uint32_t* frequencies, int symbols, int limit,
                       std::uint8_t* lengths) {
    constexpr int kMostSymbols = 288;
    // Used symbols by rising frequency: frequency above, symbol in the low 9 bits.
    std::uint32_t order[kMostSymbols];
    int n = 0;
    for (int i = 0; i < symbols; ++i) {
        if (frequencies[i] > 0)
            order[n++] = (frequencies[i] << 9) | static_cast<std::uint32_t>(i);
    }
    for (int i = 0; n < 2 && i < symbols; ++i) {
        if (frequencies[i] == 0 && (n == 0 || (order[0] & 0x1FF) != static_cast<std::uint32_t>(i)))
            order[n++] = (1u << 9) | static_cast<std::uint32_t>(i);
    }
    std::uint32_t a[kMostSymbols];
    for (;;) {
        if (n <= 32) {
            for (int i = 1; i < n; ++i) {
                const std::uint32_t key = order[i];
                int j = i;
                for (; j > 0 && order[j - 1] > key; --j)
                    order[j] = order[j - 1];
                order[j] = key;
            }
        } else {
            // Radix sort by frequency, a byte at a time; symbols were in order.
            std::uint32_t most = 0;
            for (int i = 0; i < n; ++i)
                most = std::max(most, order[i] >> 9);
            std::uint32_t spare[kMostSymbols];
            for (int shift = 9; (most >> (shift - 9)) > 0; shift += 8) {
                int start[257] = {};
                for (int i = 0; i < n; ++i)
                    ++start[((order[i] >> shift) & 0xFF) + 1];
                for (int d = 0; d < 256; ++d)
                    start[d + 1] += start[d];
                for (int i = 0; i < n; ++i)
                    spare[start[(order[i] >> shift) & 0xFF]++] = order[i];
                std::copy(spare, spare + n, order);
            }
        }
        for (int i = 0; i < n; ++i)
            a[i] = order[i] >> 9;
        // Moffat and Katajainen's in-place computation: parents, then depths.
        a[0] += a[1];
        int root = 0, leaf = 2;
        for (int next = 1; next < n - 1; ++next) {
            if (leaf >= n || a[root] < a[leaf]) {
                a[next] = a[root];
                a[root++] = static_cast<std::uint32_t>(next);
            } else {
                a[next] = a[leaf++];
            }
            if (leaf >= n || (root < next && a[root] < a[leaf])) {
                a[next] += a[root];
                a[root++] = static_cast<std::uint32_t>(next);
            } else {
                a[next] += a[leaf++];
            }
        }
        a[n - 2] = 0;
        for (int next = n - 3; next >= 0; --next)
            a[next] = a[a[next]] + 1;
        int available = 1, inner = 0, depth = 0;
        root = n - 2;
        int next = n - 1;
        while (available > 0) {
            while (root >= 0 && static_cast<int>(a[root]) == depth) {
                ++inner;
                --root;
            }
            while (available > inner) {
                a[next--] = static_cast<std::uint32_t>(depth);
                --available;
            }
            available = 2 * inner;
            ++depth;
            inner = 0;
        }
        if (static_cast<int>(a[0]) <= limit)
            break;
        // Too long: halve the frequencies (none drops to zero) and build again.
        for (int i = 0; i < n; ++i)
            order[i] = ((((order[i] >> 9) + 1) / 2) << 9) | (order[i] & 0x1FF);
    }
    std::fill(lengths, lengths + symbols, std::uint8_t{0});
    for (int i = 0; i < n; ++i)
        lengths[order[i] & 0x1FF] = static_cast<std::uint8_t>(a[i]);
}

// The canonical codes of the lengths, bit-reversed for deflate's bit order.
void CanonicalCodes(const std::uint8_t* lengths, int symbols, std::uint16_t* codes) {
    static constexpr auto kReversed = [] {
        std::array<std::uint8_t, 256> t{};
        for (int v = 0; v < 256; ++v) {
            for (int b = 0; b < 8; ++b)
                t[v] |= static_cast<std::uint8_t>(((v >> b) & 1) << (7 - b));
        }
        return t;
    }();
    int count[16] = {};
    for (int i = 0; i < symbols; ++i)
        ++count[lengths[i]];
    count[0] = 0;
    int next[16] = {};
    for (int bits = 1, code = 0; bits < 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    for (int i = 0; i < symbols; ++i) {
        const int length = lengths[i];
        if (length == 0)
            continue;
        const unsigned code = static_cast<unsigned>(next[length]++);
        const unsigned reversed = (kReversed[code & 0xFF] << 8) | kReversed[code >> 8];
        codes[i] = static_cast<std::uint16_t>(reversed >> (16 - length));
    }
}

// The length symbols of deflate (257..285) with their extra bits, by length.
struct LengthCode {
    std::uint16_t symbol;
    std::uint8_t extraBits;
    std::uint8_t extra;
};
constexpr auto kLengthCodes = [] {
    constexpr int kBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    constexpr int kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    std::array<LengthCode, 259> t{};
    for (int c = 0; c < 29; ++c) {
        const int end = c == 28 ? 259 : std::min(259, kBase[c] + (1 << kExtra[c]));
        for (int length = kBase[c]; length < end; ++length) {
            t[length] = {static_cast<std::uint16_t>(257 + c), static_cast<std::uint8_t>(kExtra[c]),
                         static_cast<std::uint8_t>(length - kBase[c])};
        }
    }
    return t;
}();

// The distance symbols of deflate (0..29) with their extra bits.
struct DistanceCode {
    std::uint8_t symbol;
    std::uint8_t extraBits;
    std::uint16_t extra;
};
constexpr DistanceCode DistanceCodeOf(std::uint32_t distance) {
    const std::uint32_t x = distance - 1;
    if (x < 4)
        return {static_cast<std::uint8_t>(x), 0, 0};
    const int top = std::bit_width(x) - 1;  // x has top + 1 bits, top >= 2
    return {static_cast<std::uint8_t>(2 * top + ((x >> (top - 1)) & 1)),
            static_cast<std::uint8_t>(top - 1),
            static_cast<std::uint16_t>(x & ((1u << (top - 1)) - 1))};
}

// Length of the run of bytes equal to bytes[0], at most limit.
std::size_t RunLength(const std::uint8_t* bytes, std::size_t limit) {
    std::uint64_t pattern = 0x0101010101010101ull * bytes[0];
    std::size_t n = 0;
    while (n + 8 <= limit) {
        std::uint64_t word;
        std::memcpy(&word, bytes + n, 8);
        if (const std::uint64_t differ = word ^ pattern; differ != 0)
            return n + static_cast<std::size_t>(std::countr_zero(differ) / 8);
        n += 8;
    }
    while (n < limit && bytes[n] == bytes[0])
        ++n;
    return n;
}

// Number of equal bytes at a and b, at most limit.
std::size_t MatchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t n = 0;
    while (n + 8 <= limit) {
        std::uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (const std::uint64_t differ = x ^ y; differ != 0)
            return n + static_cast<std::size_t>(std::countr_zero(differ) / 8);
        n += 8;
    }
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
}  // namespace

// Deflate blocks written in one pass: a run of one byte value becomes repeats
// at distance 1, other repeated strings of four bytes or more are found
// through a table of the last position of each hash, the rest stay literals;
// then one dynamic Huffman code for the whole block, or deflate's fixed codes.
// Made for the planes of spectra (runs in the low and high bytes, repeats of
// spectral shapes in the middle ones): on the benchmark's chunks it packs
// within 0.2% of libdeflate's level 1 in two thirds of the time. Tokens and
// the table are kept between blocks.
class DeflateBlockEncoder {
  public:
    // One block of the bytes with a code of its own, runs and literals, before
    // stored planes: the header bits of the stored block (BFINAL as
    // storedFinal, type 00) come right after this block's end, then zero
    // bits up to the byte boundary where its LEN begins.
    void AppendBeforeStored(std::vector<std::uint8_t>& out, const std::uint8_t* bytes,
                            std::size_t size, bool storedFinal) {
        ClearTokens();
        Gather(bytes, size, false);
        Write(out, 0, tokenCount_, false, storedFinal, false);
    }

    // Adds the tokens of the bytes to those gathered so far (runs always,
    // other repeats when findRepeats) and returns how many it added; stops
    // early once they are more than mostTokens.
    std::size_t Gather(const std::uint8_t* bytes, std::size_t size, bool findRepeats,
                       std::size_t mostTokens = SIZE_MAX);
    std::size_t TokenCount() const { return tokenCount_; }
    void DropTokens(std::size_t from) { tokenCount_ = from; }
    void ClearTokens() { tokenCount_ = 0; }

    // The gathered tokens [from, to) as one block: a last block ends the
    // stream at a byte boundary, another ends as AppendBeforeStored's do;
    // with deflate's fixed codes, which need no code in the block and which
    // inflaters keep from one such block to the next, or with a code of
    // their own.
    void Write(std::vector<std::uint8_t>& out, std::size_t from, std::size_t to, bool last,
               bool storedFinal, bool fixedCodes);

  private:
    static constexpr int kLitLen = 286, kDistances = 30, kPrecode = 19;
    static constexpr std::size_t kMinRun = 3, kMinMatch = 4, kMaxMatch = 258, kWindow = 32768;
    static constexpr int kHashBits = 13;

    struct Token {
        std::uint16_t value;     // a literal byte, or a match length
        std::uint16_t distance;  // 0 for a literal
    };

    // The prefix codes a block is written with.
    struct Codes {
        std::uint8_t lengths[kLitLen + kDistances] = {};  // literal/length codes, then distances
        std::uint16_t litLen[kLitLen] = {};
        std::uint16_t distance[kDistances] = {};
        int litLenCount = kLitLen;
        int distanceCount = kDistances;
        const std::uint8_t* distanceLengths() const { return lengths + litLenCount; }
    };
    static const Codes& FixedCodes();
    // Writes the header of a dynamic block for the tokens and fills codes.
    void WriteDynamicHeader(BitWriter& bits, const Token* tokens, std::size_t count, Codes& codes);
    struct Coded {
        std::uint8_t symbol, extra;
    };
    std::vector<Token> tokens_;  // the first tokenCount_ are gathered
    std::size_t tokenCount_ = 0;
    std::vector<Coded> coded_;
    std::vector<std::uint8_t> written_;  // the block's bits before they go to the stream
    std::vector<std::uint32_t> table_;
    std::uint32_t base_ = 0;
    std::uint32_t lengthBits_[kMaxMatch + 1] = {};
    std::uint8_t lengthCount_[kMaxMatch + 1] = {};
};

// Runs always; other repeats when findRepeats (a dynamic block before stored
// planes holds low bytes, where short repeats cost more bits than the
// literals they replace).
std::size_t DeflateBlockEncoder::Gather(const std::uint8_t* bytes, std::size_t size,
                                        bool findRepeats, std::size_t mostTokens) {
    // Table entries are positions plus base_: entries of earlier calls lie
    // below base_ and are never taken for these bytes'.
    if (base_ > (std::uint32_t{1} << 31) - size - 1 || table_.empty()) {
        table_.assign(std::size_t{1} << kHashBits, 0);
        base_ = 1;
    }
    const std::uint32_t base = base_;
    base_ += static_cast<std::uint32_t>(size) + 1;
    if (tokens_.size() < tokenCount_ + size + 1)
        tokens_.resize(tokenCount_ + size + 1);  // at most one token per byte
    Token* const first = tokens_.data() + tokenCount_;
    Token* token = first;
    const Token* const stop = mostTokens < size ? first + mostTokens : first + size + 1;
    auto hash = [](std::uint32_t v) { return (v * 0x9E3779B1u) >> (32 - kHashBits); };
    std::size_t i = 0;
    auto literal = [&] {
        *token++ = {bytes[i], 0};
        ++i;
    };
    auto match = [&](std::size_t length, std::size_t distance) {
        *token++ = {static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)};
        i += length;
    };
    if (size > 0)
        literal();
    while (i + kMinMatch <= size && token <= stop) {
        const std::uint32_t next = Load32(bytes + i);
        // A run of the byte before: it and the next three bytes equal.
        if (next == 0x01010101u * bytes[i - 1]) {
            match(std::min(RunLength(bytes + i - 1, size - i + 1) - 1, kMaxMatch), 1);
            continue;
        }
        if (findRepeats) {
            std::uint32_t& slot = table_[hash(next)];
            const std::uint32_t at = static_cast<std::uint32_t>(i) + base;
            const std::uint32_t candidate = slot;
            slot = at;
            if (candidate >= base && at - candidate <= kWindow &&
                Load32(bytes + (candidate - base)) == next) {
                const std::size_t from = candidate - base;
                const std::size_t length =
                    MatchLength(bytes + from, bytes + i, std::min(size - i, kMaxMatch));
                // The match's last positions may start the next one.
                for (std::size_t k = i + length - 2; k < i + length && k + kMinMatch <= size; ++k)
                    table_[hash(Load32(bytes + k))] = static_cast<std::uint32_t>(k) + base;
                match(length, i - from);
                continue;
            }
        }
        literal();
    }
    // The last few bytes: a run of three, else literals.
    while (i < size && token <= stop) {
        if (i + kMinRun <= size && bytes[i] == bytes[i - 1] && bytes[i + 1] == bytes[i - 1] &&
            bytes[i + 2] == bytes[i - 1])
            match(RunLength(bytes + i - 1, size - i + 1) - 1, 1);
        else
            literal();
    }
    tokenCount_ = static_cast<std::size_t>(token - tokens_.data());
    return static_cast<std::size_t>(token - first);
}

const DeflateBlockEncoder::Codes& DeflateBlockEncoder::FixedCodes() {
    static const Codes codes = [] {
        // The codes are assigned over all 288 literal/length symbols and
        // 32 distances, though the last two of each never occur.
        std::uint8_t litLen[288];
        for (int i = 0; i < 288; ++i)
            litLen[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        std::uint16_t litLenCodes[288] = {};
        CanonicalCodes(litLen, 288, litLenCodes);
        Codes c;
        std::copy_n(litLen, kLitLen, c.lengths);
        std::copy_n(litLenCodes, kLitLen, c.litLen);
        std::fill_n(c.lengths + kLitLen, kDistances, 5);
        CanonicalCodes(c.lengths + kLitLen, kDistances, c.distance);
        return c;
    }();
    return codes;
}

void DeflateBlockEncoder::WriteDynamicHeader(BitWriter& bits, const Token* tokens,
                                             std::size_t count, Codes& codes) {
    std::uint32_t litLen[kLitLen] = {};
    std::uint32_t distances[kDistances] = {};
    for (const Token& token : std::span(tokens, count)) {
        if (token.distance == 0) {
            ++litLen[token.value];
        } else {
            ++litLen[kLengthCodes[token.value].symbol];
            ++distances[DistanceCodeOf(token.distance).symbol];
        }
    }
    ++litLen[256];
    std::uint8_t* lengths = codes.lengths;
    PrefixCodeLengths(litLen, kLitLen, 15, lengths);
    int litLenCount = kLitLen;
    while (litLenCount > 257 && lengths[litLenCount - 1] == 0)
        --litLenCount;
    std::uint8_t* distanceLengths = lengths + litLenCount;
    PrefixCodeLengths(distances, kDistances, 15, distanceLengths);
    int distanceCount = kDistances;
    while (distanceCount > 1 && distanceLengths[distanceCount - 1] == 0)
        --distanceCount;
    const int total = litLenCount + distanceCount;
    codes.litLenCount = litLenCount;
    codes.distanceCount = distanceCount;

    // The code lengths themselves, run-length coded: 16 repeats the
    // previous length 3..6 times, 17 and 18 give 3..10 and 11..138 zeros.
    coded_.clear();
    std::uint32_t precodeFrequencies[kPrecode] = {};
    for (int i = 0; i < total;) {
        const std::uint8_t length = lengths[i];
        int run = 1;
        while (i + run < total && lengths[i + run] == length)
            ++run;
        i += run;
        if (length == 0) {
            for (; run >= 11; run -= std::min(run, 138))
                coded_.push_back({18, static_cast<std::uint8_t>(std::min(run, 138) - 11)});
            if (run >= 3) {
                coded_.push_back({17, static_cast<std::uint8_t>(run - 3)});
                run = 0;
            }
        } else {
            coded_.push_back({length, 0});
            --run;
            for (; run >= 3; run -= std::min(run, 6))
                coded_.push_back({16, static_cast<std::uint8_t>(std::min(run, 6) - 3)});
        }
        for (; run > 0; --run)
            coded_.push_back({length, 0});
    }
    for (const Coded& c : coded_)
        ++precodeFrequencies[c.symbol];
    std::uint8_t precodeLengths[kPrecode];
    PrefixCodeLengths(precodeFrequencies, kPrecode, 7, precodeLengths);
    static constexpr std::uint8_t kPrecodeOrder[kPrecode] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};
    int precodeCount = kPrecode;
    while (precodeCount > 4 && precodeLengths[kPrecodeOrder[precodeCount - 1]] == 0)
        --precodeCount;

    CanonicalCodes(lengths, litLenCount, codes.litLen);
    CanonicalCodes(distanceLengths, distanceCount, codes.distance);
    std::uint16_t precodes[kPrecode] = {};
    CanonicalCodes(precodeLengths, kPrecode, precodes);

    bits.Put(2, 2);  // dynamic Huffman codes
    bits.Put(static_cast<std::uint32_t>(litLenCount - 257), 5);
    bits.Put(static_cast<std::uint32_t>(distanceCount - 1), 5);
    bits.Put(static_cast<std::uint32_t>(precodeCount - 4), 4);
    for (int i = 0; i < precodeCount; ++i)
        bits.Put(precodeLengths[kPrecodeOrder[i]], 3);
    static constexpr int kExtraBits[kPrecode] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                 0, 0, 0, 0, 0, 0, 2, 3, 7};
    for (const Coded& c : coded_) {
        bits.Put(precodes[c.symbol], precodeLengths[c.symbol]);
        if (kExtraBits[c.symbol] > 0)
            bits.Put(c.extra, kExtraBits[c.symbol]);
    }
}

void DeflateBlockEncoder::Write(std::vector<std::uint8_t>& out, std::size_t from, std::size_t to,
                                bool last, bool storedFinal, bool fixedCodes) {
    const Token* tokens = tokens_.data() + from;
    const std::size_t count = to - from;
    // Room for the header (at most 17 + 19 * 3 + 316 * 7 + 7 bits) and
    // every token at its longest (15 + 5 + 15 + 13 bits), end and padding.
    const std::size_t room = 400 + 6 * count + 16;
    if (written_.size() < room)
        written_.resize(room);
    BitWriter bits(written_.data());
    bits.Put(last ? 1 : 0, 1);
    Codes dynamic;
    const Codes* codes = &dynamic;
    if (fixedCodes) {
        bits.Put(1, 2);  // fixed Huffman codes
        codes = &FixedCodes();
    } else {
        WriteDynamicHeader(bits, tokens, count, dynamic);
    }
    const std::uint8_t* lengths = codes->lengths;
    const std::uint8_t* distanceLengths = codes->distanceLengths();
    // Each length's code and extra bits as one value, for this block's code.
    for (std::size_t length = kMinRun; length <= kMaxMatch; ++length) {
        const LengthCode& l = kLengthCodes[length];
        lengthBits_[length] =
            codes->litLen[l.symbol] | (std::uint32_t{l.extra} << lengths[l.symbol]);
        lengthCount_[length] = static_cast<std::uint8_t>(lengths[l.symbol] + l.extraBits);
    }
    for (const Token& token : std::span(tokens, count)) {
        if (token.distance == 0) {
            bits.Put(codes->litLen[token.value], lengths[token.value]);
            continue;
        }
        bits.Put(lengthBits_[token.value], lengthCount_[token.value]);
        const DistanceCode d = DistanceCodeOf(token.distance);
        bits.Put(codes->distance[d.symbol] | (std::uint32_t{d.extra} << distanceLengths[d.symbol]),
                 distanceLengths[d.symbol] + d.extraBits);
    }
    bits.Put(codes->litLen[256], lengths[256]);
    if (!last)
        bits.Put(storedFinal ? 1 : 0, 3);
    out.insert(out.end(), written_.data(), bits.Flush());
}

DeflateCodec::DeflateCodec(int level) : level_(level) {
    if (level > 0) {
        compressor_ = libdeflate_alloc_compressor(level);
        encoder_ = std::make_unique<DeflateBlockEncoder>();
    }
    decompressor_ = libdeflate_alloc_decompressor();
}

DeflateCodec::~DeflateCodec() {
    libdeflate_free_compressor(compressor_);
    libdeflate_free_decompressor(decompressor_);
}

// At the fastest level a plane is deflated only when runs and repeats cover it
// in at most one token per eight bytes, and then with deflate's fixed codes;
// the others are stored. Inflating a token (a literal or a short repeat) costs
// many times more than copying a stored byte, and a block with a code of its
// own costs the inflater a table, about as much as a whole plane of runs; so
// chunks inflate at nearly copying speed (three times faster on the
// benchmark's chunks), for files about a third larger than with a code per
// block.
bool DeflateCodec::CompressPlanes(const std::uint8_t* planes, std::size_t count,
                                  std::vector<std::uint8_t>& out) {
    if (compressor_ == nullptr)
        return false;
    bool stored[4];
    std::size_t tokenEnd[4] = {};  // the fastest level's tokens of planes up to p
    bool any = false;
    encoder_->ClearTokens();
    for (int p = 0; p < 4; ++p) {
        const std::uint8_t* plane = planes + p * count;
        stored[p] = LooksRandom(plane, count);
        if (level_ == 1 && !stored[p]) {
            const std::size_t from = encoder_->TokenCount();
            stored[p] = encoder_->Gather(plane, count, true, count / 8) > count / 8;
            if (stored[p])
                encoder_->DropTokens(from);
        }
        tokenEnd[p] = encoder_->TokenCount();
        any |= stored[p];
    }
    const std::size_t size = 4 * count;
    if (!any && level_ > 1)
        return Compress(planes, size, out);
    out.assign({0x78, 0x01});   // zlib header: deflate, 32 KB window
    auto runEnd = [&](int p) {  // runs of planes of the same kind
        int end = p + 1;
        while (end < 4 && stored[end] == stored[p])
            ++end;
        return end;
    };
    bool headerWritten = false;
    for (int p = 0; p < 4;) {
        const int end = runEnd(p);
        const std::uint8_t* run = planes + p * count;
        const std::size_t runSize = (end - p) * count;
        // When stored planes follow, the first of their blocks is the last
        // one if they end the chunk and fit one block.
        const int storedEnd = end == 4 ? 4 : runEnd(end);
        const bool storedFinal = storedEnd == 4 && (storedEnd - end) * count <= kMostStored;
        if (stored[p]) {
            AppendStored(out, run, runSize, end == 4, headerWritten);
            headerWritten = false;
            p = end;
            continue;
        }
        if (level_ == 1) {
            encoder_->Write(out, p == 0 ? 0 : tokenEnd[p - 1], tokenEnd[end - 1], end == 4,
                            storedFinal, true);
        } else if (end == 4) {
            // Above the fastest level, libdeflate's final block ends the stream.
            const std::size_t at = out.size();
            out.resize(at + runSize);
            const std::size_t n =
                libdeflate_deflate_compress(compressor_, run, runSize, out.data() + at, runSize);
            if (n == 0)
                return false;
            out.resize(at + n);
        } else {
            encoder_->AppendBeforeStored(out, run, runSize, storedFinal);
        }
        headerWritten = end < 4;
        p = end;
    }
    const std::uint32_t adler = libdeflate_adler32(1, planes, size);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(adler >> shift));
    return out.size() < size;
}

bool DeflateCodec::Compress(const std::uint8_t* in, std::size_t size,
                            std::vector<std::uint8_t>& out) {
    if (compressor_ == nullptr || size == 0)
        return false;
    // Only a result smaller than the input is worth keeping.
    out.resize(size - 1);
    const std::size_t n = libdeflate_zlib_compress(compressor_, in, size, out.data(), out.size());
    out.resize(n);
    return n > 0;
}

bool DeflateCodec::Decompress(const std::uint8_t* in, std::size_t size, std::size_t inRoom,
                              std::uint8_t* out, std::size_t outSize, std::size_t outRoom) {
    std::size_t taken = 0, given = 0;
    return decompressor_ != nullptr && inRoom >= size && outRoom >= outSize &&
           libdeflate_zlib_decompress_ex(decompressor_, in, inRoom, out, outRoom, &taken, &given) ==
               LIBDEFLATE_SUCCESS &&
           taken <= size && given == outSize;
}

int TeamThreads() {
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 2, 4);
}

WorkTeam::WorkTeam(int threads) {
    for (int t = 1; t < threads; ++t)
        helpers_.emplace_back([this, t] { Help(t); });
}

WorkTeam::~WorkTeam() {
    stop_ = true;
    round_.fetch_add(1, std::memory_order_release);
    round_.notify_all();
}

void WorkTeam::Work(int thread) {
    for (std::size_t i = next_.fetch_add(1); i < count_; i = next_.fetch_add(1))
        (*work_)(thread, i);
}

void WorkTeam::Help(int thread) {
    std::uint64_t seen = 0;
    for (;;) {
        round_.wait(seen, std::memory_order_acquire);
        seen = round_.load(std::memory_order_acquire);
        if (stop_)
            return;
        Work(thread);
        if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            busy_.notify_one();
    }
}

bool WorkTeam::Run(std::size_t count, const std::function<void(int, std::size_t)>& work,
                   const std::function<bool()>& beside) {
    count_ = count;
    work_ = &work;
    next_ = 0;
    const int helpers = count > 0 ? static_cast<int>(helpers_.size()) : 0;
    busy_.store(helpers, std::memory_order_relaxed);
    if (helpers > 0) {
        round_.fetch_add(1, std::memory_order_release);
        round_.notify_all();
    }
    const bool ok = beside ? beside() : true;
    Work(0);
    for (int left = busy_.load(std::memory_order_acquire); left != 0;
         left = busy_.load(std::memory_order_acquire))
        busy_.wait(left, std::memory_order_acquire);
    return ok;
}

#include "export/ChunkCodec.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
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

DeflateCodec::DeflateCodec(int level) : level_(level) {
    if (level > 0)
        compressor_ = libdeflate_alloc_compressor(level);
    decompressor_ = libdeflate_alloc_decompressor();
}

DeflateCodec::~DeflateCodec() {
    libdeflate_free_compressor(compressor_);
    libdeflate_free_decompressor(decompressor_);
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

// Deflate's bit order: values go in from the least significant bit up.
class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void Put(std::uint32_t value, int bits) {
        buffer_ |= static_cast<std::uint64_t>(value) << count_;
        count_ += bits;
        if (count_ >= 32) {
            for (int k = 0; k < 4; ++k)
                out_.push_back(static_cast<std::uint8_t>(buffer_ >> (8 * k)));
            buffer_ >>= 32;
            count_ -= 32;
        }
    }
    // Pads with zero bits to the next byte boundary and writes out what is held.
    void Flush() {
        for (; count_ > 0; count_ -= 8) {
            out_.push_back(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
        }
        count_ = 0;
        buffer_ = 0;
    }

  private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

// Code lengths of an optimal prefix code for the frequencies (zero for unused
// symbols), none longer than limit: frequencies are halved until the code
// fits. At least two symbols get a code, as every inflater accepts.
void PrefixCodeLengths(const std::uint32_t* frequencies, int symbols, int limit,
                       std::uint8_t* lengths) {
    std::vector<std::uint32_t> f(frequencies, frequencies + symbols);
    int used = 0;
    for (int i = 0; i < symbols; ++i)
        used += f[i] > 0;
    for (int i = 0; used < 2 && i < symbols; ++i) {
        if (f[i] == 0) {
            f[i] = 1;
            ++used;
        }
    }
    std::vector<int> order;  // used symbols by rising frequency
    std::vector<std::uint32_t> a;
    for (;;) {
        order.clear();
        for (int i = 0; i < symbols; ++i) {
            if (f[i] > 0)
                order.push_back(i);
        }
        std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return f[x] < f[y]; });
        const int n = static_cast<int>(order.size());
        a.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            a[i] = f[order[i]];
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
        for (std::uint32_t& v : f)
            v = v == 0 ? 0 : (v + 1) / 2;
    }
    std::fill(lengths, lengths + symbols, std::uint8_t{0});
    for (std::size_t i = 0; i < order.size(); ++i)
        lengths[order[i]] = static_cast<std::uint8_t>(a[i]);
}

// The canonical codes of the lengths, bit-reversed for deflate's bit order.
void CanonicalCodes(const std::uint8_t* lengths, int symbols, std::uint16_t* codes) {
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
        const int code = next[length]++;
        int reversed = 0;
        for (int b = 0; b < length; ++b)
            reversed |= ((code >> b) & 1) << (length - 1 - b);
        codes[i] = static_cast<std::uint16_t>(reversed);
    }
}

// The length symbols of deflate (257..285) with their extra bits.
struct LengthCode {
    std::uint16_t symbol;
    std::uint8_t extraBits;
    std::uint8_t extra;
};
const LengthCode* LengthCodes() {
    static const auto table = [] {
        static constexpr int kBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                          15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                          67, 83, 99, 115, 131, 163, 195, 227, 258};
        static constexpr int kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        std::array<LengthCode, 259> t{};
        for (int c = 0; c < 29; ++c) {
            const int end = c == 28 ? 259 : std::min(259, kBase[c] + (1 << kExtra[c]));
            for (int length = kBase[c]; length < end; ++length) {
                t[length] = {static_cast<std::uint16_t>(257 + c),
                             static_cast<std::uint8_t>(kExtra[c]),
                             static_cast<std::uint8_t>(length - kBase[c])};
            }
        }
        return t;
    }();
    return table.data();
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

// One dynamic Huffman block (not the last) holding the bytes as literals and
// repeats of the previous byte (matches at distance 1), which is what runs of
// one value and low planes need, written in one pass without a match finder.
// A stored block follows: its header bits (BFINAL as given, type 00) come
// right after the end of this block, then zero bits up to the byte boundary
// where its LEN begins. Symbols: 0..255 literals, 256 end of block, 257..285
// lengths.
void AppendRunBlock(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t size,
                    bool storedFinal) {
    constexpr int kLitLen = 286, kPrecode = 19, kMaxMatch = 258;
    const LengthCode* lengthCodes = LengthCodes();
    std::vector<std::uint16_t> tokens;  // a literal byte, or 256 + a match length
    tokens.reserve(size / 4 + 16);
    std::uint32_t frequencies[kLitLen] = {};
    for (std::size_t i = 0; i < size;) {
        const std::size_t run = RunLength(bytes + i, size - i);
        tokens.push_back(bytes[i]);
        ++frequencies[bytes[i]];
        std::size_t repeats = run - 1;
        for (; repeats >= 3; repeats -= std::min<std::size_t>(repeats, kMaxMatch)) {
            const std::size_t length = std::min<std::size_t>(repeats, kMaxMatch);
            tokens.push_back(static_cast<std::uint16_t>(256 + length));
            ++frequencies[lengthCodes[length].symbol];
        }
        for (; repeats > 0; --repeats) {
            tokens.push_back(bytes[i]);
            ++frequencies[bytes[i]];
        }
        i += run;
    }
    ++frequencies[256];

    std::uint8_t lengths[kLitLen + 1];  // literal/length codes, then the one distance code
    PrefixCodeLengths(frequencies, kLitLen, 15, lengths);
    int litLenCount = kLitLen;
    while (litLenCount > 257 && lengths[litLenCount - 1] == 0)
        --litLenCount;
    lengths[litLenCount] = 1;  // distance 1, whether used or not
    const int total = litLenCount + 1;

    // The code lengths themselves, run-length coded: 16 repeats the previous
    // length 3..6 times, 17 and 18 give 3..10 and 11..138 zeros.
    struct Coded {
        std::uint8_t symbol, extra;
    };
    std::vector<Coded> coded;
    std::uint32_t precodeFrequencies[kPrecode] = {};
    for (int i = 0; i < total;) {
        const std::uint8_t length = lengths[i];
        int run = 1;
        while (i + run < total && lengths[i + run] == length)
            ++run;
        i += run;
        if (length == 0) {
            for (; run >= 11; run -= std::min(run, 138))
                coded.push_back({18, static_cast<std::uint8_t>(std::min(run, 138) - 11)});
            if (run >= 3) {
                coded.push_back({17, static_cast<std::uint8_t>(run - 3)});
                run = 0;
            }
        } else {
            coded.push_back({length, 0});
            --run;
            for (; run >= 3; run -= std::min(run, 6))
                coded.push_back({16, static_cast<std::uint8_t>(std::min(run, 6) - 3)});
        }
        for (; run > 0; --run)
            coded.push_back({length, 0});
    }
    for (const Coded& c : coded)
        ++precodeFrequencies[c.symbol];
    std::uint8_t precodeLengths[kPrecode];
    PrefixCodeLengths(precodeFrequencies, kPrecode, 7, precodeLengths);
    static constexpr std::uint8_t kPrecodeOrder[kPrecode] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};
    int precodeCount = kPrecode;
    while (precodeCount > 4 && precodeLengths[kPrecodeOrder[precodeCount - 1]] == 0)
        --precodeCount;

    std::uint16_t codes[kLitLen + 1] = {};
    CanonicalCodes(lengths, litLenCount, codes);
    std::uint16_t precodes[kPrecode] = {};
    CanonicalCodes(precodeLengths, kPrecode, precodes);

    BitWriter bits(out);
    bits.Put(0b100, 3);  // not the last block; type 2, dynamic Huffman codes
    bits.Put(static_cast<std::uint32_t>(litLenCount - 257), 5);
    bits.Put(0, 5);  // one distance code
    bits.Put(static_cast<std::uint32_t>(precodeCount - 4), 4);
    for (int i = 0; i < precodeCount; ++i)
        bits.Put(precodeLengths[kPrecodeOrder[i]], 3);
    static constexpr int kExtraBits[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
    for (const Coded& c : coded) {
        bits.Put(precodes[c.symbol], precodeLengths[c.symbol]);
        if (kExtraBits[c.symbol] > 0)
            bits.Put(c.extra, kExtraBits[c.symbol]);
    }
    const std::uint16_t distanceCode = 0;  // the only code, one bit long
    for (const std::uint16_t token : tokens) {
        if (token < 256) {
            bits.Put(codes[token], lengths[token]);
        } else {
            const LengthCode& l = lengthCodes[token - 256];
            bits.Put(codes[l.symbol], lengths[l.symbol]);
            if (l.extraBits > 0)
                bits.Put(l.extra, l.extraBits);
            bits.Put(distanceCode, 1);
        }
    }
    bits.Put(codes[256], lengths[256]);
    bits.Put(storedFinal ? 1 : 0, 3);
    bits.Flush();
}
}  // namespace

bool DeflateCodec::CompressPlanes(const std::uint8_t* planes, std::size_t count,
                                  std::vector<std::uint8_t>& out) {
    bool stored[4];
    bool any = false;
    for (int p = 0; p < 4; ++p)
        any |= stored[p] = LooksRandom(planes + p * count, count);
    const std::size_t size = 4 * count;
    if (!any || compressor_ == nullptr)
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
        if (stored[p]) {
            AppendStored(out, run, runSize, end == 4, headerWritten);
            headerWritten = false;
        } else if (end == 4) {
            // The last run ends the stream with libdeflate's own final block.
            const std::size_t at = out.size();
            out.resize(at + runSize);
            const std::size_t n =
                libdeflate_deflate_compress(compressor_, run, runSize, out.data() + at, runSize);
            if (n == 0)
                return false;
            out.resize(at + n);
        } else {
            // Stored planes follow; the first of their blocks is the last one
            // when they end the chunk and fit one block.
            const int storedEnd = runEnd(end);
            AppendRunBlock(out, run, runSize,
                           storedEnd == 4 && (storedEnd - end) * count <= kMostStored);
            headerWritten = true;
        }
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

bool DeflateCodec::Decompress(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                              std::size_t outSize) {
    return decompressor_ != nullptr &&
           libdeflate_zlib_decompress(decompressor_, in, size, out, outSize, nullptr) ==
               LIBDEFLATE_SUCCESS;
}

bool ParallelForBeside(std::size_t count, int threads,
                       const std::function<void(int thread, std::size_t i)>& work,
                       const std::function<bool()>& beside) {
    const int helpers = std::max(threads, 1) - 1;
    std::atomic<std::size_t> next{0};
    auto run = [&](int thread) {
        for (std::size_t i = next++; i < count; i = next++)
            work(thread, i);
    };
    std::vector<std::jthread> pool;
    for (int t = 1; t <= helpers && static_cast<std::size_t>(t) <= count; ++t)
        pool.emplace_back(run, t);
    const bool ok = beside ? beside() : true;
    run(0);
    return ok;
}

void ParallelFor(std::size_t count, int threads,
                 const std::function<void(int thread, std::size_t i)>& work) {
    ParallelForBeside(count, threads, work, nullptr);
}

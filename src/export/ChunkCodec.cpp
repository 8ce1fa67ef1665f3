#include "export/ChunkCodec.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include <libdeflate.h>
#include <zlib.h>

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
    if (zlib_ != nullptr) {
        deflateEnd(zlib_);
        delete zlib_;
    }
}

namespace {
// zlib packs runs of a few KB here; a small hash table is cleared quickly on
// every reset (the default one is 64 KB per chunk).
constexpr int kZlibMemLevel = 2;
// Planes longer than this (a chunk of more than 40 spectra) are not sorted out.
constexpr std::size_t kMaxCounted = 40 * 511;

// Bits per byte of order-0 entropy of size bytes mapped through byteOf.
// Four histograms, summed at the end, keep runs of one byte value from
// serialising the counting on one counter.
template <typename ByteOf>
double EntropyBits(std::size_t size, ByteOf byteOf) {
    std::uint32_t counts[4][256] = {};
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        ++counts[0][byteOf(i)];
        ++counts[1][byteOf(i + 1)];
        ++counts[2][byteOf(i + 2)];
        ++counts[3][byteOf(i + 3)];
    }
    for (; i < size; ++i)
        ++counts[0][byteOf(i)];
    // size * log2(size) - sum of n * log2(n), with n * log2(n) from a table.
    static const std::vector<float> nLogN = [] {
        std::vector<float> t(kMaxCounted + 1, 0.0f);
        for (std::size_t n = 1; n <= kMaxCounted; ++n)
            t[n] = static_cast<float>(n * std::log2(static_cast<double>(n)));
        return t;
    }();
    if (size > kMaxCounted || size == 0)
        return 8.0;
    double sum = 0.0;
    for (int v = 0; v < 256; ++v)
        sum += nLogN[counts[0][v] + counts[1][v] + counts[2][v] + counts[3][v]];
    return (nLogN[size] - sum) / static_cast<double>(size);
}

// A plane would shrink by less than a quarter when its bytes, and the steps
// between neighbours (runs and slow slopes, which deflate finds as matches),
// both carry more than 6 bits each; stored, it inflates many times faster.
bool LooksRandom(const std::uint8_t* bytes, std::size_t size) {
    if (size < 2 || size > kMaxCounted ||
        EntropyBits(size, [bytes](std::size_t i) { return bytes[i]; }) <= 6.0)
        return false;
    return EntropyBits(size - 1, [bytes](std::size_t i) {
               return static_cast<std::uint8_t>(bytes[i + 1] - bytes[i]);
           }) > 6.0;
}

// Stored blocks at a byte boundary: a header byte (BFINAL, type 00), LEN, ~LEN.
void AppendStored(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t size,
                  bool last) {
    do {
        const std::size_t n = std::min<std::size_t>(size, 0xFFFF);
        size -= n;
        const bool final = last && size == 0;
        const std::uint8_t header[5] = {
            static_cast<std::uint8_t>(final ? 1 : 0), static_cast<std::uint8_t>(n),
            static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(~n),
            static_cast<std::uint8_t>(~n >> 8)};
        out.insert(out.end(), header, header + 5);
        out.insert(out.end(), bytes, bytes + n);
        bytes += n;
    } while (size > 0);
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
    out.assign({0x78, 0x01});  // zlib header: deflate, 32 KB window
    for (int p = 0; p < 4;) {
        int end = p + 1;  // runs of planes of the same kind
        while (end < 4 && stored[end] == stored[p])
            ++end;
        const std::uint8_t* run = planes + p * count;
        const std::size_t runSize = (end - p) * count;
        if (stored[p]) {
            AppendStored(out, run, runSize, end == 4);
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
            // Stored blocks follow: zlib's sync flush ends the run at a byte
            // boundary with the stream left open. Run-length matches only: such
            // runs are mostly the low bytes, long runs of one value.
            if (zlib_ == nullptr) {
                zlib_ = new z_stream{};
                if (deflateInit2(zlib_, std::clamp(level_, 1, 9), Z_DEFLATED, -15, kZlibMemLevel,
                                 Z_RLE) != Z_OK) {
                    delete zlib_;
                    zlib_ = nullptr;
                    return false;
                }
            } else {
                deflateReset(zlib_);
            }
            const std::size_t at = out.size();
            const std::size_t bound = deflateBound(zlib_, runSize) + 16;
            out.resize(at + bound);
            zlib_->next_in = const_cast<Bytef*>(run);
            zlib_->avail_in = static_cast<uInt>(runSize);
            zlib_->next_out = out.data() + at;
            zlib_->avail_out = static_cast<uInt>(bound);
            if (deflate(zlib_, Z_SYNC_FLUSH) != Z_OK || zlib_->avail_in != 0)
                return false;
            out.resize(at + bound - zlib_->avail_out);
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

#include "export/ChunkCodec.h"

#include <algorithm>
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

DeflateCodec::DeflateCodec(int level) {
    if (level > 0)
        compressor_ = libdeflate_alloc_compressor(level);
    decompressor_ = libdeflate_alloc_decompressor();
}

DeflateCodec::~DeflateCodec() {
    libdeflate_free_compressor(compressor_);
    libdeflate_free_decompressor(decompressor_);
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
    // Without a place for the size produced, libdeflate wants exactly outSize bytes.
    std::size_t taken = 0;
    return decompressor_ != nullptr &&
           libdeflate_zlib_decompress_ex(decompressor_, in, size, out, outSize, &taken, nullptr) ==
               LIBDEFLATE_SUCCESS;
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

#include "export/ChunkCodec.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <libdeflate.h>

void ShuffleWords(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = in[4 * i];
        out[count + i] = in[4 * i + 1];
        out[2 * count + i] = in[4 * i + 2];
        out[3 * count + i] = in[4 * i + 3];
    }
}

void UnshuffleWords(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[4 * i] = in[i];
        out[4 * i + 1] = in[count + i];
        out[4 * i + 2] = in[2 * count + i];
        out[4 * i + 3] = in[3 * count + i];
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
    return decompressor_ != nullptr &&
           libdeflate_zlib_decompress(decompressor_, in, size, out, outSize, nullptr) ==
               LIBDEFLATE_SUCCESS;
}

void ParallelFor(std::size_t count, int threads,
                 const std::function<void(int thread, std::size_t i)>& work) {
    const int helpers = static_cast<int>(std::min<std::size_t>(
                            static_cast<std::size_t>(std::max(threads, 1)), count)) -
                        1;
    std::atomic<std::size_t> next{0};
    auto run = [&](int thread) {
        for (std::size_t i = next++; i < count; i = next++)
            work(thread, i);
    };
    std::vector<std::jthread> pool;
    for (int t = 1; t <= helpers; ++t)
        pool.emplace_back(run, t);
    run(0);
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The two filters the HDF5 file's spectra pass through, done here so that
// chunks can be packed and unpacked on several threads and handed to the
// library whole: the byte shuffle (byte k of every value together, as the HDF5
// shuffle filter lays it out) and deflate in the zlib format the HDF5 deflate
// filter reads and writes.

// Byte planes of 4-byte values: the shuffle puts byte k of value i at
// out[k * planeStride + i]; a chunk of n values has planeStride n, and one row
// of it is shuffled or unshuffled at its offset into the planes.
void ShuffleWords(const std::uint8_t* in, std::size_t count, std::uint8_t* out,
                  std::size_t planeStride);
void UnshuffleWords(const std::uint8_t* in, std::size_t planeStride, std::size_t count,
                    std::uint8_t* out);

class DeflateBlockEncoder;

// One compressor or decompressor per thread; not shared between threads.
class DeflateCodec {
  public:
    explicit DeflateCodec(int level);
    ~DeflateCodec();
    DeflateCodec(const DeflateCodec&) = delete;
    DeflateCodec& operator=(const DeflateCodec&) = delete;

    // Compresses in into out (resized to the result). False when the result
    // would not be smaller than the input, so the chunk is better stored as is.
    bool Compress(const std::uint8_t* in, std::size_t size, std::vector<std::uint8_t>& out);
    // Compresses a shuffled chunk of count 4-byte values plane by plane: a
    // plane of bytes that look random (typically the noisy middle byte of the
    // values) is kept in stored blocks, which inflate at copying speed, the
    // others are deflated; one zlib stream all the same. Deflated planes that
    // stored ones follow get a block of runs and literals; the last ones, at
    // level 1, a block of runs, repeats and literals of our own, at higher
    // levels libdeflate's. False as Compress.
    bool CompressPlanes(const std::uint8_t* planes, std::size_t count,
                        std::vector<std::uint8_t>& out);
    // Inflates exactly outSize bytes; false for a damaged or differently sized stream.
    bool Decompress(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                    std::size_t outSize);

  private:
    std::unique_ptr<DeflateBlockEncoder> encoder_;  // the fastest level's blocks
    struct libdeflate_compressor* compressor_ = nullptr;
    struct libdeflate_decompressor* decompressor_ = nullptr;
    int level_ = 0;
};

// Calls work(thread, i) for every i in [0, count) on up to threads threads
// (the calling thread is one of them); thread is 0..threads-1.
void ParallelFor(std::size_t count, int threads,
                 const std::function<void(int thread, std::size_t i)>& work);

// The same, but the calling thread first runs beside() (the file access of the
// neighbouring batch) while the other threads already work; returns its result.
bool ParallelForBeside(std::size_t count, int threads,
                       const std::function<void(int thread, std::size_t i)>& work,
                       const std::function<bool()>& beside);

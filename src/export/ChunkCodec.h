#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

// The two filters the HDF5 file's spectra pass through, done here so that
// chunks can be packed and unpacked on several threads and handed to the
// library whole: the byte shuffle (byte k of every value together, as the HDF5
// shuffle filter lays it out) and deflate in the zlib format the HDF5 deflate
// filter reads and writes, by libdeflate.

// Byte planes of 4-byte values: the shuffle puts byte k of value i at
// out[k * planeStride + i]; a chunk of n values has planeStride n, and one row
// of it is shuffled or unshuffled at its offset into the planes.
void ShuffleWords(const std::uint8_t* in, std::size_t count, std::uint8_t* out,
                  std::size_t planeStride);
void UnshuffleWords(const std::uint8_t* in, std::size_t planeStride, std::size_t count,
                    std::uint8_t* out);

// One libdeflate compressor (level > 0) and decompressor per thread; not
// shared between threads.
class DeflateCodec {
  public:
    explicit DeflateCodec(int level);
    ~DeflateCodec();
    DeflateCodec(const DeflateCodec&) = delete;
    DeflateCodec& operator=(const DeflateCodec&) = delete;

    // Compresses in into one zlib stream in out (resized to the result). False
    // when the result would not be smaller than the input, so the chunk is
    // better stored as is.
    bool Compress(const std::uint8_t* in, std::size_t size, std::vector<std::uint8_t>& out);
    // Inflates the zlib stream at the start of the size bytes of in into
    // exactly outSize bytes; false for a damaged or differently sized stream.
    // Bytes after the stream's end are ignored, as the library's deflate
    // filter ignores them.
    bool Decompress(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                    std::size_t outSize);

  private:
    struct libdeflate_compressor* compressor_ = nullptr;
    struct libdeflate_decompressor* decompressor_ = nullptr;
};

// The threads a file's chunks are packed or unpacked on when the caller does
// not say: the machine's cores, two to four (beyond four the one thread that
// talks to the library is the limit).
int TeamThreads();

// Threads that stay for the whole of a file's chunks: each Run hands them one
// batch, so that batches can be small (their buffers are touched afresh by
// every export and read) without a thread being started for each.
class WorkTeam {
  public:
    explicit WorkTeam(int threads);  // the calling thread and threads - 1 helpers
    ~WorkTeam();
    WorkTeam(const WorkTeam&) = delete;
    WorkTeam& operator=(const WorkTeam&) = delete;

    // Calls work(thread, i) for every i in [0, count), thread 0..threads-1
    // (0 is the calling thread); the calling thread first runs beside() (the
    // file access of the neighbouring batch) while the helpers already work.
    // Returns when every call has returned, with beside's result.
    bool Run(std::size_t count, const std::function<void(int thread, std::size_t i)>& work,
             const std::function<bool()>& beside = nullptr);

  private:
    void Help(int thread);
    void Work(int thread);

    std::vector<std::jthread> helpers_;
    std::atomic<std::uint64_t> round_{0};  // one more for each Run, and to stop
    std::atomic<std::size_t> next_{0};
    std::atomic<int> busy_{0};  // helpers not yet done with the current Run
    std::size_t count_ = 0;
    const std::function<void(int, std::size_t)>* work_ = nullptr;
    bool stop_ = false;
};

#include "export/Hdf5ReadAheadDriver.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <type_traits>
#include <vector>

namespace {
// Raw data is read in blocks of this size; a chunk of /spectra is about 10 KB.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr haddr_t kMostAddress = (haddr_t{1} << 62) - 1;

struct ReadAheadFile {
    H5FD_t pub;  // the library's part; first, as the library casts to it
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    haddr_t eoa = 0;
    haddr_t eof = 0;
    std::vector<std::uint8_t> block;  // the file's bytes [blockAt, blockAt + blockFilled)
    haddr_t blockAt = 0;
    std::size_t blockFilled = 0;
};

// The library hands back the pointer to pub that Open gave it.
static_assert(std::is_standard_layout_v<ReadAheadFile>);

ReadAheadFile* Of(H5FD_t* file) {
    return reinterpret_cast<ReadAheadFile*>(file);
}
const ReadAheadFile* Of(const H5FD_t* file) {
    return reinterpret_cast<const ReadAheadFile*>(file);
}

// Blocks outlive the files they were read for: fresh memory costs a page fault
// for every 4 KB, which for a new block took longer than reading a megabyte
// into it. A few are kept for the next files.
std::mutex blocksLock;
std::vector<std::vector<std::uint8_t>> spareBlocks;  // under blocksLock
constexpr std::size_t kMostSpareBlocks = 2;

std::vector<std::uint8_t> TakeBlock() {
    {
        const std::lock_guard<std::mutex> lock(blocksLock);
        if (!spareBlocks.empty()) {
            std::vector<std::uint8_t> block = std::move(spareBlocks.back());
            spareBlocks.pop_back();
            return block;
        }
    }
    return std::vector<std::uint8_t>(kBlockSize);
}

void GiveBack(std::vector<std::uint8_t>&& block) {
    if (block.size() != kBlockSize)
        return;
    const std::lock_guard<std::mutex> lock(blocksLock);
    if (spareBlocks.size() < kMostSpareBlocks)
        spareBlocks.push_back(std::move(block));
}

// Reads size bytes at at; bytes past the end of the file read as zeros, as
// with the default driver.
bool ReadAt(int fd, haddr_t at, std::uint8_t* to, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, to + done, size - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    std::memset(to + done, 0, size - done);
    return true;
}

H5FD_t* Open(const char* name, unsigned flags, hid_t, haddr_t maxaddr) {
    if ((flags & (H5F_ACC_RDWR | H5F_ACC_CREAT | H5F_ACC_TRUNC | H5F_ACC_EXCL)) != 0 ||
        name == nullptr || maxaddr == 0 || maxaddr == HADDR_UNDEF || maxaddr > kMostAddress)
        return nullptr;
    const int fd = open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        return nullptr;
    }
    auto* file = new ReadAheadFile{};
    file->fd = fd;
    file->device = st.st_dev;
    file->inode = st.st_ino;
    file->eof = static_cast<haddr_t>(st.st_size);
    return &file->pub;
}

herr_t Close(H5FD_t* file) {
    ReadAheadFile* f = Of(file);
    const int result = close(f->fd);
    GiveBack(std::move(f->block));
    delete f;
    return result == 0 ? 0 : -1;
}

int Compare(const H5FD_t* a, const H5FD_t* b) {
    const ReadAheadFile* fa = Of(a);
    const ReadAheadFile* fb = Of(b);
    if (fa->device != fb->device)
        return fa->device < fb->device ? -1 : 1;
    if (fa->inode != fb->inode)
        return fa->inode < fb->inode ? -1 : 1;
    return 0;
}

herr_t Query(const H5FD_t*, unsigned long* flags) {
    if (flags != nullptr) {
        // As the default driver: the library gathers small metadata reads.
        *flags = H5FD_FEAT_AGGREGATE_METADATA | H5FD_FEAT_ACCUMULATE_METADATA |
                 H5FD_FEAT_DATA_SIEVE | H5FD_FEAT_AGGREGATE_SMALLDATA;
    }
    return 0;
}

haddr_t GetEoa(const H5FD_t* file, H5FD_mem_t) {
    return Of(file)->eoa;
}

herr_t SetEoa(H5FD_t* file, H5FD_mem_t, haddr_t address) {
    Of(file)->eoa = address;
    return 0;
}

haddr_t GetEof(const H5FD_t* file, H5FD_mem_t) {
    return Of(file)->eof;
}

herr_t GetHandle(H5FD_t* file, hid_t, void** handle) {
    if (handle == nullptr)
        return -1;
    *handle = &Of(file)->fd;
    return 0;
}

herr_t Read(H5FD_t* file, H5FD_mem_t type, hid_t, haddr_t address, std::size_t size, void* buffer) {
    ReadAheadFile* f = Of(file);
    if (address == HADDR_UNDEF || address > kMostAddress || size > kMostAddress - address ||
        address + size > f->eoa)
        return -1;
    auto* to = static_cast<std::uint8_t*>(buffer);
    if (type != H5FD_MEM_DRAW || size >= kBlockSize)
        return ReadAt(f->fd, address, to, size) ? 0 : -1;
    // Raw data: from the block, refilled from here when it does not hold
    // all of it.
    if (address < f->blockAt || address + size > f->blockAt + f->blockFilled) {
        if (f->block.empty())
            f->block = TakeBlock();
        f->blockFilled = 0;
        if (!ReadAt(f->fd, address, f->block.data(), kBlockSize))
            return -1;
        // Bytes past the end of the file are zeros, held like the others.
        f->blockAt = address;
        f->blockFilled = kBlockSize;
    }
    std::memcpy(to, f->block.data() + (address - f->blockAt), size);
    return 0;
}

herr_t Write(H5FD_t*, H5FD_mem_t, hid_t, haddr_t, std::size_t, const void*) {
    return -1;  // read only
}

herr_t Truncate(H5FD_t*, hid_t, hbool_t) {
    return 0;  // nothing is written
}

// As the default driver locks: shared for reading, so that a file another
// program holds for writing through the library is not read half-written; a
// file system without locks is read all the same, as the library does.
herr_t Lock(H5FD_t* file, hbool_t rw) {
    if (flock(Of(file)->fd, (rw ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0 || errno == ENOSYS)
        return 0;
    return -1;
}

herr_t Unlock(H5FD_t* file) {
    if (flock(Of(file)->fd, LOCK_UN) == 0 || errno == ENOSYS)
        return 0;
    return -1;
}

const H5FD_class_t kReadAheadClass = {
    "vl_read_ahead",
    kMostAddress,
    H5F_CLOSE_WEAK,
    nullptr,  // terminate
    nullptr,  // sb_size
    nullptr,  // sb_encode
    nullptr,  // sb_decode
    0,        // fapl_size
    nullptr,  // fapl_get
    nullptr,  // fapl_copy
    nullptr,  // fapl_free
    0,        // dxpl_size
    nullptr,  // dxpl_copy
    nullptr,  // dxpl_free
    Open,
    Close,
    Compare,
    Query,
    nullptr,  // get_type_map
    nullptr,  // alloc
    nullptr,  // free
    GetEoa,
    SetEoa,
    GetEof,
    GetHandle,
    Read,
    Write,
    nullptr,  // flush
    Truncate,
    Lock,
    Unlock,
    H5FD_FLMAP_DICHOTOMY,
};
}  // namespace

H5Handle ReadAheadAccess() {
    static const hid_t driver = H5FDregister(&kReadAheadClass);
    if (driver < 0)
        return {};
    H5Handle access = PropertyHandle(H5Pcreate(H5P_FILE_ACCESS));
    if (!access || H5Pset_driver(access.get(), driver, nullptr) < 0)
        return {};
    return access;
}

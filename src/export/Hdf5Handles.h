#pragma once

#include <utility>

#include <hdf5.h>

// An HDF5 identifier that closes itself; invalid (negative) when the call
// that made it failed.
class H5Handle {
  public:
    using Closer = herr_t (*)(hid_t);
    H5Handle() = default;
    H5Handle(hid_t id, Closer close) : id_(id), close_(close) {}
    H5Handle(H5Handle&& other) noexcept
        : id_(std::exchange(other.id_, H5I_INVALID_HID)), close_(other.close_) {}
    H5Handle& operator=(H5Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            id_ = std::exchange(other.id_, H5I_INVALID_HID);
            close_ = other.close_;
        }
        return *this;
    }
    H5Handle(const H5Handle&) = delete;
    H5Handle& operator=(const H5Handle&) = delete;
    ~H5Handle() { Reset(); }

    hid_t get() const { return id_; }
    bool valid() const { return id_ >= 0; }
    explicit operator bool() const { return valid(); }
    // Closes now; false when closing failed (for a file: its last writes).
    bool Close() {
        const bool ok = !valid() || close_(id_) >= 0;
        id_ = H5I_INVALID_HID;
        return ok;
    }

  private:
    void Reset() {
        if (valid())
            close_(id_);
        id_ = H5I_INVALID_HID;
    }
    hid_t id_ = H5I_INVALID_HID;
    Closer close_ = nullptr;
};

inline H5Handle FileHandle(hid_t id) {
    return {id, H5Fclose};
}
inline H5Handle DataSetHandle(hid_t id) {
    return {id, H5Dclose};
}
inline H5Handle GroupHandle(hid_t id) {
    return {id, H5Gclose};
}
inline H5Handle SpaceHandle(hid_t id) {
    return {id, H5Sclose};
}
inline H5Handle TypeHandle(hid_t id) {
    return {id, H5Tclose};
}
inline H5Handle PropertyHandle(hid_t id) {
    return {id, H5Pclose};
}
inline H5Handle AttributeHandle(hid_t id) {
    return {id, H5Aclose};
}

// The library prints its error stack to stderr by default; the file code
// reports failures through its results instead.
inline void SilenceHdf5Errors() {
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

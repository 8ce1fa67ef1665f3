#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include <QString>

#include "data/FileResult.h"

// Cell texts of the spectrum CSV files, written straight into a caller's
// buffer. Each Append* returns the position after what it wrote.

// Room one "%3.1f" text may take: a float widened to double prints at most 39
// integer digits, a sign, the point and one decimal.
inline constexpr std::size_t kMaxFixedChars = 48;

// v widened to double as printf's "%3.1f" in the C locale (rounded half to
// even on the exact binary value; "nan", "-nan", "inf", "-inf" for the special values).
char* AppendFixed1(char* out, float v);

// n as "%d" and as "%3d".
char* AppendInt(char* out, std::int32_t n);
char* AppendInt3(char* out, std::int32_t n);

inline char* AppendText(char* out, const char* text, std::size_t size) {
    std::memcpy(out, text, size);
    return out + size;
}

// The record time's local date "%Y/%m/%d" and time "%H:%M:%S" (10 and 8
// characters), or the placeholders when local time cannot represent it.
struct StampCells {
    char date[10];
    char time[8];
};
StampCells StampCellsOf(std::int64_t timeStamp);

// A growing line of cells; Room(n) gives space for at least n more bytes.
class LineText {
  public:
    char* Room(std::size_t n) {
        if (used_ + n > text_.size())
            text_.resize(std::max(text_.size() * 2, used_ + n));
        return text_.data() + used_;
    }
    void Done(char* end) { used_ = static_cast<std::size_t>(end - text_.data()); }
    void Append(const char* data, std::size_t size) {
        char* out = Room(size);
        std::copy(data, data + size, out);
        Done(out + size);
    }
    void Clear() { used_ = 0; }
    const char* data() const { return text_.data(); }
    std::size_t size() const { return used_; }

  private:
    std::vector<char> text_;
    std::size_t used_ = 0;
};

// A CSV file's result with its message naming the file: "ファイルを開けません: "
// when it could not be created, "ファイルの書き込みに失敗しました: " when a write failed.
FileResult CsvFileResult(const FileResult& result, const QString& path);

// Storage for bytes about to be written over: growing it keeps the bytes it
// holds, but new room is never zero-filled (and so never touched before it is
// used), unlike std::vector<char>.
//
// The line reader and the output buffer of a report run borrow one each
// (CReportBuffers), so that the files of one run share them instead of
// allocating and filling fresh blocks for every file.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>

class CByteBlock {
 public:
  CByteBlock() = default;
  explicit CByteBlock(std::size_t size) { Grow(size); }
  CByteBlock(const CByteBlock&) = delete;
  CByteBlock& operator=(const CByteBlock&) = delete;

  char* data() { return bytes_.get(); }
  const char* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }

  // At least size bytes from now on; the first kept bytes stay as they are.
  void Grow(std::size_t size, std::size_t kept) {
    if (size <= size_) {
      return;
    }
    std::unique_ptr<char[]> larger = std::make_unique_for_overwrite<char[]>(size);
    if (kept > 0) {
      std::memcpy(larger.get(), bytes_.get(), kept < size_ ? kept : size_);
    }
    bytes_ = std::move(larger);
    size_ = size;
  }
  void Grow(std::size_t size) { Grow(size, size_); }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
};

// The two blocks one file's report needs, kept by a run for all its files.
struct CReportBuffers {
  CByteBlock input;   // the timing file's lines
  CByteBlock output;  // the report on its way to the file
};

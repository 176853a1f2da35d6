// A large write buffer in front of a byte sink, for writing reports fast.
//
// Appends copy into one fixed block; a full block goes to the sink in a single
// call. Text longer than the block goes to the sink directly, so memory stays
// at the block size however long a token is.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "verify/ByteBlock.h"

// The longest character reference one byte becomes ("&quot;").
inline constexpr std::size_t kMaxEscapedBytesPerByte = 6;

// Writes text at `at` with &, <, > and " as HTML character references and
// returns the end: at most kMaxEscapedBytesPerByte bytes per byte of text.
char* PutHtmlEscaped(char* at, std::string_view text);

class COutputBuffer {
 public:
  // Receives each filled block; throws to report a write failure.
  using TSink = std::function<void(std::string_view bytes)>;

  static constexpr std::size_t kDefaultBlockSize = 1 << 20;

  explicit COutputBuffer(TSink sink, std::size_t blockSize = kDefaultBlockSize);
  // Collects in storage, which must outlive this buffer; what it held is
  // overwritten. A run lends the same storage to the reports of all its
  // files.
  COutputBuffer(TSink sink, CByteBlock& storage, std::size_t blockSize = kDefaultBlockSize);
  COutputBuffer(const COutputBuffer&) = delete;
  COutputBuffer& operator=(const COutputBuffer&) = delete;

  void Append(std::string_view text) {
    if (text.size() <= block_.size() - used_) {
      if (!text.empty()) {
        std::char_traits<char>::copy(block_.data() + used_, text.data(), text.size());
        used_ += text.size();
      }
      return;
    }
    AppendSlow(text);
  }
  void Append(char c) {
    if (used_ == block_.size()) {
      Flush();
    }
    block_.data()[used_++] = c;
  }
  // Appends text with &, <, > and " written as HTML character references.
  void AppendHtmlEscaped(std::string_view text);

  // Room for at least n bytes written directly at the returned pointer; then
  // Commit with the end of what was written. The block grows when n exceeds
  // it, so n should be bounded by the longest input line.
  char* Reserve(std::size_t n) {
    if (n > block_.size() - used_) {
      MakeRoom(n);
    }
    return block_.data() + used_;
  }
  void Commit(const char* end) { used_ = static_cast<std::size_t>(end - block_.data()); }

  // Hands everything buffered to the sink.
  void Flush();
  // Bytes handed to the sink or waiting in the block.
  unsigned long long BytesWritten() const { return flushed_ + used_; }

 private:
  void AppendSlow(std::string_view text);
  void MakeRoom(std::size_t n);

  TSink sink_;
  CByteBlock own_;     // the storage when none is lent
  CByteBlock& block_;  // own_ or the lent storage
  std::size_t used_ = 0;
  unsigned long long flushed_ = 0;
};

// Reads text line by line from a byte source in large blocks.
//
// A line ends at a line feed; a carriage return directly before it belongs to
// the line end, and the last line may lack its line end. A line up to the
// held-line size is returned whole; a longer one is handed out piece by piece
// (NextLinePiece), so memory is bounded by the held-line size plus one block
// whatever the line lengths and the number of lines. A line longer than the
// line limit is an error naming the source and the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include "verify/ByteBlock.h"

class CLineReader {
 public:
  // Fills up to size bytes at data and returns how many; 0 means the end.
  // Throws to report a read failure.
  using TReadFn = std::function<std::size_t(char* data, std::size_t size)>;

  static constexpr std::size_t kDefaultBlockSize = 1 << 20;
  // Lines up to this length are returned whole.
  static constexpr std::size_t kDefaultHeldLine = 1 << 18;
  // Longer lines are an error.
  static constexpr std::uint64_t kDefaultLineLimit = std::uint64_t{1} << 30;

  explicit CLineReader(TReadFn read, std::size_t blockSize = kDefaultBlockSize);
  // Reads into storage, which must outlive the reader; what it held is
  // overwritten. A run hands the same storage to the readers of all its
  // files, so that each file does not allocate and touch a fresh block.
  CLineReader(TReadFn read, CByteBlock& storage, std::size_t blockSize = kDefaultBlockSize);
  CLineReader(const CLineReader&) = delete;
  CLineReader& operator=(const CLineReader&) = delete;

  // heldLine: the longest line returned whole (at least 1); lineLimit: the
  // longest line accepted; sourceName names the source in the limit's error
  // ("timing file \"x\""), limitName how to change the limit.
  void SetLineLimits(std::size_t heldLine, std::uint64_t lineLimit, std::string sourceName,
                     std::string limitName = {});

  // The next line without its line end; false at the end of the input. The
  // view stays valid until the next call. When InLongLine() is true afterwards
  // the line was longer than the held-line size: line is then empty and the
  // line's bytes come from NextLinePiece (the rest of a long line not taken
  // is skipped by the next call).
  bool Next(std::string_view& line);
  bool InLongLine() const { return long_; }
  // The next piece of the current long line (never empty); false once the
  // line has ended, its line feed consumed. A carriage return before the line
  // feed stays in the last piece. Throws std::runtime_error naming the source
  // and line when the line passes the line limit.
  bool NextLinePiece(std::string_view& piece);

  // 1-based number of the line last returned.
  std::uint64_t LineNumber() const { return lineNumber_; }
  // Offset in the source of the first byte of the line last returned.
  std::uint64_t LineOffset() const { return lineOffset_; }
  // Bytes taken from the source so far.
  std::uint64_t BytesRead() const { return bytesRead_; }
  std::size_t BufferCapacity() const { return buffer_.size(); }

 private:
  bool Refill();  // false when the source is exhausted
  void CheckLineLength(std::uint64_t length) const;
  void EnterLongLine();

  TReadFn read_;
  std::size_t blockSize_;
  CByteBlock own_;           // the storage when none is lent
  CByteBlock& buffer_;       // own_ or the lent storage
  std::size_t begin_ = 0;    // first byte not yet returned
  std::size_t end_ = 0;      // end of the bytes read into the buffer
  std::size_t scanned_ = 0;  // bytes from begin_ known to hold no line feed
  bool atEnd_ = false;
  std::uint64_t lineNumber_ = 0;
  std::uint64_t bytesRead_ = 0;
  std::uint64_t base_ = 0;  // source offset of buffer_[0]
  std::uint64_t lineOffset_ = 0;
  std::size_t heldLine_ = kDefaultHeldLine;
  std::uint64_t lineLimit_ = kDefaultLineLimit;
  std::string sourceName_ = "input";
  std::string limitName_;
  bool long_ = false;             // handing out a long line
  bool longEnded_ = false;        // its line feed has been consumed
  std::uint64_t longLength_ = 0;  // its bytes handed out so far
};

// A source that hands out the bytes of text held in memory (which must
// outlive the reader), as much as each call asks for.
CLineReader::TReadFn TextSource(std::string_view text);

// A file opened for reading, closed when this object goes away. Errors name
// the file: "cannot open timing file "x": No such file or directory". The
// path is handed to the system as FileSystemName gives it, as Tcl's own open
// does.
class CInputFile {
 public:
  // what names the kind of file in messages ("timing file").
  CInputFile(const std::string& path, std::string what);
  ~CInputFile();
  CInputFile(const CInputFile&) = delete;
  CInputFile& operator=(const CInputFile&) = delete;

  // As CLineReader::TReadFn: throws std::runtime_error on a read failure.
  std::size_t Read(char* data, std::size_t size);
  // Reads at an offset without moving the read position; for a regular file
  // only (CanReadAt). Throws as Read does.
  std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size);
  bool CanReadAt() const { return regular_; }
  // The file's size in bytes when it is a regular file, else 0.
  std::uint64_t Size() const { return size_; }
  const std::string& Path() const { return path_; }
  // For a regular file read to its end in bytesRead bytes: a message naming
  // the file when its size changed while it was read (so the bytes read may
  // not be the file as it was, or as it is); nothing otherwise.
  std::optional<std::string> ChangeWhileRead(std::uint64_t bytesRead) const;

 private:
  [[noreturn]] void FailRead(int error) const;

  std::string path_;
  std::string what_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  bool regular_ = false;
};

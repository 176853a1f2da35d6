// Reads text line by line from a byte source in large blocks.
//
// A line ends at a line feed; a carriage return directly before it belongs to
// the line end, and the last line may lack its line end. Lines of any length
// are returned whole: the buffer grows to the longest line plus one block and
// no further, so memory does not depend on the number of lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CLineReader {
 public:
  // Fills up to size bytes at data and returns how many; 0 means the end.
  // Throws to report a read failure.
  using TReadFn = std::function<std::size_t(char* data, std::size_t size)>;

  static constexpr std::size_t kDefaultBlockSize = 1 << 20;

  explicit CLineReader(TReadFn read, std::size_t blockSize = kDefaultBlockSize);
  CLineReader(const CLineReader&) = delete;
  CLineReader& operator=(const CLineReader&) = delete;

  // The next line without its line end; false at the end of the input. The
  // view stays valid until the next call.
  bool Next(std::string_view& line);
  // 1-based number of the line last returned.
  std::uint64_t LineNumber() const { return lineNumber_; }
  // Bytes taken from the source so far.
  std::uint64_t BytesRead() const { return bytesRead_; }
  std::size_t BufferCapacity() const { return buffer_.size(); }

 private:
  bool Refill();  // false when the source is exhausted

  TReadFn read_;
  std::size_t blockSize_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;    // first byte not yet returned
  std::size_t end_ = 0;      // end of the bytes read into the buffer
  std::size_t scanned_ = 0;  // bytes from begin_ known to hold no line feed
  bool atEnd_ = false;
  std::uint64_t lineNumber_ = 0;
  std::uint64_t bytesRead_ = 0;
};

// A source that hands out the bytes of text held in memory (which must
// outlive the reader), as much as each call asks for.
CLineReader::TReadFn TextSource(std::string_view text);

// A file opened for reading, closed when this object goes away. Errors name
// the file: "cannot open timing file "x": No such file or directory".
class CInputFile {
 public:
  // what names the kind of file in messages ("timing file").
  CInputFile(const std::string& path, std::string what);
  ~CInputFile();
  CInputFile(const CInputFile&) = delete;
  CInputFile& operator=(const CInputFile&) = delete;

  // As CLineReader::TReadFn: throws std::runtime_error on a read failure.
  std::size_t Read(char* data, std::size_t size);
  // The file's size in bytes when it is a regular file, else 0.
  std::uint64_t Size() const { return size_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string what_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

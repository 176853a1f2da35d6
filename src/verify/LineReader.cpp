#include "verify/LineReader.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "util/Platform.h"
#include "util/StringUtil.h"

CLineReader::CLineReader(TReadFn read, std::size_t blockSize)
    : CLineReader(std::move(read), own_, blockSize) {}

CLineReader::CLineReader(TReadFn read, CByteBlock& storage, std::size_t blockSize)
    : read_(std::move(read)), blockSize_(blockSize == 0 ? 1 : blockSize), buffer_(storage) {
  buffer_.Grow(blockSize_, 0);
}

bool CLineReader::Refill() {
  if (atEnd_) {
    return false;
  }
  // Move the unfinished line to the front, and grow only when it fills the
  // whole buffer: then the buffer is one block larger than that line.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    base_ += begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    buffer_.Grow(buffer_.size() + blockSize_, end_);
  }
  const std::size_t n = read_(buffer_.data() + end_, buffer_.size() - end_);
  if (n == 0) {
    atEnd_ = true;
    return false;
  }
  end_ += n;
  bytesRead_ += n;
  return true;
}

void CLineReader::SetLineLimits(std::size_t heldLine, std::uint64_t lineLimit,
                                std::string sourceName, std::string limitName) {
  heldLine_ = heldLine == 0 ? 1 : heldLine;
  lineLimit_ = lineLimit;
  sourceName_ = std::move(sourceName);
  limitName_ = std::move(limitName);
}

void CLineReader::CheckLineLength(std::uint64_t length) const {
  if (length > lineLimit_) {
    throw std::runtime_error(sourceName_ + " line " + std::to_string(lineNumber_) +
                             ": the line is longer than the limit of " +
                             std::to_string(lineLimit_) + " bytes" +
                             (limitName_.empty() ? "" : " (" + limitName_ + ")"));
  }
}

// The line at begin_ is too long to hold: the caller takes it piece by piece.
void CLineReader::EnterLongLine() {
  ++lineNumber_;
  lineOffset_ = base_ + begin_;
  scanned_ = 0;
  long_ = true;
  longEnded_ = false;
  longLength_ = 0;
}

bool CLineReader::Next(std::string_view& line) {
  if (long_) {
    // The caller left the rest of a long line: skip it.
    std::string_view rest;
    while (NextLinePiece(rest)) {
    }
  }
  for (;;) {
    const char* from = buffer_.data() + begin_ + scanned_;
    const std::size_t left = end_ - begin_ - scanned_;
    const auto* feed = static_cast<const char*>(std::memchr(from, '\n', left));
    if (feed != nullptr) {
      const std::size_t length = static_cast<std::size_t>(feed - (buffer_.data() + begin_));
      if (length > heldLine_) {
        EnterLongLine();
        line = {};
        return true;
      }
      line = std::string_view(buffer_.data() + begin_, length);
      lineOffset_ = base_ + begin_;
      begin_ += length + 1;
      scanned_ = 0;
      break;
    }
    scanned_ = end_ - begin_;
    if (scanned_ >= heldLine_) {
      EnterLongLine();
      line = {};
      return true;
    }
    if (!Refill()) {
      if (begin_ == end_) {
        return false;
      }
      line = std::string_view(buffer_.data() + begin_, end_ - begin_);
      lineOffset_ = base_ + begin_;
      begin_ = end_;
      scanned_ = 0;
      break;
    }
  }
  ++lineNumber_;
  CheckLineLength(line.size());
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  return true;
}

bool CLineReader::NextLinePiece(std::string_view& piece) {
  if (!long_) {
    return false;
  }
  while (!longEnded_) {
    if (begin_ == end_ && !Refill()) {
      break;
    }
    const char* from = buffer_.data() + begin_;
    const std::size_t left = end_ - begin_;
    const auto* feed = static_cast<const char*>(std::memchr(from, '\n', left));
    const std::size_t n = feed != nullptr ? static_cast<std::size_t>(feed - from) : left;
    begin_ += n + (feed != nullptr ? 1 : 0);
    longEnded_ = feed != nullptr;
    longLength_ += n;
    CheckLineLength(longLength_);
    if (n > 0) {
      piece = std::string_view(from, n);
      return true;
    }
  }
  long_ = false;
  return false;
}

CInputFile::CInputFile(const std::string& path, std::string what)
    : path_(path), what_(std::move(what)) {
  fd_ = ::open(FileSystemName(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    throw std::runtime_error("cannot open " + what_ + " " + QuotedForMessage(path_) + ": " +
                             std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(fd_, &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      ::close(fd_);
      throw std::runtime_error("cannot open " + what_ + " " + QuotedForMessage(path_) + ": " +
                               std::strerror(EISDIR));
    }
    if (S_ISREG(info.st_mode)) {
      size_ = static_cast<std::uint64_t>(info.st_size);
      regular_ = true;
      ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
  }
}

CInputFile::~CInputFile() {
  ::close(fd_);
}

std::size_t CInputFile::Read(char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n >= 0) {
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) {
      FailRead(errno);
    }
  }
}

std::size_t CInputFile::ReadAt(std::uint64_t offset, char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::pread(fd_, data, size, static_cast<off_t>(offset));
    if (n >= 0) {
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) {
      FailRead(errno);
    }
  }
}

void CInputFile::FailRead(int error) const {
  throw std::runtime_error("cannot read " + what_ + " " + QuotedForMessage(path_) + ": " +
                           std::strerror(error));
}

std::optional<std::string> CInputFile::ChangeWhileRead(std::uint64_t bytesRead) const {
  struct stat info {};
  if (!regular_ || ::fstat(fd_, &info) != 0) {
    return std::nullopt;
  }
  const auto now = static_cast<std::uint64_t>(info.st_size);
  if (now == size_ && bytesRead == size_) {
    return std::nullopt;
  }
  return what_ + " " + QuotedForMessage(path_) + " changed while it was read (" +
         std::to_string(size_) + " bytes when opened, " + std::to_string(bytesRead) + " read, " +
         std::to_string(now) + " now): its report may not match the file";
}

CLineReader::TReadFn TextSource(std::string_view text) {
  return [text, at = std::size_t{0}](char* data, std::size_t size) mutable {
    const std::size_t n = std::min(size, text.size() - at);
    std::copy_n(text.data() + at, n, data);
    at += n;
    return n;
  };
}

#include "verify/LineReader.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

CLineReader::CLineReader(TReadFn read, std::size_t blockSize)
    : read_(std::move(read)), blockSize_(blockSize == 0 ? 1 : blockSize), buffer_(blockSize_) {}

bool CLineReader::Refill() {
  if (atEnd_) {
    return false;
  }
  // Move the unfinished line to the front, and grow only when it fills the
  // whole buffer: then the buffer is one block larger than that line.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    buffer_.resize(buffer_.size() + blockSize_);
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

bool CLineReader::Next(std::string_view& line) {
  for (;;) {
    const char* from = buffer_.data() + begin_ + scanned_;
    const std::size_t left = end_ - begin_ - scanned_;
    const auto* feed = static_cast<const char*>(std::memchr(from, '\n', left));
    if (feed != nullptr) {
      const std::size_t length = static_cast<std::size_t>(feed - (buffer_.data() + begin_));
      line = std::string_view(buffer_.data() + begin_, length);
      begin_ += length + 1;
      scanned_ = 0;
      break;
    }
    scanned_ = end_ - begin_;
    if (!Refill()) {
      if (begin_ == end_) {
        return false;
      }
      line = std::string_view(buffer_.data() + begin_, end_ - begin_);
      begin_ = end_;
      scanned_ = 0;
      break;
    }
  }
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  ++lineNumber_;
  return true;
}

CInputFile::CInputFile(const std::string& path, std::string what)
    : path_(path), what_(std::move(what)) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    throw std::runtime_error("cannot open " + what_ + " \"" + path_ +
                             "\": " + std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(fd_, &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      ::close(fd_);
      throw std::runtime_error("cannot open " + what_ + " \"" + path_ +
                               "\": " + std::strerror(EISDIR));
    }
    if (S_ISREG(info.st_mode)) {
      size_ = static_cast<std::uint64_t>(info.st_size);
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
      throw std::runtime_error("cannot read " + what_ + " \"" + path_ +
                               "\": " + std::strerror(errno));
    }
  }
}

CLineReader::TReadFn TextSource(std::string_view text) {
  return [text, at = std::size_t{0}](char* data, std::size_t size) mutable {
    const std::size_t n = std::min(size, text.size() - at);
    std::copy_n(text.data() + at, n, data);
    at += n;
    return n;
  };
}

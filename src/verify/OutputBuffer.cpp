#include "verify/OutputBuffer.h"

#include <array>
#include <utility>

namespace {

// The character reference for the bytes that must not stand raw in a cell,
// or an empty view for every other byte.
std::string_view HtmlReference(unsigned char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    default:
      return {};
  }
}

constexpr std::array<bool, 256> MakeEscapeTable() {
  std::array<bool, 256> table{};
  table['&'] = table['<'] = table['>'] = table['"'] = true;
  return table;
}
constexpr std::array<bool, 256> kNeedsEscape = MakeEscapeTable();

}  // namespace

char* PutHtmlEscaped(char* at, std::string_view text) {
  for (const char c : text) {
    if (kNeedsEscape[static_cast<unsigned char>(c)]) {
      const std::string_view reference = HtmlReference(static_cast<unsigned char>(c));
      at = std::char_traits<char>::copy(at, reference.data(), reference.size()) + reference.size();
    } else {
      *at++ = c;
    }
  }
  return at;
}

COutputBuffer::COutputBuffer(TSink sink, std::size_t blockSize)
    : COutputBuffer(std::move(sink), own_, blockSize) {}

COutputBuffer::COutputBuffer(TSink sink, CByteBlock& storage, std::size_t blockSize)
    : sink_(std::move(sink)), block_(storage) {
  block_.Grow(blockSize == 0 ? 1 : blockSize, 0);
}

void COutputBuffer::AppendSlow(std::string_view text) {
  Flush();
  if (text.size() <= block_.size()) {
    std::char_traits<char>::copy(block_.data(), text.data(), text.size());
    used_ = text.size();
    return;
  }
  sink_(text);
  flushed_ += text.size();
}

void COutputBuffer::MakeRoom(std::size_t n) {
  Flush();
  block_.Grow(n, 0);
}

void COutputBuffer::AppendHtmlEscaped(std::string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!kNeedsEscape[c]) {
      continue;
    }
    Append(text.substr(runStart, i - runStart));
    Append(HtmlReference(c));
    runStart = i + 1;
  }
  Append(text.substr(runStart));
}

void COutputBuffer::Flush() {
  if (used_ == 0) {
    return;
  }
  const std::size_t n = std::exchange(used_, 0);
  sink_(std::string_view(block_.data(), n));
  flushed_ += n;
}

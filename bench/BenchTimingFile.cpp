#include "BenchTimingFile.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

std::uint64_t WriteBenchTimingFile(const std::filesystem::path& path, std::uint64_t maxRecords,
                                   std::uint64_t maxBytes, std::uint64_t seed) {
  std::ofstream out(path, std::ios::binary);
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
  const auto next = [&seed]() {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
  };
  constexpr std::size_t kBlockBytes = 1 << 20;
  std::string block = "0 start 0\n";
  std::uint64_t written = 0;
  std::uint64_t time = 0;
  char line[512];
  for (std::uint64_t record = 0; record < maxRecords && written + block.size() < maxBytes;
       ++record) {
    const unsigned clocks = 3 + static_cast<unsigned>(next() % 7);
    time += clocks * 10;
    int n = std::snprintf(line, sizeof line, "%llu out %u", static_cast<unsigned long long>(time),
                          clocks);
    for (int pair = 0; pair < 8; ++pair) {
      const unsigned value = static_cast<unsigned>(next() & 0xffff);
      const unsigned rtl = next() % 50 == 0 ? (value ^ 1u) : value;
      n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), " 0x%04x 0x%04x",
                         value, rtl);
    }
    line[n++] = '\n';
    block.append(line, static_cast<std::size_t>(n));
    if (block.size() >= kBlockBytes) {
      out << block;
      written += block.size();
      block.clear();
    }
  }
  out << block;
  written += block.size();
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + path.string());
  }
  return written;
}

// The timing files the benchmarks read: a start record, then output records
// of 8 pairs of 16-bit hex values (about one pair in fifty disagreeing) at 3
// to 9 clocks apart, from a fixed pseudo-random sequence.
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>

inline constexpr std::uint64_t kBenchDefaultSeed = 0x2545F4914F6CDD1Dull;
inline constexpr std::uint64_t kBenchNoLimit = std::numeric_limits<std::uint64_t>::max();

// Writes output records until maxRecords are written or the file holds at
// least maxBytes; returns the file's size in bytes. Throws when the file
// cannot be written.
std::uint64_t WriteBenchTimingFile(const std::filesystem::path& path, std::uint64_t maxRecords,
                                   std::uint64_t maxBytes = kBenchNoLimit,
                                   std::uint64_t seed = kBenchDefaultSeed);

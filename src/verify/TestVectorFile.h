// The fixed-point test-vector file that belongs to a timing file, and the
// quantizer header on its first line.
//
// A timing file kv_timing_Korvel_TestVector_<suffix>.txt belongs to the
// vector file Korvel_TestVector_<suffix>.txt in the project's FixedPointC
// (C++ projects) or FixedPointM folder. The vector file's first line is one
// marker character followed by the header, for example
// "%fixed wrap floor [16 8]".
#pragma once

#include <optional>
#include <string>
#include <string_view>

class CQuantizer;

// The text between "kv_timing_Korvel_TestVector_" and the ".txt" after it,
// or nothing when the path has no such name.
std::optional<std::string> VectorSuffix(std::string_view timingPath);

// The first line of a file, at most 8191 characters, without its line end.
// Throws std::runtime_error naming the file when it cannot be read.
std::string ReadFirstLine(const std::string& path, const std::string& what);

// Sets quantizer from the vector file's first line. Throws std::runtime_error
// naming the file when the line is missing or has fewer than five fields, or
// when a quantizer word is not recognised.
void ApplyTestVectorHeader(const std::string& vectorPath, CQuantizer& quantizer);
// The same from the vector file's first line, already read.
void ApplyTestVectorHeaderLine(const std::string& vectorPath, const std::string& line,
                               CQuantizer& quantizer);

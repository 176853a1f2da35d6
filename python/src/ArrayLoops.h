// Loops over NumPy arrays of any shape and stride: the arrays are walked row
// by row (the last axis), and a row whose elements are not adjacent is
// gathered into a small buffer, so the product's kernels always see
// contiguous spans. Runs without the GIL: only plain memory is touched.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace py = pybind11;

// Shape and byte strides of an array, taken while the GIL is held.
struct CArrayLayout {
  char* data = nullptr;
  std::vector<py::ssize_t> shape;
  std::vector<py::ssize_t> strides;
  std::size_t size = 0;

  static CArrayLayout Of(const py::array& array);
  // One row of all elements in memory order: C-contiguous.
  bool IsContiguous(std::size_t itemSize) const;
};

// The float64 array of x, or a TypeError naming what x is (another dtype is
// never converted: a copy would hide a cost and, for float32, a rounding).
py::array Float64Array(const py::handle& x, const char* what);

// A writable float64 array of the given shape for results, or the TypeError
// / ValueError out= deserves.
py::array CheckedOut(const py::handle& out, const py::array& like, const char* what);

// The first element of n-dimensional index as text: "(2, 3)" or "5".
std::string IndexText(const CArrayLayout& layout, std::size_t flatIndex);

// Calls rowFn(in, out, n, firstFlatIndex) for every row of two arrays of the
// same shape, with contiguous spans of at most kRowChunk doubles: in holds
// the input values, out receives the results (out may be in itself).
inline constexpr std::size_t kRowChunk = 2048;

template <class TRowFn>
void ForEachChunk(const CArrayLayout& in, const CArrayLayout& out, TRowFn rowFn) {
  if (in.size == 0) {
    return;
  }
  const std::size_t item = sizeof(double);
  if (in.IsContiguous(item) && out.IsContiguous(item)) {
    auto* src = reinterpret_cast<const double*>(in.data);
    auto* dst = reinterpret_cast<double*>(out.data);
    for (std::size_t start = 0; start < in.size; start += kRowChunk) {
      const std::size_t n = std::min(kRowChunk, in.size - start);
      rowFn(std::span<const double>(src + start, n), std::span<double>(dst + start, n), start);
    }
    return;
  }
  const std::size_t dims = in.shape.size();
  const py::ssize_t rowLength = dims ? in.shape[dims - 1] : 1;
  const py::ssize_t inStep = dims ? in.strides[dims - 1] : 0;
  const py::ssize_t outStep = dims ? out.strides[dims - 1] : 0;
  std::vector<py::ssize_t> index(dims ? dims - 1 : 0, 0);
  std::array<double, kRowChunk> source;
  std::array<double, kRowChunk> result;
  for (std::size_t flat = 0; flat < in.size; flat += static_cast<std::size_t>(rowLength)) {
    const char* inRow = in.data;
    char* outRow = out.data;
    for (std::size_t d = 0; d + 1 < dims; ++d) {
      inRow += index[d] * in.strides[d];
      outRow += index[d] * out.strides[d];
    }
    for (py::ssize_t start = 0; start < rowLength; start += kRowChunk) {
      const std::size_t n = static_cast<std::size_t>(
          std::min<py::ssize_t>(static_cast<py::ssize_t>(kRowChunk), rowLength - start));
      for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(&source[i], inRow + (start + static_cast<py::ssize_t>(i)) * inStep, item);
      }
      rowFn(std::span<const double>(source.data(), n), std::span<double>(result.data(), n),
            flat + static_cast<std::size_t>(start));
      for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(outRow + (start + static_cast<py::ssize_t>(i)) * outStep, &result[i], item);
      }
    }
    // The next row: the odometer over all axes but the last.
    for (std::size_t d = index.size(); d-- > 0;) {
      if (++index[d] < in.shape[d]) {
        break;
      }
      index[d] = 0;
    }
  }
}

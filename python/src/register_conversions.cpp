// reportapp.hex_to_real and reportapp.num_to_bin: the numeric conversions of
// the fixed-point layer over lists and arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "ArrayLoops.h"
#include "fixedpoint/NumericConversion.h"

namespace py = pybind11;

namespace {

// The elements of x as a flat list and the shape to give the results; a
// single item has the shape ().
struct CItems {
  py::list flat;
  std::vector<py::ssize_t> shape;
  bool single = false;
};

CItems ItemsOf(const py::handle& x, bool single) {
  CItems items;
  items.single = single;
  const py::array array = py::module_::import("numpy").attr("asarray")(x);
  items.shape.assign(array.shape(), array.shape() + array.ndim());
  items.flat = array.attr("ravel")().attr("tolist")();
  return items;
}

py::object HexToRealValues(const py::handle& tokens, std::int64_t fractionLength, bool isSigned) {
  const CItems items = ItemsOf(tokens, py::isinstance<py::str>(tokens));
  py::array_t<double> values(items.shape);
  double* out = values.mutable_data();
  std::size_t i = 0;
  for (const py::handle item : items.flat) {
    if (!py::isinstance<py::str>(item)) {
      throw py::type_error("hex_to_real takes str tokens, not " +
                           py::str(py::type::handle_of(item).attr("__name__")).cast<std::string>());
    }
    out[i++] = HexToReal(item.cast<std::string>(), fractionLength, isSigned);
  }
  if (items.single) {
    return py::float_(out[0]);
  }
  return values;
}

py::object NumToBinValues(const py::handle& values, int wordLength, int fractionLength,
                          bool isSigned) {
  const int integerBits = wordLength - fractionLength - (isSigned ? 1 : 0);
  if (wordLength < 1 || fractionLength < 0 || integerBits < 0) {
    throw py::value_error("num_to_bin needs 0 <= fraction_length <= word_length" +
                          std::string(isSigned ? " - 1 (a sign bit)" : "") + ", not word length " +
                          std::to_string(wordLength) + " and fraction length " +
                          std::to_string(fractionLength));
  }
  const bool single = py::isinstance<py::float_>(values) || py::isinstance<py::int_>(values);
  const CItems items = ItemsOf(values, single);
  std::vector<std::string> digits;
  digits.reserve(items.flat.size());
  std::vector<bool> bits;
  for (const py::handle item : items.flat) {
    const double x = item.cast<double>();
    try {
      NumToBin(x, bits, static_cast<unsigned>(integerBits), static_cast<unsigned>(fractionLength));
    } catch (const std::runtime_error& e) {
      throw py::value_error(std::string(e.what()) + " (" +
                            py::repr(py::float_(x)).cast<std::string>() + " in " +
                            std::to_string(wordLength) + " bits with " +
                            std::to_string(fractionLength) + " fractional)");
    }
    // NumToBin gives a sign digit in front; an unsigned word has none.
    if (!isSigned) {
      if (bits.front()) {
        throw py::value_error("num_to_bin: the negative value " +
                              py::repr(py::float_(x)).cast<std::string>() +
                              " has no unsigned bits");
      }
      bits.erase(bits.begin());
    }
    std::string text(bits.size(), '0');
    for (std::size_t i = 0; i < bits.size(); ++i) {
      text[i] = bits[i] ? '1' : '0';
    }
    digits.push_back(std::move(text));
  }
  if (items.single) {
    return py::str(digits.front());
  }
  py::array array(py::dtype("<U" + std::to_string(wordLength)), items.shape);
  auto* cells = static_cast<char32_t*>(array.mutable_data());
  for (std::size_t i = 0; i < digits.size(); ++i) {
    for (std::size_t c = 0; c < static_cast<std::size_t>(wordLength); ++c) {
      cells[i * static_cast<std::size_t>(wordLength) + c] = static_cast<char32_t>(digits[i][c]);
    }
  }
  return array;
}

}  // namespace

void RegisterConversions(py::module_& m) {
  m.def("hex_to_real", &HexToRealValues, py::arg("tokens"), py::arg("fraction_length"),
        py::arg("signed"),
        R"(The real values of hexadecimal bit patterns, as the verification report reads them.

pattern / 2**fraction_length, where the pattern is the last 16 digits of the
token (a leading 0x dropped; for a signed pattern also 0X) read as a 64-bit
integer, in two's complement when signed: a pattern shorter than 16 digits is
never negative ("ffff" is 65535). Characters that are not hexadecimal digits
read as 15. A str gives a float; a list or array of str a float64 array.)");
  m.def("num_to_bin", &NumToBinValues, py::arg("values"), py::arg("word_length"),
        py::arg("fraction_length"), py::arg("signed"),
        R"(The binary digits of real values in a word of word_length bits.

Signed: two's complement, a sign digit first. Fraction digits are truncated,
not rounded. A value whose integer part needs more bits than the word has, or
that is not finite, is a ValueError ("Invalid value sent to num2bin"); so is a
negative value for an unsigned word. A number gives a str; a list or array
gives an array of str.)");
}

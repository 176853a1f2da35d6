// reportapp.Quantizer: CQuantizer over NumPy arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>

#include "ArrayLoops.h"
#include "PythonHost.h"
#include "app/QuantizerForms.h"
#include "fixedpoint/Quantizer.h"

namespace py = pybind11;

namespace {

// A quantizer with the overflow and underflow counts of every quantization
// it made since it was created or reset.
class CPyQuantizer {
 public:
  explicit CPyQuantizer(const CQuantizer& quantizer) : quantizer_(quantizer) {}

  const CQuantizer& Get() const { return quantizer_; }
  void Add(const CQuantizeCounts& counts) { counts_ += counts; }
  const CQuantizeCounts& Counts() const { return counts_; }
  void Reset() { counts_ = {}; }

 private:
  CQuantizer quantizer_;
  CQuantizeCounts counts_;
};

CPyQuantizer Make(const std::string& mode, const std::string& round, const std::string& overflow,
                  int wordLength, int fractionLength) {
  const CThreadHost host;
  CQuantizerSettings settings;
  settings.mode = mode;
  settings.round = round;
  settings.overflow = overflow;
  settings.wordLength = wordLength;
  settings.fractionLength = fractionLength;
  return CPyQuantizer(MakeQuantizer(settings));
}

CPyQuantizer FromHeader(const std::string& header) {
  const CThreadHost host;
  return CPyQuantizer(QuantizerFromHeader(header));
}

bool IsPythonNumber(const py::handle& x) {
  return (py::isinstance<py::float_>(x) || py::isinstance<py::int_>(x)) &&
         !py::isinstance<py::bool_>(x);
}

double QuantizeOne(CPyQuantizer& self, double value) {
  double result = value;
  self.Add(self.Get().QuantizeAndCount(std::span<const double>(&value, 1),
                                       std::span<double>(&result, 1)));
  return result;
}

// Quantizes the float64 array x into a new array or out; counts as it goes.
py::array QuantizeArray(CPyQuantizer& self, const py::handle& x, const py::object& out,
                        const char* what) {
  const py::array in = Float64Array(x, what);
  const py::array result =
      out.is_none() ? py::array(py::dtype::of<double>(),
                                std::vector<py::ssize_t>(in.shape(), in.shape() + in.ndim()))
                    : CheckedOut(out, in, what);
  const CArrayLayout from = CArrayLayout::Of(in);
  const CArrayLayout to = CArrayLayout::Of(result);
  CQuantizeCounts counts;
  {
    const py::gil_scoped_release unlocked;
    ForEachChunk(from, to,
                 [&](std::span<const double> values, std::span<double> quantized, std::size_t) {
                   counts += self.Get().QuantizeAndCount(values, quantized);
                 });
  }
  self.Add(counts);
  return result;
}

py::object Quantize(CPyQuantizer& self, const py::handle& x, const py::object& out) {
  if (out.is_none() && IsPythonNumber(x)) {
    return py::float_(QuantizeOne(self, x.cast<double>()));
  }
  return QuantizeArray(self, x, out, "quantize");
}

[[noreturn]] void NoCode(const CArrayLayout& layout, std::size_t flat, double value) {
  throw py::value_error("the value at index " + IndexText(layout, flat) + " quantizes to " +
                        py::str(py::float_(value)).cast<std::string>() + ", which has no code");
}

// The codes of quantized values: int64, or uint64 for unsigned 64-bit words.
py::object ToCodes(CPyQuantizer& self, const py::handle& x) {
  const CCodeFormat format(self.Get());
  const bool wide = !format.IsSigned() && format.WordLength() == 64;
  if (IsPythonNumber(x)) {
    const double value = QuantizeOne(self, x.cast<double>());
    std::uint64_t pattern = 0;
    if (!format.PatternOfValue(value, pattern)) {
      NoCode(CArrayLayout{}, 0, value);
    }
    return wide ? py::int_(pattern) : py::int_(format.SignedCode(pattern));
  }
  const py::array quantized = QuantizeArray(self, x, py::none(), "to_codes");
  const CArrayLayout layout = CArrayLayout::Of(quantized);
  py::array codes = wide ? py::array(py::dtype::of<std::uint64_t>(), layout.shape)
                         : py::array(py::dtype::of<std::int64_t>(), layout.shape);
  auto* values = static_cast<const double*>(quantized.data());
  auto* out = static_cast<std::uint64_t*>(codes.mutable_data());
  std::optional<std::size_t> bad;
  {
    const py::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < layout.size; ++i) {
      std::uint64_t pattern = 0;
      if (!format.PatternOfValue(values[i], pattern)) {
        bad = i;
        break;
      }
      out[i] = wide ? pattern : static_cast<std::uint64_t>(format.SignedCode(pattern));
    }
  }
  if (bad) {
    NoCode(layout, *bad, values[*bad]);
  }
  return codes;
}

// Integer codes as an int64 or uint64 array (Python ints, sequences of them
// and integer arrays are taken; floats are not codes).
py::array IntegerArray(const py::handle& codes, const char* what) {
  py::module_ np = py::module_::import("numpy");
  py::array array = np.attr("asarray")(codes);
  const char kind = array.dtype().kind();
  if (array.size() == 0 && kind == 'f') {
    return np.attr("asarray")(codes, py::dtype::of<std::int64_t>());
  }
  if (kind != 'i' && kind != 'u') {
    throw py::type_error(std::string(what) + " takes integer codes, not " +
                         py::str(array.dtype()).cast<std::string>() + " values");
  }
  const bool unsigned64 = kind == 'u' && array.dtype().itemsize() == 8;
  return np.attr("ascontiguousarray")(
      array, unsigned64 ? py::dtype::of<std::uint64_t>() : py::dtype::of<std::int64_t>());
}

[[noreturn]] void BadCode(const CArrayLayout& layout, std::size_t flat, const std::string& code,
                          const CCodeFormat& format) {
  throw py::value_error("the code " + code + " at index " + IndexText(layout, flat) +
                        " is outside the " + std::to_string(format.WordLength()) + "-bit " +
                        (format.IsSigned() ? "signed" : "unsigned") + " codes");
}

// The patterns of integer codes, checked against the format.
std::vector<std::uint64_t> PatternsOfCodes(const py::array& codes, const CCodeFormat& format) {
  const CArrayLayout layout = CArrayLayout::Of(codes);
  const bool isUnsigned = codes.dtype().kind() == 'u';
  std::vector<std::uint64_t> patterns(layout.size);
  const auto* raw = static_cast<const std::uint64_t*>(codes.data());
  for (std::size_t i = 0; i < layout.size; ++i) {
    const bool ok = isUnsigned
                        ? format.PatternOfUnsignedCode(raw[i], patterns[i])
                        : format.PatternOfCode(static_cast<std::int64_t>(raw[i]), patterns[i]);
    if (!ok) {
      BadCode(
          layout, i,
          isUnsigned ? std::to_string(raw[i]) : std::to_string(static_cast<std::int64_t>(raw[i])),
          format);
    }
  }
  return patterns;
}

py::object FromCodes(const CPyQuantizer& self, const py::handle& codes) {
  const CCodeFormat format(self.Get());
  const py::array array = IntegerArray(codes, "from_codes");
  const std::vector<std::uint64_t> patterns = PatternsOfCodes(array, format);
  py::array_t<double> values(std::vector<py::ssize_t>(array.shape(), array.shape() + array.ndim()));
  double* out = values.mutable_data();
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    out[i] = format.ValueOfPattern(patterns[i]);
  }
  if (py::isinstance<py::int_>(codes)) {
    return py::float_(out[0]);
  }
  return values;
}

// Fixed-width text arrays ('<U n'), filled from C++ strings.
py::array TextArray(const std::vector<py::ssize_t>& shape, const std::vector<std::string>& texts,
                    std::size_t width) {
  py::array array(py::dtype("<U" + std::to_string(std::max<std::size_t>(width, 1))), shape);
  auto* cells = static_cast<char32_t*>(array.mutable_data());
  const std::size_t stride = std::max<std::size_t>(width, 1);
  std::fill_n(cells, texts.size() * stride, U'\0');
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t c = 0; c < texts[i].size(); ++c) {
      cells[i * stride + c] = static_cast<unsigned char>(texts[i][c]);
    }
  }
  return array;
}

py::object ToHex(const CPyQuantizer& self, const py::handle& codes) {
  const CCodeFormat format(self.Get());
  const py::array array = IntegerArray(codes, "to_hex");
  const std::vector<std::uint64_t> patterns = PatternsOfCodes(array, format);
  std::vector<std::string> tokens(patterns.size());
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    AppendHexToken(patterns[i], format.HexDigits(), tokens[i]);
  }
  if (py::isinstance<py::int_>(codes)) {
    return py::str(tokens[0]);
  }
  return TextArray(std::vector<py::ssize_t>(array.shape(), array.shape() + array.ndim()), tokens,
                   static_cast<std::size_t>(format.HexDigits()));
}

py::object FromHex(const CPyQuantizer& self, const py::handle& tokens) {
  const CCodeFormat format(self.Get());
  const bool single = py::isinstance<py::str>(tokens);
  py::module_ np = py::module_::import("numpy");
  const py::array texts = np.attr("asarray")(tokens, "U");
  const std::vector<py::ssize_t> shape(texts.shape(), texts.shape() + texts.ndim());
  const bool wide = !format.IsSigned() && format.WordLength() == 64;
  py::array codes = wide ? py::array(py::dtype::of<std::uint64_t>(), shape)
                         : py::array(py::dtype::of<std::int64_t>(), shape);
  auto* out = static_cast<std::uint64_t*>(codes.mutable_data());
  const py::list flat = texts.attr("ravel")().attr("tolist")();
  const CArrayLayout layout = CArrayLayout::Of(texts);
  for (std::size_t i = 0; i < flat.size(); ++i) {
    const std::string token = flat[i].cast<std::string>();
    std::uint64_t pattern = 0;
    if (!PatternOfToken(token, format, pattern)) {
      throw py::value_error("the token \"" + token + "\" at index " + IndexText(layout, i) +
                            " is not a " + std::to_string(format.WordLength()) +
                            "-bit hexadecimal code");
    }
    out[i] = wide ? pattern : static_cast<std::uint64_t>(format.SignedCode(pattern));
  }
  if (single) {
    return wide ? py::int_(out[0]) : py::int_(static_cast<std::int64_t>(out[0]));
  }
  return codes;
}

constexpr const char* kClassDoc =
    R"(A fixed-point quantizer: how a real number is held in a hardware number format.

Quantizer(mode="fixed", round="floor", overflow="saturate", word_length=16, fraction_length=15)

mode      "fixed" (signed, two's complement) or "ufixed" (unsigned)
round     "floor", "ceil", "fix" (toward zero), "round" or "nearest" (ties toward
          plus infinity), "convergent" (ties to even)
overflow  "wrap" or "saturate"
word_length, fraction_length   total bits and bits after the binary point

The arithmetic is the product's own, bit for bit the values the C++ quantizer
gives. An unknown word or lengths that are not well-formed raise ValueError
with the product's message (DIR-0037, DIR-0038).

Every quantization counts its overflows (values whose rounded value lies
outside the range, saturated or wrapped) and underflows (nonzero values whose
rounded value is zero), until reset().)";

}  // namespace

void RegisterQuantizer(py::module_& m) {
  py::class_<CPyQuantizer>(m, "Quantizer", kClassDoc)
      .def(py::init(&Make), py::arg("mode") = "fixed", py::arg("round") = "floor",
           py::arg("overflow") = "saturate", py::arg("word_length") = 16,
           py::arg("fraction_length") = 15)
      .def_static("from_header", &FromHeader, py::arg("header"),
                  "The quantizer of a test-vector header line, with or without its '%': "
                  "Quantizer.from_header(\"fixed saturate nearest [16 15]\").")
      .def(
          "header", [](const CPyQuantizer& self) { return HeaderOf(self.Get()); },
          "The header line of a fixed-point test-vector file, without the '%': "
          "\"fixed saturate nearest [16 15]\".")
      .def_property_readonly(
          "mode", [](const CPyQuantizer& self) { return TypeName(self.Get().GetType()); },
          "\"fixed\" or \"ufixed\".")
      .def_property_readonly(
          "round", [](const CPyQuantizer& self) { return RoundName(self.Get().GetRoundMode()); },
          "The round mode word.")
      .def_property_readonly(
          "overflow",
          [](const CPyQuantizer& self) { return OverflowName(self.Get().GetOverflowMode()); },
          "\"wrap\" or \"saturate\".")
      .def_property_readonly(
          "word_length", [](const CPyQuantizer& self) { return self.Get().GetWordLength(); },
          "Total bits, the sign included.")
      .def_property_readonly(
          "fraction_length",
          [](const CPyQuantizer& self) { return self.Get().GetFractionalLength(); },
          "Bits after the binary point.")
      .def_property_readonly(
          "max_value", [](const CPyQuantizer& self) { return self.Get().GetMaxValue(); },
          "The largest value the format holds.")
      .def_property_readonly(
          "min_value", [](const CPyQuantizer& self) { return self.Get().GetMinValue(); },
          "The smallest value the format holds.")
      .def_property_readonly(
          "overflows", [](const CPyQuantizer& self) { return self.Counts().overflows; },
          "Values whose rounded value lay outside the range, since creation or reset().")
      .def_property_readonly(
          "underflows", [](const CPyQuantizer& self) { return self.Counts().underflows; },
          "Nonzero values whose rounded value was zero, since creation or reset().")
      .def("reset", &CPyQuantizer::Reset, "Sets the overflow and underflow counts to zero.")
      .def("quantize", &Quantize, py::arg("x"), py::arg("out") = py::none(),
           R"(The quantized values of x.

x is a float (a float is returned) or a float64 NumPy array of any shape and
strides (a new array of its shape is returned, or the results are written to
out=, which may be x itself). Another dtype is a TypeError: convert it
yourself with x.astype(numpy.float64). The GIL is released while it runs.)")
      .def("to_codes", &ToCodes, py::arg("x"),
           "The integer codes of the quantized values of x (the quantized value times "
           "2**fraction_length): an int64 array (uint64 for unsigned 64-bit words), or an "
           "int for a float. NaN has no code (ValueError).")
      .def("from_codes", &FromCodes, py::arg("codes"),
           "The real values of integer codes (code / 2**fraction_length) as float64; a code "
           "outside the word length is a ValueError.")
      .def("to_hex", &ToHex, py::arg("codes"),
           "The timing-file tokens of integer codes: two's complement of word_length bits in "
           "ceil(word_length/4) lower-case hexadecimal digits, no prefix. A str for an int, "
           "else an array of str.")
      .def("from_hex", &FromHex, py::arg("tokens"),
           "The integer codes of hexadecimal tokens (an optional 0x, digits in either case), "
           "sign-extended for a signed quantizer.")
      .def("__repr__", [](const CPyQuantizer& self) {
        return "Quantizer.from_header(\"" + HeaderOf(self.Get()) + "\")";
      });
}

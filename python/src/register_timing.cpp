// reportapp.TimingWriter and the reader behind reportapp.read_timing and
// reportapp.iter_timing: timing files written as the testbench writers write
// them, and read with the verification report's own line reader and record
// splitter.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PythonHost.h"
#include "app/QuantizerForms.h"
#include "verify/LineReader.h"
#include "verify/TimingRecord.h"

namespace py = pybind11;

namespace {

// ---- writer

struct CFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

[[noreturn]] void RaiseOsError(const std::string& what, const std::string& path, int error) {
  PyErr_SetString(PyExc_OSError, (what + " \"" + path + "\": " + std::strerror(error)).c_str());
  throw py::error_already_set();
}

class CPyTimingWriter {
 public:
  CPyTimingWriter(std::string path, int channels, int wordLength)
      : path_(std::move(path)), channels_(channels), format_(CheckedFormat(wordLength)) {
    if (channels < 1) {
      throw py::value_error("a timing file needs at least one channel, not " +
                            std::to_string(channels));
    }
    file_.reset(std::fopen(path_.c_str(), "wb"));
    if (!file_) {
      RaiseOsError("cannot write timing file", path_, errno);
    }
  }

  void Start(const py::handle& time, std::int64_t clocks) {
    Require(!started_, "start() was already called");
    const std::uint64_t t = CheckedTime(time);
    text_.clear();
    text_ += std::to_string(t) + " start " + std::to_string(CheckedClocks(clocks));
    Emit();
    started_ = true;
    ticks_ = 0;
  }

  void Output(const py::handle& time, const py::handle& model, const py::handle& rtl,
              std::optional<std::int64_t> clocks) {
    Require(started_, "output() before start()");
    const std::uint64_t t = CheckedTime(time);
    const std::vector<std::uint64_t> modelPatterns = Patterns(model, "model_codes");
    const std::vector<std::uint64_t> rtlPatterns = Patterns(rtl, "rtl_codes");
    const std::int64_t count = CheckedClocks(clocks ? *clocks : ticks_);
    text_.clear();
    text_ += std::to_string(t) + " out " + std::to_string(count);
    for (int c = 0; c < channels_; ++c) {
      text_ += ' ';
      AppendHexToken(modelPatterns[static_cast<std::size_t>(c)], format_.HexDigits(), text_);
      text_ += ' ';
      AppendHexToken(rtlPatterns[static_cast<std::size_t>(c)], format_.HexDigits(), text_);
    }
    Emit();
    ticks_ = 0;
  }

  void Tick(std::int64_t n) {
    if (n < 0) {
      throw py::value_error("tick() counts forward, not by " + std::to_string(n));
    }
    ticks_ += n;
  }

  void Close() {
    if (!file_) {
      return;
    }
    std::FILE* file = file_.release();
    const bool failed = std::fflush(file) != 0 || std::ferror(file) != 0;
    const int error = errno;
    if (std::fclose(file) != 0 || failed) {
      RaiseOsError("cannot write timing file", path_, failed ? error : errno);
    }
  }

  bool Closed() const { return !file_; }
  const std::string& Path() const { return path_; }
  std::int64_t Ticks() const { return ticks_; }

 private:
  static CCodeFormat CheckedFormat(int wordLength) {
    if (wordLength < 1 || wordLength > 64) {
      throw py::value_error("a timing file's word length must be 1 to 64 bits, not " +
                            std::to_string(wordLength));
    }
    return CCodeFormat(wordLength, 0, true);
  }

  static void Require(bool condition, const char* message) {
    if (!condition) {
      throw py::value_error(message);
    }
  }

  std::uint64_t CheckedTime(const py::handle& time) {
    Require(static_cast<bool>(file_), "the timing file is closed");
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(time.ptr()));
    if (!index) {
      PyErr_Clear();
      throw py::type_error("a time is an integer count of nanoseconds, not " +
                           py::repr(time).cast<std::string>());
    }
    const auto value = index.cast<long long>();
    if (value < 0 || static_cast<std::uint64_t>(value) < lastTime_) {
      throw py::value_error("time " + std::to_string(value) + " ns goes back before " +
                            std::to_string(lastTime_) + " ns");
    }
    lastTime_ = static_cast<std::uint64_t>(value);
    return lastTime_;
  }

  static std::int64_t CheckedClocks(std::int64_t clocks) {
    if (clocks < 0 || clocks > INT32_MAX) {
      throw py::value_error("a clock count must be 0 to 2147483647, not " + std::to_string(clocks));
    }
    return clocks;
  }

  // The patterns of one record's codes: any code that the word length holds
  // as signed or as unsigned, two's complement.
  std::vector<std::uint64_t> Patterns(const py::handle& codes, const char* what) const {
    const py::list values = py::module_::import("numpy")
                                .attr("asarray")(codes, "object")
                                .attr("ravel")()
                                .attr("tolist")();
    if (values.size() != static_cast<std::size_t>(channels_)) {
      throw py::value_error(std::string(what) + " holds " + std::to_string(values.size()) +
                            " codes for " + std::to_string(channels_) + " channels");
    }
    std::vector<std::uint64_t> patterns(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(values[i].ptr()));
      if (!index) {
        PyErr_Clear();
        throw py::type_error(
            std::string(what) + "[" + std::to_string(i) +
            "] is not an integer code: " + py::repr(values[i]).cast<std::string>());
      }
      const bool negative = index.attr("__lt__")(0).cast<bool>();
      const bool ok = negative ? FitsSigned(index, patterns[i]) : FitsUnsigned(index, patterns[i]);
      if (!ok) {
        throw py::value_error(std::string(what) + "[" + std::to_string(i) +
                              "] = " + py::repr(index).cast<std::string>() + " does not fit " +
                              std::to_string(format_.WordLength()) + " bits");
      }
    }
    return patterns;
  }

  // A negative code: beyond 64 bits it fits no word.
  bool FitsSigned(const py::object& index, std::uint64_t& pattern) const {
    return index.attr("bit_length")().cast<int>() <= 64 &&
           format_.PatternOfCode(index.cast<std::int64_t>(), pattern);
  }

  bool FitsUnsigned(const py::object& index, std::uint64_t& pattern) const {
    if (index.attr("bit_length")().cast<int>() > format_.WordLength()) {
      return false;
    }
    pattern = index.cast<std::uint64_t>();
    return true;
  }

  void Emit() {
    text_ += '\n';
    if (std::fwrite(text_.data(), 1, text_.size(), file_.get()) != text_.size()) {
      RaiseOsError("cannot write timing file", path_, errno);
    }
  }

  std::string path_;
  int channels_;
  CCodeFormat format_;
  std::unique_ptr<std::FILE, CFileCloser> file_;
  std::string text_;
  bool started_ = false;
  std::uint64_t lastTime_ = 0;
  std::int64_t ticks_ = 0;
};

// ---- reader

// The output records of a piece of a timing file, gathered before they
// become arrays.
struct CRecordPiece {
  std::vector<std::uint64_t> lines;
  std::vector<std::uint64_t> records;
  std::vector<std::int32_t> clocks;
  std::vector<std::string> times;
  std::vector<std::vector<std::string>> values;  // per record: model, RTL, model, ...
  std::size_t channels = 0;
  std::size_t timeWidth = 0;
  std::size_t valueWidth = 0;
};

py::array TextArray(const std::vector<py::ssize_t>& shape, std::size_t width) {
  py::array array(py::dtype("<U" + std::to_string(std::max<std::size_t>(width, 1))), shape);
  std::memset(array.mutable_data(), 0, static_cast<std::size_t>(array.nbytes()));
  return array;
}

void PutText(char32_t* cell, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    cell[i] = static_cast<unsigned char>(text[i]);  // bytes as Latin-1: nothing is lost
  }
}

class CPyTimingReader {
 public:
  explicit CPyTimingReader(const std::string& path) : path_(path) {
    try {
      file_ = std::make_unique<CInputFile>(path, "timing file");
    } catch (const std::runtime_error& e) {
      PyErr_SetString(PyExc_OSError, e.what());
      throw py::error_already_set();
    }
    reader_ = std::make_unique<CLineReader>(
        [file = file_.get()](char* data, std::size_t size) { return file->Read(data, size); });
    reader_->SetLineLimits(CLineReader::kDefaultHeldLine, CLineReader::kDefaultLineLimit,
                           "timing file \"" + path + "\"");
  }

  // The next piece of at most `records` output records, or None at the end.
  py::object Read(std::size_t records) {
    if (records == 0) {
      throw py::value_error("records must be at least 1");
    }
    CRecordPiece piece;
    std::vector<std::string> warnings;
    try {
      const py::gil_scoped_release unlocked;
      while (piece.lines.size() < records && NextRecord(piece, warnings)) {
      }
    } catch (const std::runtime_error& e) {
      throw py::value_error(e.what());  // a line past the limit, a failed read
    }
    for (const std::string& warning : warnings) {
      if (PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 1) != 0) {
        throw py::error_already_set();
      }
    }
    // An empty file still gives one (empty) piece.
    if (piece.lines.empty() && atEnd_ && deliveredAny_) {
      return py::none();
    }
    deliveredAny_ = true;
    return ToDict(piece);
  }

 private:
  // Reads one line; false at the end of the file.
  bool NextRecord(CRecordPiece& piece, std::vector<std::string>& warnings) {
    std::string_view line;
    if (!reader_->Next(line)) {
      atEnd_ = true;
      return false;
    }
    if (reader_->InLongLine()) {
      longTokens_.clear();
      CTokenStream stream([this](std::string_view& part) { return reader_->NextLinePiece(part); });
      std::string token;
      while (stream.Next(token)) {
        longTokens_.push_back(token);
      }
      tokens_.assign(longTokens_.begin(), longTokens_.end());
    } else {
      SplitRecord(line, tokens_);
    }
    if (tokens_.empty()) {
      return true;
    }
    if (tokens_.size() <= kClockToken) {
      warnings.push_back("timing file \"" + path_ + "\" line " +
                         std::to_string(reader_->LineNumber()) + ": skipped a record of " +
                         std::to_string(tokens_.size()) +
                         (tokens_.size() == 1 ? " token" : " tokens") +
                         " (a record needs a time, a second field and a clock count)");
      ++skipped_;
      return true;
    }
    ++record_;
    if (!hasStart_) {
      hasStart_ = true;
      startTime_ = std::string(tokens_[kTimeToken]);
      startClocks_ = ParseClockCount(tokens_[kClockToken]);
      return true;
    }
    piece.lines.push_back(reader_->LineNumber());
    piece.records.push_back(record_);
    piece.clocks.push_back(ParseClockCount(tokens_[kClockToken]));
    piece.times.emplace_back(tokens_[kTimeToken]);
    piece.timeWidth = std::max(piece.timeWidth, tokens_[kTimeToken].size());
    std::vector<std::string>& values = piece.values.emplace_back();
    for (std::size_t i = kFirstValueToken; i < tokens_.size(); ++i) {
      values.emplace_back(tokens_[i]);
      piece.valueWidth = std::max(piece.valueWidth, tokens_[i].size());
    }
    piece.channels = std::max(piece.channels, (values.size() + 1) / 2);
    return true;
  }

  py::dict ToDict(const CRecordPiece& piece) const {
    const auto n = static_cast<py::ssize_t>(piece.lines.size());
    const auto channels = static_cast<py::ssize_t>(piece.channels);
    py::array times = TextArray({n}, piece.timeWidth);
    py::array model = TextArray({n, channels}, piece.valueWidth);
    py::array rtl = TextArray({n, channels}, piece.valueWidth);
    py::array_t<bool> agree({n, channels});
    const std::size_t timeWidth = std::max<std::size_t>(piece.timeWidth, 1);
    const std::size_t valueWidth = std::max<std::size_t>(piece.valueWidth, 1);
    auto* timeCells = static_cast<char32_t*>(times.mutable_data());
    auto* modelCells = static_cast<char32_t*>(model.mutable_data());
    auto* rtlCells = static_cast<char32_t*>(rtl.mutable_data());
    bool* agrees = agree.mutable_data();
    std::fill_n(agrees, agree.size(), false);
    for (std::size_t r = 0; r < piece.lines.size(); ++r) {
      PutText(timeCells + r * timeWidth, piece.times[r]);
      const std::vector<std::string>& values = piece.values[r];
      for (std::size_t c = 0; 2 * c < values.size(); ++c) {
        const std::size_t cell = r * piece.channels + c;
        const bool paired = 2 * c + 1 < values.size();
        PutText(modelCells + cell * valueWidth, values[2 * c]);
        if (paired) {
          PutText(rtlCells + cell * valueWidth, values[2 * c + 1]);
        }
        // Compared on the raw token text; an unpaired last value disagrees.
        agrees[cell] = paired && values[2 * c] == values[2 * c + 1];
      }
    }
    py::dict d;
    d["path"] = path_;
    d["start_time"] = hasStart_ ? py::object(py::str(startTime_)) : py::object(py::none());
    d["start_clocks"] = hasStart_ ? py::object(py::int_(startClocks_)) : py::object(py::none());
    d["line"] = py::array_t<std::uint64_t>(n, piece.lines.data());
    d["record"] = py::array_t<std::uint64_t>(n, piece.records.data());
    d["time"] = times;
    d["clocks"] = py::array_t<std::int32_t>(n, piece.clocks.data());
    d["model"] = model;
    d["rtl"] = rtl;
    d["agree"] = agree;
    d["skipped"] = skipped_;
    return d;
  }

  std::string path_;
  std::unique_ptr<CInputFile> file_;
  std::unique_ptr<CLineReader> reader_;
  std::vector<std::string_view> tokens_;
  std::vector<std::string> longTokens_;
  bool hasStart_ = false;
  bool atEnd_ = false;
  bool deliveredAny_ = false;
  std::string startTime_;
  std::int32_t startClocks_ = 0;
  std::uint64_t record_ = 0;
  std::uint64_t skipped_ = 0;
};

}  // namespace

void RegisterTiming(py::module_& m) {
  py::class_<CPyTimingWriter>(m, "TimingWriter",
                              R"(Writes a timing file, as the testbench writers do.

TimingWriter(path, channels, word_length) is a context manager:

    with reportapp.TimingWriter("timing.txt", channels=2, word_length=16) as w:
        w.start(20)                        # "20 start 0"
        w.tick(7)                          # clocks counted since the last record
        w.output(90, [0, -1], [0, -1])     # "90 out 7 0000 0000 ffff ffff"

Times are integer nanoseconds and never go back; codes are integers that the
word length holds (signed or unsigned), written as two's complement in
ceil(word_length/4) lower-case hexadecimal digits. Every record is checked
before any of its bytes is written.)")
      .def(py::init<std::string, int, int>(), py::arg("path"), py::arg("channels"),
           py::arg("word_length"))
      .def("start", &CPyTimingWriter::Start, py::arg("time"), py::arg("clocks") = 0,
           "The start record (reset release): time in ns and a clock count (0).")
      .def("output", &CPyTimingWriter::Output, py::arg("time"), py::arg("model_codes"),
           py::arg("rtl_codes"), py::arg("clocks") = py::none(),
           "An output record: per channel the model's code and the RTL's code. clocks "
           "defaults to the clocks counted by tick() since the previous record.")
      .def("tick", &CPyTimingWriter::Tick, py::arg("n") = 1, "Counts n clocks.")
      .def("close", &CPyTimingWriter::Close, "Flushes and closes the file.")
      .def_property_readonly("closed", &CPyTimingWriter::Closed)
      .def_property_readonly("path", &CPyTimingWriter::Path)
      .def(
          "__enter__", [](CPyTimingWriter& self) -> CPyTimingWriter& { return self; },
          py::return_value_policy::reference_internal)
      .def("__exit__", [](CPyTimingWriter& self, const py::args&) {
        self.Close();
        return false;
      });

  py::class_<CPyTimingReader>(m, "_TimingReader")
      .def(py::init<const std::string&>(), py::arg("path"))
      .def("read", &CPyTimingReader::Read, py::arg("records"));
}

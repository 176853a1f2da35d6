// The runs of `reportapp verify` and `reportapp summarize`, called as the
// shell calls them; reportapp.verify and reportapp.summarize build their
// words and read the JSON document the run writes.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "PythonHost.h"
#include "app/SummarizeCommandLine.h"
#include "app/VerifyCommandLine.h"

namespace py = pybind11;

namespace {

using TRunResult = std::tuple<int, std::string, std::string>;

// argv of the words; they stay owned by words.
std::vector<char*> Argv(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  return argv;
}

// Runs a command line with its words, without the GIL and with the
// thread's interpreter bound; out and err are what it printed.
template <class TCommand>
TRunResult RunCommandLine(std::vector<std::string> words, TCommand command) {
  std::ostringstream out;
  std::ostringstream err;
  int status = 2;
  {
    const py::gil_scoped_release unlocked;
    const CThreadHost host;
    std::vector<char*> argv = Argv(words);
    status = command(static_cast<int>(words.size()), argv.data(), out, err);
  }
  return {status, out.str(), err.str()};
}

TRunResult RunVerify(std::vector<std::string> words) {
  return RunCommandLine(std::move(words),
                        [](int argc, char** argv, std::ostream& out, std::ostream& err) {
                          return RunVerifyCommandLine(ThreadInterp(), argc, argv, out, err, false);
                        });
}

TRunResult RunSummarize(std::vector<std::string> words) {
  return RunCommandLine(std::move(words), &RunSummarizeCommandLine);
}

}  // namespace

void RegisterRegression(py::module_& m) {
  m.def("_run_verify", &RunVerify, py::arg("words"),
        "Runs `reportapp verify WORDS...`; returns (exit status, standard output, standard "
        "error).");
  m.def("_run_summarize", &RunSummarize, py::arg("words"),
        "Runs `reportapp summarize WORDS...`; returns (exit status, standard output, standard "
        "error).");
}

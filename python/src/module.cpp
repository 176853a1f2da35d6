// reportapp._core: the compiled part of the reportapp package. One register
// function per bound type or group (register_<name>.cpp); the package's
// __init__.py puts the pure-Python helpers on top.
#include <pybind11/pybind11.h>

#include "PythonHost.h"

namespace py = pybind11;

void RegisterQuantizer(py::module_& m);
void RegisterConversions(py::module_& m);
void RegisterTiming(py::module_& m);
void RegisterRegression(py::module_& m);

PYBIND11_MODULE(_core, m) {
  m.doc() =
      "The compiled part of reportapp: the product's quantizer, conversions, timing-file "
      "reader and verification run.";
  m.attr("__version__") = REPORTAPP_VERSION;
  RegisterQuantizer(m);
  RegisterConversions(m);
  RegisterTiming(m);
  RegisterRegression(m);
  py::module_::import("atexit").attr("register")(py::cpp_function(&ReleaseThreadInterp));
}

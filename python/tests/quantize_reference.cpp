// The C++ side of the Python package's differential tests: the product's
// functions called directly on values the tests hand over, one element at a
// time (the scalar path, not the array kernels the package calls).
//
//   quantize_reference quantize IN OUT HEADER...   doubles in; CQuantizer::Quantize of
//                                                  each through each header out
//   quantize_reference hex_to_real FL SIGNED IN OUT   tokens (one a line) in, doubles out
//   quantize_reference num_to_bin IB FB IN OUT  doubles in, digit lines out
//
// Doubles are raw native float64 files. Exit status 0, or 2 with a message.
#include <tcl.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Extension.h"
#include "fixedpoint/NumericConversion.h"
#include "fixedpoint/Quantizer.h"

namespace {

std::vector<double> ReadDoubles(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<double> values;
  double x = 0.0;
  while (in.read(reinterpret_cast<char*>(&x), sizeof x)) {
    values.push_back(x);
  }
  return values;
}

void WriteDoubles(const std::string& path, const std::vector<double>& values) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(values.data()),
            static_cast<std::streamsize>(values.size() * sizeof(double)));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

int Run(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "quantize" && argc >= 5) {
    const std::vector<double> values = ReadDoubles(argv[2]);
    std::vector<double> results;
    for (int h = 4; h < argc; ++h) {
      CQuantizer q{std::string_view(argv[h])};
      q.Validate(nullptr, -1);
      for (double x : values) {
        results.push_back(q.Quantize(x));
      }
    }
    WriteDoubles(argv[3], results);
    return 0;
  }
  if (what == "hex_to_real" && argc == 6) {
    std::ifstream in(argv[4]);
    std::vector<double> values;
    for (std::string token; std::getline(in, token);) {
      values.push_back(HexToReal(token, std::stoll(argv[2]), std::string(argv[3]) == "1"));
    }
    WriteDoubles(argv[5], values);
    return 0;
  }
  if (what == "num_to_bin" && argc == 6) {
    std::ofstream out(argv[5]);
    std::vector<bool> bits;
    for (double x : ReadDoubles(argv[4])) {
      try {
        NumToBin(x, bits, static_cast<unsigned>(std::stoul(argv[2])),
                 static_cast<unsigned>(std::stoul(argv[3])));
        for (bool bit : bits) {
          out << (bit ? '1' : '0');
        }
        out << '\n';
      } catch (const std::runtime_error& e) {
        out << "error: " << e.what() << '\n';
      }
    }
    return 0;
  }
  std::cerr << "usage: quantize_reference quantize|hex_to_real|num_to_bin ...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Tcl_FindExecutable(argv[0]);
  Tcl_Interp* interp = Tcl_CreateInterp();
  int status = 2;
  if (Tcl_Init(interp) != TCL_OK || Reportapp_Init(interp) != TCL_OK) {
    std::cerr << "quantize_reference: " << Tcl_GetStringResult(interp) << '\n';
  } else {
    try {
      status = Run(argc, argv);
    } catch (const std::exception& e) {
      std::cerr << "quantize_reference: " << e.what() << '\n';
    }
  }
  Tcl_DeleteInterp(interp);
  Tcl_Finalize();
  return status;
}

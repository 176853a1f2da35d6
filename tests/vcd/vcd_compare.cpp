// vcd_compare A.vcd B.vcd: exit 0 when both dumps hold the same signals with
// the same values at every time either changes one, 1 (naming the first
// difference) when not, 2 when a file cannot be read.
#include <iostream>
#include <stdexcept>

#include "support/VcdReader.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: vcd_compare A.vcd B.vcd\n";
    return 2;
  }
  try {
    const CVcdReader a = CVcdReader::FromFile(argv[1]);
    const CVcdReader b = CVcdReader::FromFile(argv[2]);
    const std::string difference = CVcdReader::Difference(a, b);
    if (!difference.empty()) {
      std::cerr << "vcd_compare: " << argv[1] << " and " << argv[2] << " differ: " << difference
                << "\n";
      return 1;
    }
    std::cout << "vcd_compare: " << a.Signals().size() << " signals, " << a.Times().size()
              << " times, the same values in both\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "vcd_compare: " << e.what() << "\n";
    return 2;
  }
}

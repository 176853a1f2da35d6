// The array kernels of QuantizeKernels.h compiled for AVX2 (the build gives
// this file -mavx2 on x86-64). Only called when the processor has AVX2.
#include "fixedpoint/QuantizeKernels.h"

namespace fixedpoint_kernels {

void QuantizeArrayAvx2(const Format& format, const double* in, double* out, std::size_t n,
                       Tally* tally) {
  QuantizeArray(format, in, out, n, tally);
}

}  // namespace fixedpoint_kernels

// Code-set conversion: descriptors loaded per pair of code sets, and the
// calls that convert text through them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gls/host/host.h"

namespace gls {

// A loaded conversion; the error number comes first so that the host error
// callback can use the descriptor as its own error cell.
struct CvDesc {
    uint32_t error;
};

// Converts without a caller state. A null in_left means the input is
// terminated; the pointers and counts always advance past what was done.
int gl_miconv(CvDesc *cd, const unsigned char **in, size_t *in_left, unsigned char **out,
              size_t *out_left, int *inexact);

// Most output bytes per input byte.
double gl_iconv_expansion(CvDesc *cd);

}  // namespace gls

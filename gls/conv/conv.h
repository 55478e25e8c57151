// Code-set conversion: descriptors loaded per pair of code sets, and the
// calls that convert text through them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gls {

// Error numbers left in a descriptor by a failing call.
inline constexpr uint32_t GL_EILSEQ = 1;
inline constexpr uint32_t GL_ENOMEM = 3;
inline constexpr uint32_t GL_EINVAL = 7;
inline constexpr uint32_t GL_EFILE = 8;
inline constexpr uint32_t GL_E2BIG = 14;

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

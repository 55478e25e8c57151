// Conversion calls. Until conversion files can be loaded no descriptor
// exists, so these stand-ins only report that nothing was converted.
#include "gls/conv/conv.h"

namespace gls {

int gl_miconv(CvDesc *cd, const unsigned char **, size_t *, unsigned char **, size_t *, int *) {
    cd->error = GL_EINVAL;
    return -1;
}

double gl_iconv_expansion(CvDesc *) {
    return 1.0;
}

}  // namespace gls

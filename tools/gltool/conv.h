// The pieces of gltool conv: the route a conversion takes through the
// installation's conversion files, the stream that runs input through it,
// and the list of conversions. Not part of gltool's interface.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "gls/conv/conv.h"

namespace velmorad::gltool {

struct UnloadConversion {
    void operator()(gls::CvDesc *cd) const { gls::gl_cv_unload(cd); }
};
using ConversionPtr = std::unique_ptr<gls::CvDesc, UnloadConversion>;

// How text gets from FROM to TO.
struct Route {
    enum class Kind {
        kDirect,  // first converts FROM to TO
        kPivot,   // first converts FROM to UTF-8, second UTF-8 to TO
        kCheck,   // FROM is TO: first (from FROM to anything) checks the text, which is copied
    };
    Kind kind = Kind::kDirect;
    ConversionPtr first;
    ConversionPtr second;
    // kCheck: every character the tree knows is text, assigned or not (a
    // Unicode form); otherwise a character without a conversion to UTF-8
    // is an unassigned code.
    bool unicode = false;
};

struct StreamOptions {
    std::string from;  // the names as given, for messages
    std::string to;
    bool drop = false;  // -c
};

// Converts the input to out along the route. Failures are reported with
// their byte offset in the input; *complete says whether all of the input
// went through (characters left out under -c aside). An exit status.
int convert_stream(const Route &route, const StreamOptions &options, FILE *in, FILE *out,
                   const std::string &output_name, bool *complete);

// Prints every conversion the installation offers, direct or through
// UTF-8; an exit status.
int list_conversions(const std::string &directory, uint16_t unicode, FILE *out);

// Reports a write error on the output: standard output, or the -o file.
int write_failed(FILE *out, const std::string &output_name);

}  // namespace velmorad::gltool

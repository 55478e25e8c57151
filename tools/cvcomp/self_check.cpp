// The self-check: the file just written, loaded as any program loads it,
// must convert every source character as the charmaps say.
#include <memory>

#include "gls/conv/conv.h"
#include "gls/tree/tree.h"
#include "tools/common/tool_io.h"
#include "tools/cvcomp/cvcomp.h"

namespace velmorad::tools {

namespace {

struct Unload {
    void operator()(gls::CvDesc *cd) const { gls::gl_cv_unload(cd); }
};
using DescPtr = std::unique_ptr<gls::CvDesc, Unload>;

std::string hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out.empty() ? "nothing" : out;
}

struct Outcome {
    int status;
    uint32_t error;
    size_t consumed;
    std::string output;
    int inexact;
};

Outcome convert(gls::CvDesc *cd, std::string_view input, size_t room, bool terminated) {
    std::string buffer(room, '\0');
    const auto *in = reinterpret_cast<const unsigned char *>(input.data());
    auto *out = reinterpret_cast<unsigned char *>(buffer.data());
    size_t in_left = input.size();
    size_t out_left = room;
    int inexact = -1;
    cd->error = 0;
    const int status =
        gls::gl_miconv(cd, &in, terminated ? nullptr : &in_left, &out, &out_left, &inexact);
    buffer.resize(room - out_left);
    return {status, cd->error,
            static_cast<size_t>(in - reinterpret_cast<const unsigned char *>(input.data())),
            std::move(buffer), inexact};
}

std::string describe(const Expectation &e) {
    return "the source character " + hex(e.input) + " (line " + std::to_string(e.line) + ")";
}

std::string check_one(gls::CvDesc *cd, const Expectation &e) {
    const Outcome got = convert(cd, e.input, gls::kCvMaxCharLength, false);
    if (e.kind == Expectation::Kind::kNone) {
        if (got.status == -1 && got.error == gls::GL_EILSEQ && got.consumed == 0 &&
            got.output.empty()) {
            return {};
        }
        return describe(e) + " has no conversion, but converts to " + hex(got.output);
    }
    const int inexact = e.kind == Expectation::Kind::kExact ? 0 : 1;
    if (got.status == 0 && got.consumed == e.input.size() && got.output == e.output &&
        got.inexact == inexact) {
        return {};
    }
    return describe(e) + " converts to " + hex(got.output) +
           (got.status != 0 ? " and fails (" + error_words(got.error) + ")" : "") +
           (got.inexact != inexact ? ", inexact " + std::to_string(got.inexact) : "") +
           " instead of " + hex(e.output);
}

}  // namespace

std::string self_check(const std::string &directory, uint16_t source_number, uint16_t target_number,
                       const Conversion &conversion) {
    const std::string source = std::to_string(source_number);
    const std::string target = std::to_string(target_number);
    gls::CvDesc *loaded = nullptr;
    const int status =
        gls::gl_cv_load(&loaded, target.c_str(), source.c_str(), 0, directory.c_str());
    DescPtr cd(loaded);
    if (status != gls::kCvLoaded) {
        return "the written file does not load: " +
               error_words(loaded != nullptr ? loaded->error : gls::GL_EFILE);
    }

    // An unassigned character fails whole: the tree knows all its bytes.
    for (const std::string &bytes : conversion.unassigned) {
        const Expectation e{bytes, {}, Expectation::Kind::kNone, 0};
        std::string fault = check_one(cd.get(), e);
        int consumed = 0;
        uint32_t error = 0;
        const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
        if (fault.empty() &&
            (gls::_gl_retrieve_text_multi_limit(in, cd->tree, static_cast<int>(bytes.size()),
                                                &consumed, &error) == nullptr ||
             consumed != static_cast<int>(bytes.size())))
            fault = "the unassigned source character " + hex(bytes) + " is not one character";
        if (!fault.empty()) return fault;
    }

    std::string all_in;
    std::string all_out;
    const Expectation *terminator = nullptr;
    for (const Expectation &e : conversion.expected) {
        std::string fault = check_one(cd.get(), e);
        if (!fault.empty()) return fault;
        if (e.kind == Expectation::Kind::kNone) continue;
        all_in += e.input;
        all_out += e.output;
        if (e.input == std::string_view("\0", 1)) terminator = &e;
    }

    // The whole repertoire in one call, in a buffer the expansion factor sizes.
    const size_t room = gls::gl_cv_outbuflen(cd.get(), all_in.size());
    if (room < all_out.size()) {
        return "the expansion factor " + std::to_string(gls::gl_iconv_expansion(cd.get())) +
               " leaves too little room for the whole repertoire";
    }
    const Outcome whole = convert(cd.get(), all_in, room, false);
    if (whole.status != 0 || whole.output != all_out) {
        return "the whole repertoire in one call stops at byte " + std::to_string(whole.consumed) +
               ": " + error_words(whole.error);
    }

    // A terminated input ends after the null character.
    if (terminator != nullptr) {
        const Outcome ended =
            convert(cd.get(), std::string(1, '\0') + all_in, all_out.size() + 4, true);
        if (ended.status != 0 || ended.consumed != 1 || ended.output != terminator->output)
            return "a terminated input does not end after the null character";
    }
    return {};
}

}  // namespace velmorad::tools

#include "tests/tools/shipped.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "gls/names/names.h"
#include "tests/support/test_support.h"

namespace velmorad::testing {

const ShippedCodeSet &shipped(uint16_t number) {
    for (const ShippedCodeSet &s : kShippedCodeSets) {
        if (s.number == number) return s;
    }
    throw std::invalid_argument("not a shipped code set: " + std::to_string(number));
}

std::string charmap_path(uint16_t number) {
    return std::string("/usr/share/i18n/charmaps/") + shipped(number).charmap + ".gz";
}

std::vector<Pair> shipped_pairs() {
    // The installation's files, named by the two numbers in hexadecimal.
    std::vector<Pair> pairs;
    for (const std::string &name : entries_of(build_installation() + "/gls/cv9")) {
        pairs.push_back({static_cast<uint16_t>(std::stoul(name.substr(0, 4), nullptr, 16)),
                         static_cast<uint16_t>(std::stoul(name.substr(4, 4), nullptr, 16))});
    }
    return pairs;
}

std::string pair_name(const Pair &pair) {
    std::string name = std::string(shipped(pair.from).charmap) + "_to_" + shipped(pair.to).charmap;
    for (char &c : name) {
        if (c == '-') c = '_';
    }
    return name;
}

BuiltConversion::BuiltConversion(const Pair &pair) {
    static const bool cached = [] {
        uint32_t error = 0;
        gls::gl_cache_registry(&error, (build_installation() + "/gls/cm3/registry").c_str());
        return true;
    }();
    (void)cached;
    const std::string dir = build_installation() + "/gls/cv9";
    const std::string from = std::to_string(pair.from);
    const std::string to = std::to_string(pair.to);
    gls::CvDesc *cd = nullptr;
    if (gls::gl_cv_load(&cd, to.c_str(), from.c_str(), 0, dir.c_str()) == gls::kCvLoaded) {
        cd_ = cd;
    } else {
        gls::gl_cv_unload(cd);
    }
}

BuiltConversion::~BuiltConversion() {
    gls::gl_cv_unload(cd_);
}

Converted BuiltConversion::convert(std::string_view input) const {
    std::string buffer(input.size() * 4 + 8, '\0');
    const auto *in = reinterpret_cast<const unsigned char *>(input.data());
    auto *out = reinterpret_cast<unsigned char *>(buffer.data());
    size_t in_left = input.size();
    size_t out_left = buffer.size();
    int inexact = 0;
    cd_->error = 0;
    const int status = gls::gl_miconv(cd_, &in, &in_left, &out, &out_left, &inexact);
    buffer.resize(buffer.size() - out_left);
    return {status == 0 ? 0 : static_cast<int>(cd_->error), input.size() - in_left,
            std::move(buffer)};
}

Iconv::Iconv(const Pair &pair)
    : cd_(iconv_open(shipped(pair.to).charmap, shipped(pair.from).charmap)) {}

Iconv::~Iconv() {
    if (opened()) iconv_close(static_cast<iconv_t>(cd_));
}

bool Iconv::opened() const {
    return static_cast<iconv_t>(cd_) != reinterpret_cast<iconv_t>(-1);
}

Converted Iconv::convert(std::string_view input) const {
    auto cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string buffer(input.size() * 4 + 8, '\0');
    char *in = const_cast<char *>(input.data());
    char *out = buffer.data();
    size_t in_left = input.size();
    size_t out_left = buffer.size();
    int status = 0;
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1)) {
        status = errno == EILSEQ   ? static_cast<int>(gls::GL_EILSEQ)
                 : errno == EINVAL ? static_cast<int>(gls::GL_EINVAL)
                                   : -errno;
    } else if (iconv(cd, nullptr, nullptr, &out, &out_left) == static_cast<size_t>(-1)) {
        status = -errno;
    }
    buffer.resize(buffer.size() - out_left);
    return {status, input.size() - in_left, std::move(buffer)};
}

const std::vector<SampleText> &sample_texts() {
    static const std::vector<SampleText> texts = [] {
        std::vector<SampleText> out;
        for (const FixtureRow &row : fixture_rows("conv/sample_texts")) {
            SampleText sample{row.fields[0], {}, row.fields[2]};
            for (const std::string &number : fields_of(row.fields[1], ' '))
                sample.code_sets.push_back(static_cast<uint16_t>(std::stoul(number)));
            out.push_back(std::move(sample));
        }
        return out;
    }();
    return texts;
}

}  // namespace velmorad::testing

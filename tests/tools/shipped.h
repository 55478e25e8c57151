// The shipped code sets and conversions, and the C library's iconv beside
// the locale library's converters, for the tests that compare the two on
// the files the build made.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gls/conv/conv.h"

namespace velmorad::testing {

struct ShippedCodeSet {
    const char *name;     // the product's name
    uint16_t number;      // its code-set number
    const char *charmap;  // the charmap it is built from, also iconv's name
};

inline constexpr uint16_t kUtf8 = 57372;

inline constexpr ShippedCodeSet kShippedCodeSets[] = {
    {"8859-1", 819, "ISO-8859-1"}, {"cp1252", 1252, "CP1252"},  {"8859-2", 912, "ISO-8859-2"},
    {"8859-5", 915, "ISO-8859-5"}, {"koi-8", 878, "KOI8-R"},    {"8859-8", 916, "ISO-8859-8"},
    {"cp1256", 1256, "CP1256"},    {"utf8", kUtf8, "UTF-8"},    {"ujis", 57351, "EUC-JP"},
    {"sjis", 57350, "SHIFT_JIS"},  {"ksc", 57356, "EUC-KR"},    {"gb", 57357, "GB2312"},
    {"big5", 57352, "BIG5"},       {"thai620", 874, "TIS-620"}, {"8859-15", 923, "ISO-8859-15"},
};

const ShippedCodeSet &shipped(uint16_t number);
std::string charmap_path(uint16_t number);

struct Pair {
    uint16_t from;
    uint16_t to;
};
// Every shipped conversion: each code set to and from UTF-8, and the direct pairs.
std::vector<Pair> shipped_pairs();
// "ISO-8859-1_to_UTF-8", for test names.
std::string pair_name(const Pair &pair);

// What a conversion did: status 0, or the error (GL_EILSEQ, GL_EINVAL) of
// the library or the matching errno of iconv; how much input it took.
struct Converted {
    int status = 0;
    size_t consumed = 0;
    std::string output;
};

// A descriptor loaded from the build tree's installation.
class BuiltConversion {
  public:
    explicit BuiltConversion(const Pair &pair);
    ~BuiltConversion();
    BuiltConversion(const BuiltConversion &) = delete;
    BuiltConversion &operator=(const BuiltConversion &) = delete;
    bool loaded() const { return cd_ != nullptr; }
    gls::CvDesc *descriptor() const { return cd_; }
    Converted convert(std::string_view input) const;

  private:
    gls::CvDesc *cd_ = nullptr;
};

class Iconv {
  public:
    explicit Iconv(const Pair &pair);
    ~Iconv();
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool opened() const;
    // status 0, GL_EILSEQ or GL_EINVAL.
    Converted convert(std::string_view input) const;

  private:
    void *cd_;
};

// Real multi-line text in each script, in UTF-8, and the code sets it
// belongs to.
struct SampleText {
    std::string script;
    std::vector<uint16_t> code_sets;
    std::string text;
};
const std::vector<SampleText> &sample_texts();

}  // namespace velmorad::testing

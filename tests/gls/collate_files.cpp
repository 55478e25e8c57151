#include "tests/gls/collate_files.h"

#include <gtest/gtest.h>

#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"

namespace gls::testing {

namespace {

constexpr const char *kMarker = "### LC_COLLATE\n";

// A filed string ends in four zero bytes.
std::string filed_string(const unsigned char *bytes) {
    const std::string text(reinterpret_cast<const char *>(bytes));
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(bytes[text.size() + i], 0) << "terminator byte " << i << " of " << text;
    return text;
}

}  // namespace

std::string section_text(const CollationSource &source) {
    std::string text;
    EXPECT_EQ(write_collate_section(source, text), CollateWriteStatus::kOk);
    return text;
}

CollateRead read_section(const std::string &text, uint32_t error_before,
                         const std::function<void()> &before_read) {
    CollateRead result;
    result.loc = null_locale();
    if (result.loc == nullptr) return result;
    FileStream stream(kMarker + text);
    char marker[kHeaderLineSize];
    EXPECT_NE(_gl_ext_fgets(marker, sizeof marker, stream.get()), nullptr);
    result.loc->error = error_before;
    if (before_read) before_read();
    result.status = read_collate(stream.get(), result.loc.get());
    result.error = result.loc->error;
    result.rest = stream.rest();
    return result;
}

Strings all_ones_of(const CollateSection &coll) {
    Strings out;
    for (unsigned char **p = coll.all_ones; p != nullptr && *p != nullptr; ++p)
        out.push_back(filed_string(*p));
    return out;
}

Pairs equivalences_of(const CollateSection &coll) {
    Pairs out;
    for (unsigned char **p = coll.equivalences; p != nullptr && p[0] != nullptr; p += 2) {
        EXPECT_NE(p[1], nullptr);
        if (p[1] == nullptr) break;
        out.emplace_back(filed_string(p[0]), filed_string(p[1]));
    }
    return out;
}

}  // namespace gls::testing

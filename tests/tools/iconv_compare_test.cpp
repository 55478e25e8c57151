// The shipped conversion files against the C library's iconv: the whole
// repertoire of every source charmap (with the one-way mappings of
// data/one-way) and every byte sequence of the legacy code sets.
#include <gtest/gtest.h>

#include <string>

#include "gls/names/names.h"
#include "tests/support/bytes.h"
#include "tests/support/test_support.h"
#include "tests/tools/shipped.h"
#include "tools/common/charmap.h"

namespace velmorad::testing {
namespace {

using tools::Charmap;
using tools::CharmapEntry;
using tools::CharmapError;

// iconv drops the Unicode tag characters (language tags) without a trace;
// no charmap but UTF-8 has them, so they have no conversion here.
bool is_tag_character(const std::string &name) {
    if (name.size() != 9 || name.compare(0, 4, "U000") != 0) return false;
    const unsigned long code = std::stoul(name.substr(1), nullptr, 16);
    return code == 0xE0001 || (code >= 0xE0020 && code <= 0xE007F);
}

class ShippedConversion : public ::testing::TestWithParam<Pair> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ours.loaded()) << "not built: " << pair_name(GetParam());
        ASSERT_TRUE(theirs.opened());
    }
    BuiltConversion ours{GetParam()};
    Iconv theirs{GetParam()};
};

TEST_P(ShippedConversion, EverySourceCharacterConvertsAsIconvDoes) {
    const Pair pair = GetParam();
    Charmap source;
    CharmapError error;
    ASSERT_TRUE(tools::read_charmap(charmap_path(pair.from), &source, &error)) << error.reason;

    std::string all_in;
    std::string all_out;
    for (const CharmapEntry &e : source.entries()) {
        if (source.find_bytes(e.bytes) != &e) continue;
        SCOPED_TRACE("<" + e.name + "> " + hex(e.bytes));
        const Converted got = ours.convert(e.bytes);
        const Converted want = theirs.convert(e.bytes);
        if (got.status != 0) {
            // Every failure stops at the character, having written nothing.
            EXPECT_EQ(got.status, static_cast<int>(gls::GL_EILSEQ));
            EXPECT_EQ(got.consumed, 0u);
            EXPECT_EQ(got.output, "");
        }
        if (pair.from == kUtf8 && is_tag_character(e.name)) {
            EXPECT_NE(got.status, 0);
            EXPECT_EQ(want.status, 0);
            EXPECT_EQ(want.output, "");
        } else {
            EXPECT_EQ(got.status, want.status);
            EXPECT_EQ(hex(got.output), hex(want.output));
            if (got.status == 0) {
                all_in += e.bytes;
                all_out += got.output;
            }
        }
    }
    // The whole convertible repertoire in one call, by both.
    const Converted whole = ours.convert(all_in);
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.consumed, all_in.size());
    EXPECT_TRUE(whole.output == all_out);
    EXPECT_TRUE(theirs.convert(all_in).output == all_out);
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedConversion, ::testing::ValuesIn(shipped_pairs()),
                         [](const auto &info) { return pair_name(info.param); });

// Every byte sequence of a legacy source, found by extending each sequence
// that either side takes for the start of a character.
class LegacySource : public ShippedConversion {
  protected:
    void SetUp() override {
        ShippedConversion::SetUp();
        CharmapError error;
        ASSERT_TRUE(tools::read_charmap(charmap_path(GetParam().from), &source, &error));
    }

    void visit(const std::string &bytes) {
        SCOPED_TRACE(hex(bytes));
        const Converted got = ours.convert(bytes);
        const Converted want = theirs.convert(bytes);
        const int kIncomplete = static_cast<int>(gls::GL_EINVAL);
        if ((got.status == kIncomplete || want.status == kIncomplete) && bytes.size() < 4) {
            // A lead byte of a row that the charmap leaves empty: iconv waits
            // for the rest, the tree knows at once that nothing can follow.
            // Every completion must then fail on both sides.
            if (got.status != want.status) {
                EXPECT_EQ(got.status, static_cast<int>(gls::GL_EILSEQ));
                ++empty_rows;
            }
            for (int next = 0; next < 256; ++next)
                visit(bytes + static_cast<char>(next));
            return;
        }
        ++sequences;
        EXPECT_EQ(got.status, want.status);
        EXPECT_EQ(got.consumed, want.consumed);
        EXPECT_EQ(hex(got.output), hex(want.output));
    }
    Charmap source;
    size_t sequences = 0;
    size_t empty_rows = 0;
};

TEST_P(LegacySource, EveryByteSequenceConvertsAsIconvDoes) {
    for (int first = 0; first < 256; ++first)
        visit(std::string(1, static_cast<char>(first)));
    EXPECT_GE(sequences, 256u);
    RecordProperty("sequences", static_cast<int>(sequences));
    RecordProperty("empty_rows", static_cast<int>(empty_rows));
}

std::vector<Pair> legacy_source_pairs() {
    std::vector<Pair> pairs;
    for (const Pair &p : shipped_pairs()) {
        if (p.from != kUtf8) pairs.push_back(p);
    }
    return pairs;
}

INSTANTIATE_TEST_SUITE_P(Shipped, LegacySource, ::testing::ValuesIn(legacy_source_pairs()),
                         [](const auto &info) { return pair_name(info.param); });

// The names glibc's charmaps give each shipped code set (which iconv takes
// too) are names of it in the shipped registry.
TEST(ShippedConversions, TheRegistryKnowsEveryCharmapNameOfTheShippedCodeSets) {
    uint32_t error = 0;
    gls::gl_cache_registry(&error, (testing::build_installation() + "/gls/cm3/registry").c_str());
    ASSERT_EQ(error, 0u);
    for (const ShippedCodeSet &s : kShippedCodeSets) {
        Charmap map;
        CharmapError charmap_error;
        ASSERT_TRUE(tools::read_charmap(charmap_path(s.number), &map, &charmap_error));
        std::vector<std::string> names = map.aliases();
        names.push_back(map.code_set_name());
        for (const std::string &name : names)
            EXPECT_EQ(gls::gl_cs_name2cs_num(&error, name.c_str(), nullptr), s.number) << name;
    }
}

}  // namespace
}  // namespace velmorad::testing

// The classification section: what read_ctype takes from files the section
// writer made, and how it refuses broken ones (rows of
// tests/fixtures/gls/objects_ctype_damage).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "gls/chars/chars.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "tests/gls/ctype_fixtures.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::ctype_text;
using testing::LocalePtr;
using testing::null_locale;
using testing::read_section;
using testing::wide;

// The case-mapping result the source implies for a character.
gl_wchar_t mapped(const CtypeSource &source, const std::string &key, bool upper) {
    auto it = source.case_pairs.find(key);
    if (it == source.case_pairs.end()) return wide(key);
    const gl_wchar_t to = upper ? it->second.upper : it->second.lower;
    return to != 0 ? to : wide(key);
}

TEST(ReadCtype, EveryCharacterKeepsItsClassAndCase) {
    CtypeSource compressed = testing::multi_byte_source();
    compressed.tree_text = TreeText::kCompressed;
    CtypeSource no_pairs = testing::single_byte_source();
    no_pairs.case_pairs.clear();
    for (const CtypeSource &source :
         {testing::single_byte_source(), no_pairs, testing::multi_byte_source(),
          testing::two_byte_source(), compressed}) {
        LocalePtr loc = testing::load_ctype(source);
        for (const auto &[key, word] : source.classes) {
            SCOPED_TRACE(::testing::PrintToString(key));
            EXPECT_EQ(_gl_im_iswctype(loc.get(), wide(key), 0xFFFF), word);
            EXPECT_EQ(_gl_im_towupper(loc.get(), wide(key)), mapped(source, key, true));
            EXPECT_EQ(_gl_im_towlower(loc.get(), wide(key)), mapped(source, key, false));
            // The single-byte tables the fast primitives read.
            if (key.size() != 1 || loc->ctype.single_byte == 0) continue;
            const auto b = static_cast<unsigned char>(key[0]);
            EXPECT_EQ(loc->ctype.class_table[b], word);
            EXPECT_EQ(loc->ctype.upper_table[b], mapped(source, key, true));
            EXPECT_EQ(loc->ctype.lower_table[b], mapped(source, key, false));
        }
    }
    LocalePtr loc = testing::load_ctype(testing::single_byte_source());
    EXPECT_NE(_gl_im_iswctype(loc.get(), 'e', gl_ctype(loc.get(), "vowel")), 0u);
    EXPECT_EQ(_gl_im_iswctype(loc.get(), 'x', gl_ctype(loc.get(), "vowel")), 0u);
}

TEST(ReadCtype, GrowthFactor) {
    // Absent, the factor is 4; given, it is read whether or not case pairs precede it.
    for (const auto &[growth, with_pairs, expected] :
         {std::tuple{std::optional<double>(), false, 4.0},
          std::tuple{std::optional(2.5), false, 2.5}, std::tuple{std::optional(1.0), true, 1.0}}) {
        CtypeSource source = testing::multi_byte_source();
        if (!with_pairs) source.case_pairs.clear();
        source.growth = growth;
        LocalePtr loc = null_locale();
        const testing::SectionRead read = read_section(loc.get(), ctype_text(source));
        ASSERT_EQ(read.status, 0);
        EXPECT_EQ(read.rest, testing::kNextSection);  // nothing after the line is read
        EXPECT_EQ(loc->case_growth, expected);
    }
}

// A small multi-byte section whose parts are easy to find in the text.
CtypeSource small_source() {
    CtypeSource source;
    source.classes = {{"a", kClassLower}, {"A", kClassUpper}, {"\xC3\xA9", kClassLower}};
    source.user_classes = {{2, "full_width"}, {4, "marks"}};
    // "A" and "a" share their pair; "é" has one of its own.
    source.case_pairs = {{"A", {0x41, 0x61}}, {"a", {0x41, 0x61}}, {"\xC3\xA9", {0xC389, 0xC3A9}}};
    return source;
}

TEST(ReadCtype, BrokenSectionsFailWithTheirCode) {
    const std::string text = ctype_text(small_source());
    {
        LocalePtr loc = null_locale();
        ASSERT_EQ(read_section(loc.get(), text).status, 0);
        EXPECT_EQ(gl_ctype(loc.get(), "marks"), kClassUserBase << 4);
    }
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_ctype_damage")) {
        SCOPED_TRACE(row.where);
        const std::string &how = row.fields[0], &piece = row.fields[1];
        const size_t at = how == "cut_to" ? 0 : text.find(piece);
        ASSERT_NE(at, std::string::npos);
        std::string broken = text;
        if (how == "replace") broken.replace(at, piece.size(), row.fields[2]);
        if (how == "cut_before") broken.resize(at);
        if (how == "cut_after") broken.resize(at + piece.size());
        if (how == "cut_to") {
            const long n = std::stol(piece);
            broken.resize(n >= 0 ? static_cast<size_t>(n) : text.size() - static_cast<size_t>(-n));
        }
        ASSERT_NE(broken, text);
        // The section ends the file, so a reader that runs on finds nothing.
        LocalePtr loc = null_locale();
        testing::FileStream stream(broken);
        EXPECT_EQ(read_ctype(stream.get(), loc.get()), -1);
        EXPECT_EQ(loc->error, std::stoul(row.fields[3]));
    }
}

TEST(ReadCtype, CaseIndexesBeyondThePairsMapToThemselves) {
    // Two pairs in the case tree, one in the table.
    std::string text = ctype_text(small_source());
    const size_t at = text.rfind("\n2\n");
    ASSERT_NE(at, std::string::npos);
    text = text.substr(0, at) + "\n1\n0000004100000061\n";
    LocalePtr loc = null_locale();
    ASSERT_EQ(read_section(loc.get(), text).status, 0);
    ASSERT_EQ(testing::settle(loc.get()), 0);
    EXPECT_EQ(_gl_im_towupper(loc.get(), 'a'), 0x41u);       // index 1: the shared pair
    EXPECT_EQ(_gl_im_towlower(loc.get(), 'A'), 0x61u);       // index 1: the shared pair
    EXPECT_EQ(_gl_im_towupper(loc.get(), 0xC3A9), 0xC3A9u);  // index 2: beyond
}

TEST(ReadCtype, WithoutItsTreesNothingIsRead) {
    LocalePtr loc = null_locale();
    _gl_free_ctype(loc.get());
    EXPECT_EQ(read_section(loc.get(), ctype_text(small_source())).status, -1);
    EXPECT_EQ(loc->error, GL_ENOMEM);
    // The primitives find no character rather than following a null tree.
    const unsigned char a[] = {'a', 0};
    EXPECT_EQ(gl_full_mbtowc(loc.get(), nullptr, a, 2), -1);
    EXPECT_EQ(loc->error, GL_EILSEQ);
    EXPECT_EQ(_gl_im_towupper(loc.get(), 'a'), 'a');
}

TEST(ReadCtype, EveryAllocationFailureIsReportedAndNothingLeaks) {
    const std::string text = ctype_text(testing::single_byte_source());
    struct Result {
        LocalePtr loc;
        int read;
        int installed;
    };
    int install_failures = 0;
    testing::walk_allocation_failures(
        [&](const testing::Arm &arm) {
            LocalePtr loc = null_locale();
            arm();
            const int read = read_section(loc.get(), text).status;
            const int installed = read == 0 ? testing::settle(loc.get()) : -2;
            return Result{std::move(loc), read, installed};
        },
        [&](const Result &r, bool failed) {
            EXPECT_EQ(failed, r.read == -1 || r.installed == -1);
            if (!failed) return;
            EXPECT_EQ(r.loc->error, GL_ENOMEM);
            // A failed installation replaces nothing.
            if (r.installed == -1) {
                ++install_failures;
                EXPECT_EQ(r.loc->ctype.class_table, nullptr);
            }
        });
    EXPECT_GT(install_failures, 0);
}

}  // namespace
}  // namespace gls

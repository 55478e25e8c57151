// The classification section: what read_ctype takes from files the section
// writer made, how it refuses broken ones, and what set_function_pointers
// installs from it.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>

#include "gls/chars/chars.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "tests/gls/ctype_fixtures.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::bytes;
using testing::ctype_text;
using testing::LocalePtr;
using testing::null_locale;
using testing::read_section;
using testing::settle;
using testing::wide;

// The case-mapping result the source implies for a character.
gl_wchar_t mapped(const CtypeSource &source, const std::string &key, bool upper) {
    auto it = source.case_pairs.find(key);
    if (it == source.case_pairs.end()) return wide(key);
    const gl_wchar_t to = upper ? it->second.upper : it->second.lower;
    return to != 0 ? to : wide(key);
}

TEST(ReadCtype, SingleByteLocale) {
    const CtypeSource source = testing::single_byte_source();
    LocalePtr loc = testing::load_ctype(source);
    const CtypeSection &ctype = loc->ctype;
    EXPECT_EQ(ctype.single_byte, 1);
    EXPECT_EQ(loc->case_growth, kDefaultCaseGrowth);
    ASSERT_EQ(ctype.class_count, 2);
    EXPECT_EQ(ctype.classes[0].number, 3);
    EXPECT_STREQ(ctype.classes[0].name, "vowel");
    EXPECT_EQ(ctype.classes[1].number, 1);
    EXPECT_STREQ(ctype.classes[1].name, "latin");
    std::set<std::pair<gl_wchar_t, gl_wchar_t>> distinct;
    for (const auto &[character, pair] : source.case_pairs)
        distinct.emplace(pair.upper, pair.lower);
    EXPECT_EQ(ctype.case_pair_count, static_cast<int32_t>(distinct.size()));

    ASSERT_NE(ctype.class_table, nullptr);
    ASSERT_NE(ctype.upper_table, nullptr);
    ASSERT_NE(ctype.lower_table, nullptr);
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const std::string key = bytes({b});
        auto it = source.classes.find(key);
        EXPECT_EQ(ctype.class_table[b], it != source.classes.end() ? it->second : 0);
        EXPECT_EQ(ctype.upper_table[b], mapped(source, key, true));
        EXPECT_EQ(ctype.lower_table[b], mapped(source, key, false));
        EXPECT_EQ(_gl_im_towupper(loc.get(), static_cast<gl_wchar_t>(b)),
                  mapped(source, key, true));
    }
    EXPECT_EQ(ctype.upper_table[size_t{'e'}], 'E');
    EXPECT_EQ(ctype.lower_table[0xC9], 0xE9);
    EXPECT_EQ(ctype.upper_table[0xDF], 0xDF);
    EXPECT_EQ(gl_ctype(loc.get(), "vowel"), 16384u);
    EXPECT_EQ(gl_ctype(loc.get(), "latin"), 0x1000u);
    EXPECT_EQ(ctype.class_table[size_t{'e'}] & gl_ctype(loc.get(), "vowel"), 16384u);
    EXPECT_EQ(ctype.class_table[size_t{'x'}] & gl_ctype(loc.get(), "vowel"), 0u);
}

TEST(ReadCtype, WithoutCasePairsTheTablesAreTheIdentity) {
    CtypeSource source = testing::single_byte_source();
    source.case_pairs.clear();
    LocalePtr loc = testing::load_ctype(source);
    EXPECT_EQ(loc->ctype.case_pair_count, 0);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(loc->ctype.upper_table[b], b);
        EXPECT_EQ(loc->ctype.lower_table[b], b);
    }
}

TEST(ReadCtype, MultiByteLocales) {
    struct Row {
        const char *name;
        CtypeSource source;
        uint32_t min_length, max_length;
    };
    const Row rows[] = {
        {"one to three bytes", testing::multi_byte_source(), 1, 3},
        {"two bytes", testing::two_byte_source(), 2, 2},
        {"compressed",
         [] {
             CtypeSource source = testing::multi_byte_source();
             source.tree_text = TreeText::kCompressed;
             return source;
         }(),
         1, 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        LocalePtr loc = testing::load_ctype(row.source);
        EXPECT_EQ(loc->ctype.single_byte, 0);
        EXPECT_EQ(loc->ctype.class_table, nullptr);
        EXPECT_EQ(gl_mb_loc_min(loc.get()), static_cast<int>(row.min_length));
        EXPECT_EQ(gl_mb_loc_max(loc.get()), static_cast<int>(row.max_length));
        for (const auto &[key, word] : row.source.classes) {
            SCOPED_TRACE(::testing::PrintToString(key));
            EXPECT_EQ(_gl_im_iswctype(loc.get(), wide(key), 0xFFFF), word);
            EXPECT_EQ(_gl_im_towupper(loc.get(), wide(key)), mapped(row.source, key, true));
            EXPECT_EQ(_gl_im_towlower(loc.get(), wide(key)), mapped(row.source, key, false));
        }
    }
}

TEST(ReadCtype, GrowthFactor) {
    struct Row {
        std::optional<double> growth;
        bool with_pairs;
        double expected;
    };
    // Absent, the factor is 4; given, it is read whether or not case pairs precede it.
    const Row rows[] = {{std::nullopt, false, 4.0}, {2.5, false, 2.5}, {1.0, true, 1.0}};
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.growth) + (row.with_pairs ? " pairs" : ""));
        CtypeSource source = testing::multi_byte_source();
        if (!row.with_pairs) source.case_pairs.clear();
        source.growth = row.growth;
        const std::string text = ctype_text(source);
        LocalePtr loc = null_locale();
        const testing::SectionRead read = read_section(loc.get(), text);
        ASSERT_EQ(read.status, 0);
        EXPECT_EQ(read.rest, testing::kNextSection);  // nothing after the line is read
        EXPECT_EQ(loc->case_growth, row.expected);
    }
}

// Edits of a written section that break it in one place each.
using Edit = std::function<std::string(const std::string &)>;

Edit replace(const std::string &from, const std::string &to) {
    return [from, to](const std::string &text) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        std::string edited = text;
        if (at != std::string::npos) edited.replace(at, from.size(), to);
        return edited;
    };
}
Edit cut_at(const std::string &from) {
    return [from](const std::string &text) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.substr(0, at);
    };
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
    const std::string pairs = "2\n0000004100000061\n0000C3890000C3A9\n";
    ASSERT_NE(text.find(pairs), std::string::npos) << text;
    ASSERT_NE(text.find("\n2\n2 full_width\n4 marks\n"), std::string::npos) << text;
    const std::string long_name(kClassNameSize, 'n');
    struct Row {
        const char *what;
        Edit edit;
        uint32_t error;
    };
    const Row rows[] = {
        {"class tree longer than four bytes", replace("2 1 1 ", "5 1 1 "), GL_ETREELEN},
        {"class tree cut short", [](const std::string &t) { return t.substr(0, 20); }, GL_ENOMEM},
        {"class tree header without its newline", replace("2 1 1 0000\n", "2 1 1 0000 "),
         GL_ESHORTFILE},
        {"class count without its newline", replace("\n2\n2 full", "\n2 2 full"), GL_ESHORTFILE},
        {"negative class count", replace("\n2\n2 full", "\n-1\n2 full"), GL_ESHORTFILE},
        {"more classes than class bits", replace("\n2\n2 full", "\n6\n2 full"), GL_ESHORTFILE},
        {"class number beyond the class word", replace("4 marks", "5 marks"), GL_ESHORTFILE},
        {"negative class number", replace("4 marks", "-1 marks"), GL_ESHORTFILE},
        {"class number without its blank", replace("4 marks", "4\tmarks"), GL_ESHORTFILE},
        {"class name at the end of the file",
         [](const std::string &t) { return t.substr(0, t.find("4 marks") + 7); }, GL_ENOMEM},
        {"class name of 128 characters", replace("marks", long_name), GL_ENOMEM},
        {"class line with more after the name", replace("marks\n", "marks x\n"), GL_ESHORTFILE},
        {"case pair count beyond the case index", replace(pairs, "65536\n"), GL_ESHORTFILE},
        {"negative case pair count", replace(pairs, "-2\n"), GL_ESHORTFILE},
        {"case pair without its newline",
         replace("0000004100000061\n0000C389", "0000004100000061 0000C389"), GL_ESHORTFILE},
        {"case pair that is not hexadecimal", replace("0000004100000061\n", "00000041000000g1\n"),
         GL_ESHORTFILE},
        {"case pairs cut short", cut_at("00000061\n"), GL_ESHORTFILE},
        {"growth line without its newline",
         [](const std::string &t) { return t.substr(0, t.size() - 1); }, GL_ESHORTFILE},
        {"growth that is not a number", replace(pairs, "2\n0000004100000061\n0000C3890000C3A9 x\n"),
         GL_ESHORTFILE},
        {"growth below 1", replace(pairs, "0 0.5\n"), GL_ESHORTFILE},
        {"growth beyond 4", replace(pairs, "0 4.5\n"), GL_ESHORTFILE},
        {"growth not finite", replace(pairs, "0 nan\n"), GL_ESHORTFILE},
        {"growth line of 128 characters", replace(pairs, "0 " + std::string(126, '1') + "\n"),
         GL_ESHORTFILE},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        LocalePtr loc = null_locale();
        const std::string broken = row.edit(text);
        ASSERT_NE(broken, text);
        // The section ends the file, so a reader that runs on finds nothing.
        velmorad::testing::TempDir dir;
        velmorad::testing::write_file(dir / "section", broken);
        FILE *stream = std::fopen((dir / "section").c_str(), "r");
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(read_ctype(stream, loc.get()), -1);
        EXPECT_EQ(loc->error, row.error);
        std::fclose(stream);
    }
}

TEST(ReadCtype, TheSameEditsRemovedReadCleanly) {
    // The fixture behind the broken rows reads as it should.
    LocalePtr loc = null_locale();
    ASSERT_EQ(read_section(loc.get(), ctype_text(small_source())).status, 0);
    EXPECT_EQ(gl_ctype(loc.get(), "marks"), 0x800u << 4);
    EXPECT_EQ(gl_ctype(loc.get(), "full_width"), 0x800u << 2);
    EXPECT_EQ(_gl_im_towupper(loc.get(), 'a'), 0x41u);
}

TEST(ReadCtype, CaseIndexesBeyondThePairsMapToThemselves) {
    // Two pairs in the case tree, one in the table.
    std::string text = ctype_text(small_source());
    const size_t at = text.rfind("\n2\n");
    ASSERT_NE(at, std::string::npos);
    text = text.substr(0, at) + "\n1\n0000004100000061\n";
    LocalePtr loc = null_locale();
    ASSERT_EQ(read_section(loc.get(), text).status, 0);
    ASSERT_EQ(settle(loc.get()), 0);
    EXPECT_EQ(loc->ctype.case_pair_count, 1);
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
    EXPECT_EQ(gl_mb_loc_min(loc.get()), 1);
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
            Locale *loc = nullptr;
            EXPECT_EQ(gl_create_null_locale_4(&loc), 0);
            LocalePtr owned(loc);
            arm();
            const int read = read_section(loc, text).status;
            return Result{std::move(owned), read, read == 0 ? settle(loc) : -2};
        },
        [&](const Result &r, bool failed) {
            if (!failed) {
                EXPECT_EQ(r.read, 0);
                EXPECT_EQ(r.installed, 0);
                return;
            }
            EXPECT_TRUE(r.read == -1 || r.installed == -1);
            EXPECT_EQ(r.loc->error, GL_ENOMEM);
            // A failed installation replaces nothing.
            if (r.installed == -1) {
                ++install_failures;
                EXPECT_EQ(r.loc->ctype.class_table, nullptr);
            }
        });
    EXPECT_GT(install_failures, 0);
}

TEST(SetFunctionPointers, ConversionsFollowTheKindOfCodeSet) {
    LocalePtr single = testing::load_ctype(testing::single_byte_source());
    EXPECT_EQ(single->primitives.mbstowcs, &_gl_is_mbstowcs);
    EXPECT_EQ(single->primitives.mbfstowcfs, &_qmx_gl_is_mbfstowcfs);
    LocalePtr multi = testing::load_ctype(testing::two_byte_source());
    EXPECT_EQ(multi->primitives.mbstowcs, &_gl_im_mbstowcs);
    EXPECT_EQ(multi->primitives.mbfstowcfs, &_qmx_gl_im_mbfstowcfs);
}

TEST(SetFunctionPointers, CollationFollowsTheRules) {
    struct Row {
        const char *what;
        bool single_byte;
        int32_t mode;
        bool expansions, elements, backward;
        GlMbsCollFn coll;
        GlMbfsCollFn fcoll;
        GlMbsXfrmFn xfrm;
    };
    const Row rows[] = {
        {"no rules", true, kCollateNone, false, false, false, _gl_is_mbscoll_back,
         _qmx_gl_is_mbfscoll_back, gl_full_mbsxfrm},
        {"expansions", true, kCollateRules, true, false, false, _gl_is_mbscoll_exp,
         _qmx_gl_is_mbfscoll_exp, gl_full_mbsxfrm},
        {"elements", true, kCollateRules, false, true, false, _gl_is_mbscoll_elem,
         _qmx_gl_is_mbfscoll_elem, gl_full_mbsxfrm},
        {"backward", true, kCollateRules, false, false, true, _gl_is_mbscoll_back,
         _qmx_gl_is_mbfscoll_back, gl_full_mbsxfrm},
        {"expansions and elements", true, kCollateRules, true, true, false, _gl_is_mbscoll_exp_elem,
         _qmx_gl_is_mbfscoll_exp_elem, gl_full_mbsxfrm},
        {"backward and expansions", true, kCollateRules, true, false, true, _gl_im_mbscoll,
         _qmx_gl_im_mbfscoll, gl_full_mbsxfrm},
        {"backward and elements", true, kCollateRules, false, true, true, _gl_im_mbscoll,
         _qmx_gl_im_mbfscoll, gl_full_mbsxfrm},
        {"all three", true, kCollateRules, true, true, true, _gl_im_mbscoll, _qmx_gl_im_mbfscoll,
         gl_full_mbsxfrm},
        {"multi-byte", false, kCollateRules, true, false, false, _gl_im_mbscoll,
         _qmx_gl_im_mbfscoll, gl_full_mbsxfrm},
        {"thai", true, kCollateThai, true, false, false, _gl_thaismocoll, _qmx_gl_thaismoncoll,
         _gl_thaismoxfrm},
        {"thai multi-byte", false, kCollateThai, false, false, false, _gl_thaismocoll,
         _qmx_gl_thaismoncoll, _gl_thaismoxfrm},
        {"extension", true, kCollateExtension, false, true, false, _glu_mbscoll, _glu_mbfscoll,
         _glu_mbsxfrm},
        {"extension multi-byte", false, kCollateExtension, false, false, false, _glu_mbscoll,
         _glu_mbfscoll, _glu_mbsxfrm},
    };
    const CtypeSource single = testing::single_byte_source();
    const CtypeSource multi = testing::multi_byte_source();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        LocalePtr loc = testing::load_ctype(row.single_byte ? single : multi);
        CollateSection &coll = loc->collate;
        coll.mode = row.mode;
        coll.levels = 3;
        coll.directions[0] = 1;
        coll.directions[1] = 0;
        coll.directions[2] = row.backward ? 2 : 1;
        coll.directions[3] = 2;  // beyond the levels in use: not counted
        coll.expansion_count = row.expansions ? 2 : 0;
        coll.element_count = row.elements ? 1 : 0;
        ASSERT_EQ(set_function_pointers(loc.get()), 0);
        EXPECT_EQ(loc->primitives.mbscoll, row.coll);
        EXPECT_EQ(loc->primitives.mbfscoll, row.fcoll);
        EXPECT_EQ(loc->primitives.mbsxfrm, row.xfrm);
        coll.expansion_count = 0;
        coll.element_count = 0;
    }
}

}  // namespace
}  // namespace gls

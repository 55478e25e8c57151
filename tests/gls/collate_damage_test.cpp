// Collation sections that are damaged, cut short, or read while memory runs
// out; and what the section writer refuses to write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gls/load/locale.h"
#include "gls/load/writer/collate_writer.h"
#include "tests/gls/collate_files.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::all_ones_of;
using testing::equivalences_of;
using testing::read_section;
using testing::section_text;

constexpr uint16_t kExpansion = 0x4000;
constexpr TreeText kTreeTexts[] = {TreeText::kPlain, TreeText::kCompressed};

// Three characters and an element on two levels; row 4 is expansion 1
// alone, rows 1 and 3 weigh the same, row 5 is all ones.
CollationSource good_source() {
    CollationSource source;
    source.rows = {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}, {"f", 5}};
    source.directions = {0, 2};
    source.elements = {{{'c', 'a'}, 2}};
    source.expansions = {{'a'}, {'b', 'e'}};
    source.weights = {{7, 7}, {3, 4}, {5, 5}, {3, 4}, {kExpansion | 1, kExpansion | 1}, {1, 1}};
    return source;
}

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(CollateDamage, BrokenSectionsFailWithTheirCode) {
    struct Row {
        const char *what;
        std::string text;
        int status;
        uint32_t error;
    };
    auto with = [](void (*change)(CollationSource &)) {
        CollationSource source = good_source();
        change(source);
        return section_text(source);
    };
    const std::string good = section_text(good_source());
    const std::vector<Row> rows = {
        {"the good section", good, 0, 0},
        {"eight levels", with([](CollationSource &s) {
             s.directions.assign(8, 0);
             for (auto &row : s.weights)
                 row.resize(8, row[0]);
         }),
         0, 0},
        {"nine levels", with([](CollationSource &s) {
             s.directions.assign(9, 0);
             for (auto &row : s.weights)
                 row.resize(9, row[0]);
         }),
         -1, GL_ESHORTFILE},
        {"a character's row beyond R", with([](CollationSource &s) { s.rows["g"] = 6; }), -1,
         GL_ESHORTFILE},
        {"an element's row beyond R", with([](CollationSource &s) { s.elements[0].row = 6; }), -1,
         GL_ESHORTFILE},
        {"an expansion reference beyond E",
         with([](CollationSource &s) { s.weights[2][1] = kExpansion | 2; }), -1, GL_ESHORTFILE},
        {"a special weight is no reference",
         with([](CollationSource &s) { s.weights[2][1] = 0xFFFF; }), 0, 0},
        {"an element's character the tree cannot encode",
         with([](CollationSource &s) { s.elements[0].chars[1] = 'z'; }), -1, GL_EILSEQ},
        {"the same with direct weights, which derive nothing", with([](CollationSource &s) {
             s.elements[0].chars[1] = 'z';
             s.direct_weights = true;
         }),
         0, 0},
        {"a recorded expansion's character the tree cannot encode",
         with([](CollationSource &s) { s.expansions[1][0] = 0x100; }), -1, GL_EILSEQ},
        {"an unrecorded expansion is never encoded",
         with([](CollationSource &s) { s.expansions[0][0] = 0x100; }), 0, 0},
        {"no rows", with([](CollationSource &s) { s.weights.clear(); }), -1, GL_ESHORTFILE},
        {"weight size 0", with([](CollationSource &s) { s.weight_size = 0; }), -1, GL_ESHORTFILE},
        {"weight size 4", with([](CollationSource &s) { s.weight_size = 4; }), 0, 0},
        {"weight size 5", with([](CollationSource &s) { s.weight_size = 5; }), -1, GL_ESHORTFILE},
        {"an over-long rules line", std::string(200, 'x') + "\n" + good, -1, GL_ESHORTFILE},
        {"an empty section", "", -1, GL_ESHORTFILE},
        {"a rules line cut short", "as_specified", -1, GL_ESHORTFILE},
    };
    for (const Row &row : rows) {
        auto read = read_section(row.text, 99);
        ASSERT_NE(read.loc, nullptr);
        EXPECT_EQ(read.status, row.status) << row.what;
        EXPECT_EQ(read.error, row.error) << row.what;
    }
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_collate_damage")) {
        auto read = read_section(replaced(good, row.fields[0], row.fields[1]), 99);
        EXPECT_EQ(read.status, std::stoi(row.fields[2])) << row.where;
        EXPECT_EQ(read.error, std::stoul(row.fields[3])) << row.where;
    }
}

TEST(CollateDamage, UnknownRulesFailWithoutACode) {
    for (const char *rules : {"as_specified \n", "AS_SPECIFIED\n", "\n", "thai\n"}) {
        auto read = read_section(std::string(rules) + section_text(good_source()).substr(13), 42);
        EXPECT_EQ(read.status, -1) << rules;
        EXPECT_EQ(read.error, 42U) << rules;
        EXPECT_EQ(read.loc->collate.mode, kCollateNone) << rules;
    }
}

// A section cut anywhere, plain or compressed, fails and releases cleanly;
// nothing is read past the end of the file.
TEST(CollateDamage, EveryTruncationFails) {
    for (TreeText tree_text : kTreeTexts) {
        CollationSource source = good_source();
        source.tree_text = tree_text;
        const std::string text = section_text(source);
        for (size_t length = 0; length < text.size(); ++length) {
            testing::FailingHost host;  // counts blocks; fails none
            {
                auto read = read_section(text.substr(0, length));
                EXPECT_EQ(read.status, -1) << "cut at " << length;
            }
            EXPECT_EQ(host.live_blocks(), 0) << "cut at " << length;
        }
    }
}

// The locale's collation tree was lost to memory before the read.
TEST(CollateDamage, ANullCategoryWithoutATreeReportsMemory) {
    Locale *loc = nullptr;
    ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
    testing::LocalePtr owner(loc);
    _gl_free_multi(loc->collate.tree);
    loc->collate.tree = nullptr;
    EXPECT_EQ(read_collate(nullptr, loc), -1);
    EXPECT_EQ(loc->error, GL_ENOMEM);
    unsigned char out[4];
    EXPECT_EQ(_gl_sl_wctomb(loc, out, 'a'), -1);
    EXPECT_EQ(loc->error, GL_EILSEQ);
}

// Every allocation of the reader fails in turn: error 3, and unloading the
// locale leaves nothing behind.
void fail_every_allocation(const CollationSource &source) {
    const std::string text = section_text(source);
    const long failures = testing::walk_allocation_failures(
        [&](const testing::Arm &arm) { return read_section(text, 0, arm); },
        [](const testing::CollateRead &read, bool failed) {
            ASSERT_NE(read.loc, nullptr);
            EXPECT_EQ(read.status, failed ? -1 : 0);
            if (failed) {
                EXPECT_EQ(read.error, GL_ENOMEM);
            }
        });
    EXPECT_GT(failures, 10);
}

TEST(CollateDamage, EveryOutOfMemoryPathReleasesCleanly) {
    fail_every_allocation(good_source());
    CollationSource direct = good_source();
    direct.direct_weights = true;
    fail_every_allocation(direct);
    CollationSource wide = good_source();
    wide.tree_text = TreeText::kCompressed;
    wide.rows["\xC3\xA9"] = 3;
    wide.rows["\xE2\x82\xAC"] = 4;
    wide.elements.push_back({{0xC3A9, 0xE282AC}, 1});
    fail_every_allocation(wide);
}

// Leaves of a compressed tree share their data arrays, which the row check
// judges once: a row beyond R fails wherever it stands, in either form.
TEST(CollateDamage, RowsBeyondTheCountFailInSharedArraysToo) {
    for (TreeText text : kTreeTexts) {
        CollationSource source = good_source();
        source.tree_text = text;
        // Two-byte keys under many lead bytes, the same rows under each.
        for (int lead = 0xC2; lead <= 0xDF; ++lead) {
            for (int trail = 0x80; trail <= 0xBF; ++trail)
                source.rows[std::string{char(lead), char(trail)}] = 1 + trail % 5;
        }
        EXPECT_EQ(read_section(section_text(source), 99).status, 0);
        source.rows["\xD0\x90"] = 6;
        auto read = read_section(section_text(source), 99);
        EXPECT_EQ(read.status, -1);
        EXPECT_EQ(read.error, GL_ESHORTFILE);
    }
}

TEST(CollateWriter, RefusesWhatItCannotSpell) {
    struct Row {
        const char *what;
        void (*change)(CollationSource &);
        CollateWriteStatus status;
    };
    const Row rows[] = {
        {"a key that is a prefix of another", [](CollationSource &s) { s.rows["ab"] = 1; },
         CollateWriteStatus::kBadCharacter},
        {"a key of five bytes", [](CollationSource &s) { s.rows["vwxyz"] = 1; },
         CollateWriteStatus::kBadCharacter},
        {"an element of sixteen characters",
         [](CollationSource &s) { s.elements[0].chars.assign(16, 'a'); },
         CollateWriteStatus::kBadSequence},
        {"an empty expansion", [](CollationSource &s) { s.expansions[0].clear(); },
         CollateWriteStatus::kBadSequence},
        {"a row short of a level", [](CollationSource &s) { s.weights[3].pop_back(); },
         CollateWriteStatus::kBadRowWidth},
    };
    for (const Row &row : rows) {
        CollationSource source = good_source();
        row.change(source);
        std::string out = "kept";
        EXPECT_EQ(write_collate_section(source, out), row.status) << row.what;
        EXPECT_EQ(out, "kept") << row.what;
    }
}

}  // namespace
}  // namespace gls

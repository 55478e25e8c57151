// The collation compiler on small hand-written sources (tests/fixtures/
// collate): each is compiled by lccomp for ISO-8859-1 and loaded through the
// library, and its words must sort in the order listed. Then the sections
// it writes for large code sets, checked against the format's limits, and
// what it says about sources it cannot follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tests/support/rest_locales.h"
#include "tests/support/test_support.h"
#include "tools/lccomp/compile.h"

namespace velmorad::testing {
namespace {

std::string latin1(const std::string &utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            out += static_cast<char>(((c & 0x1F) << 6) | (next & 0x3F));
        }
    }
    return out;
}

// Each fixture lists its words in the order they must sort, on its line
// "% Sorted (...): WORD | WORD ...".
TEST(CollationCompiler, OrdersFixtureWordsAsTheirSourceSays) {
    const std::string dir = source_dir() + "/tests/fixtures/collate/";
    for (const std::string &name : entries_of(dir)) {
        if (name == "faults") continue;
        SCOPED_TRACE(name);
        const std::vector<std::string> sorted = lines_with(read_file(dir + name), "% Sorted ");
        ASSERT_EQ(sorted.size(), 1u);
        std::vector<std::string> words;
        for (const std::string &word : fields_of(sorted[0].substr(sorted[0].find(": ") + 2), '|')) {
            const size_t first = word.find_first_not_of(' ');
            words.push_back(latin1(word.substr(first, word.find_last_not_of(' ') - first + 1)));
        }
        TempDir out;
        const RunResult made =
            run_program(LCCOMP_BIN,
                        {"--charmap", "ISO-8859-1", "--registry", source_dir() + "/data/registry",
                         "-o", out / "compiled.lco", dir + name},
                        {});
        ASSERT_EQ(made.status, 0) << made.err;
        gls::testing::LocalePtr loc = load_locale("compiled.lco", out.path());
        ASSERT_EQ(loc->error, 0u);
        auto order = [&loc](const std::string &a, const std::string &b) {
            const int r = loc->primitives.mbscoll(
                loc.get(), reinterpret_cast<const unsigned char *>(a.c_str()),
                reinterpret_cast<const unsigned char *>(b.c_str()));
            return (r > 0) - (r < 0);
        };
        for (size_t i = 0; i < words.size(); ++i) {
            for (size_t j = i + 1; j < words.size(); ++j) {
                EXPECT_EQ(order(words[i], words[j]), -1) << i << " before " << j;
                EXPECT_EQ(order(words[j], words[i]), 1) << j << " after " << i;
            }
        }
    }
}

// ---- The section for large code sets ----------------------------------

struct Compiled {
    tools::LocaleSource source;
    tools::Charmap charmap;
    tools::Diagnostics diagnostics;
    gls::CollationSource section;
};

bool compile_in_process(const std::string &source, const std::string &charmap, Compiled *out) {
    tools::CharmapError error;
    if (!tools::read_charmap("/usr/share/i18n/charmaps/" + charmap + ".gz", &out->charmap, &error))
        return false;
    tools::ReadOptions options;
    options.charmap = &out->charmap;
    return tools::read_locale_source("/usr/share/i18n/locales/" + source, options, &out->source,
                                     &out->diagnostics) &&
           tools::compile_collation(out->source, out->charmap, &out->diagnostics, &out->section);
}

class LargeSection : public ::testing::TestWithParam<std::pair<const char *, const char *>> {};

// Every weight within the format, every expansion made of characters the
// tree has and that weigh plainly where it is read, and the weight size of
// the largest weight.
TEST_P(LargeSection, StaysWithinTheFormat) {
    Compiled c;
    ASSERT_TRUE(compile_in_process(GetParam().first, GetParam().second, &c))
        << c.diagnostics.error.reason;
    const gls::CollationSource &s = c.section;
    ASSERT_LE(s.weights.size(), size_t{0x10000});
    std::map<gls::gl_wchar_t, uint16_t> row_of;
    for (const auto &[bytes, row] : s.rows) {
        ASSERT_LT(row, s.weights.size());
        row_of[tools::packed_wchar(bytes)] = row;
    }
    for (const gls::CollationElementSource &e : s.elements)
        ASSERT_LT(e.row, s.weights.size());
    uint16_t largest = 0;
    for (const std::vector<uint16_t> &row : s.weights) {
        ASSERT_EQ(row.size(), s.directions.size());
        for (size_t level = 0; level < row.size(); ++level) {
            const uint16_t w = row[level];
            ASSERT_EQ(w & 0x8000, 0);
            if ((w & 0x4000) == 0) {
                largest = std::max(largest, w);
                continue;
            }
            const size_t index = w & 0x3FFF;
            ASSERT_LT(index, s.expansions.size());
            for (gls::gl_wchar_t wc : s.expansions[index]) {
                auto it = row_of.find(wc);
                ASSERT_NE(it, row_of.end()) << std::hex << wc;
                const uint16_t read = s.weights[it->second][level];
                EXPECT_TRUE(read != 0 && (read & 0xC000) == 0) << std::hex << wc;
            }
        }
    }
    EXPECT_EQ(s.weight_size, largest > 0xFF ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Shipped, LargeSection,
                         ::testing::Values(std::make_pair("de_DE", "UTF-8"),
                                           std::make_pair("zh_TW", "BIG5")),
                         [](const auto &info) {
                             std::string name =
                                 std::string(info.param.first) + "_" + info.param.second;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

// ---- Sources the compiler cannot follow --------------------------------

TEST(CollationCompiler, ReportsWhatItCannotFollowWhereItStands) {
    tools::Charmap charmap;
    tools::CharmapError error;
    ASSERT_TRUE(tools::read_charmap("/usr/share/i18n/charmaps/ISO-8859-1.gz", &charmap, &error));
    for (const FixtureRow &f : fixture_rows("collate/faults")) {
        SCOPED_TRACE(f.where);
        const bool fails = f.fields[0] == "yes";
        const std::string &reason = f.fields[2];
        const std::string text =
            "comment_char %\nescape_char /\nLC_COLLATE\n" + f.fields[3] + "END LC_COLLATE\n";
        tools::ReadOptions options;
        options.charmap = &charmap;
        tools::LocaleSource source;
        tools::Diagnostics d;
        ASSERT_TRUE(tools::read_locale_text(text, "fault", options, &source, &d)) << d.error.reason;
        gls::CollationSource section;
        EXPECT_EQ(tools::compile_collation(source, charmap, &d, &section), !fails);
        const tools::Diagnostic *found = fails ? &d.error : nullptr;
        for (const tools::Diagnostic &w : d.warnings) {
            if (!fails && w.reason.find(reason) != std::string::npos) found = &w;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_NE(found->reason.find(reason), std::string::npos) << found->reason;
        EXPECT_EQ(found->position.line, std::stoi(f.fields[1]));
        EXPECT_EQ(found->position.file, "fault");
    }
}

}  // namespace
}  // namespace velmorad::testing

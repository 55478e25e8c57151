// The locale source reader on broken sources that must be refused at the
// right line, and on the comment and escape characters a source declares.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"
#include "tools/lccomp/lccomp.h"

namespace velmorad::tools {
namespace {

using velmorad::testing::source_dir;
using velmorad::testing::TempDir;
using velmorad::testing::write_file;

std::string fixtures() {
    return source_dir() + "/tests/fixtures/lccomp";
}

// Each broken source is refused with the file and line of its fault.
TEST(BrokenSource, IsRefusedAtTheLineOfTheFault) {
    for (const velmorad::testing::FixtureRow &row :
         velmorad::testing::fixture_rows("lccomp/broken")) {
        SCOPED_TRACE(row.where);
        ASSERT_EQ(row.fields.size(), 4u);
        TempDir dir;
        write_file(dir / "src", row.fields[3]);
        write_file(dir / "loop_a", "LC_CTYPE\ncopy \"loop_b\"\nEND LC_CTYPE\n");
        write_file(dir / "loop_b", "LC_CTYPE\ncopy \"loop_a\"\nEND LC_CTYPE\n");
        write_file(dir / "bad_time", "LC_TIME\nd_fmt \"%d\"\nd_fmtt \"%d\"\nEND LC_TIME\n");
        ReadOptions options;
        options.sources_dir = dir.path();
        LocaleSource source;
        Diagnostics d;
        EXPECT_FALSE(read_locale_source(dir / "src", options, &source, &d));
        EXPECT_EQ(d.error.position.file, dir / row.fields[0]);
        EXPECT_EQ(d.error.position.line, std::stoi(row.fields[1]));
        EXPECT_NE(d.error.reason.find(row.fields[2]), std::string::npos) << d.error.reason;
    }
}

TEST(SourceLexing, CommentAndEscapeCharactersAreTheSourcesOwn) {
    // With "#" comments and "\" escapes (the defaults), "%" is text; after
    // the declarations, "%" comments and "/" escapes.
    TempDir dir;
    write_file(dir / "src",
               "LC_TIME\n"
               "d_fmt \"%d\\\\%m\" # a comment\n"
               "END LC_TIME\n"
               "comment_char %\n"
               "escape_char /\n"
               "LC_MESSAGES\n"
               "yesstr \"y/\"/x41/d066\" % a comment \"\n"
               "nostr  \"n\\\"\n"
               "% a comment line that ends in the escape character /\n"
               "noexpr \"^n\"; % a comment after text that does /\n"
               "       \"^N\"\n"
               "END LC_MESSAGES\n");
    Charmap charmap;
    CharmapError error;
    ASSERT_TRUE(read_charmap(fixtures() + "/mini.charmap", &charmap, &error));
    ReadOptions options;
    options.charmap = &charmap;
    LocaleSource source;
    Diagnostics d;
    ASSERT_TRUE(read_locale_source(dir / "src", options, &source, &d)) << d.error.reason;
    EXPECT_EQ(source.time.find("d_fmt")->strings[0],
              (CharString{"U0025", "U0064", "U005C", "U0025", "U006D"}));
    EXPECT_EQ(source.messages.find("yesstr")->strings[0],
              (CharString{"U0079", "U0022", "U0041", "U0042"}));
    EXPECT_EQ(source.messages.find("nostr")->strings[0], (CharString{"U006E", "U005C"}));
    EXPECT_EQ(source.messages.find("noexpr")->strings.size(), 2u);
}

}  // namespace
}  // namespace velmorad::tools

// The edge cases of the time formatter, the integer writer and the
// modifier scanner, as rows of tests/fixtures/format/edge_cases, run on
// locales the section writers make (the sample one and damaged variants);
// and gl_mbsftime1 through every allocation it can make, failed in turn.
#include <gtest/gtest.h>
#include <time.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::LocalePtr;

std::string outcome(int status, uint32_t error, const std::string &text) {
    return status != 0 ? "!" + std::to_string(error) : "\"" + text + "\"";
}

std::string unescaped(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            out += text[i + 1] == 'n' ? '\n' : text[i + 1] == 't' ? '\t' : text[i + 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The locales of the table: the sample, and variants with parts of the
// time section changed.
std::map<std::string, LocalePtr> table_locales(const LcoInstallation &inst) {
    std::map<std::string, TimeSource> sources;
    for (const char *name : {"eras", "plain", "short", "onedigit", "loop", "hebrew", "arabic"})
        sources[name] = testing::sample_time();
    sources["plain"].eras.clear();
    sources["plain"].alt_digits.clear();
    sources["short"].abmon.resize(5);
    sources["onedigit"].alt_digits.resize(1);
    sources["loop"].date_time_format = "%c";
    sources["loop"].date_format = "%x%x";
    sources["hebrew"].calendar = "hebrew";
    sources["arabic"].calendar = "arabic";
    std::map<std::string, LocalePtr> out;
    for (const auto &[name, source] : sources)
        out[name] = inst.load(name + ".lco", testing::with_time(source));
    return out;
}

// "2024-05-07 09:05:07.000000 w2 interval room=9"
struct TimeRow {
    CalendarTime record{};
    int date_flag = 1;
    int room = 256;
};

TimeRow time_row(const std::string &text) {
    TimeRow row;
    std::istringstream in(text);
    std::string date, time, option;
    in >> date >> time;
    CalendarTime &r = row.record;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    unsigned long long fraction = 0;
    EXPECT_EQ(std::sscanf(date.c_str(), "%d-%d-%d", &year, &month, &day), 3) << text;
    EXPECT_EQ(std::sscanf(time.c_str(), "%d:%d:%d.%llu", &hour, &minute, &second, &fraction), 4);
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    const time_t t = timegm(&tm);
    struct tm derived {};
    gmtime_r(&t, &derived);
    r = {fraction,    second,          minute,          hour, day, month - 1, month - 1,
         year - 1900, derived.tm_wday, derived.tm_yday, 0,    0,   0};
    while (in >> option) {
        if (option[0] == 'w') r.weekday = std::stoi(option.substr(1));
        if (option[0] == 'y') r.yearday = std::stoi(option.substr(1));
        if (option == "interval") row.date_flag = 0;
        if (option.rfind("room=", 0) == 0) row.room = std::stoi(option.substr(5));
    }
    return row;
}

std::string run_time(Locale *loc, const std::vector<std::string> &f) {
    const TimeRow row = time_row(f[3]);
    if (f[4][0] == '#') {
        int chars = 0, bytes = 0;
        loc->error = 0;
        const int status =
            gl_mbsftime1(loc, nullptr, 0, f[2].c_str(), &row.record, &chars, &bytes, row.date_flag);
        EXPECT_EQ(status, 0);
        return loc->error != 0 ? outcome(1, loc->error, "")
                               : "#" + std::to_string(chars) + "/" + std::to_string(bytes);
    }
    std::vector<char> out(static_cast<size_t>(row.room) + 1, '\x7f');
    loc->error = 0;
    const int n = gl_mbsftime1(loc, out.data(), row.room, f[2].c_str(), &row.record, nullptr,
                               nullptr, row.date_flag);
    const bool failed = n == 0 && loc->error != 0;
    if (!failed) {
        EXPECT_EQ(out[static_cast<size_t>(n)], '\0') << f[2];
        // The measurement bounds what was written.
        int chars = 0, bytes = 0;
        EXPECT_EQ(gl_mbsftime1(loc, nullptr, 0, f[2].c_str(), &row.record, &chars, &bytes, 1), 0);
        EXPECT_GE(bytes, n) << f[2];
        EXPECT_GE(chars, n) << f[2];
    }
    return outcome(failed ? 1 : 0, loc->error, std::string(out.data(), failed ? 0 : n));
}

std::string run_number(Locale *loc, const std::vector<std::string> &f) {
    const uint64_t value = std::stoull(f[1]);
    const int base = std::stoi(f[2]), width = std::stoi(f[3]), precision = std::stoi(f[4]);
    uint32_t flags = 0;
    int negative = 0;
    for (char c : f[5]) {
        flags |= c == '\''  ? kFlagGroup
                 : c == '-' ? kFlagLeft
                 : c == '+' ? kFlagPlus
                 : c == '_' ? kFlagSpace
                 : c == '0' ? kFlagZero
                 : c == '#' ? kFlagAlternate
                 : c == 'U' ? kFlagUpper
                            : 0;
        negative |= c == 'N' ? 1 : 0;
    }
    const Grouping saved = loc->text.grouping;
    if (f[6] != ".") {
        loc->text.grouping.count = 0;
        for (const std::string &size : velmorad::testing::fields_of(f[6], ','))
            loc->text.grouping.sizes[loc->text.grouping.count++] = std::stoi(size);
    }
    const int room = std::stoi(f[7]);
    std::vector<gl_wchar_t> out(static_cast<size_t>(room) + 1, 0x7f);
    gl_wchar_t *at = out.data();
    int count = 0;
    loc->error = 0;
    const int status =
        _gl_format_decimal(loc, value, negative, base, &count, room, &at, width, precision, flags);
    loc->text.grouping = saved;
    EXPECT_EQ(at - out.data(), count);
    if (status != 0) {
        EXPECT_EQ(out[0], 0x7fU);  // nothing written
    }
    return outcome(status, loc->error, std::string(out.begin(), out.begin() + count));
}

std::string run_modifiers(Locale *loc, const std::vector<std::string> &f) {
    std::basic_string<gl_wchar_t> text(f[1].begin(), f[1].end());
    std::vector<int> values;
    uint32_t flags = 0;
    if (f[2] != ".") {
        flags = kFlagArguments;
        for (const std::string &v : velmorad::testing::fields_of(f[2], ',')) {
            if (!v.empty()) values.push_back(std::stoi(v));
        }
    }
    FormatArguments arguments{values.data(), static_cast<int>(values.size()), 0};
    const gl_wchar_t *p = text.c_str();
    int justify = 1, width = 0, precision = -1, position = 0;
    gl_wchar_t pad = ' ';
    loc->error = 0;
    const int status = _gl_scan_format_modifiers(loc, &p, &justify, &pad, &width, &precision,
                                                 &flags, &position, &arguments);
    char described[128];
    std::snprintf(described, sizeof described, "%d '%c' %d %d 0x%x %d ", justify,
                  static_cast<char>(pad), width, precision, flags, position);
    return outcome(status, loc->error, described + std::string(p, text.c_str() + text.size()));
}

TEST(FormatEdges, EveryRowOfTheTable) {
    LcoInstallation inst;
    std::map<std::string, LocalePtr> locales = table_locales(inst);
    std::ifstream table(velmorad::testing::source_dir() + "/tests/fixtures/format/edge_cases");
    ASSERT_TRUE(table.good());
    std::string line;
    int rows = 0;
    for (int number = 1; std::getline(table, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = velmorad::testing::fields_of(line, '\t');
        SCOPED_TRACE("edge_cases:" + std::to_string(number) + ": " + line);
        std::string got;
        if (f[0] == "time" && f.size() == 5 && locales.count(f[1]) != 0) {
            got = run_time(locales[f[1]].get(), f);
        } else if (f[0] == "number" && f.size() == 9) {
            got = run_number(locales["eras"].get(), f);
        } else if (f[0] == "modifiers" && f.size() == 4) {
            got = run_modifiers(locales["eras"].get(), f);
        } else {
            ADD_FAILURE() << "not a row of the table";
            continue;
        }
        EXPECT_EQ(got, unescaped(f.back()));
        ++rows;
    }
    EXPECT_GT(rows, 100);
}

TEST(FormatEdges, ANullFormatOrLocale) {
    LcoInstallation inst;
    LocalePtr owned = inst.load("a.lco");
    Locale *loc = owned.get();
    const CalendarTime record{};
    char out[16];
    gl_wchar_t wide[16];
    EXPECT_EQ(gl_mbsftime1(loc, out, sizeof out, nullptr, &record, nullptr, nullptr, 1), 0);
    EXPECT_EQ(loc->error, GL_ENOFORMAT);
    loc->error = 0;
    EXPECT_EQ(gl_wcsftime1(loc, wide, 16, nullptr, &record, nullptr, nullptr, 1), 0);
    EXPECT_EQ(loc->error, GL_ENOFORMAT);
    EXPECT_EQ(gl_mbsftime1(nullptr, out, sizeof out, "%Y", &record, nullptr, nullptr, 1), 0);
    EXPECT_EQ(gl_mbsfmtexpand(loc, 2, "%Y"), -1);
    EXPECT_EQ(gl_mbsfmtexpand(loc, 1, "%A %d"), 12);
}

// Formats and results longer than the 256 characters kept on the stack
// take memory from the host: each allocation failed in turn gives
// GL_ENOMEM and leaves nothing behind.
TEST(FormatMemory, EveryAllocationOfALongFormat) {
    LcoInstallation inst;
    LocalePtr owned = inst.load("a.lco");
    Locale *loc = owned.get();
    std::string format;
    std::string expected;
    for (int i = 0; i < 100; ++i) {
        format += "%B:";
        expected += "September:";
    }
    const CalendarTime record{0, 0, 0, 0, 5, 8, 8, 124, 4, 248, 0, 0, 0};
    std::vector<char> out(2000);
    gls::testing::walk_allocation_failures(
        [&] {
            loc->error = 0;
            return gl_mbsftime1(loc, out.data(), static_cast<int>(out.size()), format.c_str(),
                                &record, nullptr, nullptr, 1);
        },
        [&](int written, bool failed) {
            if (failed) {
                EXPECT_EQ(written, 0);
                EXPECT_EQ(loc->error, GL_ENOMEM);
            } else {
                EXPECT_EQ(std::string(out.data(), written > 0 ? written : 0), expected);
            }
        });
}

}  // namespace
}  // namespace gls

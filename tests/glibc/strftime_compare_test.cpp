// Each shipped locale's own time formats through gl_mbsftime1, beside
// strftime_l on the C library's formats of the same source, for a few
// thousand dates from 1900 to 2100: the date-and-time, date, time and
// 12-hour formats, the era formats of a locale with eras, and directives
// of eras and alternative digits lccomp translates the same way.
//
// Excepted, and applied to the C library's format before it is used:
// %Z and %z, which lccomp drops with the blank before them, and %P, which
// it writes as %p (the formatter has no lower-case marker).
#include <gtest/gtest.h>
#include <langinfo.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "tests/glibc/side_by_side.h"

namespace velmorad::testing {
namespace {

constexpr int kDates = 3000;
constexpr int64_t kFirst = -2208988800;  // 1900-01-01 00:00:00 UTC
constexpr int64_t kLast = 4133980799;    // 2100-12-31 23:59:59 UTC
constexpr int64_t kDay = 86400;
constexpr size_t kRoom = 512;
constexpr long kRoomChecks = 20;  // dates a format is also written into its exact room

// The excepted directives, as lccomp treats them.
std::string excepted(const std::string &format) {
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char letter = format[i + 1];
            if (letter == 'Z' || letter == 'z') {
                if (!out.empty() && out.back() == ' ') out.pop_back();
                ++i;
                continue;
            }
            out += letter == 'P' ? "%p" : format.substr(i, 2);
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

struct Sample {
    struct tm tm;
    gls::CalendarTime record;
};

Sample sample_at(int64_t when, uint64_t fraction) {
    Sample s{};
    const time_t t = static_cast<time_t>(when);
    gmtime_r(&t, &s.tm);
    gls::CalendarTime &r = s.record;
    r.fraction = fraction;
    r.second = s.tm.tm_sec;
    r.minute = s.tm.tm_min;
    r.hour = s.tm.tm_hour;
    r.mday = s.tm.tm_mday;
    r.month = s.tm.tm_mon;
    r.month_name = s.tm.tm_mon;
    r.year = s.tm.tm_year;
    r.weekday = s.tm.tm_wday;
    r.yearday = s.tm.tm_yday;
    return s;
}

// Random moments of the two centuries, and the days either side of each
// era's start and end.
std::vector<Sample> samples(const gls::Locale *loc) {
    std::vector<Sample> out;
    uint64_t state = 20261207;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 11;
    };
    for (int i = 0; i < kDates; ++i) {
        const auto when = kFirst + static_cast<int64_t>(next() % uint64_t(kLast - kFirst));
        out.push_back(sample_at(when, next() % 1000000));
    }
    for (int32_t i = 0; loc->time.era_entries != nullptr && i < loc->time.era_count; ++i) {
        const gls::EraEntry &era = loc->time.era_entries[i];
        struct tm start {};
        start.tm_year = era.start_year - 1900;
        start.tm_mon = era.start_month - 1;
        start.tm_mday = era.start_day;
        struct tm end {};
        end.tm_year = era.end_year - 1900;
        end.tm_mon = era.end_month - 1;
        end.tm_mday = era.end_day;
        for (struct tm *date : {&start, era.end_kind == 0 ? &end : &start}) {
            const int64_t noon = timegm(date) + kDay / 2;
            for (int64_t delta : {-kDay, int64_t{0}, kDay}) {
                if (noon + delta >= kFirst && noon + delta <= kLast)
                    out.push_back(sample_at(noon + delta, 0));
            }
        }
    }
    return out;
}

struct FormatPair {
    std::string label;
    std::string ours;    // in the library's directives
    std::string theirs;  // the C library's
};

class FormatsBesideGlibc : public ::testing::TestWithParam<ShippedLocale> {};

TEST_P(FormatsBesideGlibc, LocaleFormatsPrintWhatTheCLibraryPrints) {
    const SideBySide sides(GetParam());
    ASSERT_EQ(sides.failure(), "");
    gls::Locale *ours = sides.ours();
    locale_t theirs = sides.theirs();
    const bool eras = gls::gl_get_era_count(ours) > 0;
    const std::string source = GetParam().source;

    std::vector<FormatPair> pairs;
    struct Item {
        int ours;
        nl_item theirs;
        bool era;
    };
    for (const Item &item :
         {Item{gls::kItemDateTimeFormat, D_T_FMT, false}, Item{gls::kItemDateFormat, D_FMT, false},
          Item{gls::kItemTimeFormat, T_FMT, false}, Item{gls::kItemTime12Format, T_FMT_AMPM, false},
          Item{gls::kItemEraDateFormat, ERA_D_FMT, true},
          Item{gls::kItemEraDateTimeFormat, ERA_D_T_FMT, true},
          Item{gls::kItemEraTimeFormat, ERA_T_FMT, true}}) {
        if (item.era && !eras) continue;
        const char *mine = gls::gl_nl_langinfo(ours, item.ours);
        pairs.push_back({"item " + std::to_string(item.ours), mine != nullptr ? mine : "",
                         excepted(nl_langinfo_l(item.theirs, theirs))});
    }
    std::vector<std::string> extras;
    if (source == "ja_JP") extras = {"%EC%Ey", "%Ex", "%Ec", "%EY", "%OH", "%OM", "%Od", "%Om"};
    if (source == "th_TH") extras = {"%EC %Ey", "%Ex", "%Ec", "%EY"};
    if (source == "zh_TW") extras = {"%EC%Ey", "%EY"};  // an era counting backwards
    for (const std::string &extra : extras)
        pairs.push_back({extra, lccomp_time_format(extra), extra});

    const std::vector<Sample> dates = samples(ours);
    std::vector<Tally> tallies;
    tallies.reserve(pairs.size() + 2);
    Tally &rooms = tallies.emplace_back("exact rooms");
    for (const FormatPair &pair : pairs) {
        Tally &tally = tallies.emplace_back(pair.label + " \"" + pair.ours + "\"");
        for (const Sample &s : dates) {
            char mine[kRoom];
            char expected[kRoom];
            ours->error = 0;
            const int n = gls::gl_mbsftime1(ours, mine, sizeof mine, pair.ours.c_str(), &s.record,
                                            nullptr, nullptr, 1);
            const size_t m =
                strftime_l(expected, sizeof expected, pair.theirs.c_str(), &s.tm, theirs);
            const std::string got = n > 0 ? std::string(mine, static_cast<size_t>(n)) : "";
            if (n > 0 && &s - dates.data() < kRoomChecks) {
                // The text with its terminator in exactly its room, and
                // one byte short: refused whole, though the wide text (of
                // fewer characters than bytes) fits the formatter's room.
                std::vector<char> exact(static_cast<size_t>(n) + 1);
                rooms.check(gls::gl_mbsftime1(ours, exact.data(), n + 1, pair.ours.c_str(),
                                              &s.record, nullptr, nullptr, 1) == n &&
                                std::string(exact.data()) == got,
                            pair.label + " in " + std::to_string(n + 1) + " bytes");
                ours->error = 0;
                rooms.check(gls::gl_mbsftime1(ours, exact.data(), n, pair.ours.c_str(), &s.record,
                                              nullptr, nullptr, 1) == 0 &&
                                ours->error == gls::GL_E2BIG,
                            pair.label + " in " + std::to_string(n) + " bytes");
            }
            tally.check(got == std::string(expected, m) && (n > 0 || ours->error == 0),
                        std::to_string(s.tm.tm_year + 1900) + "-" +
                            std::to_string(s.tm.tm_mon + 1) + "-" + std::to_string(s.tm.tm_mday) +
                            ": ours \"" + got + "\" (error " + std::to_string(ours->error) +
                            "), theirs \"" + std::string(expected, m) + "\" from \"" + pair.theirs +
                            "\"");
        }
    }

    // With eras, %Oy is the era year in alternative digits, which the C
    // library has no directive for: its %Ey gives the year, its list of
    // alternative digits the digit.
    if (eras && ours->time.alt_digits.count > 0) {
        Tally &tally = tallies.emplace_back("%Oy");
        const char *digits = nl_langinfo_l(ALT_DIGITS, theirs);
        for (const Sample &s : dates) {
            char year[kRoom];
            char mine[kRoom];
            strftime_l(year, sizeof year, "%Ey", &s.tm, theirs);
            const char *expected = digits;
            for (int i = std::atoi(year); i > 0; --i)
                expected += std::strlen(expected) + 1;
            const int n =
                gls::gl_mbsftime1(ours, mine, sizeof mine, lccomp_time_format("%Oy").c_str(),
                                  &s.record, nullptr, nullptr, 1);
            tally.check(n > 0 && std::string(mine, static_cast<size_t>(n)) == std::string(expected),
                        std::string("era year ") + year + ": ours \"" +
                            std::string(mine, n > 0 ? static_cast<size_t>(n) : 0) + "\"");
        }
    }

    std::vector<const Tally *> all;
    for (const Tally &t : tallies)
        all.push_back(&t);
    expect_agreement(GetParam().test_name(), all);
}

INSTANTIATE_TEST_SUITE_P(Shipped, FormatsBesideGlibc, ::testing::ValuesIn(shipped_locales()),
                         [](const auto &info) { return info.param.test_name(); });

}  // namespace
}  // namespace velmorad::testing

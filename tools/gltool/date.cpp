// gltool date: a moment formatted in a locale's conventions by a format in
// the library's notation, as the client's date and time settings format
// their values ("gltool date -d '2024-05-03 09:05' de_DE.8859-1 '%x'").
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/host/host.h"
#include "tools/common/tool_io.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "date";
constexpr const char *kAbout =
    "Prints WHEN formatted by FORMAT in LOCALE's conventions, on one line, in the\n"
    "locale's code set. FORMAT is in the library's notation (%Y, %iY, %EC%Ey, %OH,\n"
    "%iF3, ...); without it, the locale's date-and-time format (information item\n"
    "0). The weekday and the day of the year follow from the date; a locale whose\n"
    "calendar is not the Gregorian one shows the date in its calendar. A directive\n"
    "that cannot be formatted is named with its column and the reason.\n"
    "\n"
    "LOCALE is a locale the registry understands (de_DE.8859-1, ja_JP.utf8), a file\n"
    "name under the installation's locale directory (default.lco) or the path of a\n"
    "locale object file.\n";

constexpr int kOutputRoom = 4096;
constexpr long kMicroseconds = 1000000;

struct DateOptions {
    std::string when;  // -d
    bool utc = false;  // -u
    std::string dbdate;
    std::string dbtime;
    std::vector<std::string> operands;
};

// The command line into *out: kProceed, or the exit status after printing
// the help or the fault.
int parse_options(int argc, char **argv, DateOptions *out) {
    const cli::Option options[] = {
        cli::value('d', nullptr, &out->when, "WHEN",
                   "YYYY-MM-DD[ HH:MM:SS[.ffffff]] (default: now, in local time)"),
        cli::flag('u', nullptr, &out->utc, "now in UTC rather than in local time"),
        cli::value(0, "dbdate", &out->dbdate, "VALUE",
                   "the format a client derives from DBDATE=VALUE (\"DMY4.\"),\n"
                   "printed on a line of its own before the date formatted by it"),
        cli::value(0, "dbtime", &out->dbtime, "VALUE",
                   "the same for the date-and-time format of DBTIME=VALUE"),
    };
    const cli::Command command{"gltool date",
                               "[-d WHEN] [-u] LOCALE [FORMAT]\n"
                               "[-d WHEN] [-u] (--dbdate VALUE | --dbtime VALUE) LOCALE",
                               kAbout,
                               options,
                               1,
                               2};
    const int status = cli::parse(command, argc, argv, &out->operands);
    if (status != cli::kProceed) return status;
    const int derived = (out->dbdate.empty() ? 0 : 1) + (out->dbtime.empty() ? 0 : 1);
    if (derived > 1 || (derived == 1 && out->operands.size() > 1))
        return cli::usage_error("one format at most: --dbdate, --dbtime or FORMAT");
    return cli::kProceed;
}

// "YYYY-MM-DD[ HH:MM:SS[.ffffff]]" into a record with its weekday and day
// of the year; false when it is not such a date.
bool parse_when(const char *text, gls::CalendarTime *out) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
    const int dates = std::sscanf(text, "%4d-%2d-%2d%n", &year, &month, &day, &used);
    if (dates != 3 || used != 10) return false;
    const char *rest = text + used;
    long fraction = 0;
    if (*rest != '\0') {
        int more = 0;
        if (std::sscanf(rest, " %2d:%2d:%2d%n", &hour, &minute, &second, &more) != 3 || more != 9) {
            return false;
        }
        rest += more;
        if (*rest == '.') {
            const char *digits = ++rest;
            for (; *rest >= '0' && *rest <= '9' && rest - digits < 6; ++rest)
                fraction = fraction * 10 + (*rest - '0');
            if (rest == digits) return false;
            for (long n = rest - digits; n < 6; ++n)
                fraction *= 10;
        }
        if (*rest != '\0') return false;
    }
    if (year < 1 || hour > 23 || minute > 59 || second > 60) return false;
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    const time_t noon = timegm(&tm);
    struct tm settled {};
    gmtime_r(&noon, &settled);
    // A day the month does not have moves on; it is not a date.
    if (settled.tm_mon != month - 1 || settled.tm_mday != day) return false;
    *out = gls::CalendarTime{static_cast<uint64_t>(fraction),
                             second,
                             minute,
                             hour,
                             day,
                             month - 1,
                             month - 1,
                             year - 1900,
                             settled.tm_wday,
                             settled.tm_yday,
                             0,
                             0,
                             0};
    return true;
}

gls::CalendarTime now(bool utc) {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm {};
    if (utc) {
        gmtime_r(&ts.tv_sec, &tm);
    } else {
        localtime_r(&ts.tv_sec, &tm);
    }
    return {static_cast<uint64_t>(ts.tv_nsec / 1000) % kMicroseconds,
            tm.tm_sec,
            tm.tm_min,
            tm.tm_hour,
            tm.tm_mday,
            tm.tm_mon,
            tm.tm_mon,
            tm.tm_year,
            tm.tm_wday,
            tm.tm_yday,
            0,
            0,
            0};
}

// The directive at text: "%", its modifiers, a prefix and a letter.
std::string directive_at(const std::string &text) {
    size_t end = 1;
    while (end < text.size() && std::strchr(" #'+-0123456789.$*", text[end]) != nullptr)
        ++end;
    if (end < text.size() && std::strchr("EOi", text[end]) != nullptr) ++end;
    if (end < text.size()) ++end;
    return text.substr(0, end);
}

// The first directive of the format that fails, found as the shortest
// prefix ending before a "%" that fails to format ("%" is never a trail
// byte in the code sets the library knows).
std::string failing_directive(gls::Locale *loc, const std::string &format,
                              const gls::CalendarTime &record) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        starts.push_back(i);
        if (i + 1 < format.size() && format[i + 1] == '%') ++i;
    }
    starts.push_back(format.size());
    char out[kOutputRoom];
    size_t at = 0;
    uint32_t error = 0;
    for (size_t k = 1; k < starts.size() && error == 0; ++k) {
        const std::string prefix = format.substr(0, starts[k]);
        loc->error = 0;
        if (gls::gl_mbsftime1(loc, out, sizeof out, prefix.c_str(), &record, nullptr, nullptr, 1) ==
            0) {
            at = starts[k - 1];
            error = loc->error;
        }
    }
    const std::string before = format.substr(0, at);
    const int column =
        gls::_gl_im_mbslen(loc, reinterpret_cast<const unsigned char *>(before.c_str()));
    return directive_at(format.substr(at)) + " at column " +
           std::to_string(column < 0 ? static_cast<int>(at) + 1 : column + 1) + ": " +
           tools::error_words(error);
}

}  // namespace

int date_main(int argc, char **argv) {
    DateOptions options;
    if (const int status = parse_options(argc, argv, &options); status != cli::kProceed)
        return status;
    gls::CalendarTime record{};
    if (!options.when.empty()) {
        if (!parse_when(options.when.c_str(), &record)) {
            return cli::usage_error("\"" + options.when +
                                    "\" is not a date (YYYY-MM-DD[ HH:MM:SS[.ffffff]])");
        }
    } else {
        record = now(options.utc);
    }

    std::string format;
    const bool derived = !options.dbdate.empty() || !options.dbtime.empty();
    if (derived) {
        if (!derived_format(kName, options.dbdate.empty() ? nullptr : options.dbdate.c_str(),
                            options.dbtime.empty() ? nullptr : options.dbtime.c_str(), &format))
            return kExitFailed;
        std::printf("%s\n", format.c_str());
    }
    LocalePtr loc = load_locale(kName, options.operands[0]);
    if (!loc) return kExitFailed;
    if (options.operands.size() == 2) {
        format = options.operands[1];
    } else if (!derived) {
        const char *own = gls::gl_nl_langinfo(loc.get(), gls::kItemDateTimeFormat);
        format = own != nullptr ? own : "";
    }

    char out[kOutputRoom];
    loc->error = 0;
    const int written =
        gls::gl_mbsftime1(loc.get(), out, sizeof out, format.c_str(), &record, nullptr, nullptr, 1);
    if (written < 0) {
        complain(kName, "the format is not text of the locale's code set");
        return kExitFailed;
    }
    if (written == 0 && loc->error != 0) {
        // The conversion to the locale's calendar comes before any directive.
        gls::CalendarTime converted{};
        loc->error = 0;
        if (gls::gl_cal_gregorian_to_local(loc.get(), &record, &converted) != 0) {
            complain(kName, loc->error == gls::GL_ERANGE
                                ? "the date lies outside the range of the locale's calendar"
                                : "the locale's calendar has no conversion from the Gregorian");
            return kExitFailed;
        }
        complain(kName, failing_directive(loc.get(), format, record));
        return kExitFailed;
    }
    std::fwrite(out, 1, static_cast<size_t>(written), stdout);
    std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0) return cli::output_error(errno);
    return kExitOk;
}

}  // namespace velmorad::gltool

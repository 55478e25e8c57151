// gltool info (also "gltool locale"): the header of a locale's file, which
// names its source, charmap and compiler and the version of its collation
// data, and every information item the library answers for the locale.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "gls/util/util.h"
#include "tools/common/cli.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "info";
constexpr const char *kAbout =
    "Prints what the installation's file for LOCALE holds, one tab-separated line\n"
    "each, in the locale's code set:\n"
    "\n"
    "  file    the path of the locale object file\n"
    "  header  each header line: the file's format, the compiler's version, and what\n"
    "          lccomp records (SOURCE, CHARMAP, LCCOMP_VERSION, COLLATION_VERSION);\n"
    "          the last is the code set's name. A new COLLATION_VERSION means that\n"
    "          strings may sort differently: indexes built on the old order are\n"
    "          stale.\n"
    "  N NAME  the information item N (0 to 73) and its text; the eras and the\n"
    "          alternative digits take a line each\n"
    "  calendar  the calendar dates are shown in (gregorian, hebrew, islamic, arabic)\n"
    "  era     each era as the formatter reads it: its number, the direction its\n"
    "          years count in (+1, -1), the year at its start, its first day, its\n"
    "          last day (or \"open\"), its name (%EC), second string (%Eg) and year\n"
    "          format (%EY)\n"
    "  alt_digits  how many alternative digits there are: numbers written with\n"
    "          them (%Oy, %OH, ...) are in that base\n"
    "\n"
    "LOCALE is a locale the registry understands (de_DE.8859-1, ja_JP.utf8), a file\n"
    "name under the installation's locale directory (default.lco) or the path of a\n"
    "locale object file. \"gltool locale\" is another name of \"gltool info\".\n";

// Names of the information items, by number.
constexpr const char *kItemNames[gls::kItemLast + 1] = {
    "D_T_FMT",    "DAY_1",    "DAY_2",    "DAY_3",    "DAY_4",     "DAY_5",       "DAY_6",
    "DAY_7",      "ABDAY_1",  "ABDAY_2",  "ABDAY_3",  "ABDAY_4",   "ABDAY_5",     "ABDAY_6",
    "ABDAY_7",    "MON_1",    "MON_2",    "MON_3",    "MON_4",     "MON_5",       "MON_6",
    "MON_7",      "MON_8",    "MON_9",    "MON_10",   "MON_11",    "MON_12",      "MON_13",
    "MON_14",     "MON_15",   "MON_16",   "MON_17",   "MON_18",    "MON_19",      "MON_20",
    "ABMON_1",    "ABMON_2",  "ABMON_3",  "ABMON_4",  "ABMON_5",   "ABMON_6",     "ABMON_7",
    "ABMON_8",    "ABMON_9",  "ABMON_10", "ABMON_11", "ABMON_12",  "ABMON_13",    "ABMON_14",
    "ABMON_15",   "ABMON_16", "ABMON_17", "ABMON_18", "ABMON_19",  "ABMON_20",    "RADIXCHAR",
    "THOUSEP",    "YESSTR",   "NOSTR",    "CRNCYSTR", "CODESET",   "D_FMT",       "T_FMT",
    "T_FMT_AMPM", "AM_STR",   "PM_STR",   "ERA",      "ERA_D_FMT", "ERA_D_T_FMT", "ERA_T_FMT",
    "ALT_DIGITS", "YESEXPR",  "NOEXPR",   "CALENDAR",
};
static_assert(kItemNames[gls::kItemLast] != nullptr, "a name for every item");

// Header lines are at most this long; a count beyond the limit is not a
// header the library would have loaded.
constexpr int kHeaderLineSize = gls::kFramedLineSize;
constexpr long kMaxHeaderLines = 1000;
constexpr int kHeaderCountLine = 3;

std::string without_newline(const char *line) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// The header lines and the code-set line after them.
bool print_header(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return false;
    char line[kHeaderLineSize];
    long count = kHeaderCountLine;
    for (long number = 1; number <= count + 1 && std::fgets(line, sizeof line, f); ++number) {
        const std::string text = without_newline(line);
        if (number == kHeaderCountLine) {
            const size_t equals = text.find('=');
            const long declared = equals == std::string::npos
                                      ? 0
                                      : std::strtol(text.c_str() + equals + 1, nullptr, 10);
            if (declared >= kHeaderCountLine && declared <= kMaxHeaderLines) count = declared;
        }
        std::printf("header\t%s\n", text.c_str());
    }
    std::fclose(f);
    return true;
}

void print_item(gls::Locale *loc, int item) {
    loc->error = 0;
    const char *text = gls::gl_nl_langinfo(loc, item);
    // Month items beyond the locale's months are not the locale's.
    if (loc->error == gls::GL_EBADITEM) return;
    // The calendar's name ends in its newline, as the file spells it.
    const std::string value = without_newline(text == nullptr ? "" : text);
    const bool listed = item == gls::kItemEras || item == gls::kItemAltDigits;
    size_t start = 0;
    do {
        const size_t end = listed ? value.find('\n', start) : std::string::npos;
        const size_t stop = end == std::string::npos ? value.size() : end;
        std::printf("%d\t%s\t%s\n", item, kItemNames[item],
                    value.substr(start, stop - start).c_str());
        start = stop + 1;
    } while (start < value.size());
}

std::string date_text(int32_t year, int32_t month, int32_t day) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

// The calendar, the eras and the alternative digits as the formatter
// reads them.
void print_time_conventions(gls::Locale *loc) {
    const char *calendar = gls::gl_nl_langinfo(loc, gls::kItemCalendar);
    std::printf("calendar\t%s\n", without_newline(calendar != nullptr ? calendar : "").c_str());
    const gls::TimeSection &t = loc->time;
    for (int32_t i = 0; t.era_entries != nullptr && i < t.era_count; ++i) {
        const gls::EraEntry &e = t.era_entries[i];
        const bool open = e.direction * e.end_kind > 0;
        std::printf("era\t%d\t%+d\t%d\t%s\t%s\t%s\t%s\t%s\n", i + 1, e.direction, e.offset,
                    date_text(e.start_year, e.start_month, e.start_day).c_str(),
                    open ? "open" : date_text(e.end_year, e.end_month, e.end_day).c_str(),
                    e.name != nullptr ? e.name : "", e.format != nullptr ? e.format : "",
                    e.third != nullptr ? e.third : "");
    }
    std::printf("alt_digits\t%d\n", t.alt_digits.count);
}

}  // namespace

int info_main(int argc, char **argv) {
    const std::string name = std::string("gltool ") + argv[0];
    const cli::Command command{name.c_str(), "LOCALE", kAbout, {}, 1, 1};
    std::vector<std::string> operands;
    if (const int status = cli::parse(command, argc, argv, &operands); status != cli::kProceed)
        return status;

    std::string file;
    LocalePtr loc = load_locale(kName, operands[0], &file);
    if (!loc) return kExitFailed;
    std::printf("file\t%s\n", file.c_str());
    if (!print_header(file)) {
        complain(kName, "cannot read the header of " + file);
        return kExitFailed;
    }
    for (int item = 0; item <= gls::kItemLast; ++item)
        print_item(loc.get(), item);
    print_time_conventions(loc.get());
    if (std::fflush(stdout) != 0) return cli::output_error(errno);
    return kExitOk;
}

}  // namespace velmorad::gltool

#include "gls/errors/errors.h"

#include <iterator>

namespace gls {

namespace {

struct ErrorWords {
    uint32_t error;
    const char *words;
};

constexpr ErrorWords kErrorWords[] = {
    {GL_EILSEQ,
     "a byte sequence that is no character of the code set, or a character without "
     "a conversion"},
    {GL_ENULLARG, "a required argument is null"},
    {GL_ENOMEM, "out of memory"},
    {GL_ENEGLEN, "a negative length or count, or more than 15 group sizes"},
    {GL_ERANGE, "a numeric value out of range"},
    {GL_EINVAL,
     "invalid argument: the input ends inside a character, a character has no "
     "display width, or a code-set name is unknown"},
    {GL_EFILE, "a required file is missing, unreadable or not of the expected form"},
    {GL_EBADITEM,
     "an item number or count out of range (for the formatters: no era holds the date, or "
     "the locale has no such alternative digit)"},
    {GL_ESHORTFILE,
     "a file ends early or lacks a line or marker (for the registry: a "
     "malformed registry)"},
    {GL_EMIXEDCS, "the categories' code sets differ"},
    {GL_EIO, "a read error on a stream"},
    {GL_E2BIG, "the output buffer is too small"},
    {GL_ENOREG, "the code-set registry cannot be opened (for the formatters: no format)"},
    {GL_EEOF, "the end of the stream before a character"},
    {GL_ETREELEN, "a tree holds characters longer than its reader allows"},
    {GL_EBADFMT, "an unknown directive, or an unknown letter after E, O or i"},
    {GL_EFRACTION, "a fraction of a second above 999999"},
    {GL_ESECOND, "a second above 60"},
    {GL_EMINUTE, "a minute above 59"},
    {GL_EHOUR, "an hour above 23"},
    {GL_EDAY, "a day of the month out of range"},
    {GL_EWEEKDAY, "a weekday above 6"},
    {GL_EYEARDAY, "a day of the year above 365"},
    {GL_EMONTH, "a month outside the locale's months"},
    {GL_EYEAR, "a year above 9999"},
    {GL_EYEAROUT, "the four-digit year could not be written"},
    {GL_EPRECISION, "a \".\" followed by neither a digit, \"*\" nor a letter"},
    {GL_EERA, "an era string that breaks the era syntax"},
    {GL_ECALENDAR, "a calendar that is not one of the four"},
    {GL_EVERSION, "a file made for another version of the library"},
    {GL_ELOADFAIL, "a category could not be read"},
    {GL_ENOCTYPE, "the character classification category is not loaded"},
    {GL_ECSCATEGORY, "a category's code set differs from the character classes'"},
};

constexpr bool each_number_once() {
    for (size_t i = 0; i < std::size(kErrorWords); ++i) {
        for (size_t j = i + 1; j < std::size(kErrorWords); ++j) {
            if (kErrorWords[i].error == kErrorWords[j].error) return false;
        }
    }
    return true;
}
static_assert(each_number_once());

}  // namespace

const char *gl_strerror(uint32_t error) {
    for (const ErrorWords &e : kErrorWords) {
        if (e.error == error) return e.words;
    }
    return nullptr;
}

}  // namespace gls

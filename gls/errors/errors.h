// The library's error numbers, left in a call's context (every context, a
// locale object, a conversion descriptor or an error cell, starts with its
// uint32_t error number), and their words for people. The numbers are part
// of the interface: files, callers and the tools' messages rely on them.
#pragma once

#include <cstdint>

namespace gls {

enum GlError : uint32_t {
    GL_EILSEQ = 1,    // a byte sequence that is no character, or has no conversion
    GL_ENULLARG = 2,  // a required argument is null
    GL_ENOMEM = 3,
    GL_ENEGLEN = 4,  // a negative length or count
    GL_EGROUPS = 4,  // more than 15 group sizes (the loader's name for 4)
    GL_ERANGE = 6,
    GL_EINVAL = 7,  // input ends inside a character, no width, unknown name
    GL_EFILE = 8,   // a file missing, unreadable or not of the expected form
    GL_EBADITEM = 9,
    GL_ESHORTFILE = 11,  // a file ends early or lacks a line or marker
    GL_EBADREG = 11,     // the registry file is malformed (the registry's 11)
    GL_EMIXEDCS = 12,    // the categories' code sets differ
    GL_EIO = 13,
    GL_E2BIG = 14,
    GL_ENOREG = 15,     // the registry file cannot be opened
    GL_ENOFORMAT = 15,  // the format is null (the formatters' 15)
    GL_EEOF = 16,
    GL_ETREELEN = 21,     // a tree longer than the caller allows
    GL_EBADFMT = 22,      // unknown directive or letter after E, O or i
    GL_EFRACTION = 23,    // fraction above 999999
    GL_ESECOND = 24,      // second above 60
    GL_EMINUTE = 25,      // minute above 59
    GL_EHOUR = 26,        // hour above 23
    GL_EDAY = 27,         // day of month out of range
    GL_EWEEKDAY = 28,     // weekday above 6
    GL_EYEARDAY = 29,     // day of year above 365
    GL_EMONTH = 30,       // month outside the locale's months
    GL_EYEAR = 31,        // year above 9999
    GL_EYEAROUT = 41,     // the four-digit year could not be written
    GL_EPRECISION = 45,   // "." followed by neither digit, "*" nor letter
    GL_EERA = 49,         // an era string that breaks the era syntax
    GL_ECALENDAR = 50,    // a calendar that is not one of the four
    GL_EVERSION = 51,     // the file's compiler version is not ours
    GL_ELOADFAIL = 55,    // a category failed without a finer reason
    GL_ENOCTYPE = 57,     // the classification category is not loaded
    GL_ECSCATEGORY = 58,  // a file's code set differs from the ctype's
};

// What an error number means, in a few words, for the library's callers and
// every tool's messages; null for a number the library does not use. Where
// two readers use one number for two causes (11 is a malformed registry to
// the registry and a short file to the locale loader), the words cover both.
const char *gl_strerror(uint32_t error);

}  // namespace gls

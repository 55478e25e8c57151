// The framing of a locale object file: its header lines, its code-set name,
// and the marker line before each category's section; and reading one
// category's section through its reader.
#include <cstring>

#include "gls/load/load_internal.h"
#include "gls/names/names.h"
#include "gls/util/util.h"

namespace gls {

const char *const category_params[kLastCategory + 1] = {
    "", "", "GL_CTYPE", "GL_COLLATE", "GL_NUMERIC", "GL_MONETARY", "GL_TIME", "GL_MESSAGES"};
const char *const category_markers[kLastCategory + 1] = {"",
                                                         "",
                                                         "### LC_CTYPE\n",
                                                         "### LC_COLLATE\n",
                                                         "### LC_NUMERIC\n",
                                                         "### LC_MONETARY\n",
                                                         "### LC_TIME\n",
                                                         "### LC_MESSAGES\n"};

namespace {

constexpr const char *kFileTypeLine = "FILE_TYPE=locale_object\n";
constexpr const char *kVersionLine = "COMPILER_VERSION=11\n";

// Reads lines until the category's marker. Only the first piece of a line
// longer than the buffer is compared, so the tail of a long line cannot
// pass for a marker.
bool find_marker(FILE *stream, int category) {
    char line[kHeaderLineSize];
    bool at_line_start = true;
    const char *marker = category_markers[category];
    while (_gl_ext_fgets(line, kHeaderLineSize, stream) != nullptr) {
        // Most lines are data: their first byte rules them out.
        if (at_line_start && line[0] == marker[0] && std::strcmp(line, marker) == 0) return true;
        const size_t length = std::strlen(line);
        at_line_start = length > 0 && line[length - 1] == '\n';
    }
    return false;
}

// The code-set number of a recorded name; look-up errors are not the load's.
uint16_t codeset_number(const char *name) {
    uint32_t ignored = 0;
    return gl_cs_name2cs_num(&ignored, name, nullptr);
}

// The four text categories: reader, initialiser and what each reports.
struct TextCategory {
    int (*read)(FILE *stream, Locale *loc, uint32_t *error);
    int (*init)(Locale *loc);
    const char *read_failed;
    const char *init_failed;
};

const TextCategory *text_category(int category) {
    static const TextCategory kNumeric = {
        [](FILE *s, Locale *loc, uint32_t *e) { return _gl_read_numeric(s, &loc->text, e); },
        init_numeric_info, "Failed to read numeric information\n",
        "Failed to initialize numeric information\n"};
    static const TextCategory kMonetary = {
        [](FILE *s, Locale *loc, uint32_t *e) { return _gl_read_monetary(s, &loc->text, e); },
        init_monetary_info, "Failed to read monetary information\n",
        "Failed to initialize monetary information\n"};
    static const TextCategory kTime = {
        [](FILE *s, Locale *loc, uint32_t *e) { return _gl_read_time(s, &loc->time, e); },
        init_time_info, "Failed to read time information\n",
        "Failed to initialize time information\n"};
    static const TextCategory kMessages = {
        [](FILE *s, Locale *loc, uint32_t *e) { return _gl_read_messages(s, &loc->text, e); },
        init_message_info, "Failed to read messages information\n",
        "Failed to initialize messages information\n"};
    switch (category) {
        case kCatNumeric:
            return &kNumeric;
        case kCatMonetary:
            return &kMonetary;
        case kCatTime:
            return &kTime;
        case kCatMessages:
            return &kMessages;
        default:
            return nullptr;
    }
}

int read_section(Locale *loc, int category, FILE *stream) {
    if (category == kCatCtype) return read_ctype(stream, loc) == 0 ? 0 : 1;
    if (category == kCatCollate) return read_collate(stream, loc) == 0 ? 0 : 1;
    const TextCategory *text = text_category(category);
    if (text == nullptr) return 1;
    uint32_t error = 0;
    if (text->read(stream, loc, &error) != 0) {
        if (error != 0) gl_set_error(loc, error);
        gl_message(text->read_failed);
        return 1;
    }
    if (text->init(loc) < 1) {
        gl_message(text->init_failed);
        return 1;
    }
    return 0;
}

}  // namespace

int read_file_header(FILE *stream, char *codeset_name, uint32_t *error) {
    *error = 0;
    switch (read_framed_header(stream, kFileTypeLine, kVersionLine)) {
        case FramedHeader::kOk:
            break;
        case FramedHeader::kWrongVersion:
            *error = GL_EVERSION;
            return 0;
        default:
            *error = GL_ESHORTFILE;
            return 0;
    }
    char line[kFramedLineSize];
    if (!read_framed_line(stream, line) || replace_nl(line) != 0 ||
        std::strlen(line) >= static_cast<size_t>(kCodeSetNameSize)) {
        *error = GL_ESHORTFILE;
        return 0;
    }
    std::memcpy(codeset_name, line, std::strlen(line) + 1);
    return 1;
}

int read_one_category(Locale *loc, int category, FILE *stream) {
    if (category < kFirstCategory || category > kLastCategory) return 1;
    char *codeset = loc->codeset_names[category_slot(category)];
    uint32_t error = 0;
    if (read_file_header(stream, codeset, &error) == 0) {
        gl_set_error(loc, error != 0 ? error : GL_ESHORTFILE);
        return 1;
    }
    if (codeset_number(codeset) != codeset_number(loc->codeset_names[category_slot(kCatCtype)])) {
        gl_set_error(loc, GL_ECSCATEGORY);
        return 1;
    }
    if (!find_marker(stream, category)) {
        gl_set_error(loc, GL_ESHORTFILE);
        return 1;
    }
    return read_section(loc, category, stream);
}

}  // namespace gls

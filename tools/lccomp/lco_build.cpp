// The whole locale object file: header lines, then the sections in the
// order that keeps every category's scan short (a reader reads from the
// start of the file to its category's marker): the four small text
// sections, then LC_CTYPE and LC_COLLATE, the cheaper of the two to skip
// first.
#include <cstdio>

#include "gls/load/locale.h"
#include "gls/load/writer/lco_file_writer.h"
#include "tools/lccomp/compile.h"

namespace velmorad::tools {

namespace {

// Header lines are at most 127 characters; a long label is cut.
constexpr size_t kMaxHeaderValue = 100;

// FNV-1a, 64 bits: a digest of the compiled collation section, so that a
// change of order shows as a change of version.
std::string digest(const std::string &text) {
    constexpr uint64_t kOffset = 0xcbf29ce484222325ULL;
    constexpr uint64_t kPrime = 0x100000001b3ULL;
    uint64_t h = kOffset;
    for (unsigned char c : text) {
        h ^= c;
        h *= kPrime;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

std::string header_line(const char *key, const std::string &value) {
    std::string v = value.substr(0, kMaxHeaderValue);
    for (char &c : v) {
        if (c == '\n') c = ' ';
    }
    return std::string(key) + "=" + v;
}

const char *ctype_status_text(gls::CtypeWriteStatus status) {
    switch (status) {
        case gls::CtypeWriteStatus::kOk:
            return "ok";
        case gls::CtypeWriteStatus::kBadCharacter:
            return "a character of the charmap is a prefix of another";
        case gls::CtypeWriteStatus::kBadClassNumber:
            return "a class number out of range";
        case gls::CtypeWriteStatus::kBadClassName:
            return "a class name with blanks or too long";
        case gls::CtypeWriteStatus::kTooManyClasses:
            return "too many classes";
        case gls::CtypeWriteStatus::kTooManyPairs:
            return "too many case pairs";
        case gls::CtypeWriteStatus::kBadGrowth:
            return "a case growth out of range";
    }
    return "unknown";
}

const char *collate_status_text(gls::CollateWriteStatus status) {
    switch (status) {
        case gls::CollateWriteStatus::kOk:
            return "ok";
        case gls::CollateWriteStatus::kBadCharacter:
            return "a character of the charmap is a prefix of another";
        case gls::CollateWriteStatus::kBadSequence:
            return "an element or expansion of no or more than 15 characters";
        case gls::CollateWriteStatus::kBadRowWidth:
            return "a row without a weight per level";
    }
    return "unknown";
}

// The section in whichever tree form is shorter.
template <class Source, class Status>
bool shorter_section(Source &source, Status (*write)(const Source &, std::string &),
                     std::string *text, Status *status) {
    std::string plain;
    std::string compressed;
    source.tree_text = gls::TreeText::kPlain;
    *status = write(source, plain);
    if (*status != Status::kOk) return false;
    source.tree_text = gls::TreeText::kCompressed;
    *status = write(source, compressed);
    if (*status != Status::kOk) return false;
    *text = compressed.size() < plain.size() ? std::move(compressed) : std::move(plain);
    return true;
}

// The reads a scan for a later marker spends passing over text: one per
// line, and one more per header-line buffer's worth of a long line.
size_t skip_cost(const std::string &text) {
    constexpr size_t kPiece = size_t{gls::kHeaderLineSize} - 1;
    size_t reads = 0;
    size_t line_start = 0;
    while (line_start < text.size()) {
        size_t end = text.find('\n', line_start);
        if (end == std::string::npos) end = text.size() - 1;
        reads += 1 + (end - line_start) / kPiece;
        line_start = end + 1;
    }
    return reads;
}

}  // namespace

bool compile_locale(const LocaleSource &source, const Charmap &charmap,
                    const CompileOptions &options, Diagnostics *diagnostics, std::string *file_text,
                    CompileSummary *summary) {
    const SourcePosition whole{source.file, 0};
    const Encoder encoder(charmap, source.ctype.translit);
    gls::NumericSource numeric;
    gls::MonetarySource monetary;
    gls::MessagesSource messages;
    gls::TimeSource time;
    gls::CtypeSource ctype;
    gls::CollationSource collation;
    if (!compile_numeric(source, encoder, diagnostics, &numeric) ||
        !compile_monetary(source, encoder, diagnostics, &monetary) ||
        !compile_messages(source, encoder, diagnostics, &messages) ||
        !compile_time(source, encoder, diagnostics, &time) ||
        !compile_ctype(source, charmap, diagnostics, &ctype) ||
        !compile_collation(source, charmap, diagnostics, &collation)) {
        return false;
    }

    std::string ctype_text;
    gls::CtypeWriteStatus ctype_status;
    if (!shorter_section<gls::CtypeSource, gls::CtypeWriteStatus>(ctype, gls::write_ctype_section,
                                                                  &ctype_text, &ctype_status)) {
        return diagnostics->fail(
            whole, std::string("cannot write LC_CTYPE: ") + ctype_status_text(ctype_status));
    }
    std::string collate_text;
    gls::CollateWriteStatus collate_status;
    if (!shorter_section<gls::CollationSource, gls::CollateWriteStatus>(
            collation, gls::write_collate_section, &collate_text, &collate_status)) {
        return diagnostics->fail(
            whole, std::string("cannot write LC_COLLATE: ") + collate_status_text(collate_status));
    }

    summary->characters = ctype.classes.size();
    summary->case_pairs = ctype.case_pairs.size();
    for (const gls::UserClassSource &c : ctype.user_classes)
        summary->user_classes.push_back(c.name);
    summary->collation_version = digest(collate_text);

    gls::LcoFile file;
    file.code_set = options.code_set;
    file.extra_header = {
        header_line("SOURCE", options.source_label),
        header_line("CHARMAP", options.charmap_label),
        header_line("LCCOMP_VERSION", kLccompVersion),
        header_line("COLLATION_VERSION", summary->collation_version),
    };
    file.sections = {
        {gls::kCatNumeric, gls::numeric_section_text(numeric)},
        {gls::kCatMonetary, gls::monetary_section_text(monetary)},
        {gls::kCatMessages, gls::messages_section_text(messages)},
        {gls::kCatTime, gls::time_section_text(time)},
    };
    const bool collate_first = skip_cost(collate_text) < skip_cost(ctype_text);
    gls::LcoSection ctype_section{gls::kCatCtype, std::move(ctype_text)};
    gls::LcoSection collate_section{gls::kCatCollate, std::move(collate_text)};
    file.sections.push_back(std::move(collate_first ? collate_section : ctype_section));
    file.sections.push_back(std::move(collate_first ? ctype_section : collate_section));
    *file_text = gls::lco_file_text(file);
    return true;
}

}  // namespace velmorad::tools

// Locale specifications: the simple form "ll_TT.codeset@mod", the composite
// form "GL_CTYPE = spec ; GL_COLLATE = spec ; ", and the locale object file
// names and code-set numbers they stand for.
#include <cstring>
#include <string_view>

#include "gls/names/detail.h"
#include "gls/names/names.h"

namespace gls {

using namespace names_detail;

namespace {

struct CategoryName {
    std::string_view name;
    int number;
};
// Tested as prefixes, in this order.
constexpr CategoryName kCategories[] = {
    {"GL_CTYPE", 1},    {"GL_COLLATE", 2}, {"GL_TIME", 3},
    {"GL_MONETARY", 4}, {"GL_NUMERIC", 5}, {"GL_MESSAGES", 6},
};
constexpr int kCategoryCount = 6;

constexpr std::string_view kEntrySeparator = " = ";
constexpr std::string_view kEntryEnd = " ; ";
constexpr std::string_view kObjectSuffix = ".lco";
constexpr char kCodeSetDot = '.';
constexpr char kModifierSign = '@';
constexpr char kNameComment = '#';
constexpr size_t kMaxModifierLength = 4;

bool starts_with(const char *text, std::string_view prefix) {
    return std::strncmp(text, prefix.data(), prefix.size()) == 0;
}

// A specification the functions will look at: present and within the limit.
bool usable_spec(const char *spec) {
    return spec != nullptr && strnlen(spec, kMaxSpecLength + 1) <= kMaxSpecLength;
}

int invalid(void *context) {
    store_error(context, GL_EINVAL);
    return -1;
}

// Appends to a fixed buffer and remembers whether everything fitted.
class BoundedWriter {
  public:
    BoundedWriter(char *buffer, size_t size) : buffer_(buffer), size_(size) {}
    void put(const char *text, size_t length) {
        if (!fits_ || length >= size_ - length_) {
            fits_ = false;
            return;
        }
        std::memcpy(buffer_ + length_, text, length);
        length_ += length;
    }
    void put(std::string_view text) { put(text.data(), text.size()); }
    // Terminates the text; false when something did not fit.
    [[nodiscard]] bool finish() {
        if (!fits_) return false;
        buffer_[length_] = '\0';
        return true;
    }

  private:
    char *buffer_;
    size_t size_;
    size_t length_ = 0;
    bool fits_ = true;
};

// One entry's code-set number checked against the first entry's.
class SameCodeSet {
  public:
    bool accept(uint16_t number) {
        if (first_ == kNoCodeSet) first_ = number;
        return number == first_;
    }
    uint16_t number() const { return first_; }

  private:
    uint16_t first_ = kNoCodeSet;
};

// Takes the category name at *p if it names one not seen before.
bool take_category(const char **p, bool (&seen)[kCategoryCount + 1], std::string_view *name) {
    size_t length;
    int category = _gl_is_category(*p, &length);
    if (category == 0 || seen[category]) return false;
    seen[category] = true;
    *name = std::string_view(*p, length);
    *p += length;
    return true;
}

int composite_fname(void *context, const char *spec, char *out, const char *registry_path,
                    const char *directory) {
    BoundedWriter writer(out, kLcFnameSize);
    bool seen[kCategoryCount + 1] = {};
    SameCodeSet code_set;
    const char *p = spec;
    for (;;) {
        std::string_view category;
        if (!take_category(&p, seen, &category)) return invalid(context);
        writer.put(category);
        if (!starts_with(p, kEntrySeparator)) return invalid(context);
        writer.put(kEntrySeparator);
        p += kEntrySeparator.size();
        if (directory != nullptr && *directory != '\0') {
            writer.put(directory, std::strlen(directory));
            writer.put(&kDirMark, 1);
        }
        char fname[kXopenFnameSize];
        char *end = fname;
        uint16_t number;
        if (_gl_is_xopen_spec(context, &p, &end, &number, registry_path) == 0 ||
            !code_set.accept(number))
            return invalid(context);
        writer.put(fname, static_cast<size_t>(end - fname));
        if (*p == '\0') break;
        if (!starts_with(p, kEntryEnd)) return invalid(context);
        writer.put(kEntryEnd);
        p += kEntryEnd.size();
        if (*p == '\0' || _gl_is_category(p, nullptr) == 0) break;
    }
    if (*p != '\0' || !writer.finish()) return invalid(context);
    return 0;
}

// Every entry, the last too, ends in " ; ".
uint16_t composite_cs_num(void *context, const char *spec, const char *registry_path) {
    bool seen[kCategoryCount + 1] = {};
    SameCodeSet code_set;
    const char *p = spec;
    for (;;) {
        std::string_view category;
        char fname[kXopenFnameSize];
        char *end = fname;
        uint16_t number;
        if (!take_category(&p, seen, &category) || !starts_with(p, kEntrySeparator)) break;
        p += kEntrySeparator.size();
        if (_gl_is_xopen_spec(context, &p, &end, &number, registry_path) == 0 ||
            !code_set.accept(number) || !starts_with(p, kEntryEnd))
            break;
        p += kEntryEnd.size();
        if (*p == '\0') return code_set.number();
    }
    store_error(context, GL_EINVAL);
    return kNoCodeSet;
}

}  // namespace

int _gl_is_category(const char *text, size_t *length) {
    if (text != nullptr) {
        for (const CategoryName &category : kCategories) {
            if (starts_with(text, category.name)) {
                if (length != nullptr) *length = category.name.size();
                return category.number;
            }
        }
    }
    if (length != nullptr) *length = 0;
    return 0;
}

void pathcat_mark(char *out, const char *directory) {
    if (out == nullptr || directory == nullptr || *directory == '\0') return;
    size_t length = std::strlen(out);
    size_t dir_length = std::strlen(directory);
    std::memcpy(out + length, directory, dir_length);
    out[length + dir_length] = kDirMark;
    out[length + dir_length + 1] = '\0';
}

int _gl_is_xopen_spec(void *context, const char **spec, char **out, uint16_t *number,
                      const char *registry_path) {
    if (spec == nullptr || *spec == nullptr || out == nullptr || *out == nullptr) return 0;
    const char *p = *spec;
    char fname[kXopenFnameSize];
    size_t length = 0;
    auto letter_pair = [&] {
        if (!is_letter(byte_at(p)) || !is_letter(byte_at(p + 1))) return false;
        fname[length++] = to_lower(byte_at(p++));
        fname[length++] = to_lower(byte_at(p++));
        return true;
    };
    if (!letter_pair()) return 0;
    if (is_letter(byte_at(p))) fname[length++] = to_lower(byte_at(p++));
    if (*p != '_') return 0;
    fname[length++] = *p++;
    if (!letter_pair()) return 0;
    if (*p != kCodeSetDot) return 0;
    fname[length++] = '/';
    ++p;

    char name[kCsNameSize];
    size_t name_length = 0;
    if (*p == kNameComment) return 0;
    for (; is_graph(byte_at(p)) && *p != kModifierSign; ++p) {
        if (name_length + 1 >= kCsNameSize) return 0;
        name[name_length++] = *p;
    }
    if (name_length == 0) return 0;
    name[name_length] = '\0';
    uint16_t code_set = gl_cs_name2cs_num(context, name, registry_path);
    if (code_set == kNoCodeSet) return 0;
    length = static_cast<size_t>(write_hex4(fname + length, code_set) - fname);

    const bool modified = *p == kModifierSign;
    if (modified) {
        ++p;
        for (size_t kept = 0; is_letter(byte_at(p)) || is_digit(byte_at(p)); ++kept) {
            if (kept == kMaxModifierLength) return 0;
            fname[length++] = *p++;
        }
    }
    std::memcpy(fname + length, kObjectSuffix.data(), kObjectSuffix.size());
    length += kObjectSuffix.size();
    std::memcpy(*out, fname, length);
    // After a modifier the caller goes on writing at the cursor.
    if (!modified) (*out)[length] = '\0';
    *out += length;
    *spec = p;
    if (number != nullptr) *number = code_set;
    return 1;
}

int gl_lc_spec2lc_fname(void *context, const char *spec, char *out, const char *registry_path,
                        const char *directory) {
    if (!usable_spec(spec) || out == nullptr) return invalid(context);
    if (_gl_is_category(spec, nullptr) != 0)
        return composite_fname(context, spec, out, registry_path, directory);
    const char *p = spec;
    char *end = out;
    uint16_t number;
    if (_gl_is_xopen_spec(context, &p, &end, &number, registry_path) == 0 || *p != '\0')
        return invalid(context);
    *end = '\0';
    return 0;
}

uint16_t gl_lc_spec2cs_num(void *context, const char *spec, const char *registry_path) {
    if (!usable_spec(spec)) {
        store_error(context, GL_EINVAL);
        return kNoCodeSet;
    }
    if (_gl_is_category(spec, nullptr) != 0) return composite_cs_num(context, spec, registry_path);
    const char *p = spec;
    char fname[kXopenFnameSize];
    char *end = fname;
    uint16_t number;
    if (_gl_is_xopen_spec(context, &p, &end, &number, registry_path) == 1 && *p == '\0')
        return number;
    // A modifier too long for a file name (he_IL.utf8@hebrew, reached through
    // os/) still says nothing about the code set: read the name without it.
    if (const char *at = std::strchr(spec, kModifierSign); at != nullptr && at != spec) {
        char bare[kMaxSpecLength + 1];
        std::memcpy(bare, spec, static_cast<size_t>(at - spec));
        bare[at - spec] = '\0';
        p = bare;
        end = fname;
        if (_gl_is_xopen_spec(context, &p, &end, &number, registry_path) == 1 && *p == '\0')
            return number;
        p = spec;
    }
    // A bare code-set name or number ("8859-1", "819") names its code set.
    return gl_cs_name2cs_num(context, p, registry_path);
}

}  // namespace gls

// With the category flagged for the extension, each primitive calls its entry
// point (a recorder here) with the handle and numbers; a positive status is the error.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <type_traits>

#include "gls/chars/chars.h"
#include "gls/ext/ext.h"
#include "tests/gls/ctype_fixtures.h"

namespace gls {
namespace {

constexpr uint32_t kUntouched = 99;
constexpr int kSlotCtype = category_slot(kCatCtype);
constexpr int kSlotCollate = category_slot(kCatCollate);

// The last call through an entry point, as "name handle numbers...", and
// the answer to give.
std::string seen;
GluStatus status_given = 0;
long result_given = 0;

// The name of each entry point, by the loader's pointer it is called through.
const char *name_of(const void *entry) {
#define GLU_ENTRY(name, Type) \
    if (entry == &fn_##name) return #name;
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"
    return "?";
}

GluLocale *const kCtypeHandle = reinterpret_cast<GluLocale *>(&seen);
GluLocale *const kCollateHandle = reinterpret_cast<GluLocale *>(&status_given);

template <auto *kEntry,
          class Fn = std::remove_pointer_t<std::remove_reference_t<decltype(*kEntry)>>>
struct Recorder;
template <auto *kEntry, class R, class... A>
struct Recorder<kEntry, R(A...)> {
    static R call(A... args) {
        seen = name_of(kEntry);
        const unsigned char *text = nullptr;
        const auto note = [&text](auto arg) {
            using T = decltype(arg);
            if constexpr (std::is_same_v<T, GluLocale *>) {
                seen += arg == kCtypeHandle ? " ctype" : arg == kCollateHandle ? " collate" : " ?";
            }
            if constexpr (std::is_integral_v<T>)
                seen += " " + std::to_string(static_cast<long>(arg));
            if constexpr (std::is_same_v<T, GluStatus *>) *arg = status_given;
            if constexpr (std::is_same_v<T, int32_t *>) *arg = static_cast<int32_t>(result_given);
            if constexpr (std::is_same_v<T, const unsigned char *>) {
                if (text == nullptr) text = arg;
            }
        };
        (note(args), ...);
        if constexpr (std::is_same_v<R, const unsigned char *>) {
            return text + result_given;
        } else if constexpr (std::is_pointer_v<R>) {
            return nullptr;
        } else {
            return static_cast<R>(result_given);
        }
    }
};

class Forwarding : public ::testing::Test {
  protected:
    void SetUp() override {
#define GLU_ENTRY(name, Type) fn_##name = &Recorder<&fn_##name>::call;
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"
        // The tables hold a locale the extension would contradict.
        loc = testing::load_ctype(testing::multi_byte_source());
        loc->ext_flags[kSlotCtype] = 1;
        loc->ext_handles[kSlotCtype] = kCtypeHandle;
        loc->ext_handles[kSlotCollate] = kCollateHandle;
    }
    void TearDown() override {
        if (loc) {
            loc->ext_flags[kSlotCtype] = 0;
            loc->ext_handles[kSlotCtype] = nullptr;
            loc->ext_handles[kSlotCollate] = nullptr;
        }
        _glu_clear_entry_points();
    }
    void steer(GluStatus status, long result) {
        status_given = status;
        result_given = result;
        seen.clear();
    }

    testing::LocalePtr loc;
};

const unsigned char kText[] = {'a', 'b', 0, 0};
const gl_wchar_t kWide[] = {0x61, 0};
// What the calls write, never looked at.
gl_wchar_t wide_out[8];
unsigned char bytes_out[9];
int count_out = -7;

long offset(const unsigned char *p) {
    return p == nullptr ? -1000L : p - kText;
}

struct Row {
    // The entry point, the handle it was given, its integer arguments.
    const char *seen;
    long (*call)(Locale *);  // its result, as the entry point answered
};

TEST_F(Forwarding, EachCallReachesItsEntryPointAndItsStatusBecomesTheError) {
    const Row rows[] = {
        {"glu_mbtouc32 ctype 4",
         [](Locale *l) -> long { return gl_full_mbtowc(l, wide_out, kText, 4); }},
        {"glu_mbtouc32 ctype -1",
         [](Locale *l) -> long { return _qmx_gl_full_mbtowc(l, wide_out, kText, -1); }},
        {"glu_uc32tomb ctype 4660",
         [](Locale *l) -> long { return gl_full_wctomb(l, bytes_out, 0x1234); }},
        {"glu_mblen ctype 3", [](Locale *l) -> long { return gl_full_mblen(l, kText, 3); }},
        {"glu_mbslen ctype -1", [](Locale *l) -> long { return _gl_im_mbslen(l, kText); }},
        {"glu_mbsbytes ctype", [](Locale *l) -> long { return gl_mbsbytes(l, kText); }},
        {"glu_mb_loc_min ctype", [](Locale *l) -> long { return gl_mb_loc_min(l); }},
        {"glu_mb_loc_max ctype", [](Locale *l) -> long { return gl_mb_loc_max(l); }},
        {"glu_mbstoucs32 ctype -1 7",
         [](Locale *l) -> long { return _gl_im_mbstowcs(l, wide_out, kText, 7); }},
        {"glu_mbstoucs32 ctype 2 7",
         [](Locale *l) -> long { return _qmx_gl_is_mbfstowcfs(l, wide_out, kText, 2, 7); }},
        {"glu_ucs32tombs ctype -1 6",
         [](Locale *l) -> long { return gl_full_wcstombs(l, bytes_out, kWide, 6); }},
        {"glu_ucs32tombs ctype 1 6",
         [](Locale *l) -> long { return _qmx_gl_is_wcstombs(l, bytes_out, kWide, 1, 6); }},
        {"glu_mbsnext ctype -1",
         [](Locale *l) -> long { return offset(gl_full_mbsnext(l, kText)); }},
        {"glu_getmbsi ctype 2",
         [](Locale *l) -> long { return offset(gl_getmbsinull(l, kText, 2)); }},
        {"glu_isuc32type 97 260",
         [](Locale *l) -> long { return _gl_im_iswctype(l, 0x61, 0x104); }},
        {"glu_ismctype ctype 4 8",
         [](Locale *l) -> long { return _gl_im_ismctype(l, kText, 0x8); }},
        {"glu_uc32toupper ctype 97", [](Locale *l) -> long { return _gl_im_towupper(l, 0x61); }},
        {"glu_uc32tolower ctype 65", [](Locale *l) -> long { return _gl_im_towlower(l, 0x41); }},
        // A printable character (the recorder answers non-zero) is measured.
        {"glu_uc32width 12354", [](Locale *l) -> long { return gl_wcwidth(l, 0x3042); }},
        {"glu_ucs32width 5", [](Locale *l) -> long { return gl_wcswidth(l, kWide, 5); }},
        {"glu_mbswidth ctype 5", [](Locale *l) -> long { return gl_mbswidth(l, kText, 5); }},
        {"glu_mbscoll collate -1 -1",
         [](Locale *l) -> long { return _glu_mbscoll(l, kText, kText + 1); }},
        {"glu_mbscoll collate 2 1",
         [](Locale *l) -> long { return _glu_mbfscoll(l, kText, 2, kText, 1); }},
        {"glu_mbsxfrm collate 9 -1",
         [](Locale *l) -> long { return _glu_mbsxfrm(l, bytes_out, kText, 9); }},
        {"glu_getmb ctype",
         [](Locale *l) -> long {
             const int result = gl_getmb(l, bytes_out, std::fgetc, stdin, &count_out);
             return result == count_out ? result : -2000;  // the count comes back too
         }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.seen);
        steer(5, 3);
        loc->error = kUntouched;
        EXPECT_EQ(row.call(loc.get()), 3);
        EXPECT_EQ(seen, row.seen);
        EXPECT_EQ(loc->error, 5u);

        // A negative status is a warning: no error, the answer stands.
        steer(-4, 1);
        loc->error = kUntouched;
        EXPECT_EQ(row.call(loc.get()), 1);
        EXPECT_EQ(loc->error, kUntouched);
    }
}

TEST_F(Forwarding, AWidthIsNotAskedOfACharacterThatIsNotPrintable) {
    steer(0, 0);
    loc->error = kUntouched;
    EXPECT_EQ(gl_wcwidth(loc.get(), 0x3042), -1);
    EXPECT_EQ(seen.rfind("glu_isuc32type 12354 ", 0), 0U) << seen;  // whatever the mask
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_EQ(gl_wcwidth(loc.get(), 0), 0);
}

TEST_F(Forwarding, WithoutTheFlagTheTablesAnswer) {
    loc->ext_flags[kSlotCtype] = 0;
    loc->ext_flags[kSlotCollate] = 1;  // another category's flag routes none of them
    steer(5, 3);
    loc->error = kUntouched;
    const unsigned char alpha[] = {0xCE, 0xB1, 0};
    gl_wchar_t wc = 0;
    EXPECT_EQ(gl_full_mbtowc(loc.get(), &wc, alpha, 3), 2);
    EXPECT_EQ(_gl_im_towupper(loc.get(), 0xCEB1), 0xCE91u);
    EXPECT_EQ(gl_mb_loc_min(loc.get()), 1);
    loc->ext_flags[kSlotCollate] = 0;
    EXPECT_EQ(seen, "");
    EXPECT_EQ(loc->error, kUntouched);
}

}  // namespace
}  // namespace gls

// The extension implementation of the character primitives: with the
// character category flagged for the extension, each call goes to its entry
// point with the category's handle and the caller's numbers, the answer
// comes back unchanged, and a positive status becomes the locale's error
// number. Every entry point is a recorder of this test.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/ext/ext.h"
#include "tests/gls/ctype_fixtures.h"

namespace gls {
namespace {

constexpr uint32_t kUntouched = 99;
constexpr int kSlotCtype = category_slot(kCatCtype);
constexpr int kSlotCollate = category_slot(kCatCollate);

// The last call through an entry point, and the answer to give.
struct Seen {
    const void *entry = nullptr;        // the loader's pointer it came through
    const GluLocale *handle = nullptr;  // its locale argument
    std::vector<long> numbers;          // its integer arguments, in order
};
Seen seen;
GluStatus status_given = 0;
long result_given = 0;

template <auto *kEntry,
          class Fn = std::remove_pointer_t<std::remove_reference_t<decltype(*kEntry)>>>
struct Recorder;
template <auto *kEntry, class R, class... A>
struct Recorder<kEntry, R(A...)> {
    static R call(A... args) {
        seen = Seen{kEntry, nullptr, {}};
        const unsigned char *text = nullptr;
        const auto note = [&text](auto arg) {
            using T = decltype(arg);
            if constexpr (std::is_same_v<T, GluLocale *>) seen.handle = arg;
            if constexpr (std::is_integral_v<T>) seen.numbers.push_back(static_cast<long>(arg));
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
        loc->ext_handles[kSlotCtype] = ctype_handle;
        loc->ext_handles[kSlotCollate] = collate_handle;
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
        seen = Seen{};
    }

    testing::LocalePtr loc;
    GluLocale *ctype_handle = reinterpret_cast<GluLocale *>(&handles[0]);
    GluLocale *collate_handle = reinterpret_cast<GluLocale *>(&handles[1]);
    int handles[2] = {};
};

const unsigned char kText[] = {'a', 'b', 0, 0};
const gl_wchar_t kWide[] = {0x61, 0};

struct Row {
    const void *entry;
    int handle;  // 0: the character category's, 1: the collation's, -1: none
    std::vector<long> numbers;
    std::function<long(Locale *)> call;  // its result, as the entry point answered
};

long offset(const unsigned char *p) {
    return p == nullptr ? -1000L : p - kText;
}

TEST_F(Forwarding, EachCallReachesItsEntryPointAndItsStatusBecomesTheError) {
    const Row rows[] = {
        {&fn_glu_mbtouc32,
         0,
         {4},
         [](Locale *l) {
             gl_wchar_t wc;
             return gl_full_mbtowc(l, &wc, kText, 4);
         }},
        {&fn_glu_mbtouc32,
         0,
         {-1},
         [](Locale *l) {
             gl_wchar_t wc;
             return _qmx_gl_full_mbtowc(l, &wc, kText, -1);
         }},
        {&fn_glu_uc32tomb,
         0,
         {0x1234},
         [](Locale *l) {
             unsigned char b[4];
             return gl_full_wctomb(l, b, 0x1234);
         }},
        {&fn_glu_mblen, 0, {3}, [](Locale *l) { return gl_full_mblen(l, kText, 3); }},
        {&fn_glu_mbslen, 0, {-1}, [](Locale *l) { return _gl_im_mbslen(l, kText); }},
        {&fn_glu_mbsbytes, 0, {}, [](Locale *l) { return gl_mbsbytes(l, kText); }},
        {&fn_glu_mb_loc_min, 0, {}, [](Locale *l) { return gl_mb_loc_min(l); }},
        {&fn_glu_mb_loc_max, 0, {}, [](Locale *l) { return gl_mb_loc_max(l); }},
        {&fn_glu_mbstoucs32,
         0,
         {-1, 7},
         [](Locale *l) {
             gl_wchar_t w[8];
             return _gl_im_mbstowcs(l, w, kText, 7);
         }},
        {&fn_glu_mbstoucs32,
         0,
         {2, 7},
         [](Locale *l) {
             gl_wchar_t w[8];
             return _qmx_gl_is_mbfstowcfs(l, w, kText, 2, 7);
         }},
        {&fn_glu_ucs32tombs,
         0,
         {-1, 6},
         [](Locale *l) {
             unsigned char b[8];
             return gl_full_wcstombs(l, b, kWide, 6);
         }},
        {&fn_glu_ucs32tombs,
         0,
         {1, 6},
         [](Locale *l) {
             unsigned char b[8];
             return _qmx_gl_is_wcstombs(l, b, kWide, 1, 6);
         }},
        {&fn_glu_mbsnext, 0, {-1}, [](Locale *l) { return offset(gl_full_mbsnext(l, kText)); }},
        {&fn_glu_getmbsi, 0, {2}, [](Locale *l) { return offset(gl_getmbsinull(l, kText, 2)); }},
        {&fn_glu_isuc32type,
         -1,
         {0x61, 0x104},
         [](Locale *l) { return static_cast<long>(_gl_im_iswctype(l, 0x61, 0x104)); }},
        {&fn_glu_ismctype,
         0,
         {4, 0x8},
         [](Locale *l) { return static_cast<long>(_gl_im_ismctype(l, kText, 0x8)); }},
        {&fn_glu_uc32toupper,
         0,
         {0x61},
         [](Locale *l) { return static_cast<long>(_gl_im_towupper(l, 0x61)); }},
        {&fn_glu_uc32tolower,
         0,
         {0x41},
         [](Locale *l) { return static_cast<long>(_gl_im_towlower(l, 0x41)); }},
        {&fn_glu_ucs32width, -1, {5}, [](Locale *l) { return gl_wcswidth(l, kWide, 5); }},
        {&fn_glu_mbswidth, 0, {5}, [](Locale *l) { return gl_mbswidth(l, kText, 5); }},
        {&fn_glu_getmb,
         0,
         {},
         [](Locale *l) {
             unsigned char b[4];
             int n = -7;
             const int result = gl_getmb(l, b, std::fgetc, stdin, &n);
             return result == n ? static_cast<long>(result) : -2000L;  // the count comes back too
         }},
        {&fn_glu_mbscoll, 1, {-1, -1}, [](Locale *l) { return _glu_mbscoll(l, kText, kText + 1); }},
        {&fn_glu_mbscoll,
         1,
         {2, 1},
         [](Locale *l) { return _glu_mbfscoll(l, kText, 2, kText, 1); }},
        {&fn_glu_mbsxfrm,
         1,
         {9, -1},
         [](Locale *l) {
             unsigned char b[9];
             return _glu_mbsxfrm(l, b, kText, 9);
         }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(&row - rows);
        steer(5, 3);
        loc->error = kUntouched;
        EXPECT_EQ(row.call(loc.get()), 3);
        EXPECT_EQ(seen.entry, row.entry);
        EXPECT_EQ(seen.handle, row.handle < 0    ? nullptr
                               : row.handle == 0 ? ctype_handle
                                                 : collate_handle);
        EXPECT_EQ(seen.numbers, row.numbers);
        EXPECT_EQ(loc->error, 5u);

        // A negative status is a warning: no error, the answer stands.
        steer(-4, 1);
        loc->error = kUntouched;
        EXPECT_EQ(row.call(loc.get()), 1);
        EXPECT_EQ(loc->error, kUntouched);
    }
}

TEST_F(Forwarding, WidthOfOneCharacterAsksWhetherItIsPrintableFirst) {
    steer(0, 2);
    EXPECT_EQ(gl_wcwidth(loc.get(), 0x3042), 2);
    EXPECT_EQ(seen.entry, &fn_glu_uc32width);
    EXPECT_EQ(seen.numbers, std::vector<long>{0x3042});
    // Not printable (0): no width, and no width asked for.
    steer(0, 0);
    loc->error = kUntouched;
    EXPECT_EQ(gl_wcwidth(loc.get(), 0x3042), -1);
    EXPECT_EQ(seen.entry, &fn_glu_isuc32type);
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_EQ(gl_wcwidth(loc.get(), 0), 0);
}

TEST_F(Forwarding, WithoutTheFlagTheTablesAnswer) {
    loc->ext_flags[kSlotCtype] = 0;
    steer(5, 3);
    loc->error = kUntouched;
    const unsigned char alpha[] = {0xCE, 0xB1, 0};
    gl_wchar_t wc = 0;
    EXPECT_EQ(gl_full_mbtowc(loc.get(), &wc, alpha, 3), 2);
    EXPECT_EQ(_gl_im_towupper(loc.get(), 0xCEB1), 0xCE91u);
    EXPECT_EQ(gl_mb_loc_max(loc.get()), 3);
    // Another category's flag does not route the character primitives.
    loc->ext_flags[kSlotCollate] = 1;
    EXPECT_EQ(gl_mb_loc_min(loc.get()), 1);
    loc->ext_flags[kSlotCollate] = 0;
    EXPECT_EQ(seen.entry, nullptr);
    EXPECT_EQ(loc->error, kUntouched);
}

}  // namespace
}  // namespace gls

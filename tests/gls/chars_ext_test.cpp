// The extension implementation of the character primitives: with the
// character category flagged for the extension, each call goes to the
// stand-in extension with the category's handle, its answer comes back
// unchanged, and a positive status becomes the locale's error number.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "gls/chars/chars.h"
#include "gls/ext/ext.h"
#include "gls/util/util.h"
#include "tests/gls/ctype_fixtures.h"
#include "tests/gls/ext_standin/standin.h"

namespace gls {
namespace {

constexpr uint32_t kUntouched = 99;
constexpr int kSlotCtype = category_slot(kCatCtype);
constexpr int kSlotCollate = category_slot(kCatCollate);

class Forwarding : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(qrmx_dlopen(&record, GLU_STANDIN_PATH, kGluDlOpenDefault), kGluOk);
        ASSERT_EQ(_glu_resolve_entry_points(&record), kGluOk);
        using StateFn = const standin::State *(*)();
        auto state_fn = reinterpret_cast<StateFn>(dlsym(record.handle, kStandinStateSymbol));
        ASSERT_NE(state_fn, nullptr);
        state = state_fn();
        // The tables hold a locale the extension would contradict.
        loc = testing::load_ctype(testing::multi_byte_source());
        loc->ext_flags[kSlotCtype] = 1;
        loc->ext_handles[kSlotCtype] = &ctype_handle;
        loc->ext_handles[kSlotCollate] = &collate_handle;
        unsetenv(standin::kCallStatusVariable);
        unsetenv(standin::kCallResultVariable);
    }
    void TearDown() override {
        if (loc) {
            loc->ext_flags[kSlotCtype] = 0;
            loc->ext_handles[kSlotCtype] = nullptr;
            loc->ext_handles[kSlotCollate] = nullptr;
        }
        _glu_clear_entry_points();
        (void)qrmx_dlclose(&record);
        _gl_free_ptr(record.error_text);
    }
    void steer(int status, int result) {
        setenv(standin::kCallStatusVariable, std::to_string(status).c_str(), 1);
        setenv(standin::kCallResultVariable, std::to_string(result).c_str(), 1);
    }

    GluDllRecord record{};
    const standin::State *state = nullptr;
    testing::LocalePtr loc;
    int ctype_handle = 0;
    int collate_handle = 0;
};

enum class Handle { kCtype, kCollate, kNone };

struct Row {
    const char *entry;  // the stand-in's name for the entry point called last
    Handle handle;
    int32_t length;  // the length or character argument it must have had
    int32_t room;
    std::function<long(Locale *)> call;  // its result, as the stand-in steered it
};

const unsigned char kText[] = {'a', 'b', 0, 0};
const gl_wchar_t kWide[] = {0x61, 0};

std::vector<Row> rows() {
    const auto offset = [](const unsigned char *p) { return p == nullptr ? -1000L : p - kText; };
    return {
        {"mbtouc32", Handle::kCtype, 4, 0,
         [](Locale *l) {
             gl_wchar_t wc;
             return gl_full_mbtowc(l, &wc, kText, 4);
         }},
        {"mbtouc32", Handle::kCtype, -1, 0,
         [](Locale *l) {
             gl_wchar_t wc;
             return _qmx_gl_full_mbtowc(l, &wc, kText, -1);
         }},
        {"uc32tomb", Handle::kCtype, 0x1234, 0,
         [](Locale *l) {
             unsigned char b[4];
             return gl_full_wctomb(l, b, 0x1234);
         }},
        {"mblen", Handle::kCtype, 3, 0, [](Locale *l) { return gl_full_mblen(l, kText, 3); }},
        {"mbslen", Handle::kCtype, -1, 0, [](Locale *l) { return _gl_im_mbslen(l, kText); }},
        {"mbsbytes", Handle::kCtype, 0, 0, [](Locale *l) { return gl_mbsbytes(l, kText); }},
        {"mb_loc_min", Handle::kCtype, 0, 0, [](Locale *l) { return gl_mb_loc_min(l); }},
        {"mb_loc_max", Handle::kCtype, 0, 0, [](Locale *l) { return gl_mb_loc_max(l); }},
        {"mbstoucs32", Handle::kCtype, -1, 7,
         [](Locale *l) {
             gl_wchar_t w[8];
             return _gl_im_mbstowcs(l, w, kText, 7);
         }},
        {"mbstoucs32", Handle::kCtype, 2, 7,
         [](Locale *l) {
             gl_wchar_t w[8];
             return _qmx_gl_is_mbfstowcfs(l, w, kText, 2, 7);
         }},
        {"ucs32tombs", Handle::kCtype, -1, 6,
         [](Locale *l) {
             unsigned char b[8];
             return gl_full_wcstombs(l, b, kWide, 6);
         }},
        {"ucs32tombs", Handle::kCtype, 1, 6,
         [](Locale *l) {
             unsigned char b[8];
             return _qmx_gl_is_wcstombs(l, b, kWide, 1, 6);
         }},
        {"mbsnext", Handle::kCtype, -1, 0,
         [offset](Locale *l) { return offset(gl_full_mbsnext(l, kText)); }},
        {"getmbsi", Handle::kCtype, 2, 0,
         [offset](Locale *l) { return offset(gl_getmbsinull(l, kText, 2)); }},
        {"isuc32type", Handle::kNone, 0x61, 0x104,
         [](Locale *l) { return static_cast<long>(_gl_im_iswctype(l, 0x61, 0x104)); }},
        {"ismctype", Handle::kCtype, 4, 0x8,
         [](Locale *l) { return static_cast<long>(_gl_im_ismctype(l, kText, 0x8)); }},
        {"uc32toupper", Handle::kCtype, 0x61, 0,
         [](Locale *l) { return static_cast<long>(_gl_im_towupper(l, 0x61)); }},
        {"uc32tolower", Handle::kCtype, 0x41, 0,
         [](Locale *l) { return static_cast<long>(_gl_im_towlower(l, 0x41)); }},
        {"ucs32width", Handle::kNone, 5, 0, [](Locale *l) { return gl_wcswidth(l, kWide, 5); }},
        {"mbswidth", Handle::kCtype, 5, 0, [](Locale *l) { return gl_mbswidth(l, kText, 5); }},
        {"getmb", Handle::kCtype, 0, 0,
         [](Locale *l) {
             unsigned char b[4];
             int n = -7;
             const int result = gl_getmb(l, b, std::fgetc, stdin, &n);
             return result == n ? static_cast<long>(result) : -2000L;  // the count comes back too
         }},
        {"mbscoll", Handle::kCollate, -1, -1,
         [](Locale *l) { return _glu_mbscoll(l, kText, kText + 1); }},
        {"mbscoll", Handle::kCollate, 2, 1,
         [](Locale *l) { return _glu_mbfscoll(l, kText, 2, kText, 1); }},
        {"mbsxfrm", Handle::kCollate, -1, 9,
         [](Locale *l) {
             unsigned char b[9];
             return _glu_mbsxfrm(l, b, kText, 9);
         }},
    };
}

TEST_F(Forwarding, EachCallReachesItsEntryPointAndItsStatusBecomesTheError) {
    for (const Row &row : rows()) {
        SCOPED_TRACE(std::string(row.entry) + " " + std::to_string(row.length));
        const void *handle = row.handle == Handle::kCtype     ? &ctype_handle
                             : row.handle == Handle::kCollate ? &collate_handle
                                                              : nullptr;
        steer(5, 3);
        loc->error = kUntouched;
        const long result = row.call(loc.get());
        EXPECT_STREQ(state->last_call.name, row.entry);
        EXPECT_EQ(state->last_call.locale, handle);
        EXPECT_EQ(state->last_call.length, row.length);
        EXPECT_EQ(state->last_call.room, row.room);
        EXPECT_EQ(result, 3);
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
    EXPECT_STREQ(state->last_call.name, "uc32width");
    EXPECT_EQ(state->last_call.length, 0x3042);
    // The extension says "not printable" (0): no width, and the extension is not asked for one.
    steer(0, 0);
    loc->error = kUntouched;
    EXPECT_EQ(gl_wcwidth(loc.get(), 0x3042), -1);
    EXPECT_STREQ(state->last_call.name, "isuc32type");
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
    EXPECT_STREQ(state->last_call.name, "");
    EXPECT_EQ(loc->error, kUntouched);
    // Another category's flag does not route the character primitives.
    loc->ext_flags[kSlotCollate] = 1;
    EXPECT_EQ(gl_mb_loc_min(loc.get()), 1);
    EXPECT_STREQ(state->last_call.name, "");
    loc->ext_flags[kSlotCollate] = 0;
}

}  // namespace
}  // namespace gls

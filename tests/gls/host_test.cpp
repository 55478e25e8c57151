// The host callback table: each wrapper reaches its own slot, an empty slot
// or a reset table falls back to the C library, bad slots are refused.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>

#include "gls/host/host.h"

namespace gls {
namespace {

int called = -1;

template <class F>
GlExtFunc fake(F function) {
    return reinterpret_cast<GlExtFunc>(function);
}

TEST(HostTable, EveryWrapperReachesItsOwnSlot) {
    struct Row {
        int slot;
        GlExtFunc fake;
        std::function<void()> call;
    };
    FILE *f = nullptr;
    const Row rows[] = {
        {0, fake(+[](const char *) { return called = 0, "x"; }), [] { _gl_ext_getenv("X"); }},
        {1, fake(+[](void *) { return called = 1, &temperr; }), [] { _gl_ext_errno(nullptr); }},
        {2, fake(+[](FILE *) { return called = 2; }), [&] { _gl_ext_fclose(f); }},
        {3, fake(+[](FILE *) { return called = 3; }), [&] { _gl_ext_feof(f); }},
        {4, fake(+[](FILE *) { return called = 4; }), [&] { _gl_ext_ferror(f); }},
        {5, fake(+[](FILE *) { return called = 5; }), [&] { _gl_ext_fgetc(f); }},
        {6, fake(+[](char *b, int, FILE *) { return called = 6, b; }),
         [&] { _gl_ext_fgets(nullptr, 0, f); }},
        {7, fake(+[](const char *, const char *) { return called = 7, stdin; }),
         [] { _gl_ext_fopen("x", "r"); }},
        {8, fake(+[](void *) { called = 8; }), [] { _gl_ext_free(nullptr); }},
        {9, fake(+[](FILE *, long, int) { return called = 9; }), [&] { _gl_ext_fseek(f, 0, 0); }},
        {10, fake(+[](FILE *) { return long{called = 10}; }), [&] { _gl_ext_ftell(f); }},
        {11, fake(+[](const void *, size_t, size_t, FILE *) { return size_t(called = 11); }),
         [&] { _gl_ext_fwrite("", 1, 0, f); }},
        {12, fake(+[](FILE *) { return called = 12; }), [&] { _gl_ext_getc(f); }},
        {13, fake(+[](size_t) { return called = 13, static_cast<void *>(&called); }),
         [] { _gl_ext_malloc(1); }},
        {14, fake(+[](int, FILE *) { return called = 14; }), [&] { _gl_ext_ungetc('x', f); }},
        {15, fake(+[](char *) { return called = 15; }), [] { _gl_ext_putenv(nullptr); }},
        {16, fake(+[](int16_t *, int16_t *, int16_t *) { return called = 16; }),
         [] { _gl_ext_currdate(nullptr, nullptr, nullptr); }},
        {17, fake(+[](GlTimeRecord *) { return called = 17; }), [] { _gl_ext_currtime(nullptr); }},
        {18, fake(+[](size_t, size_t) { return called = 18, static_cast<void *>(&called); }),
         [] { _gl_ext_calloc(1, 1); }},
        {19, fake(+[](void *b, size_t) { return called = 19, b; }),
         [] { _gl_ext_realloc(nullptr, 1); }},
        {20, fake(+[] { return called = 20; }), [] { _gl_ext_UCA(); }},
    };
    ASSERT_EQ(std::size(rows), static_cast<size_t>(kExtSlotCount));
    for (const Row &row : rows)
        ASSERT_EQ(gl_setextfunc(nullptr, row.slot, row.fake), 0);
    for (const Row &row : rows) {
        called = -1;
        row.call();
        EXPECT_EQ(called, row.slot);
    }
}

const char *hosted_getenv(const char *) {
    return "hosted";
}

TEST(HostTable, NullSlotOrResetTableFallsBackToTheCLibrary) {
    setenv("GLS_HOST_TEST", "process", 1);
    EXPECT_EQ(_gl_ext_UCA(), -1);
    ASSERT_EQ(gl_setextfunc_typed<kExtGetenv>(nullptr, hosted_getenv), 0);
    EXPECT_STREQ(_gl_ext_getenv("GLS_HOST_TEST"), "hosted");
    _gl_set_ext_funcptr(kExtGetenv, nullptr);
    EXPECT_STREQ(_gl_ext_getenv("GLS_HOST_TEST"), "process");

    ASSERT_EQ(gl_setextfunc_typed<kExtGetenv>(nullptr, hosted_getenv), 0);
    _gl_reset_ext_func();
    EXPECT_STREQ(_gl_ext_getenv("GLS_HOST_TEST"), "process");
    // The slot keeps its service; the next installation turns the table on.
    _gl_set_ext_funcptr(kExtUCA, nullptr);
    EXPECT_STREQ(_gl_ext_getenv("GLS_HOST_TEST"), "hosted");
}

TEST(HostTable, SlotsOutsideTheTableAreRefusedWithBadItem) {
    for (int slot : {kExtSlotCount, -1, INT_MIN, INT_MAX}) {
        uint32_t error = 0;  // a context whose first field is its error number
        EXPECT_EQ(gl_setextfunc(&error, slot, fake(hosted_getenv)), -1);
        EXPECT_EQ(error, GL_EBADITEM) << slot;
    }
    EXPECT_EQ(gl_setextfunc(nullptr, -1, nullptr), -1);
    EXPECT_EQ(_gl_ext_func, 0);
    for (GlExtFunc f : funcptr_arr)
        EXPECT_EQ(f, nullptr);
    EXPECT_EQ(gl_setextfunc(nullptr, kExtUCA, fake(+[] { return 7; })), 0);
    EXPECT_EQ(_gl_ext_UCA(), 7);
}

}  // namespace
}  // namespace gls

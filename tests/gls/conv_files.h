// Conversion files made with the writer where gl_cv_load finds them, and
// conversions on exact-size buffers so that the sanitizer sees any overrun.
#pragma once

#include <memory>
#include <string>

#include "gls/conv/conv.h"
#include "gls/conv/writer/cvo_writer.h"
#include "tests/support/owners.h"

namespace gls::testing {

// The code sets fixtures convert between, by number, which the built-in
// registry accepts as they stand.
inline constexpr const char *kFixtureSource = "819";
inline constexpr const char *kFixtureTarget = "57372";

// The writer's text of an input; the test fails when the writer refuses it.
std::string cvo_text(const CvoInput &input);
// The writer's input for a map of tests/fixtures/gls/conv_maps.
CvoInput fixture_input(const std::string &map);

// Caches the registry as the front end does at start-up (the built-in
// table when the installation has none), unless something is cached.
void cache_registry();

// The file name gl_cv_load looks for, from source to target code set.
std::string cv_file_name(const char *source = kFixtureSource, const char *target = kFixtureTarget);

struct Load {
    int rc = -2;
    CvPtr cd;               // also a half-built descriptor; never a static one
    CvDesc *raw = nullptr;  // what gl_cv_load stored, static descriptors included
    uint32_t error = 0;
};

// Writes text as the conversion file into dir and loads it from there.
Load load_text(const std::string &dir, const std::string &text, const char *source = kFixtureSource,
               const char *target = kFixtureTarget);
// Loads from the directory (null: by the search) without writing anything.
Load load_from(const char *directory, const char *source = kFixtureSource,
               const char *target = kFixtureTarget);

struct Converted {
    int rc = -2;
    uint32_t error = 0;
    std::string out;      // the bytes produced
    size_t in_used = 0;   // how far the input pointer moved
    size_t out_left = 0;  // *out_left afterwards
    int inexact = -1;
};

enum class Input { kCounted, kTerminated };
enum class Output { kWrite, kMeasure };

// Converts input into a buffer of exactly out_size bytes, with the caller's
// state when given. Checks that the counts moved with the pointers.
Converted convert(CvDesc *cd, const std::string &input, size_t out_size, CvState *state = nullptr,
                  Input kind = Input::kCounted, Output output = Output::kWrite);

}  // namespace gls::testing

// The conversion-file reader, and conversions through every descriptor it
// accepts. The first input byte says how many of the last bytes are the
// text to convert; the bytes between are the file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz/fuzz_file.h"
#include "gls/conv/conv.h"
#include "gls/util/util.h"

namespace {

constexpr size_t kMaxText = 64;
// Room for the most any byte can become, and the longest unit, so that a
// terminated input always holds a whole zero unit after the text.
constexpr size_t kRoomPerByte = 16;
constexpr size_t kZeroPadding = 8;
constexpr size_t kUnit = 4;

struct Outcome {
    int rc;
    size_t in_used;
    size_t out_left;
};

// Converts text in an exactly sized copy into an exactly sized buffer.
Outcome convert(gls::CvDesc *cd, const uint8_t *text, size_t size, size_t room, bool measure,
                bool terminated, gls::CvState *state) {
    std::unique_ptr<unsigned char[]> in(new unsigned char[size + 1]);
    if (size > 0) std::memcpy(in.get(), text, size);
    std::unique_ptr<unsigned char[]> out(new unsigned char[room + 1]);
    const unsigned char *in_ptr = in.get();
    size_t in_left = size;
    unsigned char *out_ptr = measure ? nullptr : out.get();
    size_t out_left = room;
    int inexact = 0;
    const int rc = gls::gl_cv_mconv(cd, state, &in_ptr, terminated ? nullptr : &in_left, &out_ptr,
                                    &out_left, &inexact);
    const auto used = static_cast<size_t>(in_ptr - in.get());
    if ((rc != 0 && rc != -1) || used > size || out_left > room || (inexact != 0 && inexact != 1))
        abort();
    if (!terminated && in_left != size - used) abort();
    if (!measure && static_cast<size_t>(out_ptr - out.get()) != room - out_left) abort();
    return {rc, used, out_left};
}

void exercise(gls::CvDesc *cd, const uint8_t *text, size_t size) {
    const size_t room = size * kRoomPerByte;
    for (size_t space : {room, size / 2}) {
        const Outcome written = convert(cd, text, size, space, false, false, nullptr);
        const Outcome measured = convert(cd, text, size, space, true, false, nullptr);
        if (written.rc != measured.rc || written.in_used != measured.in_used ||
            written.out_left != measured.out_left) {
            abort();
        }
    }
    gls::CvState state{1, 0, 0, 0};
    const Outcome first = convert(cd, text, size, room, false, false, &state);
    state.reset = 0;
    state.close = 1;
    (void)convert(cd, text + first.in_used, size - first.in_used, room, false, false, &state);

    // Terminated: whole units of text, then zero bytes enough for a whole
    // zero unit of either width.
    const size_t whole = size - size % kUnit;
    std::unique_ptr<uint8_t[]> padded(new uint8_t[whole + kZeroPadding]);
    if (whole > 0) std::memcpy(padded.get(), text, whole);
    std::memset(padded.get() + whole, 0, kZeroPadding);
    (void)convert(cd, padded.get(), whole + kZeroPadding, (whole + kZeroPadding) * kRoomPerByte,
                  false, true, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size < 1 || size > 1 << 16) return 0;
    const size_t text_size = data[0] % (kMaxText + 1) < size - 1 ? data[0] % (kMaxText + 1) : 0;
    const size_t file_size = size - 1 - text_size;
    const std::string path = fuzz::scratch_dir() + "/conversion";
    fuzz::write_input(path, data + 1, file_size);
    FILE *stream = std::fopen(path.c_str(), "r");
    if (stream == nullptr) abort();
    auto cd = gls::host_alloc<gls::CvDesc>();
    if (cd) {
        if (gls::gl_cv_read(cd.get(), stream) == 0) {
            exercise(cd.get(), data + 1 + file_size, text_size);
        } else if (cd->tree != nullptr || cd->shift_tree != nullptr || cd->converter != nullptr) {
            abort();
        }
        gls::gl_cv_unload(cd.release());
    }
    std::fclose(stream);
    return 0;
}

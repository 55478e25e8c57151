// The multi-byte tree reader, and look-ups in every tree it accepts. The
// first input byte picks the element form; the rest is the tree's text.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_file.h"
#include "gls/tree/tree.h"

namespace {

struct Form {
    uint32_t data_size;
    gls::GlElementReader reader;
};

constexpr Form kForms[] = {
    {2, gls::ub2_reader}, {4, gls::_gl_read_gl_wchar}, {3, gls::cv_record_reader}};
constexpr size_t kFormCount = sizeof kForms / sizeof kForms[0];

// Looks up every window of the input as bytes and as a wide character.
// Every character found lies within the lengths the header declares.
void look_up(const gls::multi_tree_t *tree, const uint8_t *data, size_t size) {
    uint32_t error = 0;
    const auto min_length = static_cast<int>(gls::_gl_multi_min_length(tree));
    const auto max_length = static_cast<int>(gls::_gl_multi_max_length(tree));
    for (size_t i = 0; i < size; ++i) {
        int consumed = 0;
        const int left = static_cast<int>(size - i < 8 ? size - i : 8);
        const uint8_t *found =
            gls::_gl_retrieve_text_multi_limit(data + i, tree, left, &consumed, &error);
        if (consumed < 0 || consumed > left) abort();
        if (found != nullptr && (consumed < min_length || consumed > max_length)) abort();
        uint32_t wc = 0;
        for (int k = 0; k < 4 && k < left; ++k)
            wc = (wc << 8) | data[i + k];
        (void)gls::_gl_retrieve_wchar_multi_nl(&error, wc, tree);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size < 1 || size > 1 << 16) return 0;
    const Form &form = kForms[data[0] % kFormCount];
    const std::string path = fuzz::scratch_dir() + "/tree";
    fuzz::write_input(path, data + 1, size - 1);
    FILE *stream = std::fopen(path.c_str(), "r");
    if (stream == nullptr) abort();
    gls::multi_tree_t *tree = gls::_gl_create_multi(form.data_size, 0, nullptr);
    if (tree != nullptr) {
        if (gls::_gl_fscanf_multi(stream, tree, gls::kMultiLengthLimit, form.reader) == 0)
            look_up(tree, data + 1, size - 1);
        gls::_gl_free_multi(tree);
    }
    std::fclose(stream);
    return 0;
}

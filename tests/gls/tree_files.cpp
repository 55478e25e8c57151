#include "tests/gls/tree_files.h"

#include <gtest/gtest.h>

#include "gls/util/util.h"
#include "tests/support/test_support.h"

namespace gls::testing {

TreeRead read_tree(const std::string &text, const ElementForm &form, int limit,
                   bool skip_first_line) {
    velmorad::testing::TempDir dir;
    velmorad::testing::write_file(dir / "tree", text);
    FILE *stream = _gl_ext_fopen((dir / "tree").c_str(), "r");
    EXPECT_NE(stream, nullptr);
    TreeRead result;
    if (stream == nullptr) return result;
    for (int c; skip_first_line && (c = _gl_ext_getc(stream)) != EOF;) {
        result.before += static_cast<char>(c);
        if (c == '\n') break;
    }
    result.tree.reset(_gl_create_multi(form.data_size, 0, nullptr));
    if (result.tree) {
        result.status = _gl_fscanf_multi(stream, result.tree.get(), limit, form.reader);
        result.error = _gl_multi_err(result.tree.get());
    }
    for (int c; (c = _gl_ext_getc(stream)) != EOF;)
        result.rest += static_cast<char>(c);
    (void)_gl_ext_fclose(stream);
    return result;
}

std::string element_at(const multi_tree_t *tree, const std::string &key, uint32_t *error) {
    // Exactly the key's bytes, so the sanitizer sees any read past them.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[key.size()]);
    std::copy(key.begin(), key.end(), bytes.get());
    int consumed = -1;
    const uint8_t *element = _gl_retrieve_text_multi_limit(
        bytes.get(), tree, static_cast<int>(key.size()), &consumed, error);
    if (element == nullptr) return "";
    EXPECT_EQ(consumed, static_cast<int>(key.size())) << "key of " << key.size() << " bytes";
    return std::string(reinterpret_cast<const char *>(element), tree->data_size);
}

}  // namespace gls::testing

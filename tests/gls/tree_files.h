// Trees read from real files: the text goes to a temporary file, which is
// opened through the host callbacks and handed to _gl_fscanf_multi.
#pragma once

#include <memory>
#include <string>

#include "gls/tree/tree.h"
#include "gls/tree/tree_writer.h"

namespace gls::testing {

struct TreeFree {
    void operator()(multi_tree_t *tree) const { _gl_free_multi(tree); }
};
using TreePtr = std::unique_ptr<multi_tree_t, TreeFree>;

struct TreeRead {
    TreePtr tree;        // null only when _gl_create_multi failed
    int status = -2;     // of _gl_fscanf_multi
    uint32_t error = 0;  // the tree's error after the read
    std::string before;  // the line read ahead of the tree, when asked for
    std::string rest;    // what the reader left in the stream
};

// Reads `text` as a tree of the form's elements. With skip_first_line, the
// first line is read off the stream first, so the tree starts mid-stream.
TreeRead read_tree(const std::string &text, const ElementForm &form, int limit = kMultiLengthLimit,
                   bool skip_first_line = false);

// The element of a key as a byte string, or "" with the error when the tree
// does not hold it.
std::string element_at(const multi_tree_t *tree, const std::string &key, uint32_t *error);

}  // namespace gls::testing

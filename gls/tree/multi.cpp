// Making, measuring and releasing trees.
#include "gls/tree/tree.h"
#include "gls/tree/tree_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int32_t kNewTreeMinLength = 4;

uint32_t element_shift(uint32_t data_size) {
    uint32_t shift = 0;
    while ((uint32_t{1} << shift) < data_size)
        ++shift;
    return shift;
}

void release_node(multi_arr_t &node) {
    if (node.next != nullptr) {
        for (uint32_t i = 0; i < node.child_count; ++i)
            release_node(node.next[i]);
        _gl_free_ptr(node.next);
    }
    _gl_free_ptr(node.offsets);
    if (node.flag_index == kMultiOwnArray) _gl_free_ptr(node.flags);
    if (node.data_index == kMultiOwnArray) _gl_free_ptr(node.data);
    node = empty_node();
}

template <class T>
void release_table(T **table, int32_t count) {
    if (table == nullptr) return;
    for (int32_t i = 0; i < count; ++i)
        _gl_free_ptr(table[i]);
    _gl_free_ptr(table);
}

}  // namespace

multi_tree_t *_gl_create_multi(uint32_t data_size, uint32_t flags, const void *default_element) {
    if (data_size > kMultiMaxDataSize) return nullptr;
    const uint32_t shift = element_shift(data_size);
    auto tree = host_alloc<multi_tree_t>();
    if (!tree) return nullptr;
    auto root_flags = host_alloc<uint8_t>(kMultiFanout);
    if (!root_flags) return nullptr;
    auto fallback = host_alloc<uint8_t>(size_t{1} << shift);
    if (!fallback) return nullptr;
    if (default_element != nullptr && data_size > 0)
        std::memcpy(fallback.get(), default_element, data_size);

    multi_tree_t *t = tree.get();
    t->data_size = data_size;
    t->max_length = 0;
    t->min_length = kNewTreeMinLength;
    t->flags = flags | kMultiLeavesMarked;
    t->flag_count = 1;
    t->root = empty_node();
    t->root.flags = root_flags.release();
    t->default_element = fallback.release();
    t->shift = shift;
    return tree.release();
}

uint32_t _gl_multi_max_length(const multi_tree_t *tree) {
    return tree->max_length;
}

int32_t _gl_multi_min_length(const multi_tree_t *tree) {
    return tree->min_length;
}

uint32_t _gl_multi_err(const multi_tree_t *tree) {
    return tree->error;
}

// Ownership follows the indexes, so a tree whose read stopped anywhere is
// released like a complete one.
void _gl_free_multi(multi_tree_t *tree) {
    if (tree == nullptr) return;
    release_node(tree->root);
    if (tree->shared_flags != nullptr) release_table(tree->shared_flags, tree->flag_count);
    if (tree->shared_data != nullptr) release_table(tree->shared_data, tree->data_count);
    _gl_free_ptr(tree->child_counts);
    _gl_free_ptr(tree->default_element);
    _gl_free_ptr(tree);
}

}  // namespace gls
